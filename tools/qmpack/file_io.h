// Whole-file reads and writes, and files read or written a block at a time
// through a fixed buffer; errors name the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace qmpack {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const uint8_t* data, size_t size);
inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  WriteFileBytes(path, bytes.data(), bytes.size());
}

// The size of the buffers of BlockReader and FileWriter.
constexpr size_t kFileBlockSize = 64 * 1024;

// A file read in blocks of kFileBlockSize into one buffer.
class BlockReader {
 public:
  explicit BlockReader(const std::filesystem::path& path);
  ~BlockReader();
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // Points `block` at the file's next bytes (good until the next call) and
  // returns their number; 0 at the end.
  size_t Next(const uint8_t*& block);
  uint64_t Size() const { return size_; }

 private:
  std::filesystem::path path_;
  std::FILE* file_;
  uint64_t size_ = 0;
  std::vector<uint8_t> buffer_;
};

// A file created (or emptied) and written through a buffer of kFileBlockSize.
class FileWriter {
 public:
  explicit FileWriter(const std::filesystem::path& path);
  // Closes a file that Close did not, without a word: an error is on its way.
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void Write(const uint8_t* bytes, size_t count);
  // Writes what the buffer holds and closes the file.
  void Close();

 private:
  std::filesystem::path path_;
  std::FILE* file_;
};

}  // namespace qmpack
