#include "qmpack/lzh_match_finder.h"

#include <algorithm>
#include <cstring>

namespace qmpack {

LzhMatchFinder::LzhMatchFinder(const uint8_t* text, size_t size, int maxDepth)
    : text_(text), size_(size), maxDepth_(maxDepth), roots_(size_t{1} << kHashBits, kNone),
      children_(kSlots * 2, kNone) {
  // A match into the initial spaces is best taken from their last 60 bytes,
  // the nearest ones that can give any length.
  for (size_t position = kLzhRingStart - kLzhMaxMatch; position < kLzhRingStart; ++position) {
    Skip(position);
  }
}

namespace {

// How far `a` and `b` agree, at most `limit` bytes, knowing they agree on `known`.
// Compares eight bytes at a time while a whole word fits below the limit.
int CommonLength(const uint8_t* a, const uint8_t* b, int known, int limit) {
  int length = known;
  for (; length + 8 <= limit; length += 8) {
    uint64_t wordA;
    uint64_t wordB;
    std::memcpy(&wordA, a + length, 8);
    std::memcpy(&wordB, b + length, 8);
    if (wordA != wordB) break;
  }
  while (length < limit && a[length] == b[length]) ++length;
  return length;
}

}  // namespace

uint32_t LzhMatchFinder::Hash(size_t position) const {
  const uint32_t key = uint32_t{text_[position]} << 16 | uint32_t{text_[position + 1]} << 8 |
                       text_[position + 2];
  return (key * 2654435761u) >> (32 - kHashBits);
}

// Makes `position` the root of its tree: the old tree is split into the
// strings that sort below it and those above, which become its two subtrees.
// Nodes out of the window end the walk and are cut off.
int LzhMatchFinder::Insert(size_t position, LzhMatch* matches) {
  if (position + kLzhMinMatch > size_) return 0;
  const int limit = static_cast<int>(std::min<size_t>(kLzhMaxMatch, size_ - position));
  const uint8_t* const current = text_ + position;
  int32_t& root = roots_[Hash(position)];
  int32_t node = root;
  root = static_cast<int32_t>(position);

  int32_t* smallerLink = &Smaller(root);  // where the next smaller string hangs
  int32_t* largerLink = &Larger(root);
  int smallerLength = 0;  // bytes that every string left in the walk shares with `current`
  int largerLength = 0;
  int best = kLzhMinMatch - 1;
  int found = 0;
  for (int depth = 0;; ++depth) {
    if (node == kNone || position - static_cast<size_t>(node) > kLzhWindowSize ||
        depth == maxDepth_) {
      *smallerLink = *largerLink = kNone;
      break;
    }
    const uint8_t* const source = text_ + node;
    const int length = CommonLength(source, current, std::min(smallerLength, largerLength), limit);
    if (length > best) {
      best = length;
      if (matches != nullptr) {
        matches[found++] = {length, static_cast<int>(position - static_cast<size_t>(node) - 1)};
      }
    }
    if (length == limit) {
      // Equal as far as can be told: `current` takes the node's place.
      *smallerLink = Smaller(node);
      *largerLink = Larger(node);
      break;
    }
    if (source[length] < current[length]) {
      *smallerLink = node;
      smallerLink = &Larger(node);
      node = *smallerLink;
      smallerLength = length;
    } else {
      *largerLink = node;
      largerLink = &Smaller(node);
      node = *largerLink;
      largerLength = length;
    }
  }
  return found;
}

}  // namespace qmpack
