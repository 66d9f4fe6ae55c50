// Real -lh1- streams made by many LHA archivers: each must decode to the
// recorded CRC-32, through the byte-wise callbacks and through the fast core.
// The longer ones count far more than 32,768 symbols, so they pass through
// several rebuilds of the adaptive tree.
#include <gtest/gtest.h>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_test_support.h"

namespace qm::lzh_test {
namespace {

class ConformanceTest : public testing::TestWithParam<ConformanceStream> {};

TEST_P(ConformanceTest, CallbackDecodeMatchesRecordedCrc) {
  const ConformanceStream& stream = GetParam();
  const std::vector<uint8_t> input = ReadFileBytes(ConformancePath(stream.file));
  const std::vector<uint8_t> output =
      DecodeByCallbacks(input, static_cast<int32_t>(stream.originalSize));
  ASSERT_EQ(output.size(), stream.originalSize);
  EXPECT_EQ(Crc32(output), stream.crc32);
}

TEST_P(ConformanceTest, MemoryDecodeMatchesRecordedCrcAndReadsNoMoreThanTheStream) {
  const ConformanceStream& stream = GetParam();
  const std::vector<uint8_t> input = ReadFileBytes(ConformancePath(stream.file));
  std::vector<uint8_t> output(stream.originalSize + kLzhMaxOverrun);
  const LzhMemoryResult result =
      LzhDecodeMemory(input.data(), input.size(), output.data(), stream.originalSize);
  ASSERT_EQ(result.outputWritten, stream.originalSize);
  output.resize(result.outputWritten);
  EXPECT_EQ(Crc32(output), stream.crc32);
  // The encoder flushes its last bits into whole bytes; the decoder may look
  // up to two bytes past the last bit it uses.
  EXPECT_LE(result.inputConsumed, input.size() + 2);
  EXPECT_GE(result.inputConsumed + 2, input.size());
}

std::string StreamName(const testing::TestParamInfo<ConformanceStream>& info) {
  return "Stream" + info.param.file.substr(0, 3);
}

INSTANTIATE_TEST_SUITE_P(LhaArchives, ConformanceTest,
                         testing::ValuesIn(LoadConformanceManifest()), StreamName);

TEST(ConformanceManifest, ListsEveryStream) { EXPECT_EQ(LoadConformanceManifest().size(), 25u); }

}  // namespace
}  // namespace qm::lzh_test
