#include "qmpack/lzh_encoder.h"

#include <algorithm>

#include "qmpack/lzh_format.h"
#include "qmpack/lzh_parsers.h"
#include "qmpack/lzh_stream_writer.h"

namespace qmpack {
namespace {

// The input behind the spaces that the decoder's ring starts with, so that
// matches may reach back into them.
std::vector<uint8_t> BehindInitialRing(const uint8_t* data, size_t size) {
  std::vector<uint8_t> text(kLzhRingStart + size, kLzhRingFill);
  if (size > 0) std::copy(data, data + size, text.begin() + kLzhRingStart);
  return text;
}

}  // namespace

std::vector<uint8_t> LzhEncode(const uint8_t* data, size_t size, const LzhEncodeOptions& options) {
  const std::vector<uint8_t> text = BehindInitialRing(data, size);
  LzhStreamWriter out;
  LzhProgress progress(options.progress, size);
  if (options.parser == LzhParser::kGreedy) {
    ParseGreedy(text.data(), text.size(), out, progress);
  } else {
    ParseOptimal(text.data(), text.size(), out, progress);
  }
  progress.Finish();
  return out.Finish();
}

}  // namespace qmpack
