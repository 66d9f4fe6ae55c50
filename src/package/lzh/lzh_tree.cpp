// The adaptive Huffman tree of the LZHUF decoder: its start, the look-up table
// of its first steps, and its periodic rebuild with halved counts.
#include <algorithm>
#include <cstring>

#include "package/lzh/lzh_core.h"

namespace qm {

using namespace lzh;

void LzhDecoderState::Start() {
  StartTree();
  // The window starts as ring positions kRingStart .. kRingSize - 1, never
  // written before the output reaches them (zero keeps early reads defined),
  // then 0 .. kRingStart - 1, which hold spaces.
  std::memset(history, 0, kRingSize - kRingStart);
  std::memset(history + (kRingSize - kRingStart), kRingFill, kRingStart);
  historyPos = kRingSize;
  for (Descent& steps : descent) {
    steps.node = kRoot;
    steps.depth = 0;
  }
  std::memset(descentReaders, 0, sizeof descentReaders);
  staleDescents.Fill(~uint64_t{0});
  produced = 0;
  bits = 0;
  bitCount = 0;
  bytesTaken = 0;
  next = nullptr;
  end = nullptr;
}

// Notes each node whose child the walk reads, having first taken the entry off
// the nodes of its previous walk: a change to one of those children makes the
// entry stale again.
void LzhDecoderState::WalkDescent(unsigned pattern) {
  Descent& steps = descent[pattern];
  // The root stays noted: every walk reads it.
  for (unsigned k = kUpwardSteps + 1 - steps.depth; k < kUpwardSteps; ++k) {
    descentReaders[steps.upward[k]].Remove(pattern);
  }
  descentReaders[steps.node].Remove(pattern);
  uint16_t downward[kDescentBits] = {};
  unsigned node = kRoot;
  unsigned depth = 0;
  while (depth < kDescentBits) {
    descentReaders[node].Add(pattern);
    const unsigned value = static_cast<unsigned>(child[node]);
    if (value >= kLeafBase) break;
    downward[depth] = static_cast<uint16_t>(node);
    node = value + ((pattern >> (kDescentBits - 1 - depth)) & 1u);
    ++depth;
  }
  steps.node = static_cast<uint16_t>(node);
  steps.depth = static_cast<uint16_t>(depth);
  for (unsigned k = 0; k < kUpwardSteps; ++k) {
    steps.upward[k] = k + depth <= kUpwardSteps ? static_cast<uint16_t>(kFillerNode)
                                                : downward[kUpwardSteps - k];
  }
  staleDescents.Remove(pattern);
}

unsigned LzhDecoderState::SlideHistory(unsigned pos) {
  std::memmove(history, history + pos - kRingSize, kRingSize);
  return kRingSize;
}

// Every symbol counted once; inner node j joins nodes 2(j - 314) and the next one.
void LzhDecoderState::StartTree() {
  for (unsigned s = 0; s < kSymbolCount; ++s) {
    count[s] = 1;
    child[s] = static_cast<int16_t>(LeafValue(s));
    parent[LeafValue(s)] = static_cast<int16_t>(s);
  }
  unsigned first = 0;
  for (unsigned j = kSymbolCount; j < kNodeCount; ++j, first += 2) {
    count[j] = static_cast<uint16_t>(count[first] + count[first + 1]);
    child[j] = static_cast<int16_t>(first);
    parent[first] = parent[first + 1] = static_cast<int16_t>(j);
  }
  for (unsigned k = kNodeCount; k < kNodeCount + kSentinelSlots; ++k) count[k] = kCountSentinel;
  count[kFillerNode] = 0;
  count[kFillerNode + 1] = kCountSentinel;
  parent[kRoot] = 0;
}

// Halves every leaf count (rounding up) and rebuilds the inner nodes in order
// of count, each placed after the last node whose count does not exceed its own.
void LzhDecoderState::RebuildTree() {
  unsigned leaves = 0;
  for (unsigned i = 0; i < kNodeCount; ++i) {
    if (static_cast<unsigned>(child[i]) >= kLeafBase) {
      count[leaves] = static_cast<uint16_t>((count[i] + 1u) / 2);
      child[leaves] = child[i];
      ++leaves;
    }
  }
  unsigned first = 0;
  for (unsigned j = kSymbolCount; j < kNodeCount; ++j, first += 2) {
    const uint16_t sum = static_cast<uint16_t>(count[first] + count[first + 1]);
    // count[0 .. j - 1] is in order, so the place is found by halving.
    const unsigned place = static_cast<unsigned>(std::upper_bound(count, count + j, sum) - count);
    std::memmove(&count[place + 1], &count[place], (j - place) * sizeof count[0]);
    std::memmove(&child[place + 1], &child[place], (j - place) * sizeof child[0]);
    count[place] = sum;
    child[place] = static_cast<int16_t>(first);
  }
  staleDescents.Fill(~uint64_t{0});
  for (unsigned i = 0; i < kNodeCount; ++i) {
    const unsigned k = static_cast<unsigned>(child[i]);
    parent[k] = parent[k + 1] = static_cast<int16_t>(i);
  }
}

}  // namespace qm
