#include "setup/install_log.h"

#include <cstdio>

#include "setup/failure_text.h"

namespace qm {

namespace {

// Each run of line breaks becomes one " / ", so that an event stays on its line.
std::string OnOneLine(const std::string& text) {
  std::string line;
  bool lastWasBreak = false;
  for (char c : text) {
    const bool lineBreak = c == '\r' || c == '\n';
    if (lineBreak && !lastWasBreak) line += " / ";
    if (!lineBreak) line += c;
    lastWasBreak = lineBreak;
  }
  return line;
}

}  // namespace

void InstallLog::Open(Platform& os, const std::string& path) {
  os_ = &os;
  path_ = path;
  start_ = os.Milliseconds();
  file_ = os.Open(path, kAccessWrite, kShareRead, FileCreation::kOpenAlways);
  if (file_ == kInvalidFile) return GiveUp("opened", os.LastError());
  if (!os.Seek(file_, 0, SeekOrigin::kEnd)) GiveUp("written", os.LastError());
}

void InstallLog::Write(const std::string& event) {
  if (file_ == kInvalidFile) return;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%7llu ms  ",
                static_cast<unsigned long long>(os_->Milliseconds() - start_));
  const std::string line = stamp + OnOneLine(event) + "\r\n";
  const auto size = static_cast<uint32_t>(line.size());
  const auto written = os_->Write(file_, line.data(), size);
  // A write that fell short leaves no error code of its own: the disk is full.
  if (written != size) GiveUp("written", written ? kErrorDiskFull : os_->LastError());
}

void InstallLog::Close() {
  if (file_ != kInvalidFile) os_->Close(file_);
  file_ = kInvalidFile;
}

std::optional<std::string> InstallLog::UntoldProblem() {
  if (problem_.empty() || told_) return std::nullopt;
  told_ = true;
  return problem_;
}

void InstallLog::GiveUp(const std::string& action, uint32_t error) {
  problem_ = FileProblem(*os_, path_, action, error);
  Close();
}

}  // namespace qm
