#include "qmpack/product_files_output.h"

#include <algorithm>
#include <utility>

namespace qmpack {

ProductFilesOutput::ProductFilesOutput(std::filesystem::path folder, std::vector<StreamPiece> pieces)
    : folder_(std::move(folder)), pieces_(std::move(pieces)) {
  std::stable_sort(pieces_.begin(), pieces_.end(),
                   [](const StreamPiece& a, const StreamPiece& b) { return a.offset < b.offset; });
}

void ProductFilesOutput::Take(const uint8_t* bytes, size_t count) {
  const int64_t end = position_ + static_cast<int64_t>(count);
  while (next_ < pieces_.size() && pieces_[next_].offset <= end && WritePiece(bytes, end)) {
    ClosePiece();
  }
  position_ = end;
}

bool ProductFilesOutput::WritePiece(const uint8_t* bytes, int64_t end) {
  const StreamPiece& piece = pieces_[next_];
  if (!file_) file_.emplace(folder_ / piece.name);
  const int64_t from = std::max(position_, piece.offset);
  const int64_t to = std::min(end, piece.offset + piece.size);
  if (from < to) file_->Write(bytes + (from - position_), static_cast<size_t>(to - from));
  return piece.offset + piece.size <= end;
}

void ProductFilesOutput::ClosePiece() {
  file_->Close();
  file_.reset();
  ++next_;
}

void ProductFilesOutput::Finish() {
  while (next_ < pieces_.size()) {
    if (!file_) file_.emplace(folder_ / pieces_[next_].name);
    ClosePiece();
  }
}

}  // namespace qmpack
