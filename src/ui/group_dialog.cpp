#include "ui/group_dialog.h"

namespace qm {

void GroupDialog::OnInit(DialogHost& dialog) {
  dialog.SetCaption("Program Group");
  CentreOnScreen(setup_.state, dialog);
  dialog.SetItemText(kIdGroupEdit, setup_.product.groupName);
  dialog.FocusItem(kIdOkButton);
}

void GroupDialog::OnCommand(DialogHost& dialog, int command) {
  if (command == kIdOkButton) {
    setup_.product.groupName = dialog.ItemText(kIdGroupEdit);
    dialog.End(1);
  } else if (command == kIdCancelButton) {
    dialog.End(0);
  }
}

}  // namespace qm
