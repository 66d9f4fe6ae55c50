// The package on its diskettes: one VolumeFile per disk, at most four, named
// from the first volume's name by replacing the extension with .002, .003, .004.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qmpack {

constexpr size_t kMaxVolumes = 4;
constexpr uint64_t kDisketteCapacity = 1'457'664;  // a 1.44 MB diskette's data area
constexpr uint64_t kDisketteCluster = 512;

// The names of `count` volumes; each later name is the one before it with its
// extension replaced, as the setup makes them.
std::vector<std::string> VolumeNames(const std::string& firstVolume, size_t count);

// The lengths of the volumes that hold `packageSize` bytes: the first takes up
// to `firstSize`, each later one up to `volumeSize`; there is always at least
// one. Throws ToolError when more than four would be needed.
std::vector<uint64_t> VolumeLengths(uint64_t packageSize, uint64_t firstSize, uint64_t volumeSize);

struct JoinedVolumes {
  std::vector<std::string> names;  // the volumes found, in disk order
  std::vector<uint64_t> lengths;   // their sizes
  std::vector<uint8_t> package;
};

// Reads the first volume and each later one that is present, stopping at the
// first missing one. Throws ToolError when the first is missing, or when a
// later volume is present after a missing one.
JoinedVolumes JoinVolumes(const std::filesystem::path& folder, const std::string& firstVolume);

}  // namespace qmpack
