// The writing side of the package directory: entries, then the 5-byte trailer.
#pragma once

#include <cstdint>
#include <vector>

#include "package/package_directory.h"

namespace qmpack {

// Encodes the directory as the setup program reads it from the end of its
// file. Throws ToolError for anything the setup would refuse: more than 255
// entries, an unusable name, a stream length of 0, an entry outside the stream.
std::vector<uint8_t> EncodePackageDirectory(const qm::PackageDirectory& directory);

}  // namespace qmpack
