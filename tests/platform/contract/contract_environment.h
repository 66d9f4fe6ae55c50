// What each adapter gives the contract tests: a platform and a place to work in.
// The same tests run against the real Win32 adapter under Wine and against the
// in-memory fake, so that the fake answers as Windows does.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

struct ContractEnvironment {
  std::unique_ptr<qm::Platform> platform;
  // An existing empty folder with no trailing backslash, on a fixed drive.
  std::string sandbox;
  // A root like "Q:\\" that does not exist.
  std::string missingDriveRoot;
  // A subkey path of HKEY_CURRENT_USER that the tests may fill; it does not
  // exist before the test and is deleted with everything below it afterwards.
  std::string registrySandbox;
};

// A fresh environment for one test; the current folder is restored and both
// sandboxes are removed by DisposeContractEnvironment.
ContractEnvironment MakeContractEnvironment();
void DisposeContractEnvironment(ContractEnvironment& environment);
