// Feeds arbitrary bytes to the LZH decoder. The first three bytes give the
// number of bytes to decode: mostly below 256, so that a second holds a
// thousand runs or more; one input in 16 asks for up to 4 KiB and one in 256
// for up to 16 KiB, enough to move the window several times. Tree rebuilds are
// left to the symbol-driven target, which reaches them with a few input bytes. The rest is the stream. The byte-wise
// interface, the in-memory core and the plain transcription of the published
// algorithm must agree on every byte and on the input they fetch.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"

namespace {

constexpr size_t kHeader = 3;

// The total from the header: a 16-bit count, cut to 8 bits for most values of
// the first byte, to 12 bits for one in 16, to 14 bits for 0xFF.
size_t TotalFrom(const uint8_t* header) {
  const size_t count = header[1] | (size_t{header[2]} << 8);
  if (header[0] == 0xFF) return count & 0x3FFF;
  if (header[0] % 16 == 0) return count & 0xFFF;
  return count & 0xFF;
}

struct CallbackIo {
  CallbackIo(const uint8_t* bytes, size_t count) : input(bytes), size(count) {}
  const uint8_t* input;
  size_t size;
  size_t next = 0;
  size_t reads = 0;
  std::vector<uint8_t> output;
};

void Read(void* context, uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  ++io.reads;
  done = 0;
  if (count == 1 && io.next < io.size) {
    buffer[0] = io.input[io.next++];
    done = 1;
  }
}

void Write(void* context, const uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  if (count == 1) io.output.push_back(buffer[0]);
  done = count;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const size_t total = TotalFrom(data);
  const uint8_t* stream = data + kHeader;
  const size_t streamSize = size - kHeader;

  std::vector<uint8_t> memory(total + qm::kLzhMaxOverrun);
  const qm::LzhMemoryResult result = qm::LzhDecodeMemory(stream, streamSize, memory.data(), total);
  Require(result.outputWritten >= total && result.outputWritten <= total + qm::kLzhMaxOverrun);
  memory.resize(result.outputWritten);

  CallbackIo io(stream, streamSize);
  io.output.reserve(total + qm::kLzhMaxOverrun);
  const int32_t keepGoing = 1;
  qm::LzhDecode(static_cast<int32_t>(total), Read, Write, &io, keepGoing);
  Require(io.output == memory);
  Require(io.reads == result.inputConsumed);

  qm::lzh_test::ReferenceDecoder reference(stream, streamSize);
  Require(reference.Decode(static_cast<int64_t>(total)) == memory);
  Require(reference.Fetched() == result.inputConsumed);
  return 0;
}
