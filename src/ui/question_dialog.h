// What the four question dialogs (MAIN, LICENSE, GROUP, REPLACE) share: they
// work on the run's records, centre themselves on the screen when they open,
// and end with 0 when they are destroyed.
#pragma once

#include "platform/dialog_host.h"
#include "setup/setup.h"

namespace qm {

// SetWindowPos to x = screenWidth div 2 - width div 2, y = screenHeight div 2
// - height div 2, from the dialog's window rectangle.
void CentreOnScreen(const SetupState& state, DialogHost& dialog);

class QuestionDialog : public DialogController {
 public:
  explicit QuestionDialog(Setup& setup) : setup_(setup) {}
  // Ending a dialog that is being destroyed is harmless: its result is taken.
  void OnDestroy(DialogHost& dialog) override { dialog.End(0); }

 protected:
  Setup& setup_;
};

}  // namespace qm
