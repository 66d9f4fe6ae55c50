#include "qmpack/pe_image.h"

#include <algorithm>
#include <string>

#include "qmpack/tool_error.h"

namespace qmpack {

namespace {

constexpr uint32_t kNewHeaderPointer = 0x3C;     // e_lfanew in the MZ header
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSymbolSize = 18;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kCertificateDirectory = 4;

// Little-endian reads that refuse to leave the file.
class ByteReader {
 public:
  explicit ByteReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  uint32_t U16(uint64_t at) const { return static_cast<uint32_t>(Unsigned(at, 2)); }
  uint32_t U32(uint64_t at) const { return static_cast<uint32_t>(Unsigned(at, 4)); }
  bool Has(uint64_t at, uint64_t count) const { return at + count <= bytes_.size(); }

 private:
  uint64_t Unsigned(uint64_t at, int count) const {
    if (!Has(at, static_cast<uint64_t>(count))) {
      throw ToolError("not a Windows executable: its headers end early (at byte " +
                      std::to_string(at) + ")");
    }
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes_[at + static_cast<uint64_t>(i)];
    return value;
  }

  const std::vector<uint8_t>& bytes_;
};

uint64_t PeHeaderOffset(const ByteReader& file) {
  if (file.U16(0) != 0x5A4D) throw ToolError("not a Windows executable: no MZ header");
  const uint64_t peHeader = file.U32(kNewHeaderPointer);
  if (file.U32(peHeader) != 0x00004550) throw ToolError("not a Windows executable: no PE header");
  return peHeader;
}

uint64_t SectionsEnd(const ByteReader& file, uint64_t sectionTable, uint32_t sectionCount) {
  uint64_t end = 0;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint64_t header = sectionTable + uint64_t{i} * kSectionHeaderSize;
    const uint64_t rawSize = file.U32(header + 16);
    const uint64_t rawPointer = file.U32(header + 20);
    if (rawSize > 0) end = std::max(end, rawPointer + rawSize);
  }
  return end;
}

// The COFF symbol table and the string table behind it, which unstripped
// MinGW executables carry after their sections.
uint64_t SymbolsEnd(const ByteReader& file, uint64_t coffHeader) {
  const uint64_t symbolTable = file.U32(coffHeader + 8);
  const uint64_t symbolCount = file.U32(coffHeader + 12);
  if (symbolTable == 0) return 0;
  const uint64_t stringTable = symbolTable + symbolCount * kSymbolSize;
  return stringTable + std::max<uint64_t>(4, file.U32(stringTable));
}

// The certificate table's directory entry holds a file position, not an address.
uint64_t CertificatesEnd(const ByteReader& file, uint64_t optionalHeader) {
  const uint32_t magic = file.U16(optionalHeader);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) {
    throw ToolError("not a Windows executable: unknown optional header");
  }
  const uint64_t countField = optionalHeader + (magic == kPe32Magic ? 92 : 108);
  if (file.U32(countField) <= kCertificateDirectory) return 0;
  const uint64_t entry = countField + 4 + kCertificateDirectory * 8;
  const uint64_t position = file.U32(entry);
  const uint64_t size = file.U32(entry + 4);
  return size == 0 ? 0 : position + size;
}

}  // namespace

PeImageExtent MeasurePeImage(const std::vector<uint8_t>& bytes) {
  const ByteReader file(bytes);
  const uint64_t coffHeader = PeHeaderOffset(file) + 4;
  const uint32_t sectionCount = file.U16(coffHeader + 2);
  const uint32_t optionalHeaderSize = file.U16(coffHeader + 16);
  const uint64_t optionalHeader = coffHeader + kCoffHeaderSize;
  const uint64_t headersSize = file.U32(optionalHeader + 60);

  PeImageExtent extent;
  extent.fileSize = bytes.size();
  extent.imageEnd = std::max({headersSize,
                              SectionsEnd(file, optionalHeader + optionalHeaderSize, sectionCount),
                              SymbolsEnd(file, coffHeader), CertificatesEnd(file, optionalHeader)});
  if (extent.imageEnd > extent.fileSize) {
    throw ToolError("the executable is cut short: its image needs " +
                    std::to_string(extent.imageEnd) + " bytes, the file has " +
                    std::to_string(extent.fileSize));
  }
  return extent;
}

}  // namespace qmpack
