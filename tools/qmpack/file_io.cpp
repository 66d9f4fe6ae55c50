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

}  // namespace qmpack
