// The places outside the destination folder where the setup changes the
// machine, which the setup records and the uninstaller checks the record
// against: the Windows folder's files, the registry keys, the profile files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qm {

inline constexpr char kTaskManagerName[] = "TaskMan.Exe";
inline constexpr char kSavedTaskManagerName[] = "TaskMang.Exe";
inline constexpr char kRegistrationName[] = "Kestreln.Reg";
inline constexpr char kDriverName[] = "CTRLKN.SYS";
// The shell's program as SYSTEM.INI and Winlogon are given it.
inline constexpr char kShellProgramName[] = "Kestreln.Exe";
inline constexpr char kShellSection[] = "Boot";
inline constexpr char kShellKey[] = "Shell";

// A registry key: a root and a path below it.
struct KeyPath {
  RegKey root = kHkeyLocalMachine;
  std::string path;
};

// "HKEY_LOCAL_MACHINE\Software\..." and back; nothing for another root.
std::string KeyText(const KeyPath& key);
std::optional<KeyPath> ParseKeyText(const std::string& text);

// HKEY_LOCAL_MACHINE\Software\microsoft\windows\currentversion\uninstall\NAME.
KeyPath UninstallEntryKey(const std::string& displayName);
// HKEY_LOCAL_MACHINE\Software\microsoft\windows nt\currentversion\Winlogon.
KeyPath WinlogonKey();
// Every key that the setup opens with create-if-missing, and every level
// above them, parents before their subkeys.
std::vector<KeyPath> KeysTheSetupMayCreate(const std::string& displayName);

std::string TaskManagerPath(const std::string& windowsFolder);
std::string SavedTaskManagerPath(const std::string& windowsFolder);
std::string RegistrationPath(const std::string& windowsFolder);
std::string DriverPath(const std::string& windowsFolder);
std::string HelpFolderOf(const std::string& windowsFolder);
std::string SystemIniPath(const std::string& windowsFolder);
std::string WinInitPath(const std::string& windowsFolder);

}  // namespace qm
