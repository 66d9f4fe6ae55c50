// The adaptive Huffman tree of the LZHUF decoder: its start, the look-up table
// of its first steps, and its periodic rebuild with halved counts.
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
  staleDescents.AddAll();
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
// of count: inner node j joins the nodes at 2(j - 314) and the next one, and
// goes after every node whose count does not exceed its own. The halved leaves
// keep their order and the inner nodes come in order of their sums, so one
// merge of the two runs puts every node in its place.
void LzhDecoderState::RebuildTree() {
  uint16_t leafCount[kSymbolCount];
  int16_t leafChild[kSymbolCount];
  unsigned leaves = 0;
  for (unsigned i = 0; i < kNodeCount; ++i) {
    if (static_cast<unsigned>(child[i]) >= kLeafBase) {
      leafCount[leaves] = static_cast<uint16_t>((count[i] + 1u) / 2);
      leafChild[leaves] = child[i];
      ++leaves;
    }
  }
  unsigned nextLeaf = 0;
  unsigned nextInner = 0;  // joins the nodes at 2 * nextInner and the next one
  for (unsigned place = 0; place < kNodeCount; ++place) {
    // An inner node can go no earlier than just after its second child.
    const bool innerReady = 2 * nextInner + 2 <= place;
    const uint16_t sum =
        innerReady ? static_cast<uint16_t>(count[2 * nextInner] + count[2 * nextInner + 1]) : 0;
    if (nextLeaf < kSymbolCount && (!innerReady || leafCount[nextLeaf] <= sum)) {
      count[place] = leafCount[nextLeaf];
      child[place] = leafChild[nextLeaf];
      ++nextLeaf;
    } else {
      count[place] = sum;
      child[place] = static_cast<int16_t>(2 * nextInner);
      ++nextInner;
    }
  }
  staleDescents.AddAll();
  for (unsigned i = 0; i < kNodeCount; ++i) {
    const unsigned k = static_cast<unsigned>(child[i]);
    parent[k] = parent[k + 1] = static_cast<int16_t>(i);
  }
}

// `node` has just outgrown its right neighbour: exchange it with the last node
// whose count is still below `newCount`, and return that place.
size_t LzhDecoderState::SwapWithLastSmaller(size_t node, unsigned newCount) {
  // Counts are in order, so the nodes below newCount form a run: test four at
  // a time (the sentinel slots stop the scan inside the array).
  size_t last = node + 1;
  for (;;) {
    const unsigned smaller = (count[last + 1] < newCount) + (count[last + 2] < newCount) +
                             (count[last + 3] < newCount) + (count[last + 4] < newCount);
    last += smaller;
    if (smaller < 4) break;
  }
  count[node] = count[last];
  count[last] = static_cast<uint16_t>(newCount);
  SwapSubtrees(node, last);
  return last;
}

// Nodes a and b trade places in the tree: each takes the other's children.
void LzhDecoderState::SwapSubtrees(size_t a, size_t b) {
  staleDescents.AddBoth(descentReaders[a], descentReaders[b]);
  const size_t fromA = static_cast<uint16_t>(child[a]);
  const size_t fromB = static_cast<uint16_t>(child[b]);
  parent[fromA] = static_cast<int16_t>(b);
  parent[fromA + 1] = static_cast<int16_t>(b);
  parent[fromB] = static_cast<int16_t>(a);
  parent[fromB + 1] = static_cast<int16_t>(a);
  child[a] = static_cast<int16_t>(fromB);
  child[b] = static_cast<int16_t>(fromA);
}

}  // namespace qm
