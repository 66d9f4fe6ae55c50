// Which dialog procedure runs each setup dialog template.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace qm::ui {

// The procedure for the dialog's template; null while that dialog has none.
DLGPROC DialogProcedure(SetupDialog dialog);

}  // namespace qm::ui
