#include "ui/win32/dialog_procedures.h"

namespace qm::ui {

DLGPROC DialogProcedure(SetupDialog dialog) {
  // In SetupDialog order: MAIN, LICENSE, IPROGRESS, PROGRESS, GROUP, REPLACE.
  static const DLGPROC kProcedures[] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  return kProcedures[static_cast<int>(dialog)];
}

}  // namespace qm::ui
