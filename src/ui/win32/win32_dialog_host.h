// The open dialog as the portable controllers see it, over the Win32 calls.
#pragma once

#include <windows.h>

#include "platform/dialog_host.h"

namespace qm::ui {

class Win32DialogHost : public DialogHost {
 public:
  explicit Win32DialogHost(HWND dialog) : dialog_(dialog) {}

  WindowHandle Window() override;
  void SetCaption(const std::string& text) override;
  void SetItemText(int id, const std::string& text) override;
  std::string ItemText(int id) override;
  bool IsChecked(int id) override;
  void CheckItem(int id) override;
  Rect WindowRect() override;
  Rect ItemWindowRect(int id) override;
  Rect ClientRect() override;
  void MoveTo(int32_t x, int32_t y) override;
  void FocusItem(int id) override;
  void CreateChild(const ChildWindowRequest& request) override;
  void PostStartPass() override;
  int ShowOwnedMessage(const std::string& text, const std::string& caption,
                       uint32_t style) override;
  void End(int result) override;

 private:
  HWND dialog_;
};

}  // namespace qm::ui
