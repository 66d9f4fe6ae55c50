// Where a Windows executable's image ends within its file, so that bytes
// appended after it (such as a package directory) can be found and cut off.
#pragma once

#include <cstdint>
#include <vector>

namespace qmpack {

struct PeImageExtent {
  uint64_t imageEnd = 0;  // first byte after the headers, sections, symbols and certificates
  uint64_t fileSize = 0;
  uint64_t TrailingBytes() const { return fileSize - imageEnd; }
};

// Reads the MZ and PE headers and the section table. The image ends after the
// last of: the headers (SizeOfHeaders), each section's raw data, the COFF
// symbol and string tables, and the certificate table. Throws ToolError when
// the bytes are not a PE file or are cut short before the image ends.
PeImageExtent MeasurePeImage(const std::vector<uint8_t>& file);

}  // namespace qmpack
