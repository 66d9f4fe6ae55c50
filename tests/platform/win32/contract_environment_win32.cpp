// The contract environment of the real adapter: a fresh folder under the
// temporary folder, a drive letter that Windows does not know, and a registry
// key under HKEY_CURRENT_USER; all removed again afterwards, together with any
// move for the next start that a test scheduled in such a folder.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/contract/contract_environment.h"
#include "platform/win32/pending_moves.h"
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

// The temporary folder, ending in a backslash.
std::string TemporaryFolder() {
  char temporary[MAX_PATH];
  return std::string(temporary, GetTempPathA(MAX_PATH, temporary));
}

// A new folder with a short name, so that its path has no long components of its own.
std::string FreshTemporaryFolder() {
  const std::string base = TemporaryFolder();
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

// Whether a list entry of the moves for the next start lies in a folder that
// FreshTemporaryFolder makes (of this run or of an earlier one): the
// temporary folder, then "qm" and six hexadecimal digits.
bool InASandbox(std::string entry) {
  if (!entry.empty() && entry[0] == '!') entry.erase(0, 1);  // a replacing move's target
  const std::string base = qm::NtPathForm(TemporaryFolder());
  const size_t name = base.size(), end = name + 8;
  if (entry.size() < end || !qm::EntryNamesPath(entry.substr(0, name + 2), base + "qm")) {
    return false;
  }
  for (size_t i = name + 2; i < end; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(entry[i]))) return false;
  }
  return entry.size() == end || entry[end] == '\\';
}

// Takes back every move for the next start into or out of a sandbox: a test
// that stopped halfway, or a run that was cut off, would otherwise leave it
// for Wine to carry out when it next starts. Other moves stay as they are.
void WithdrawSandboxMoves() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::kSessionManagerKey, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  std::string value;
  if (qm::ReadPendingMoves(key, value) == ERROR_SUCCESS) {
    std::vector<qm::PendingMove> moves = qm::SplitPendingMoves(value);
    const auto kept = std::remove_if(moves.begin(), moves.end(), [](const qm::PendingMove& move) {
      return InASandbox(move.source) || InASandbox(move.target);
    });
    if (kept != moves.end()) {
      moves.erase(kept, moves.end());
      qm::StorePendingMoves(key, moves);
    }
  }
  RegCloseKey(key);
}

}  // namespace

ContractEnvironment MakeContractEnvironment() {
  savedCurrentFolder = CurrentFolder();
  RegDeleteTreeA(HKEY_CURRENT_USER, kRegistrySandbox);  // left by an interrupted run
  WithdrawSandboxMoves();
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
  WithdrawSandboxMoves();
}
