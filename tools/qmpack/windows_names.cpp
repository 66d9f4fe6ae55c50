#include "qmpack/windows_names.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qmpack {

namespace {

// The characters of bytes 0x80 to 0x9F; 0 where the code page defines none.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t CodePointOf(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t mapped = kHighControlRange[byte - 0x80];
  return mapped != 0 ? mapped : byte;
}

std::optional<uint8_t> ByteOf(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<uint8_t>(codePoint);
  }
  const auto found = std::find(kHighControlRange.begin(), kHighControlRange.end(), codePoint);
  if (found == kHighControlRange.end()) return std::nullopt;
  return static_cast<uint8_t>(0x80 + (found - kHighControlRange.begin()));
}

// Reads one UTF-8 sequence at `at`, moving past it; nothing for a malformed
// or overlong one.
std::optional<char32_t> NextCodePoint(const std::string& text, size_t& at) {
  const auto lead = static_cast<uint8_t>(text[at++]);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (more < 0 || lead > 0xF4 || at + static_cast<size_t>(more) > text.size()) return std::nullopt;
  char32_t value = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    const auto next = static_cast<uint8_t>(text[at++]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = value << 6 | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[more] || value > 0x10FFFF) return std::nullopt;
  return value;
}

void AppendUtf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | value >> 6);
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | value >> 12);
    out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

uint8_t UpperCaseByte(uint8_t byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<uint8_t>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<uint8_t>(byte - 0x20);
  switch (byte) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return byte;
  }
}

bool IsDeviceName(const std::string& name) {
  // Windows ignores spaces at the end of the stem: "CON .TXT" is the device too.
  std::string stem = Cp1252UpperCase(name.substr(0, name.find('.')));
  stem.erase(stem.find_last_not_of(' ') + 1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (stem == device) return true;
  }
  if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9') return false;
  return stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0;
}

}  // namespace

std::optional<std::string> Utf8ToCp1252(const std::string& utf8) {
  std::string result;
  for (size_t at = 0; at < utf8.size();) {
    const auto codePoint = NextCodePoint(utf8, at);
    if (!codePoint) return std::nullopt;
    const auto byte = ByteOf(*codePoint);
    if (!byte) return std::nullopt;
    result += static_cast<char>(*byte);
  }
  return result;
}

std::string Cp1252ToUtf8(const std::string& cp1252) {
  std::string result;
  for (const char c : cp1252) AppendUtf8(result, CodePointOf(static_cast<uint8_t>(c)));
  return result;
}

std::string Cp1252UpperCase(const std::string& cp1252) {
  std::string result = cp1252;
  for (char& c : result) c = static_cast<char>(UpperCaseByte(static_cast<uint8_t>(c)));
  return result;
}

std::optional<std::string> WindowsNameProblem(const std::string& name) {
  const auto reserved = name.find_first_of("*?\"<>|");
  if (reserved != std::string::npos) {
    return std::string("it contains the character ") + name[reserved] + ", which Windows refuses in names";
  }
  const bool control = std::any_of(name.begin(), name.end(),
                                   [](char c) { return static_cast<uint8_t>(c) < 0x20; });
  if (control) return std::string("it contains a control character");
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
    return std::string("it ends in a dot or a space, which Windows drops");
  }
  if (IsDeviceName(name)) return std::string("it is a device name on Windows");
  return std::nullopt;
}

}  // namespace qmpack
