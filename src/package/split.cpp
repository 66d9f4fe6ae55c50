#include "package/split.h"

#include <algorithm>

#include "package/scoped_file.h"
#include "package/unpack_pass.h"
#include "setup/failure_text.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

// Copies out the bytes of one packed file from the joined file's position.
class PackedFileCopy {
 public:
  PackedFileCopy(Setup& setup, FileHandle joined, const std::string& mainProgram)
      : os_(setup.os), joined_(joined), mainProgram_(mainProgram) {}

  // Empty when all `size` bytes were copied.
  std::string Copy(FileHandle to, const std::string& target, int32_t size) {
    for (int64_t left = size; left > 0;) {
      const auto wanted = static_cast<uint32_t>(std::min<int64_t>(left, kSplitBlockSize));
      const auto got = os_.Read(joined_, block_, wanted);
      if (!got) return FileProblem(os_, mainProgram_, "read", os_.LastError());
      if (*got == 0) return kUnpackFailedText;  // the stream is shorter than the directory says
      const auto written = os_.Write(to, block_, *got);
      if (written != *got) {
        return FileProblem(os_, target, "written", written ? kErrorDiskFull : os_.LastError());
      }
      left -= *got;
    }
    return std::string();
  }

 private:
  Platform& os_;
  FileHandle joined_;
  const std::string& mainProgram_;
  uint8_t block_[kSplitBlockSize];
};

std::string SplitOut(Setup& setup, StagedUpdate& update, FileHandle joined, PackageNode& node,
                     const std::string& mainProgram) {
  Platform& os = setup.os;
  if (os.Seek(joined, node.offset, SeekOrigin::kBegin) != node.offset) {
    return FileProblem(os, mainProgram, "read", os.LastError());
  }
  if (IsKeptOnceInstalled(node.name)) {
    const std::string earlier = JoinPath(setup.state.destinationFolder, node.name);
    const auto present = Exists(os, earlier);
    if (!present) return FileProblem(os, earlier, "read", os.LastError());
    if (*present) {
      setup.log.Write("Kept " + earlier + ": installed before, never replaced");
      return std::string();
    }
  }
  const std::string target = PlaceOf(setup, node.name);
  if (target.empty()) {
    return "The folder " + HelpFolder(setup) +
           " could not be read: " + FailureReason(os, HelpFolder(setup), os.LastError()) + ".";
  }
  ScopedFile staged(os, update.Create(target, kAccessWrite, node.size));
  if (!staged.IsOpen()) return update.problem();
  return PackedFileCopy(setup, joined, mainProgram).Copy(staged.handle(), target, node.size);
}

// Truncates the joined file at the first packed file, leaving the main program.
std::string CutToMainProgram(Setup& setup, const std::string& joinedPath,
                             const std::string& mainProgram) {
  const PackageNode* first = setup.state.directoryHead.get();
  if (!first) return std::string();
  Platform& os = setup.os;
  ScopedFile joined(os,
                    os.Open(joinedPath, kAccessReadWrite, kShareNone, FileCreation::kOpenExisting));
  if (joined.IsOpen() &&
      os.Seek(joined.handle(), first->offset, SeekOrigin::kBegin) == first->offset &&
      os.Truncate(joined.handle())) {
    return std::string();
  }
  return FileProblem(os, mainProgram, "written", os.LastError());
}

}  // namespace

bool IsKeptOnceInstalled(const std::string& name) {
  const std::string extension = UpperCase(ExtensionOf(name));
  return extension == ".LIB" || extension == ".DTP";
}

std::string PlaceOf(Setup& setup, const std::string& name) {
  const std::string destination = JoinPath(setup.state.destinationFolder, name);
  if (UpperCase(ExtensionOf(name)) != ".HLP") return destination;
  const std::string help = HelpFolder(setup);
  const auto attributes = setup.os.Attributes(help);
  if (attributes) return (*attributes & kAttributeDirectory) ? JoinPath(help, name) : destination;
  const uint32_t error = setup.os.LastError();
  return IsNotFound(error) ? destination : std::string();
}

std::string HelpFolder(const Setup& setup) { return JoinPath(setup.state.windowsFolder, "Help"); }

std::string SplitJoinedFile(Setup& setup, StagedUpdate& update, const std::string& joinedPath) {
  Platform& os = setup.os;
  const std::string mainProgram =
      JoinPath(setup.state.destinationFolder, setup.product.mainProgram);
  {
    ScopedFile joined(os,
                      os.Open(joinedPath, kAccessRead, kShareRead, FileCreation::kOpenExisting));
    if (!joined.IsOpen()) return FileProblem(os, mainProgram, "read", os.LastError());
    for (PackageNode* node = setup.state.directoryHead.get(); node; node = node->next.get()) {
      std::string problem = SplitOut(setup, update, joined.handle(), *node, mainProgram);
      if (!problem.empty()) return problem;
    }
  }
  return CutToMainProgram(setup, joinedPath, mainProgram);
}

}  // namespace qm
