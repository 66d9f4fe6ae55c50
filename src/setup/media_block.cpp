#include "setup/media_block.h"

#include "setup/setup.h"

namespace qm {

namespace {

// The block itself, in the program's initialised data. Volatile so that the
// compiler reads the bytes that qmpack patched into the file instead of
// folding in the defaults it was built with; kept even when unreferenced.
[[gnu::used]] const volatile MediaBlockBytes kOwnMediaBlock = EncodeMediaBlock(MediaRecord{});

uint32_t U32At(const uint8_t* block, size_t at) {
  return uint32_t{block[at]} | uint32_t{block[at + 1]} << 8 | uint32_t{block[at + 2]} << 16 |
         uint32_t{block[at + 3]} << 24;
}

int32_t I32At(const uint8_t* block, size_t at) { return static_cast<int32_t>(U32At(block, at)); }

}  // namespace

std::optional<std::string> MediaBlockProblem(const uint8_t* block) {
  const uint32_t version = U32At(block, kMediaBlockVersionAt);
  if (version != kMediaBlockVersion) {
    return "its layout version " + std::to_string(version) + " is not " +
           std::to_string(kMediaBlockVersion);
  }
  const int32_t diskCount = I32At(block, kMediaBlockDiskCountAt);
  if (diskCount < 1 || diskCount > kMaxVolumes) {
    return "its disk count " + std::to_string(diskCount) + " is not 1 to " +
           std::to_string(kMaxVolumes);
  }
  const int32_t packageSize = I32At(block, kMediaBlockPackageSizeAt);
  if (packageSize <= 0) return "its package size " + std::to_string(packageSize) + " is not above 0";
  return std::nullopt;
}

std::optional<MediaRecord> DecodeMediaBlock(const uint8_t* block) {
  if (MediaBlockProblem(block)) return std::nullopt;
  MediaRecord record;
  record.diskCount = I32At(block, kMediaBlockDiskCountAt);
  record.expectedPackageSize = I32At(block, kMediaBlockPackageSizeAt);
  for (int i = 0; i < kMaxVolumes; ++i) {
    record.volumeSize[i] = U32At(block, kMediaBlockVolumeSizeAt + 4 * static_cast<size_t>(i));
    record.volumeCrc[i] = U32At(block, kMediaBlockVolumeCrcAt + 4 * static_cast<size_t>(i));
  }
  record.streamLength = U32At(block, kMediaBlockStreamLengthAt);
  record.streamCrc = U32At(block, kMediaBlockStreamCrcAt);
  return record;
}

MediaRecord ReadOwnMediaBlock() {
  uint8_t copy[kMediaBlockSize];
  for (size_t i = 0; i < kMediaBlockSize; ++i) copy[i] = kOwnMediaBlock.bytes[i];
  return DecodeMediaBlock(copy).value_or(MediaRecord{});
}

void LoadMediaValues(Setup& setup) {
  setup.media = ReadOwnMediaBlock();
  setup.product.diskCount = setup.media.diskCount;
}

}  // namespace qm
