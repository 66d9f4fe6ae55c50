// Splits a decoded stream into the product's files as its bytes come: each
// file is a piece of the stream (the main program, then the packed files),
// written through a buffer of its own while its bytes pass. Pieces must not
// overlap; bytes between them are skipped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "qmpack/file_io.h"
#include "qmpack/stream_decode.h"

namespace qmpack {

struct StreamPiece {
  std::string name;  // the file's name in the output folder
  int64_t offset = 0;
  int64_t size = 0;
};

class ProductFilesOutput : public StreamOutput {
 public:
  ProductFilesOutput(std::filesystem::path folder, std::vector<StreamPiece> pieces);
  void Take(const uint8_t* bytes, size_t count) override;
  // Closes the last file, and writes the empty files that lie at the stream's end.
  void Finish();

 private:
  // Writes the part of the current piece that lies in the bytes from
  // position_; true when the piece is complete.
  bool WritePiece(const uint8_t* bytes, int64_t end);
  void ClosePiece();

  std::filesystem::path folder_;
  std::vector<StreamPiece> pieces_;  // by offset
  size_t next_ = 0;                  // the piece being written, or the next one
  int64_t position_ = 0;             // the stream offset of the next byte to come
  std::optional<FileWriter> file_;   // the piece being written
};

}  // namespace qmpack
