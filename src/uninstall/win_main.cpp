// Where Windows enters the uninstaller: as the copy that removes the
// uninstaller's own files once it has ended, when the command line says so,
// else the portable uninstaller over the real Win32 adapter.
#include <windows.h>

#include "platform/win32/self_removal.h"
#include "platform/win32/win32_platform.h"
#include "uninstall/uninstall_sequence.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  if (qm::IsRemovalCommandLine(commandLine)) return qm::RunRemovalAfterExit(commandLine);
  qm::Win32Platform platform;
  return qm::RunUninstallProcess(platform, qm::ParseUninstallCommandLine(commandLine));
}
