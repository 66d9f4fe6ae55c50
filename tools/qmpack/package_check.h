// The check of a freshly made package before anything is written: it is
// decoded by the setup's fast decoder and by qmpack's own plain one, and each
// result must be the product's bytes exactly.
#pragma once

#include <cstdint>
#include <vector>

namespace qmpack {

// Throws ToolError naming the decoder and the first byte that differs.
void CheckPackageDecodes(const std::vector<uint8_t>& package, const std::vector<uint8_t>& stream);

}  // namespace qmpack
