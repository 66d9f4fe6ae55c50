// The stamp of a file's content (its CRC-32 and size), by which the
// uninstaller knows a file outside the destination folder as the one the
// setup placed there.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "uninstall/install_record.h"

namespace qm {

// Nothing when the file can't be read or is 4 GB or more.
std::optional<FileStamp> StampOfFile(Platform& os, const std::string& path);

}  // namespace qm
