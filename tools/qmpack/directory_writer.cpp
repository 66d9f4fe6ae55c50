#include "qmpack/directory_writer.h"

#include <string>

#include "qmpack/tool_error.h"

namespace qmpack {

namespace {

void PutInt32(std::vector<uint8_t>& bytes, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(bits >> shift));
}

void CheckEntry(const qm::PackageEntry& entry, int32_t unpackTotal) {
  if (auto problem = qm::EntryNameProblem(entry.name)) {
    throw ToolError("cannot pack \"" + entry.name + "\": " + *problem);
  }
  if (entry.offset < 0 || entry.size < 0 || int64_t{entry.offset} + entry.size > unpackTotal) {
    throw ToolError("cannot pack \"" + entry.name + "\": it lies outside the unpacked stream");
  }
}

void PutEntry(std::vector<uint8_t>& bytes, const qm::PackageEntry& entry) {
  bytes.push_back(static_cast<uint8_t>(entry.name.size()));
  std::string field = entry.name;
  field.resize(qm::kMaxEntryNameLength, '\0');
  bytes.insert(bytes.end(), field.begin(), field.end());
  PutInt32(bytes, entry.offset);
  PutInt32(bytes, entry.size);
}

}  // namespace

std::vector<uint8_t> EncodePackageDirectory(const qm::PackageDirectory& directory) {
  if (directory.entries.size() > qm::kMaxPackageEntries) {
    throw ToolError("the product has " + std::to_string(directory.entries.size()) +
                    " files besides the main program; the directory holds at most " +
                    std::to_string(qm::kMaxPackageEntries));
  }
  if (directory.unpackTotal <= 0) throw ToolError("the unpacked stream is empty");
  std::vector<uint8_t> bytes;
  for (const auto& entry : directory.entries) {
    CheckEntry(entry, directory.unpackTotal);
    PutEntry(bytes, entry);
  }
  bytes.push_back(static_cast<uint8_t>(directory.entries.size()));
  PutInt32(bytes, directory.unpackTotal);
  return bytes;
}

}  // namespace qmpack
