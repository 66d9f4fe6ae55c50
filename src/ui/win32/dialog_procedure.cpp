#include "ui/win32/dialog_procedure.h"

#include <exception>

#include "ui/win32/win32_dialog_host.h"

namespace qm::ui {
namespace {

// What DialogBoxParamA hands the procedure, kept with the window from
// WM_INITDIALOG on.
struct DialogSession {
  DialogController& controller;
  std::exception_ptr error;  // the first exception that escaped the controller
};

// True for the one message the procedure answers with 1: a start message
// whose pass the controller ran.
bool Dispatch(DialogController& controller, HWND dialog, UINT message, WPARAM wParam) {
  Win32DialogHost host(dialog);
  switch (message) {
    case WM_INITDIALOG:
      controller.OnInit(host);
      return false;
    case WM_COMMAND:
    case WM_SYSCOMMAND:
      controller.OnCommand(host, LOWORD(wParam));
      return false;
    case WM_DESTROY:
      controller.OnDestroy(host);
      return false;
    case kStartPassMessage:
      return controller.OnStartPass(host);
    default:
      return false;
  }
}

// Answers 0 for every message (WM_INITDIALOG too: each dialog sets the focus
// itself) except a start message whose pass ran. Exceptions must not unwind
// through Windows' frames, so they are kept for RunDialogBox.
INT_PTR CALLBACK SetupDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  auto* session = reinterpret_cast<DialogSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (session == nullptr) return 0;  // the messages before WM_INITDIALOG
  try {
    return Dispatch(session->controller, dialog, message, wParam) ? 1 : 0;
  } catch (...) {
    if (!session->error) session->error = std::current_exception();
    EndDialog(dialog, 0);
    return 0;
  }
}

}  // namespace

INT_PTR RunDialogBox(HINSTANCE module, const char* templateName, HWND owner,
                     DialogController& controller) {
  DialogSession session{controller, nullptr};
  const INT_PTR result = DialogBoxParamA(module, templateName, owner, SetupDialogProcedure,
                                         reinterpret_cast<LPARAM>(&session));
  if (session.error) std::rethrow_exception(session.error);
  return result;
}

}  // namespace qm::ui
