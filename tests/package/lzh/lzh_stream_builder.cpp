#include "package/lzh/lzh_stream_builder.h"

#include <stdexcept>

namespace qm::lzh_test {
namespace {

constexpr unsigned kLeaf = 627;
constexpr unsigned kRootNode = 626;

// Code length of a distance's upper 6 bits: 3 bits for 0, then 4, 5, 6, 7 and
// 8 bits for groups of 3, 8, 12, 24 and 16 values.
unsigned UpperLength(unsigned upper) {
  const unsigned groupEnds[] = {1, 4, 12, 24, 48, 64};
  unsigned length = 3;
  for (unsigned end : groupEnds) {
    if (upper < end) return length;
    ++length;
  }
  throw std::logic_error("distance out of range");
}

// Codes are handed out in order of u: each takes 2^(8 - length) of the 256
// values of an 8-bit prefix, so its code is the first of them cut to `length` bits.
unsigned UpperCode(unsigned upper) {
  unsigned first = 0;
  for (unsigned u = 0; u < upper; ++u) first += 1u << (8 - UpperLength(u));
  return first >> (8 - UpperLength(upper));
}

}  // namespace

// The window starts with spaces below the first write position; the 60 bytes
// from there on are zero until written, as in the decoder.
StreamBuilder::StreamBuilder() : ring_(4096, 0) {
  for (unsigned i = 0; i < 4036; ++i) ring_[i] = 0x20;
  for (unsigned s = 0; s < 314; ++s) {
    freq_[s] = 1;
    son_[s] = static_cast<int16_t>(s + kLeaf);
    parent_[s + kLeaf] = static_cast<int16_t>(s);
  }
  for (unsigned i = 0, j = 314; j <= kRootNode; i += 2, ++j) {
    freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    son_[j] = static_cast<int16_t>(i);
    parent_[i] = parent_[i + 1] = static_cast<int16_t>(j);
  }
  freq_[627] = 0xFFFF;
  parent_[kRootNode] = 0;
}

StreamBuilder& StreamBuilder::Literal(uint8_t byte) {
  Symbol(byte);
  Emit(byte);
  return *this;
}

StreamBuilder& StreamBuilder::Match(unsigned length, unsigned distance) {
  if (length < 3 || length > 60 || distance > 4095) throw std::logic_error("bad match");
  Symbol(length + 253);
  const unsigned upper = distance >> 6;
  Bits(UpperCode(upper), UpperLength(upper));
  Bits(distance & 63u, 6);
  const unsigned from = ringPos_ - distance - 1;
  for (unsigned k = 0; k < length; ++k) Emit(ring_[(from + k) & 4095u]);
  return *this;
}

std::vector<uint8_t> StreamBuilder::Bytes() const { return bytes_; }

unsigned StreamBuilder::SymbolsBeforeRebuild() const { return 0x8000u - freq_[kRootNode]; }

unsigned StreamBuilder::SymbolAtNodeZero() const { return static_cast<unsigned>(son_[0]) - kLeaf; }

// The code of a symbol is the way from the root down to its leaf: collect the
// side of each node from the leaf up, then send them root first.
void StreamBuilder::Symbol(unsigned symbol) {
  uint32_t code = 0;
  unsigned length = 0;
  for (unsigned node = static_cast<unsigned>(parent_[symbol + kLeaf]); node != kRootNode;
       node = static_cast<unsigned>(parent_[node])) {
    const unsigned first = static_cast<unsigned>(son_[parent_[node]]);
    code |= static_cast<uint32_t>(node - first) << length;
    ++length;
  }
  Bits(code, length);
  Count(symbol);
}

void StreamBuilder::Count(unsigned symbol) {
  if (freq_[kRootNode] == 0x8000) Rebuild();
  unsigned c = static_cast<unsigned>(parent_[symbol + kLeaf]);
  do {
    const unsigned k = ++freq_[c];
    if (k > freq_[c + 1]) {
      unsigned l = c + 1;
      while (k > freq_[l + 1]) ++l;
      freq_[c] = freq_[l];
      freq_[l] = static_cast<uint16_t>(k);
      const unsigned i = static_cast<unsigned>(son_[c]);
      parent_[i] = static_cast<int16_t>(l);
      if (i < kLeaf) parent_[i + 1] = static_cast<int16_t>(l);
      const unsigned j = static_cast<unsigned>(son_[l]);
      son_[l] = static_cast<int16_t>(i);
      parent_[j] = static_cast<int16_t>(c);
      if (j < kLeaf) parent_[j + 1] = static_cast<int16_t>(c);
      son_[c] = static_cast<int16_t>(j);
      c = l;
    }
    c = static_cast<unsigned>(parent_[c]);
  } while (c != 0);
}

// Halves the leaf counts (rounding up), gathered at the front in node order,
// then inserts the parent of each pair of nodes from the front after every
// node whose count is not above the pair's sum.
void StreamBuilder::Rebuild() {
  unsigned leaves = 0;
  for (unsigned node = 0; node <= kRootNode; ++node) {
    if (static_cast<unsigned>(son_[node]) >= kLeaf) {
      freq_[leaves] = static_cast<uint16_t>((freq_[node] + 1u) / 2);
      son_[leaves] = son_[node];
      ++leaves;
    }
  }
  for (unsigned first = 0, inner = 314; inner <= kRootNode; first += 2, ++inner) {
    const uint16_t sum = static_cast<uint16_t>(freq_[first] + freq_[first + 1]);
    unsigned place = inner;
    while (freq_[place - 1] > sum) --place;
    for (unsigned k = inner; k > place; --k) {
      freq_[k] = freq_[k - 1];
      son_[k] = son_[k - 1];
    }
    freq_[place] = sum;
    son_[place] = static_cast<int16_t>(first);
  }
  for (unsigned node = 0; node <= kRootNode; ++node) {
    const unsigned below = static_cast<unsigned>(son_[node]);
    parent_[below] = static_cast<int16_t>(node);
    if (below < kLeaf) parent_[below + 1] = static_cast<int16_t>(node);
  }
  ++rebuilds_;
}

void StreamBuilder::Emit(uint8_t byte) {
  output_.push_back(byte);
  ring_[ringPos_] = byte;
  ringPos_ = (ringPos_ + 1) & 4095u;
}

void StreamBuilder::Bits(uint32_t value, unsigned count) {
  for (unsigned k = count; k-- > 0;) {
    if (bitCount_ % 8 == 0) bytes_.push_back(0);
    if ((value >> k) & 1u) bytes_.back() |= static_cast<uint8_t>(0x80u >> (bitCount_ % 8));
    ++bitCount_;
  }
}

}  // namespace qm::lzh_test
