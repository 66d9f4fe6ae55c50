// A scripted run of the setup: the dialogs it must show, in order, what to do
// in each, the exit code it must end with and what it must leave behind.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// One dialog or message box the setup is expected to show next.
struct DialogStep {
  std::string caption;                                 // the title to wait for
  std::vector<std::pair<int, std::string>> editTexts;  // control id, text to enter
  std::string textContains;  // message boxes: part of their text, when not empty
  int clickId = 1;           // the button to click (IDOK)
};

struct Scenario {
  std::string name;
  std::function<void()> prepare;  // runs before the setup starts
  std::vector<DialogStep> steps;
  unsigned long exitCode = 0;
  // Empty when the run left what it should, else what is wrong.
  std::function<std::string()> verify;
};

// The scenario of that name, or nullptr.
const Scenario* FindScenario(const std::string& name);

}  // namespace e2e
