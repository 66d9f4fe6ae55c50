// The errors that nothing in the setup catches: the decoder's and the registry
// object's. Either ends the process with the "Application Error" report, which
// names the error's class and the place where it was raised.
#pragma once

#include <stdexcept>
#include <string>

namespace qm {

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& message)
      : std::runtime_error(message), place_(__builtin_return_address(0)) {}

  // The class name shown in the report, such as "ElzhException".
  virtual const char* ClassName() const = 0;
  // The code address from which the error was raised.
  const void* Place() const { return place_; }

 private:
  const void* place_;
};

}  // namespace qm
