// The dialog layer: what a dialog's portable controller sees of its open
// dialog (DialogHost), and how the platform drives the controller
// (DialogController). The Win32 adapter runs a controller from one generic
// dialog procedure; the in-memory fake runs it for a scripted user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qm {

// The private message a progress dialog posts to itself to start its pass.
constexpr uint32_t kStartPassMessage = 32000;

// Control ids shared by every dialog.
constexpr int kIdOkButton = 1;
constexpr int kIdCancelButton = 2;

// A window rectangle in pixels (screen or client coordinates).
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

// A child control that a dialog creates at run time (CreateWindowExA).
struct ChildWindowRequest {
  uint32_t extendedStyle = 0;
  std::string className;
  std::string text;
  uint32_t style = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  int id = 0;
};

// The open dialog. Every call acts at once, as the Windows call it mirrors.
class DialogHost {
 public:
  virtual ~DialogHost() = default;

  virtual WindowHandle Window() = 0;
  virtual void SetCaption(const std::string& text) = 0;            // SetWindowTextA
  virtual void SetItemText(int id, const std::string& text) = 0;   // WM_SETTEXT
  // WM_GETTEXT into a 255-byte buffer: at most 254 characters.
  virtual std::string ItemText(int id) = 0;
  virtual bool IsChecked(int id) = 0;  // IsDlgButtonChecked(id) == BST_CHECKED
  virtual void CheckItem(int id) = 0;  // CheckDlgButton(id, BST_CHECKED)
  virtual Rect WindowRect() = 0;       // GetWindowRect of the dialog (screen)
  virtual Rect ItemWindowRect(int id) = 0;  // GetWindowRect of a control (screen)
  virtual Rect ClientRect() = 0;       // GetClientRect of the dialog
  // SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE).
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  virtual void FocusItem(int id) = 0;  // SetFocus(GetDlgItem(dialog, id))
  virtual void CreateChild(const ChildWindowRequest& request) = 0;
  // PostMessageA(dialog, kStartPassMessage, 0, 0).
  virtual void PostStartPass() = 0;
  // MessageBoxA owned by the dialog. (A box owned by nobody is Platform::ShowMessage
  // with kNoWindow.)
  virtual int ShowOwnedMessage(const std::string& text, const std::string& caption,
                               uint32_t style) = 0;
  virtual void End(int result) = 0;  // EndDialog
};

// One dialog's behaviour. The platform calls it for WM_INITDIALOG, for
// WM_COMMAND and WM_SYSCOMMAND (by the low word of wParam), for WM_DESTROY
// and for kStartPassMessage. It may be entered again from within its own
// handling (a progress pass pumps messages).
class DialogController {
 public:
  virtual ~DialogController() = default;
  virtual void OnInit(DialogHost& dialog) = 0;
  virtual void OnCommand(DialogHost& dialog, int command) = 0;
  virtual void OnDestroy(DialogHost& dialog) = 0;
  // True when the dialog has a pass that this message starts: the procedure
  // then answers 1 for it. Every other message is answered with 0.
  virtual bool OnStartPass(DialogHost&) { return false; }
};

}  // namespace qm
