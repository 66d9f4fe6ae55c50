// The two ways of cutting the input into literals and matches. Both work on
// `text`: kLzhRingStart spaces (the decoder's initial ring) followed by the
// input, `size` bytes in all, and write their tokens to `out`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "qmpack/lzh_stream_writer.h"

namespace qmpack {

// Tells the caller now and then how many input bytes have been encoded.
class LzhProgress {
 public:
  static constexpr size_t kInterval = 64 * 1024;

  LzhProgress(std::function<void(size_t, size_t)> report, size_t total)
      : report_(std::move(report)), total_(total) {}

  void Reached(size_t done) {
    if (done >= next_) Report(done);
  }
  void Finish() { Report(total_); }

 private:
  void Report(size_t done) {
    if (report_) report_(done, total_);
    next_ = done + kInterval;
  }

  std::function<void(size_t, size_t)> report_;
  size_t total_;
  size_t next_ = kInterval;
};

// The longest match at every position, else a literal.
void ParseGreedy(const uint8_t* text, size_t size, LzhStreamWriter& out, LzhProgress& progress);

// Cheapest path through each block of positions, priced by the current code.
void ParseOptimal(const uint8_t* text, size_t size, LzhStreamWriter& out, LzhProgress& progress);

}  // namespace qmpack
