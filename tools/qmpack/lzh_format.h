// Fixed parameters of the LZHUF stream and its position code, shared by the
// parts of the encoder.
#pragma once

#include <array>
#include <cstdint>

namespace qmpack {

constexpr int kLzhWindowSize = 4096;
constexpr int kLzhMinMatch = 3;
constexpr int kLzhMaxMatch = 60;
// The decoder's ring holds spaces below this position and writes from it on.
constexpr int kLzhRingStart = kLzhWindowSize - kLzhMaxMatch;
constexpr uint8_t kLzhRingFill = 0x20;

constexpr int kLzhSymbols = 314;                 // 256 literals, then lengths 3..60
constexpr int kLzhMatchSymbolBase = 256 - kLzhMinMatch;  // length L is symbol L + 253
constexpr int kLzhNodes = 2 * kLzhSymbols - 1;   // 627; child values from here on name leaves
constexpr int kLzhRoot = kLzhNodes - 1;
constexpr uint16_t kLzhRebuildCount = 32768;

// Distances are sent as a prefix code for their upper 6 bits, then 6 plain bits.
constexpr int kLzhPlainDistanceBits = 6;
constexpr int kLzhDistancePrefixes = 64;

struct LzhPositionCode {
  std::array<uint8_t, kLzhDistancePrefixes> code{};
  std::array<uint8_t, kLzhDistancePrefixes> length{};
};

constexpr int LzhPositionCodeLength(int prefix) {
  return prefix < 1 ? 3 : prefix < 4 ? 4 : prefix < 12 ? 5 : prefix < 24 ? 6 : prefix < 48 ? 7 : 8;
}

// Each prefix owns the next run of 2^(8 - length) entries of the decoder's 8-bit
// lookup table; its code is the first entry of that run cut to `length` bits.
constexpr LzhPositionCode MakeLzhPositionCode() {
  LzhPositionCode table;
  int firstEntry = 0;
  for (int prefix = 0; prefix < kLzhDistancePrefixes; ++prefix) {
    const int length = LzhPositionCodeLength(prefix);
    table.code[prefix] = static_cast<uint8_t>(firstEntry >> (8 - length));
    table.length[prefix] = static_cast<uint8_t>(length);
    firstEntry += 1 << (8 - length);
  }
  return table;
}

constexpr LzhPositionCode kLzhPositionCode = MakeLzhPositionCode();

// Bits that a distance costs in the stream.
constexpr int LzhDistanceBits(int distance) {
  return kLzhPositionCode.length[distance >> kLzhPlainDistanceBits] + kLzhPlainDistanceBits;
}

}  // namespace qmpack
