#include "qmpack/lzh_match_finder.h"

namespace qmpack {

LzhMatchFinder::LzhMatchFinder(const uint8_t* text, size_t size, int maxCandidates)
    : text_(text), size_(size), maxCandidates_(maxCandidates), newest_(size_t{1} << kHashBits, kNone) {
  previous_.fill(kNone);
  // A match into the initial spaces is best taken from their last 60 bytes,
  // the nearest ones that can give any length.
  for (size_t position = kLzhRingStart - kLzhMaxMatch; position < kLzhRingStart; ++position) {
    Skip(position);
  }
}

uint32_t LzhMatchFinder::Hash(size_t position) const {
  const uint32_t key = uint32_t{text_[position]} << 16 | uint32_t{text_[position + 1]} << 8 |
                       text_[position + 2];
  return (key * 2654435761u) >> (32 - kHashBits);
}

int LzhMatchFinder::MatchLength(size_t source, size_t position, int maxLength) const {
  int length = 0;
  while (length < maxLength && text_[source + length] == text_[position + length]) ++length;
  return length;
}

void LzhMatchFinder::Insert(size_t position, uint32_t hash) {
  previous_[position % kLzhWindowSize] = newest_[hash];
  newest_[hash] = static_cast<int32_t>(position);
}

void LzhMatchFinder::Skip(size_t position) {
  if (HasHash(position)) Insert(position, Hash(position));
}

int LzhMatchFinder::Find(size_t position, int maxLength, LzhMatch* matches) {
  if (!HasHash(position) || maxLength < kLzhMinMatch) return 0;
  const uint32_t hash = Hash(position);
  // The oldest source the ring still holds; the slot of anything older has
  // been reused, which also ends every chain before it could loop.
  const int64_t oldest = static_cast<int64_t>(position) - kLzhWindowSize;
  int found = 0;
  int best = kLzhMinMatch - 1;
  int32_t source = newest_[hash];
  for (int left = maxCandidates_; left > 0 && source >= oldest && source != kNone; --left) {
    const size_t from = static_cast<size_t>(source);
    if (text_[from + best] == text_[position + best]) {
      const int length = MatchLength(from, position, maxLength);
      if (length > best) {
        best = length;
        matches[found++] = {length, static_cast<int>(position - from - 1)};
        if (length == maxLength) break;
      }
    }
    source = previous_[from % kLzhWindowSize];
  }
  Insert(position, hash);
  return found;
}

}  // namespace qmpack
