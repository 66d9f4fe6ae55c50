#include "package/crc32.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

TEST(Crc32, CheckValueAndPiecewiseFeeding) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32Update(0, text.data(), text.size()), 0xCBF43926u);
  const uint32_t head = Crc32Update(0, text.data(), 4);
  EXPECT_EQ(Crc32Update(head, text.data() + 4, text.size() - 4), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(0, nullptr, 0), 0u);
}

}  // namespace
}  // namespace qm
