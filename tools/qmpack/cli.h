// The qmpack command line: parses the arguments, runs the command and reports.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmpack {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // the command ran and failed, refused, or found a fault
constexpr int kExitUsage = 2;    // the command line itself was wrong

// Runs one command line (without the program's name). Results go to `out`,
// errors and warnings to `err`; `showProgress` draws progress bars on `err`.
int RunQmpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool showProgress);

}  // namespace qmpack
