// Drives the setup program through a named scenario and reports the outcome.
// Usage: qm_e2e_driver SCENARIO SETUP_EXE [TIMEOUT_SECONDS]
// The exit code is 0 when the run went as scripted, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

bool PlayStep(e2e::SetupSession& session, const e2e::DialogStep& step, DWORD deadline) {
  HWND dialog = session.WaitForDialog(deadline);
  if (dialog == nullptr) return Fail(session, "no dialog \"" + step.caption + "\" appeared");
  if (e2e::WindowText(dialog) != step.caption) {
    return Fail(session, "expected \"" + step.caption + "\", saw " + Describe(dialog));
  }
  if (e2e::MessageBoxText(dialog).find(step.textContains) == std::string::npos) {
    return Fail(session, "text of " + Describe(dialog) + " lacks \"" + step.textContains + "\"");
  }
  for (const auto& [id, text] : step.editTexts) e2e::SetControlText(dialog, id, text);
  e2e::ClickButton(dialog, step.clickId);
  if (!session.WaitUntilGone(dialog, deadline)) {
    return Fail(session, Describe(dialog) + " stayed open after the click");
  }
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

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: %s SCENARIO SETUP_EXE [TIMEOUT_SECONDS]\n", argv[0]);
    return 2;
  }
  const e2e::Scenario* scenario = e2e::FindScenario(argv[1]);
  if (scenario == nullptr) {
    std::printf("unknown scenario %s\n", argv[1]);
    return 2;
  }
  const DWORD seconds = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 60;
  return Play(*scenario, WindowsPath(argv[2]), seconds) ? 0 : 1;
}
