// The adaptive tree across its rebuilds: streams written by StreamBuilder that
// put chosen symbols at the rebuild, decoded by the fast core (from memory and
// in 2,048-byte blocks), by the byte-wise callbacks and by the plain
// transcription, each compared with the bytes the stream was written from.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"
#include "package/lzh/lzh_stream_builder.h"
#include "package/lzh/lzh_test_support.h"

namespace qm::lzh_test {
namespace {

constexpr unsigned kFirstMatchSymbol = 256;
constexpr unsigned kLongestMatchSymbol = 313;
constexpr unsigned kNoSymbol = 314;

// Writes `symbol`: a literal, or a match of its length from `distance` back.
void Put(StreamBuilder& builder, unsigned symbol, unsigned distance = 0) {
  if (symbol < kFirstMatchSymbol) {
    builder.Literal(static_cast<uint8_t>(symbol));
  } else {
    builder.Match(symbol - 253, distance);
  }
}

// Writes `count` symbols, mostly text-like literals and short matches, now and
// then any symbol, but never `avoided`: a symbol that is not counted keeps its
// place in the tree.
void PutFiller(StreamBuilder& builder, unsigned count, unsigned avoided, std::mt19937& random) {
  while (count != 0) {
    const unsigned pick = random() % 100;
    const unsigned symbol = pick < 70   ? 'a' + random() % 26
                            : pick < 80 ? ' '
                            : pick < 95 ? kFirstMatchSymbol + random() % 20
                                        : random() % 314;
    if (symbol == avoided) continue;
    Put(builder, symbol, random() % 4096);
    --count;
  }
}

struct BlockInput {
  size_t Pull(const uint8_t*& block) {
    const size_t size = std::min<size_t>(2048, input.size() - next);
    block = input.data() + next;
    next += size;
    return size;
  }
  const std::vector<uint8_t>& input;
  size_t next = 0;
};

struct CollectedOutput {
  void TakeRun(const uint8_t* bytes, size_t count) {
    output.insert(output.end(), bytes, bytes + count);
  }
  std::vector<uint8_t> output;
};

// Every decoder must give back exactly what the builder wrote, and the core
// must fetch the input as the plain transcription does.
void ExpectEveryDecoderMatches(const StreamBuilder& builder) {
  const std::vector<uint8_t> stream = builder.Bytes();
  const std::vector<uint8_t>& expected = builder.Output();
  const size_t total = expected.size();

  ReferenceDecoder reference(stream.data(), stream.size());
  EXPECT_EQ(reference.Decode(static_cast<int64_t>(total)), expected) << "plain transcription";
  EXPECT_EQ(DecodeInMemory(stream, total), expected) << "core from memory";
  EXPECT_EQ(DecodeByCallbacks(stream, static_cast<int32_t>(total)), expected) << "callbacks";

  BlockInput source{stream};
  CollectedOutput sink;
  const int32_t keepGoing = 1;
  const LzhBlockResult result =
      LzhDecodeBlocks(static_cast<int64_t>(total), source, sink, keepGoing);
  EXPECT_EQ(sink.output, expected) << "core in blocks";
  EXPECT_EQ(result.bytesFetched, reference.Fetched());
}

// Decodes `symbol` again now and then among other symbols: where it was
// counted wrongly, its code differs from the one the stream was written with.
void PutAgainAndAgain(StreamBuilder& builder, unsigned symbol, std::mt19937& random) {
  for (unsigned k = 0; k < 5; ++k) {
    Put(builder, symbol, k);
    PutFiller(builder, 300, kNoSymbol, random);
  }
}

// Fills up to the rebuild (without `avoided`), decodes `atRebuild` there, then
// goes on for a while.
StreamBuilder RebuildDecoding(unsigned atRebuild, unsigned avoided, std::mt19937& random) {
  StreamBuilder builder;
  PutFiller(builder, builder.SymbolsBeforeRebuild(), avoided, random);
  EXPECT_EQ(builder.Rebuilds(), 0u);
  Put(builder, atRebuild, 17);
  EXPECT_EQ(builder.Rebuilds(), 1u);
  PutAgainAndAgain(builder, atRebuild, random);
  return builder;
}

TEST(LzhRebuild, OneRebuildExactlyWhereTheRootReaches32768) {
  std::mt19937 random(1);
  StreamBuilder builder;
  // The root starts at 314 (every symbol counted once) and gains one per symbol.
  ASSERT_EQ(builder.SymbolsBeforeRebuild(), 32768u - 314u);
  PutFiller(builder, 32768 - 314 - 1, kNoSymbol, random);
  ASSERT_EQ(builder.SymbolsBeforeRebuild(), 1u);
  ExpectEveryDecoderMatches(builder);  // the root ends at 32,767: no rebuild yet
  builder.Literal('e');                // brings the root to 32,768, still no rebuild
  ASSERT_EQ(builder.Rebuilds(), 0u);
  ExpectEveryDecoderMatches(builder);
  builder.Literal('e');                // rebuilds first, then counts
  ASSERT_EQ(builder.Rebuilds(), 1u);
  PutFiller(builder, 2000, kNoSymbol, random);
  ExpectEveryDecoderMatches(builder);
}

// The symbol decoded at a rebuild is counted right after it, from its leaf up;
// the leaf at node 0, which the rebuild leaves in place, is the hard case.
TEST(LzhRebuild, SymbolDecodedAtTheRebuildIsCountedFromItsLeaf) {
  std::mt19937 random(2);
  // Literal 0 never comes before the rebuild, so its leaf stays at node 0.
  StreamBuilder builder = RebuildDecoding(0, 0, random);
  ExpectEveryDecoderMatches(builder);

  // After one literal 0 the longest match takes node 0.
  StreamBuilder matchFirst;
  matchFirst.Literal(0);
  ASSERT_EQ(matchFirst.SymbolAtNodeZero(), kLongestMatchSymbol);
  PutFiller(matchFirst, matchFirst.SymbolsBeforeRebuild(), kLongestMatchSymbol, random);
  ASSERT_EQ(matchFirst.SymbolAtNodeZero(), kLongestMatchSymbol);
  Put(matchFirst, kLongestMatchSymbol, 100);
  ASSERT_EQ(matchFirst.Rebuilds(), 1u);
  PutAgainAndAgain(matchFirst, kLongestMatchSymbol, random);
  ExpectEveryDecoderMatches(matchFirst);

  // Frequent symbols, far from node 0: a literal and a short match.
  for (unsigned symbol : {unsigned{'e'}, kFirstMatchSymbol + 1}) {
    ExpectEveryDecoderMatches(RebuildDecoding(symbol, kNoSymbol, random));
  }
}

TEST(LzhRebuild, SeveralRebuildsInARowEachDecodingTheSymbolAtNodeZero) {
  std::mt19937 random(3);
  StreamBuilder builder;
  for (unsigned round = 1; round <= 6; ++round) {
    const unsigned atZero = builder.SymbolAtNodeZero();
    PutFiller(builder, builder.SymbolsBeforeRebuild(), atZero, random);
    ASSERT_EQ(builder.SymbolAtNodeZero(), atZero);
    Put(builder, atZero, round * 31);
    ASSERT_EQ(builder.Rebuilds(), round);
    Put(builder, atZero, round);  // its code now tells whether it was counted right
  }
  PutFiller(builder, 1000, kNoSymbol, random);
  ExpectEveryDecoderMatches(builder);
}

// Every symbol can come up, with a skewed spread so that the tree grows
// lopsided, through many rebuilds.
TEST(LzhRebuild, LongStreamOfEverySymbolMatchesByteForByte) {
  std::mt19937 random(4);
  StreamBuilder builder;
  for (unsigned k = 0; k < 300000; ++k) {
    const unsigned spread = 1u + random() % 314;
    Put(builder, random() % spread, random() % 4096);
  }
  ASSERT_GE(builder.Rebuilds(), 10u);
  ExpectEveryDecoderMatches(builder);
}

}  // namespace
}  // namespace qm::lzh_test
