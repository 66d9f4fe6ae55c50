// The space an installation needs on each drive, compared with what the
// drives have free before anything is written.
//
// On the destination drive the peak comes either during the decode (the
// package file and the joined file side by side) or during the split (the
// joined file and every staged product file side by side, the package file
// deleted); earlier files are only renamed, so they need no room. Help files
// go to the drive of the Windows folder, which also keeps room for a new
// WinInit.Ini. Every file is counted in whole clusters of its drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "setup/setup.h"

namespace qm {

// The room kept on the Windows folder's drive for writing WinInit.Ini anew.
constexpr uint64_t kWinInitRoom = 64 * 1024;

// The size of the package file: the sum of the volumes when the media record
// holds every one of them, else the product's expected package size.
uint64_t PackageSize(const MediaRecord& media, int32_t diskCount);
// `bytes` taken up in whole clusters.
uint64_t InClusters(uint64_t bytes, uint32_t clusterBytes);

// From the package directory in memory: the message for the first drive
// that has less free than it needs, naming the drive, the space needed and
// the space free; nothing when every drive has room or can't tell.
std::optional<std::string> CheckFreeSpace(Setup& setup);

}  // namespace qm
