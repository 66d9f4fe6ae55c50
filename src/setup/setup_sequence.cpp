#include "setup/setup_sequence.h"

#include <cstdio>
#include <new>

#include "setup/integration_actions.h"
#include "setup/log_lines.h"
#include "setup/media_block.h"
#include "setup/silent_platform.h"
#include "setup/user_messages.h"
#include "transport/path_helpers.h"
#include "ui/setup_dialogs.h"

namespace qm {

namespace {

// Where the dialog sequence stopped.
enum class SequenceEnd {
  kNoMainDialog,  // MAIN's template is missing: straight to the end, nothing to clean up
  kAbandoned,     // a dialog ended otherwise than with 1
  kFinished,      // REPLACE was shown: the finishing actions follow
};

bool Accepted(const std::optional<int>& result) { return result && *result == 1; }

SequenceEnd Abandon(Setup& setup) {
  setup.state.aborted = true;
  return SequenceEnd::kAbandoned;
}

SequenceEnd RunDialogSequence(Setup& setup) {
  const auto main = ShowSetupDialog(setup, SetupDialog::kMain);
  if (!main) return SequenceEnd::kNoMainDialog;
  if (*main != 1) return Abandon(setup);

  // Without a LICENSE template the agreement is taken as accepted.
  const auto license = ShowSetupDialog(setup, SetupDialog::kLicense);
  if (license && *license != 1) return Abandon(setup);

  if (!Accepted(ShowSetupDialog(setup, SetupDialog::kIProgress))) return Abandon(setup);
  if (!Accepted(ShowSetupDialog(setup, SetupDialog::kProgress))) return Abandon(setup);

  const auto group = ShowSetupDialog(setup, SetupDialog::kGroup);
  if (!group) return Abandon(setup);
  if (*group == 1) CreateShortcut(setup);

  if (!ShowSetupDialog(setup, SetupDialog::kReplace)) return Abandon(setup);
  return SequenceEnd::kFinished;
}

bool AskYesNo(Setup& setup, const std::string& text) {
  return ShowMessage(setup, kNoWindow, text, setup.product.displayName, kMbYesNo) == kIdYes;
}

void AskSuccessQuestion(Setup& setup) {
  if (AskYesNo(setup, SuccessQuestion(setup.product))) RunProduct(setup);
}

// True when the main program was unpacked under its own name rather than
// under the temporary one that waits for the next start of Windows.
bool MainProgramInPlace(const Setup& setup) {
  return UpperCase(ExtensionOf(setup.product.mainProgram)) == ".EXE";
}

// True when some file of the product is put in place only at the next start.
bool FilesAwaitRestart(const Setup& setup) {
  return setup.state.filesAwaitRestart || !MainProgramInPlace(setup);
}

// With /NORESTART the question is not asked: Windows is not to be restarted.
bool RebootNow(Setup& setup) {
  if (!setup.options.noRestart) return AskYesNo(setup, RebootQuestion(setup.product));
  setup.log.Write("Windows must be restarted; /NORESTART: the reboot question is not asked");
  return false;
}

// The product is offered to run only when none of its files waits for the
// next start: it must never run against a mix of old and new files.
void AskRebootQuestion(Setup& setup) {
  setup.state.restartNeeded = true;
  if (RebootNow(setup)) {
    RebootWindows(setup);
  } else if (!FilesAwaitRestart(setup) && AskYesNo(setup, RunQuestion(setup.product))) {
    RunProduct(setup);
  }
}

void AskClosingQuestion(Setup& setup) {
  if (FilesAwaitRestart(setup)) return AskRebootQuestion(setup);
  AskSuccessQuestion(setup);
}

// The finishing actions; true when a Windows component was replaced.
bool RunFinishingActions(Setup& setup) {
  SetupState& state = setup.state;
  state.versionInfo = setup.os.Version();
  WriteUninstallEntry(setup);
  if (state.versionInfo.platformId == kPlatformWin32Nt) InstallDriver(setup);
  if (state.lastDialogResult != 1) return false;
  if (state.replaceTaskManager) SwapTaskManager(setup);
  if (state.makeActiveDesktop) ReplaceShell(setup);
  return state.replaceTaskManager || state.makeActiveDesktop;
}

// The record is written before the closing questions, which may restart Windows.
void FinishInstallation(Setup& setup) {
  const bool replaced = RunFinishingActions(setup);
  WriteInstallRecord(setup);
  if (replaced) return AskRebootQuestion(setup);
  AskClosingQuestion(setup);
}

// Removes what an abandoned run leaves behind: the package file, when this
// run created it. The unpack pass takes back its own files when it fails,
// and once they are in place an abandoned run leaves them there.
void CleanUpAbandonedRun(Setup& setup) {
  const SetupState& state = setup.state;
  const std::string package = JoinPath(state.destinationFolder, setup.product.packageFileName);
  if (state.packageFileCreated && FilePresent(setup.os, package)) {
    setup.log.Write("Package file deleted: " + package);
    setup.os.Delete(package);
  }
  ShowMessage(setup, state.backdropWindow, setup.product.abortedText, setup.product.displayName,
              kMbOk);
}

// 1 for a run that did not install, unless a person cancelled it: nobody
// can cancel a silent run.
int ExitCodeOf(const Setup& setup, SequenceEnd end) {
  if (end == SequenceEnd::kFinished) {
    return setup.state.restartNeeded ? kExitRestartNeeded : kExitInstalled;
  }
  if (setup.state.userCancelled && !setup.options.silent) return kExitCancelled;
  return kExitFailed;
}

void End(Setup& setup) {
  setup.winInit.Close();
  setup.state.readBuffer = {};
  setup.state.writeBuffer = {};
}

// What the backdrop paints: the screen size taken at start-up and the product's look.
BackdropPicture BackdropPictureOf(const Setup& setup) {
  const ProductDescriptor& product = setup.product;
  BackdropPicture picture;
  picture.width = setup.state.screenWidth;
  picture.height = setup.state.screenHeight;
  picture.topColour = product.backdropTopColour;
  picture.bottomColour = product.backdropBottomColour;
  picture.titleColour = product.titleColour;
  picture.title = product.backdropTitle;
  picture.notice = product.noticeText;
  return picture;
}

std::string FileName(const std::string& path) { return path.substr(FolderPart(path).size()); }

std::string WithFullStop(const std::string& text) {
  return (!text.empty() && text.back() == '.') ? text : text + ".";
}

std::string ErrorReport(const char* className, const std::string& message, const void* place,
                        const std::string& modulePath) {
  char address[2 * sizeof(void*) + 1];
  std::snprintf(address, sizeof address, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(place)));
  return std::string("Exception ") + className + " in module " + FileName(modulePath) + " at " +
         address + ".\r\n" + WithFullStop(message);
}

// The "Application Error" box and exit code 1, whatever escaped the run.
int ReportUncaughtError(Setup& setup, const char* className, const std::string& message,
                        const void* place) {
  setup.winInit.Flush();
  ShowMessage(setup, kNoWindow, ErrorReport(className, message, place, setup.os.ModulePath()),
              "Application Error", kMbOk | kMbIconError | kMbTaskModal);
  return kExitFailed;
}

// Errors of the language and its library end the run as the setup's own do:
// reported, never as a silent crash. Their place in the code is not known.
int RunReportingErrors(Setup& setup) {
  try {
    return RunSetup(setup);
  } catch (const RuntimeError& error) {
    return ReportUncaughtError(setup, error.ClassName(), error.what(), error.Place());
  } catch (const std::bad_alloc&) {
    return ReportUncaughtError(setup, "std::bad_alloc", "Out of memory", nullptr);
  } catch (const std::exception& error) {
    return ReportUncaughtError(setup, "std::exception", error.what(), nullptr);
  } catch (...) {
    return ReportUncaughtError(setup, "unknown exception", "An error of unknown kind occurred",
                               nullptr);
  }
}

int Ended(Setup& setup, int exitCode) {
  setup.log.Write("Exit code " + std::to_string(exitCode));
  return exitCode;
}

// A command line with a refused switch: nothing is done.
int RefuseCommandLine(Setup& setup, const std::string& problem) {
  ShowMessage(setup, kNoWindow, problem + "\r\n\r\nThe switches are: " + SwitchSummary(),
              setup.product.displayName, kMbOk | kMbIconError);
  return Ended(setup, kExitBadCommandLine);
}

// The run over `os` (the silent one for /S), its log opened first.
int RunWithCommandLine(Platform& os, const std::string& arguments,
                       const ParsedCommandLine& commandLine) {
  Setup setup(os);
  setup.options = commandLine.options;
  if (setup.options.logFile) setup.log.Open(os, *setup.options.logFile);
  setup.log.Write(setup.product.displayName + " setup; command line: " +
                  (arguments.empty() ? std::string("none") : arguments));
  if (!commandLine.problem.empty()) return RefuseCommandLine(setup, commandLine.problem);
  return RunSetupProcess(setup);
}

}  // namespace

int RunSetupProcess(Platform& os) {
  const std::string arguments = os.CommandLine();
  const ParsedCommandLine commandLine = ParseCommandLine(arguments);
  if (!commandLine.options.silent) return RunWithCommandLine(os, arguments, commandLine);
  SilentPlatform silent(os);
  return RunWithCommandLine(silent, arguments, commandLine);
}

int RunSetupProcess(Setup& setup) {
  const int exitCode = RunReportingErrors(setup);
  TellLogProblem(setup);
  return Ended(setup, exitCode);
}

int RunSetup(Setup& setup) {
  StartUp(setup);
  const SequenceEnd end = RunDialogSequence(setup);
  if (end == SequenceEnd::kFinished) FinishInstallation(setup);
  if (end != SequenceEnd::kNoMainDialog && setup.state.aborted) CleanUpAbandonedRun(setup);
  End(setup);
  return ExitCodeOf(setup, end);
}

void StartUp(Setup& setup) {
  Platform& os = setup.os;
  SetupState& state = setup.state;
  LoadMediaValues(setup);
  state.sourceFolder = setup.options.mediaFolder.value_or(FolderPart(os.ModulePath()));
  if (setup.options.groupName) setup.product.groupName = *setup.options.groupName;
  state.readBuffer.assign(kBlockBufferSize, 0);
  state.writeBuffer.assign(kBlockBufferSize, 0);
  state.replaceTaskManager = false;
  state.makeActiveDesktop = false;
  state.screenWidth = os.ScreenWidth();
  state.screenHeight = os.ScreenHeight();
  state.backdropWindow = os.CreateBackdropWindow(BackdropPictureOf(setup));
  state.logoLoaded = os.LoadLogo();
  state.windowsFolder = os.WindowsFolder();
  setup.recorder.NoteMachineBefore(os, state.windowsFolder, setup.product.displayName);
  setup.winInit.Open(os, JoinPath(state.windowsFolder, "WinInit.Ini"));
  state.aborted = false;
  LogStartUp(setup);
}

std::optional<int> ShowSetupDialog(Setup& setup, SetupDialog dialog) {
  TellLogProblem(setup);
  const auto controller = MakeDialogController(setup, dialog);
  const auto result = setup.os.ShowDialog(dialog, setup.state.backdropWindow, *controller);
  if (result) setup.state.lastDialogResult = *result;
  setup.log.Write(DialogOutcome(setup, dialog, result));
  return result;
}

std::string UncaughtErrorText(const RuntimeError& error, const std::string& modulePath) {
  return ErrorReport(error.ClassName(), error.what(), error.Place(), modulePath);
}

std::string SuccessQuestion(const ProductDescriptor& product) {
  return product.installedText + product.displayName + "?";
}

std::string RebootQuestion(const ProductDescriptor& product) {
  return product.displayName + " had been successfully installed\r\n\r\n" +
         "The system should be rebooted for the " + product.displayName +
         " changes to take effect.\r\n\r\nReboot Windows?";
}

std::string RunQuestion(const ProductDescriptor& product) {
  return "Do you wish to run " + product.displayName + "?";
}

}  // namespace qm
