#include <array>

#include "qmpack/lzh_match_finder.h"
#include "qmpack/lzh_parsers.h"

namespace qmpack {
namespace {

// Deep enough that the longest match is always found.
constexpr int kGreedyDepth = kLzhWindowSize;

// Writes `match` at `position`, lets the finder see the positions it covers and
// returns the position after it.
size_t TakeMatch(size_t position, const LzhMatch& match, LzhMatchFinder& finder,
                 LzhStreamWriter& out) {
  out.PutMatch(match.length, match.distance);
  for (int covered = 1; covered < match.length; ++covered) finder.Skip(position + covered);
  return position + static_cast<size_t>(match.length);
}

}  // namespace

void ParseGreedy(const uint8_t* text, size_t size, LzhStreamWriter& out, LzhProgress& progress) {
  LzhMatchFinder finder(text, size, kGreedyDepth);
  std::array<LzhMatch, kLzhMaxMatch> matches;
  size_t position = kLzhRingStart;
  while (position < size) {
    const int found = finder.Find(position, matches.data());
    if (found > 0) {
      position = TakeMatch(position, matches[found - 1], finder, out);
    } else {
      out.PutLiteral(text[position]);
      ++position;
    }
    progress.Reached(position - kLzhRingStart);
  }
}

}  // namespace qmpack
