#include "qmpack/lzh_adaptive_code.h"

#include <algorithm>

namespace qmpack {
namespace {

constexpr uint16_t kSentinelCount = 0xFFFF;

}  // namespace

LzhAdaptiveCode::LzhAdaptiveCode() {
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    count_[symbol] = 1;
    child_[symbol] = static_cast<int16_t>(symbol + kLzhNodes);
    parent_[symbol + kLzhNodes] = static_cast<int16_t>(symbol);
  }
  for (int first = 0, node = kLzhSymbols; node < kLzhNodes; first += 2, ++node) {
    count_[node] = static_cast<uint16_t>(count_[first] + count_[first + 1]);
    child_[node] = static_cast<int16_t>(first);
    parent_[first] = parent_[first + 1] = static_cast<int16_t>(node);
  }
  count_[kLzhNodes] = kSentinelCount;
  parent_[kLzhRoot] = 0;
}

void LzhAdaptiveCode::Write(int symbol, LzhBitWriter& out) {
  // The path is found from the leaf up but sent from the root down, so it is
  // gathered first; a tree of 627 nodes can't be deeper than that.
  std::array<uint8_t, kLzhNodes> pathBits;
  int depth = 0;
  for (int node = parent_[symbol + kLzhNodes]; node != kLzhRoot; node = parent_[node]) {
    pathBits[depth++] = static_cast<uint8_t>(node - child_[parent_[node]]);
  }
  while (depth > 0) {
    const int count = std::min(depth, LzhBitWriter::kMaxPut);
    uint32_t piece = 0;
    for (int i = 0; i < count; ++i) piece = (piece << 1) | pathBits[--depth];
    out.Put(piece, count);
  }
  Count(symbol);
}

void LzhAdaptiveCode::Count(int symbol) {
  if (count_[kLzhRoot] == kLzhRebuildCount) Rebuild();
  int node = parent_[symbol + kLzhNodes];
  do {
    ++count_[node];
    if (count_[node] > count_[node + 1]) SwapWithLastOfEqualCount(node);
    node = parent_[node];
  } while (node != 0);
}

// Keeps the counts in node order after count_[node] has grown past its
// neighbour's: the node trades places, subtree and all, with the last node
// whose count is still below its own.
void LzhAdaptiveCode::SwapWithLastOfEqualCount(int& node) {
  const uint16_t grown = count_[node];
  int partner = node + 1;
  while (count_[partner + 1] < grown) ++partner;
  count_[node] = count_[partner];
  count_[partner] = grown;

  const int nodeChild = child_[node];
  parent_[nodeChild] = static_cast<int16_t>(partner);
  if (nodeChild < kLzhNodes) parent_[nodeChild + 1] = static_cast<int16_t>(partner);
  const int partnerChild = child_[partner];
  child_[partner] = static_cast<int16_t>(nodeChild);
  parent_[partnerChild] = static_cast<int16_t>(node);
  if (partnerChild < kLzhNodes) parent_[partnerChild + 1] = static_cast<int16_t>(node);
  child_[node] = static_cast<int16_t>(partnerChild);
  node = partner;
}

void LzhAdaptiveCode::Rebuild() {
  GatherHalvedLeaves();
  BuildInnerNodes();
  ConnectParents();
}

void LzhAdaptiveCode::GatherHalvedLeaves() {
  int leaf = 0;
  for (int node = 0; node < kLzhNodes; ++node) {
    if (child_[node] >= kLzhNodes) {
      count_[leaf] = static_cast<uint16_t>((count_[node] + 1) / 2);
      child_[leaf] = child_[node];
      ++leaf;
    }
  }
}

// Pairs the nodes from the front and inserts each pair's parent where its
// count keeps the order.
void LzhAdaptiveCode::BuildInnerNodes() {
  for (int first = 0, node = kLzhSymbols; node < kLzhNodes; first += 2, ++node) {
    const uint16_t sum = static_cast<uint16_t>(count_[first] + count_[first + 1]);
    int place = node - 1;
    while (sum < count_[place]) --place;
    ++place;
    std::copy_backward(count_.begin() + place, count_.begin() + node, count_.begin() + node + 1);
    std::copy_backward(child_.begin() + place, child_.begin() + node, child_.begin() + node + 1);
    count_[place] = sum;
    child_[place] = static_cast<int16_t>(first);
  }
}

void LzhAdaptiveCode::ConnectParents() {
  for (int node = 0; node < kLzhNodes; ++node) {
    const int child = child_[node];
    parent_[child] = static_cast<int16_t>(node);
    if (child < kLzhNodes) parent_[child + 1] = static_cast<int16_t>(node);
  }
}

int LzhAdaptiveCode::CodeLength(int symbol) const {
  int depth = 0;
  for (int node = parent_[symbol + kLzhNodes]; node != kLzhRoot; node = parent_[node]) ++depth;
  return depth;
}

void LzhAdaptiveCode::FillCodeLengths(std::array<uint8_t, kLzhSymbols>& lengths) const {
  for (int symbol = 0; symbol < kLzhSymbols; ++symbol) {
    lengths[symbol] = static_cast<uint8_t>(std::min(CodeLength(symbol), 255));
  }
}

}  // namespace qmpack
