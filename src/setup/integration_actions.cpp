#include "setup/integration_actions.h"

#include "setup/reg_ini_file.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kExplorerKey[] = "Software\\microsoft\\windows\\currentversion\\explorer";
constexpr char kUninstallKey[] = "Software\\microsoft\\windows\\currentversion\\uninstall";
constexpr char kWindowsNtKey[] = "Software\\microsoft\\windows nt\\currentversion";
constexpr char kDriverName[] = "CTRLKN.SYS";
constexpr char kTaskManager[] = "TaskMan.Exe";
constexpr char kSavedTaskManager[] = "TaskMang.Exe";
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
  setup.os.WriteIniString("Boot", "Shell", *shortPath,
                          JoinPath(setup.state.windowsFolder, "SYSTEM.INI"));
}

void ReplaceWindowsNtShell(Setup& setup) {
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
  setup.os.SaveShellLink(link);
}

void WriteUninstallEntry(Setup& setup) {
  TRegIniFile uninstall(setup.os, kUninstallKey);
  uninstall.SetRootKey(kHkeyLocalMachine);
  const std::string& name = setup.product.displayName;
  uninstall.WriteString(name, "DisplayName", name);
  uninstall.WriteString(name, "UnInstallString",
                        JoinPath(setup.state.destinationFolder, "UnInstal.Exe"));
}

void InstallDriver(Setup& setup) {
  const std::string source =
      ShortOrLong(setup.os, JoinPath(setup.state.destinationFolder, kDriverName));
  const std::string target =
      JoinPath(JoinPath(setup.state.windowsFolder, "System32\\Drivers"), kDriverName);
  setup.os.Copy(source, target, true);
}

void SwapTaskManager(Setup& setup) {
  const std::string& windows = setup.state.windowsFolder;
  const std::string& destination = setup.state.destinationFolder;
  // A copy saved by an earlier installation is the original Windows one: keep it.
  setup.os.Copy(JoinPath(windows, kTaskManager), JoinPath(windows, kSavedTaskManager), true);
  setup.os.Copy(JoinPath(destination, kTaskManager), JoinPath(windows, kTaskManager), false);
  const std::string registration = JoinPath(destination, "Kestreln.Reg");
  const std::string copy = JoinPath(destination, "Kestreln1.Reg");
  setup.os.Copy(registration, copy, true);
  const auto shortCopy = setup.os.ShortPath(copy);
  setup.winInit.AddRenameLine(JoinPath(windows, "Kestreln.Reg"),
                              shortCopy ? *shortCopy : registration);
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
