// The LZHUF decoding core: every piece of decoder state in one record
// (LzhDecoderState) and one loop (LzhDecodeCore) that pulls input blocks from a
// Source and pushes decoded bytes into a Sink. Both are template parameters, so
// the per-byte work of the caller's adapters is inlined into the loop.
//
// Source: an object with
//     size_t Pull(const uint8_t*& block);
//   which points `block` at the next run of input bytes and returns their
//   number. The core consumes the whole run before it pulls again, and it pulls
//   only when its bit reservoir would otherwise fall short (8 bits or fewer
//   left), so a Source that hands out one byte per call is read exactly as the
//   byte-wise decoder reads. Returning 0 means "no byte now": the core then
//   uses one zero byte and pulls again when it next needs input.
// Sink: an object with
//     void Put(uint8_t byte);
//   called once per decoded byte, in order.
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
//     void Put(uint8_t byte) {
//       if (used == 2048) WriteBlockAndMoveGauge();   // also skips when keepGoing is 0
//       writeBuffer[used++] = byte;
//     }
//   };
//   static LzhDecoderState state;           // or one allocated for the pass
//   LzhDecodeCore(state, unpackTotal, blocks, joined, keepGoing);
//   if (keepGoing != 0) WriteLastPartialBlock();
//
// keepGoing is read between symbols, so a cancel confirmed inside Pull (or Put)
// stops the decode after the current symbol, as with the byte-wise interface.
// Messages are then pumped once per 2,048 input bytes instead of once per byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

namespace lzh {

constexpr unsigned kRingSize = 4096;
constexpr unsigned kRingMask = kRingSize - 1;
constexpr unsigned kMaxMatch = 60;
constexpr unsigned kMatchSymbolBias = 253;  // symbol L + 253 codes a match of length L
constexpr unsigned kSymbolCount = 314;      // 256 literals, then lengths 3..60
constexpr unsigned kNodeCount = 2 * kSymbolCount - 1;
constexpr unsigned kRoot = kNodeCount - 1;
constexpr unsigned kLeafBase = kNodeCount;  // child value s + kLeafBase names symbol s
constexpr unsigned kRebuildCount = 32768;   // root count that halves every count
constexpr uint16_t kCountSentinel = 65535;  // count[kNodeCount]: stops the swap scan
constexpr unsigned kRingStart = kRingSize - kMaxMatch;  // positions below hold spaces
constexpr uint8_t kRingFill = 0x20;

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

}  // namespace lzh

// Everything one decode works on. Plain data: it may live anywhere (stack,
// static, heap) and is set up afresh by Start at the beginning of each decode.
struct LzhDecoderState {
  // Adaptive Huffman tree. Nodes are kept in order of count; an inner node's
  // children are child[v] and child[v] + 1; a child value >= kLeafBase is a leaf.
  uint16_t count[lzh::kNodeCount + 1];
  int16_t parent[lzh::kNodeCount + lzh::kSymbolCount];  // [s + kLeafBase]: leaf of symbol s
  int16_t child[lzh::kNodeCount];

  uint8_t ring[lzh::kRingSize];
  unsigned ringPos;
  int64_t produced;  // bytes handed to the sink

  // Bit reservoir: bitCount valid bits at the top of `bits`, most significant first.
  uint64_t bits;
  unsigned bitCount;
  uint64_t bytesTaken;  // bytes moved into the reservoir, zero fill included
  const uint8_t* next;  // unread part of the current input block
  const uint8_t* end;

  // Fresh tree, ring and reservoir.
  void Start();
  // Input bits that the decoded symbols used.
  uint64_t BitsUsed() const { return bytesTaken * 8 - bitCount; }
  // Bytes that a decoder refilling one byte at a time, whenever 8 bits or fewer
  // are left, would have fetched for those bits. Every symbol ends with a
  // single-bit read, before which such a reservoir holds 9 to 16 bits.
  uint64_t BytesFetched() const { return BitsUsed() == 0 ? 0 : (BitsUsed() + 15) / 8; }

  // Counts symbol s (whose leaf is node `leaf`), keeping the nodes in order.
  inline void UpdateTree(unsigned symbol, unsigned leaf);

 private:
  void StartTree();
  void RebuildTree();
  inline unsigned SwapWithLastSmaller(unsigned node, unsigned newCount);
  void SwapSubtrees(unsigned a, unsigned b);
};

inline void LzhDecoderState::UpdateTree(unsigned symbol, unsigned leaf) {
  if (count[lzh::kRoot] == lzh::kRebuildCount) {
    RebuildTree();
    leaf = static_cast<unsigned>(parent[symbol + lzh::kLeafBase]);
  }
  unsigned node = leaf;
  do {
    const unsigned newCount = ++count[node];
    if (count[node + 1] < newCount) node = SwapWithLastSmaller(node, newCount);
    node = static_cast<unsigned>(parent[node]);
  } while (node != 0);
}

// `node` has just outgrown its right neighbour: exchange it with the last node
// whose count is still below `newCount`, and return that place.
inline unsigned LzhDecoderState::SwapWithLastSmaller(unsigned node, unsigned newCount) {
  unsigned last = node + 1;
  while (count[last + 1] < newCount) ++last;
  count[node] = count[last];
  count[last] = static_cast<uint16_t>(newCount);
  SwapSubtrees(node, last);
  return last;
}

namespace lzh {

// One decode of `total` bytes over a Source and a Sink (see the top of this file).
template <class Source, class Sink>
class CoreDecoder {
 public:
  CoreDecoder(LzhDecoderState& state, Source& source, Sink& sink)
      : s_(state), source_(source), sink_(sink) {}

  void Run(int64_t total, const int32_t& keepGoing) {
    s_.Start();
    while (s_.produced < total && keepGoing != 0) {
      const unsigned symbol = DecodeSymbol();
      if (symbol < 256) {
        EmitLiteral(static_cast<uint8_t>(symbol));
      } else {
        EmitMatch(DecodeDistance(), symbol - kMatchSymbolBias);
      }
    }
  }

 private:
  unsigned DecodeSymbol() {
    unsigned node = kRoot;
    unsigned value = static_cast<unsigned>(s_.child[kRoot]);
    while (value < kLeafBase) {
      node = value + TakeBit();
      value = static_cast<unsigned>(s_.child[node]);
    }
    const unsigned symbol = value - kLeafBase;
    s_.UpdateTree(symbol, node);
    return symbol;
  }

  unsigned DecodeDistance() {
    unsigned code = TakeByte();
    const unsigned upper = kPositionCode.upper[code];
    unsigned more = kPositionCode.length[code] - 2u;
    if (s_.bitCount >= more + 8) {  // no refill would fall inside these bits
      code = (code << more) | static_cast<unsigned>(s_.bits >> (64 - more));
      s_.bits <<= more;
      s_.bitCount -= more;
    } else {
      while (more-- != 0) code = (code << 1) | TakeBit();
    }
    return (upper << 6) | (code & 63u);
  }

  void EmitLiteral(uint8_t byte) {
    s_.ring[s_.ringPos] = byte;
    s_.ringPos = (s_.ringPos + 1) & kRingMask;
    sink_.Put(byte);
    ++s_.produced;
  }

  void EmitMatch(unsigned distance, unsigned length) {
    const unsigned from = (s_.ringPos - distance - 1) & kRingMask;
    const unsigned to = s_.ringPos;
    uint8_t* const ring = s_.ring;
    if (from + length <= kRingSize && to + length <= kRingSize) {
      for (unsigned k = 0; k < length; ++k) {  // forward, so overlapping runs repeat
        const uint8_t byte = ring[from + k];
        ring[to + k] = byte;
        sink_.Put(byte);
      }
    } else {
      for (unsigned k = 0; k < length; ++k) {
        const uint8_t byte = ring[(from + k) & kRingMask];
        ring[(to + k) & kRingMask] = byte;
        sink_.Put(byte);
      }
    }
    s_.ringPos = (to + length) & kRingMask;
    s_.produced += length;
  }

  unsigned TakeBit() {
    if (s_.bitCount <= 8) Refill();
    const unsigned bit = static_cast<unsigned>(s_.bits >> 63);
    s_.bits <<= 1;
    --s_.bitCount;
    return bit;
  }

  unsigned TakeByte() {
    if (s_.bitCount <= 8) Refill();
    const unsigned byte = static_cast<unsigned>(s_.bits >> 56);
    s_.bits <<= 8;
    s_.bitCount -= 8;
    return byte;
  }

  // Called with 8 bits or fewer left; leaves at least 9.
  void Refill() {
    if (s_.end - s_.next >= 8) {
      RefillWord();
    } else {
      RefillBytes();
    }
  }

  // Tops the reservoir up from the next 8 bytes of the block. Bits of a byte
  // taken only in part land below bitCount and are ORed in again, unchanged,
  // when that byte is taken whole.
  void RefillWord() {
    uint64_t word = 0;
    for (unsigned k = 0; k < 8; ++k) word = (word << 8) | s_.next[k];
    const unsigned taken = (63 - s_.bitCount) >> 3;
    s_.bits |= word >> s_.bitCount;
    s_.next += taken;
    s_.bytesTaken += taken;
    s_.bitCount += 8 * taken;
  }

  void RefillBytes() {
    while (s_.bitCount <= 56) {
      if (s_.next == s_.end) {
        if (s_.bitCount > 8) return;  // enough for now: pull when next needed
        if (!PullBlock()) {
          TakeInputByte(0);
          continue;
        }
      }
      TakeInputByte(*s_.next++);
    }
  }

  bool PullBlock() {
    const uint8_t* block = nullptr;
    const size_t size = source_.Pull(block);
    s_.next = block;
    s_.end = size != 0 ? block + size : block;
    return size != 0;
  }

  void TakeInputByte(uint8_t byte) {
    s_.bits |= static_cast<uint64_t>(byte) << (56 - s_.bitCount);
    s_.bitCount += 8;
    ++s_.bytesTaken;
  }

  LzhDecoderState& s_;
  Source& source_;
  Sink& sink_;
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
