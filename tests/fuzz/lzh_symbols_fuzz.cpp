// Lets the fuzzer's bytes choose LZHUF symbols, which an encoder-side model of
// the adaptive code writes out as a stream; the decoders must give back the
// bytes the symbols stand for. Repeats and aimed symbols reach the tree's
// rebuild (32,768 counted symbols) and the shapes around it within a few
// input bytes. Each command is one byte, some with a byte or two after it:
//   00xxxxxx V       literal V
//   01LLLLLL D1 D2   match of length 3 + L % 58, distance 12 bits of D1 D2
//   10nnnnnn         the last symbol again, (n + 1) * 512 times
//   11000xxx D1      the symbol whose leaf is node 0 (where a rebuild puts
//                    the first leaf), a match taking distance D1
//   11001xxx         the last symbol again until just before the next rebuild
//   other 11...      the last symbol again, (low 4 bits + 1) times
// The plain transcription is the oracle; the fast core from memory, the core
// in small blocks and the byte-wise callbacks must all match it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"
#include "package/lzh/lzh_stream_builder.h"

namespace {

// Bounds the work per input: room for two or three rebuilds, also of the
// shortest matches (32,768 of them make 96 KiB).
constexpr size_t kMaxOutput = 128 * 1024;
constexpr size_t kMaxSymbols = 64 * 1024;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Turns commands into symbols on the builder.
class SymbolWriter {
 public:
  SymbolWriter(const uint8_t* data, size_t size) : next_(data), end_(data + size) {}

  const qm::lzh_test::StreamBuilder& Run() {
    while (next_ != end_ && !Full()) Command(*next_++);
    return builder_;
  }

 private:
  bool Full() const { return builder_.Output().size() >= kMaxOutput || symbols_ >= kMaxSymbols; }

  uint8_t Take() { return next_ != end_ ? *next_++ : 0; }

  void Command(uint8_t op) {
    const unsigned low = op & 63u;
    switch (op >> 6) {
      case 0:
        Put(Take(), 0);
        break;
      case 1: {
        const unsigned high = Take();
        Put(256 + low % 58, ((high << 8) | Take()) & 4095u);
        break;
      }
      case 2:
        Repeat((low + 1) * 512);
        break;
      default:
        Special(low);
        break;
    }
  }

  void Special(unsigned low) {
    if (low < 8) {
      Put(builder_.SymbolAtNodeZero(), Take() * 16u + low);
    } else if (low < 16) {
      Repeat(builder_.SymbolsBeforeRebuild());
    } else {
      Repeat((low & 15u) + 1);
    }
  }

  void Repeat(unsigned times) {
    while (times-- != 0 && !Full()) Put(lastSymbol_, lastDistance_);
  }

  void Put(unsigned symbol, unsigned distance) {
    if (symbol < 256) {
      builder_.Literal(static_cast<uint8_t>(symbol));
    } else {
      builder_.Match(symbol - 253, distance);
    }
    lastSymbol_ = symbol;
    lastDistance_ = distance;
    ++symbols_;
  }

  const uint8_t* next_;
  const uint8_t* end_;
  qm::lzh_test::StreamBuilder builder_;
  unsigned lastSymbol_ = ' ';
  unsigned lastDistance_ = 0;
  size_t symbols_ = 0;
};

struct CallbackIo {
  explicit CallbackIo(const std::vector<uint8_t>& bytes) : input(bytes) {}
  const std::vector<uint8_t>& input;
  size_t next = 0;
  std::vector<uint8_t> output;
};

void Read(void* context, uint8_t* buffer, uint16_t, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  done = io.next < io.input.size() ? 1 : 0;
  if (done == 1) buffer[0] = io.input[io.next++];
}

void Write(void* context, const uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  if (count == 1) io.output.push_back(buffer[0]);
  done = count;
}

// The stream in blocks of a size the input chose.
struct SmallBlocks {
  size_t Pull(const uint8_t*& block) {
    const size_t size = std::min(blockSize, input.size() - next);
    block = input.data() + next;
    next += size;
    return size;
  }
  const std::vector<uint8_t>& input;
  size_t blockSize;
  size_t next = 0;
};

struct Collected {
  void TakeRun(const uint8_t* bytes, size_t count) {
    output.insert(output.end(), bytes, bytes + count);
  }
  std::vector<uint8_t> output;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t blockSize = 1 + data[0] % 64;
  SymbolWriter writer(data + 1, size - 1);
  const qm::lzh_test::StreamBuilder& builder = writer.Run();
  const std::vector<uint8_t> stream = builder.Bytes();
  const std::vector<uint8_t>& expected = builder.Output();
  const size_t total = expected.size();

  qm::lzh_test::ReferenceDecoder reference(stream.data(), stream.size());
  Require(reference.Decode(static_cast<int64_t>(total)) == expected);

  std::vector<uint8_t> memory(total + qm::kLzhMaxOverrun);
  const qm::LzhMemoryResult result =
      qm::LzhDecodeMemory(stream.data(), stream.size(), memory.data(), total);
  memory.resize(result.outputWritten);
  Require(memory == expected);
  Require(result.inputConsumed == reference.Fetched());

  SmallBlocks source{stream, blockSize};
  Collected sink;
  const int32_t keepGoing = 1;
  const qm::LzhBlockResult blocks =
      qm::LzhDecodeBlocks(static_cast<int64_t>(total), source, sink, keepGoing);
  Require(sink.output == expected);
  Require(blocks.bytesFetched == reference.Fetched());

  CallbackIo io(stream);
  io.output.reserve(total + qm::kLzhMaxOverrun);
  qm::LzhDecode(static_cast<int32_t>(total), Read, Write, &io, keepGoing);
  Require(io.output == expected);
  return 0;
}
