// Hash chains over the sliding window: finds earlier copies of the bytes at a
// position that the decoder can still reach.
#pragma once

#include <array>
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
  // Looks at no more than `maxCandidates` earlier positions per search.
  LzhMatchFinder(const uint8_t* text, size_t size, int maxCandidates);

  // Writes the matches at `position` (at most `maxLength` bytes long), nearest
  // first, each longer than the one before, and returns their number. Then
  // remembers `position` for later searches. Positions must come in order.
  int Find(size_t position, int maxLength, LzhMatch* matches);
  // Only remembers `position`.
  void Skip(size_t position);

 private:
  static constexpr int kHashBits = 15;
  static constexpr int32_t kNone = -1;

  uint32_t Hash(size_t position) const;
  bool HasHash(size_t position) const { return position + kLzhMinMatch <= size_; }
  int MatchLength(size_t source, size_t position, int maxLength) const;
  void Insert(size_t position, uint32_t hash);

  const uint8_t* text_;
  size_t size_;
  int maxCandidates_;
  std::vector<int32_t> newest_;                    // per hash: last position seen
  std::array<int32_t, kLzhWindowSize> previous_;   // per window slot: the one before it
};

}  // namespace qmpack
