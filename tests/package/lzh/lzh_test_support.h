// Helpers shared by the decoder tests: CRC-32, file loading, the conformance
// manifest, and both decode interfaces wrapped to return the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::lzh_test {

// CRC-32 as zlib computes it (reflected polynomial 0xEDB88320).
uint32_t Crc32(const std::vector<uint8_t>& data);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

struct ConformanceStream {
  std::string file;
  size_t originalSize = 0;
  uint32_t crc32 = 0;
};

// The streams listed in the conformance folder's manifest.json.
std::vector<ConformanceStream> LoadConformanceManifest();
std::string ConformancePath(const std::string& file);

// LzhDecode over an in-memory input; the output is everything written.
std::vector<uint8_t> DecodeByCallbacks(const std::vector<uint8_t>& input, int32_t total);
// LzhDecodeMemory, output cut to what was written.
std::vector<uint8_t> DecodeInMemory(const std::vector<uint8_t>& input, size_t total);

}  // namespace qm::lzh_test
