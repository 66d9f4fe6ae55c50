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

// The process's exit codes.
constexpr int kExitInstalled = 0;
constexpr int kExitFailed = 1;  // nothing installed, or an error reported
constexpr int kExitBadCommandLine = 2;
constexpr int kExitCancelled = 1602;      // by the user, in a window run
constexpr int kExitRestartNeeded = 3010;  // installed; Windows must start again

// Reads the command line and runs the setup it asks for over `os` (on a
// screen, or silently), and answers the process's exit code. A refused
// command line does nothing but say why.
int RunSetupProcess(Platform& os);
// The run of a setup whose records the caller holds, its command line read;
// the exit code, also after an uncaught error reported in the "Application
// Error" box.
int RunSetupProcess(Setup& setup);

// The steps of one run, in their order; the exit code of the run.
int RunSetup(Setup& setup);
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
