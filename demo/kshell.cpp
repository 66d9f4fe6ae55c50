// A library of the demo product, so that the package carries a real DLL.
#include <windows.h>

extern "C" __declspec(dllexport) const char* KestrelonVersion() { return "Kestrelon 1.0 demo"; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
