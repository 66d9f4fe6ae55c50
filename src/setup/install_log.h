// The installation log (/LOG=FILE): plain text, one line per event, each
// line beginning with the milliseconds since the log was opened. The file is
// opened once for appending and every line is written to it at once, so a
// run that ends unexpectedly leaves every line up to its end. The log never
// decides anything: when it can't be written it is given up, and the
// installation goes on as it would without it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace qm {

class InstallLog {
 public:
  InstallLog() = default;
  ~InstallLog() { Close(); }
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  // Opens the file for appending, creating it when missing.
  void Open(Platform& os, const std::string& path);
  // One event; line breaks in it become " / ". Nothing without an open log.
  void Write(const std::string& event);
  void Close();

  // Why the log could not be written, the first time this is asked after
  // it failed; nothing before that and ever after.
  std::optional<std::string> UntoldProblem();

 private:
  void GiveUp(const std::string& action, uint32_t error);

  Platform* os_ = nullptr;
  std::string path_;
  FileHandle file_ = kInvalidFile;
  uint64_t start_ = 0;
  std::string problem_;
  bool told_ = false;
};

}  // namespace qm
