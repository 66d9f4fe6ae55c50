// A file written by a thread of its own. Write copies the caller's bytes into
// one of a few fixed buffers and hands each full one to that thread, so that
// the system's work of taking them into its file cache runs beside the
// caller's own (a decode) instead of after it, on a second processor where
// there is one. Errors name the file and come from Write or Close.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace qmpack {

class BackgroundWriter {
 public:
  // Creates (or empties) the file.
  explicit BackgroundWriter(const std::filesystem::path& path);
  // Stops the thread and closes the file without a word: an error is on its way.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  void Write(const uint8_t* bytes, size_t count);
  // Waits until every byte is written, then closes the file.
  void Close();

 private:
  static constexpr size_t kBlockCount = 4;
  static constexpr size_t kBlockSize = 64 * 1024;
  struct Block {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kBlockSize);
    size_t size = 0;
  };

  // Queues the block being filled and starts filling the next free one.
  void HandOver();
  // The thread: writes the queued blocks in order until told to stop.
  void WriteQueued();
  bool WriteBlock(const Block& block);
  void StopThread();
  [[noreturn]] void FailWith(int error) const;

  std::filesystem::path path_;
  int fd_;
  std::array<Block, kBlockCount> blocks_;
  size_t filling_ = 0;  // the block that Write fills
  // Guarded by mutex_: the queued blocks follow one another from `writing_`
  // (the one the thread writes); the block being filled comes after them.
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t writing_ = 0;
  size_t queued_ = 0;
  bool stopping_ = false;
  int error_ = 0;  // the first write's errno, 0 while all went well
  std::thread thread_;
};

}  // namespace qmpack
