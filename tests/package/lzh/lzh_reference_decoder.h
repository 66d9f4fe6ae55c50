// A plain, slow LZHUF decoder written line for line from the published
// algorithm: 16-bit bit reservoir refilled a byte at a time, one tree step per
// bit, no fast paths. It is the oracle that the optimised core is compared with
// (in the fuzz target and in tests that need a second opinion on random input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::lzh_test {

class ReferenceDecoder {
 public:
  ReferenceDecoder(const uint8_t* input, size_t size) : input_(input), size_(size) {}

  // Decodes until `total` bytes are out; a final match is written whole.
  std::vector<uint8_t> Decode(int64_t total) {
    StartTree();
    std::vector<uint8_t> ring(4096, 0);
    for (int i = 0; i < 4036; ++i) ring[i] = 0x20;
    unsigned r = 4036;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(total) + 60);
    while (static_cast<int64_t>(out.size()) < total) {
      const unsigned x = DecodeSymbol();
      if (x < 256) {
        out.push_back(static_cast<uint8_t>(x));
        ring[r] = static_cast<uint8_t>(x);
        r = (r + 1) & 4095;
      } else {
        const unsigned d = DecodeDistance();
        const unsigned p = (r - d - 1) & 4095;
        for (unsigned k = 0; k < x - 253; ++k) {
          const uint8_t b = ring[(p + k) & 4095];
          out.push_back(b);
          ring[r] = b;
          r = (r + 1) & 4095;
        }
      }
    }
    return out;
  }

  // Bytes fetched from the input so far (zero bytes past its end included).
  size_t Fetched() const { return fetched_; }

 private:
  uint8_t FetchByte() {
    const size_t at = fetched_++;
    return at < size_ ? input_[at] : 0;
  }

  void Refill() {
    while (bitCount_ <= 8) {
      bits_ = static_cast<uint16_t>(bits_ | (FetchByte() << (8 - bitCount_)));
      bitCount_ = static_cast<uint8_t>(bitCount_ + 8);
    }
  }

  unsigned NextBit() {
    Refill();
    const unsigned bit = bits_ >> 15;
    bits_ = static_cast<uint16_t>(bits_ << 1);
    --bitCount_;
    return bit;
  }

  unsigned NextByte() {
    Refill();
    const unsigned byte = bits_ >> 8;
    bits_ = static_cast<uint16_t>(bits_ << 8);
    bitCount_ = static_cast<uint8_t>(bitCount_ - 8);
    return byte;
  }

  void StartTree() {
    for (int s = 0; s < 314; ++s) {
      freq_[s] = 1;
      son_[s] = static_cast<int16_t>(s + 627);
      prnt_[s + 627] = static_cast<int16_t>(s);
    }
    for (int i = 0, j = 314; j <= 626; i += 2, ++j) {
      freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
      son_[j] = static_cast<int16_t>(i);
      prnt_[i] = prnt_[i + 1] = static_cast<int16_t>(j);
    }
    freq_[627] = 0xFFFF;
    prnt_[626] = 0;
  }

  void RebuildTree() {
    int j = 0;
    for (int i = 0; i < 627; ++i) {
      if (son_[i] >= 627) {
        freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
        son_[j] = son_[i];
        ++j;
      }
    }
    for (int i = 0, j2 = 314; j2 < 627; i += 2, ++j2) {
      const uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
      freq_[j2] = f;
      int k = j2 - 1;
      while (f < freq_[k]) --k;
      ++k;
      for (int m = j2; m > k; --m) {
        freq_[m] = freq_[m - 1];
        son_[m] = son_[m - 1];
      }
      freq_[k] = f;
      son_[k] = static_cast<int16_t>(i);
    }
    for (int i = 0; i < 627; ++i) {
      const int k = son_[i];
      if (k >= 627) {
        prnt_[k] = static_cast<int16_t>(i);
      } else {
        prnt_[k] = prnt_[k + 1] = static_cast<int16_t>(i);
      }
    }
  }

  void UpdateTree(int s) {
    if (freq_[626] == 0x8000) RebuildTree();
    int c = prnt_[s + 627];
    do {
      const uint16_t k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        const int i = son_[c];
        prnt_[i] = static_cast<int16_t>(l);
        if (i < 627) prnt_[i + 1] = static_cast<int16_t>(l);
        const int j = son_[l];
        son_[l] = static_cast<int16_t>(i);
        prnt_[j] = static_cast<int16_t>(c);
        if (j < 627) prnt_[j + 1] = static_cast<int16_t>(c);
        son_[c] = static_cast<int16_t>(j);
        c = l;
      }
      c = prnt_[c];
    } while (c != 0);
  }

  unsigned DecodeSymbol() {
    int c = son_[626];
    while (c < 627) c = son_[c + NextBit()];
    c -= 627;
    UpdateTree(c);
    return static_cast<unsigned>(c);
  }

  // The upper 6 bits of a distance: code lengths 3, 4, 5, 6, 7, 8 for
  // 1, 3, 8, 12, 24, 16 values of u in turn.
  static void PositionOf(unsigned index, unsigned& upper, unsigned& length) {
    static const unsigned kValues[6] = {1, 3, 8, 12, 24, 16};
    unsigned u = 0;
    unsigned start = 0;
    for (unsigned group = 0; group < 6; ++group) {
      const unsigned len = group + 3;
      const unsigned span = kValues[group] << (8 - len);
      if (index < start + span) {
        upper = u + (index - start) / (1u << (8 - len));
        length = len;
        return;
      }
      start += span;
      u += kValues[group];
    }
  }

  unsigned DecodeDistance() {
    unsigned i = NextByte();
    unsigned upper = 0;
    unsigned length = 0;
    PositionOf(i, upper, length);
    for (unsigned n = length - 2; n != 0; --n) i = ((i << 1) + NextBit()) & 0xFFFF;
    return (upper << 6) | (i & 63);
  }

  const uint8_t* input_;
  size_t size_;
  size_t fetched_ = 0;
  uint16_t bits_ = 0;
  uint8_t bitCount_ = 0;
  uint16_t freq_[628] = {};
  int16_t prnt_[941] = {};
  int16_t son_[627] = {};
};

}  // namespace qm::lzh_test
