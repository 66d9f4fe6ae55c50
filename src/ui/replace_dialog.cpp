#include "ui/replace_dialog.h"

namespace qm {

void ReplaceDialog::OnInit(DialogHost& dialog) {
  dialog.SetCaption("Windows Interface");
  CentreOnScreen(setup_.state, dialog);
  if (setup_.options.replaceTaskManager) dialog.CheckItem(kIdReplaceTaskManagerBox);
  if (setup_.options.activeDesktop) dialog.CheckItem(kIdActiveDesktopBox);
  dialog.FocusItem(kIdOkButton);
}

void ReplaceDialog::OnCommand(DialogHost& dialog, int command) {
  if (command == kIdOkButton) {
    setup_.state.replaceTaskManager = dialog.IsChecked(kIdReplaceTaskManagerBox);
    setup_.state.makeActiveDesktop = dialog.IsChecked(kIdActiveDesktopBox);
    dialog.End(1);
  } else if (command == kIdCancelButton) {
    dialog.End(0);
  }
}

}  // namespace qm
