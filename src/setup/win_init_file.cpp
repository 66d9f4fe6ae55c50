#include "setup/win_init_file.h"

#include <algorithm>
#include <cstring>

#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kLineEnd[] = "\r\n";

std::string ReadWholeFile(Platform& os, const std::string& path) {
  std::string content;
  const FileHandle file = os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting);
  if (file == kInvalidFile) return content;
  char block[2048];
  while (const auto n = os.Read(file, block, sizeof block)) {
    if (*n == 0) break;
    content.append(block, *n);
  }
  os.Close(file);
  return content;
}

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsSectionHeader(const std::string& line) {
  const std::string text = Trimmed(line);
  return !text.empty() && text.front() == '[';
}

// Offset just behind the last non-blank line of the [Rename] section, or npos
// when the file has no such section.
std::string::size_type EndOfRenameSection(const std::string& content) {
  std::string::size_type end = std::string::npos;
  bool inside = false;
  for (std::string::size_type start = 0; start < content.size();) {
    auto next = content.find('\n', start);
    next = next == std::string::npos ? content.size() : next + 1;
    const std::string line = content.substr(start, next - start);
    if (IsSectionHeader(line)) inside = UpperCase(Trimmed(line)) == "[RENAME]";
    if (inside && (!Trimmed(line).empty() || end == std::string::npos)) end = next;
    start = next;
  }
  return end;
}

std::string WithLineEnd(std::string text) {
  if (!text.empty() && text.back() != '\n') text += kLineEnd;
  return text;
}

}  // namespace

void WinInitFile::Open(Platform& os, const std::string& path) {
  os_ = &os;
  path_ = path;
  const std::string content = ReadWholeFile(os, path);
  const auto end = EndOfRenameSection(content);
  if (end == std::string::npos) {
    head_ = WithLineEnd(content) + "[Rename]" + kLineEnd;
    tail_.clear();
  } else {
    head_ = WithLineEnd(content.substr(0, end));
    tail_ = content.substr(end);
  }
  Flush();
}

void WinInitFile::AddRenameLine(const std::string& target, const std::string& source) {
  lines_.push_back({target, source});
}

void WinInitFile::WithdrawRenameLines(const std::string& path) {
  const std::string name = UpperCase(path);
  const auto names = [&name](const RenameLine& line) {
    return !line.scheduled && (UpperCase(line.target) == name || UpperCase(line.source) == name);
  };
  lines_.erase(std::remove_if(lines_.begin(), lines_.end(), names), lines_.end());
}

void WinInitFile::Flush() {
  if (!os_) return;
  ScheduleReplacements();
  std::string content = head_;
  for (const auto& line : lines_) content += line.target + "=" + line.source + kLineEnd;
  content += tail_;
  const FileHandle file = os_->Open(path_, kAccessWrite, kShareNone, FileCreation::kCreateAlways);
  if (file == kInvalidFile) return;
  os_->Write(file, content.data(), static_cast<uint32_t>(content.size()));
  os_->Close(file);
}

void WinInitFile::ScheduleReplacements() {
  if (os_->Version().platformId != kPlatformWin32Nt) return;
  for (auto& line : lines_) {
    if (line.scheduled) continue;
    os_->Move(line.source, line.target, kMoveDelayUntilReboot | kMoveReplaceExisting);
    line.scheduled = true;
  }
}

void WinInitFile::Close() {
  Flush();
  os_ = nullptr;
}

}  // namespace qm
