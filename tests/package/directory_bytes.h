// Builds the bytes of a setup file's tail by hand, field by field, so that the
// directory tests don't depend on any writer of the format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

inline void PutInt32(std::vector<uint8_t>& bytes, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(bits >> shift));
}

// One 28-byte entry: the length byte, 19 name bytes (the name, then `filler`),
// offset and size.
inline std::vector<uint8_t> EntryBytes(const std::string& name, int32_t offset, int32_t size,
                                       uint8_t filler = 0) {
  std::vector<uint8_t> bytes;
  bytes.push_back(static_cast<uint8_t>(name.size()));
  for (size_t i = 0; i < 19; ++i) {
    bytes.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : filler);
  }
  PutInt32(bytes, offset);
  PutInt32(bytes, size);
  return bytes;
}

inline std::vector<uint8_t> TrailerBytes(uint8_t entryCount, int32_t unpackTotal) {
  std::vector<uint8_t> bytes{entryCount};
  PutInt32(bytes, unpackTotal);
  return bytes;
}

inline void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace qm::test
