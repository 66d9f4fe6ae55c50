#include "qmpack/background_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "qmpack/tool_error.h"

namespace qmpack {

BackgroundWriter::BackgroundWriter(const std::filesystem::path& path)
    : path_(path), fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
  if (fd_ < 0) throw ToolError("cannot create " + path.string() + ": " + std::strerror(errno));
  thread_ = std::thread(&BackgroundWriter::WriteQueued, this);
}

BackgroundWriter::~BackgroundWriter() {
  if (thread_.joinable()) StopThread();
  if (fd_ >= 0) close(fd_);
}

void BackgroundWriter::Write(const uint8_t* bytes, size_t count) {
  while (count != 0) {
    Block& block = blocks_[filling_];
    const size_t part = std::min(count, kBlockSize - block.size);
    std::memcpy(block.bytes.data() + block.size, bytes, part);
    block.size += part;
    bytes += part;
    count -= part;
    if (block.size == kBlockSize) HandOver();
  }
}

void BackgroundWriter::HandOver() {
  std::unique_lock<std::mutex> lock(mutex_);
  // One block must stay free to be filled next.
  changed_.wait(lock, [this] { return queued_ < kBlockCount - 1 || error_ != 0; });
  if (error_ != 0) FailWith(error_);
  ++queued_;
  filling_ = (writing_ + queued_) % kBlockCount;
  blocks_[filling_].size = 0;
  changed_.notify_all();
}

void BackgroundWriter::Close() {
  if (blocks_[filling_].size != 0) HandOver();
  StopThread();
  const int fd = fd_;
  fd_ = -1;
  if (error_ != 0) {
    close(fd);
    FailWith(error_);
  }
  if (close(fd) != 0) FailWith(errno);
}

void BackgroundWriter::StopThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::WriteQueued() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return queued_ != 0 || stopping_; });
    if (queued_ == 0) return;  // stopping, all written
    const Block& block = blocks_[writing_];
    const bool skip = error_ != 0;
    lock.unlock();
    const bool written = skip || WriteBlock(block);
    const int error = written ? 0 : errno;
    lock.lock();
    if (error != 0 && error_ == 0) error_ = error;
    writing_ = (writing_ + 1) % kBlockCount;
    --queued_;
    changed_.notify_all();
  }
}

bool BackgroundWriter::WriteBlock(const Block& block) {
  for (size_t done = 0; done < block.size;) {
    const ssize_t wrote = write(fd_, block.bytes.data() + done, block.size - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

void BackgroundWriter::FailWith(int error) const {
  throw ToolError("cannot write " + path_.string() + ": " + std::strerror(error));
}

}  // namespace qmpack
