// The media block inside a setup program's file: found by its marker within
// the executable's image, read for display and checks, and patched in place
// (same length, so nothing in the image moves).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setup/media_record.h"

namespace qmpack {

struct SetupMediaBlock {
  uint64_t offset = 0;                // of the marker in the file
  std::optional<std::string> problem;  // why the setup would not use its values
  qm::MediaRecord record;             // the values; the defaults when `problem` is set
};

// Finds the one media block in the image of a setup program's file (bytes
// appended after the image are not searched). Throws ToolError when the file
// is no executable or holds no block or more than one.
SetupMediaBlock FindMediaBlock(const std::vector<uint8_t>& setupFile);

// "N bytes, CRC-32 0xXXXXXXXX", as qmpack shows a volume's or the stream's record.
std::string SizeAndCrcText(uint64_t size, uint32_t crc);

// Writes `record` over the block at `offset`.
void PatchMediaBlock(std::vector<uint8_t>& setupFile, uint64_t offset, const qm::MediaRecord& record);

}  // namespace qmpack
