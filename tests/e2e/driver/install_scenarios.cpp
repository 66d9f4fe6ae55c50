// Whole installations from media under Wine: the setup.exe and volumes that
// tests/e2e/install/make_media.sh builds are copied to C:\KQM Disks (all of
// them, or volume 1 alone for the disk prompts), the product goes to
// C:\KQM Install, and each scenario checks every file, key and line the run
// leaves, against the product folder the media were made from.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "scenario.h"

namespace e2e {
namespace {

constexpr char kUninstallKey[] =
    "Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!";
constexpr char kShellFoldersKey[] =
    "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders";
constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
constexpr char kWin95Key[] = "Software\\Wine\\AppDefaults\\setup.exe";
constexpr char kMakerKey[] = "Software\\Quillmarsh\\Kestrelon";
constexpr char kPackageFile[] = "Kestrelon._QM";
constexpr char kDriver[] = "CTRLKN.SYS";

std::string Installed(const std::string& name) { return std::string(kInstallFolder) + "\\" + name; }
std::string WinInitPath() { return WindowsFolder() + "\\WinInit.Ini"; }
std::string DriverPath() { return WindowsFolder() + "\\system32\\drivers\\" + kDriver; }
std::string ShortcutPath() {
  return RegistryString(HKEY_CURRENT_USER, kShellFoldersKey, "programs").value_or("") +
         "\\Kestrelon!.LNK";
}

// Where the unpack pass puts a product file: help files into Windows' Help folder.
std::string InstalledPlace(const std::string& name) { return PlaceOf(kInstallFolder, name); }

// Files an earlier installation and its user left in the destination folder:
// an abandoned run must leave every one of them as it was.
const std::vector<std::pair<std::string, std::string>>& EarlierFiles() {
  static const std::vector<std::pair<std::string, std::string>> files = {
      {"Kestreln.Exe", "the main program of an earlier installation"},
      {"Clipart.Lib", "the user's own clip art"},
      {"Notes.Txt", "the user's notes"}};
  return files;
}

// ---- Preparing the machine ----

// Takes away everything an installation leaves, so that each scenario starts
// from a machine that never saw the product.
void ForgetEarlierInstallations(const Media& media) {
  DeleteTree(kInstallFolder);
  for (const std::string& name : ProductFiles(media)) {
    if (IsHelpFile(name)) DeleteFileA(InstalledPlace(name).c_str());
  }
  DeleteFileA(ShortcutPath().c_str());
  DeleteFileA(DriverPath().c_str());
  DeleteFileA(WinInitPath().c_str());
  DeleteRegistryKey(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  DeleteRegistryKey(HKEY_CURRENT_USER, kWin95Key);
  DeleteRegistryValue(HKEY_CURRENT_USER, kMakerKey, "RegDir");
}

void SeedEarlierFiles() {
  CreateDirectoryA(kInstallFolder, nullptr);
  for (const auto& [name, contents] : EarlierFiles()) WriteWholeFile(Installed(name), contents);
}

// ---- Checks ----

std::string CheckWinInitHolds(const std::vector<std::string>& expected) {
  const std::vector<std::string> lines = TextLines(WinInitPath());
  if (lines == expected) return "";
  std::string shown;
  for (const std::string& line : lines) shown += " [" + line + "]";
  return "WinInit.Ini holds" + (shown.empty() ? std::string(" nothing") : shown);
}

std::string CheckSameFile(const std::string& installed, const std::string& original) {
  const auto got = FileContents(installed);
  if (!got) return installed + " is missing";
  if (got != FileContents(original)) return installed + " differs from " + original;
  return "";
}

std::string CheckNoPendingRenameOfTheRun() {
  for (const std::string& entry :
       RegistryStrings(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames)) {
    if (Capitals(entry).find("KQM") != std::string::npos) return "pending rename " + entry;
  }
  return "";
}

}  // namespace

void PrepareInstall(const Media& media, bool allVolumes) {
  ForgetEarlierInstallations(media);
  StageDisks(media, allVolumes);
}

std::string CheckInstalled(const Media& media, bool windowsNt, const std::string& destination) {
  for (const std::string& name : ProductFiles(media)) {
    std::string problem = CheckSameFile(PlaceOf(destination, name), ProductFile(media, name));
    if (!problem.empty()) return problem;
  }
  for (const std::string& name : FilesIn(destination)) {
    if (Capitals(name) == Capitals(kPackageFile)) return "the package file was left";
    if (Capitals(name).find(".$$$") != std::string::npos) return name + " was left";
  }
  if (!FileExists(ShortcutPath())) return "no shortcut " + ShortcutPath();
  if (RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName") != "Kestrelon!") {
    return "no uninstall entry with DisplayName Kestrelon!";
  }
  // The destination edit turns what it is given into capitals.
  const std::string uninstaller = Capitals(destination) + "\\UnInstal.Exe";
  if (RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UnInstallString") != uninstaller) {
    return "the uninstall entry does not name " + uninstaller;
  }
  if (windowsNt) {
    std::string problem = CheckSameFile(DriverPath(), ProductFile(media, kDriver));
    if (!problem.empty()) return problem;
  } else if (FileExists(DriverPath())) {
    return "the driver was copied on Windows 95";
  }
  std::string problem = CheckNoPendingRenameOfTheRun();
  return problem.empty() ? CheckWinInitHolds({"[Rename]"}) : problem;
}

namespace {

// An abandoned run: the destination holds what it held before, no more.
std::string CheckOnlyFilesBefore(const std::vector<std::pair<std::string, std::string>>& before) {
  std::vector<std::string> names = FilesIn(kInstallFolder);
  std::vector<std::string> expected;
  for (const auto& [name, contents] : before) {
    expected.push_back(name);
    if (FileContents(Installed(name)) != contents) return name + " was changed";
  }
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  if (names != expected) {
    std::string listed;
    for (const std::string& name : names) listed += " " + name;
    return "the destination holds" + (listed.empty() ? std::string(" nothing") : listed);
  }
  std::string problem = CheckNoPendingRenameOfTheRun();
  return problem.empty() ? CheckWinInitHolds({"[Rename]"}) : problem;
}

// ---- Scenarios ----

Scenario Installing(const std::string& name) {
  Scenario s;
  s.name = name;
  s.installs = true;
  return s;
}

// Every volume beside setup.exe: the whole product in place, on Windows NT.
Scenario FullInstallation() {
  Scenario s = Installing("install_full");
  s.prepare = [] { PrepareInstall(TestMedia(), true); };
  s.steps = Join({UpToCopy(), AfterUnpack(), {SuccessQuestion(kNo)}});
  s.verify = [] { return CheckInstalled(TestMedia(), true); };
  return s;
}

// The same on Windows 95: no driver in the NT drivers folder.
Scenario Windows95Installation() {
  Scenario s = Installing("install_win95");
  s.prepare = [] {
    PrepareInstall(TestMedia(), true);
    SetRegistryString(HKEY_CURRENT_USER, kWin95Key, "Version", "win95");
  };
  s.steps = Join({UpToCopy(), AfterUnpack(), {SuccessQuestion(kNo)}});
  s.verify = [] {
    DeleteRegistryKey(HKEY_CURRENT_USER, kWin95Key);
    return CheckInstalled(TestMedia(), false);
  };
  return s;
}

// Volume 1 alone beside setup.exe: OK without disk 2 gets the wrong-disk
// message; each later disk is put in when asked for. A Cancel during the copy
// of disk 2, answered No, changes nothing.
Scenario DiskSwapping() {
  Scenario s = Installing("install_disk_swap");
  s.prepare = [] { PrepareInstall(TestMedia(), false); };
  DialogStep disk2 = DiskPrompt(2, kOk);
  disk2.beforeClick = [] { PutVolume(TestMedia(), 2); };
  disk2.rightAfterClick = QueueProgressCancel;
  DialogStep disk3 = DiskPrompt(3, kOk);
  disk3.beforeClick = [] { PutVolume(TestMedia(), 3); };
  s.steps = Join({UpToCopy(),
                  {DiskPrompt(2, kOk), WrongDisk(), disk2, ExitQuestion(kNo), disk3},
                  AfterUnpack(),
                  {SuccessQuestion(kNo)}});
  s.verify = [] { return CheckInstalled(TestMedia(), true); };
  return s;
}

// The demo: volume 1 beside setup.exe and each later disk put in when it is
// asked for, so that the copy dialog is seen behind each prompt.
Scenario DiskByDisk() {
  Scenario s = Installing("install_disk_by_disk");
  s.prepare = [] { PrepareInstall(TestMedia(), false); };
  s.steps = UpToCopy();
  for (int disk = 2; disk <= VolumeCount(TestMedia()); ++disk) {
    DialogStep prompt = DiskPrompt(disk, kOk);
    prompt.beforeClick = [disk] { PutVolume(TestMedia(), disk); };
    s.steps.push_back(prompt);
  }
  s.steps = Join({s.steps, AfterUnpack(), {SuccessQuestion(kNo)}});
  s.verify = [] { return CheckInstalled(TestMedia(), true); };
  return s;
}

// Cancel at the prompt for disk 2 without the disk: the run is abandoned at
// once and its partial package file removed.
Scenario DiskPromptCancelled() {
  Scenario s = Installing("install_disk_cancel");
  s.exitCode = kCancelled;
  s.prepare = [] { PrepareInstall(TestMedia(), false); };
  s.steps = Join({UpToCopy(), {DiskPrompt(2, kCancel), Terminated()}});
  s.verify = [] { return CheckOnlyFilesBefore({}); };
  return s;
}

// Cancel and Yes during the copy of disk 2, over an earlier installation's files.
Scenario CopyCancelled() {
  Scenario s = Installing("install_copy_cancel");
  s.exitCode = kCancelled;
  s.prepare = [] {
    PrepareInstall(TestMedia(), false);
    SeedEarlierFiles();
  };
  DialogStep disk2 = DiskPrompt(2, kOk);
  disk2.beforeClick = [] { PutVolume(TestMedia(), 2); };
  disk2.rightAfterClick = QueueProgressCancel;
  s.steps = Join({UpToCopy(), {disk2, ExitQuestion(kYes), Terminated()}});
  s.verify = [] { return CheckOnlyFilesBefore(EarlierFiles()); };
  return s;
}

// Cancel during the decode, No, then Cancel again and Yes, over an earlier
// installation: the new main program (under its temporary name, since an
// earlier one is there) and its rename line are taken back, nothing is split.
Scenario DecodeCancelled() {
  Scenario s = Installing("install_decode_cancel");
  s.exitCode = kCancelled;
  s.prepare = [] {
    PrepareInstall(LongMedia(), true);
    SeedEarlierFiles();
  };
  DialogStep no = ExitQuestion(kNo);
  no.rightAfterClick = QueueProgressCancel;
  s.steps = Join({UpToCopy(), {CancelUnpack(), no, ExitQuestion(kYes), Terminated()}});
  s.verify = [] { return CheckOnlyFilesBefore(EarlierFiles()); };
  return s;
}

// A damaged volume 1 is refused with a message, a short volume 3 as the wrong
// disk; neither run reports success.
Scenario DamagedFirstVolume() {
  Scenario s = Installing("install_damaged_volume");
  s.exitCode = kFailed;
  s.prepare = [] {
    PrepareInstall(TestMedia(), true);
    DamageVolume(1);
  };
  s.steps = Join({UpToCopy(), {VolumeRefused(1), Terminated()}});
  s.verify = [] { return CheckOnlyFilesBefore({}); };
  return s;
}

Scenario TruncatedLastVolume() {
  Scenario s = Installing("install_truncated_volume");
  s.exitCode = kCancelled;
  s.prepare = [] {
    PrepareInstall(TestMedia(), true);
    TruncateVolume(3);
  };
  s.steps = Join({UpToCopy(), {WrongDisk(), DiskPrompt(3, kCancel), Terminated()}});
  s.verify = [] { return CheckOnlyFilesBefore({}); };
  return s;
}

// ---- A second installation while the first one's main program is running ----

constexpr char kOldProgram[] = "the main program of the first installation";
HANDLE heldProgram = INVALID_HANDLE_VALUE;

// The user's changes to the kept files, and the main program held open.
void UseFirstInstallation() {
  WriteWholeFile(Installed("Kestreln.Exe"), kOldProgram);
  WriteWholeFile(Installed("Clipart.Lib"), "the user's clip art");
  WriteWholeFile(Installed("Desktop.Dtp"), "the user's desktop");
  // As a running program's file is held: others may read it, not write it.
  heldProgram = CreateFileA(Installed("Kestreln.Exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
}

std::string ShortPath(const std::string& path) {
  char found[MAX_PATH] = "";
  const DWORD length = GetShortPathNameA(path.c_str(), found, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(found) : path;
}

std::string CheckWaitingForRestart(const Media& media) {
  const std::string waiting = Installed("Kestreln.$$$");
  std::string problem = CheckSameFile(waiting, ProductFile(media, "Kestreln.Exe"));
  if (!problem.empty()) return problem;
  if (FileContents(Installed("Kestreln.Exe")) != kOldProgram) return "the running program changed";
  if (FileContents(Installed("Clipart.Lib")) != "the user's clip art" ||
      FileContents(Installed("Desktop.Dtp")) != "the user's desktop") {
    return "a .LIB or .DTP file was overwritten";
  }
  problem = CheckWinInitHolds(
      {"[Rename]", ShortPath(Installed("Kestreln.Exe")) + "=" + ShortPath(waiting)});
  if (!problem.empty()) return problem;
  for (const std::string& entry :
       RegistryStrings(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames)) {
    if (Capitals(entry).find("KESTRELN.$$$") != std::string::npos) return "";
  }
  return "no pending rename of Kestreln.$$$";
}

// After Wine's restart the new main program is in place.
std::string CheckAfterRestart(const Media& media) {
  CloseHandle(heldProgram);
  heldProgram = INVALID_HANDLE_VALUE;
  if (!RunAndWait("wineboot.exe -r", 60000)) return "wineboot -r did not run";
  if (FileExists(Installed("Kestreln.$$$"))) return "Kestreln.$$$ is still there after the restart";
  return CheckSameFile(Installed("Kestreln.Exe"), ProductFile(media, "Kestreln.Exe"));
}

Scenario InstallOverRunningProgram() {
  Scenario s = Installing("install_over_in_use");
  s.exitCode = kRestartNeeded;
  s.playedBefore = {"install_full"};
  s.prepare = UseFirstInstallation;
  s.steps = Join({UpToCopy(), AfterUnpack(), {RebootQuestion(kNo)}});
  s.verify = [] {
    const std::string problem = CheckWaitingForRestart(TestMedia());
    return problem.empty() ? CheckAfterRestart(TestMedia()) : problem;
  };
  return s;
}

}  // namespace

std::vector<Scenario> InstallScenarios() {
  return {FullInstallation(),    Windows95Installation(), DiskSwapping(),  DiskByDisk(),
          DiskPromptCancelled(), CopyCancelled(),         DecodeCancelled(),
          DamagedFirstVolume(),  TruncatedLastVolume(),   InstallOverRunningProgram()};
}

}  // namespace e2e
