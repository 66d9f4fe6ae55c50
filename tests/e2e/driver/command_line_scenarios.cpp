// Runs of the setup with switches: silent installations of the test media,
// which must never show a window of any kind, end with the exit code of what
// happened and leave their log; refused switches, silent and on the screen;
// and a run on the screen that writes the same kind of log.
#include <windows.h>

#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "scenario.h"

namespace e2e {
namespace {

constexpr char kSilentFolder[] = "C:\\Silent Folder";
constexpr char kLog[] = "C:\\install.log";
constexpr char kSilentRun[] = "/S /D=C:\\Silent Folder /LOG=C:\\install.log";
constexpr char kOldProgram[] = "the main program of the silent installation before";
// A folder the refused command lines name; they must not make it.
constexpr char kUntouched[] = "C:\\KQM E2E";

std::string InSilentFolder(const std::string& name) {
  return std::string(kSilentFolder) + "\\" + name;
}
std::string WinInitPath() { return WindowsFolder() + "\\WinInit.Ini"; }
std::string StagedVolume(int volume) {
  return std::string(kDisksFolder) + "\\Kestreln.00" + std::to_string(volume);
}

// Empty when the log holds lines containing each text (letter case aside),
// in this order; else the first text it lacks.
std::string CheckLog(const std::string& path, const std::vector<std::string>& texts) {
  const std::vector<std::string> lines = TextLines(path);
  if (lines.empty()) return "no log " + path;
  size_t line = 0;
  for (const std::string& text : texts) {
    while (line < lines.size() && Capitals(lines[line]).find(Capitals(text)) == std::string::npos) {
      ++line;
    }
    if (line == lines.size()) return "the log " + path + " lacks (in its order) \"" + text + "\"";
    ++line;
  }
  return "";
}

std::string Both(const std::string& first, const std::string& second) {
  return first.empty() ? second : first;
}

// What the log of a whole installation from the test media holds, up to the
// closing question: the command line, the destination, each volume checked,
// each file placed.
std::vector<std::string> InstallationLines(const std::string& commandLine,
                                           const std::string& destination) {
  std::vector<std::string> lines = {"command line: " + commandLine,
                                    "Dialog Main ended with 1; destination folder " + destination,
                                    "the licence agreement is accepted"};
  for (int volume = 1; volume <= VolumeCount(TestMedia()); ++volume) {
    lines.push_back(StagedVolume(volume) + ": " +
                    std::to_string(FileContents(MediaVolume(TestMedia(), volume))->size()) +
                    " bytes read, size and CRC-32 checked");
  }
  lines.push_back("Decoded ");
  for (const std::string& name : ProductFiles(TestMedia())) {
    lines.push_back((IsHelpFile(name) ? "Placed " + PlaceOf(destination, name)
                                      : "Placed " + destination + "\\" + name) +
                    " (");
  }
  lines.push_back("Uninstall entry ");
  return lines;
}

void PrepareSilentInstall(bool allVolumes) {
  PrepareInstall(TestMedia(), allVolumes);
  DeleteTree(kSilentFolder);
  DeleteFileA(kLog);
}

Scenario Silent(const std::string& name) {
  Scenario s;
  s.name = name;
  s.installs = true;
  s.windowless = true;
  s.arguments = kSilentRun;
  return s;
}

// Every volume beside setup.exe: the product in place, exit code 0.
Scenario SilentInstallation() {
  Scenario s = Silent("install_silent");
  s.prepare = [] { PrepareSilentInstall(true); };
  s.verify = [] {
    std::vector<std::string> lines = InstallationLines(kSilentRun, "C:\\SILENT FOLDER");
    lines.push_back(
        "successfully installed. / Do you wish to run Kestrelon!? -> No (given by the "
        "silent run)");
    lines.push_back("Exit code 0");
    return Both(CheckInstalled(TestMedia(), true, kSilentFolder), CheckLog(kLog, lines));
  };
  return s;
}

HANDLE heldProgram = INVALID_HANDLE_VALUE;

// Once more over the first silent installation while its main program runs:
// the new one waits for the next start of Windows, so the exit code is 3010,
// and Windows is not restarted; after Wine's restart it is in place.
Scenario SilentInstallationOverRunningProgram() {
  Scenario s = Silent("install_silent_over_in_use");
  s.playedBefore = {"install_silent"};
  s.exitCode = kRestartNeeded;
  s.prepare = [] {
    DeleteFileA(kLog);
    WriteWholeFile(InSilentFolder("Kestreln.Exe"), kOldProgram);
    heldProgram = CreateFileA(InSilentFolder("Kestreln.Exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  };
  s.verify = [] {
    const std::string newProgram = ProductFile(TestMedia(), "Kestreln.Exe");
    std::string problem =
        CheckLog(kLog, {"Waits for the next start of Windows: C:\\SILENT FOLDER\\Kestreln.Exe",
                        "Reboot Windows? -> No (given by the silent run)", "Exit code 3010"});
    if (FileContents(InSilentFolder("Kestreln.$$$")) != FileContents(newProgram)) {
      problem = Both(problem, "the new main program does not wait as Kestreln.$$$");
    }
    if (FileContents(InSilentFolder("Kestreln.Exe")) != kOldProgram) {
      problem = Both(problem, "the running main program was changed");
    }
    CloseHandle(heldProgram);
    heldProgram = INVALID_HANDLE_VALUE;
    if (!problem.empty()) return problem;
    if (!RunAndWait("wineboot.exe -r", 60000)) return std::string("wineboot -r did not run");
    if (FileContents(InSilentFolder("Kestreln.Exe")) != FileContents(newProgram)) {
      return std::string("the new main program is not in place after the restart");
    }
    return std::string();
  };
  return s;
}

// Volume 2 is not beside setup.exe: exit code 1, the log names the volume,
// and nothing of the run is left.
Scenario SilentInstallationWithoutVolume2() {
  Scenario s = Silent("install_silent_missing_volume");
  s.exitCode = kFailed;
  s.prepare = [] {
    PrepareSilentInstall(true);
    DeleteFileA(StagedVolume(2).c_str());
  };
  s.verify = [] {
    std::string problem =
        CheckLog(kLog, {"Volume 2 is not at " + StagedVolume(2),
                        "Please Insert Disk number 2 -> Cancel (given by the silent run)",
                        "Package file deleted", "The Installation process has been terminated.",
                        "Exit code 1"});
    const std::vector<std::string> left = FilesIn(kSilentFolder);
    if (!left.empty()) problem = Both(problem, left.front() + " was left in the destination");
    if (TextLines(WinInitPath()) != std::vector<std::string>{"[Rename]"}) {
      problem = Both(problem, "WinInit.Ini holds more than [Rename]");
    }
    if (RegistryString(HKEY_LOCAL_MACHINE,
                       "Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!",
                       "DisplayName")) {
      problem = Both(problem, "an uninstall entry was written");
    }
    return problem;
  };
  return s;
}

// The same installation on the screen, with a log of the same kind.
Scenario InstallationWithLog() {
  Scenario s;
  s.name = "install_window_log";
  s.installs = true;
  s.arguments = "/LOG=C:\\window.log";
  s.prepare = [] {
    PrepareInstall(TestMedia(), true);
    DeleteFileA("C:\\window.log");
  };
  s.steps = Join({UpToCopy(), AfterUnpack(), {SuccessQuestion(kNo)}});
  s.verify = [] {
    std::vector<std::string> lines =
        InstallationLines("/LOG=C:\\window.log", Capitals(kInstallFolder));
    lines.push_back("successfully installed. / Do you wish to run Kestrelon!? -> No");
    lines.push_back("Exit code 0");
    return Both(CheckInstalled(TestMedia(), true), CheckLog("C:\\window.log", lines));
  };
  return s;
}

// A refused switch: nothing is done, not even WinInit.Ini is written.
std::string CheckNothingDone() {
  if (FolderExists(kUntouched)) return std::string(kUntouched) + " was made";
  if (FileExists(WinInitPath())) return std::string("WinInit.Ini was written");
  return "";
}

void PrepareRefusal() {
  RemoveDirectoryA(kUntouched);
  DeleteFileA(WinInitPath().c_str());
  DeleteFileA(kLog);
}

Scenario SilentRefusal() {
  Scenario s;
  s.name = "bad_switch_silent";
  s.windowless = true;
  s.exitCode = kBadCommandLine;
  s.arguments = "/S /LOG=C:\\install.log /FOO /D=C:\\KQM E2E";
  s.prepare = PrepareRefusal;
  s.verify = [] {
    return Both(CheckNothingDone(),
                CheckLog(kLog, {"The switch \"/FOO\" is not known.", "Exit code 2"}));
  };
  return s;
}

Scenario WindowRefusal() {
  Scenario s;
  s.name = "bad_switch_window";
  s.exitCode = kBadCommandLine;
  s.arguments = "/GROUP=Tools /FOO /D=C:\\KQM E2E";
  s.prepare = PrepareRefusal;
  DialogStep refused;
  refused.caption = "Kestrelon!";
  refused.textContains = "The switch \"/FOO\" is not known.";
  refused.clickId = kOk;
  s.steps = {refused};
  s.verify = CheckNothingDone;
  return s;
}

}  // namespace

std::vector<Scenario> CommandLineScenarios() {
  return {SilentInstallation(),
          SilentInstallationOverRunningProgram(),
          SilentInstallationWithoutVolume2(),
          InstallationWithLog(),
          SilentRefusal(),
          WindowRefusal()};
}

}  // namespace e2e
