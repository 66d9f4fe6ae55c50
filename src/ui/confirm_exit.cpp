#include "ui/confirm_exit.h"

#include "setup/user_messages.h"

namespace qm {

bool ConfirmExit(Setup& setup) {
  const ProductDescriptor& product = setup.product;
  const bool yes = ShowMessage(setup, kNoWindow, product.confirmExitText,
                               "Exit " + product.displayName, kMbYesNo) == kIdYes;
  if (yes) setup.state.userCancelled = true;
  return yes;
}

}  // namespace qm
