#include "platform/win32/self_removal.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_platform.h"
#include "setup/win_init_file.h"
#include "transport/path_helpers.h"

namespace qm {
namespace {

// The copy's command line: the switch with the waited-for process's handle,
// "R" when the folder awaits the next start (else "-"), the folder ("" for
// none), then each file, every path in quotes (no path can hold one).
constexpr char kSwitch[] = "/QMREMOVE:";
// How long the copy waits for the program to end before it gives up.
constexpr DWORD kLongestWait = 10 * 60 * 1000;
// Names tried for the copy in the temporary folder.
constexpr int kCopyNames = 100;

std::string TemporaryFolder() {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

std::string OwnPath() {
  char path[MAX_PATH];
  return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

// A copy of this program under a free name in the temporary folder; empty
// when none could be made.
std::string CopyIntoTemporaryFolder(const std::string& folder) {
  const std::string program = OwnPath();
  for (int number = 1; number <= kCopyNames; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, "QMUN%04d.EXE", number);
    const std::string copy = JoinPath(folder, name);
    if (CopyFileA(program.c_str(), copy.c_str(), TRUE)) return copy;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string RemovalCommandLine(const std::string& copy, HANDLE waitFor,
                               const std::vector<std::string>& files, const std::string& folder,
                               bool folderAwaitsRestart) {
  std::string line = Quoted(copy) + " " + kSwitch +
                     std::to_string(reinterpret_cast<uintptr_t>(waitFor)) +
                     (folderAwaitsRestart ? " R " : " - ") + Quoted(folder);
  for (const auto& file : files) line += " " + Quoted(file);
  return line;
}

// The command line's words: runs of characters between spaces, or the text
// between two quotes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t at = 0; at < line.size();) {
    if (line[at] == ' ') {
      ++at;
      continue;
    }
    const bool quoted = line[at] == '"';
    const size_t start = quoted ? at + 1 : at;
    size_t end = line.find(quoted ? '"' : ' ', start);
    if (end == std::string::npos) end = line.size();
    words.push_back(line.substr(start, end - start));
    at = end + 1;
  }
  return words;
}

// Deletions for the next start of Windows: NT keeps them in the registry,
// Windows 95 in WinInit.Ini.
class RestartDeletions {
 public:
  explicit RestartDeletions(Win32Platform& os)
      : os_(os), windowsNt_(os.Version().platformId == kPlatformWin32Nt) {}

  void Add(const std::string& path) {
    if (windowsNt_) {
      os_.Move(path, std::string(), kMoveDelayUntilReboot);
      return;
    }
    if (!opened_) winInit_.Open(os_, JoinPath(os_.WindowsFolder(), "WinInit.Ini"));
    opened_ = true;
    winInit_.AddDeletionLine(ShortOrFull(os_, path));
  }

  bool WindowsNt() const { return windowsNt_; }
  void Commit() {
    if (opened_) winInit_.Close();
  }

 private:
  Win32Platform& os_;
  bool windowsNt_;
  bool opened_ = false;
  WinInitFile winInit_;
};

void DeleteNowOrAtRestart(const std::string& path, RestartDeletions& later) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) later.Add(path);
}

}  // namespace

bool StartRemovalAfterExit(const std::vector<std::string>& files, const std::string& folder,
                           bool folderAwaitsRestart) {
  const std::string temporary = TemporaryFolder();
  const std::string copy = temporary.empty() ? std::string() : CopyIntoTemporaryFolder(temporary);
  if (copy.empty()) return false;
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    DeleteFileA(copy.c_str());
    return false;
  }
  std::string line = RemovalCommandLine(copy, self, files, folder, folderAwaitsRestart);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // The copy runs in the temporary folder, so that no process of its own
  // holds the folder it removes.
  const BOOL started = CreateProcessA(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, temporary.c_str(), &startup, &process);
  const DWORD error = GetLastError();
  CloseHandle(self);
  if (!started) {
    DeleteFileA(copy.c_str());
    SetLastError(error);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool IsRemovalCommandLine(const std::string& commandLine) {
  const auto words = Words(commandLine);
  return !words.empty() && words[0].rfind(kSwitch, 0) == 0;
}

int RunRemovalAfterExit(const std::string& commandLine) {
  const auto words = Words(commandLine);
  if (words.size() < 3) return 1;
  uintptr_t handle = 0;
  for (const char* digit = words[0].c_str() + sizeof kSwitch - 1; *digit >= '0' && *digit <= '9';
       ++digit) {
    handle = handle * 10 + static_cast<uintptr_t>(*digit - '0');
  }
  const auto waitFor = reinterpret_cast<HANDLE>(handle);
  WaitForSingleObject(waitFor, kLongestWait);
  CloseHandle(waitFor);

  Win32Platform os;
  RestartDeletions later(os);
  for (size_t i = 3; i < words.size(); ++i) DeleteNowOrAtRestart(words[i], later);
  const std::string& folder = words[2];
  const bool folderAwaitsRestart = words[1] == "R";
  if (!folder.empty() && !RemoveDirectoryA(folder.c_str()) && folderAwaitsRestart &&
      later.WindowsNt()) {
    later.Add(folder);
  }
  later.Add(OwnPath());
  later.Commit();
  return 0;
}

}  // namespace qm
