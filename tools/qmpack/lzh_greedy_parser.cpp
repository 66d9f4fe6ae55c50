#include <algorithm>
#include <array>

#include "qmpack/lzh_parsers.h"

namespace qmpack {
namespace {

// Every source in the window can be tried, so the longest match is always found.
constexpr int kGreedyCandidates = kLzhWindowSize;

}  // namespace

void ParseGreedy(const uint8_t* text, size_t size, LzhStreamWriter& out, LzhProgress& progress) {
  LzhMatchFinder finder(text, size, kGreedyCandidates);
  std::array<LzhMatch, kLzhMaxMatch> matches;
  size_t position = kLzhRingStart;
  while (position < size) {
    const int maxLength = static_cast<int>(std::min<size_t>(kLzhMaxMatch, size - position));
    const int found = finder.Find(position, maxLength, matches.data());
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
