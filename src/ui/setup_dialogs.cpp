#include "ui/setup_dialogs.h"

#include "package/unpack_pass.h"
#include "transport/copy_pass.h"

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
    case SetupDialog::kIProgress:
      return std::make_unique<VolumeCopyDialog>(setup);
    case SetupDialog::kProgress:
      return std::make_unique<UnpackDialog>(setup);
    case SetupDialog::kMain:
    case SetupDialog::kLicense:
    case SetupDialog::kGroup:
    case SetupDialog::kReplace:
      break;
  }
  return std::make_unique<InertDialog>();
}

}  // namespace qm
