#include "setup/integration_actions.h"

#include "setup/failure_text.h"
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
void CopyLogged(Setup& setup, const std::string& what, const std::string& source,
                const std::string& target, bool failIfExists) {
  const bool copied = setup.os.Copy(source, target, failIfExists);
  setup.log.Write(what + ": " + source + " to " + target + ": " +
                  (copied ? "copied" : "not copied, " + CopyFailure(setup.os, source, target)));
}

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
  if (!shortPath) {
    return setup.log.Write("Shell not replaced: " + program + " has no short path; it is missing");
  }
  const std::string systemIni = JoinPath(setup.state.windowsFolder, "SYSTEM.INI");
  const bool written = setup.os.WriteIniString("Boot", "Shell", *shortPath, systemIni);
  setup.log.Write(
      "Shell: [Boot] Shell=" + *shortPath + " in " + systemIni + ": " +
      (written ? "written"
               : "not written, " + FailureReason(setup.os, systemIni, setup.os.LastError())));
}

void ReplaceWindowsNtShell(Setup& setup) {
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
}

void WriteUninstallEntry(Setup& setup) {
  TRegIniFile uninstall(setup.os, kUninstallKey);
  uninstall.SetRootKey(kHkeyLocalMachine);
  const std::string& name = setup.product.displayName;
  uninstall.WriteString(name, "DisplayName", name);
  const std::string uninstaller = JoinPath(setup.state.destinationFolder, "UnInstal.Exe");
  uninstall.WriteString(name, "UnInstallString", uninstaller);
  setup.log.Write("Uninstall entry HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + "\\" +
                  name + " written: UnInstallString " + uninstaller);
}

void InstallDriver(Setup& setup) {
  const std::string source =
      ShortOrLong(setup.os, JoinPath(setup.state.destinationFolder, kDriverName));
  const std::string target =
      JoinPath(JoinPath(setup.state.windowsFolder, "System32\\Drivers"), kDriverName);
  CopyLogged(setup, "Driver", source, target, true);
}

void SwapTaskManager(Setup& setup) {
  const std::string& windows = setup.state.windowsFolder;
  const std::string& destination = setup.state.destinationFolder;
  // A copy saved by an earlier installation is the original Windows one: keep it.
  CopyLogged(setup, "Windows Task Manager saved", JoinPath(windows, kTaskManager),
             JoinPath(windows, kSavedTaskManager), true);
  CopyLogged(setup, "Task Manager replaced", JoinPath(destination, kTaskManager),
             JoinPath(windows, kTaskManager), false);
  const std::string registration = JoinPath(destination, "Kestreln.Reg");
  const std::string copy = JoinPath(destination, "Kestreln1.Reg");
  CopyLogged(setup, "Registration copied", registration, copy, true);
  const auto shortCopy = setup.os.ShortPath(copy);
  const std::string target = JoinPath(windows, "Kestreln.Reg");
  const std::string source = shortCopy ? *shortCopy : registration;
  setup.winInit.AddRenameLine(target, source);
  setup.log.Write("WinInit.Ini line " + target + "=" + source + " added");
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
