#include "setup_session.h"


namespace e2e {
namespace {

constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kClosePollMilliseconds = 1;

// A top-level window's title; unlike WM_GETTEXT, this does not wait for the
// window's thread.
std::string Caption(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct DialogSearch {
  DWORD processId;
  const std::string& caption;
  HWND found;
  bool anyClass = false;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<DialogSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  if (owner != search->processId || !IsWindowVisible(window) ||
      (!search->anyClass && lstrcmpA(className, "#32770") != 0) ||
      (!search->caption.empty() && Caption(window) != search->caption)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

bool DeadlinePassed(DWORD deadline) { return static_cast<LONG>(GetTickCount() - deadline) >= 0; }

// The folder part of a program path, for its start-up folder.
std::string FolderOf(const std::string& program) {
  const size_t slash = program.find_last_of("\\:");
  return slash == std::string::npos ? std::string(".") : program.substr(0, slash + 1);
}

}  // namespace

SetupSession::~SetupSession() {
  if (process_.hProcess != nullptr) {
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

bool SetupSession::Start(const std::string& program, const std::string& arguments) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        FolderOf(program).c_str(), &startup, &process_) != FALSE;
}

HWND SetupSession::VisibleDialog(const std::string& caption) const {
  DialogSearch search = {process_.dwProcessId, caption, nullptr};
  EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND SetupSession::VisibleWindow() const {
  const std::string anyCaption;
  DialogSearch search = {process_.dwProcessId, anyCaption, nullptr, true};
  EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND SetupSession::WaitForDialog(const std::string& caption, DWORD deadline,
                                 const std::string& text, bool closely) const {
  auto showing = [&]() -> HWND {
    HWND dialog = VisibleDialog(caption);
    if (dialog == nullptr || MessageBoxText(dialog).find(text) != std::string::npos) return dialog;
    return nullptr;
  };
  const DWORD pause = closely ? kClosePollMilliseconds : kPollMilliseconds;
  while (!DeadlinePassed(deadline)) {
    if (HWND dialog = showing()) return dialog;
    if (WaitForSingleObject(process_.hProcess, pause) == WAIT_OBJECT_0) return showing();
  }
  return nullptr;
}

bool SetupSession::WaitUntilGone(HWND dialog, DWORD deadline) const {
  while (IsWindow(dialog) && IsWindowVisible(dialog)) {
    if (DeadlinePassed(deadline)) return false;
    Sleep(kPollMilliseconds);
  }
  return true;
}

void SetupSession::WaitUntilIdle(HWND dialog) const {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

bool SetupSession::WaitForExit(DWORD deadline, HWND* unexpectedWindow, bool noWindow) const {
  *unexpectedWindow = nullptr;
  const DWORD pause = noWindow ? kClosePollMilliseconds : kPollMilliseconds;
  while (!DeadlinePassed(deadline)) {
    if (WaitForSingleObject(process_.hProcess, pause) == WAIT_OBJECT_0) return true;
    *unexpectedWindow = noWindow ? VisibleWindow() : VisibleDialog();
    if (*unexpectedWindow != nullptr) return false;
  }
  return false;
}

DWORD SetupSession::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

PROCESS_MEMORY_COUNTERS SetupSession::MemoryCounters() const {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process_.hProcess, &counters, sizeof counters)) counters = {};
  return counters;
}

size_t SetupSession::WorkingSet() const { return MemoryCounters().WorkingSetSize; }
size_t SetupSession::PeakWorkingSet() const { return MemoryCounters().PeakWorkingSetSize; }

void SetupSession::Terminate() {
  TerminateProcess(process_.hProcess, 255);
  WaitForSingleObject(process_.hProcess, 5000);
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? WindowText(control) : std::string();
}

std::string MessageBoxText(HWND dialog) {
  HWND text = GetDlgItem(dialog, 0xFFFF);
  return text != nullptr ? WindowText(text) : std::string();
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TypeText(HWND dialog, int id, const std::string& text) {
  HWND edit = GetDlgItem(dialog, id);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_CHAR, VK_BACK, 0);
  for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace e2e
