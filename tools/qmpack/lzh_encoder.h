// LZHUF encoder writing headerless streams that qm::LzhDecode reads back exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace qmpack {

enum class LzhParser {
  kGreedy,  // longest match at every position
  kBetter,  // the default: smaller output at a lower speed
};

struct LzhEncodeOptions {
  LzhParser parser = LzhParser::kBetter;
  // Called now and then with the input bytes encoded so far and the input size.
  std::function<void(size_t done, size_t total)> progress;
};

std::vector<uint8_t> LzhEncode(const uint8_t* data, size_t size, const LzhEncodeOptions& options);

}  // namespace qmpack
