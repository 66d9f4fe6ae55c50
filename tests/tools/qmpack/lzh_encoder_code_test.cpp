// The encoder's symbol code and token writer, checked against the product's decoder.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "qmpack/lzh_adaptive_code.h"
#include "qmpack/lzh_format.h"
#include "qmpack/lzh_stream_writer.h"

namespace qmpack {
namespace {

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, size_t total) {
  std::vector<uint8_t> output(total + qm::kLzhMaxOverrun);
  const qm::LzhMemoryResult result =
      qm::LzhDecodeMemory(stream.data(), stream.size(), output.data(), total);
  output.resize(result.outputWritten);
  return output;
}

// What the decoder makes of a match: bytes copied one at a time from
// distance + 1 back, where the ring's initial spaces precede the output.
void ExpandMatch(std::vector<uint8_t>& output, int length, int distance) {
  for (int i = 0; i < length; ++i) {
    const long source = static_cast<long>(output.size()) - distance - 1;
    output.push_back(source < 0 ? kLzhRingFill : output[static_cast<size_t>(source)]);
  }
}

int Fibonacci(int n) { return n <= 2 ? 1 : Fibonacci(n - 1) + Fibonacci(n - 2); }

// Literal frequencies along a scaled Fibonacci sequence make the code as
// lopsided as the rebuild limit allows: the symbols not yet seen, weighing
// together about as much as the rarest frequent one, end up 18 levels deep.
TEST(LzhStreamWriter, CodesLongerThanSixteenBitsRoundTrip) {
  LzhStreamWriter writer;
  std::vector<uint8_t> expected;
  constexpr int kFrequentSymbols = 9;
  constexpr int kScale = 350;  // together 30,800 counts: no rebuild yet
  for (int symbol = 0; symbol < kFrequentSymbols; ++symbol) {
    for (int i = 0; i < kScale * Fibonacci(symbol + 1); ++i) {
      writer.PutLiteral(static_cast<uint8_t>(symbol));
      expected.push_back(static_cast<uint8_t>(symbol));
    }
  }
  int longest = 0;
  for (int symbol = 0; symbol < 256; ++symbol) {
    const int length = writer.code().CodeLength(symbol);
    ASSERT_GE(length, 1);
    longest = std::max(longest, length);
  }
  ASSERT_GT(longest, 16);
  // Every byte once, the rare ones with their longest codes; then matches,
  // whose length symbols are as deep.
  for (int symbol = 255; symbol >= 0; --symbol) {
    writer.PutLiteral(static_cast<uint8_t>(symbol));
    expected.push_back(static_cast<uint8_t>(symbol));
  }
  for (int length = kLzhMinMatch; length <= kLzhMaxMatch; ++length) {
    writer.PutMatch(length, length * 7);
    ExpandMatch(expected, length, length * 7);
  }
  EXPECT_EQ(Decode(writer.Finish(), expected.size()), expected);
}

TEST(LzhStreamWriter, EveryDistanceAndLength) {
  LzhStreamWriter writer;
  std::vector<uint8_t> expected;
  // From the first symbol on, matches can reach the initial spaces.
  writer.PutMatch(5, 0);
  ExpandMatch(expected, 5, 0);
  writer.PutMatch(kLzhMaxMatch, kLzhRingStart - 1);
  ExpandMatch(expected, kLzhMaxMatch, kLzhRingStart - 1);
  std::mt19937 random(17);
  while (expected.size() < kLzhWindowSize) {
    const uint8_t byte = static_cast<uint8_t>(random());
    writer.PutLiteral(byte);
    expected.push_back(byte);
  }
  for (int distance = 0; distance < kLzhWindowSize; ++distance) {
    const int length = kLzhMinMatch + distance % (kLzhMaxMatch - kLzhMinMatch + 1);
    writer.PutMatch(length, distance);
    ExpandMatch(expected, length, distance);
  }
  EXPECT_EQ(Decode(writer.Finish(), expected.size()), expected);
}

// Code lengths of a complete prefix code: the sum of 2^-length over all symbols is 1.
void ExpectCompleteCode(const LzhAdaptiveCode& code) {
  std::array<uint8_t, kLzhSymbols> lengths;
  code.FillCodeLengths(lengths);
  uint64_t kraftSum = 0;
  for (uint8_t length : lengths) {
    ASSERT_LE(length, 40);
    kraftSum += uint64_t{1} << (40 - length);
  }
  EXPECT_EQ(kraftSum, uint64_t{1} << 40);
}

TEST(LzhAdaptiveCode, StaysCompleteThroughUpdatesAndRebuilds) {
  LzhAdaptiveCode code;
  ExpectCompleteCode(code);
  std::mt19937 random(23);
  for (int i = 0; i < 200000; ++i) {
    const unsigned draw = random();
    code.Count(static_cast<int>(draw % 4 == 0 ? draw % kLzhSymbols : draw % 12));
    if (i % 20000 == 0) ExpectCompleteCode(code);
  }
  ExpectCompleteCode(code);
}

TEST(LzhAdaptiveCode, FrequentSymbolsGetShortCodes) {
  LzhAdaptiveCode code;
  for (int i = 0; i < 5000; ++i) code.Count('e');
  for (int i = 0; i < 1000; ++i) code.Count(300);
  EXPECT_EQ(code.CodeLength('e'), 1);
  EXPECT_EQ(code.CodeLength(300), 2);
  EXPECT_GT(code.CodeLength('z'), 9);
}

}  // namespace
}  // namespace qmpack
