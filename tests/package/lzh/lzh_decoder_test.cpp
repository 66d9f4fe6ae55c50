// Behaviour of LzhDecode and LzhDecodeMemory at the edges: the counting of
// bytes, the callbacks' contract, cancelling, storage failures, and the
// corners of the ring. Streams are written with StreamBuilder.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"
#include "package/lzh/lzh_stream_builder.h"
#include "package/lzh/lzh_test_support.h"

namespace qm::lzh_test {
namespace {

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

// Callbacks that record what the decoder does; the tests adjust them.
struct Recorder {
  std::vector<uint8_t> input;
  size_t next = 0;
  int32_t keepGoing = 1;
  std::vector<uint8_t> written;
  int reads = 0;
  std::vector<size_t> writtenAtRead;  // output size when each read came
  uint16_t deliver = 1;            // `done` reported by every read
  size_t cancelAtWrite = SIZE_MAX;  // clear keepGoing in this write (0-based)
  int cancelAtRead = -1;            // clear keepGoing in this read (0-based)

  static void Read(void* context, uint8_t* buffer, uint16_t count, uint16_t& done) {
    auto& r = *static_cast<Recorder*>(context);
    EXPECT_EQ(count, 1);
    r.writtenAtRead.push_back(r.written.size());
    if (r.reads++ == r.cancelAtRead) r.keepGoing = 0;
    buffer[0] = r.next < r.input.size() ? r.input[r.next++] : 0xFF;
    done = r.deliver;
  }

  static void Write(void* context, const uint8_t* buffer, uint16_t count, uint16_t& done) {
    auto& r = *static_cast<Recorder*>(context);
    EXPECT_EQ(count, 1);
    if (r.written.size() == r.cancelAtWrite) r.keepGoing = 0;
    r.written.push_back(buffer[0]);
    done = count;
  }

  void Decode(int32_t total) { LzhDecode(total, Read, Write, this, keepGoing); }
};

TEST(LzhDecodeCounting, TotalZeroOrNegativeCallsNoCallback) {
  for (int32_t total : {0, -1, INT32_MIN}) {
    Recorder r;
    r.input = StreamBuilder().Literal('x').Bytes();
    r.Decode(total);
    EXPECT_EQ(r.reads, 0);
    EXPECT_TRUE(r.written.empty());
  }
  uint8_t output[kLzhMaxOverrun];
  const LzhMemoryResult result = LzhDecodeMemory(nullptr, 0, output, 0);
  EXPECT_EQ(result.inputConsumed, 0u);
  EXPECT_EQ(result.outputWritten, 0u);
}

TEST(LzhDecodeCounting, ReaderThatNeverDeliversStillYieldsTotalFromZeroBits) {
  Recorder r;
  r.deliver = 0;  // every byte it offers is ignored
  r.input = std::vector<uint8_t>(100000, 0xA5);
  r.Decode(70000);
  ASSERT_GE(r.written.size(), 70000u);
  EXPECT_LE(r.written.size(), 70000u + kLzhMaxOverrun);
  // The same as decoding nothing at all: an all-zero bit stream. 70,000 bytes
  // take well over 32,768 symbols of that stream, so a rebuild is on the way.
  EXPECT_EQ(r.written, DecodeInMemory({}, 70000));
  ReferenceDecoder reference(nullptr, 0);
  EXPECT_EQ(r.written, reference.Decode(70000));
}

TEST(LzhDecodeCounting, ReadReportingOtherThanOneByteCountsAsZeroByte) {
  const std::vector<uint8_t> stream = StreamBuilder().Literal(0xC3).Bytes();
  Recorder r;
  r.input = stream;
  r.deliver = 2;
  r.Decode(1);
  EXPECT_EQ(r.written, DecodeInMemory({}, 1));
}

TEST(LzhDecodeCounting, FinalMatchRunningPastTotalIsWrittenWhole) {
  const std::vector<uint8_t> stream = StreamBuilder().Match(60, 100).Bytes();
  Recorder r;
  r.input = stream;
  r.Decode(10);
  EXPECT_EQ(r.written, std::vector<uint8_t>(60, 0x20));
  std::vector<uint8_t> output(10 + kLzhMaxOverrun);
  EXPECT_EQ(LzhDecodeMemory(stream.data(), stream.size(), output.data(), 10).outputWritten, 60u);
}

// The first literal with a code of `bits` bits in the fresh tree (8 or 9).
uint8_t LiteralWithCodeLength(size_t bits) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    StreamBuilder builder;
    builder.Literal(static_cast<uint8_t>(byte));
    if (builder.BitCount() == bits) return static_cast<uint8_t>(byte);
  }
  ADD_FAILURE() << "no literal with a code of " << bits << " bits";
  return 0;
}

TEST(LzhDecodeCounting, InputIsFetchedOnlyWhenEightBitsOrFewerAreLeft) {
  // From empty, the first bit read fetches two bytes. An 8-bit code then
  // leaves 8 bits unread and fetches no more; a 9-bit code finds only 8 bits
  // left before its last bit and fetches a third byte.
  for (const auto& [bits, fetches] : {std::pair<size_t, int>{8, 2}, {9, 3}}) {
    const uint8_t literal = LiteralWithCodeLength(bits);
    const std::vector<uint8_t> stream = StreamBuilder().Literal(literal).Literal('b').Bytes();
    Recorder r;
    r.input = stream;
    r.Decode(1);
    EXPECT_EQ(r.reads, fetches) << bits << "-bit code";
    EXPECT_EQ(r.written, std::vector<uint8_t>({literal}));
    std::vector<uint8_t> output(1 + kLzhMaxOverrun);
    EXPECT_EQ(LzhDecodeMemory(stream.data(), stream.size(), output.data(), 1).inputConsumed,
              static_cast<size_t>(fetches));
  }
}

TEST(LzhDecodeRing, FirstSymbolMayBeAMatchOfSpaces) {
  const std::vector<uint8_t> stream = StreamBuilder().Match(7, 4035).Literal('!').Bytes();
  EXPECT_EQ(DecodeByCallbacks(stream, 8), Text("       !"));
  EXPECT_EQ(DecodeInMemory(stream, 8), Text("       !"));
}

TEST(LzhDecodeRing, TheSixtyPositionsAheadOfTheStartReadAsZero) {
  // Distance 4,036 starts at position 4,095 and wraps to position 0.
  const std::vector<uint8_t> wrapping = StreamBuilder().Match(4, 4036).Bytes();
  EXPECT_EQ(DecodeByCallbacks(wrapping, 4), std::vector<uint8_t>({0, 0x20, 0x20, 0x20}));
  // Distance 4,095 starts at the write position itself.
  const std::vector<uint8_t> ahead = StreamBuilder().Match(5, 4095).Bytes();
  EXPECT_EQ(DecodeInMemory(ahead, 5), std::vector<uint8_t>(5, 0));
}

TEST(LzhDecodeRing, DistanceZeroRepeatsTheLastByte) {
  const std::vector<uint8_t> stream = StreamBuilder().Literal('A').Match(10, 0).Bytes();
  EXPECT_EQ(DecodeByCallbacks(stream, 11), Text("AAAAAAAAAAA"));
  EXPECT_EQ(DecodeInMemory(stream, 11), Text("AAAAAAAAAAA"));
}

TEST(LzhDecodeRing, OverlappingMatchRepeatsAPattern) {
  const std::vector<uint8_t> stream =
      StreamBuilder().Literal('a').Literal('b').Literal('c').Match(7, 2).Bytes();
  EXPECT_EQ(DecodeByCallbacks(stream, 10), Text("abcabcabca"));
}

TEST(LzhDecodeRing, MatchesReachBackAcrossTheRingEnd) {
  // 57 spaces put "kestrel" across ring positions 4,095 and 0; after a run of
  // 'l's the last match copies it back from there.
  StreamBuilder builder;
  builder.Match(57, 100);
  std::string expected(57, ' ');
  for (char c : std::string("kestrel")) {
    builder.Literal(static_cast<uint8_t>(c));
    expected += c;
  }
  while (expected.size() + 60 <= 4100) {
    builder.Match(60, 0);
    expected.append(60, 'l');
  }
  builder.Match(7, static_cast<unsigned>(expected.size() - 57 - 1));
  expected += "kestrel";
  const std::vector<uint8_t> stream = builder.Bytes();
  const auto total = static_cast<int32_t>(expected.size());
  EXPECT_EQ(DecodeByCallbacks(stream, total), Text(expected));
  EXPECT_EQ(DecodeInMemory(stream, expected.size()), Text(expected));
}

TEST(LzhDecodeCancel, KeepGoingZeroAtEntryDecodesNothing) {
  Recorder r;
  r.input = StreamBuilder().Literal('x').Bytes();
  r.keepGoing = 0;
  r.Decode(100);
  EXPECT_EQ(r.reads, 0);
  EXPECT_TRUE(r.written.empty());
}

TEST(LzhDecodeCancel, ClearedInWriteStopsAfterTheWholeCurrentMatch) {
  Recorder r;
  r.input = StreamBuilder().Literal('q').Match(20, 0).Literal('z').Bytes();
  r.cancelAtWrite = 1;  // the first byte of the match
  r.Decode(100);
  EXPECT_EQ(r.written, std::vector<uint8_t>(21, 'q'));
}

TEST(LzhDecodeCancel, ClearedInReadStopsAfterTheSymbolBeingRead) {
  const std::vector<uint8_t> stream =
      StreamBuilder().Literal('1').Literal('2').Literal('3').Literal('4').Bytes();
  Recorder whole;
  whole.input = stream;
  whole.Decode(4);
  ASSERT_EQ(whole.written, Text("1234"));
  // Cancel in the first fetch made while the second literal is being decoded.
  int readInSecond = -1;
  for (size_t k = 0; k < whole.writtenAtRead.size() && readInSecond < 0; ++k) {
    if (whole.writtenAtRead[k] == 1) readInSecond = static_cast<int>(k);
  }
  ASSERT_GE(readInSecond, 0);
  Recorder r;
  r.input = stream;
  r.cancelAtRead = readInSecond;
  r.Decode(4);
  EXPECT_EQ(r.written, Text("12"));
  EXPECT_EQ(r.reads, readInSecond + 1);
}

// Storage routines that fail on request, counting what they hand out. Blocks
// can be handed out `offset` bytes past a 16-byte boundary, as a C heap that
// aligns to 8 bytes may.
struct FlakyStorage {
  static bool failAllocate;
  static bool failRelease;
  static int outstanding;
  static size_t offset;

  static void* Allocate(size_t size) {
    if (failAllocate) return nullptr;
    ++outstanding;
    return static_cast<uint8_t*>(::operator new(size + offset, std::align_val_t{16})) + offset;
  }
  static bool Release(void* block) {
    ::operator delete(static_cast<uint8_t*>(block) - offset, std::align_val_t{16});
    --outstanding;
    return !failRelease;
  }
};
bool FlakyStorage::failAllocate = false;
bool FlakyStorage::failRelease = false;
int FlakyStorage::outstanding = 0;
size_t FlakyStorage::offset = 0;

class LzhDecodeStorage : public testing::Test {
 protected:
  void SetUp() override {
    FlakyStorage::failAllocate = false;
    FlakyStorage::failRelease = false;
    FlakyStorage::outstanding = 0;
    FlakyStorage::offset = 0;
    LzhUseStorage(&storage_);
  }
  void TearDown() override { LzhUseStorage(nullptr); }

  const LzhStorage storage_{FlakyStorage::Allocate, FlakyStorage::Release};
};

TEST_F(LzhDecodeStorage, NoMemoryRaisesBeforeAnyCallback) {
  FlakyStorage::failAllocate = true;
  Recorder r;
  r.input = StreamBuilder().Literal('x').Bytes();
  try {
    r.Decode(1);
    FAIL() << "no exception";
  } catch (const ElzhException& error) {
    EXPECT_STREQ(error.what(), "LZH : Cannot get memory for dictionary tables");
    EXPECT_STREQ(error.ClassName(), "ElzhException");
  }
  EXPECT_EQ(r.reads, 0);
  EXPECT_TRUE(r.written.empty());
  uint8_t output[kLzhMaxOverrun + 1];
  EXPECT_THROW(LzhDecodeMemory(nullptr, 0, output, 1), ElzhException);
}

TEST_F(LzhDecodeStorage, StorageIsGivenBackEvenForTotalZero) {
  Recorder r;
  r.Decode(0);
  EXPECT_EQ(FlakyStorage::outstanding, 0);
}

TEST_F(LzhDecodeStorage, FailedReleaseRaisesAfterTheOutput) {
  FlakyStorage::failRelease = true;
  Recorder r;
  r.input = StreamBuilder().Literal('x').Bytes();
  try {
    r.Decode(1);
    FAIL() << "no exception";
  } catch (const ElzhException& error) {
    EXPECT_STREQ(error.what(), "LZH : Error freeing memory for dictionary tables");
  }
  EXPECT_EQ(r.written, Text("x"));
}

TEST_F(LzhDecodeStorage, StorageIsGivenBackWhenACallbackThrows) {
  auto throwingRead = [](void*, uint8_t*, uint16_t, uint16_t&) { throw std::runtime_error("io"); };
  const int32_t keepGoing = 1;
  EXPECT_THROW(LzhDecode(5, throwingRead, Recorder::Write, nullptr, keepGoing),
               std::runtime_error);
  EXPECT_EQ(FlakyStorage::outstanding, 0);
}

// A source that hands out the whole input at once and counts its pulls.
struct CountingSource {
  explicit CountingSource(const std::vector<uint8_t>& bytes) : input(bytes) {}
  size_t Pull(const uint8_t*& block) {
    block = input.data();
    return pulls++ == 0 ? input.size() : 0;
  }
  const std::vector<uint8_t>& input;
  int pulls = 0;
};

struct VectorSink {
  void TakeRun(const uint8_t* bytes, size_t count) { output.insert(output.end(), bytes, bytes + count); }
  std::vector<uint8_t> output;
};

TEST_F(LzhDecodeStorage, BlockDecodeRaisesBothStorageFailures) {
  const std::vector<uint8_t> stream = StreamBuilder().Literal('x').Bytes();
  const int32_t keepGoing = 1;
  FlakyStorage::failAllocate = true;
  CountingSource source(stream);
  VectorSink sink;
  try {
    LzhDecodeBlocks(1, source, sink, keepGoing);
    FAIL() << "no exception";
  } catch (const ElzhException& error) {
    EXPECT_STREQ(error.what(), "LZH : Cannot get memory for dictionary tables");
  }
  EXPECT_EQ(source.pulls, 0);

  FlakyStorage::failAllocate = false;
  FlakyStorage::failRelease = true;
  try {
    LzhDecodeBlocks(1, source, sink, keepGoing);
    FAIL() << "no exception";
  } catch (const ElzhException& error) {
    EXPECT_STREQ(error.what(), "LZH : Error freeing memory for dictionary tables");
  }
  EXPECT_EQ(sink.output, Text("x"));
  EXPECT_EQ(FlakyStorage::outstanding, 0);
}

TEST_F(LzhDecodeStorage, BlockDecodeGivesStorageBackWhenTheSinkThrows) {
  struct ThrowingSink {
    void TakeRun(const uint8_t*, size_t) { throw std::runtime_error("disk full"); }
  };
  const std::vector<uint8_t> stream = StreamBuilder().Literal('x').Bytes();
  CountingSource source(stream);
  ThrowingSink sink;
  const int32_t keepGoing = 1;
  EXPECT_THROW(LzhDecodeBlocks(1, source, sink, keepGoing), std::runtime_error);
  EXPECT_EQ(FlakyStorage::outstanding, 0);
}

// The working record asks for 16-byte alignment; blocks aligned only to 8 (or
// to 1) must still hold it correctly aligned (the sanitizers check each access).
TEST_F(LzhDecodeStorage, BlocksLessAlignedThanTheRecordStillDecode) {
  std::mt19937 random(7);
  std::vector<uint8_t> input(3000);
  for (uint8_t& byte : input) byte = static_cast<uint8_t>(random() >> 24);
  ReferenceDecoder reference(input.data(), input.size());
  const std::vector<uint8_t> expected = reference.Decode(40000);
  for (size_t offset : {size_t{8}, size_t{1}, size_t{4}}) {
    FlakyStorage::offset = offset;
    EXPECT_EQ(DecodeInMemory(input, 40000), expected) << "offset " << offset;
  }
  EXPECT_EQ(FlakyStorage::outstanding, 0);
}

// Random bytes make streams whose trees grow lopsided and get rebuilt many
// times; the fast core must track the plain transcription exactly.
TEST(LzhDecodeRandomInput, BothInterfacesMatchThePlainTranscription) {
  std::mt19937 random(20260);
  for (int round = 0; round < 6; ++round) {
    std::vector<uint8_t> input(20000 + 7000 * round);
    for (uint8_t& byte : input) byte = static_cast<uint8_t>(random() >> 24);
    const size_t total = 150000 + 40000 * static_cast<size_t>(round);
    ReferenceDecoder reference(input.data(), input.size());
    const std::vector<uint8_t> expected = reference.Decode(static_cast<int64_t>(total));

    std::vector<uint8_t> output(total + kLzhMaxOverrun);
    const LzhMemoryResult result = LzhDecodeMemory(input.data(), input.size(), output.data(), total);
    output.resize(result.outputWritten);
    EXPECT_EQ(output, expected) << "round " << round;
    EXPECT_EQ(result.inputConsumed, reference.Fetched()) << "round " << round;
    EXPECT_EQ(DecodeByCallbacks(input, static_cast<int32_t>(total)), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace qm::lzh_test
