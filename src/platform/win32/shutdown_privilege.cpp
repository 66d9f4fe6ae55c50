#include "platform/win32/shutdown_privilege.h"

#include <windows.h>

namespace qm {
namespace {

using OpenProcessTokenFunction = BOOL(WINAPI*)(HANDLE process, DWORD access, PHANDLE token);
using LookupPrivilegeValueFunction = BOOL(WINAPI*)(LPCSTR system, LPCSTR name, PLUID luid);
using AdjustTokenPrivilegesFunction = BOOL(WINAPI*)(HANDLE token, BOOL disableAll,
                                                    PTOKEN_PRIVILEGES privileges, DWORD length,
                                                    PTOKEN_PRIVILEGES previous, PDWORD returned);

// advapi32's function `name` under its own type, or nullptr.
template <typename Function>
Function LookUp(HMODULE advapi, const char* name) {
  // GetProcAddress hands every function out under one type.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(advapi, name)));
}

}  // namespace

void EnableShutdownPrivilege() {
  // The registry calls import advapi32, so it is loaded already.
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  if (advapi == nullptr) return;
  const auto openToken = LookUp<OpenProcessTokenFunction>(advapi, "OpenProcessToken");
  const auto lookupPrivilege = LookUp<LookupPrivilegeValueFunction>(advapi, "LookupPrivilegeValueA");
  const auto adjustPrivileges = LookUp<AdjustTokenPrivilegesFunction>(advapi, "AdjustTokenPrivileges");
  if (openToken == nullptr || lookupPrivilege == nullptr || adjustPrivileges == nullptr) return;

  HANDLE token = nullptr;
  if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (lookupPrivilege(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    adjustPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

}  // namespace qm
