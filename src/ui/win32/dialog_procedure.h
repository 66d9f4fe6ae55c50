// The one dialog procedure of every setup dialog: it hands the messages a
// dialog reacts to to the dialog's portable controller.
#pragma once

#include <windows.h>

#include "platform/dialog_host.h"

namespace qm::ui {

// Shows the dialog template modally over the owner, run by the controller,
// and answers DialogBoxParamA's result. An exception that escapes the
// controller ends the dialog with 0 and is thrown again here, once Windows'
// own frames are no longer on the stack.
INT_PTR RunDialogBox(HINSTANCE module, const char* templateName, HWND owner,
                     DialogController& controller);

}  // namespace qm::ui
