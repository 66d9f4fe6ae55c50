// The encoder's copy of the decoder's adaptive Huffman code over the 314 LZHUF
// symbols. It must evolve exactly as the decoder's does: the same start tree,
// the same count update with sibling swaps, the same rebuild when the root's
// count has reached 32,768.
#pragma once

#include <array>
#include <cstdint>

#include "qmpack/lzh_bit_writer.h"
#include "qmpack/lzh_format.h"

namespace qmpack {

class LzhAdaptiveCode {
 public:
  LzhAdaptiveCode();

  // Writes the current code of `symbol` (any length the tree has), then counts it.
  void Write(int symbol, LzhBitWriter& out);
  // Counts `symbol` as the decoder does after decoding it.
  void Count(int symbol);

  // Current code length of `symbol` in bits: the depth of its leaf.
  int CodeLength(int symbol) const;
  void FillCodeLengths(std::array<uint8_t, kLzhSymbols>& lengths) const;

 private:
  void Rebuild();
  void GatherHalvedLeaves();
  void BuildInnerNodes();
  void ConnectParents();
  void SwapWithLastOfEqualCount(int& node);

  // count_[kLzhNodes] is a sentinel that stops the search for a swap partner.
  std::array<uint16_t, kLzhNodes + 1> count_{};
  // parent_[s + kLzhNodes] is the leaf node that currently holds symbol s.
  std::array<int16_t, kLzhNodes + kLzhSymbols> parent_{};
  // First of the two children of an inner node (the second follows it); s + kLzhNodes for a leaf.
  std::array<int16_t, kLzhNodes> child_{};
};

}  // namespace qmpack
