// The demo product's Task Manager stand-in.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Kestrelon's Task Manager is not part of this demonstration.",
              "Kestrelon!", MB_OK | MB_ICONINFORMATION);
  return 0;
}
