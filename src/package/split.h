// The split of the unpacked stream: every packed file is copied out of the
// joined file (the main program followed by every packed file) into a file of
// its own, and the joined file is cut back to the main program.
#pragma once

#include <cstdint>

#include "setup/setup.h"

namespace qm {

// Block size of the copies.
constexpr uint32_t kSplitBlockSize = 2048;
// The most characters a node's name may take when it is replaced by its
// temporary form.
constexpr size_t kLongestNodeName = 20;

// Splits the joined file `mainProgram` in the destination folder by the
// package directory. Help files (".HLP") go to the Help folder of Windows; an
// existing ".LIB" or ".DTP" file is never overwritten; a file that can't be
// created is written beside its place under ".$$$" and a rename line puts it
// there at the next start of Windows (a file that can't be created either way
// is skipped). False when the joined file can't be read, holds fewer bytes
// than the directory promises, or a copy or the cut can't be written in full.
bool SplitJoinedFile(Setup& setup);

}  // namespace qm
