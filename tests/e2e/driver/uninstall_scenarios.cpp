// Installations taken away again: the machine is pictured (drive C: with a
// hash of every file, the registry, SYSTEM.INI and WinInit.Ini) after a
// restart, the test product installed with both Windows components replaced,
// UnInstal.Exe run from the destination folder, Windows restarted, and the
// machine pictured again: nothing may differ but what its user made.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "machine_snapshot.h"
#include "scenario.h"

namespace e2e {
namespace {

constexpr int kIdReplaceTaskManagerBox = 103, kIdActiveDesktopBox = 104;
constexpr char kUserFile[] = "My Notes.Txt";
constexpr char kWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

MachineSnapshot machineBefore;
HANDLE heldProgram = INVALID_HANDLE_VALUE;

std::string Installed(const std::string& name) { return std::string(kInstallFolder) + "\\" + name; }
std::string Uninstaller() { return Installed("UnInstal.Exe"); }

std::string SnapshotFolder() {
  const std::string folder = MediaFolder() + "\\snapshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

bool Restart() { return RunAndWait("wineboot.exe -r", 120000).has_value(); }

DialogStep Click(const std::string& text, int id) {
  DialogStep step;
  step.caption = "Kestrelon!";
  step.textContains = text;
  step.clickId = id;
  return step;
}

DialogStep GroupAccepted() {
  DialogStep step;
  step.caption = "Program Group";
  return step;
}

// REPLACE with both of its boxes ticked.
DialogStep ReplaceBoth() {
  DialogStep step;
  step.caption = "Windows Interface";
  step.beforeClick = [] {
    HWND dialog = FindWindowA("#32770", "Windows Interface");
    for (const int box : {kIdReplaceTaskManagerBox, kIdActiveDesktopBox}) {
      SendMessageA(GetDlgItem(dialog, box), BM_SETCHECK, BST_CHECKED, 0);
    }
  };
  return step;
}

// The uninstaller's copy removes it, its record and the folder once it has ended.
bool WaitUntilUninstallerGone() {
  for (int waited = 0; waited < 600; ++waited) {
    if (!FileExists(Uninstaller()) && !FileExists(Installed("UnInstal.Rec"))) return true;
    Sleep(50);
  }
  return false;
}

std::string CheckReadyToRemove() {
  if (!FileExists(Installed("UnInstal.Rec"))) return "no install record was written";
  if (!FileExists(Uninstaller())) return "no UnInstal.Exe was installed";
  const auto shell = RegistryString(HKEY_LOCAL_MACHINE, kWinlogonKey, "Shell");
  if (Capitals(shell.value_or("")) != Capitals(Installed("Kestreln.Exe"))) {
    return "the shell is not the product's but " + shell.value_or("none");
  }
  return "";
}

// After a restart, the machine as it stands is the one to come back to.
Scenario InstallToRemove() {
  Scenario s;
  s.name = "install_to_uninstall";
  s.installs = true;
  s.prepare = [] {
    PrepareInstall(TestMedia(), true);
    // Earlier scenarios replaced the Task Manager with no record to undo it:
    // the machine to come back to starts without their saved copy, as one that
    // never had the product does.
    DeleteFileA((WindowsFolder() + "\\TaskMang.Exe").c_str());
    Restart();
    machineBefore = TakeSnapshot(SnapshotFolder());
  };
  s.steps = Join({UpToCopy(),
                  {GroupAccepted(), ReplaceBoth(), RebootQuestion(kNo),
                   Click("Do you wish to run Kestrelon!?", kNo)}});
  s.exitCode = kRestartNeeded;  // both Windows components replaced
  s.verify = CheckReadyToRemove;
  return s;
}

Scenario Uninstalling(const std::string& name) {
  Scenario s;
  s.name = name;
  s.installs = true;
  s.program = Uninstaller();
  s.playedBefore = {"install_to_uninstall"};
  return s;
}

// The helper's end and a restart, then the machine against the one before;
// `expected` lists the differences its user made.
std::string CheckMachineAfterRestart(const std::vector<std::string>& expected = {}) {
  if (!WaitUntilUninstallerGone()) return "UnInstal.Exe or its record is still there";
  if (!Restart()) return "wineboot -r did not run";
  const MachineSnapshot after = TakeSnapshot(SnapshotFolder());
  if (expected.empty()) return CompareWithBefore(machineBefore, after);
  std::printf("    differences expected: the user's own file and its folder\n");
  std::vector<std::string> differences = SnapshotDifferences(machineBefore, after);
  for (auto& difference : differences) {
    std::printf("      %s\n", difference.c_str());
    difference = Capitals(difference);  // the destination dialog wrote the folder in capitals
  }
  std::vector<std::string> wanted;
  for (const auto& each : expected) wanted.push_back(Capitals(each));
  return differences == wanted ? "" : "other differences than the user's file and folder";
}

Scenario UninstallWhole() {
  Scenario s = Uninstalling("uninstall_whole");
  s.steps = {Click("Remove Kestrelon! and all of its components?", kYes),
             Click("Kestrelon! has been removed from this computer.", kOk)};
  s.verify = [] { return CheckMachineAfterRestart(); };
  return s;
}

// A file the user made in the destination folder stays, and so does the folder.
Scenario UninstallBesideUserFile() {
  Scenario s = Uninstalling("uninstall_user_file");
  s.prepare = [] { WriteWholeFile(Installed(kUserFile), "the user's own notes"); };
  s.steps = UninstallWhole().steps;
  s.verify = [] {
    const std::string problem = CheckMachineAfterRestart(
        {"new file " + Installed(kUserFile), "new folder " + std::string(kInstallFolder)});
    DeleteTree(kInstallFolder);
    return problem;
  };
  return s;
}

// The main program in use: deleted at the restart, with its folder.
Scenario UninstallWhileRunning() {
  Scenario s = Uninstalling("uninstall_in_use");
  s.prepare = [] {
    heldProgram = CreateFileA(Installed("Kestreln.Exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  };
  s.steps = {Click("Remove Kestrelon! and all of its components?", kYes),
             Click("Reboot Windows?", kNo)};
  s.exitCode = kRestartNeeded;
  s.verify = [] {
    const bool waiting = FileExists(Installed("Kestreln.Exe"));
    CloseHandle(heldProgram);
    heldProgram = INVALID_HANDLE_VALUE;
    if (!waiting) return std::string("the program in use was deleted before the restart");
    return CheckMachineAfterRestart();
  };
  return s;
}

// ---- The demo: the installation disk by disk, then its removal ----

std::string DemoSnapshotFile() { return SnapshotFolder() + "\\before-demo.txt"; }

// The demo's installation, the machine pictured first into a file: the
// removal runs in another run of the driver, after the demo has shown what
// was installed.
Scenario DemoInstallation() {
  Scenario s;
  for (Scenario& each : InstallScenarios()) {
    if (each.name == "install_disk_by_disk") s = std::move(each);
  }
  s.name = "demo_install";
  s.prepare = [prepare = s.prepare] {
    prepare();
    Restart();
    SaveSnapshot(TakeSnapshot(SnapshotFolder()), DemoSnapshotFile());
  };
  // The diskettes put in during the installation come out of the drive again.
  s.verify = [verify = s.verify] {
    const std::string problem = verify();
    for (int volume = 2; volume <= VolumeCount(TestMedia()); ++volume) {
      DeleteFileA((std::string(kDisksFolder) + "\\Kestreln.00" + std::to_string(volume)).c_str());
    }
    return problem;
  };
  return s;
}

// The removal's progress is seen behind the question that its Cancel asks;
// No lets it go on.
Scenario DemoRemoval() {
  Scenario s = Uninstalling("demo_uninstall");
  s.playedBefore.clear();
  DialogStep cancel;
  cancel.caption = "Please Stand By...";
  cancel.textContains = "Removing the Kestrelon! files.";
  cancel.clickId = kCancel;
  cancel.outcome = Outcome::kLeavesOpen;
  cancel.watchClosely = true;
  DialogStep goOn;
  goOn.caption = "Exit Kestrelon!";
  goOn.textContains = "Do you really want to stop removing Kestrelon!?";
  goOn.clickId = kNo;
  s.steps = {Click("Remove Kestrelon! and all of its components?", kYes), cancel, goOn,
             Click("Kestrelon! has been removed from this computer.", kOk)};
  s.verify = [] {
    const auto before = LoadSnapshot(DemoSnapshotFile());
    if (!before) return "no picture of the machine before the installation in " + DemoSnapshotFile();
    machineBefore = *before;
    return CheckMachineAfterRestart();
  };
  return s;
}

}  // namespace

std::vector<Scenario> UninstallScenarios() {
  return {InstallToRemove(),       UninstallWhole(), UninstallBesideUserFile(),
          UninstallWhileRunning(), DemoInstallation(), DemoRemoval()};
}

}  // namespace e2e
