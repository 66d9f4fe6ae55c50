#include "package/package_directory.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kDamaged[] = "The package directory at the end of the setup program is damaged: ";

int32_t LittleEndianInt32(const uint8_t* bytes) {
  const uint32_t value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                         uint32_t{bytes[3]} << 24;
  return static_cast<int32_t>(value);
}

int64_t DirectorySize(size_t entryCount) {
  return static_cast<int64_t>(kDirectoryTrailerSize + entryCount * kPackageEntrySize);
}

DirectoryParseResult Refused(std::string reason) {
  DirectoryParseResult result;
  result.refusal = DirectoryRefusal{std::move(reason)};
  return result;
}

std::string EntryLabel(size_t index, size_t count) {
  return "entry " + std::to_string(index + 1) + " of " + std::to_string(count);
}

bool IsControlCharacter(char c) { return static_cast<unsigned char>(c) < 0x20; }

// One 28-byte entry, or why it can't be used.
std::optional<std::string> ParseEntry(const uint8_t* bytes, int32_t unpackTotal,
                                      PackageEntry& entry) {
  const size_t nameLength = bytes[0];
  if (nameLength > kMaxEntryNameLength) {
    return "its name length is " + std::to_string(nameLength) + ", above " +
           std::to_string(kMaxEntryNameLength);
  }
  entry.name.assign(reinterpret_cast<const char*>(bytes + 1), nameLength);
  entry.offset = LittleEndianInt32(bytes + kEntryNameFieldSize);
  entry.size = LittleEndianInt32(bytes + kEntryNameFieldSize + 4);
  if (auto problem = EntryNameProblem(entry.name)) return problem;
  if (entry.offset < 0) return "its offset is negative (" + std::to_string(entry.offset) + ")";
  if (entry.size < 0) return "its size is negative (" + std::to_string(entry.size) + ")";
  const int64_t end = int64_t{entry.offset} + entry.size;
  if (end > unpackTotal) {
    return "it ends at byte " + std::to_string(end) + ", beyond the unpacked length of " +
           std::to_string(unpackTotal) + " bytes";
  }
  return std::nullopt;
}

// Why the entries can't describe one stream split into files, or nothing:
// the main program ends at the first entry's offset, so no entry may lie
// before it; no two entries may share a byte; no name may come twice (names
// compare as Windows compares them, without regard to case).
std::optional<std::string> LayoutProblem(const std::vector<PackageEntry>& entries) {
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return entries[a].offset < entries[b].offset; });
  const size_t count = entries.size();
  if (count != 0 && entries[order[0]].offset < entries[0].offset) {
    return EntryLabel(order[0], count) + " lies before entry 1, where the main program ends.";
  }
  // Empty entries share no byte with any other, wherever they lie.
  const auto end = [&](size_t k) { return int64_t{entries[k].offset} + entries[k].size; };
  size_t reachesFurthest = count;
  for (const size_t i : order) {
    if (entries[i].size == 0) continue;
    if (reachesFurthest != count && end(reachesFurthest) > entries[i].offset) {
      return EntryLabel(reachesFurthest, count) + " and " + EntryLabel(i, count) + " overlap.";
    }
    if (reachesFurthest == count || end(i) > end(reachesFurthest)) reachesFurthest = i;
  }
  std::set<std::string> names;
  for (const PackageEntry& entry : entries) {
    if (!names.insert(UpperCase(entry.name)).second) {
      return "the name \"" + entry.name + "\" is listed twice.";
    }
  }
  return std::nullopt;
}

// ---- Reading the setup program's own file ----------------------------------

class OpenFile {
 public:
  OpenFile(Platform& os, const std::string& path)
      : os_(os), handle_(os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting)) {}
  ~OpenFile() {
    if (IsOpen()) os_.Close(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool IsOpen() const { return handle_ != kInvalidFile; }
  FileHandle handle() const { return handle_; }

 private:
  Platform& os_;
  FileHandle handle_;
};

bool ReadAt(Platform& os, FileHandle file, int64_t position, uint8_t* buffer, uint32_t count) {
  if (os.Seek(file, position, SeekOrigin::kBegin) != position) return false;
  uint32_t done = 0;
  while (done < count) {
    const auto read = os.Read(file, buffer + done, count - done);
    if (!read || *read == 0) return false;
    done += *read;
  }
  return true;
}

// The directory's bytes as they lie at the end of the file: unpackTotal is read
// first, then entryCount, then the entries that entryCount announces. When the
// file is too short for a trailer, or for the announced entries, only what is
// there is returned and the parser gives the reason. Nothing on a read failure.
std::optional<std::vector<uint8_t>> ReadDirectoryBytes(Platform& os, FileHandle file,
                                                       int64_t fileLength) {
  if (fileLength < static_cast<int64_t>(kDirectoryTrailerSize)) return std::vector<uint8_t>();
  uint8_t trailer[kDirectoryTrailerSize];
  if (!ReadAt(os, file, fileLength - 4, trailer + 1, 4)) return std::nullopt;
  if (!ReadAt(os, file, fileLength - 5, trailer, 1)) return std::nullopt;
  const int64_t directorySize = DirectorySize(trailer[0]);
  if (directorySize > fileLength) {
    return std::vector<uint8_t>(trailer, trailer + kDirectoryTrailerSize);
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(directorySize));
  const auto entryBytes = static_cast<uint32_t>(directorySize - kDirectoryTrailerSize);
  if (!ReadAt(os, file, fileLength - directorySize, bytes.data(), entryBytes)) return std::nullopt;
  std::copy(trailer, trailer + kDirectoryTrailerSize, bytes.begin() + entryBytes);
  return bytes;
}

DirectoryRefusal CannotRead(const std::string& path) {
  return DirectoryRefusal{"The setup program could not read its own file " + path +
                          " to find the package directory."};
}

void ClearDirectory(SetupState& state) {
  state.directoryHead.reset();
  state.directoryTail = nullptr;
  state.unpackTotal = 0;
}

}  // namespace

size_t DirectoryTailSize(int64_t fileLength) {
  if (fileLength <= 0) return 0;
  return static_cast<size_t>(std::min<int64_t>(fileLength, kMaxDirectorySize));
}

std::optional<std::string> EntryNameProblem(const std::string& name) {
  if (name.empty()) return std::string("its name is empty");
  if (name.size() > kMaxEntryNameLength) {
    return "its name \"" + name + "\" is longer than " + std::to_string(kMaxEntryNameLength) +
           " characters";
  }
  for (char c : name) {
    if (IsControlCharacter(c)) {
      return "its name contains the control character " +
             std::to_string(static_cast<unsigned char>(c));
    }
  }
  if (name.find_first_of("\\/:") != std::string::npos) {
    return "its name \"" + name + "\" contains a folder or drive separator";
  }
  if (name == "." || name == "..") return "its name \"" + name + "\" names a folder";
  return std::nullopt;
}

DirectoryParseResult ParsePackageDirectory(const uint8_t* tail, size_t tailSize,
                                           int64_t fileLength) {
  if (fileLength < 0 || static_cast<uint64_t>(tailSize) > static_cast<uint64_t>(fileLength)) {
    return Refused("The directory bytes given are more than the setup file holds.");
  }
  if (fileLength < static_cast<int64_t>(kDirectoryTrailerSize)) {
    return Refused("The setup program's file (" + std::to_string(fileLength) +
                   " bytes) is too short to hold a package directory.");
  }
  if (tailSize < kDirectoryTrailerSize) {
    return Refused("The directory bytes given do not cover the directory trailer.");
  }
  const uint8_t* trailer = tail + tailSize - kDirectoryTrailerSize;
  DirectoryParseResult result;
  result.directory.unpackTotal = LittleEndianInt32(trailer + 1);
  const size_t entryCount = trailer[0];
  if (result.directory.unpackTotal <= 0) {
    return Refused(kDamaged + std::string("the unpacked length is ") +
                   std::to_string(result.directory.unpackTotal) + " bytes.");
  }
  const int64_t directorySize = DirectorySize(entryCount);
  if (directorySize > fileLength) {
    return Refused(kDamaged + std::to_string(entryCount) +
                   " entries would start before the beginning of the file.");
  }
  if (directorySize > static_cast<int64_t>(tailSize)) {
    return Refused("The directory bytes given do not cover all " + std::to_string(entryCount) +
                   " entries.");
  }
  const uint8_t* entryBytes = tail + tailSize - directorySize;
  result.directory.entries.resize(entryCount);
  for (size_t i = 0; i < entryCount; ++i) {
    auto problem = ParseEntry(entryBytes + i * kPackageEntrySize, result.directory.unpackTotal,
                              result.directory.entries[i]);
    if (problem) return Refused(kDamaged + EntryLabel(i, entryCount) + ": " + *problem + ".");
  }
  if (auto problem = LayoutProblem(result.directory.entries)) return Refused(kDamaged + *problem);
  return result;
}

void AppendPackageNode(SetupState& state, const PackageEntry& entry) {
  auto node = std::make_unique<PackageNode>();
  node->name = entry.name;
  node->offset = entry.offset;
  node->size = entry.size;
  PackageNode* added = node.get();
  if (state.directoryHead) {
    state.directoryTail->next = std::move(node);
  } else {
    state.directoryHead = std::move(node);
  }
  state.directoryTail = added;
}

std::optional<DirectoryRefusal> ReadPackageDirectory(Platform& os, SetupState& state) {
  ClearDirectory(state);
  const std::string path = os.ModulePath();
  const OpenFile file(os, path);
  if (!file.IsOpen()) return CannotRead(path);
  const auto fileLength = os.FileSize(file.handle());
  if (!fileLength) return CannotRead(path);
  const auto bytes = ReadDirectoryBytes(os, file.handle(), *fileLength);
  if (!bytes) return CannotRead(path);
  DirectoryParseResult parsed = ParsePackageDirectory(bytes->data(), bytes->size(), *fileLength);
  if (!parsed.accepted()) return parsed.refusal;
  for (const PackageEntry& entry : parsed.directory.entries) AppendPackageNode(state, entry);
  state.unpackTotal = parsed.directory.unpackTotal;
  return std::nullopt;
}

}  // namespace qm
