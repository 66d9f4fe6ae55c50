// Reading and writing the install record as a whole. A record is never
// rewritten in place: the new text goes into a file beside it, which is then
// renamed over it, so that a failure at any point leaves the earlier record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "setup/temporary_names.h"

namespace qm {

// The file's whole text; nothing when it can't be read, with the error in
// `error` (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when there is none).
std::optional<std::string> ReadWholeTextFile(Platform& os, const std::string& path,
                                             uint32_t& error);
// Writes `text` beside `path` under a free temporary name and renames it
// over `path`. 0, or the error of the step that failed; then `path` is as it
// was and nothing is left beside it.
uint32_t ReplaceFileText(Platform& os, const std::string& path, const std::string& text,
                         const NameInUse& reserved);

}  // namespace qm
