// The values that belong to the installation media rather than to the
// program: how many volumes there are, the package size the copy gauge
// measures against, and, for media built by qmpack, each volume's size and
// CRC-32 and the unpacked stream's length and CRC-32. They are kept in one
// fixed-layout block inside setup.exe, which qmpack finds by its marker and
// patches in place when it builds the media.
#pragma once

#include <cstdint>

namespace qm {

constexpr int kMaxVolumes = 4;

struct MediaRecord {
  int32_t diskCount = 4;
  int32_t expectedPackageSize = 5382000;
  // Zero size and CRC: not recorded (media made by other means); no check.
  uint32_t volumeSize[kMaxVolumes] = {};
  uint32_t volumeCrc[kMaxVolumes] = {};
  uint32_t streamLength = 0;
  uint32_t streamCrc = 0;

  bool VolumeRecorded(int volume) const {  // volume counted from 0
    return volumeSize[volume] != 0 || volumeCrc[volume] != 0;
  }
  bool StreamRecorded() const { return streamLength != 0 || streamCrc != 0; }
};

}  // namespace qm
