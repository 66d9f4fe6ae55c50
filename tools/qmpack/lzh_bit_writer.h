// Collects a bit stream most significant bit first into bytes.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace qmpack {

class LzhBitWriter {
 public:
  static constexpr int kMaxPut = 32;

  // Appends the low `count` bits of `value` (count <= kMaxPut; no higher bits set).
  void Put(uint32_t value, int count) {
    pending_ = (pending_ << count) | value;
    pendingBits_ += count;
    while (pendingBits_ >= 8) {
      pendingBits_ -= 8;
      bytes_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
    }
  }

  // Pads the last byte with zero bits and hands over the stream.
  std::vector<uint8_t> Finish() {
    if (pendingBits_ > 0) {
      bytes_.push_back(static_cast<uint8_t>(pending_ << (8 - pendingBits_)));
      pendingBits_ = 0;
    }
    return std::move(bytes_);
  }

 private:
  uint64_t pending_ = 0;  // the low pendingBits_ bits are not yet in bytes_
  int pendingBits_ = 0;
  std::vector<uint8_t> bytes_;
};

}  // namespace qmpack
