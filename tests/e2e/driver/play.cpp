#include "play.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace e2e {
namespace {

std::string Describe(HWND dialog) {
  return "\"" + WindowText(dialog) + "\" (" + MessageBoxText(dialog) + ")";
}

// A window of any kind: its class and title.
std::string DescribeWindow(HWND window) {
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  return std::string(className) + " " + Describe(window);
}

// Empty when the dialog shows what the step expects, else what differs.
std::string CheckShown(HWND dialog, const DialogStep& step) {
  for (const auto& [id, text] : step.expectTexts) {
    const std::string shown = ControlText(dialog, id);
    if (shown != text) {
      return "control " + std::to_string(id) + " of " + Describe(dialog) + " shows \"" + shown +
             "\", expected \"" + text + "\"";
    }
  }
  return "";
}

// Empty when the dialog's owner has the title the step names, else who owns it.
std::string CheckOwner(HWND dialog, const DialogStep& step) {
  if (step.ownerCaption.empty()) return "";
  HWND owner = GetWindow(dialog, GW_OWNER);
  char title[256] = "";
  if (owner != nullptr) GetWindowTextA(owner, title, sizeof title);
  if (owner != nullptr && step.ownerCaption == title) return "";
  return Describe(dialog) + " is owned by " +
         (owner != nullptr ? "\"" + std::string(title) + "\"" : std::string("no window")) +
         ", expected \"" + step.ownerCaption + "\"";
}

// Empty when the click did to the dialog what the step says, else what went wrong.
std::string CheckOutcome(SetupSession& session, HWND dialog, const DialogStep& step,
                         DWORD deadline) {
  switch (step.outcome) {
    case Outcome::kCloses:
      if (!session.WaitUntilGone(dialog, deadline)) return Describe(dialog) + " stayed open";
      return "";
    case Outcome::kLeavesOpen:
      return "";
    case Outcome::kRefuses: {
      Sleep(200);
      session.WaitUntilIdle(dialog);
      if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return Describe(dialog) + " closed";
      HWND other = session.VisibleDialog();
      if (other != dialog) return "unexpected dialog " + Describe(other);
      return "";
    }
  }
  return "";
}

bool FileStillThere(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int PicturesIn(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.png").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// With QM_SHOTS naming a folder, each dialog is photographed while it is up:
// the driver leaves NN-caption.request there and waits until the script that
// watches the folder (scripts/demo.sh) has taken the screen and removed it.
void TakeScreenshot(const std::string& caption) {
  const char* folder = std::getenv("QM_SHOTS");
  if (folder == nullptr || *folder == '\0') return;
  // Numbers go on from the pictures already there: a later run adds to them.
  static int taken = PicturesIn(WindowsPath(folder));
  std::string name = caption;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  }
  char number[8];
  std::snprintf(number, sizeof number, "%02d-", ++taken);
  const std::string request = WindowsPath(folder) + "\\" + number + name + ".request";
  HANDLE file = CreateFileA(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  CloseHandle(file);
  Sleep(150);  // the dialog's first paint reaches the X server
  for (int waited = 0; waited < 200 && FileStillThere(request); ++waited) Sleep(50);
}

}  // namespace

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool Fail(SetupSession& session, const std::string& why) {
  std::printf("FAILED: %s\n", why.c_str());
  session.Terminate();
  return false;
}

bool PlayStep(SetupSession& session, const DialogStep& step, DWORD deadline) {
  HWND dialog = session.WaitForDialog(step.caption, deadline, step.textContains, step.watchClosely);
  if (dialog == nullptr) {
    HWND shown = session.VisibleDialog();
    const std::string showing = shown != nullptr ? "; showing " + Describe(shown) : "";
    return Fail(session, "no dialog \"" + step.caption + "\" (" + step.textContains +
                             ") appeared" + showing);
  }
  std::string problem = CheckShown(dialog, step);
  if (problem.empty()) problem = CheckOwner(dialog, step);
  if (!problem.empty()) return Fail(session, problem);
  // A message box's whole text goes to the log: it may name paths and sizes.
  if (!step.textContains.empty()) std::printf("    \"%s\"\n", MessageBoxText(dialog).c_str());
  if (!step.watchClosely) TakeScreenshot(step.caption);
  for (const auto& [id, text] : step.editTexts) SetControlText(dialog, id, text);
  for (const auto& [id, text] : step.typedTexts) TypeText(dialog, id, text);
  if (step.beforeClick) step.beforeClick();
  ClickButton(dialog, step.clickId);
  if (step.rightAfterClick) step.rightAfterClick();
  problem = CheckOutcome(session, dialog, step, deadline);
  if (!problem.empty()) {
    return Fail(session, "after clicking " + std::to_string(step.clickId) + ": " + problem);
  }
  std::printf("  %s%s%s: clicked %d\n", step.caption.c_str(), step.textContains.empty() ? "" : " ",
              step.textContains.substr(0, 40).c_str(), step.clickId);
  return true;
}

bool Play(const Scenario& scenario, const std::string& program, DWORD seconds) {
  for (const std::string& name : scenario.playedBefore) {
    const Scenario* earlier = FindScenario(name);
    std::printf(" first %s\n", name.c_str());
    if (earlier == nullptr || !Play(*earlier, ProgramOf(*earlier, MediaFolder()), seconds)) {
      std::printf("FAILED: the earlier scenario %s did not go through\n", name.c_str());
      return false;
    }
  }
  if (scenario.prepare) scenario.prepare();
  if (scenario.checkPrepared) {
    const std::string problem = scenario.checkPrepared();
    if (!problem.empty()) {
      std::printf("FAILED: not prepared: %s\n", problem.c_str());
      return false;
    }
  }
  SetupSession session;
  if (!session.Start(program, scenario.arguments)) {
    std::printf("FAILED: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
    return false;
  }
  const DWORD deadline = GetTickCount() + seconds * 1000;
  for (const DialogStep& step : scenario.steps) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  HWND unexpected = nullptr;
  if (!session.WaitForExit(deadline, &unexpected, scenario.windowless)) {
    return Fail(session, unexpected != nullptr ? "unexpected window " + DescribeWindow(unexpected)
                                               : "setup did not end in time");
  }
  if (session.ExitCode() != scenario.exitCode) {
    return Fail(session, "exit code " + std::to_string(session.ExitCode()) + ", expected " +
                             std::to_string(scenario.exitCode));
  }
  const std::string problem = scenario.verify ? scenario.verify() : "";
  if (!problem.empty()) return Fail(session, problem);
  std::printf("scenario %s: setup ended with exit code %lu as expected\n", scenario.name.c_str(),
              session.ExitCode());
  return true;
}

}  // namespace e2e
