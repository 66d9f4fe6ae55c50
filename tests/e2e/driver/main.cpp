// Drives the setup program through a named scenario and reports the outcome.
// Usage: qm_e2e_driver SCENARIO SETUP_EXE [TIMEOUT_SECONDS]
// The exit code is 0 when the run went as scripted, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenario.h"
#include "setup_session.h"

namespace {

// A Unix path (as the build passes it under Wine) names the same file on drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool Fail(e2e::SetupSession& session, const std::string& why) {
  std::printf("FAILED: %s\n", why.c_str());
  session.Terminate();
  return false;
}

std::string Describe(HWND dialog) {
  return "\"" + e2e::WindowText(dialog) + "\" (" + e2e::MessageBoxText(dialog) + ")";
}

// Empty when the dialog shows what the step expects, else what differs.
std::string CheckShown(HWND dialog, const e2e::DialogStep& step) {
  if (e2e::MessageBoxText(dialog).find(step.textContains) == std::string::npos) {
    return "text of " + Describe(dialog) + " lacks \"" + step.textContains + "\"";
  }
  for (const auto& [id, text] : step.expectTexts) {
    const std::string shown = e2e::ControlText(dialog, id);
    if (shown != text) {
      return "control " + std::to_string(id) + " of " + Describe(dialog) + " shows \"" + shown +
             "\", expected \"" + text + "\"";
    }
  }
  return "";
}

// Empty when the click did to the dialog what the step says, else what went wrong.
std::string CheckOutcome(e2e::SetupSession& session, HWND dialog, const e2e::DialogStep& step,
                         DWORD deadline) {
  switch (step.outcome) {
    case e2e::Outcome::kCloses:
      if (!session.WaitUntilGone(dialog, deadline)) return Describe(dialog) + " stayed open";
      return "";
    case e2e::Outcome::kLeavesOpen:
      return "";
    case e2e::Outcome::kRefuses: {
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

bool PlayStep(e2e::SetupSession& session, const e2e::DialogStep& step, DWORD deadline) {
  HWND dialog = session.WaitForDialog(step.caption, deadline);
  if (dialog == nullptr) {
    HWND shown = session.VisibleDialog();
    return Fail(session, "no dialog \"" + step.caption + "\" appeared" +
                             (shown != nullptr ? "; showing " + Describe(shown) : ""));
  }
  std::string problem = CheckShown(dialog, step);
  if (!problem.empty()) return Fail(session, problem);
  for (const auto& [id, text] : step.editTexts) e2e::SetControlText(dialog, id, text);
  for (const auto& [id, text] : step.typedTexts) e2e::TypeText(dialog, id, text);
  e2e::ClickButton(dialog, step.clickId);
  problem = CheckOutcome(session, dialog, step, deadline);
  if (!problem.empty()) return Fail(session, "after clicking " + std::to_string(step.clickId) + ": " + problem);
  std::printf("  %s: clicked %d\n", step.caption.c_str(), step.clickId);
  return true;
}

bool Play(const e2e::Scenario& scenario, const std::string& setup, DWORD seconds) {
  if (scenario.prepare) scenario.prepare();
  e2e::SetupSession session;
  if (!session.Start(setup)) {
    std::printf("FAILED: cannot start %s (error %lu)\n", setup.c_str(), GetLastError());
    return false;
  }
  const DWORD deadline = GetTickCount() + seconds * 1000;
  for (const e2e::DialogStep& step : scenario.steps) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  HWND unexpected = nullptr;
  if (!session.WaitForExit(deadline, &unexpected)) {
    return Fail(session, unexpected != nullptr ? "unexpected dialog " + Describe(unexpected)
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

}  // namespace

// "all" plays every scenario in turn and fails when any fails.
int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: %s SCENARIO|all SETUP_EXE [TIMEOUT_SECONDS]\n", argv[0]);
    return 2;
  }
  const std::string name = argv[1];
  const std::vector<std::string> names =
      name == "all" ? e2e::ScenarioNames() : std::vector<std::string>{name};
  const DWORD seconds = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 60;
  int failures = 0;
  for (const std::string& each : names) {
    const e2e::Scenario* scenario = e2e::FindScenario(each);
    if (scenario == nullptr) {
      std::printf("unknown scenario %s\n", each.c_str());
      return 2;
    }
    std::printf("scenario %s\n", each.c_str());
    if (!Play(*scenario, WindowsPath(argv[2]), seconds)) ++failures;
  }
  std::printf("%d passed, %d failed\n", static_cast<int>(names.size()) - failures, failures);
  return failures == 0 ? 0 : 1;
}
