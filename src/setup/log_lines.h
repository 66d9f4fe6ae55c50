// What the setup sequence writes to the installation log about itself: the
// machine and folders it starts with, and how each dialog ended.
#pragma once

#include <optional>
#include <string>

#include "setup/setup.h"

namespace qm {

// The Windows version, the setup program, the volumes' folder and the Windows folder.
void LogStartUp(Setup& setup);
// The dialog's result and, for an accepted one, the answers it gave.
std::string DialogOutcome(const Setup& setup, SetupDialog dialog, std::optional<int> result);

}  // namespace qm
