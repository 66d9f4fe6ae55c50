#include "setup/reg_ini_file.h"

namespace qm {

TRegIniFile::TRegIniFile(Platform& os, const std::string& keyPath)
    : os_(os), keyPath_(keyPath), key_(os.CreateKey(kHkeyCurrentUser, keyPath)) {}

TRegIniFile::~TRegIniFile() { CloseOpenKey(); }

void TRegIniFile::CloseOpenKey() {
  if (key_) os_.CloseKey(*key_);
  key_.reset();
}

void TRegIniFile::SetRootKey(RegKey root) {
  CloseOpenKey();
  key_ = os_.CreateKey(root, keyPath_);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& name,
                                    const std::string& defaultValue) {
  if (!key_) return defaultValue;
  const auto subKey = os_.OpenKey(*key_, section);
  if (!subKey) return defaultValue;
  const auto value = os_.QueryString(*subKey, name);
  os_.CloseKey(*subKey);
  return value ? *value : defaultValue;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
  const auto subKey = key_ ? os_.CreateKey(*key_, section) : std::nullopt;
  if (!subKey) throw ERegIniFileException("Failed to create key " + section);
  const bool written = os_.SetString(*subKey, name, value);
  os_.CloseKey(*subKey);
  if (!written) throw ERegIniFileException("Failed to set data for '" + name + "'");
}

}  // namespace qm
