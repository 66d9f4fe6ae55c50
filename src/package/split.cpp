#include "package/split.h"

#include <algorithm>

#include "package/scoped_file.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kTemporaryExtension[] = ".$$$";

// Files that, once present, an installation never overwrites.
bool IsKeptOnceInstalled(const std::string& name) {
  const std::string extension = UpperCase(ExtensionOf(name));
  return extension == ".LIB" || extension == ".DTP";
}

// Where a packed file belongs: help files in the Help folder of Windows, all
// others in the destination folder.
std::string PlaceOf(const Setup& setup, const std::string& name) {
  if (UpperCase(ExtensionOf(name)) == ".HLP") {
    return JoinPath(JoinPath(setup.state.windowsFolder, "Help"), name);
  }
  return JoinPath(setup.state.destinationFolder, name);
}

// The 8.3 form of a path, or the path itself when the call fails.
std::string ShortOrFull(Platform& os, const std::string& path) {
  return os.ShortPath(path).value_or(path);
}

FileHandle CreateAnew(Platform& os, const std::string& path) {
  return os.Open(path, kAccessWrite, kShareNone, FileCreation::kCreateAlways);
}

// Creates the node's file in its place or, when that fails (the file is in
// use, or its folder is missing), under the temporary name in the destination
// folder, with the rename line that puts it in place of the file of its own
// name there at the next start of Windows. The node takes the temporary name.
FileHandle CreateTarget(Setup& setup, PackageNode& node) {
  Platform& os = setup.os;
  FileHandle file = CreateAnew(os, PlaceOf(setup, node.name));
  if (file != kInvalidFile) return file;
  const std::string& folder = setup.state.destinationFolder;
  const std::string replaced = ShortOrFull(os, JoinPath(folder, node.name));
  node.name = ReplaceExtension(node.name, kTemporaryExtension).substr(0, kLongestNodeName);
  const std::string temporary = JoinPath(folder, node.name);
  file = CreateAnew(os, temporary);
  if (file != kInvalidFile) setup.winInit.AddRenameLine(replaced, ShortOrFull(os, temporary));
  return file;
}

// Copies `size` bytes from the joined file's position in blocks. False when
// the joined file ends first or a block can't be written in full.
bool CopyBytes(Platform& os, FileHandle from, FileHandle to, int32_t size) {
  uint8_t block[kSplitBlockSize];
  for (int64_t left = size; left > 0;) {
    const auto wanted = static_cast<uint32_t>(std::min<int64_t>(left, kSplitBlockSize));
    const uint32_t got = os.Read(from, block, wanted).value_or(0);
    if (got == 0) return false;
    if (os.Write(to, block, got) != got) return false;
    left -= got;
  }
  return true;
}

bool SplitOut(Setup& setup, FileHandle joined, PackageNode& node) {
  Platform& os = setup.os;
  if (os.Seek(joined, node.offset, SeekOrigin::kBegin) != node.offset) return false;
  if (IsKeptOnceInstalled(node.name) &&
      FilePresent(os, JoinPath(setup.state.destinationFolder, node.name))) {
    return true;
  }
  ScopedFile target(os, CreateTarget(setup, node));
  if (!target.IsOpen()) return true;  // skipped: the installation goes on without it
  return CopyBytes(os, joined, target.handle(), node.size);
}

// Truncates the joined file at the first packed file, leaving the main program.
bool CutToMainProgram(Setup& setup, const std::string& path) {
  const PackageNode* first = setup.state.directoryHead.get();
  if (!first) return true;
  Platform& os = setup.os;
  ScopedFile joined(os, os.Open(path, kAccessReadWrite, kShareNone, FileCreation::kOpenExisting));
  return joined.IsOpen() &&
         os.Seek(joined.handle(), first->offset, SeekOrigin::kBegin) == first->offset &&
         os.Truncate(joined.handle());
}

}  // namespace

bool SplitJoinedFile(Setup& setup) {
  Platform& os = setup.os;
  const std::string path = JoinPath(setup.state.destinationFolder, setup.product.mainProgram);
  {
    ScopedFile joined(os, os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting));
    if (!joined.IsOpen()) return false;
    for (PackageNode* node = setup.state.directoryHead.get(); node; node = node->next.get()) {
      if (!SplitOut(setup, joined.handle(), *node)) return false;
    }
  }
  return CutToMainProgram(setup, path);
}

}  // namespace qm
