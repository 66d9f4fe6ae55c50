// A file handle of the platform layer that is closed when it goes out of scope.
#pragma once

#include "platform/platform.h"

namespace qm {

class ScopedFile {
 public:
  ScopedFile(Platform& os, FileHandle handle) : os_(os), handle_(handle) {}
  ~ScopedFile() { Close(); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool IsOpen() const { return handle_ != kInvalidFile; }
  FileHandle handle() const { return handle_; }

  void Close() {
    if (IsOpen()) os_.Close(handle_);
    handle_ = kInvalidFile;
  }

 private:
  Platform& os_;
  FileHandle handle_;
};

}  // namespace qm
