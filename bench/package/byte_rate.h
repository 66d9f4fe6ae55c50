// Speed figures of the codec benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

// Reports the bytes the benchmark went through per second twice: as
// bytes_per_second in the library's binary units (M/s there is MiB/s), and as
// MB_per_s in millions of bytes, the unit the speed targets are set in.
inline void ReportByteRate(benchmark::State& state, size_t bytesPerIteration) {
  const double bytes =
      static_cast<double>(state.iterations()) * static_cast<double>(bytesPerIteration);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["MB_per_s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}
