// The demo product's uninstaller: it says what a full one would remove.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr,
              "This demonstration of Kestrelon has no uninstaller of its own.\r\n"
              "Delete its folder and its uninstall entry to remove it.",
              "Kestrelon!", MB_OK | MB_ICONINFORMATION);
  return 0;
}
