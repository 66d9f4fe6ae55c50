#include "package/unpack_pass.h"

#include <algorithm>
#include <cstring>

#include "package/crc32.h"
#include "package/lzh/lzh_decoder.h"
#include "package/scoped_file.h"
#include "package/split.h"
#include "package/staged_update.h"
#include "setup/failure_text.h"
#include "setup/user_messages.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

// How the decode of the package file ended.
enum class DecodeEnd { kComplete, kCancelled, kDamaged, kReadFailed, kWriteFailed };
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
    if (state.keepGoing == 0 || readError_ != 0) return 0;
    const auto read = setup_.os.Read(file_, state.readBuffer.data(), kUnpackBlockSize);
    if (!read) readError_ = setup_.os.LastError();
    const uint32_t count = read.value_or(0);
    bytesRead_ += count;
    setup_.os.PumpMessages();
    return state.keepGoing != 0 ? count : 0;
  }

  uint64_t bytesRead() const { return bytesRead_; }
  uint32_t readError() const { return readError_; }

 private:
  Setup& setup_;
  FileHandle file_;
  uint64_t bytesRead_ = 0;
  uint32_t readError_ = 0;
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

  bool writeFailed() const { return writeError_ != 0; }
  uint32_t writeError() const { return writeError_; }
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
      writeError_ = written ? kErrorDiskFull : setup_.os.LastError();
      if (writeError_ == 0) writeError_ = kErrorDiskFull;
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
  uint32_t writeError_ = 0;
};

// True when the media record holds no stream check, or the decoded stream matches it.
bool MatchesRecordedStream(const MediaRecord& media, int32_t length, uint32_t crc) {
  if (!media.StreamRecorded()) return true;
  return media.streamLength == static_cast<uint32_t>(length) && media.streamCrc == crc;
}

// What the decode ended with, the error of a failed read or write, and the
// package bytes it read.
struct Decoded {
  DecodeEnd end;
  uint32_t error = 0;
  uint64_t packageBytes = 0;
};

Decoded DecodeIntoJoinedFile(Setup& setup, FileHandle package, FileHandle joined) {
  SetupState& state = setup.state;
  PackageBlocks input(setup, package);
  JoinedFileBlocks output(setup, joined);
  const LzhBlockResult result = LzhDecodeBlocks(state.unpackTotal, input, output, state.keepGoing);
  if (state.keepGoing != 0 && input.readError() == 0) output.WriteRest();
  const uint64_t read = input.bytesRead();
  if (output.writeFailed()) return {DecodeEnd::kWriteFailed, output.writeError(), read};
  if (input.readError() != 0) return {DecodeEnd::kReadFailed, input.readError(), read};
  if (state.keepGoing == 0) return {DecodeEnd::kCancelled, 0, read};
  // The decoder fetches one byte ahead of the bits it uses; a further byte
  // means that it went on with zero bits past the end of the package file.
  if (result.bytesFetched > read + 1) return {DecodeEnd::kDamaged, 0, read};
  if (!MatchesRecordedStream(setup.media, state.unpackTotal, output.crc())) {
    return {DecodeEnd::kDamaged, 0, read};
  }
  return {DecodeEnd::kComplete, 0, read};
}

// Tells the user why the unpack failed; the sequence then says that the
// installation was terminated.
bool ReportUnpackFailure(Setup& setup, const std::string& text) {
  ShowMessage(setup, kNoWindow, text, kUnpackFailedCaption, kMbOk);
  return false;
}

std::string PackagePath(const Setup& setup) {
  return JoinPath(setup.state.destinationFolder, setup.product.packageFileName);
}

std::string MainProgramPath(const Setup& setup) {
  return JoinPath(setup.state.destinationFolder, setup.product.mainProgram);
}

// The main program's own length: the unpacked stream up to the first packed file.
int64_t MainProgramSize(const SetupState& state) {
  return state.directoryHead ? state.directoryHead->offset : state.unpackTotal;
}

std::string DecodeReport(const Decoded& decoded, int32_t unpackTotal, uint64_t milliseconds) {
  const std::string read = std::to_string(decoded.packageBytes) + " package bytes read";
  const std::string time = " in " + std::to_string(milliseconds) + " ms";
  if (decoded.end == DecodeEnd::kComplete) {
    return "Decoded " + std::to_string(unpackTotal) + " bytes from " + read + time;
  }
  if (decoded.end == DecodeEnd::kCancelled) return "Decode cancelled after " + read + time;
  return "Decode failed after " + read + time;
}

// Decodes the package file into the staged joined file, then deletes the
// package file, also after a cancel or a failure. False when the decode did
// not complete; every failure but a cancel has been told.
bool DecodePackage(Setup& setup, StagedUpdate& update) {
  Platform& os = setup.os;
  const std::string package = PackagePath(setup);
  ScopedFile joined(os, update.Create(MainProgramPath(setup), kAccessReadWrite,
                                      MainProgramSize(setup.state), true));
  if (!joined.IsOpen()) return ReportUnpackFailure(setup, update.problem());
  ScopedFile input(os, os.Open(package, kAccessRead, kShareRead | kShareWrite,
                               FileCreation::kOpenExisting));
  if (!input.IsOpen()) {
    return ReportUnpackFailure(setup, FileProblem(os, package, "opened", os.LastError()));
  }
  const uint64_t start = os.Milliseconds();
  const Decoded decoded = DecodeIntoJoinedFile(setup, input.handle(), joined.handle());
  setup.log.Write(DecodeReport(decoded, setup.state.unpackTotal, os.Milliseconds() - start));
  input.Close();
  os.Delete(package);
  switch (decoded.end) {
    case DecodeEnd::kComplete:
      return true;
    case DecodeEnd::kCancelled:
      return false;
    case DecodeEnd::kDamaged:
      return ReportUnpackFailure(setup, kUnpackFailedText);
    case DecodeEnd::kReadFailed:
      return ReportUnpackFailure(setup, FileProblem(os, package, "read", decoded.error));
    case DecodeEnd::kWriteFailed:
      return ReportUnpackFailure(setup,
                                 FileProblem(os, MainProgramPath(setup), "written", decoded.error));
  }
  return false;
}

// Stages every file of the product, then puts them all in place.
bool Unpack(Setup& setup) {
  if (!FilePresent(setup.os, PackagePath(setup))) {
    return ReportUnpackFailure(setup, kUnpackFailedText);
  }
  StagedUpdate update(setup);
  if (!DecodePackage(setup, update)) return false;
  const std::string problem = SplitJoinedFile(setup, update, update.StagedPath(0));
  if (!problem.empty()) return ReportUnpackFailure(setup, problem);
  if (!update.Commit()) return ReportUnpackFailure(setup, update.problem());
  return true;
}

// A package file that could not be deleted after the decode goes at the
// next start of Windows.
void DeleteLeftoverPackage(Setup& setup) {
  const std::string package = PackagePath(setup);
  if (!FilePresent(setup.os, package) || setup.os.Delete(package)) return;
  setup.log.Write("The package file " + package + " is deleted at the next start of Windows");
  setup.winInit.AddDeletionLine(ShortOrFull(setup.os, package));
  setup.winInit.Commit();
}

void FreeDirectory(SetupState& state) {
  state.directoryHead.reset();
  state.directoryTail = nullptr;
}

}  // namespace

void RunUnpackPass(Setup& setup) {
  SetupState& state = setup.state;
  if (Unpack(setup)) {
    DeleteLeftoverPackage(setup);
  } else {
    state.keepGoing = 0;
  }
  FreeDirectory(state);
}

void UnpackDialog::RunPass(DialogHost&) { RunUnpackPass(setup_); }

}  // namespace qm
