// The package directory: where each product file lies in the unpacked stream.
//
// It is appended to the setup program's own file, measured back from its end:
//
//   L - 5 - 28n   n entries of 28 bytes: name length k (0..19), 19 name bytes
//                 (the first k are the name, the rest are ignored), offset and
//                 size as signed 32-bit little-endian values
//   L - 5         entryCount, unsigned 8-bit
//   L - 4         unpackTotal, signed 32-bit little-endian: the stream length
//
// The stream starts with the main program, which ends at the first entry's
// offset. Nothing marks the directory as such, so everything read from it is
// checked before it is used: a setup file without a directory, or with a
// damaged one, is refused with a reason instead of steering the unpack pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup/setup_state.h"

namespace qm {

constexpr size_t kDirectoryTrailerSize = 5;
constexpr size_t kPackageEntrySize = 28;
constexpr size_t kEntryNameFieldSize = 20;  // the length byte and 19 characters
constexpr size_t kMaxEntryNameLength = 19;
constexpr size_t kMaxPackageEntries = 255;
// The longest directory there can be, and so the most bytes a parse needs.
constexpr size_t kMaxDirectorySize = kDirectoryTrailerSize + kMaxPackageEntries * kPackageEntrySize;

struct PackageEntry {
  std::string name;
  int32_t offset = 0;
  int32_t size = 0;
};

struct PackageDirectory {
  int32_t unpackTotal = 0;
  std::vector<PackageEntry> entries;  // in file order
};

// Why a directory was not accepted, in words fit for the user.
struct DirectoryRefusal {
  std::string reason;
};

struct DirectoryParseResult {
  PackageDirectory directory;              // meaningful only when accepted
  std::optional<DirectoryRefusal> refusal;  // set when the directory was refused
  bool accepted() const { return !refusal.has_value(); }
};

// The bytes needed from the end of a file of `fileLength` bytes to parse its directory.
size_t DirectoryTailSize(int64_t fileLength);

// Parses the directory from the last `tailSize` bytes of a file of `fileLength`
// bytes. The tail may be shorter than DirectoryTailSize(fileLength) as long as
// it covers the directory. Accepts or refuses; never reads outside the tail.
DirectoryParseResult ParsePackageDirectory(const uint8_t* tail, size_t tailSize,
                                           int64_t fileLength);

// Why `name` can't be a product file's name in the directory, or nothing when it can:
// a bare, non-empty file name of at most 19 characters, without path or control
// characters, and neither "." nor "..".
std::optional<std::string> EntryNameProblem(const std::string& name);

// Adds a node for the entry at the end of the in-memory directory list.
void AppendPackageNode(SetupState& state, const PackageEntry& entry);

// Reads the directory from the end of the running setup program's own file
// into state.unpackTotal, state.directoryHead and state.directoryTail (a list
// in file order). On refusal the list is left empty and unpackTotal 0.
std::optional<DirectoryRefusal> ReadPackageDirectory(Platform& os, SetupState& state);

}  // namespace qm
