#include "qmpack/setup_media_block.h"

#include <algorithm>
#include <iterator>

#include "qmpack/pe_image.h"
#include "qmpack/tool_error.h"
#include "setup/media_block.h"

namespace qmpack {

namespace {

std::vector<uint64_t> MarkerPositions(const std::vector<uint8_t>& file, uint64_t imageEnd) {
  std::vector<uint64_t> found;
  const auto end = file.begin() + static_cast<std::ptrdiff_t>(imageEnd);
  for (auto at = file.begin();; ++at) {
    at = std::search(at, end, std::begin(qm::kMediaBlockMarker), std::end(qm::kMediaBlockMarker));
    if (at == end) return found;
    found.push_back(static_cast<uint64_t>(at - file.begin()));
  }
}

}  // namespace

SetupMediaBlock FindMediaBlock(const std::vector<uint8_t>& setupFile) {
  const uint64_t imageEnd = MeasurePeImage(setupFile).imageEnd;
  const auto positions = MarkerPositions(setupFile, imageEnd);
  if (positions.empty()) {
    throw ToolError("no media block found: this is not a setup program that qmpack can set up");
  }
  if (positions.size() > 1) {
    throw ToolError("the media block's marker occurs " + std::to_string(positions.size()) +
                    " times (at bytes " + std::to_string(positions[0]) + " and " +
                    std::to_string(positions[1]) + "); qmpack can't tell which block the setup reads");
  }
  SetupMediaBlock block;
  block.offset = positions.front();
  if (block.offset + qm::kMediaBlockSize > imageEnd) {
    throw ToolError("the media block at byte " + std::to_string(block.offset) +
                    " runs past the end of the executable's image");
  }
  const uint8_t* bytes = setupFile.data() + block.offset;
  block.problem = qm::MediaBlockProblem(bytes);
  block.record = qm::DecodeMediaBlock(bytes).value_or(qm::MediaRecord{});
  return block;
}

std::string SizeAndCrcText(uint64_t size, uint32_t crc) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = std::to_string(size) + " bytes, CRC-32 0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[crc >> shift & 0xF];
  return text;
}

void PatchMediaBlock(std::vector<uint8_t>& setupFile, uint64_t offset, const qm::MediaRecord& record) {
  const qm::MediaBlockBytes block = qm::EncodeMediaBlock(record);
  std::copy(std::begin(block.bytes), std::end(block.bytes),
            setupFile.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace qmpack
