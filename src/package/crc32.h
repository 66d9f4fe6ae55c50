// CRC-32 (the polynomial of zip and PNG, reflected, 0xEDB88320), computed
// piecewise: start with 0 and feed the blocks in order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

}  // namespace qm
