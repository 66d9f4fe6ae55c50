// Feeds arbitrary file tails to the directory parser. Besides memory errors it
// checks what an accepted directory promises the unpack pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/package_directory.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckAccepted(const qm::PackageDirectory& directory) {
  Require(directory.unpackTotal > 0);
  Require(directory.entries.size() <= qm::kMaxPackageEntries);
  for (const qm::PackageEntry& entry : directory.entries) {
    Require(!qm::EntryNameProblem(entry.name).has_value());
    Require(entry.offset >= 0 && entry.size >= 0);
    Require(int64_t{entry.offset} + entry.size <= directory.unpackTotal);
  }
}

}  // namespace

// The first 4 input bytes say how much longer than the tail the file is, so
// that tails shorter than the whole file are explored too.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t imageBytes;
  std::memcpy(&imageBytes, data, sizeof imageBytes);
  const uint8_t* tail = data + 4;
  const size_t tailSize = size - 4;
  const int64_t fileLength = static_cast<int64_t>(tailSize) + imageBytes % 65536;
  const auto result = qm::ParsePackageDirectory(tail, tailSize, fileLength);
  if (result.accepted()) {
    CheckAccepted(result.directory);
  } else {
    Require(!result.refusal->reason.empty());
  }
  return 0;
}
