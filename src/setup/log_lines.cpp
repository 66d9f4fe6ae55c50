#include "setup/log_lines.h"

namespace qm {

namespace {

std::string YesOrNo(bool value) { return value ? "yes" : "no"; }

std::string VersionText(const VersionInfo& version) {
  return "Windows " + std::to_string(version.majorVersion) + "." +
         std::to_string(version.minorVersion) + " build " + std::to_string(version.buildNumber) +
         (version.platformId == kPlatformWin32Nt ? " (Windows NT)" : " (Windows 95 family)");
}

}  // namespace

void LogStartUp(Setup& setup) {
  const SetupState& state = setup.state;
  setup.log.Write(VersionText(setup.os.Version()));
  setup.log.Write("Setup program " + setup.os.ModulePath());
  setup.log.Write("Volumes are looked for in " + state.sourceFolder);
  setup.log.Write("Windows folder " + state.windowsFolder);
}

std::string DialogOutcome(const Setup& setup, SetupDialog dialog, std::optional<int> result) {
  const std::string name = std::string("Dialog ") + DialogTemplateName(dialog);
  if (!result) return name + ": its template is missing";
  const std::string ended = name + " ended with " + std::to_string(*result);
  if (*result != 1) return ended;
  const SetupState& state = setup.state;
  switch (dialog) {
    case SetupDialog::kMain:
      return ended + "; destination folder " + state.destinationFolder;
    case SetupDialog::kLicense:
      return ended + "; the licence agreement is accepted";
    case SetupDialog::kGroup:
      return ended + "; program group \"" + setup.product.groupName + "\"";
    case SetupDialog::kReplace:
      return ended + "; replace the Task Manager: " + YesOrNo(state.replaceTaskManager) +
             ", make " + setup.product.displayName +
             " the Windows desktop: " + YesOrNo(state.makeActiveDesktop);
    default:
      return ended;
  }
}

}  // namespace qm
