#include "package/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// The CRC-32 straight from its definition, one bit at a time: the model the
// table-driven code must match.
uint32_t BitwiseCrc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t k = 0; k < size; ++k) {
    crc ^= data[k];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

TEST(Crc32, CheckValueAndPiecewiseFeeding) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32Update(0, text.data(), text.size()), 0xCBF43926u);
  const uint32_t head = Crc32Update(0, text.data(), 4);
  EXPECT_EQ(Crc32Update(head, text.data() + 4, text.size() - 4), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(0, nullptr, 0), 0u);
}

// Every length around the eight-byte steps, at every start alignment, whole
// and cut in two at every point.
TEST(Crc32, MatchesTheBitwiseDefinitionAtEveryLengthAlignmentAndCut) {
  std::vector<uint8_t> data(80);
  for (size_t k = 0; k < data.size(); ++k) data[k] = static_cast<uint8_t>(k * 151 + 7);
  for (size_t start = 0; start < 8; ++start) {
    for (size_t size = 0; start + size <= data.size() && size <= 40; ++size) {
      const uint8_t* bytes = data.data() + start;
      const uint32_t expected = BitwiseCrc32(bytes, size);
      ASSERT_EQ(Crc32Update(0, bytes, size), expected) << "start " << start << " size " << size;
      for (size_t cut = 0; cut <= size; ++cut) {
        ASSERT_EQ(Crc32Update(Crc32Update(0, bytes, cut), bytes + cut, size - cut), expected)
            << "start " << start << " size " << size << " cut " << cut;
      }
    }
  }
}

}  // namespace
}  // namespace qm
