// A short-lived registry object over one key path: made, used, freed (freeing
// closes the key). Sections are subkeys of the open key.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "setup/runtime_error.h"

namespace qm {

// A key or value that could not be written. Nothing in the setup catches it.
class ERegIniFileException : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
  const char* ClassName() const override { return "ERegIniFileException"; }
};

class TRegIniFile {
 public:
  // Opens the key path under HKEY_CURRENT_USER, creating it when missing.
  TRegIniFile(Platform& os, const std::string& keyPath);
  ~TRegIniFile();
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  // Closes the open key and opens the same path under the new root, creating it when missing.
  void SetRootKey(RegKey root);
  // The value of name in the subkey section, or the default when either is missing.
  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& defaultValue);
  // Creates the subkey section when missing and sets the value; raises
  // ERegIniFileException when either fails.
  void WriteString(const std::string& section, const std::string& name, const std::string& value);

 private:
  void CloseOpenKey();

  Platform& os_;
  std::string keyPath_;
  std::optional<RegKey> key_;
};

}  // namespace qm
