// Plays a scenario: starts the setup, answers its dialogs step by step and
// checks what the run left behind.
#pragma once

#include <windows.h>

#include <string>

#include "scenario.h"
#include "setup_session.h"

namespace e2e {

// A Unix path (as the build passes it under Wine) names the same file on drive Z:.
std::string WindowsPath(std::string path);

// Reports the failure, ends the setup and answers false.
bool Fail(SetupSession& session, const std::string& why);

// Waits for the step's dialog, checks it, does what the step says and checks
// the outcome. False (reported) when anything went otherwise.
bool PlayStep(SetupSession& session, const DialogStep& step, DWORD deadline);

// The whole scenario, with the scenarios it needs played first; `program` is
// the setup to run. True when everything went as scripted.
bool Play(const Scenario& scenario, const std::string& program, DWORD seconds);

}  // namespace e2e
