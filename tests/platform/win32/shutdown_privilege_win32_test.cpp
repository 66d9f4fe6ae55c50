// The restart right, asked for through functions looked up at run time: on NT
// the process's token then holds SeShutdownPrivilege enabled.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/shutdown_privilege.h"

namespace {

bool ShutdownPrivilegeEnabled() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  const bool read = GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size);
  CloseHandle(token);
  LUID shutdown = {};
  if (!read || !LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown)) return false;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart) {
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

TEST(ShutdownPrivilegeOnWindows, IsEnabledInTheProcessToken) {
  qm::EnableShutdownPrivilege();
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
}

}  // namespace
