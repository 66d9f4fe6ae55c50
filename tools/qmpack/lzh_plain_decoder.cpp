#include "qmpack/lzh_plain_decoder.h"

#include <algorithm>
#include <array>

namespace qmpack {

namespace {

constexpr unsigned kRingSize = 4096;
constexpr unsigned kLongestMatch = 60;
constexpr unsigned kSymbolCount = 314;
constexpr unsigned kNodeCount = 2 * kSymbolCount - 1;
constexpr unsigned kRootNode = kNodeCount - 1;
constexpr unsigned kCountLimit = 0x8000;

struct PositionTables {
  std::array<uint8_t, 256> upperBits{};
  std::array<uint8_t, 256> codeLength{};
};

// Distance prefixes 0, 1-3, 4-11, 12-23, 24-47 and 48-63 have codes of 3 to 8
// bits; each prefix fills the table entries that start with its code.
constexpr PositionTables MakePositionTables() {
  constexpr unsigned kLastPrefixOfLength[] = {0, 3, 11, 23, 47, 63};
  PositionTables tables;
  unsigned entry = 0;
  unsigned length = 3;
  for (unsigned prefix = 0; prefix < 64; ++prefix) {
    if (prefix > kLastPrefixOfLength[length - 3]) ++length;
    for (unsigned k = 0; k < (256u >> length); ++k, ++entry) {
      tables.upperBits[entry] = static_cast<uint8_t>(prefix);
      tables.codeLength[entry] = static_cast<uint8_t>(length);
    }
  }
  return tables;
}

constexpr PositionTables kPositionTables = MakePositionTables();

class PlainDecoder {
 public:
  PlainDecoder(const uint8_t* input, size_t size) : input_(input), size_(size) { StartTree(); }

  std::vector<uint8_t> Decode(size_t total) {
    std::array<uint8_t, kRingSize> ring{};
    std::fill(ring.begin(), ring.end() - kLongestMatch, ' ');
    unsigned r = kRingSize - kLongestMatch;
    std::vector<uint8_t> out;
    out.reserve(total + kLongestMatch);
    const auto put = [&](uint8_t byte) {
      out.push_back(byte);
      ring[r] = byte;
      r = (r + 1) % kRingSize;
    };
    while (out.size() < total) {
      const unsigned symbol = DecodeSymbol();
      if (symbol < 256) {
        put(static_cast<uint8_t>(symbol));
        continue;
      }
      const unsigned from = (r + kRingSize - DecodeDistance() - 1) % kRingSize;
      for (unsigned k = 0; k < symbol - 253; ++k) put(ring[(from + k) % kRingSize]);
    }
    out.resize(total);
    return out;
  }

 private:
  uint8_t InputByte() { return read_ < size_ ? input_[read_++] : (++read_, 0); }

  void Refill() {
    while (bitCount_ <= 8) {
      bits_ |= static_cast<unsigned>(InputByte()) << (8 - bitCount_);
      bitCount_ += 8;
    }
  }

  unsigned Bit() {
    Refill();
    const unsigned bit = bits_ >> 15 & 1;
    bits_ = bits_ << 1 & 0xFFFF;
    --bitCount_;
    return bit;
  }

  unsigned Byte() {
    Refill();
    const unsigned byte = bits_ >> 8;
    bits_ = bits_ << 8 & 0xFFFF;
    bitCount_ -= 8;
    return byte;
  }

  void StartTree() {
    for (unsigned s = 0; s < kSymbolCount; ++s) {
      count_[s] = 1;
      child_[s] = s + kNodeCount;
      parent_[s + kNodeCount] = s;
    }
    for (unsigned i = 0, j = kSymbolCount; j <= kRootNode; i += 2, ++j) {
      count_[j] = static_cast<uint16_t>(count_[i] + count_[i + 1]);
      child_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    count_[kNodeCount] = 0xFFFF;
    parent_[kRootNode] = 0;
  }

  // Halves the counts and builds the tree again, leaves in their order.
  void RebuildTree() {
    unsigned leaves = 0;
    for (unsigned i = 0; i < kNodeCount; ++i) {
      if (child_[i] < kNodeCount) continue;
      count_[leaves] = static_cast<uint16_t>((count_[i] + 1) / 2);
      child_[leaves] = child_[i];
      ++leaves;
    }
    for (unsigned i = 0, j = kSymbolCount; j < kNodeCount; i += 2, ++j) {
      const auto sum = static_cast<uint16_t>(count_[i] + count_[i + 1]);
      unsigned k = j;
      while (sum < count_[k - 1]) --k;
      std::copy_backward(count_.begin() + k, count_.begin() + j, count_.begin() + j + 1);
      std::copy_backward(child_.begin() + k, child_.begin() + j, child_.begin() + j + 1);
      count_[k] = sum;
      child_[k] = i;
    }
    for (unsigned i = 0; i < kNodeCount; ++i) {
      const unsigned c = child_[i];
      parent_[c] = i;
      if (c < kNodeCount) parent_[c + 1] = i;
    }
  }

  // Counts the symbol and keeps the counts in order by moving each raised
  // node past the run of nodes it now outweighs.
  void CountSymbol(unsigned symbol) {
    if (count_[kRootNode] == kCountLimit) RebuildTree();
    unsigned node = parent_[symbol + kNodeCount];
    do {
      const uint16_t raised = ++count_[node];
      if (raised > count_[node + 1]) {
        unsigned swap = node + 1;
        while (raised > count_[swap + 1]) ++swap;
        count_[node] = count_[swap];
        count_[swap] = raised;
        const unsigned a = child_[node];
        parent_[a] = swap;
        if (a < kNodeCount) parent_[a + 1] = swap;
        const unsigned b = child_[swap];
        child_[swap] = a;
        parent_[b] = node;
        if (b < kNodeCount) parent_[b + 1] = node;
        child_[node] = b;
        node = swap;
      }
      node = parent_[node];
    } while (node != 0);
  }

  unsigned DecodeSymbol() {
    unsigned node = child_[kRootNode];
    while (node < kNodeCount) node = child_[node + Bit()];
    const unsigned symbol = node - kNodeCount;
    CountSymbol(symbol);
    return symbol;
  }

  unsigned DecodeDistance() {
    unsigned code = Byte();
    const unsigned upper = kPositionTables.upperBits[code];
    const unsigned length = kPositionTables.codeLength[code];
    for (unsigned k = 2; k < length; ++k) code = code << 1 | Bit();
    return upper << 6 | (code & 0x3F);
  }

  const uint8_t* input_;
  size_t size_;
  size_t read_ = 0;
  unsigned bits_ = 0;
  unsigned bitCount_ = 0;
  std::array<uint16_t, kNodeCount + 1> count_{};
  std::array<unsigned, kNodeCount> child_{};
  std::array<unsigned, kNodeCount + kSymbolCount> parent_{};
};

}  // namespace

std::vector<uint8_t> PlainLzhDecode(const uint8_t* input, size_t size, size_t total) {
  return PlainDecoder(input, size).Decode(total);
}

}  // namespace qmpack
