#include "qmpack/lzh_stream_writer.h"

#include "qmpack/lzh_format.h"

namespace qmpack {

void LzhStreamWriter::PutMatch(int length, int distance) {
  code_.Write(length + kLzhMatchSymbolBase, bits_);
  const int prefix = distance >> kLzhPlainDistanceBits;
  bits_.Put(kLzhPositionCode.code[prefix], kLzhPositionCode.length[prefix]);
  bits_.Put(static_cast<uint32_t>(distance) & ((1u << kLzhPlainDistanceBits) - 1),
            kLzhPlainDistanceBits);
}

}  // namespace qmpack
