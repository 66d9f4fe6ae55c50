// The actions that tie the installed product into Windows. The setup sequence
// decides when each runs; none of them reports anything to the user, but
// each writes what it did, and its result, to the log.
#pragma once

#include "setup/setup.h"

namespace qm {

// A Start-menu shortcut named after the program group, directly in the Programs folder.
void CreateShortcut(Setup& setup);
// The uninstall entry under HKEY_LOCAL_MACHINE, named after the display name.
void WriteUninstallEntry(Setup& setup);
// Copies the product's driver into System32\Drivers unless one is already there (Windows NT).
void InstallDriver(Setup& setup);
// Puts the product's Task Manager in place of the Windows one, keeping the original.
void SwapTaskManager(Setup& setup);
// Makes the main program the Windows shell: SYSTEM.INI on Windows 95, Winlogon on NT.
void ReplaceShell(Setup& setup);
// Writes out WinInit.Ini, then asks Windows to reboot.
void RebootWindows(Setup& setup);
// Starts the installed main program under its own ".Exe" name.
void RunProduct(Setup& setup);

}  // namespace qm
