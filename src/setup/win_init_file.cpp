#include "setup/win_init_file.h"

#include <algorithm>

#include "setup/temporary_names.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kNul[] = "NUL";

// The whole file; "" for a missing one; nothing when it is there but can't be read.
std::optional<std::string> ReadWholeFile(Platform& os, const std::string& path) {
  const FileHandle file = os.Open(path, kAccessRead, kShareRead, FileCreation::kOpenExisting);
  if (file == kInvalidFile) {
    const uint32_t error = os.LastError();
    if (error == kErrorFileNotFound) return std::string();
    return std::nullopt;
  }
  std::string content;
  char block[2048];
  bool failed = false;
  for (;;) {
    const auto n = os.Read(file, block, sizeof block);
    if (!n) failed = true;
    if (!n || *n == 0) break;
    content.append(block, *n);
  }
  os.Close(file);
  if (failed) return std::nullopt;
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

template <typename EachLine>
void ForEachLine(const std::string& content, EachLine each) {
  for (std::string::size_type start = 0; start < content.size();) {
    auto next = content.find('\n', start);
    next = next == std::string::npos ? content.size() : next + 1;
    each(content.substr(start, next - start), next);
    start = next;
  }
}

// Offset just behind the last non-blank line of the [Rename] section, or npos
// when the file has no such section.
std::string::size_type EndOfRenameSection(const std::string& content) {
  std::string::size_type end = std::string::npos;
  bool inside = false;
  ForEachLine(content, [&](const std::string& line, std::string::size_type next) {
    if (IsSectionHeader(line)) inside = UpperCase(Trimmed(line)) == "[RENAME]";
    if (inside && (!Trimmed(line).empty() || end == std::string::npos)) end = next;
  });
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
  earlier_.clear();
  lines_.clear();
  committed_ = 0;
  const auto content = ReadWholeFile(os, path);
  unreadable_ = !content;
  if (unreadable_) return;  // left alone: no line of this run can be added to it
  const auto end = EndOfRenameSection(*content);
  sectionWritten_ = end != std::string::npos;
  if (!sectionWritten_) {
    head_ = WithLineEnd(*content) + "[Rename]" + kLineEnd;
    tail_.clear();
    Commit();
    return;
  }
  head_ = WithLineEnd(content->substr(0, end));
  tail_ = content->substr(end);
  bool inside = false;
  ForEachLine(head_, [&](const std::string& line, std::string::size_type) {
    if (IsSectionHeader(line)) inside = UpperCase(Trimmed(line)) == "[RENAME]";
    const auto equals = line.find('=');
    if (!inside || IsSectionHeader(line) || equals == std::string::npos) return;
    earlier_.push_back({Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)), true});
  });
}

void WinInitFile::AddRenameLine(const std::string& target, const std::string& source) {
  lines_.push_back({target, source});
}

void WinInitFile::AddDeletionLine(const std::string& path) { lines_.push_back({kNul, path}); }

void WinInitFile::DropLinesFrom(size_t count) {
  if (count < committed_) count = committed_;
  if (count < lines_.size()) lines_.resize(count);
}

std::string WinInitFile::Comparable(const std::string& path) {
  if (const auto shortPath = os_->ShortPath(path)) return UpperCase(*shortPath);
  std::string folder = FolderPart(path);
  const std::string name = path.substr(folder.size());
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return UpperCase(JoinPath(os_->ShortPath(folder).value_or(folder), name));
}

// A replacement that can't be told to be gone counts as pending: waiting
// for the next start is always safe.
bool WinInitFile::HasPendingReplacement(const std::string& path) {
  if (!os_ || earlier_.empty()) return false;
  const std::string wanted = Comparable(path);
  return std::any_of(earlier_.begin(), earlier_.end(), [&](const RenameLine& line) {
    return UpperCase(line.target) != kNul && Comparable(line.target) == wanted &&
           Exists(*os_, line.source).value_or(true);
  });
}

// Windows NT never carries out the file's lines (the scheduled moves do the
// work), so there an earlier line whose file is gone holds no name: without
// that, names would stay taken for good by the lines of every earlier update.
bool WinInitFile::NamesFile(const std::string& path) {
  if (!os_ || (earlier_.empty() && lines_.empty())) return false;
  const std::string wanted = Comparable(path);
  const auto names = [&](const RenameLine& line) {
    return Comparable(line.source) == wanted ||
           (UpperCase(line.target) != kNul && Comparable(line.target) == wanted);
  };
  const bool windowsNt = os_->Version().platformId == kPlatformWin32Nt;
  const auto holdsName = [&](const RenameLine& line) {
    return names(line) && (!windowsNt || Exists(*os_, line.source).value_or(true));
  };
  return std::any_of(earlier_.begin(), earlier_.end(), holdsName) ||
         std::any_of(lines_.begin(), lines_.end(), names);
}

bool WinInitFile::Commit() {
  // A file that could not be read is left alone while there is nothing to add.
  if (!os_ || ((sectionWritten_ || unreadable_) && committed_ == lines_.size())) return true;
  if (unreadable_) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  const size_t firstNew = committed_;
  if (!ScheduleNewLines()) return false;
  std::string content = head_;
  for (const auto& line : lines_) content += line.target + "=" + line.source + kLineEnd;
  content += tail_;
  if (!WriteBeside(content)) {
    CancelScheduledFrom(firstNew);
    return false;
  }
  sectionWritten_ = true;
  committed_ = lines_.size();
  return true;
}

// Writes `content` into a new file beside WinInit.Ini and renames it over the
// file; the new file is removed again when either step fails.
bool WinInitFile::WriteBeside(const std::string& content) {
  const FreeName beside = CreateUniqueFile(*os_, path_, ".$$$", kAccessWrite, nullptr);
  if (beside.file == kInvalidFile) {
    lastError_ = beside.error;
    return false;
  }
  const auto size = static_cast<uint32_t>(content.size());
  const auto written = os_->Write(beside.file, content.data(), size);
  if (written != size) lastError_ = written ? kErrorDiskFull : os_->LastError();
  os_->Close(beside.file);
  if (written == size && os_->Move(beside.path, path_, kMoveReplaceExisting)) return true;
  if (written == size) lastError_ = os_->LastError();
  os_->Delete(beside.path);
  return false;
}

bool WinInitFile::ScheduleNewLines() {
  if (os_->Version().platformId != kPlatformWin32Nt) return true;
  for (size_t i = committed_; i < lines_.size(); ++i) {
    RenameLine& line = lines_[i];
    if (line.scheduled) continue;
    const bool deletion = line.target == kNul;
    const uint32_t flags = kMoveDelayUntilReboot | (deletion ? 0 : kMoveReplaceExisting);
    if (!os_->Move(line.source, deletion ? std::string() : line.target, flags)) {
      lastError_ = os_->LastError();
      CancelScheduledFrom(committed_);
      return false;
    }
    line.scheduled = true;
  }
  return true;
}

void WinInitFile::CancelScheduledFrom(size_t first) {
  for (size_t i = first; i < lines_.size(); ++i) {
    RenameLine& line = lines_[i];
    if (!line.scheduled) continue;
    os_->CancelScheduledMove(line.source, line.target == kNul ? std::string() : line.target);
    line.scheduled = false;
  }
}

void WinInitFile::Close() {
  Commit();
  os_ = nullptr;
}

}  // namespace qm
