#include "ui/license_dialog.h"

#include "ui/confirm_exit.h"
#include "ui/license_agreement.h"

namespace qm {

// The box fills the client area but for a 10-pixel margin at the top and
// sides and 80 pixels at the foot, where the notice and the buttons are.
void LicenseDialog::OnInit(DialogHost& dialog) {
  const Rect client = dialog.ClientRect();
  ChildWindowRequest box;
  box.extendedStyle = kClientEdgeStyle;
  box.className = "Edit";
  box.text = kLicenseAgreement;
  box.style = kAgreementBoxStyle;
  box.x = 10;
  box.y = 10;
  box.width = client.Width() - 20;
  box.height = client.Height() - 90;
  dialog.CreateChild(box);
  CentreOnScreen(setup_.state, dialog);
  dialog.FocusItem(kIdOkButton);
}

void LicenseDialog::OnCommand(DialogHost& dialog, int command) {
  if (command == kIdOkButton) {
    dialog.End(1);
  } else if (command == kIdCancelButton && ConfirmExit(setup_)) {
    dialog.End(0);
  }
}

}  // namespace qm
