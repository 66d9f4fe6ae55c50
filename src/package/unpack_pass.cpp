#include "package/unpack_pass.h"

#include <algorithm>
#include <cstring>

#include "package/crc32.h"
#include "package/lzh/lzh_decoder.h"
#include "package/scoped_file.h"
#include "package/split.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kTemporaryExtension[] = ".$$$";

// How the decode of the package file ended.
enum class DecodeEnd { kComplete, kCancelled, kDamaged };

// The 8.3 form of a path, or the path itself when the call fails.
std::string ShortOrFull(Platform& os, const std::string& path) {
  return os.ShortPath(path).value_or(path);
}

// The decoder's input: the package file in blocks of kUnpackBlockSize bytes.
// Messages are pumped once per block read, which keeps the dialog painted and
// lets a cancel take effect within one block, at a fraction of the cost of a
// pump per byte.
class PackageBlocks {
 public:
  PackageBlocks(Setup& setup, FileHandle file) : setup_(setup), file_(file) {}

  // Nothing once keepGoing is 0, at the end of the file and on a read error.
  size_t Pull(const uint8_t*& block) {
    SetupState& state = setup_.state;
    block = state.readBuffer.data();
    if (state.keepGoing == 0) return 0;
    const uint32_t count =
        setup_.os.Read(file_, state.readBuffer.data(), kUnpackBlockSize).value_or(0);
    bytesRead_ += count;
    setup_.os.PumpMessages();
    return state.keepGoing != 0 ? count : 0;
  }

  uint64_t bytesRead() const { return bytesRead_; }

 private:
  Setup& setup_;
  FileHandle file_;
  uint64_t bytesRead_ = 0;
};

// The decoder's output: the joined file, written in blocks of
// kUnpackBlockSize bytes. The gauge moves after each full block. Bytes past
// unpackTotal (the rest of a final match of a damaged stream) are dropped.
// A block that can't be written in full clears keepGoing, which stops the
// decode.
class JoinedFileBlocks {
 public:
  JoinedFileBlocks(Setup& setup, FileHandle file)
      : setup_(setup), file_(file), remaining_(std::max<int32_t>(setup.state.unpackTotal, 0)) {}

  void TakeRun(const uint8_t* bytes, size_t count) {
    count = static_cast<size_t>(std::min<uint64_t>(count, remaining_));
    remaining_ -= count;
    crc_ = Crc32Update(crc_, bytes, count);
    uint8_t* const buffer = setup_.state.writeBuffer.data();
    while (count != 0) {
      const size_t part = std::min<size_t>(count, kUnpackBlockSize - used_);
      std::memcpy(buffer + used_, bytes, part);
      used_ += static_cast<uint32_t>(part);
      bytes += part;
      count -= part;
      if (used_ == kUnpackBlockSize && WriteBlock()) MoveGauge();
    }
  }

  // Writes the last, partial block.
  void WriteRest() { WriteBlock(); }

  bool writeFailed() const { return writeFailed_; }
  uint32_t crc() const { return crc_; }

 private:
  // True when the block was written; after a cancel nothing more is.
  bool WriteBlock() {
    const uint32_t count = used_;
    used_ = 0;
    SetupState& state = setup_.state;
    if (state.keepGoing == 0) return false;
    const auto written = setup_.os.Write(file_, state.writeBuffer.data(), count);
    if (written != count) {
      writeFailed_ = true;
      state.keepGoing = 0;
      return false;
    }
    bytesWritten_ += count;
    return true;
  }

  void MoveGauge() {
    SetupState& state = setup_.state;
    state.gaugePercent = GaugePercent(bytesWritten_, state.unpackTotal);
    if (state.gaugePercent != state.gaugeLastPercent) {
      DrawGauge(setup_, bytesWritten_, state.unpackTotal);
    }
  }

  Setup& setup_;
  FileHandle file_;
  uint64_t remaining_;
  uint32_t used_ = 0;
  int64_t bytesWritten_ = 0;
  uint32_t crc_ = 0;
  bool writeFailed_ = false;
};

// True when the media record holds no stream check, or the decoded stream matches it.
bool MatchesRecordedStream(const MediaRecord& media, int32_t length, uint32_t crc) {
  if (!media.StreamRecorded()) return true;
  return media.streamLength == static_cast<uint32_t>(length) && media.streamCrc == crc;
}

DecodeEnd DecodeIntoJoinedFile(Setup& setup, FileHandle package, FileHandle joined) {
  SetupState& state = setup.state;
  PackageBlocks input(setup, package);
  JoinedFileBlocks output(setup, joined);
  const LzhBlockResult result = LzhDecodeBlocks(state.unpackTotal, input, output, state.keepGoing);
  if (state.keepGoing != 0) output.WriteRest();
  if (output.writeFailed()) return DecodeEnd::kDamaged;
  if (state.keepGoing == 0) return DecodeEnd::kCancelled;
  // The decoder fetches one byte ahead of the bits it uses; a further byte
  // means that it went on with zero bits past the end of the package file.
  if (result.bytesFetched > input.bytesRead() + 1) return DecodeEnd::kDamaged;
  if (!MatchesRecordedStream(setup.media, state.unpackTotal, output.crc())) {
    return DecodeEnd::kDamaged;
  }
  return DecodeEnd::kComplete;
}

void ReportUnpackFailure(Setup& setup) {
  setup.os.ShowMessage(kNoWindow, kUnpackFailedText, kUnpackFailedCaption, kMbOk);
  setup.state.keepGoing = 0;
}

// Creates the joined file under mainProgram or, when an earlier main program
// is there, under its temporary name, with the rename line that puts it in
// place at the next start of Windows; mainProgram keeps that name for the
// rest of the run. When the file can't be created, an existing one of that
// name is opened for writing instead. kInvalidFile when neither works.
FileHandle CreateJoinedFile(Setup& setup) {
  Platform& os = setup.os;
  const std::string& folder = setup.state.destinationFolder;
  std::string& mainProgram = setup.product.mainProgram;
  const std::string earlier = JoinPath(folder, mainProgram);
  const bool replacing = FilePresent(os, earlier);
  const std::string replaced = replacing ? ShortOrFull(os, earlier) : std::string();
  if (replacing) mainProgram = ReplaceExtension(mainProgram, kTemporaryExtension);
  const std::string path = JoinPath(folder, mainProgram);
  FileHandle file = os.Open(path, kAccessReadWrite, kShareNone, FileCreation::kCreateAlways);
  if (file == kInvalidFile) {
    file = os.Open(path, kAccessWrite, kShareRead | kShareWrite, FileCreation::kOpenExisting);
  }
  if (file == kInvalidFile) return file;
  // Whether created or overwritten, the file now holds this run's work only:
  // an abandoned run must not leave it to be put in place.
  setup.state.mainProgramCreated = true;
  if (replacing) setup.winInit.AddRenameLine(replaced, ShortOrFull(os, path));
  return file;
}

// Decodes the package file into the joined file and deletes the package
// file, also after a cancel or a failure.
void UnpackPackageFile(Setup& setup, FileHandle joined) {
  Platform& os = setup.os;
  const std::string package =
      JoinPath(setup.state.destinationFolder, setup.product.packageFileName);
  if (!FilePresent(os, package)) return ReportUnpackFailure(setup);
  ScopedFile input(os, os.Open(package, kAccessRead, kShareRead | kShareWrite,
                               FileCreation::kOpenExisting));
  if (!input.IsOpen()) {
    setup.state.keepGoing = 0;
    return;
  }
  const DecodeEnd end = DecodeIntoJoinedFile(setup, input.handle(), joined);
  input.Close();
  os.Delete(package);
  if (end == DecodeEnd::kDamaged) ReportUnpackFailure(setup);
}

void FreeDirectory(SetupState& state) {
  state.directoryHead.reset();
  state.directoryTail = nullptr;
}

}  // namespace

void RunUnpackPass(Setup& setup) {
  SetupState& state = setup.state;
  {
    ScopedFile joined(setup.os, CreateJoinedFile(setup));
    if (joined.IsOpen()) {
      UnpackPackageFile(setup, joined.handle());
    } else {
      state.keepGoing = 0;
    }
  }
  if (state.keepGoing != 0 && !SplitJoinedFile(setup)) state.keepGoing = 0;
  FreeDirectory(state);
}

void UnpackDialog::RunPass(DialogHost&) { RunUnpackPass(setup_); }

}  // namespace qm
