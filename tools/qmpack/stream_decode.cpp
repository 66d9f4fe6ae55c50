#include "qmpack/stream_decode.h"

#include <algorithm>
#include <utility>

#include "package/crc32.h"
#include "package/lzh/lzh_decoder.h"

namespace qmpack {

namespace {

// The decoder's input: a file's blocks, then nothing (the decoder reads zero bytes).
class FileBlocks {
 public:
  explicit FileBlocks(BlockReader& reader) : reader_(reader) {}
  size_t Pull(const uint8_t*& block) { return reader_.Next(block); }

 private:
  BlockReader& reader_;
};

// The decoder's input: all of it in one block, then nothing.
class MemoryBlock {
 public:
  explicit MemoryBlock(const std::vector<uint8_t>& input) : next_(input.data()), size_(input.size()) {}
  size_t Pull(const uint8_t*& block) {
    block = next_;
    return std::exchange(size_, 0);
  }

 private:
  const uint8_t* next_;
  size_t size_;
};

// The decoder's output: the first `total` bytes go on, the rest of a final match does not.
class CappedSink {
 public:
  CappedSink(uint64_t total, StreamOutput& output) : left_(total), output_(output) {}
  void TakeRun(const uint8_t* bytes, size_t count) {
    const auto part = static_cast<size_t>(std::min<uint64_t>(count, left_));
    if (part != 0) output_.Take(bytes, part);
    left_ -= part;
  }

 private:
  uint64_t left_;
  StreamOutput& output_;
};

template <class Source>
StreamDecodeResult Decode(Source& source, uint64_t inputSize, uint64_t total, StreamOutput& output) {
  CappedSink sink(total, output);
  const int32_t keepGoing = 1;
  const qm::LzhBlockResult decoded =
      qm::LzhDecodeBlocks(static_cast<int64_t>(total), source, sink, keepGoing);
  StreamDecodeResult result;
  result.inputSize = inputSize;
  result.inputConsumed = decoded.bytesFetched;
  result.decoded = static_cast<uint64_t>(decoded.produced);
  return result;
}

}  // namespace

StreamDecodeResult DecodeFileStream(BlockReader& input, uint64_t total, StreamOutput& output) {
  FileBlocks source(input);
  return Decode(source, input.Size(), total, output);
}

StreamDecodeResult DecodeMemoryStream(const std::vector<uint8_t>& input, uint64_t total,
                                      StreamOutput& output) {
  MemoryBlock source(input);
  return Decode(source, input.size(), total, output);
}

void Crc32Output::Take(const uint8_t* bytes, size_t count) {
  crc_ = qm::Crc32Update(crc_, bytes, count);
  length_ += count;
}

}  // namespace qmpack
