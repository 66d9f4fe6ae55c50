// LZHUF decoder: LZSS with a 4,096-byte window and matches of 3 to 60 bytes,
// literals and lengths in an adaptive Huffman code, distances in a fixed prefix
// code. The stream has no header; the caller says how many bytes it holds.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Both calls below run the decoding core of lzh_core.h, which callers with
// block buffers of their own can drive directly (LzhDecodeCore).

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

struct LzhMemoryResult {
  size_t inputConsumed = 0;  // bytes fetched from the input (zero bytes past its end count too)
  size_t outputWritten = 0;  // may exceed total by up to kLzhMaxOverrun
};

// Decodes a stream held in memory into `output`, which must have room for
// total + kLzhMaxOverrun bytes. Input past `inputSize` reads as zero bytes.
LzhMemoryResult LzhDecodeMemory(const uint8_t* input, size_t inputSize, uint8_t* output,
                                size_t total);

}  // namespace qm
