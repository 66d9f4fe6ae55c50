// LZHUF decoder: LZSS with a 4,096-byte window and matches of 3 to 60 bytes,
// literals and lengths in an adaptive Huffman code, distances in a fixed prefix
// code. The stream has no header; the caller says how many bytes it holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/lzh/lzh_core.h"
#include "setup/runtime_error.h"

namespace qm {

// Fill `buffer` with `count` bytes; `done` := bytes delivered (1 means success).
using LzhReadProc = void (*)(void* context, uint8_t* buffer, uint16_t count, uint16_t& done);
// Take `count` bytes from `buffer`; `done` := bytes taken (ignored by the decoder).
using LzhWriteProc = void (*)(void* context, const uint8_t* buffer, uint16_t count,
                              uint16_t& done);

class ElzhException : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
  const char* ClassName() const override { return "ElzhException"; }
};

// Every decode call below runs the decoding core of lzh_core.h in working
// storage of its own (see LzhUseStorage).

// Decodes until `total` bytes have been handed to `write` or `keepGoing` is 0,
// testing both between symbols only (a match is always written whole). Each
// callback call moves exactly one byte.
void LzhDecode(int32_t total, LzhReadProc read, LzhWriteProc write, void* context,
               const int32_t& keepGoing);

// Where every decode call gets its working storage and gives it back. The
// built-in routines use the C++ heap; tests put in failing ones. `release`
// answers false when the block can't be given back.
struct LzhStorage {
  void* (*allocate)(size_t size);  // nullptr when no memory is left
  bool (*release)(void* block);
};
// Makes later decodes use `storage` (which must outlive them); nullptr restores the built-in routines.
void LzhUseStorage(const LzhStorage* storage);

// Messages of the two ElzhException cases: storage that can't be had, and
// storage that can't be given back.
inline constexpr const char* kLzhNoMemoryMessage = "LZH : Cannot get memory for dictionary tables";
inline constexpr const char* kLzhReleaseFailedMessage =
    "LZH : Error freeing memory for dictionary tables";

// The most bytes a decode can write beyond `total`: the rest of a final match.
constexpr size_t kLzhMaxOverrun = 59;

namespace lzh {

// The working storage of one decode call: an LzhDecoderState made in a block
// from the current storage routines, which may be less aligned than the record
// asks (a C heap on i686 gives 8 bytes), so the block has room to align it.
// Throws ElzhException when no block can be had; the block goes back however
// the decode ends.
class StateLease {
 public:
  StateLease();
  // Reached with a block only when the decode ends by an exception: that one goes on.
  ~StateLease();
  StateLease(const StateLease&) = delete;
  StateLease& operator=(const StateLease&) = delete;

  LzhDecoderState& State() { return *state_; }
  // Gives the block back; throws ElzhException when that fails.
  void Release();

 private:
  void* block_;
  LzhDecoderState* state_;
};

}  // namespace lzh

// How a block-driven decode went.
struct LzhBlockResult {
  // Bytes handed to the sink (may pass total by the end of a final match).
  int64_t produced = 0;
  // Input bytes a byte-at-a-time reader would have fetched (see
  // LzhDecoderState::BytesFetched).
  uint64_t bytesFetched = 0;
};

// Decodes `total` bytes from `source` into `sink` (see lzh_core.h for Source and Sink)
// with working storage of its own; throws ElzhException as LzhDecode does.
template <class Source, class Sink>
LzhBlockResult LzhDecodeBlocks(int64_t total, Source& source, Sink& sink,
                               const int32_t& keepGoing) {
  lzh::StateLease lease;
  LzhDecoderState& state = lease.State();
  LzhDecodeCore(state, total, source, sink, keepGoing);
  LzhBlockResult result;
  result.produced = state.produced;
  result.bytesFetched = state.BytesFetched();
  lease.Release();
  return result;
}

struct LzhMemoryResult {
  size_t inputConsumed = 0;  // bytes fetched from the input (zero bytes past its end count too)
  size_t outputWritten = 0;  // may exceed total by up to kLzhMaxOverrun
};

// Decodes a stream held in memory into `output`, which must have room for
// total + kLzhMaxOverrun bytes. Input past `inputSize` reads as zero bytes.
LzhMemoryResult LzhDecodeMemory(const uint8_t* input, size_t inputSize, uint8_t* output,
                                size_t total);

}  // namespace qm
