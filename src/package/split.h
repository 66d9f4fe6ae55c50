// The split of the unpacked stream: every packed file is copied out of the
// joined file (the main program followed by every packed file) into a new
// file of its own, staged under a temporary name beside its place, and the
// joined file is cut back to the main program.
#pragma once

#include <cstdint>
#include <string>

#include "package/staged_update.h"
#include "setup/setup.h"

namespace qm {

// Block size of the copies.
constexpr uint32_t kSplitBlockSize = 2048;

// Files that, once present, an installation never overwrites (".LIB", ".DTP").
bool IsKeptOnceInstalled(const std::string& name);

// Where a packed file belongs: help files (".HLP") in the Help folder of
// Windows when there is one, all others in the destination folder. Empty
// when the Help folder can't be looked at (an error other than its absence).
std::string PlaceOf(Setup& setup, const std::string& name);
std::string HelpFolder(const Setup& setup);

// Splits the staged joined file at `joinedPath` by the package directory. An
// existing ".LIB" or ".DTP" file is never replaced. Empty when every file is
// staged and the joined file holds the main program alone; else what went
// wrong, in words for the user.
std::string SplitJoinedFile(Setup& setup, StagedUpdate& update, const std::string& joinedPath);

}  // namespace qm
