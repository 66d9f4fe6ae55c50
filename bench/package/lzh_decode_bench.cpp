// Decoding speed of the LZH decoder on about 8 MB of mixed content: 32-bit
// Windows DLLs followed by plain-text documents, compressed once with the
// qmpack encoder. Reported as bytes of output per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_rate.h"
#include "mixed_input.h"
#include "package/lzh/lzh_core.h"
#include "package/lzh/lzh_decoder.h"
#include "package/lzh/lzh_reference_decoder.h"
#include "qmpack/lzh_encoder.h"

namespace {

constexpr size_t kInputSize = 8u << 20;

struct Corpus {
  std::vector<uint8_t> original;
  std::vector<uint8_t> packed;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus made;
    made.original = BuildMixedInput(kInputSize);
    qmpack::LzhEncodeOptions options;
    options.parser = qmpack::LzhParser::kGreedy;
    made.packed = qmpack::LzhEncode(made.original.data(), made.original.size(), options);
    return made;
  }();
  return corpus;
}

// Checks one decode against the original, so that a fast wrong decoder can't pass.
bool SameAsOriginal(const Corpus& corpus, const std::vector<uint8_t>& output) {
  return output.size() >= corpus.original.size() &&
         std::equal(corpus.original.begin(), corpus.original.end(), output.begin());
}

bool Prepare(benchmark::State& state, const Corpus& corpus) {
  if (corpus.original.empty()) {
    state.SkipWithError("no input files found");
    return false;
  }
  state.counters["input_MB"] = static_cast<double>(corpus.original.size()) / 1e6;
  state.counters["ratio_pct"] =
      100.0 * static_cast<double>(corpus.packed.size()) / static_cast<double>(corpus.original.size());
  return true;
}

// ---- A plain transcription of the published algorithm, one tree step per bit:
// the yardstick that the figures below are measured against.

void BM_DecodeReference(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (!Prepare(state, corpus)) return;
  std::vector<uint8_t> output;
  for (auto _ : state) {
    qm::lzh_test::ReferenceDecoder decoder(corpus.packed.data(), corpus.packed.size());
    output = decoder.Decode(static_cast<int64_t>(corpus.original.size()));
    benchmark::DoNotOptimize(output.data());
  }
  if (!SameAsOriginal(corpus, output)) state.SkipWithError("decoded output differs");
  ReportByteRate(state, corpus.original.size());
}
BENCHMARK(BM_DecodeReference)->Unit(benchmark::kMillisecond);

// ---- Byte-wise callbacks over memory: the decoder's one-byte-per-call interface.

struct CallbackIo {
  const uint8_t* in;
  const uint8_t* inEnd;
  uint8_t* out;
};

void ReadOne(void* context, uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  done = 0;
  while (done < count && io.in != io.inEnd) buffer[done++] = *io.in++;
}

void WriteOne(void* context, const uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<CallbackIo*>(context);
  std::memcpy(io.out, buffer, count);
  io.out += count;
  done = count;
}

void BM_DecodeCallbacks(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (!Prepare(state, corpus)) return;
  std::vector<uint8_t> output(corpus.original.size() + qm::kLzhMaxOverrun);
  const int32_t keepGoing = 1;
  for (auto _ : state) {
    CallbackIo io{corpus.packed.data(), corpus.packed.data() + corpus.packed.size(),
                  output.data()};
    qm::LzhDecode(static_cast<int32_t>(corpus.original.size()), ReadOne, WriteOne, &io,
                  keepGoing);
    benchmark::DoNotOptimize(output.data());
  }
  if (!SameAsOriginal(corpus, output)) state.SkipWithError("decoded output differs");
  ReportByteRate(state, corpus.original.size());
}
BENCHMARK(BM_DecodeCallbacks)->Unit(benchmark::kMillisecond);

// ---- The fast core straight from memory to memory.

void BM_DecodeCoreMemory(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (!Prepare(state, corpus)) return;
  std::vector<uint8_t> output(corpus.original.size() + qm::kLzhMaxOverrun);
  for (auto _ : state) {
    qm::LzhDecodeMemory(corpus.packed.data(), corpus.packed.size(), output.data(),
                        corpus.original.size());
    benchmark::DoNotOptimize(output.data());
  }
  if (!SameAsOriginal(corpus, output)) state.SkipWithError("decoded output differs");
  ReportByteRate(state, corpus.original.size());
}
BENCHMARK(BM_DecodeCoreMemory)->Unit(benchmark::kMillisecond);

// ---- The fast core with 2,048-byte block buffers on both sides, as the unpack
// pass would drive it (a file read per input block, a file write per output block).

constexpr size_t kBlock = 2048;

struct BlockSource {
  const uint8_t* in;
  const uint8_t* inEnd;
  uint8_t buffer[kBlock];

  size_t Pull(const uint8_t*& block) {
    const size_t size = std::min<size_t>(kBlock, static_cast<size_t>(inEnd - in));
    std::memcpy(buffer, in, size);
    in += size;
    block = buffer;
    return size;
  }
};

// Gathers the decoded runs into 2,048-byte blocks, writing each full one out.
struct BlockSink {
  uint8_t* out;
  uint8_t buffer[kBlock];
  size_t used = 0;

  void TakeRun(const uint8_t* bytes, size_t count) {
    while (count != 0) {
      const size_t part = std::min(count, kBlock - used);
      std::memcpy(buffer + used, bytes, part);
      used += part;
      bytes += part;
      count -= part;
      if (used == kBlock) Flush();
    }
  }
  void Flush() {
    std::memcpy(out, buffer, used);
    out += used;
    used = 0;
  }
};

void BM_DecodeCoreBlocks(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (!Prepare(state, corpus)) return;
  std::vector<uint8_t> output(corpus.original.size() + qm::kLzhMaxOverrun);
  static qm::LzhDecoderState decoder;
  const int32_t keepGoing = 1;
  for (auto _ : state) {
    BlockSource source{corpus.packed.data(), corpus.packed.data() + corpus.packed.size(), {}};
    BlockSink sink{output.data(), {}};
    qm::LzhDecodeCore(decoder, static_cast<int64_t>(corpus.original.size()), source, sink,
                      keepGoing);
    sink.Flush();
    benchmark::DoNotOptimize(output.data());
  }
  if (!SameAsOriginal(corpus, output)) state.SkipWithError("decoded output differs");
  ReportByteRate(state, corpus.original.size());
}
BENCHMARK(BM_DecodeCoreBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
