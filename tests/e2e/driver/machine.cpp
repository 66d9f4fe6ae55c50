#include "machine.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace e2e {

std::string WindowsFolder() {
  char folder[MAX_PATH];
  return std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH));
}

std::optional<std::string> FileContents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << contents;
  return static_cast<bool>(file);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::vector<std::string> TextLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream text(FileContents(path).value_or(""));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::optional<std::string> RegistryBytes(HKEY root, const std::string& key,
                                         const std::string& name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD size = 0;
  std::optional<std::string> bytes;
  if (RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    std::string data(size, '\0');
    if (RegQueryValueExA(opened, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
      data.resize(size);
      bytes = data;
    }
  }
  RegCloseKey(opened);
  return bytes;
}

std::optional<std::string> RegistryString(HKEY root, const std::string& key,
                                          const std::string& name) {
  auto bytes = RegistryBytes(root, key, name);
  if (bytes) bytes->resize(std::min(bytes->size(), bytes->find('\0')));
  return bytes;
}

std::vector<std::string> RegistryStrings(HKEY root, const std::string& key,
                                         const std::string& name) {
  std::vector<std::string> strings;
  std::istringstream bytes(RegistryBytes(root, key, name).value_or(""));
  for (std::string each; std::getline(bytes, each, '\0');) {
    if (!each.empty()) strings.push_back(each);
  }
  return strings;
}

void SetRegistryString(HKEY root, const std::string& key, const std::string& name,
                       const std::string& value) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(opened);
}

void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  RegDeleteValueA(opened, name.c_str());
  RegCloseKey(opened);
}

void DeleteRegistryKey(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD milliseconds) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return std::nullopt;
  }
  std::optional<DWORD> code;
  DWORD exitCode = 0;
  if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.hProcess, &exitCode)) {
    code = exitCode;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string Capitals(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

}  // namespace e2e
