// The errors the media tool's core raises: something the user asked for
// can't be done. The message says what and why; the command line prints it.
#pragma once

#include <stdexcept>
#include <string>

namespace qmpack {

class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request that can't be done as the command line puts it, though another
// command line would do it (for instance one that names the files to pack).
// The command line exits with its code for a wrong command line.
class WrongRequestError : public ToolError {
 public:
  using ToolError::ToolError;
};

}  // namespace qmpack
