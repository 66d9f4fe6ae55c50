// The least that any setup with a backdrop shows: a full-screen window and a
// message box over it, and nothing else. The install benchmark reads its peak
// working set as the floor that Wine itself sets for such a program.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HWND backdrop = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(backdrop);
  MessageBoxA(backdrop, "The least a setup shows.", "Wine floor", MB_OK);
  DestroyWindow(backdrop);
  return 0;
}
