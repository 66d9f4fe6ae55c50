// The product folder and the unpacked stream made from it: the main program,
// then every other file back to back, described by a package directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "package/package_directory.h"

namespace qmpack {

// The longest unpacked stream: the setup reads its length as a signed 32-bit value.
constexpr uint64_t kMaxStreamSize = 0x7FFFFFFF;

struct ProductFile {
  std::string name;  // as the setup will create it: code page 1252
  std::filesystem::path path;
};

struct ProductFiles {
  std::vector<ProductFile> files;    // in packing order, the main program first
  std::vector<std::string> leftOut;  // host names that the default packing list skipped
};

// The files in packing order, the main program first. With a list file, the
// names it gives in its order (one a line; blank lines and lines starting with
// "#" are skipped, as is a line naming the main program); otherwise every other
// entry of the folder, sorted by name, but for names starting with "." or
// ending in "~" (hidden files, editors' backups and locks), which are left out
// and reported. The main program is found without regard to letter case.
// Names are converted from UTF-8 to code page 1252. A symbolic link is packed
// with the content of the regular file it points to.
// Throws WrongRequestError when the folder holds subfolders and no list file
// is given: the package holds no folders, so their files would be missing.
// Throws ToolError for a missing file, a folder, a link to anything but a
// regular file, a device, pipe or socket, a name given twice (letter case
// ignored, as on Windows), a name that the directory can't hold or that
// Windows can't create.
ProductFiles CollectProductFiles(const std::filesystem::path& folder,
                                 const std::string& mainProgram,
                                 const std::optional<std::filesystem::path>& listFile);

struct UnpackedStream {
  std::vector<uint8_t> bytes;
  qm::PackageDirectory directory;
  size_t mainProgramSize = 0;
};

// Joins the files (the first is the main program) into one stream with its
// directory. Throws ToolError when the stream would exceed 2 GiB - 1 bytes or
// be empty, or when the directory can't hold the files.
UnpackedStream BuildUnpackedStream(const std::vector<ProductFile>& files);

}  // namespace qmpack
