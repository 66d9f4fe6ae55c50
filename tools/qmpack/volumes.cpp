#include "qmpack/volumes.h"

#include <algorithm>

#include "qmpack/file_io.h"
#include "qmpack/tool_error.h"
#include "transport/path_helpers.h"

namespace qmpack {

namespace fs = std::filesystem;

namespace {

std::string VolumeExtension(size_t disk) { return ".00" + std::to_string(disk); }

uint64_t VolumesNeeded(uint64_t packageSize, uint64_t firstSize, uint64_t volumeSize) {
  if (packageSize <= firstSize) return 1;
  return 1 + (packageSize - firstSize + volumeSize - 1) / volumeSize;
}

}  // namespace

std::vector<std::string> VolumeNames(const std::string& firstVolume, size_t count) {
  std::vector<std::string> names{firstVolume};
  for (size_t disk = 2; disk <= count; ++disk) {
    names.push_back(qm::ReplaceExtension(names.back(), VolumeExtension(disk)));
  }
  names.resize(count);
  return names;
}

std::vector<uint64_t> VolumeLengths(uint64_t packageSize, uint64_t firstSize, uint64_t volumeSize) {
  if (firstSize == 0 || volumeSize == 0) throw ToolError("a volume size must be at least 1 byte");
  const uint64_t needed = VolumesNeeded(packageSize, firstSize, volumeSize);
  if (needed > kMaxVolumes) {
    throw ToolError("the package of " + std::to_string(packageSize) + " bytes needs " +
                    std::to_string(needed) + " volumes (first " + std::to_string(firstSize) +
                    " bytes, then " + std::to_string(volumeSize) + " each); the setup reads at most " +
                    std::to_string(kMaxVolumes));
  }
  std::vector<uint64_t> lengths;
  uint64_t left = packageSize;
  for (uint64_t room = firstSize; lengths.empty() || left > 0; room = volumeSize) {
    lengths.push_back(std::min(left, room));
    left -= lengths.back();
  }
  return lengths;
}

JoinedVolumes JoinVolumes(const fs::path& folder, const std::string& firstVolume) {
  JoinedVolumes joined;
  const auto names = VolumeNames(firstVolume, kMaxVolumes);
  if (!fs::is_regular_file(folder / names[0])) {
    throw ToolError("the first volume " + (folder / names[0]).string() + " is missing");
  }
  for (size_t disk = 0; disk < names.size(); ++disk) {
    const fs::path path = folder / names[disk];
    if (!fs::is_regular_file(path)) continue;
    if (joined.names.size() < disk) {
      throw ToolError("volume " + names[disk] + " is present but " + names[joined.names.size()] +
                      " before it is missing");
    }
    const auto bytes = ReadFileBytes(path);
    joined.package.insert(joined.package.end(), bytes.begin(), bytes.end());
    joined.names.push_back(names[disk]);
    joined.lengths.push_back(bytes.size());
  }
  return joined;
}

}  // namespace qmpack
