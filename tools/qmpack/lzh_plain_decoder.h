// A plain LZHUF decoder written afresh from the published algorithm: a 16-bit
// bit buffer filled a byte at a time and one tree step per bit. It shares no
// code with the setup's decoder, so that qmpack can check each stream it makes
// against two independent readings before it writes any volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmpack {

// Decodes exactly `total` bytes (a final match that runs past them is cut).
// Input past `size` reads as zero bytes.
std::vector<uint8_t> PlainLzhDecode(const uint8_t* input, size_t size, size_t total);

}  // namespace qmpack
