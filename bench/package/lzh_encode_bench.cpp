// Speed and compression of the qmpack LZHUF encoder on a mixed input of about
// 8 MB: Windows executables and plain text.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "byte_rate.h"
#include "mixed_input.h"
#include "qmpack/lzh_encoder.h"

namespace {

constexpr size_t kInputBytes = 8 * 1024 * 1024;

const std::vector<uint8_t>& MixedInput() {
  static const std::vector<uint8_t> input = BuildMixedInput(kInputBytes);
  return input;
}

void BM_LzhEncode(benchmark::State& state, qmpack::LzhParser parser) {
  const std::vector<uint8_t>& input = MixedInput();
  qmpack::LzhEncodeOptions options;
  options.parser = parser;
  size_t encodedBytes = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> encoded = qmpack::LzhEncode(input.data(), input.size(), options);
    encodedBytes = encoded.size();
    benchmark::DoNotOptimize(encoded.data());
  }
  ReportByteRate(state, input.size());
  state.counters["input_bytes"] = static_cast<double>(input.size());
  state.counters["output_bytes"] = static_cast<double>(encodedBytes);
  state.counters["ratio"] = static_cast<double>(encodedBytes) / static_cast<double>(input.size());
}

BENCHMARK_CAPTURE(BM_LzhEncode, greedy, qmpack::LzhParser::kGreedy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LzhEncode, better, qmpack::LzhParser::kBetter)->Unit(benchmark::kMillisecond);

}  // namespace
