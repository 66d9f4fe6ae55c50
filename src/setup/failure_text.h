// The words in which the setup tells the user why a file or a drive let it
// down: the path, what could not be done, and the reason Windows gave.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qm {

// The longest path Windows accepts (MAX_PATH less the terminating zero).
constexpr size_t kLongestPath = 259;

// "the disk is full", "access is denied" and the like; `path` tells a folder
// in the way and a path that is too long apart from the other reasons.
std::string FailureReason(Platform& os, const std::string& path, uint32_t error);
// "The file PATH could not be ACTION: REASON."
std::string FileProblem(Platform& os, const std::string& path, const std::string& action,
                        uint32_t error);
// A size as a person reads it: "512 KB", "12.4 MB" (rounded up).
std::string SizeText(uint64_t bytes);

}  // namespace qm
