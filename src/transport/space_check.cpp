#include "transport/space_check.h"

#include <algorithm>
#include <map>

#include "package/split.h"
#include "setup/failure_text.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

// "C:\" for a path on drive C:, empty for a path without a drive letter.
std::string DriveRoot(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::string();
  return UpperCase(path.substr(0, 1)) + ":\\";
}

uint64_t Positive(int64_t value) { return value > 0 ? static_cast<uint64_t>(value) : 0; }

// The files of one drive, in whole clusters: those that exist during the
// decode and those that exist during the split.
struct DriveLoad {
  DiskSpace space;
  uint64_t duringDecode = 0;
  uint64_t duringSplit = 0;
  uint64_t Need() const { return std::max(duringDecode, duringSplit); }
};

// An earlier file that the installation keeps needs no room.
bool KeptOnceInstalled(Setup& setup, const std::string& name) {
  return IsKeptOnceInstalled(name) &&
         FilePresent(setup.os, JoinPath(setup.state.destinationFolder, name));
}

std::string ShortageText(const Setup& setup, const std::string& root, uint64_t need,
                         uint64_t free) {
  const std::string drive = root.substr(0, 2);
  return "There is not enough free space on drive " + drive + " for " + setup.product.displayName +
         ".\r\n\r\nThe installation needs " + SizeText(need) + " there, and " + SizeText(free) +
         " is free. Please free at least " + SizeText(need - free) + " on drive " + drive +
         ", then start the setup again.";
}

}  // namespace

uint64_t PackageSize(const MediaRecord& media, int32_t diskCount) {
  const int volumes = std::clamp(diskCount, 1, kMaxVolumes);
  uint64_t sum = 0;
  for (int volume = 0; volume < volumes; ++volume) {
    if (!media.VolumeRecorded(volume)) return Positive(media.expectedPackageSize);
    sum += media.volumeSize[volume];
  }
  return sum;
}

uint64_t InClusters(uint64_t bytes, uint32_t clusterBytes) {
  if (clusterBytes == 0) return bytes;
  return (bytes + clusterBytes - 1) / clusterBytes * clusterBytes;
}

std::optional<std::string> CheckFreeSpace(Setup& setup) {
  const SetupState& state = setup.state;
  std::map<std::string, DriveLoad> drives;
  // Drives that can't tell their free space are left out of the check.
  const auto load = [&](const std::string& path) -> DriveLoad* {
    const std::string root = DriveRoot(path);
    if (root.empty()) return nullptr;
    auto found = drives.find(root);
    if (found == drives.end()) {
      const auto space = setup.os.FreeSpace(root);
      if (!space) {
        setup.log.Write("Drive " + root.substr(0, 2) + " can't tell its free space: not checked");
        return nullptr;
      }
      found = drives.emplace(root, DriveLoad{*space}).first;
    }
    return &found->second;
  };
  const uint64_t stream = std::max<uint64_t>(Positive(state.unpackTotal), setup.media.streamLength);
  if (DriveLoad* destination = load(state.destinationFolder)) {
    const uint32_t cluster = destination->space.clusterBytes;
    destination->duringDecode +=
        InClusters(PackageSize(setup.media, setup.product.diskCount), cluster) +
        InClusters(stream, cluster);
    destination->duringSplit += InClusters(stream, cluster);
  }
  for (const PackageNode* node = state.directoryHead.get(); node; node = node->next.get()) {
    if (KeptOnceInstalled(setup, node->name)) continue;
    if (DriveLoad* drive = load(PlaceOf(setup, node->name))) {
      drive->duringSplit += InClusters(Positive(node->size), drive->space.clusterBytes);
    }
  }
  if (DriveLoad* windows = load(state.windowsFolder)) {
    windows->duringDecode += kWinInitRoom;
    windows->duringSplit += kWinInitRoom;
  }
  std::optional<std::string> shortage;
  for (const auto& [root, drive] : drives) {
    setup.log.Write("Drive " + root.substr(0, 2) + " " + std::to_string(drive.Need()) +
                    " bytes needed, " + std::to_string(drive.space.freeBytes) + " bytes free");
    if (!shortage && drive.Need() > drive.space.freeBytes) {
      shortage = ShortageText(setup, root, drive.Need(), drive.space.freeBytes);
    }
  }
  return shortage;
}

}  // namespace qm
