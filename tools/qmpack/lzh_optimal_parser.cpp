// Near-optimal parsing: within each block, the cheapest way to reach every
// position is found front to back (a literal, or any length of any match found
// there), pricing symbols by their current code lengths and distances by their
// fixed code; the cheapest path to the block's end is then written.
#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "qmpack/lzh_match_finder.h"
#include "qmpack/lzh_parsers.h"

namespace qmpack {
namespace {

// Positions weighed together under one set of prices, taken from the code as
// it stands when the block starts. Matches are cut at the block's end, so
// blocks are long; the code drifts too slowly within one to matter.
constexpr size_t kBlockLength = 16384;
// Tree nodes looked at per search.
constexpr int kSearchDepth = 64;

constexpr uint32_t kUnreached = std::numeric_limits<uint32_t>::max();

// The cheapest known way to reach a position: the last token and the total bits.
struct Arrival {
  uint32_t cost;
  uint16_t length;  // 1 for a literal
  uint16_t distance;
};

class OptimalParser {
 public:
  OptimalParser(const uint8_t* text, size_t size, LzhStreamWriter& out)
      : text_(text), size_(size), out_(out), finder_(text, size, kSearchDepth),
        arrivals_(kBlockLength + 1) {}

  void Run(LzhProgress& progress) {
    size_t position = kLzhRingStart;
    while (position < size_) {
      position = ParseBlock(position);
      progress.Reached(position - kLzhRingStart);
    }
  }

 private:
  // Parses and writes the block from `start`; returns where the next one starts.
  size_t ParseBlock(size_t start) {
    out_.code().FillCodeLengths(symbolBits_);
    const size_t span = std::min(size_ - start, kBlockLength);
    arrivals_[0] = {0, 0, 0};
    std::fill(arrivals_.begin() + 1, arrivals_.begin() + span + 1, Arrival{kUnreached, 0, 0});
    for (size_t offset = 0; offset < span; ++offset) {
      const size_t position = start + offset;
      const int found = finder_.Find(position, matches_.data());
      RelaxLiteral(offset, text_[position]);
      RelaxMatches(offset, static_cast<int>(std::min<size_t>(span - offset, kLzhMaxMatch)), found);
    }
    WritePath(start, span);
    return start + span;
  }

  void RelaxLiteral(size_t offset, uint8_t byte) {
    Improve(offset + 1, arrivals_[offset].cost + symbolBits_[byte], 1, 0);
  }

  // Every length up to each match's own, from the nearest source that has it;
  // matches are cut at the end of the block.
  void RelaxMatches(size_t offset, int room, int found) {
    const uint32_t base = arrivals_[offset].cost;
    int length = kLzhMinMatch;
    for (int i = 0; i < found; ++i) {
      const LzhMatch& match = matches_[i];
      const uint32_t distanceCost = base + static_cast<uint32_t>(LzhDistanceBits(match.distance));
      const int last = std::min(match.length, room);
      for (; length <= last; ++length) {
        Improve(offset + length, distanceCost + symbolBits_[length + kLzhMatchSymbolBase], length,
                match.distance);
      }
    }
  }

  void Improve(size_t offset, uint32_t cost, int length, int distance) {
    Arrival& arrival = arrivals_[offset];
    if (cost < arrival.cost) {
      arrival = {cost, static_cast<uint16_t>(length), static_cast<uint16_t>(distance)};
    }
  }

  // Writes the cheapest path from the block's start to `end` positions into it.
  void WritePath(size_t start, size_t end) {
    path_.clear();
    for (size_t offset = end; offset > 0; offset -= arrivals_[offset].length) {
      path_.push_back(offset);
    }
    for (auto step = path_.rbegin(); step != path_.rend(); ++step) {
      const Arrival& arrival = arrivals_[*step];
      if (arrival.length == 1) {
        out_.PutLiteral(text_[start + *step - 1]);
      } else {
        out_.PutMatch(arrival.length, arrival.distance);
      }
    }
  }

  const uint8_t* text_;
  size_t size_;
  LzhStreamWriter& out_;
  LzhMatchFinder finder_;
  std::vector<Arrival> arrivals_;  // by offset from the block's start
  std::vector<size_t> path_;       // offsets where the chosen tokens end, last first
  std::array<LzhMatch, kLzhMaxMatch> matches_;
  std::array<uint8_t, kLzhSymbols> symbolBits_;
};

}  // namespace

void ParseOptimal(const uint8_t* text, size_t size, LzhStreamWriter& out, LzhProgress& progress) {
  OptimalParser(text, size, out).Run(progress);
}

}  // namespace qmpack
