// LzhDecodeCore driven the way the unpack pass drives it: input in blocks of
// any size, output put byte by byte into 2,048-byte blocks or taken in runs,
// a cancel from inside Pull.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "package/lzh/lzh_core.h"
#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_test_support.h"

namespace qm::lzh_test {
namespace {

class BlockSource {
 public:
  BlockSource(const std::vector<uint8_t>& input, size_t blockSize)
      : input_(input), blockSize_(blockSize) {}

  size_t Pull(const uint8_t*& block) {
    ++pulls;
    if (pulls == cancelAtPull) *keepGoing = 0;
    const size_t size = std::min(blockSize_, input_.size() - next_);
    buffer_.assign(input_.begin() + static_cast<long>(next_),
                   input_.begin() + static_cast<long>(next_ + size));
    next_ += size;
    block = buffer_.data();
    return size;
  }

  int pulls = 0;
  int cancelAtPull = -1;
  int32_t* keepGoing = nullptr;

 private:
  const std::vector<uint8_t>& input_;
  size_t blockSize_;
  size_t next_ = 0;
  std::vector<uint8_t> buffer_;  // refilled per pull, as a file block buffer is
};

class BlockSink {
 public:
  void Put(uint8_t byte) {
    if (used_ == sizeof block_) Flush();
    block_[used_++] = byte;
  }
  void Flush() {
    output.insert(output.end(), block_, block_ + used_);
    used_ = 0;
  }
  std::vector<uint8_t> output;

 private:
  uint8_t block_[2048];
  size_t used_ = 0;
};

// Takes the output in runs, noting each run's length.
class RunSink {
 public:
  void TakeRun(const uint8_t* bytes, size_t count) {
    runLengths.push_back(count);
    output.insert(output.end(), bytes, bytes + count);
  }
  std::vector<uint8_t> output;
  std::vector<size_t> runLengths;
};

std::vector<uint8_t> LongTextStream() {
  return ReadFileBytes(ConformancePath("014_lharc113-long.lzh_LONG.TXT.lh1"));
}
constexpr size_t kLongTextSize = 1241658;

TEST(LzhDecodeCore, OutputDoesNotDependOnInputBlockSizes) {
  const std::vector<uint8_t> stream = LongTextStream();
  const std::vector<uint8_t> expected = DecodeInMemory(stream, kLongTextSize);
  static LzhDecoderState state;
  for (size_t blockSize : {size_t{1}, size_t{3}, size_t{8}, size_t{9}, size_t{2048}}) {
    BlockSource source(stream, blockSize);
    BlockSink sink;
    const int32_t keepGoing = 1;
    LzhDecodeCore(state, static_cast<int64_t>(kLongTextSize), source, sink, keepGoing);
    sink.Flush();
    EXPECT_EQ(sink.output, expected) << "blocks of " << blockSize;
    EXPECT_EQ(state.produced, static_cast<int64_t>(kLongTextSize));
  }
}

TEST(LzhDecodeCore, SinkTakingRunsGetsTheSameBytesInWindowSizedRuns) {
  const std::vector<uint8_t> stream = LongTextStream();
  // Byte by byte, without runs.
  const std::vector<uint8_t> expected =
      DecodeByCallbacks(stream, static_cast<int32_t>(kLongTextSize));
  static LzhDecoderState state;
  BlockSource source(stream, 2048);
  RunSink sink;
  const int32_t keepGoing = 1;
  LzhDecodeCore(state, static_cast<int64_t>(kLongTextSize), source, sink, keepGoing);
  EXPECT_EQ(sink.output, expected);
  ASSERT_FALSE(sink.runLengths.empty());
  EXPECT_LE(*std::max_element(sink.runLengths.begin(), sink.runLengths.end()),
            size_t{4096} + kLzhMaxOverrun);
  EXPECT_GT(sink.runLengths.size(), kLongTextSize / (4096 + kLzhMaxOverrun));
}

TEST(LzhDecodeCore, CancelInsidePullEndsTheDecodeWithinOneSymbol) {
  const std::vector<uint8_t> stream = LongTextStream();
  const std::vector<uint8_t> whole = DecodeInMemory(stream, kLongTextSize);
  static LzhDecoderState state;
  int32_t keepGoing = 1;
  BlockSource source(stream, 2048);
  source.keepGoing = &keepGoing;
  source.cancelAtPull = 5;
  BlockSink sink;
  LzhDecodeCore(state, static_cast<int64_t>(kLongTextSize), source, sink, keepGoing);
  sink.Flush();
  EXPECT_EQ(source.pulls, 5);
  // Four blocks of input make far more than 60 bytes; the decode stopped well short.
  ASSERT_GT(sink.output.size(), 4u * 2048);
  ASSERT_LT(sink.output.size(), kLongTextSize);
  EXPECT_TRUE(std::equal(sink.output.begin(), sink.output.end(), whole.begin()));

  // A sink taking runs stops at the same byte, with every decoded byte handed over.
  BlockSource again(stream, 2048);
  keepGoing = 1;
  again.keepGoing = &keepGoing;
  again.cancelAtPull = 5;
  RunSink runs;
  LzhDecodeCore(state, static_cast<int64_t>(kLongTextSize), again, runs, keepGoing);
  EXPECT_EQ(runs.output, sink.output);
  EXPECT_EQ(state.produced, static_cast<int64_t>(runs.output.size()));
}

TEST(LzhDecodeBlocks, TwoKilobyteBlocksBothWaysGiveTheOutputAndTheFetchCount) {
  const std::vector<uint8_t> stream = LongTextStream();
  std::vector<uint8_t> expected(kLongTextSize + kLzhMaxOverrun);
  const LzhMemoryResult whole =
      LzhDecodeMemory(stream.data(), stream.size(), expected.data(), kLongTextSize);
  expected.resize(whole.outputWritten);
  BlockSource source(stream, 2048);
  BlockSink sink;
  const int32_t keepGoing = 1;
  const LzhBlockResult result =
      LzhDecodeBlocks(static_cast<int64_t>(kLongTextSize), source, sink, keepGoing);
  sink.Flush();
  EXPECT_EQ(sink.output, expected);
  EXPECT_EQ(result.produced, static_cast<int64_t>(kLongTextSize));
  EXPECT_EQ(result.bytesFetched, whole.inputConsumed);
  // The stream's last byte was needed, and at most the 2-byte look-ahead past it.
  EXPECT_GE(result.bytesFetched, stream.size());
  EXPECT_LE(result.bytesFetched, stream.size() + 2);
}

TEST(LzhDecodeBlocks, FetchCountTellsAStreamCutShort) {
  std::vector<uint8_t> stream = LongTextStream();
  stream.resize(stream.size() / 2);
  BlockSource source(stream, 2048);
  RunSink sink;
  const int32_t keepGoing = 1;
  const LzhBlockResult result =
      LzhDecodeBlocks(static_cast<int64_t>(kLongTextSize), source, sink, keepGoing);
  EXPECT_GE(result.produced, static_cast<int64_t>(kLongTextSize));
  EXPECT_GT(result.bytesFetched, stream.size() + 2);
}

}  // namespace
}  // namespace qm::lzh_test
