// The setup's one routine: start-up, the dialogs one after another, the
// finishing actions and closing questions, the clean-up after an abandoned
// installation, and the end.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "setup/runtime_error.h"
#include "setup/setup.h"

namespace qm {

// Runs the whole setup over `os` and answers the process's exit code: 0, or 1
// after an uncaught error has been reported in the "Application Error" box.
int RunSetupProcess(Platform& os);
// The same for a run whose records the caller holds.
int RunSetupProcess(Setup& setup);

// The steps of one run, in their order.
void RunSetup(Setup& setup);
void StartUp(Setup& setup);
// Shows a dialog modally over the backdrop; nothing when its template is
// missing, else the value it ended with (also kept in lastDialogResult).
std::optional<int> ShowSetupDialog(Setup& setup, SetupDialog dialog);

// The report of an error that nothing caught.
std::string UncaughtErrorText(const RuntimeError& error, const std::string& modulePath);
// The closing questions' texts.
std::string SuccessQuestion(const ProductDescriptor& product);
std::string RebootQuestion(const ProductDescriptor& product);
std::string RunQuestion(const ProductDescriptor& product);

}  // namespace qm
