// The working storage of a decode, and the byte-wise and in-memory decode
// calls, both built on LzhDecodeBlocks.
#include "package/lzh/lzh_decoder.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace qm {
namespace {

void* HeapAllocate(size_t size) { return ::operator new(size, std::nothrow); }

bool HeapRelease(void* block) {
  ::operator delete(block);
  return true;
}

const LzhStorage kHeapStorage = {HeapAllocate, HeapRelease};
const LzhStorage* currentStorage = &kHeapStorage;

// Room to move the record up to its alignment, whatever the block's own.
constexpr size_t kLeaseSize = sizeof(LzhDecoderState) + alignof(LzhDecoderState) - 1;

// The first address in `block` where the record may start.
void* AlignedStart(void* block) {
  constexpr uintptr_t kAlignment = alignof(LzhDecoderState);
  const uintptr_t misalignment = reinterpret_cast<uintptr_t>(block) % kAlignment;
  return static_cast<uint8_t*>(block) + (misalignment == 0 ? 0 : kAlignment - misalignment);
}

// One read call per byte; a call that does not deliver exactly one byte gives 0.
class CallbackSource {
 public:
  CallbackSource(LzhReadProc read, void* context) : read_(read), context_(context) {}

  size_t Pull(const uint8_t*& block) {
    uint16_t done = 0;
    read_(context_, &byte_, 1, done);
    if (done != 1) byte_ = 0;
    block = &byte_;
    return 1;
  }

 private:
  LzhReadProc read_;
  void* context_;
  uint8_t byte_ = 0;
};

class CallbackSink {
 public:
  CallbackSink(LzhWriteProc write, void* context) : write_(write), context_(context) {}

  void Put(uint8_t byte) {
    uint16_t done = 0;
    write_(context_, &byte, 1, done);
  }

 private:
  LzhWriteProc write_;
  void* context_;
};

// The whole input as one block; after it, zero bytes.
class MemorySource {
 public:
  MemorySource(const uint8_t* input, size_t size) : input_(input), size_(size) {}

  size_t Pull(const uint8_t*& block) {
    block = input_;
    const size_t size = size_;
    size_ = 0;
    return size;
  }

 private:
  const uint8_t* input_;
  size_t size_;
};

// Fills `output` from its start.
class MemorySink {
 public:
  explicit MemorySink(uint8_t* output) : next_(output) {}
  void TakeRun(const uint8_t* bytes, size_t count) {
    std::memcpy(next_, bytes, count);
    next_ += count;
  }

 private:
  uint8_t* next_;
};

}  // namespace

namespace lzh {

StateLease::StateLease() : block_(currentStorage->allocate(kLeaseSize)), state_(nullptr) {
  if (block_ == nullptr) throw ElzhException(kLzhNoMemoryMessage);
  state_ = new (AlignedStart(block_)) LzhDecoderState;
}

StateLease::~StateLease() {
  if (block_ != nullptr) {
    state_->~LzhDecoderState();
    currentStorage->release(block_);
  }
}

void StateLease::Release() {
  state_->~LzhDecoderState();
  void* const block = block_;
  block_ = nullptr;
  if (!currentStorage->release(block)) throw ElzhException(kLzhReleaseFailedMessage);
}

}  // namespace lzh

void LzhUseStorage(const LzhStorage* storage) {
  currentStorage = storage != nullptr ? storage : &kHeapStorage;
}

void LzhDecode(int32_t total, LzhReadProc read, LzhWriteProc write, void* context,
               const int32_t& keepGoing) {
  CallbackSource source(read, context);
  CallbackSink sink(write, context);
  LzhDecodeBlocks(total, source, sink, keepGoing);
}

LzhMemoryResult LzhDecodeMemory(const uint8_t* input, size_t inputSize, uint8_t* output,
                                size_t total) {
  MemorySource source(input, inputSize);
  MemorySink sink(output);
  const int32_t keepGoing = 1;
  const LzhBlockResult decoded =
      LzhDecodeBlocks(static_cast<int64_t>(total), source, sink, keepGoing);
  LzhMemoryResult result;
  result.inputConsumed = static_cast<size_t>(decoded.bytesFetched);
  result.outputWritten = static_cast<size_t>(decoded.produced);
  return result;
}

}  // namespace qm
