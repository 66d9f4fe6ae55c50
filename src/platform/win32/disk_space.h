// A drive's free space over the calls each Windows has. GetDiskFreeSpaceExA
// is missing from the first Windows 95 release, so the program never imports
// it: it is looked up in kernel32 at run time, and without it the free space
// comes from GetDiskFreeSpaceA's cluster counts.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/platform.h"

namespace qm {

using GetDiskFreeSpaceExFunction = BOOL(WINAPI*)(LPCSTR root, PULARGE_INTEGER freeToCaller,
                                                 PULARGE_INTEGER total, PULARGE_INTEGER totalFree);

// kernel32's GetDiskFreeSpaceExA, or nullptr where the system lacks it.
GetDiskFreeSpaceExFunction LookUpGetDiskFreeSpaceEx();

// The space of the drive at `root` ("C:\"): the bytes free to the caller from
// `freeSpaceEx`, or from the free clusters when it is nullptr; the cluster
// size from GetDiskFreeSpaceA. Nothing when a call fails, GetLastError then
// telling why.
std::optional<DiskSpace> QueryDiskSpace(const std::string& root,
                                        GetDiskFreeSpaceExFunction freeSpaceEx);

}  // namespace qm
