// The full-screen backdrop behind every dialog of the setup.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace qm::ui {

// What one backdrop window paints. The window keeps a pointer to it from its
// creation on, so it must outlive the window.
struct Backdrop {
  BackdropPicture picture;
  HBITMAP logo = nullptr;  // the LOGO bitmap once loaded; no logo is painted before
};

// Window procedure of the class "QMSetUp". The window's creation data is its
// Backdrop. Closing or destroying the backdrop posts WM_QUIT; WM_PAINT paints
// the backdrop; every message then goes on to DefWindowProcA.
LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the whole picture straight onto the window through GetDC, whatever
// needs repainting: the gradient one row at a time, the title over its
// shadow, the logo and the notice line.
void PaintBackdrop(HWND window, const Backdrop& backdrop);

}  // namespace qm::ui
