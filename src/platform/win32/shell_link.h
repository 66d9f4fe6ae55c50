// Filling and saving a Start-menu shortcut through the shell's link object.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"

namespace qm {

// Sets the link's target, working folder and show command, then saves it as
// link.linkFile. A setter that fails does not stop the others or the save:
// a shortcut that lacks one detail is still better than none. False when the
// name does not convert, the link has no file interface or Save fails.
bool FillAndSaveShellLink(IShellLinkA* shellLink, const ShellLinkRequest& link);

}  // namespace qm
