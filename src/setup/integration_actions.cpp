#include "setup/integration_actions.h"

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
  if (!shortPath) return;
  const std::string systemIni = SystemIniPath(setup.state.windowsFolder);
  const auto earlier = setup.os.ReadIniString(kShellSection, kShellKey, systemIni);
  if (!setup.os.WriteIniString(kShellSection, kShellKey, *shortPath, systemIni)) return;
  setup.recorder.Note(EarlierShell(RecordItem::kSystemIniShell, earlier));
}

void ReplaceWindowsNtShell(Setup& setup) {
  setup.recorder.Note(EarlierShell(RecordItem::kWinlogonShell, WinlogonShell(setup.os)));
  TRegIniFile windowsNt(setup.os, kWindowsNtKey);
  windowsNt.SetRootKey(kHkeyLocalMachine);
  windowsNt.WriteString("Winlogon", "Shell",
                        JoinPath(setup.state.destinationFolder, kWindowsNtShellProgram));
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
  if (link.linkFile.size() > kLongestLinkPath) return;
  if (!setup.os.SaveShellLink(link)) return;
  setup.recorder.NoteStampedFile(setup.os, RecordItem::kShortcut, link.linkFile, link.linkFile);
}

void WriteUninstallEntry(Setup& setup) {
  TRegIniFile uninstall(setup.os, kUninstallKey);
  uninstall.SetRootKey(kHkeyLocalMachine);
  const std::string& name = setup.product.displayName;
  uninstall.WriteString(name, "DisplayName", name);
  uninstall.WriteString(name, "UnInstallString",
                        JoinPath(setup.state.destinationFolder, kUninstallerName));
  setup.recorder.Note(RecordLine(RecordItem::kUninstallEntry, KeyText(UninstallEntryKey(name))));
}

void InstallDriver(Setup& setup) {
  const std::string source =
      ShortOrLong(setup.os, JoinPath(setup.state.destinationFolder, kDriverName));
  const std::string target = DriverPath(setup.state.windowsFolder);
  // A driver that was there already is Windows' own, and stays after an uninstall.
  if (!setup.os.Copy(source, target, true)) return;
  setup.recorder.NoteStampedFile(setup.os, RecordItem::kDriver, target, target);
}

void SwapTaskManager(Setup& setup) {
  Platform& os = setup.os;
  const std::string& windows = setup.state.windowsFolder;
  const std::string& destination = setup.state.destinationFolder;
  const std::string taskManager = TaskManagerPath(windows);
  const bool windowsHadOne = Exists(os, taskManager) == true;
  // A copy saved by an earlier installation is the original Windows one: keep it.
  os.Copy(taskManager, SavedTaskManagerPath(windows), true);
  if (os.Copy(JoinPath(destination, kTaskManagerName), taskManager, false)) {
    setup.recorder.NoteStampedFile(
        os, windowsHadOne ? RecordItem::kTaskManager : RecordItem::kNewTaskManager, taskManager,
        taskManager);
  }
  const std::string registration = JoinPath(destination, kRegistrationName);
  const std::string copy = JoinPath(destination, "Kestreln1.Reg");
  if (os.Copy(registration, copy, true)) setup.recorder.Note(RecordLine(RecordItem::kFile, copy));
  const auto shortCopy = os.ShortPath(copy);
  const std::string windowsCopy = RegistrationPath(windows);
  const std::string source = shortCopy ? *shortCopy : registration;
  // One that was there before the first installation stays after an uninstall.
  setup.recorder.NoteStampedFile(os, RecordItem::kRegistration, windowsCopy, source,
                                 Exists(os, windowsCopy) != false);
  setup.winInit.AddRenameLine(windowsCopy, source);
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
  setup.os.RequestReboot();
}

void RunProduct(Setup& setup) {
  setup.product.mainProgram = ReplaceExtension(setup.product.mainProgram, ".Exe");
  setup.os.StartProgram(setup.state.backdropWindow,
                        JoinPath(setup.state.destinationFolder, setup.product.mainProgram),
                        setup.state.destinationFolder, kShow);
}

}  // namespace qm
