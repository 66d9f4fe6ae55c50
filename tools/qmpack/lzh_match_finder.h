// Binary search trees over the sliding window: finds earlier copies of the
// bytes at a position that the decoder can still reach.
//
// Every position becomes the root of the tree for its first three bytes; the
// tree keeps the window's positions in the order of the bytes that start
// there, newer positions above older ones. Walking down from the root visits
// the positions nearest in that order, newest first, so for every length the
// nearest source that has it is met on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "qmpack/lzh_format.h"

namespace qmpack {

struct LzhMatch {
  int length;
  int distance;  // the source starts distance + 1 bytes before the match
};

class LzhMatchFinder {
 public:
  // `text` is the data behind the decoder's initial ring: kLzhRingStart spaces
  // followed by the input, `size` bytes in all; it must outlive the finder.
  // Walks at most `maxDepth` nodes down a tree per position.
  LzhMatchFinder(const uint8_t* text, size_t size, int maxDepth);

  // Writes the matches at `position` (at most 60 bytes and not past the end),
  // nearest first, each longer than the one before, and returns their number
  // (at most kLzhMaxMatch). Positions must come in order, each once, through
  // Find or Skip.
  int Find(size_t position, LzhMatch* matches) { return Insert(position, matches); }
  // Adds `position` without reporting its matches.
  void Skip(size_t position) { Insert(position, nullptr); }

 private:
  static constexpr int kHashBits = 15;
  static constexpr int32_t kNone = -1;
  // Twice the window, so that a node's slot is not reused while it can still be reached.
  static constexpr size_t kSlots = 2 * kLzhWindowSize;

  uint32_t Hash(size_t position) const;
  int Insert(size_t position, LzhMatch* matches);
  int32_t& Smaller(int32_t node) { return children_[(static_cast<size_t>(node) % kSlots) * 2]; }
  int32_t& Larger(int32_t node) { return children_[(static_cast<size_t>(node) % kSlots) * 2 + 1]; }

  const uint8_t* text_;
  size_t size_;
  int maxDepth_;
  std::vector<int32_t> roots_;      // per hash of three bytes: the newest position
  std::vector<int32_t> children_;   // per slot: the subtrees of smaller and larger strings
};

}  // namespace qmpack
