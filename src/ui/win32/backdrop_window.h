// The full-screen backdrop behind every dialog of the setup.
#pragma once

#include <windows.h>

namespace qm::ui {

// Window procedure of the class "QMSetUp". Closing or destroying the backdrop
// posts WM_QUIT; every message then goes on to DefWindowProcA.
LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qm::ui
