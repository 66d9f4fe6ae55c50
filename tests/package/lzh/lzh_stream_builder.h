// Writes small LZHUF streams for the decoder tests: an encoder-side model of
// the adaptive code (start tree and count update, without the rebuild, which
// needs 32,000 symbols) and the fixed distance code, packed most significant
// bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::lzh_test {

class StreamBuilder {
 public:
  StreamBuilder();

  StreamBuilder& Literal(uint8_t byte);
  // A match of `length` (3..60) bytes starting distance + 1 bytes back.
  StreamBuilder& Match(unsigned length, unsigned distance);
  // The stream so far, its last byte padded with zero bits.
  std::vector<uint8_t> Bytes() const;
  size_t BitCount() const { return bitCount_; }

 private:
  void Symbol(unsigned symbol);
  void Count(unsigned symbol);
  void Bits(uint32_t value, unsigned count);

  uint16_t freq_[628];
  int16_t parent_[941];
  int16_t son_[627];
  std::vector<uint8_t> bytes_;
  size_t bitCount_ = 0;
};

}  // namespace qm::lzh_test
