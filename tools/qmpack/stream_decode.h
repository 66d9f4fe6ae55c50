// Decodes of raw streams that hold no more than fixed buffers, whatever the
// stream's length: the input comes from a file a block at a time (or from
// memory), and the decoded bytes go on in runs to a StreamOutput, which
// writes them to a file, counts their CRC-32 or splits them into files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "qmpack/background_writer.h"
#include "qmpack/file_io.h"

namespace qmpack {

// Takes a decoded stream in order, in runs of at most a few kilobytes.
class StreamOutput {
 public:
  virtual ~StreamOutput() = default;
  virtual void Take(const uint8_t* bytes, size_t count) = 0;
};

struct StreamDecodeResult {
  uint64_t inputSize = 0;
  // Bytes the decoder fetched; those past inputSize were zero bytes.
  uint64_t inputConsumed = 0;
  // Bytes decoded, which may pass the total by the end of a final match
  // (only the total goes to the output).
  uint64_t decoded = 0;
};

// Decodes the stream that `input` reads and hands its first `total` bytes to `output`.
StreamDecodeResult DecodeFileStream(BlockReader& input, uint64_t total, StreamOutput& output);
// The same for a stream held in memory.
StreamDecodeResult DecodeMemoryStream(const std::vector<uint8_t>& input, uint64_t total,
                                      StreamOutput& output);

// Writes the stream into a file, on a thread of its own (see
// BackgroundWriter); Close finishes it.
class FileOutput : public StreamOutput {
 public:
  explicit FileOutput(const std::filesystem::path& path) : writer_(path) {}
  void Take(const uint8_t* bytes, size_t count) override { writer_.Write(bytes, count); }
  void Close() { writer_.Close(); }

 private:
  BackgroundWriter writer_;
};

// Keeps only the stream's length and CRC-32.
class Crc32Output : public StreamOutput {
 public:
  void Take(const uint8_t* bytes, size_t count) override;
  uint64_t Length() const { return length_; }
  uint32_t Crc() const { return crc_; }

 private:
  uint64_t length_ = 0;
  uint32_t crc_ = 0;
};

}  // namespace qmpack
