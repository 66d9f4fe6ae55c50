// The controller of each setup dialog, made afresh for each showing.
#pragma once

#include <memory>

#include "platform/dialog_host.h"
#include "setup/setup.h"

namespace qm {

std::unique_ptr<DialogController> MakeDialogController(Setup& setup, SetupDialog dialog);

}  // namespace qm
