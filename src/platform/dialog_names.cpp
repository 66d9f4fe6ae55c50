#include "platform/platform.h"

namespace qm {

const char* DialogTemplateName(SetupDialog dialog) {
  switch (dialog) {
    case SetupDialog::kMain: return "Main";
    case SetupDialog::kLicense: return "License";
    case SetupDialog::kIProgress: return "IProgress";
    case SetupDialog::kProgress: return "Progress";
    case SetupDialog::kGroup: return "Group";
    case SetupDialog::kReplace: return "Replace";
  }
  return "";
}

}  // namespace qm
