#include "uninstall/record_check.h"

#include <algorithm>
#include <cstring>

#include "setup/failure_text.h"
#include "transport/path_helpers.h"
#include "uninstall/machine_places.h"

namespace qm {

namespace {

constexpr char kOutside[] = "it names a place that is not the setup's to change";

bool IsPathCharacter(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && std::strchr("/*?\"<>|:", c) == nullptr;
}

// "X:\" and names: no relative parts ("." and ".."), no empty names, none
// that Windows would shorten (a trailing dot or space), no wildcards.
bool IsPlainFullPath(const std::string& path) {
  if (path.size() < 4 || path.size() > kLongestPath || path[1] != ':' || path[2] != '\\') {
    return false;
  }
  const char drive = UpperCase(path.substr(0, 1))[0];
  if (drive < 'A' || drive > 'Z') return false;
  for (size_t start = 3; start <= path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (name.empty() || name.back() == '.' || name.back() == ' ' ||
        !std::all_of(name.begin(), name.end(), IsPathCharacter)) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  std::string folder = FolderPart(path);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool DirectlyIn(Platform& os, const std::string& path, const std::string& folder) {
  return SamePath(os, FolderOf(path), folder);
}

bool HasExtension(const std::string& path, const char* extension) {
  return UpperCase(ExtensionOf(path)) == extension;
}

std::optional<std::string> Refuse(bool refused, const std::string& why) {
  if (refused) return why;
  return std::nullopt;
}

std::optional<std::string> FileRefusal(Platform& os, const RecordEntry& entry,
                                       const UninstallPlaces& places) {
  const std::string& path = entry.text;
  const std::string help = HelpFolderOf(places.windowsFolder);
  const std::string& windows = places.windowsFolder;
  switch (entry.item) {
    case RecordItem::kFolder:
      return Refuse(!SamePath(os, path, places.destination), kOutside);
    case RecordItem::kFile:
      return Refuse(!DirectlyIn(os, path, places.destination), kOutside);
    case RecordItem::kReplacedFile:
      return Refuse(!DirectlyIn(os, path, places.destination) && !DirectlyIn(os, path, help),
                    kOutside);
    case RecordItem::kPendingFile:
      return Refuse(!DirectlyIn(os, path, places.destination) &&
                        !(DirectlyIn(os, path, help) && HasExtension(path, ".$$$")),
                    kOutside);
    case RecordItem::kHelpFile:
      return Refuse(!DirectlyIn(os, path, help) || !HasExtension(path, ".HLP"), kOutside);
    case RecordItem::kShortcut:
      return Refuse(!places.programsFolder || !DirectlyIn(os, path, *places.programsFolder) ||
                        !HasExtension(path, ".LNK"),
                    kOutside);
    case RecordItem::kDriver:
      return Refuse(!SamePath(os, path, DriverPath(windows)), kOutside);
    case RecordItem::kTaskManager:
    case RecordItem::kNewTaskManager:
      return Refuse(!SamePath(os, path, TaskManagerPath(windows)), kOutside);
    case RecordItem::kRegistration:
      return Refuse(!SamePath(os, path, RegistrationPath(windows)), kOutside);
    case RecordItem::kWinInit:
      return Refuse(!SamePath(os, path, WinInitPath(windows)), kOutside);
    default:
      return std::nullopt;
  }
}

bool IsKeyTheSetupMayCreate(const KeyPath& key, const std::string& displayName) {
  const auto keys = KeysTheSetupMayCreate(displayName);
  return std::any_of(keys.begin(), keys.end(), [&](const KeyPath& known) {
    return known.root == key.root && UpperCase(known.path) == UpperCase(key.path);
  });
}

std::optional<std::string> KeyRefusal(const RecordEntry& entry, const UninstallPlaces& places) {
  const auto key = ParseKeyText(entry.text);
  const char* const why = "it names a registry key that the setup does not write";
  if (!key) return why;
  if (entry.item == RecordItem::kCreatedKey) {
    return Refuse(!IsKeyTheSetupMayCreate(*key, places.displayName), why);
  }
  const KeyPath own = UninstallEntryKey(places.displayName);
  return Refuse(key->root != own.root || UpperCase(key->path) != UpperCase(own.path), why);
}

}  // namespace

std::string ComparablePath(Platform& os, const std::string& path) {
  if (const auto shortPath = os.ShortPath(path)) return UpperCase(*shortPath);
  const std::string folder = FolderOf(path);
  const std::string name = path.substr(FolderPart(path).size());
  return UpperCase(JoinPath(os.ShortPath(folder).value_or(folder), name));
}

bool SamePath(Platform& os, const std::string& a, const std::string& b) {
  return ComparablePath(os, a) == ComparablePath(os, b);
}

std::optional<std::string> RefusalOf(Platform& os, const RecordEntry& entry,
                                     const UninstallPlaces& places) {
  switch (entry.item) {
    case RecordItem::kUninstallEntry:
    case RecordItem::kCreatedKey:
      return KeyRefusal(entry, places);
    case RecordItem::kSystemIniShell:
    case RecordItem::kWinlogonShell:
      return Refuse(entry.text.size() > kLongestPath ||
                        !std::all_of(entry.text.begin(), entry.text.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x20; }),
                    "it is no shell program's name");
    default:
      if (!IsPlainFullPath(entry.text)) return "it is not a plain full path";
      return FileRefusal(os, entry, places);
  }
}

}  // namespace qm
