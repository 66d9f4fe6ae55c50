// Writes LZHUF streams for the decoder tests: an encoder-side model of the
// adaptive code (start tree, count update and the rebuild with halved counts)
// and the fixed distance code, packed most significant bit first. It also
// keeps the bytes the stream decodes to, from a window of its own.
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
  // What a decoder makes of the stream so far.
  const std::vector<uint8_t>& Output() const { return output_; }

  // Symbols still to be counted before the next one rebuilds the tree first.
  unsigned SymbolsBeforeRebuild() const;
  unsigned Rebuilds() const { return rebuilds_; }
  // The symbol whose leaf is node 0; a rebuild keeps it there.
  unsigned SymbolAtNodeZero() const;

 private:
  void Symbol(unsigned symbol);
  void Count(unsigned symbol);
  void Rebuild();
  void Bits(uint32_t value, unsigned count);
  void Emit(uint8_t byte);

  uint16_t freq_[628];
  int16_t parent_[941];
  int16_t son_[627];
  unsigned rebuilds_ = 0;
  std::vector<uint8_t> bytes_;
  size_t bitCount_ = 0;
  std::vector<uint8_t> ring_;
  unsigned ringPos_ = 4036;
  std::vector<uint8_t> output_;
};

}  // namespace qm::lzh_test
