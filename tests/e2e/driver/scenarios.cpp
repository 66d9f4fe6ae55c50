// The scripted runs the driver knows, by name.
#include <windows.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "scenario.h"

namespace e2e {
namespace {

constexpr int kOk = 1, kCancel = 2, kYes = 6, kNo = 7;
constexpr int kDestinationEdit = 104;
constexpr char kMain[] = "Destination Directory";
constexpr char kLicense[] = "License Agreement";
constexpr char kDefaultFolder[] = "C:\\Program Files\\Kestrelon";
// A folder the scenarios make (and remove again before they start).
constexpr char kTestFolder[] = "C:\\KQM E2E";
constexpr char kMakerKey[] = "Software\\Quillmarsh\\Kestrelon";

std::string WinInitPath() {
  char folder[MAX_PATH];
  return std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH)) + "\\WinInit.Ini";
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetRegisteredFolder(const char* folder) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kMakerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (folder != nullptr) {
    RegSetValueExA(key, "RegDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>(lstrlenA(folder) + 1));
  } else {
    RegDeleteValueA(key, "RegDir");
  }
  RegCloseKey(key);
}

// Every scenario starts from the same machine: no RegDir, no folders of earlier runs.
void PrepareMachine() {
  SetRegisteredFolder(nullptr);
  RemoveDirectoryA(kDefaultFolder);
  RemoveDirectoryA(kTestFolder);
  DeleteFileA(WinInitPath().c_str());
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

std::string CheckNothingCreated() {
  if (FolderExists(kDefaultFolder)) return std::string(kDefaultFolder) + " was created";
  if (FolderExists(kTestFolder)) return std::string(kTestFolder) + " was created";
  return CheckWinInitStartsWithRename();
}

// ---- Steps ----

DialogStep Click(const std::string& caption, int id, Outcome outcome = Outcome::kCloses) {
  DialogStep step;
  step.caption = caption;
  step.clickId = id;
  step.outcome = outcome;
  return step;
}

DialogStep ExitQuestion(int answer) {
  DialogStep step = Click("Exit Kestrelon!", answer);
  step.textContains = "Do you really want to terminate the Setup program?";
  return step;
}

DialogStep Terminated() {
  DialogStep step = Click("Kestrelon!", kOk);
  step.textContains = "The Installation process has been terminated.";
  return step;
}

// The destination edit has ES_UPPERCASE: it holds capitals also of the text
// the dialog sets into it.
DialogStep MainShows(const std::string& folder) {
  DialogStep step = Click(kMain, kCancel, Outcome::kLeavesOpen);
  std::string capitals = folder;
  CharUpperBuffA(capitals.data(), static_cast<DWORD>(capitals.size()));
  step.expectTexts = {{kDestinationEdit, capitals}};
  return step;
}

DialogStep MainRefuses(const std::string& text) {
  DialogStep step = Click(kMain, kOk, Outcome::kRefuses);
  step.editTexts = {{kDestinationEdit, text}};
  return step;
}

// ---- Scenarios ----

// MAIN offers the Program Files folder; Cancel and Yes end the run with the
// abort message and nothing made but WinInit.Ini.
Scenario Smoke() {
  Scenario s;
  s.name = "smoke";
  s.exitCode = kCancelled;
  s.prepare = PrepareMachine;
  s.steps = {MainShows(kDefaultFolder), ExitQuestion(kYes), Terminated()};
  s.verify = CheckNothingCreated;
  return s;
}

Scenario RegisteredFolder() {
  Scenario s;
  s.name = "registered_folder";
  s.exitCode = kCancelled;
  s.prepare = [] {
    PrepareMachine();
    SetRegisteredFolder("D:\\Games\\Kestrel");
  };
  s.steps = {MainShows("D:\\Games\\Kestrel"), ExitQuestion(kYes), Terminated()};
  s.verify = [] {
    SetRegisteredFolder(nullptr);
    return CheckNothingCreated();
  };
  return s;
}

// Bad texts keep MAIN open without a word; No to the exit question keeps it too.
Scenario MainRefusals() {
  Scenario s;
  s.name = "main_refusals";
  s.exitCode = kCancelled;
  s.prepare = PrepareMachine;
  s.steps = {MainRefuses("1:\\X"),
             MainRefuses("\\\\SERVER\\SHARE"),
             MainRefuses("C"),
             MainRefuses(""),
             MainRefuses(std::string(kTestFolder) + "\\TWO LEVELS"),
             Click(kMain, kCancel, Outcome::kLeavesOpen),
             ExitQuestion(kNo),
             Click(kMain, kCancel, Outcome::kLeavesOpen),
             ExitQuestion(kYes),
             Terminated()};
  s.verify = CheckNothingCreated;
  return s;
}

// Typed lower-case letters arrive as capitals; the folder is made; LICENSE's
// Exit and Yes end the run.
Scenario TypedFolderThenLicenseExit() {
  Scenario s;
  s.name = "license_exit";
  s.exitCode = kCancelled;
  s.prepare = PrepareMachine;
  DialogStep typed = Click(kMain, kOk);
  typed.typedTexts = {{kDestinationEdit, "c:\\kqm e2e"}};
  DialogStep license = Click(kLicense, kCancel, Outcome::kLeavesOpen);
  license.expectTexts = {{kOk, "I Agree"}};
  s.steps = {typed, license, ExitQuestion(kYes), Terminated()};
  s.verify = [] {
    if (!FolderExists(kTestFolder)) return std::string(kTestFolder) + " was not made";
    RemoveDirectoryA(kTestFolder);
    return CheckWinInitStartsWithRename();
  };
  return s;
}

// "I Agree" leads on to the copy pass. The plain build carries no package
// directory, so the pass refuses it and the run is abandoned.
Scenario LicenseAgreed() {
  Scenario s;
  s.name = "license_agreed";
  s.exitCode = kFailed;
  s.prepare = PrepareMachine;
  DialogStep main = Click(kMain, kOk);
  main.editTexts = {{kDestinationEdit, kTestFolder}};
  DialogStep noPackage = Click("Kestrelon!", kOk);
  noPackage.textContains = "package directory";
  s.steps = {main, Click(kLicense, kOk), noPackage, Terminated()};
  s.verify = [] {
    const bool made = FolderExists(kTestFolder);
    RemoveDirectoryA(kTestFolder);
    return made ? CheckWinInitStartsWithRename() : std::string(kTestFolder) + " was not made";
  };
  return s;
}

const std::vector<Scenario>& AllScenarios() {
  static const std::vector<Scenario> scenarios = [] {
    std::vector<Scenario> all = {Smoke(), RegisteredFolder(), MainRefusals(),
                                 TypedFolderThenLicenseExit(), LicenseAgreed()};
    for (Scenario& each : InstallScenarios()) all.push_back(std::move(each));
    for (Scenario& each : SmallDriveScenarios()) all.push_back(std::move(each));
    for (Scenario& each : CommandLineScenarios()) all.push_back(std::move(each));
    for (Scenario& each : UninstallScenarios()) all.push_back(std::move(each));
    return all;
  }();
  return scenarios;
}

}  // namespace

const Scenario* FindScenario(const std::string& name) {
  for (const Scenario& scenario : AllScenarios()) {
    if (scenario.name == name) return &scenario;
  }
  return nullptr;
}

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const Scenario& scenario : AllScenarios()) names.push_back(scenario.name);
  return names;
}

}  // namespace e2e
