#include "uninstall/record_file.h"

#include "package/scoped_file.h"

namespace qm {

namespace {

// The error of the call that just failed; never 0, which means success.
uint32_t ErrorOf(Platform& os) {
  const uint32_t error = os.LastError();
  return error != 0 ? error : kErrorAccessDenied;
}

}  // namespace

std::optional<std::string> ReadWholeTextFile(Platform& os, const std::string& path,
                                             uint32_t& error) {
  ScopedFile file(os, os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting));
  if (!file.IsOpen()) {
    error = ErrorOf(os);
    return std::nullopt;
  }
  std::string text;
  char block[2048];
  for (;;) {
    const auto read = os.Read(file.handle(), block, sizeof block);
    if (!read) {
      error = ErrorOf(os);
      return std::nullopt;
    }
    if (*read == 0) break;
    text.append(block, *read);
  }
  error = 0;
  return text;
}

uint32_t ReplaceFileText(Platform& os, const std::string& path, const std::string& text,
                         const NameInUse& reserved) {
  const FreeName beside = CreateUniqueFile(os, path, ".$$$", kAccessWrite, reserved);
  if (beside.file == kInvalidFile) return beside.error;
  const auto size = static_cast<uint32_t>(text.size());
  const auto written = os.Write(beside.file, text.data(), size);
  uint32_t error = 0;
  if (written != size) error = written ? kErrorDiskFull : ErrorOf(os);
  if (!os.Close(beside.file) && error == 0) error = ErrorOf(os);
  if (error == 0 && !os.Move(beside.path, path, kMoveReplaceExisting)) error = ErrorOf(os);
  if (error != 0) os.Delete(beside.path);
  return error;
}

}  // namespace qm
