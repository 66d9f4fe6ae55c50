// The one error the media tool's core raises: something the user asked for
// can't be done. The message says what and why; the command line prints it.
#pragma once

#include <stdexcept>
#include <string>

namespace qmpack {

class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qmpack
