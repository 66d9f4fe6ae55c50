// The contract environment of the real adapter: a fresh folder under the
// temporary folder, a drive letter that Windows does not know, and a registry
// key under HKEY_CURRENT_USER; all removed again afterwards.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/contract/contract_environment.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr char kRegistrySandbox[] = "Software\\QmsetupContractTests";

// The current folder when the environment was made; tests may change it, and a
// folder that is current can't be removed.
std::string savedCurrentFolder;

std::string CurrentFolder() {
  char folder[MAX_PATH];
  return std::string(folder, GetCurrentDirectoryA(MAX_PATH, folder));
}

// A new folder with a short name, so that its path has no long components of its own.
std::string FreshTemporaryFolder() {
  char temporary[MAX_PATH];
  const std::string base(temporary, GetTempPathA(MAX_PATH, temporary));
  static unsigned counter = 0;
  for (;;) {
    char name[16];
    std::snprintf(name, sizeof name, "qm%06lx",
                  (GetCurrentProcessId() * 4096ul + ++counter) & 0xFFFFFFul);
    const std::string folder = base + name;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
  }
}

// A root whose letter no drive uses, searched from Q: on.
std::string MissingDriveRoot() {
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const int letter = ('Q' - 'A' + i) % 26;
    if (letter > 2 && !(drives & (1u << letter))) return std::string(1, char('A' + letter)) + ":\\";
  }
  return "";
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

ContractEnvironment MakeContractEnvironment() {
  savedCurrentFolder = CurrentFolder();
  RegDeleteTreeA(HKEY_CURRENT_USER, kRegistrySandbox);  // left by an interrupted run
  ContractEnvironment environment;
  environment.platform = std::make_unique<qm::Win32Platform>();
  environment.sandbox = FreshTemporaryFolder();
  environment.missingDriveRoot = MissingDriveRoot();
  environment.registrySandbox = kRegistrySandbox;
  return environment;
}

void DisposeContractEnvironment(ContractEnvironment& environment) {
  environment.platform.reset();
  SetCurrentDirectoryA(savedCurrentFolder.c_str());
  RemoveTree(environment.sandbox);
  RegDeleteTreeA(HKEY_CURRENT_USER, kRegistrySandbox);
}
