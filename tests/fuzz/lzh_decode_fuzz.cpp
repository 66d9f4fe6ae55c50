// Feeds arbitrary bytes to the LZH decoder. The first three bytes give the
// number of bytes to decode (at most 1 MiB); the rest is the stream. The
// byte-wise interface, the in-memory core and the plain transcription of the
// published algorithm must agree on every byte and on the input they fetch.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"

namespace {

constexpr size_t kHeader = 3;
constexpr size_t kMaxTotal = size_t{1} << 20;

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
  const size_t total = (data[0] | (size_t{data[1]} << 8) | (size_t{data[2]} << 16)) % (kMaxTotal + 1);
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
