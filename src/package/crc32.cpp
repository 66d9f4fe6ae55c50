#include "package/crc32.h"

#include <array>

namespace qm {

namespace {

constexpr unsigned kSlices = 8;

// Table k gives the CRC-32 contribution of a byte followed by k zero bytes,
// so that eight bytes are folded in with eight look-ups and no dependency
// between them: about four times the speed of one table, on 8 KB of tables.
using CrcTables = std::array<std::array<uint32_t, 256>, kSlices>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (unsigned k = 1; k < kSlices; ++k) {
    for (uint32_t n = 0; n < 256; ++n) {
      const uint32_t previous = tables[k - 1][n];
      tables[k][n] = tables[0][previous & 0xFF] ^ (previous >> 8);
    }
  }
  return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t TakeByte(uint32_t crc, uint8_t byte) {
  return kCrcTables[0][(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Eight bytes at once; the first four are folded into the register as a
// little-endian word (assembled byte by byte, so any alignment and byte
// order of the processor will do).
uint32_t TakeEightBytes(uint32_t crc, const uint8_t* b) {
  const uint32_t low = crc ^ (uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                              uint32_t{b[3]} << 24);
  return kCrcTables[7][low & 0xFF] ^ kCrcTables[6][(low >> 8) & 0xFF] ^
         kCrcTables[5][(low >> 16) & 0xFF] ^ kCrcTables[4][low >> 24] ^ kCrcTables[3][b[4]] ^
         kCrcTables[2][b[5]] ^ kCrcTables[1][b[6]] ^ kCrcTables[0][b[7]];
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  crc = ~crc;
  for (; size >= kSlices; size -= kSlices, bytes += kSlices) crc = TakeEightBytes(crc, bytes);
  for (; size != 0; --size) crc = TakeByte(crc, *bytes++);
  return ~crc;
}

}  // namespace qm
