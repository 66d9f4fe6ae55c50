// The media block: the MediaRecord as a fixed-layout block of bytes inside
// setup.exe's initialised data, so that qmpack can find it by its marker and
// patch it in place with the values of the media it builds.
//
// Layout (68 bytes, integers little-endian):
//
//   0   16  marker (occurs once in the file: the block is its only copy)
//   16   4  layout version, 1
//   20   4  diskCount, signed
//   24   4  expectedPackageSize, signed
//   28  16  volumeSize[4]
//   44  16  volumeCrc[4]
//   60   4  streamLength
//   64   4  streamCrc
//
// An unpatched block holds the defaults (4 disks, 5,382,000 bytes) and zero
// sizes and CRCs, which mean "not recorded".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "setup/media_record.h"

namespace qm {

struct Setup;

constexpr size_t kMediaBlockMarkerSize = 16;
constexpr size_t kMediaBlockSize = 68;
constexpr uint32_t kMediaBlockVersion = 1;

// Used only to build and find blocks: code that ends up in setup.exe must not
// keep a copy of it at run time, or the marker would occur twice in the file.
inline constexpr uint8_t kMediaBlockMarker[kMediaBlockMarkerSize] = {
    'Q', 'M', 'S', 'E', 'T', 'U', 'P', '-', 'M', 'E', 'D', 'I', 'A', 0x00, 0xC7, 0x5A};

struct MediaBlockBytes {
  uint8_t bytes[kMediaBlockSize];
};

namespace media_block_detail {

constexpr void PutU32(MediaBlockBytes& block, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) block.bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace media_block_detail

// Field positions within the block.
constexpr size_t kMediaBlockVersionAt = 16;
constexpr size_t kMediaBlockDiskCountAt = 20;
constexpr size_t kMediaBlockPackageSizeAt = 24;
constexpr size_t kMediaBlockVolumeSizeAt = 28;
constexpr size_t kMediaBlockVolumeCrcAt = kMediaBlockVolumeSizeAt + 4 * kMaxVolumes;
constexpr size_t kMediaBlockStreamLengthAt = kMediaBlockVolumeCrcAt + 4 * kMaxVolumes;
constexpr size_t kMediaBlockStreamCrcAt = kMediaBlockStreamLengthAt + 4;
static_assert(kMediaBlockStreamCrcAt + 4 == kMediaBlockSize);

constexpr MediaBlockBytes EncodeMediaBlock(const MediaRecord& record) {
  using media_block_detail::PutU32;
  MediaBlockBytes block{};
  for (size_t i = 0; i < kMediaBlockMarkerSize; ++i) block.bytes[i] = kMediaBlockMarker[i];
  PutU32(block, kMediaBlockVersionAt, kMediaBlockVersion);
  PutU32(block, kMediaBlockDiskCountAt, static_cast<uint32_t>(record.diskCount));
  PutU32(block, kMediaBlockPackageSizeAt, static_cast<uint32_t>(record.expectedPackageSize));
  for (int i = 0; i < kMaxVolumes; ++i) {
    PutU32(block, kMediaBlockVolumeSizeAt + 4 * static_cast<size_t>(i), record.volumeSize[i]);
    PutU32(block, kMediaBlockVolumeCrcAt + 4 * static_cast<size_t>(i), record.volumeCrc[i]);
  }
  PutU32(block, kMediaBlockStreamLengthAt, record.streamLength);
  PutU32(block, kMediaBlockStreamCrcAt, record.streamCrc);
  return block;
}

// Why the block's values can't be used, or nothing when they can: the layout
// version must be known, diskCount 1 to 4 and expectedPackageSize above 0
// (the copy gauge divides by it). The marker is not looked at.
std::optional<std::string> MediaBlockProblem(const uint8_t* block);

// The values of a block of kMediaBlockSize bytes, or nothing when
// MediaBlockProblem finds one.
std::optional<MediaRecord> DecodeMediaBlock(const uint8_t* block);

// The values of this program's own block; the defaults when it can't be used.
MediaRecord ReadOwnMediaBlock();

// Start-up: diskCount into setup.product.diskCount, the rest into setup.media.
void LoadMediaValues(Setup& setup);

}  // namespace qm
