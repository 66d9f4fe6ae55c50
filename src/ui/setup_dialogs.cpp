#include "ui/setup_dialogs.h"

#include "transport/copy_pass.h"
#include "ui/group_dialog.h"
#include "ui/license_dialog.h"
#include "ui/main_dialog.h"
#include "ui/replace_dialog.h"

namespace qm {

namespace {

// Stands in for a dialog whose rules are not built yet: any command ends it
// with 0, so that the sequence abandons the run instead of waiting.
class InertDialog : public DialogController {
 public:
  void OnInit(DialogHost&) override {}
  void OnCommand(DialogHost& dialog, int) override { dialog.End(0); }
  void OnDestroy(DialogHost&) override {}
};

}  // namespace

std::unique_ptr<DialogController> MakeDialogController(Setup& setup, SetupDialog dialog) {
  switch (dialog) {
    case SetupDialog::kMain: return std::make_unique<MainDialog>(setup);
    case SetupDialog::kLicense: return std::make_unique<LicenseDialog>(setup);
    case SetupDialog::kIProgress: return std::make_unique<VolumeCopyDialog>(setup);
    case SetupDialog::kProgress:
      break;
    case SetupDialog::kGroup: return std::make_unique<GroupDialog>(setup);
    case SetupDialog::kReplace: return std::make_unique<ReplaceDialog>(setup);
  }
  return std::make_unique<InertDialog>();
}

}  // namespace qm
