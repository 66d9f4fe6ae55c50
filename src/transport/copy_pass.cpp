#include "transport/copy_pass.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "package/crc32.h"
#include "package/package_directory.h"
#include "setup/user_messages.h"
#include "transport/path_helpers.h"
#include "transport/space_check.h"

namespace qm {

namespace {

constexpr uint32_t kFailureStyle = kMbOk | kMbIconError;

// How the copy of one volume file ended.
enum class VolumeOutcome {
  kDone,      // copied to its end, or until the pass was cancelled
  kRejected,  // not the volume the media were made with; none of it was kept
  kFailed,    // a file could not be read or written; the pass is over
};

// "The file PATH could not be opened." and the like.
std::string FileProblem(const std::string& path, const std::string& problem) {
  return "The file " + path + " " + problem;
}
std::string NoRoomFor(const std::string& path) {
  return "There is not enough room on the destination disk for " + path + ".";
}
std::string DiskPrompt(int disk) { return "Please Insert Disk number " + std::to_string(disk); }

std::string Hex(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// A volume's size and CRC-32 as it is copied, against what the media record
// holds for it. Volumes the record says nothing about always match.
class VolumeCheck {
 public:
  VolumeCheck(const MediaRecord& media, int disk)
      : recorded_(media.VolumeRecorded(disk - 1)),
        expectedSize_(media.volumeSize[disk - 1]),
        expectedCrc_(media.volumeCrc[disk - 1]) {}

  bool WouldOverrun(uint32_t count) const { return recorded_ && size_ + count > expectedSize_; }
  void Add(const uint8_t* data, uint32_t count) {
    size_ += count;
    crc_ = Crc32Update(crc_, data, count);
  }
  bool Matches() const { return !recorded_ || (size_ == expectedSize_ && crc_ == expectedCrc_); }

  // What the log says of the volume read so far.
  std::string Report() const {
    const std::string read = std::to_string(size_) + " bytes read";
    if (!recorded_) return read + ", its size and CRC-32 not recorded, so not checked";
    if (Matches()) return read + ", size and CRC-32 checked";
    return read + " with CRC-32 " + Hex(crc_) + ", but the media record holds " +
           std::to_string(expectedSize_) + " bytes with CRC-32 " + Hex(expectedCrc_) + ": refused";
  }

 private:
  bool recorded_;
  uint64_t expectedSize_;
  uint32_t expectedCrc_;
  uint64_t size_ = 0;
  uint32_t crc_ = 0;
};

// One run of the pass inside the IPROGRESS dialog. Every failure shows its
// message and clears keepGoing, so that the dialog ends with 0.
class VolumeCopy {
 public:
  VolumeCopy(Setup& setup, DialogHost& dialog)
      : setup_(setup),
        os_(setup.os),
        dialog_(dialog),
        packagePath_(JoinPath(setup.state.destinationFolder, setup.product.packageFileName)),
        block_(kCopyBlockSize) {}

  void Run() {
    if (!ReadDirectory() || !EnoughSpace()) return;
    const std::string firstPath = VolumePath(1);
    const FileHandle first = OpenVolume(firstPath);
    if (first == kInvalidFile) return;
    const bool created = CreatePackageFile();
    if (created) CopyFirstDisk(first, firstPath);
    os_.Close(first);
    if (!created) return;
    CopyLaterDisks();
    os_.Close(package_);
  }

 private:
  bool KeepGoing() const { return setup_.state.keepGoing != 0; }

  void Fail(const std::string& text) {
    ShowOwnedMessage(setup_, dialog_, text, setup_.product.displayName, kFailureStyle);
    setup_.state.keepGoing = 0;
  }

  std::string VolumePath(int disk) const {
    return JoinPath(setup_.state.sourceFolder, VolumeName(setup_.product.firstVolume, disk));
  }

  bool ReadDirectory() {
    const auto refusal = ReadPackageDirectory(os_, setup_.state);
    if (refusal) {
      Fail(refusal->reason);
    } else {
      setup_.log.Write("Package directory read: " + std::to_string(FileCount()) +
                       " files after the main program, " +
                       std::to_string(setup_.state.unpackTotal) + " bytes unpacked");
    }
    return !refusal;
  }

  int FileCount() const {
    int count = 0;
    for (const PackageNode* node = setup_.state.directoryHead.get(); node;
         node = node->next.get()) {
      ++count;
    }
    return count;
  }

  // Nothing is written when a drive has too little room for the installation.
  bool EnoughSpace() {
    const auto shortage = CheckFreeSpace(setup_);
    if (shortage) Fail(*shortage);
    return !shortage;
  }

  FileHandle OpenVolume(const std::string& path) {
    const FileHandle volume = os_.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting);
    if (volume == kInvalidFile) Fail(FileProblem(path, "could not be opened."));
    return volume;
  }

  bool CreatePackageFile() {
    package_ = os_.Open(packagePath_, kAccessReadWrite, kShareRead, FileCreation::kCreateAlways);
    if (package_ == kInvalidFile) {
      Fail(FileProblem(packagePath_, "could not be created."));
      return false;
    }
    setup_.state.packageFileCreated = true;
    return true;
  }

  // Disk 1 is where the setup was started from: it is not asked for, and a
  // wrong one can't be swapped for the right one.
  void CopyFirstDisk(FileHandle volume, const std::string& path) {
    copiedBytes_ = 0;
    setup_.state.gaugeLastPercent = -1;  // the first block always paints
    if (CopyVolume(volume, 1, path) == VolumeOutcome::kRejected) {
      Fail(FileProblem(path, "does not belong to this setup program or is damaged."));
    }
  }

  void CopyLaterDisks() {
    const int lastDisk = std::min(setup_.product.diskCount, kMaxDisks);
    for (int disk = 2; disk <= lastDisk && KeepGoing(); ++disk) CopyLaterDisk(disk);
  }

  // A rejected volume counts as the wrong disk: the user is told so and asked again.
  void CopyLaterDisk(int disk) {
    const std::string path = VolumePath(disk);
    bool rejected = false;
    while (AwaitDisk(disk, path, rejected)) {
      const FileHandle volume = OpenVolume(path);
      if (volume == kInvalidFile) return;
      const VolumeOutcome outcome = CopyVolume(volume, disk, path);
      os_.Close(volume);
      if (outcome != VolumeOutcome::kRejected) return;
      rejected = true;
      ShowOwnedMessage(setup_, dialog_, setup_.product.wrongDiskText, "", kMbOk);
    }
  }

  // Asks for the disk while its volume file is missing, and once more after
  // its volume was rejected. OK without the file: the wrong-disk message, then
  // the prompt again. Any other answer gives up, unless the file has turned
  // up (and no volume of this disk was rejected). False when the pass is to stop.
  bool AwaitDisk(int disk, const std::string& path, bool rejected) {
    bool askAnyway = rejected;
    while (KeepGoing() && (askAnyway || !FilePresent(os_, path))) {
      if (!askAnyway) {
        setup_.log.Write("Volume " + std::to_string(disk) + " is not at " + path + ": disk " +
                         std::to_string(disk) + " is asked for");
      }
      askAnyway = false;
      const int answer = ShowOwnedMessage(setup_, dialog_, DiskPrompt(disk),
                                          setup_.product.displayName, kMbOkCancel);
      if (answer == kIdOk) {
        if (!FilePresent(os_, path)) {
          ShowOwnedMessage(setup_, dialog_, setup_.product.wrongDiskText, "", kMbOk);
        }
      } else if (rejected || !FilePresent(os_, path)) {
        setup_.state.keepGoing = 0;
        setup_.state.userCancelled = true;
      }
    }
    return KeepGoing();
  }

  // The copy loop: blocks of 2048 bytes appended as read, the gauge and the
  // pump after each; keepGoing is tested before each block.
  VolumeOutcome CopyVolume(FileHandle volume, int disk, const std::string& path) {
    const int64_t start = copiedBytes_;
    VolumeCheck check(setup_.media, disk);
    while (KeepGoing()) {
      const auto count = os_.Read(volume, block_.data(), kCopyBlockSize);
      if (!count) {
        Fail(FileProblem(path, "could not be read."));
        return VolumeOutcome::kFailed;
      }
      if (*count == 0) break;
      if (check.WouldOverrun(*count)) {
        check.Add(block_.data(), *count);
        return Reject(start, disk, path, check);
      }
      if (!Append(*count)) return VolumeOutcome::kFailed;
      check.Add(block_.data(), *count);
      ShowProgress();
      os_.PumpMessages();
    }
    if (!KeepGoing()) return VolumeOutcome::kDone;
    if (!check.Matches()) return Reject(start, disk, path, check);
    LogVolume(disk, path, check);
    return VolumeOutcome::kDone;
  }

  void LogVolume(int disk, const std::string& path, const VolumeCheck& check) {
    setup_.log.Write("Volume " + std::to_string(disk) + " " + path + ": " + check.Report());
  }

  bool Append(uint32_t count) {
    const auto written = os_.Write(package_, block_.data(), count);
    if (written && *written == count) {
      copiedBytes_ += count;
      return true;
    }
    const uint32_t error = written ? kErrorDiskFull : os_.LastError();
    const bool full = error == kErrorDiskFull || error == kErrorHandleDiskFull;
    Fail(full ? NoRoomFor(packagePath_) : FileProblem(packagePath_, "could not be written."));
    return false;
  }

  // Cuts the package file back to where the rejected volume began.
  VolumeOutcome Reject(int64_t volumeStart, int disk, const std::string& path,
                       const VolumeCheck& check) {
    LogVolume(disk, path, check);
    if (!os_.Seek(package_, volumeStart, SeekOrigin::kBegin) || !os_.Truncate(package_)) {
      Fail(FileProblem(packagePath_, "could not be written."));
      return VolumeOutcome::kFailed;
    }
    copiedBytes_ = volumeStart;
    return VolumeOutcome::kRejected;
  }

  // Paints only when the whole percentage changes, and never above 100.
  void ShowProgress() {
    SetupState& state = setup_.state;
    const int64_t total = setup_.media.expectedPackageSize;
    state.gaugePercent = GaugePercent(copiedBytes_, total);
    if (state.gaugePercent != state.gaugeLastPercent && state.gaugePercent <= 100) {
      DrawGauge(setup_, copiedBytes_, total);
    }
  }

  Setup& setup_;
  Platform& os_;
  DialogHost& dialog_;
  const std::string packagePath_;
  FileHandle package_ = kInvalidFile;
  int64_t copiedBytes_ = 0;
  std::vector<uint8_t> block_;
};

}  // namespace

std::string VolumeName(const std::string& firstVolume, int disk) {
  std::string name = firstVolume;
  for (int n = 2; n <= disk; ++n) name = ReplaceExtension(name, ".00" + std::to_string(n));
  return name;
}

void VolumeCopyDialog::RunPass(DialogHost& dialog) { VolumeCopy(setup_, dialog).Run(); }

}  // namespace qm
