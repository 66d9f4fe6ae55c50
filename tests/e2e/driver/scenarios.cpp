// The scripted runs the driver knows, by name.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "scenario.h"

namespace e2e {
namespace {

std::string WinInitPath() {
  char folder[MAX_PATH];
  return std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH)) + "\\WinInit.Ini";
}

// Empty when WinInit.Ini exists and starts with the "[Rename]" line.
std::string CheckWinInitStartsWithRename() {
  std::ifstream file(WinInitPath(), std::ios::binary);
  if (!file) return WinInitPath() + " was not created";
  std::string firstLine;
  std::getline(file, firstLine);
  if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
  if (firstLine != "[Rename]") return "first line of WinInit.Ini is \"" + firstLine + "\"";
  return "";
}

// Without dialog templates the setup stops silently after start-up, leaving
// only the WinInit.Ini it created.
Scenario Smoke() {
  Scenario smoke;
  smoke.name = "smoke";
  smoke.prepare = [] { DeleteFileA(WinInitPath().c_str()); };
  smoke.exitCode = 0;
  smoke.verify = CheckWinInitStartsWithRename;
  return smoke;
}

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> scenarios = {Smoke()};
  return scenarios;
}

}  // namespace

const Scenario* FindScenario(const std::string& name) {
  for (const Scenario& scenario : AllScenarios()) {
    if (scenario.name == name) return &scenario;
  }
  return nullptr;
}

}  // namespace e2e
