#include "machine_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "machine.h"

namespace e2e {
namespace {

// Registry keys that Wine keeps only in memory (volatile keys) and makes anew
// for every desktop session, under a new name each time: they are no part of
// the machine that a program could leave changed, so they are not compared.
const char* const kVolatileKeys[] = {
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\",
    "[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters",
};

bool IsVolatile(const std::string& key) {
  for (const char* prefix : kVolatileKeys) {
    if (key.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// FNV-1a, 64 bits: enough to tell any changed content from the content before.
uint64_t HashOf(const std::string& path, uint64_t& size) {
  uint64_t hash = 1469598103934665603ull;
  size = 0;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                            FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  static char block[1 << 16];
  DWORD read = 0;
  while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) hash = (hash ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    size += read;
  }
  CloseHandle(file);
  return hash;
}

std::string FileState(const std::string& path) {
  uint64_t size = 0;
  const uint64_t hash = HashOf(path, size);
  char text[64];
  std::snprintf(text, sizeof text, "%llu bytes, %016llx", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(hash));
  return text;
}

void AddTree(const std::string& folder, MachineSnapshot& snapshot) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      snapshot["folder " + path] = "";
      AddTree(path, snapshot);
    } else {
      snapshot["file " + path] = FileState(path);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// `reg export` writes UTF-16 with a byte order mark; the text in the ANSI code page.
std::string ExportedText(const std::string& path) {
  const std::string bytes = FileContents(path).value_or("");
  if (bytes.size() < 2) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data() + 2);
  const int count = static_cast<int>((bytes.size() - 2) / 2);
  const int length = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, count, text.data(), length, nullptr, nullptr);
  return text;
}

// One entry per key and per value, a value's continued lines joined.
void AddRegistry(const std::string& root, const std::string& folder, MachineSnapshot& snapshot) {
  const std::string file = folder + "\\" + root + ".reg";
  DeleteFileA(file.c_str());
  RunAndWait("reg.exe export " + root + " \"" + file + "\" /y", 120000);
  const std::string text = ExportedText(file);
  std::string key, value;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!value.empty()) {
      value += line.substr(std::min(line.size(), line.find_first_not_of(' ')));
    } else if (!line.empty() && line[0] == '[') {
      key = IsVolatile(line) ? std::string() : line;
      if (!key.empty()) snapshot["registry " + key] = "";
      continue;
    } else if (line.empty() || line[0] == ';' || key.empty()) {
      continue;  // blank lines, comments, the header line and the values of volatile keys
    } else {
      value = line;
    }
    if (value.back() == '\\') {
      value.pop_back();
      continue;
    }
    snapshot["registry " + key + " " + value] = "";
    value.clear();
  }
}

void AddTextLines(const std::string& label, const std::string& path, MachineSnapshot& snapshot) {
  const std::vector<std::string> lines = TextLines(path);
  for (size_t i = 0; i < lines.size(); ++i) {
    snapshot[label + " line " + std::to_string(i + 1)] = lines[i];
  }
}

}  // namespace

MachineSnapshot TakeSnapshot(const std::string& folder) {
  MachineSnapshot snapshot;
  AddTree("C:", snapshot);
  AddRegistry("HKLM", folder, snapshot);
  AddRegistry("HKCU", folder, snapshot);
  AddTextLines("SYSTEM.INI", WindowsFolder() + "\\SYSTEM.INI", snapshot);
  AddTextLines("WinInit.Ini", WindowsFolder() + "\\WinInit.Ini", snapshot);
  return snapshot;
}

// One thing a line: its name, a separator no name or state holds, its state.
constexpr char kSeparator = '\x01';

bool SaveSnapshot(const MachineSnapshot& snapshot, const std::string& path) {
  std::string text;
  for (const auto& [what, state] : snapshot) text += what + kSeparator + state + "\n";
  return WriteWholeFile(path, text);
}

std::optional<MachineSnapshot> LoadSnapshot(const std::string& path) {
  const auto text = FileContents(path);
  if (!text) return std::nullopt;
  MachineSnapshot snapshot;
  for (size_t start = 0; start < text->size();) {
    size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    const std::string line = text->substr(start, end - start);
    const size_t separator = line.find(kSeparator);
    if (separator != std::string::npos) snapshot[line.substr(0, separator)] = line.substr(separator + 1);
    start = end + 1;
  }
  return snapshot;
}

std::vector<std::string> SnapshotDifferences(const MachineSnapshot& before,
                                             const MachineSnapshot& after) {
  std::vector<std::string> differences;
  for (const auto& [what, state] : before) {
    const auto now = after.find(what);
    if (now == after.end()) {
      differences.push_back("lost " + what);
    } else if (now->second != state) {
      differences.push_back("changed " + what + ": " + state + " -> " + now->second);
    }
  }
  for (const auto& [what, state] : after) {
    if (!before.count(what)) differences.push_back("new " + what);
  }
  return differences;
}

std::string CompareWithBefore(const MachineSnapshot& before, const MachineSnapshot& after) {
  const std::vector<std::string> differences = SnapshotDifferences(before, after);
  std::printf("    compared %u things of the machine (files and folders of C:, registry keys"
              " and values, SYSTEM.INI and WinInit.Ini lines): %u differences\n",
              static_cast<unsigned>(after.size()), static_cast<unsigned>(differences.size()));
  for (const std::string& difference : differences) std::printf("      %s\n", difference.c_str());
  std::printf("    not compared, as Wine makes them anew in memory for each desktop session:\n");
  for (const char* key : kVolatileKeys) std::printf("      %s...\n", key);
  if (differences.empty()) return "";
  return std::to_string(differences.size()) + " differences from the machine before";
}

}  // namespace e2e
