#include "ui/win32/win32_dialog_host.h"

namespace qm::ui {
namespace {

// WM_GETTEXT's buffer: at most 254 characters and the terminating zero.
constexpr int kItemTextBuffer = 255;

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

WindowHandle Win32DialogHost::Window() { return reinterpret_cast<WindowHandle>(dialog_); }

void Win32DialogHost::SetCaption(const std::string& text) {
  SetWindowTextA(dialog_, text.c_str());
}

void Win32DialogHost::SetItemText(int id, const std::string& text) {
  SendDlgItemMessageA(dialog_, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Win32DialogHost::ItemText(int id) {
  char text[kItemTextBuffer] = "";
  const LRESULT length = SendDlgItemMessageA(dialog_, id, WM_GETTEXT, kItemTextBuffer,
                                             reinterpret_cast<LPARAM>(text));
  return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

bool Win32DialogHost::IsChecked(int id) {
  return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void Win32DialogHost::CheckItem(int id) { CheckDlgButton(dialog_, id, BST_CHECKED); }

Rect Win32DialogHost::WindowRect() {
  RECT r = {};
  GetWindowRect(dialog_, &r);
  return ToRect(r);
}

Rect Win32DialogHost::ItemWindowRect(int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog_, id), &r);
  return ToRect(r);
}

Rect Win32DialogHost::ClientRect() {
  RECT r = {};
  GetClientRect(dialog_, &r);
  return ToRect(r);
}

void Win32DialogHost::MoveTo(int32_t x, int32_t y) {
  SetWindowPos(dialog_, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

void Win32DialogHost::FocusItem(int id) { SetFocus(GetDlgItem(dialog_, id)); }

void Win32DialogHost::CreateChild(const ChildWindowRequest& request) {
  CreateWindowExA(request.extendedStyle, request.className.c_str(), request.text.c_str(),
                  request.style, request.x, request.y, request.width, request.height, dialog_,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(request.id)),
                  GetModuleHandleA(nullptr), nullptr);
}

void Win32DialogHost::PostStartPass() { PostMessageA(dialog_, kStartPassMessage, 0, 0); }

int Win32DialogHost::ShowOwnedMessage(const std::string& text, const std::string& caption,
                                      uint32_t style) {
  return MessageBoxA(dialog_, text.c_str(), caption.c_str(), style);
}

void Win32DialogHost::End(int result) { EndDialog(dialog_, result); }

}  // namespace qm::ui
