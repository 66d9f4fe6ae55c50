// What the uninstaller takes back from WinInit.Ini: the [Rename] lines that
// would put one of the product's files in place at the next start of
// Windows (and on Windows NT the moves scheduled with them), and the file
// itself when the installation created it and it holds nothing more.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace qm {

// Takes out every [Rename] line whose source `ours` accepts and, when
// `windowsNt`, withdraws the move scheduled for it. 0, or the error that kept
// the file from being rewritten (then it is as it was).
uint32_t WithdrawRenameLines(Platform& os, const std::string& winInitPath,
                             const std::function<bool(const std::string& source)>& ours,
                             bool windowsNt);

// True when the file holds no more than an empty [Rename] section.
bool HoldsNothing(const std::string& winInitText);

}  // namespace qm
