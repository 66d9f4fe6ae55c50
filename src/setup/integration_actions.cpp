#include "setup/integration_actions.h"

#include "setup/failure_text.h"
#include "setup/reg_ini_file.h"
#include "transport/path_helpers.h"
#include "uninstall/machine_places.h"

namespace qm {

namespace {

constexpr char kExplorerKey[] = "Software\\microsoft\\windows\\currentversion\\explorer";
constexpr char kUninstallKey[] = "Software\\microsoft\\windows\\currentversion\\uninstall";
constexpr char kWindowsNtKey[] = "Software\\microsoft\\windows nt\\currentversion";
// The shell's file name as each Windows version is given it.
constexpr char kWindows95ShellProgram[] = "Kestreln.EXE";
constexpr char kWindowsNtShellProgram[] = "Kestreln.Exe";
constexpr size_t kLongestLinkPath = 254;
constexpr int kShowNormal = 1;
constexpr int kShow = 5;

// Why a copy of the finishing actions did not happen, for the log.
std::string CopyFailure(Platform& os, const std::string& source, const std::string& target) {
  const uint32_t error = os.LastError();
  if (error == kErrorFileExists || error == kErrorAlreadyExists) {
    return target + " is there already";
  }
  if (error == kErrorFileNotFound) return source + " does not exist";
  return FailureReason(os, target, error);
}

// CopyFileA, its result written to the log after what the copy is for.
bool CopyLogged(Setup& setup, const std::string& what, const std::string& source,
                const std::string& target, bool failIfExists) {
  const bool copied = setup.os.Copy(source, target, failIfExists);
  setup.log.Write(what + ": " + source + " to " + target + ": " +
                  (copied ? "copied" : "not copied, " + CopyFailure(setup.os, source, target)));
  return copied;
}

// The 8.3 form of a path, or the path itself when it has none.
std::string ShortOrLong(Platform& os, const std::string& path) {
  const auto shortPath = os.ShortPath(path);
  return shortPath ? *shortPath : path;
}

RecordEntry RecordLine(RecordItem item, const std::string& text) {
  RecordEntry entry;
  entry.item = item;
  entry.text = text;
  return entry;
}

// The earlier shell value, for the install record: `value`, or none.
RecordEntry EarlierShell(RecordItem item, const std::optional<std::string>& value) {
  RecordEntry entry = RecordLine(item, value.value_or(""));
  entry.absent = !value;
  return entry;
}

std::optional<std::string> WinlogonShell(Platform& os) {
  const KeyPath winlogon = WinlogonKey();
  const auto key = os.OpenKey(winlogon.root, winlogon.path);
  if (!key) return std::nullopt;
  const auto shell = os.QueryString(*key, kShellKey);
  os.CloseKey(*key);
  return shell;
}

std::string MainProgramPath(const Setup& setup) {
  return JoinPath(setup.state.destinationFolder,
                  ReplaceExtension(setup.product.mainProgram, ".Exe"));
}

// SYSTEM.INI takes the 8.3 path. Without one the program is not there, and
// Windows 95 would start without a shell: the old Shell line is left alone.
void ReplaceWindows95Shell(Setup& setup) {
  const std::string program = JoinPath(setup.state.destinationFolder, kWindows95ShellProgram);
  const auto shortPath = setup.os.ShortPath(program);
  if (!shortPath) {
    return setup.log.Write("Shell not replaced: " + program + " has no short path; it is missing");
  }
  const std::string systemIni = SystemIniPath(setup.state.windowsFolder);
  const auto earlier = setup.os.ReadIniString(kShellSection, kShellKey, systemIni);
  const bool written = setup.os.WriteIniString(kShellSection, kShellKey, *shortPath, systemIni);
  setup.log.Write(
      "Shell: [Boot] Shell=" + *shortPath + " in " + systemIni + ": " +
      (written ? "written"
               : "not written, " + FailureReason(setup.os, systemIni, setup.os.LastError())));
  if (written) setup.recorder.Note(EarlierShell(RecordItem::kSystemIniShell, earlier));
}

void ReplaceWindowsNtShell(Setup& setup) {
  setup.recorder.Note(EarlierShell(RecordItem::kWinlogonShell, WinlogonShell(setup.os)));
  TRegIniFile windowsNt(setup.os, kWindowsNtKey);
  windowsNt.SetRootKey(kHkeyLocalMachine);
  const std::string program = JoinPath(setup.state.destinationFolder, kWindowsNtShellProgram);
  windowsNt.WriteString("Winlogon", "Shell", program);
  setup.log.Write("Shell: Winlogon Shell set to " + program);
}

}  // namespace

void CreateShortcut(Setup& setup) {
  std::string programsFolder;
  {
    TRegIniFile explorer(setup.os, kExplorerKey);
    programsFolder = explorer.ReadString("Shell Folders", "programs", "");
  }
  setup.product.groupName += ".LNK";
  ShellLinkRequest link;
  link.target = MainProgramPath(setup);
  link.workingDirectory = setup.state.destinationFolder;
  link.showCommand = kShowNormal;
  link.linkFile = JoinPath(programsFolder, setup.product.groupName);
  // A longer path does not convert for the shell, so no shortcut can be saved.
  if (link.linkFile.size() > kLongestLinkPath) {
    return setup.log.Write("Shortcut not made: its path is longer than 254 characters: " +
                           link.linkFile);
  }
  const bool saved = setup.os.SaveShellLink(link);
  setup.log.Write("Shortcut " + link.linkFile + " to " + link.target + ": " +
                  (saved ? "saved" : "could not be saved"));
  if (saved) {
    setup.recorder.NoteStampedFile(setup.os, RecordItem::kShortcut, link.linkFile, link.linkFile);
  }
}

void WriteUninstallEntry(Setup& setup) {
  TRegIniFile uninstall(setup.os, kUninstallKey);
  uninstall.SetRootKey(kHkeyLocalMachine);
  const std::string& name = setup.product.displayName;
  uninstall.WriteString(name, "DisplayName", name);
  const std::string uninstaller = JoinPath(setup.state.destinationFolder, kUninstallerName);
  uninstall.WriteString(name, "UnInstallString", uninstaller);
  setup.log.Write("Uninstall entry HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + "\\" +
                  name + " written: UnInstallString " + uninstaller);
  setup.recorder.Note(RecordLine(RecordItem::kUninstallEntry, KeyText(UninstallEntryKey(name))));
}

void InstallDriver(Setup& setup) {
  const std::string source =
      ShortOrLong(setup.os, JoinPath(setup.state.destinationFolder, kDriverName));
  const std::string target = DriverPath(setup.state.windowsFolder);
  // A driver that was there already is Windows' own, and stays after an uninstall.
  if (!CopyLogged(setup, "Driver", source, target, true)) return;
  setup.recorder.NoteStampedFile(setup.os, RecordItem::kDriver, target, target);
}

void SwapTaskManager(Setup& setup) {
  Platform& os = setup.os;
  const std::string& windows = setup.state.windowsFolder;
  const std::string& destination = setup.state.destinationFolder;
  const std::string taskManager = TaskManagerPath(windows);
  const bool windowsHadOne = Exists(os, taskManager) == true;
  // A copy saved by an earlier installation is the original Windows one: keep it.
  CopyLogged(setup, "Windows Task Manager saved", taskManager, SavedTaskManagerPath(windows), true);
  if (CopyLogged(setup, "Task Manager replaced", JoinPath(destination, kTaskManagerName),
                 taskManager, false)) {
    setup.recorder.NoteStampedFile(
        os, windowsHadOne ? RecordItem::kTaskManager : RecordItem::kNewTaskManager, taskManager,
        taskManager);
  }
  const std::string registration = JoinPath(destination, kRegistrationName);
  const std::string copy = JoinPath(destination, "Kestreln1.Reg");
  if (CopyLogged(setup, "Registration copied", registration, copy, true)) {
    setup.recorder.Note(RecordLine(RecordItem::kFile, copy));
  }
  const auto shortCopy = os.ShortPath(copy);
  const std::string windowsCopy = RegistrationPath(windows);
  const std::string source = shortCopy ? *shortCopy : registration;
  // One that was there before the first installation stays after an uninstall.
  setup.recorder.NoteStampedFile(os, RecordItem::kRegistration, windowsCopy, source,
                                 Exists(os, windowsCopy) != false);
  setup.winInit.AddRenameLine(windowsCopy, source);
  setup.log.Write("WinInit.Ini line " + windowsCopy + "=" + source + " added");
}

void ReplaceShell(Setup& setup) {
  if (setup.state.versionInfo.platformId == kPlatformWin32Nt) {
    ReplaceWindowsNtShell(setup);
  } else {
    ReplaceWindows95Shell(setup);
  }
}

void RebootWindows(Setup& setup) {
  setup.winInit.Flush();
  setup.log.Write("Windows is asked to restart");
  setup.os.RequestReboot();
}

void RunProduct(Setup& setup) {
  setup.product.mainProgram = ReplaceExtension(setup.product.mainProgram, ".Exe");
  const std::string program = JoinPath(setup.state.destinationFolder, setup.product.mainProgram);
  setup.log.Write("Starting " + program);
  setup.os.StartProgram(setup.state.backdropWindow, program, setup.state.destinationFolder, kShow);
}

}  // namespace qm
