// Round trips of qmpack::LzhEncode through the product's decoder, for both parsers.
#include "qmpack/lzh_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "package/lzh/lzh_decoder.h"

namespace qmpack {
namespace {

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

// Prose-like text: words of a small vocabulary, common ones far more often,
// with punctuation, line breaks and some indented lines.
std::vector<uint8_t> ProseText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the",     "of",      "and",      "to",        "a",        "in",       "is",
      "that",    "for",     "it",       "as",        "with",     "be",       "on",
      "not",     "this",    "by",       "are",       "or",       "from",     "program",
      "license", "copy",    "software", "work",      "terms",    "conditions", "source",
      "code",    "may",     "you",      "must",      "distribute", "modify", "version",
      "any",     "other",   "such",     "under",     "covered",  "object",   "form",
      "notice",  "rights",  "warranty", "permission", "library", "file",     "setup",
      "folder",  "window",  "install",  "diskette",  "package",  "product",  "user"};
  constexpr size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);
  std::mt19937 random(seed);
  std::string text;
  size_t lineLength = 0;
  while (text.size() < size) {
    // Squaring a uniform pick favours the first words, as in real prose.
    const double pick = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    text += kWords[static_cast<size_t>(pick * pick * kWordCount)];
    lineLength += 8;
    const unsigned mark = random() % 16;
    text += mark == 0 ? ". " : mark == 1 ? ", " : " ";
    if (lineLength > 64) {
      text += random() % 5 == 0 ? "\n    " : "\n";
      lineLength = 0;
    }
  }
  text.resize(size);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& data, LzhParser parser) {
  LzhEncodeOptions options;
  options.parser = parser;
  return LzhEncode(data.data(), data.size(), options);
}

// Decodes `total` bytes; the encoder never lets a final match run past them.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, size_t total) {
  std::vector<uint8_t> output(total + qm::kLzhMaxOverrun);
  const qm::LzhMemoryResult result =
      qm::LzhDecodeMemory(stream.data(), stream.size(), output.data(), total);
  EXPECT_EQ(result.outputWritten, total);
  EXPECT_LE(result.inputConsumed, stream.size() + 2);
  output.resize(result.outputWritten);
  return output;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::vector<uint8_t> Repeat(const std::vector<uint8_t>& unit, size_t times) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}

class LzhEncoderRoundTrip : public ::testing::TestWithParam<LzhParser> {
 protected:
  void ExpectRoundTrip(const std::vector<uint8_t>& data) {
    const std::vector<uint8_t> stream = Encode(data, GetParam());
    ASSERT_EQ(Decode(stream, data.size()), data);
  }
};

TEST_P(LzhEncoderRoundTrip, EmptyInputGivesEmptyStream) {
  EXPECT_TRUE(Encode({}, GetParam()).empty());
}

TEST_P(LzhEncoderRoundTrip, SingleByte) { ExpectRoundTrip({0x41}); }

TEST_P(LzhEncoderRoundTrip, EveryShortLength) {
  const std::vector<uint8_t> text = ProseText(130, 7);
  for (size_t size = 1; size <= text.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectRoundTrip(std::vector<uint8_t>(text.begin(), text.begin() + size));
  }
}

TEST_P(LzhEncoderRoundTrip, RunsOfOneByte) {
  ExpectRoundTrip(std::vector<uint8_t>(10000, 0x00));
  ExpectRoundTrip(std::vector<uint8_t>(61, 0xFF));
  ExpectRoundTrip(Concat(std::vector<uint8_t>(100, 'a'), std::vector<uint8_t>(200, 'b')));
}

// Leading spaces can be copied from the ring's initial fill, reaching into it
// from the first byte on, and matches may run from the fill into the data.
TEST_P(LzhEncoderRoundTrip, SpacesAtTheStart) {
  ExpectRoundTrip(std::vector<uint8_t>(3, ' '));
  ExpectRoundTrip(std::vector<uint8_t>(5000, ' '));
  ExpectRoundTrip(Concat(std::vector<uint8_t>(70, ' '), ProseText(3000, 1)));
  const std::vector<uint8_t> indented = Repeat(Concat(std::vector<uint8_t>(7, ' '), {'x', '\n'}), 50);
  ExpectRoundTrip(indented);
}

TEST_P(LzhEncoderRoundTrip, RandomBytes) { ExpectRoundTrip(RandomBytes(70000, 11)); }

TEST_P(LzhEncoderRoundTrip, Text) { ExpectRoundTrip(ProseText(300000, 3)); }

// A period of 4,096 puts every repeat at the farthest distance the ring holds;
// 4,097 puts it just out of reach.
TEST_P(LzhEncoderRoundTrip, RepeatsAtTheEdgeOfTheWindow) {
  ExpectRoundTrip(Repeat(RandomBytes(4096, 5), 3));
  ExpectRoundTrip(Repeat(RandomBytes(4097, 6), 3));
  ExpectRoundTrip(Repeat(RandomBytes(4095, 8), 3));
}

// Far more than 32,768 symbols: the code is rebuilt many times on the way.
TEST_P(LzhEncoderRoundTrip, ManyRebuildsOfTheCode) {
  std::vector<uint8_t> data = RandomBytes(150000, 21);
  for (size_t i = 0; i < data.size(); i += 3) data[i] = static_cast<uint8_t>(data[i] % 4);
  ExpectRoundTrip(data);
}

TEST_P(LzhEncoderRoundTrip, MixedContent) {
  std::vector<uint8_t> data = ProseText(50000, 9);
  data = Concat(data, std::vector<uint8_t>(3000, 0));
  data = Concat(data, RandomBytes(20000, 10));
  data = Concat(data, Repeat({0x90, 0x90, 0xCC, 0x00, 0x00, 0x01}, 2000));
  data = Concat(data, ProseText(50000, 12));
  ExpectRoundTrip(data);
}

INSTANTIATE_TEST_SUITE_P(BothParsers, LzhEncoderRoundTrip,
                         ::testing::Values(LzhParser::kGreedy, LzhParser::kBetter),
                         [](const ::testing::TestParamInfo<LzhParser>& info) {
                           return std::string(info.param == LzhParser::kGreedy ? "Greedy"
                                                                               : "Better");
                         });

TEST(LzhEncoderSize, CompressesText) {
  const std::vector<uint8_t> text = ProseText(200000, 4);
  EXPECT_LT(Encode(text, LzhParser::kGreedy).size(), text.size() / 2);
}

TEST(LzhEncoderSize, BetterIsNotLargerThanGreedyOnText) {
  const std::vector<uint8_t> text = ProseText(400000, 5);
  const size_t greedy = Encode(text, LzhParser::kGreedy).size();
  const size_t better = Encode(text, LzhParser::kBetter).size();
  EXPECT_LE(better, greedy);
}

TEST(LzhEncoderSize, RandomBytesGrowOnlyByTheLiteralCodes) {
  // Uniform literals cost 8 to 9 bits each in the adaptive code.
  const std::vector<uint8_t> data = RandomBytes(100000, 13);
  EXPECT_LT(Encode(data, LzhParser::kBetter).size(), data.size() * 9 / 8 + 64);
}

TEST(LzhEncoderProgress, ReportsGrowUpToTheTotal) {
  const std::vector<uint8_t> data = ProseText(300000, 6);
  for (LzhParser parser : {LzhParser::kGreedy, LzhParser::kBetter}) {
    std::vector<size_t> reports;
    LzhEncodeOptions options;
    options.parser = parser;
    options.progress = [&](size_t done, size_t total) {
      EXPECT_EQ(total, data.size());
      reports.push_back(done);
    };
    LzhEncode(data.data(), data.size(), options);
    ASSERT_GE(reports.size(), 4u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), data.size());
  }
}

}  // namespace
}  // namespace qmpack
