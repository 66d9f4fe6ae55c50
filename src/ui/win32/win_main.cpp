// Where Windows enters the setup: the portable run over the real Win32 adapter.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "setup/setup_sequence.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qm::Win32Platform platform;
  return qm::RunSetupProcess(platform);
}
