// Whole-file reads and writes with errors that name the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qmpack {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const uint8_t* data, size_t size);
inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  WriteFileBytes(path, bytes.data(), bytes.size());
}

}  // namespace qmpack
