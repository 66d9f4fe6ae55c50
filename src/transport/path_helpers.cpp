#include "transport/path_helpers.h"

namespace qm {

namespace {

bool IsFolderSeparator(char c) { return c == '\\' || c == ':'; }

char UpperCaseLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Position of the last full stop that follows every backslash and colon.
std::string::size_type ExtensionStart(const std::string& name) {
  for (auto i = name.size(); i > 0; --i) {
    const char c = name[i - 1];
    if (c == '.') return i - 1;
    if (IsFolderSeparator(c)) break;
  }
  return std::string::npos;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\') return folder + name;
  return folder + '\\' + name;
}

std::string FolderPart(const std::string& path) {
  for (auto i = path.size(); i > 0; --i) {
    if (IsFolderSeparator(path[i - 1])) return path.substr(0, i);
  }
  return std::string();
}

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
  const auto dot = ExtensionStart(name);
  if (dot == std::string::npos) return name + extension;
  return name.substr(0, dot) + extension;
}

std::string ExtensionOf(const std::string& name) {
  const auto dot = ExtensionStart(name);
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string UpperCase(const std::string& text) {
  std::string result = text;
  for (char& c : result) c = UpperCaseLetter(c);
  return result;
}

bool HasWildcard(const std::string& text) {
  return text.find_first_of("*?") != std::string::npos;
}

uint8_t MinByte(uint8_t a, uint8_t b) { return b > a ? a : b; }

uint8_t MaxByte(uint8_t a, uint8_t b) { return b < a ? a : b; }

std::string ShortOrFull(Platform& os, const std::string& path) {
  return os.ShortPath(path).value_or(path);
}

bool IsNotFound(uint32_t error) {
  return error == kErrorFileNotFound || error == kErrorPathNotFound;
}

std::optional<bool> Exists(Platform& os, const std::string& path) {
  if (os.Attributes(path)) return true;
  if (IsNotFound(os.LastError())) return false;
  return std::nullopt;
}

bool FilePresent(Platform& os, const std::string& path) {
  const auto entry = os.FindFirst(path);
  return entry && (entry->attributes & kAttributeDirectory) == 0;
}

bool DriveExists(Platform& os, char letter) {
  // Of all ANSI characters only a to z upper-case into A to Z.
  const char upper = UpperCaseLetter(letter);
  if (upper < 'A' || upper > 'Z') return false;
  return os.QueryDriveType(std::string{upper, ':', '\\'}) > kDriveUnknown;
}

bool FolderExists(Platform& os, const std::string& path) {
  std::string folder = HasWildcard(path) ? FolderPart(path) : path;
  if (folder.empty()) return false;
  if (folder.size() <= 3) return DriveExists(os, folder[0]);
  if (folder.back() == '\\') folder.pop_back();
  const auto entry = os.FindFirst(folder);
  return entry && (entry->attributes & kAttributeDirectory) != 0;
}

bool MakeFolder(Platform& os, const std::string& path) {
  if (FolderExists(os, path)) return true;
  // One level only; whether it worked shows in whether the folder can be entered.
  os.CreateFolder(path);
  return os.SetCurrentFolder(path);
}

}  // namespace qm
