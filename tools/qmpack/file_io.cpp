#include "qmpack/file_io.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "qmpack/tool_error.h"

namespace qmpack {

namespace {

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path) {
  throw ToolError(std::string("cannot ") + what + " " + path.string() + ": " + std::strerror(errno));
}

std::FILE* Open(const std::filesystem::path& path, const char* mode, const char* what) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) Fail(what, path);
  return file;
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) Fail("open", path);
  const std::streamoff size = in.tellg();
  if (size < 0) Fail("measure", path);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) Fail("read", path);
  return bytes;
}

void WriteFileBytes(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) Fail("create", path);
  if (!out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size))) {
    Fail("write", path);
  }
  out.close();
  if (!out) Fail("write", path);
}

BlockReader::BlockReader(const std::filesystem::path& path)
    : path_(path), file_(Open(path, "rb", "open")), buffer_(kFileBlockSize) {
  std::error_code error;
  size_ = std::filesystem::file_size(path, error);
  if (error) {
    std::fclose(file_);
    errno = error.value();
    Fail("measure", path);
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);  // reads go straight into the block buffer
}

BlockReader::~BlockReader() { std::fclose(file_); }

size_t BlockReader::Next(const uint8_t*& block) {
  const size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (got == 0 && std::ferror(file_)) Fail("read", path_);
  block = buffer_.data();
  return got;
}

FileWriter::FileWriter(const std::filesystem::path& path)
    : path_(path), file_(Open(path, "wb", "create")) {
  std::setvbuf(file_, nullptr, _IOFBF, kFileBlockSize);
}

FileWriter::~FileWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void FileWriter::Write(const uint8_t* bytes, size_t count) {
  if (std::fwrite(bytes, 1, count, file_) != count) Fail("write", path_);
}

void FileWriter::Close() {
  std::FILE* const file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0) Fail("write", path_);
}

}  // namespace qmpack
