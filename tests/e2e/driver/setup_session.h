// One run of the setup program, watched from outside like a user would:
// its dialogs and message boxes are found by title and driven with messages.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <string>

namespace e2e {

class SetupSession {
 public:
  ~SetupSession();
  // Starts the program in its own folder with the arguments; false when it
  // can't be started.
  bool Start(const std::string& program, const std::string& arguments = "");
  // A visible dialog (class "#32770") of the process with that title (any
  // title when empty), or null. Titles are read without a message, so that a
  // busy setup does not hold up the search.
  HWND VisibleDialog(const std::string& caption = "") const;
  // A visible top-level window of the process of any class, or null.
  HWND VisibleWindow() const;
  // Null when the process ended or the time is up before such a dialog
  // appeared. With text, only a dialog whose static text (id 0xFFFF: a
  // message box's text, a progress dialog's line) contains it counts.
  // `closely` looks every millisecond instead of every 20.
  HWND WaitForDialog(const std::string& caption, DWORD deadline, const std::string& text = "",
                     bool closely = false) const;
  // True when the dialog closed (or hid) before the deadline.
  bool WaitUntilGone(HWND dialog, DWORD deadline) const;
  // Waits until the process has handled everything sent to it so far.
  void WaitUntilIdle(HWND dialog) const;
  // True when the process ended before the deadline; no dialog may appear
  // meanwhile, and with `noWindow` no window at all (looked for every millisecond).
  bool WaitForExit(DWORD deadline, HWND* unexpectedWindow, bool noWindow = false) const;
  DWORD ExitCode() const;
  // The memory in the process's working set now, and the most it has had so
  // far, in bytes (0 when Windows can't tell).
  size_t WorkingSet() const;
  size_t PeakWorkingSet() const;
  void Terminate();

 private:
  PROCESS_MEMORY_COUNTERS MemoryCounters() const;

  PROCESS_INFORMATION process_ = {};
};

// Window texts of another process: only WM_GETTEXT crosses the process border.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// The text of a message box (its static control 0xFFFF).
std::string MessageBoxText(HWND dialog);
void SetControlText(HWND dialog, int id, const std::string& text);
// Replaces an edit's text as typing would: everything selected, then one
// WM_CHAR per character, so the edit's own rules (capitals) apply.
void TypeText(HWND dialog, int id, const std::string& text);
// Posted, not sent: a click that opens a message box would block a sender.
void ClickButton(HWND dialog, int id);

}  // namespace e2e
