// Feeds arbitrary bytes to the LZH decoder. The first three bytes give the
// number of bytes to decode: a 16-bit count shifted left by 0 to 4 places, so
// short and long decodes (up to 1 MiB, past many tree rebuilds) both come up;
// the rest is the stream. The byte-wise interface, the in-memory core and the
// plain transcription of the published algorithm must agree on every byte and
// on the input they fetch.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"

namespace {

constexpr size_t kHeader = 3;
constexpr unsigned kScales = 5;  // totals up to 65,535 << 4, just under 1 MiB

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
  io.output.insert(io.output.end(), buffer, buffer + count);
  done = count;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const size_t total = (data[1] | (size_t{data[2]} << 8)) << (data[0] % kScales);
  const uint8_t* stream = data + kHeader;
  const size_t streamSize = size - kHeader;

  std::vector<uint8_t> memory(total + qm::kLzhMaxOverrun);
  const qm::LzhMemoryResult result = qm::LzhDecodeMemory(stream, streamSize, memory.data(), total);
  Require(result.outputWritten >= total && result.outputWritten <= total + qm::kLzhMaxOverrun);
  memory.resize(result.outputWritten);

  CallbackIo io(stream, streamSize);
  const int32_t keepGoing = 1;
  qm::LzhDecode(static_cast<int32_t>(total), Read, Write, &io, keepGoing);
  Require(io.output == memory);
  Require(io.reads == result.inputConsumed);

  qm::lzh_test::ReferenceDecoder reference(stream, streamSize);
  Require(reference.Decode(static_cast<int64_t>(total)) == memory);
  Require(reference.Fetched() == result.inputConsumed);
  return 0;
}
