// The exit question that MAIN, LICENSE and both progress dialogs ask on Cancel.
#pragma once

#include "setup/setup.h"

namespace qm {

// A message box owned by nobody: text confirmExitText, caption "Exit " and
// displayName, Yes and No. True only for the answer Yes, which counts as the
// user's cancel of the run.
bool ConfirmExit(Setup& setup);

}  // namespace qm
