#include "uninstall/file_stamp.h"

#include "package/crc32.h"
#include "package/scoped_file.h"

namespace qm {

std::optional<FileStamp> StampOfFile(Platform& os, const std::string& path) {
  ScopedFile file(os, os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting));
  if (!file.IsOpen()) return std::nullopt;
  FileStamp stamp;
  uint64_t size = 0;
  uint8_t block[2048];
  for (;;) {
    const auto read = os.Read(file.handle(), block, sizeof block);
    if (!read) return std::nullopt;
    if (*read == 0) break;
    stamp.crc = Crc32Update(stamp.crc, block, *read);
    size += *read;
  }
  if (size > 0xFFFFFFFFull) return std::nullopt;
  stamp.size = static_cast<uint32_t>(size);
  return stamp;
}

}  // namespace qm
