#include "qmpack/lzh_plain_decoder.h"

#include <gtest/gtest.h>

#include "package/lzh/lzh_decoder.h"
#include "qmpack/lzh_encoder.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;

std::vector<uint8_t> FastDecode(const std::vector<uint8_t>& input, size_t total) {
  std::vector<uint8_t> out(total + qm::kLzhMaxOverrun);
  qm::LzhDecodeMemory(input.data(), input.size(), out.data(), total);
  out.resize(total);
  return out;
}

TEST(PlainLzhDecoder, ReadsBackWhatTheEncoderWrote) {
  // Long enough for the adaptive code's counts to be halved several times.
  const auto data = SampleBytes(300000, 21);
  const auto packed = LzhEncode(data.data(), data.size(), LzhEncodeOptions{});
  EXPECT_EQ(PlainLzhDecode(packed.data(), packed.size(), data.size()), data);
}

TEST(PlainLzhDecoder, AgreesWithTheFastDecoderOnArbitraryInput) {
  // Random bits make every symbol and distance, matches into the initial
  // spaces and the unset end of the window, more than 32,768 symbols (the
  // counts are halved) and input that ends early.
  for (const uint32_t seed : {31u, 32u}) {
    const auto input = NoiseBytes(150000, seed);
    EXPECT_EQ(PlainLzhDecode(input.data(), input.size(), 2000000), FastDecode(input, 2000000)) << seed;
  }
}

TEST(PlainLzhDecoder, GivesExactlyTheBytesAskedFor) {
  const std::vector<uint8_t> zeros(3, 0);
  EXPECT_TRUE(PlainLzhDecode(zeros.data(), zeros.size(), 0).empty());
  EXPECT_EQ(PlainLzhDecode(nullptr, 0, 1000).size(), 1000u);  // all zero bits, past a missing input
}

}  // namespace
}  // namespace qmpack
