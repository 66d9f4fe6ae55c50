#include "ui/setup_dialogs.h"

#include "package/unpack_pass.h"
#include "transport/copy_pass.h"
#include "ui/group_dialog.h"
#include "ui/license_dialog.h"
#include "ui/main_dialog.h"
#include "ui/replace_dialog.h"

namespace qm {

std::unique_ptr<DialogController> MakeDialogController(Setup& setup, SetupDialog dialog) {
  switch (dialog) {
    case SetupDialog::kMain: return std::make_unique<MainDialog>(setup);
    case SetupDialog::kLicense: return std::make_unique<LicenseDialog>(setup);
    case SetupDialog::kIProgress: return std::make_unique<VolumeCopyDialog>(setup);
    case SetupDialog::kProgress: return std::make_unique<UnpackDialog>(setup);
    case SetupDialog::kGroup: return std::make_unique<GroupDialog>(setup);
    case SetupDialog::kReplace: return std::make_unique<ReplaceDialog>(setup);
  }
  return nullptr;  // not reached: every dialog has its controller
}

}  // namespace qm
