// The LZHUF decoding core: every piece of decoder state in one record
// (LzhDecoderState) and one loop (LzhDecodeCore) that pulls input blocks from a
// Source and pushes decoded bytes into a Sink. Both are template parameters, so
// the per-byte work of the caller's adapters is inlined into the loop. LzhDecode
// (one byte per callback) and LzhDecodeMemory are both built on it.
//
// Source: an object with
//     size_t Pull(const uint8_t*& block);
//   which points `block` at the next run of input bytes and returns their
//   number; the run must stay readable until the next Pull. The core consumes
//   the whole run before it pulls again, and it pulls only when its bit
//   reservoir would otherwise fall short (8 bits or fewer left), so a Source
//   that hands out one byte per call is read exactly as the byte-wise decoder
//   reads. Returning 0 means "no byte now": the core then uses one zero byte
//   and pulls again when it next needs input.
// Sink: an object with either
//     void TakeRun(const uint8_t* bytes, size_t count);
//   which takes the decoded bytes in order, in runs of at most 4,096 bytes
//   (the match that ends a run may add up to 59), the last run before
//   LzhDecodeCore returns; `bytes` is good only during the call. Or with
//     void Put(uint8_t byte);
//   called once per decoded byte as soon as it is decoded, for a caller that
//   must see each byte before the next symbol (the byte-wise interface).
//
// A caller with 2,048-byte block buffers (the unpack pass) drives it like this:
//
//   struct PackageBlocks {                  // the Source
//     size_t Pull(const uint8_t*& block) {
//       size_t got = ReadPackageBlock(readBuffer, 2048);   // 0 at the end or on error
//       PumpMessages();                     // Cancel may clear keepGoing here
//       block = readBuffer;
//       return keepGoing != 0 ? got : 0;
//     }
//   };
//   struct JoinedFileBlocks {               // the Sink
//     void TakeRun(const uint8_t* bytes, size_t count) {
//       while (count != 0) {                // fill the block, write it when full
//         size_t part = std::min(count, 2048 - used);
//         std::memcpy(writeBuffer + used, bytes, part);
//         used += part; bytes += part; count -= part;
//         if (used == 2048) WriteBlockAndMoveGauge();   // skips the write when keepGoing is 0
//       }
//     }
//   };
//   LzhDecodeBlocks(unpackTotal, blocks, joined, keepGoing);   // lzh_decoder.h: storage of its own
//   if (keepGoing != 0) WriteLastPartialBlock();
//
// keepGoing is read between symbols, so a cancel confirmed inside Pull (or Put)
// stops the decode after the current symbol, as with the byte-wise interface.
// Messages are then pumped once per 2,048 input bytes instead of once per byte,
// and output reaches a run-taking sink up to 4 KB after it is decoded. The
// output is the same byte for byte whatever the block sizes.
//
// What makes it faster than the byte-wise transcription: a word-sized bit
// reservoir filled a word at a time, a table that resolves the first six tree
// steps in one look-up (an entry is walked again only when a node it read
// moves), the walk down the tree remembered so that counting goes back up it
// without chasing parent links (through the table's part of it in a fixed
// number of unrolled steps), a four-wide scan for the place a node moves to,
// and a window kept as a straight buffer, so that matches are copied eight
// bytes at a time and the output leaves it in runs of 4 KB, with no per-byte
// work for the sink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace qm {

namespace lzh {

constexpr unsigned kRingSize = 4096;
constexpr unsigned kMaxMatch = 60;
constexpr unsigned kMatchSymbolBias = 253;  // symbol L + 253 codes a match of length L
constexpr unsigned kSymbolCount = 314;      // 256 literals, then lengths 3..60
constexpr unsigned kNodeCount = 2 * kSymbolCount - 1;
constexpr unsigned kRoot = kNodeCount - 1;
// Child value kLeafBase + 2s names symbol s. Leaf values are two apart, so
// that the value after each, where a leaf's absent second child would be,
// is free to take its writes.
constexpr unsigned kLeafBase = kNodeCount;
constexpr unsigned LeafValue(unsigned symbol) { return kLeafBase + 2 * symbol; }
constexpr unsigned kRebuildCount = 32768;   // root count that halves every count
constexpr uint16_t kCountSentinel = 65535;  // above every count: stops the swap scan
constexpr unsigned kSentinelSlots = 8;       // count[kNodeCount ..]: room for a 4-wide scan
// A stand-in node that fills short step lists: counting it never moves
// anything, as its right neighbour holds kCountSentinel.
constexpr unsigned kFillerNode = kNodeCount + kSentinelSlots;
constexpr unsigned kRingStart = kRingSize - kMaxMatch;  // positions below hold spaces
constexpr uint8_t kRingFill = 0x20;
constexpr unsigned kDescentBits = 6;  // tree steps resolved by one table look-up
constexpr unsigned kDescentCount = 1u << kDescentBits;
constexpr unsigned kCopyChunk = 8;    // bytes a match copy moves at once
// The bit reservoir is one machine word: on a 32-bit processor a 64-bit
// reservoir takes two registers and a double shift for every bit taken.
using BitWord = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;
constexpr unsigned kWordBits = 8 * sizeof(BitWord);
// The window is kept as a straight buffer: the last kRingSize bytes before the
// write position are the window, so a match reads backwards without wrapping.
// When the write position passes kSlideAt, the window moves back to the front.
constexpr unsigned kSlideAt = 2 * kRingSize;
constexpr unsigned kHistorySize = kSlideAt + kMaxMatch + kCopyChunk;

// Copies `count` bytes in whole chunks of kCopyChunk, so it may read and
// write up to kCopyChunk - 1 bytes past the ends. The source may overlap `to`
// only from kCopyChunk or more bytes behind it.
inline void CopyInChunks(uint8_t* to, const uint8_t* from, size_t count) {
  for (size_t k = 0; k < count; k += kCopyChunk) std::memcpy(to + k, from + k, kCopyChunk);
}

// The fixed prefix code of a distance's upper 6 bits, indexed by the first 8
// bits of the code: each value u takes 2^(8 - len) consecutive indexes, where
// len grows from 3 (u = 0) to 8 (u = 48..63).
struct PositionCode {
  std::array<uint8_t, 256> upper{};   // u, 0..63
  std::array<uint8_t, 256> length{};  // bits of the code for u, 3..8
};

constexpr unsigned PositionCodeLength(unsigned upper) {
  return upper < 1 ? 3 : upper < 4 ? 4 : upper < 12 ? 5 : upper < 24 ? 6 : upper < 48 ? 7 : 8;
}

constexpr PositionCode BuildPositionCode() {
  PositionCode code;
  unsigned index = 0;
  for (unsigned upper = 0; upper < 64; ++upper) {
    const unsigned length = PositionCodeLength(upper);
    for (unsigned run = 0; run < (1u << (8 - length)); ++run, ++index) {
      code.upper[index] = static_cast<uint8_t>(upper);
      code.length[index] = static_cast<uint8_t>(length);
    }
  }
  return code;
}

inline constexpr PositionCode kPositionCode = BuildPositionCode();

// A set of descent table entries, one bit each, in machine words.
struct DescentSet {
  static constexpr unsigned kWords = (kDescentCount + kWordBits - 1) / kWordBits;
  BitWord words[kWords];

  bool Has(unsigned entry) const {
    return ((words[entry / kWordBits] >> (entry % kWordBits)) & 1u) != 0;
  }
  void Add(unsigned entry) { words[entry / kWordBits] |= BitWord{1} << (entry % kWordBits); }
  void Remove(unsigned entry) { words[entry / kWordBits] &= ~(BitWord{1} << (entry % kWordBits)); }
  void AddBoth(const DescentSet& a, const DescentSet& b) {
    for (unsigned w = 0; w < kWords; ++w) words[w] |= a.words[w] | b.words[w];
  }
  void AddAll() {
    for (BitWord& each : words) each = ~BitWord{0};
  }
};

// Steps of a descent entry that counting goes up: all but the one from the
// root, which never moves (the sentinel is its right neighbour).
constexpr unsigned kUpwardSteps = kDescentBits - 1;

constexpr std::array<uint16_t, kUpwardSteps> FillerSteps() {
  std::array<uint16_t, kUpwardSteps> steps{};
  for (uint16_t& step : steps) step = kFillerNode;
  return steps;
}

}  // namespace lzh

// Everything one decode works on. Plain data: it may live anywhere (stack,
// static, heap) and is set up afresh by Start at the beginning of each decode.
struct LzhDecoderState {
  // Adaptive Huffman tree. Nodes are kept in order of count; an inner node's
  // children are child[v] and child[v] + 1; a child value >= kLeafBase is a leaf.
  uint16_t count[lzh::kFillerNode + 2];
  int16_t child[lzh::kNodeCount];

  // The window: the kRingSize bytes before historyPos (see kSlideAt). It
  // starts some 2.5 KB into the record, not near a multiple of 4 KB: the
  // processor matches loads against earlier stores by the low 12 address bits
  // first, and a match that reads the window just after output stores with
  // equal low bits waits on them. Output buffers often start near a page
  // boundary, as large heap blocks do; with the window near one too, decoding
  // ran up to a third slower.
  uint8_t history[lzh::kHistorySize];
  unsigned historyPos;
  int64_t produced;  // bytes handed to the sink

  // [LeafValue(s)]: the leaf of symbol s; [LeafValue(s) + 1] takes the writes
  // meant for the second child of a leaf, which has none: no branch needed.
  int16_t parent[lzh::kNodeCount + 2 * lzh::kSymbolCount];

  // The first kDescentBits steps from the root for every value of the next
  // kDescentBits input bits, so that the top of the tree costs one look-up.
  // An entry holds while no node whose child it read changes its child. Sized
  // to a power of two, so that finding an entry takes a shift.
  struct alignas(16) Descent {
    uint16_t node;   // where the steps end (a leaf, or a node at depth kDescentBits)
    uint16_t depth;  // steps taken = bits used
    // The nodes stepped from below the root, bottom first, led by kFillerNode
    // up to a fixed number: counting goes up them without testing where the
    // list ends.
    uint16_t upward[lzh::kUpwardSteps];
  };
  Descent descent[lzh::kDescentCount];
  // The step list of a descent that does not use the table.
  static constexpr std::array<uint16_t, lzh::kUpwardSteps> kNoSteps = lzh::FillerSteps();
  lzh::DescentSet staleDescents;  // entries to walk again before use
  // [v]: the entries that read the child of node v.
  lzh::DescentSet descentReaders[lzh::kNodeCount];

  // Nodes stepped from below the table, down to the parent of the last decoded leaf.
  uint16_t path[lzh::kNodeCount];

  // Bit reservoir: bitCount valid bits at the top of `bits`, most significant first.
  lzh::BitWord bits;
  unsigned bitCount;
  uint64_t bytesTaken;  // bytes moved into the reservoir, zero fill included
  const uint8_t* next;  // unread part of the current input block
  const uint8_t* end;

  // Fresh tree, window and reservoir.
  void Start();
  // Input bits that the decoded symbols used.
  uint64_t BitsUsed() const { return bytesTaken * 8 - bitCount; }
  // Bytes that a decoder refilling one byte at a time, whenever 8 bits or fewer
  // are left, would have fetched for those bits. Every symbol ends with a
  // single-bit read, before which such a reservoir holds 9 to 16 bits.
  uint64_t BytesFetched() const { return BitsUsed() == 0 ? 0 : (BitsUsed() + 15) / 8; }

  // Walks the first steps again for the input bits `pattern`.
  void WalkDescent(unsigned pattern);
  // Moves the window that ends at `pos` to the front; returns its new end.
  unsigned SlideHistory(unsigned pos);
  // Counts symbol s, whose leaf is node `leaf` below path[0..depth - 1], the
  // nodes of `upward` (a Descent's list) and the root, keeping the nodes in
  // order of count.
  inline void UpdateTree(unsigned symbol, size_t leaf, unsigned depth,
                         const uint16_t* upward);

 private:
  void StartTree();
  void RebuildTree();
  // Node numbers are pointer-sized here, so that they index without widening.
  inline void CountUpFrom(size_t node);
  // Out of line: kept inside the counting loops, it would take registers
  // that the loops need on every step, and it runs on few of them.
  size_t SwapWithLastSmaller(size_t node, unsigned newCount);
  void SwapSubtrees(size_t a, size_t b);
};

inline void LzhDecoderState::UpdateTree(unsigned symbol, size_t leaf, unsigned depth,
                                        const uint16_t* upward) {
  if (count[lzh::kRoot] == lzh::kRebuildCount) {
    RebuildTree();
    CountUpFrom(static_cast<uint16_t>(parent[lzh::LeafValue(symbol)]));
    return;
  }
  // While no node moves, the ancestors are the ones the decode walked through.
  size_t node = leaf;
  for (;;) {
    const unsigned newCount = ++count[node];
    if (count[node + 1] < newCount) {
      node = SwapWithLastSmaller(node, newCount);
      CountUpFrom(static_cast<uint16_t>(parent[node]));
      return;
    }
    if (depth == 0) break;
    node = path[--depth];
  }
  for (unsigned k = 0; k < lzh::kUpwardSteps; ++k) {
    const size_t step = upward[k];
    if (count[step + 1] < ++count[step]) {
      // Read again from the list and the counts, so that the unrolled steps
      // need not keep their node and count at hand for this rare way out.
      node = SwapWithLastSmaller(upward[k], count[upward[k]]);
      CountUpFrom(static_cast<uint16_t>(parent[node]));
      return;
    }
  }
  ++count[lzh::kRoot];
}

// Adds one to `node` and each of its ancestors, moving nodes to keep the order.
// `node` itself is always counted, even node 0 (a leaf, which a rebuild may
// have just put there): only the root's parent, 0, ends the climb.
inline void LzhDecoderState::CountUpFrom(size_t node) {
  do {
    const unsigned newCount = ++count[node];
    if (count[node + 1] < newCount) node = SwapWithLastSmaller(node, newCount);
    node = static_cast<uint16_t>(parent[node]);
  } while (node != 0);
}

namespace lzh {

// Whether a Sink takes runs (TakeRun) rather than single bytes (see the top of this file).
template <class Sink, class = void>
struct TakesRuns : std::false_type {};
template <class Sink>
struct TakesRuns<Sink, std::void_t<decltype(std::declval<Sink&>().TakeRun(
                           static_cast<const uint8_t*>(nullptr), size_t{}))>> : std::true_type {};

// One decode of `total` bytes over a Source and a Sink (see the top of this
// file). The reservoir, the input block and the window's end live in members
// while the decode runs, so that they stay in registers; Run stores them back
// into the state.
//
// Taking bytes of the current block into the reservoir early changes nothing
// that a caller sees; pulling a new block does, so Pull happens only where the
// byte-wise decoder would fetch: before a bit or byte read that finds 8 bits or
// fewer left.
template <class Source, class Sink>
class CoreDecoder {
 public:
  CoreDecoder(LzhDecoderState& state, Source& source, Sink& sink)
      : s_(state), source_(source), sink_(sink) {}

  void Run(int64_t total, const int32_t& keepGoing) {
    s_.Start();
    LoadWorkingCopies();
    int64_t produced = 0;
    while (produced < total && keepGoing != 0) {
      const unsigned start = historyPos_;
      DecodeUpTo(StopPosition(total - produced), keepGoing);
      if constexpr (TakesRuns<Sink>::value) sink_.TakeRun(s_.history + start, historyPos_ - start);
      produced += historyPos_ - start;
      if (historyPos_ >= kSlideAt) historyPos_ = s_.SlideHistory(historyPos_);
    }
    s_.produced = produced;
    StoreWorkingCopies();
  }

 private:
  // Where the window position stands when `remaining` more bytes are out, or
  // where the window must slide if that comes first: one test per symbol for both.
  unsigned StopPosition(int64_t remaining) const {
    const unsigned room = kSlideAt - historyPos_;
    return historyPos_ + (remaining < room ? static_cast<unsigned>(remaining) : room);
  }

  void DecodeUpTo(unsigned stop, const int32_t& keepGoing) {
    do {
      TopUp();  // unconditionally: a test of the fill level would be mispredicted often
      const unsigned symbol = DecodeSymbol();
      if (symbol < 256) {
        EmitLiteral(static_cast<uint8_t>(symbol));
      } else {
        EmitMatch(DecodeDistance(), symbol - kMatchSymbolBias);
      }
    } while (historyPos_ < stop && keepGoing != 0);
  }

  unsigned DecodeSymbol() {
    size_t node;
    const uint16_t* upward;
    if (bitCount_ >= kDescentBits + 8) {  // no fetch would fall inside these bits
      const unsigned pattern = static_cast<unsigned>(bits_ >> (kWordBits - kDescentBits));
      if (s_.staleDescents.Has(pattern)) s_.WalkDescent(pattern);
      const LzhDecoderState::Descent& steps = s_.descent[pattern];
      node = steps.node;
      upward = steps.upward;
      bits_ <<= steps.depth;
      bitCount_ -= steps.depth;
    } else {
      node = static_cast<uint16_t>(s_.child[kRoot]) + TakeBit();  // the root is never a leaf
      upward = LzhDecoderState::kNoSteps.data();
    }
    unsigned depth = 0;
    size_t value = static_cast<uint16_t>(s_.child[node]);
    while (value < kLeafBase) {
      s_.path[depth++] = static_cast<uint16_t>(node);
      node = value + TakeBit();
      value = static_cast<uint16_t>(s_.child[node]);
    }
    const unsigned symbol = static_cast<unsigned>(value - kLeafBase) / 2;
    s_.UpdateTree(symbol, node, depth, upward);
    return symbol;
  }

  unsigned DecodeDistance() {
    unsigned code = TakeByte();
    const unsigned upper = kPositionCode.upper[code];
    unsigned more = kPositionCode.length[code] - 2u;
    if (bitCount_ >= more + 8) {  // no fetch would fall inside these bits
      code = (code << more) | static_cast<unsigned>(bits_ >> (kWordBits - more));
      bits_ <<= more;
      bitCount_ -= more;
    } else {
      while (more-- != 0) code = (code << 1) | TakeBit();
    }
    return (upper << 6) | (code & 63u);
  }

  void EmitLiteral(uint8_t byte) {
    s_.history[historyPos_++] = byte;
    if constexpr (!TakesRuns<Sink>::value) sink_.Put(byte);
  }

  // Bytes past the match's end are free to overwrite: the window lies behind it.
  void EmitMatch(unsigned distance, unsigned length) {
    uint8_t* const to = s_.history + historyPos_;
    const uint8_t* const from = to - distance - 1;
    historyPos_ += length;
    if (distance + 1 >= kCopyChunk) {
      CopyInChunks(to, from, length);
    } else {
      for (unsigned k = 0; k < length; ++k) to[k] = from[k];  // forward: short distances repeat
    }
    if constexpr (!TakesRuns<Sink>::value) {
      for (unsigned k = 0; k < length; ++k) sink_.Put(to[k]);
    }
  }

  unsigned TakeBit() {
    if (bitCount_ <= 8) Fetch();
    const unsigned bit = static_cast<unsigned>(bits_ >> (kWordBits - 1));
    bits_ <<= 1;
    --bitCount_;
    return bit;
  }

  unsigned TakeByte() {
    if (bitCount_ <= 8) Fetch();
    const unsigned byte = static_cast<unsigned>(bits_ >> (kWordBits - 8));
    bits_ <<= 8;
    bitCount_ -= 8;
    return byte;
  }

  // Called with 8 bits or fewer left; leaves at least 9, pulling new blocks
  // (or using zero bytes when there are none) only as far as needed for that.
  void Fetch() {
    TopUp();
    while (bitCount_ <= 8) {
      if (PullBlock()) {
        TopUp();
      } else {
        TakeInputByte(0);
        ++takenBefore_;
      }
    }
  }

  // Moves bytes of the current block into the reservoir, never pulling. The
  // byte loop may fill the whole word; the word path never meets a full
  // reservoir, as a block left shorter than a word stays so until the next
  // pull, which comes only when 8 bits or fewer are left.
  void TopUp() {
    if (end_ - next_ >= static_cast<ptrdiff_t>(sizeof(BitWord))) {
      TakeInputWord();
    } else {
      while (next_ != end_ && bitCount_ <= kWordBits - 8) TakeInputByte(*next_++);
    }
  }

  // Bits of a byte taken only in part land below bitCount and are ORed in
  // again, unchanged, when that byte is taken whole.
  void TakeInputWord() {
    BitWord word = 0;
    for (unsigned k = 0; k < sizeof(BitWord); ++k) word = (word << 8) | next_[k];
    const unsigned taken = (kWordBits - 1 - bitCount_) >> 3;
    bits_ |= word >> bitCount_;
    next_ += taken;
    bitCount_ += 8 * taken;
  }

  void TakeInputByte(uint8_t byte) {
    bits_ |= static_cast<BitWord>(byte) << (kWordBits - 8 - bitCount_);
    bitCount_ += 8;
  }

  uint64_t BytesTaken() const { return takenBefore_ + static_cast<uint64_t>(next_ - blockStart_); }

  bool PullBlock() {
    const uint8_t* block = nullptr;
    const size_t size = source_.Pull(block);
    takenBefore_ = BytesTaken();
    blockStart_ = block;
    next_ = block;
    end_ = size != 0 ? block + size : block;
    return size != 0;
  }

  void LoadWorkingCopies() {
    historyPos_ = s_.historyPos;
    bits_ = s_.bits;
    bitCount_ = s_.bitCount;
    takenBefore_ = s_.bytesTaken;
    blockStart_ = s_.next;
    next_ = s_.next;
    end_ = s_.end;
  }

  void StoreWorkingCopies() {
    s_.historyPos = historyPos_;
    s_.bits = bits_;
    s_.bitCount = bitCount_;
    s_.bytesTaken = BytesTaken();
    s_.next = next_;
    s_.end = end_;
  }

  LzhDecoderState& s_;
  Source& source_;
  Sink& sink_;
  unsigned historyPos_ = 0;
  BitWord bits_ = 0;
  unsigned bitCount_ = 0;
  // Bytes moved into the reservoir: those before the current block (zero fill
  // included), then those of the block up to next_, counted only when asked.
  uint64_t takenBefore_ = 0;
  const uint8_t* blockStart_ = nullptr;
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
};

}  // namespace lzh

// Decodes until `total` bytes have gone to `sink` or keepGoing is 0, both
// tested between symbols; a final match runs to its end (up to
// kLzhMaxOverrun bytes past total). Starts `state` afresh.
template <class Source, class Sink>
void LzhDecodeCore(LzhDecoderState& state, int64_t total, Source& source, Sink& sink,
                   const int32_t& keepGoing) {
  lzh::CoreDecoder<Source, Sink>(state, source, sink).Run(total, keepGoing);
}

}  // namespace qm
