// A scripted run of the setup: the dialogs it must show, in order, what to do
// in each, the exit code it must end with and what it must leave behind.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// The setup's exit codes.
constexpr unsigned long kInstalled = 0, kFailed = 1, kBadCommandLine = 2, kCancelled = 1602,
                        kRestartNeeded = 3010;

// What the click of a step must do to its dialog.
enum class Outcome {
  kCloses,     // the dialog goes away
  kLeavesOpen, // the dialog stays; the next step's window (a question) comes over it
  kRefuses,    // the dialog stays and no other window appears
};

// One dialog or message box the setup is expected to show next.
struct DialogStep {
  std::string caption;                                   // the title to wait for
  std::string textContains;  // message boxes: part of their text, when not empty
  std::vector<std::pair<int, std::string>> expectTexts;  // control id, text it must show
  std::vector<std::pair<int, std::string>> editTexts;    // control id, text to set
  std::vector<std::pair<int, std::string>> typedTexts;   // control id, text to type key by key
  std::string ownerCaption;  // when not empty: the title of the window that owns the dialog
  int clickId = 1;                                       // the button to click (IDOK)
  Outcome outcome = Outcome::kCloses;
  // Look every millisecond: the dialog may be up only briefly (a progress pass).
  bool watchClosely = false;
  std::function<void()> beforeClick;      // e.g. put the asked-for volume in place
  std::function<void()> rightAfterClick;  // e.g. a Cancel queued behind the click
};

struct Scenario {
  std::string name;
  // Scenarios that install take the media folder (see install_scenarios.cpp)
  // in place of the setup program; they run the setup.exe of its volumes.
  bool installs = false;
  std::string program;  // when not empty, the program run in place of the setup
  std::vector<std::string> playedBefore;  // scenarios played first, in order
  std::function<void()> prepare;  // runs before the setup starts
  // Empty when prepare left the machine as the scenario needs, else what is
  // missing; the setup is not started then.
  std::function<std::string()> checkPrepared;
  std::string arguments;  // the setup's command line after its name
  // No window of the setup's may ever appear (a silent run): no steps then.
  bool windowless = false;
  std::vector<DialogStep> steps;
  unsigned long exitCode = kInstalled;
  // Empty when the run left what it should, else what is wrong.
  std::function<std::string()> verify;
};

// The media folder the installing scenarios use: what the driver was given
// on its command line, set before the first scenario is looked up.
void SetMediaFolder(const std::string& folder);
const std::string& MediaFolder();
// The setup program that the scenario runs, given the driver's argument: the
// argument itself, or for an installing scenario the staged setup.exe.
std::string ProgramOf(const Scenario& scenario, const std::string& argument);

// The scenarios that run a whole installation from media.
std::vector<Scenario> InstallScenarios();
// Updates over an earlier installation on the small drive K:.
std::vector<Scenario> SmallDriveScenarios();
// Runs with switches: silent installations, refused switches, a log.
std::vector<Scenario> CommandLineScenarios();
// Installations taken away again by the uninstaller.
std::vector<Scenario> UninstallScenarios();

// The scenario of that name, or nullptr.
const Scenario* FindScenario(const std::string& name);
// Every scenario's name.
std::vector<std::string> ScenarioNames();

}  // namespace e2e
