#include "uninstall/machine_places.h"

#include <algorithm>

#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kLocalMachine[] = "HKEY_LOCAL_MACHINE";
constexpr char kCurrentUser[] = "HKEY_CURRENT_USER";
constexpr char kUninstallKey[] = "Software\\microsoft\\windows\\currentversion\\uninstall";
constexpr char kWindowsNtKey[] = "Software\\microsoft\\windows nt\\currentversion";

// The path and every level above it, the topmost first.
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> levels;
  for (auto slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    levels.push_back(path.substr(0, slash));
  }
  levels.push_back(path);
  return levels;
}

bool SameKey(const KeyPath& a, const KeyPath& b) {
  return a.root == b.root && UpperCase(a.path) == UpperCase(b.path);
}

}  // namespace

std::string KeyText(const KeyPath& key) {
  return std::string(key.root == kHkeyLocalMachine ? kLocalMachine : kCurrentUser) + "\\" +
         key.path;
}

std::optional<KeyPath> ParseKeyText(const std::string& text) {
  const auto slash = text.find('\\');
  if (slash == std::string::npos || slash + 1 == text.size()) return std::nullopt;
  const std::string root = UpperCase(text.substr(0, slash));
  KeyPath key;
  if (root == kLocalMachine) {
    key.root = kHkeyLocalMachine;
  } else if (root == kCurrentUser) {
    key.root = kHkeyCurrentUser;
  } else {
    return std::nullopt;
  }
  key.path = text.substr(slash + 1);
  return key;
}

KeyPath UninstallEntryKey(const std::string& displayName) {
  return {kHkeyLocalMachine, std::string(kUninstallKey) + "\\" + displayName};
}

KeyPath WinlogonKey() { return {kHkeyLocalMachine, std::string(kWindowsNtKey) + "\\Winlogon"}; }

// The maker's key (the destination dialog), the Start menu's (the shortcut),
// the uninstall key under both roots (its registry object opens the path
// under HKEY_CURRENT_USER first), the entry itself, and Windows NT's key
// under both roots with Winlogon (the shell).
std::vector<KeyPath> KeysTheSetupMayCreate(const std::string& displayName) {
  const std::vector<KeyPath> opened = {
      {kHkeyCurrentUser, "Software\\Quillmarsh"},
      {kHkeyCurrentUser, "Software\\microsoft\\windows\\currentversion\\explorer"},
      {kHkeyCurrentUser, kUninstallKey},
      UninstallEntryKey(displayName),
      {kHkeyCurrentUser, kWindowsNtKey},
      WinlogonKey(),
  };
  std::vector<KeyPath> keys;
  for (const auto& key : opened) {
    for (const auto& level : Levels(key.path)) {
      const KeyPath each{key.root, level};
      const auto known = [&](const KeyPath& k) { return SameKey(k, each); };
      if (std::none_of(keys.begin(), keys.end(), known)) keys.push_back(each);
    }
  }
  return keys;
}

std::string TaskManagerPath(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, kTaskManagerName);
}

std::string SavedTaskManagerPath(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, kSavedTaskManagerName);
}

std::string RegistrationPath(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, kRegistrationName);
}

std::string DriverPath(const std::string& windowsFolder) {
  return JoinPath(JoinPath(windowsFolder, "System32\\Drivers"), kDriverName);
}

std::string HelpFolderOf(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, "Help");
}

std::string SystemIniPath(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, "SYSTEM.INI");
}

std::string WinInitPath(const std::string& windowsFolder) {
  return JoinPath(windowsFolder, "WinInit.Ini");
}

}  // namespace qm
