#include "qmpack/package_check.h"

#include <algorithm>
#include <string>

#include "qmpack/lzh_plain_decoder.h"
#include "qmpack/media.h"
#include "qmpack/tool_error.h"

namespace qmpack {

namespace {

void CompareDecoded(const char* decoder, const std::vector<uint8_t>& decoded,
                    const std::vector<uint8_t>& stream) {
  const auto difference = std::mismatch(stream.begin(), stream.end(), decoded.begin());
  if (difference.first == stream.end()) return;
  throw ToolError(std::string("the compressed package does not decode to the product's bytes (") +
                  decoder + " decoder: first difference at byte " +
                  std::to_string(difference.first - stream.begin()) + " of " +
                  std::to_string(stream.size()) + "); nothing was written");
}

void CheckConsumed(size_t consumed, size_t packageSize) {
  if (consumed <= packageSize + kDecoderLookAhead) return;
  throw ToolError("the compressed package is cut short: decoding it needs " + std::to_string(consumed) +
                  " bytes, it has " + std::to_string(packageSize) + "; nothing was written");
}

}  // namespace

void CheckPackageDecodes(const std::vector<uint8_t>& package, const std::vector<uint8_t>& stream) {
  const Decompressed fast = DecompressBytes(package, stream.size());
  CompareDecoded("fast", fast.bytes, stream);
  CheckConsumed(fast.decode.inputConsumed, package.size());
  CompareDecoded("plain", PlainLzhDecode(package.data(), package.size(), stream.size()), stream);
}

}  // namespace qmpack
