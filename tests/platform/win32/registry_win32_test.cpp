// Registry values of the kinds Windows itself writes, read as the setup reads them.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/contract/contract_fixture.h"
#include "setup/reg_ini_file.h"

namespace {

using RegistryOnWindows = ContractTest;

void SetRawValue(const std::string& keyPath, const char* name, DWORD type,
                 const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

// Some systems keep the Start menu's folders as expandable strings.
TEST_F(RegistryOnWindows, ExpandableProgramsFolderComesExpanded) {
  SetRawValue(env_.registrySandbox + "\\Shell Folders", "Programs", REG_EXPAND_SZ,
              "%WINDIR%\\Start Menu\\Programs");
  qm::TRegIniFile explorer(os(), env_.registrySandbox);
  EXPECT_EQ(explorer.ReadString("Shell Folders", "programs", "missing"),
            std::string(std::getenv("WINDIR")) + "\\Start Menu\\Programs");
}

TEST_F(RegistryOnWindows, ValueOfAnotherKindCountsAsMissing) {
  SetRawValue(env_.registrySandbox + "\\Shell Folders", "Programs", REG_BINARY, "C:\\Menu");
  qm::TRegIniFile explorer(os(), env_.registrySandbox);
  EXPECT_EQ(explorer.ReadString("Shell Folders", "programs", "missing"), "missing");
}

}  // namespace
