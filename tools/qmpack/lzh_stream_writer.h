// Writes LZHUF tokens (literals and matches) as the decoder reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "qmpack/lzh_adaptive_code.h"
#include "qmpack/lzh_bit_writer.h"

namespace qmpack {

class LzhStreamWriter {
 public:
  void PutLiteral(uint8_t byte) { code_.Write(byte, bits_); }
  // `distance` 0..4095: the match copies from `distance` + 1 bytes back.
  void PutMatch(int length, int distance);
  std::vector<uint8_t> Finish() { return bits_.Finish(); }

  // The symbol code as it stands, for pricing choices still to be made.
  const LzhAdaptiveCode& code() const { return code_; }

 private:
  LzhAdaptiveCode code_;
  LzhBitWriter bits_;
};

}  // namespace qmpack
