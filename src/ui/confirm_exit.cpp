#include "ui/confirm_exit.h"

namespace qm {

bool ConfirmExit(Setup& setup) {
  const ProductDescriptor& product = setup.product;
  return setup.os.ShowMessage(kNoWindow, product.confirmExitText, "Exit " + product.displayName,
                              kMbYesNo) == kIdYes;
}

}  // namespace qm
