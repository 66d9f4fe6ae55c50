// WinInit.Ini in the Windows folder: the "[Rename]" lines by which Windows 95
// puts files that were in use in place at its next start. Lines that another
// program or an earlier run left pending in the file are kept; this run's
// lines are added to the end of its [Rename] section. On Windows NT, which
// ignores the file, each line is also scheduled with MoveFileEx.
//
// The file is never rewritten in place: a new one is written beside it and
// renamed over it, so that a failure at any point leaves the earlier file.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qm {

class WinInitFile {
 public:
  // Reads what the file holds. A missing file, or one without a [Rename]
  // section, is written at once with the section added.
  void Open(Platform& os, const std::string& path);
  // Adds the line target=source: at the next start `source` replaces `target`.
  void AddRenameLine(const std::string& target, const std::string& source);
  // Adds the line NUL=path: at the next start `path` is deleted.
  void AddDeletionLine(const std::string& path);
  // Lines added by this run so far; DropLinesFrom takes back those after the
  // first `count` that are not committed yet.
  size_t LineCount() const { return lines_.size(); }
  void DropLinesFrom(size_t count);
  // True when an earlier line replaces `path` at the next start with a file
  // that is still there.
  bool HasPendingReplacement(const std::string& path);
  // True when a line, earlier or of this run, names `path` on either side.
  bool NamesFile(const std::string& path);
  // Schedules the new lines on Windows NT and writes the file with every line
  // added so far. False when either fails; then nothing is changed, the new
  // lines stay added but uncommitted, and `lastError` tells why.
  bool Commit();
  uint32_t lastError() const { return lastError_; }
  const std::string& path() const { return path_; }
  void Flush() { Commit(); }
  void Close();

 private:
  struct RenameLine {
    std::string target, source;  // target "NUL": a deletion
    bool scheduled = false;      // handed to MoveFileEx already
  };

  bool WriteBeside(const std::string& content);
  bool ScheduleNewLines();
  void CancelScheduledFrom(size_t first);
  // A path in one form for comparing: its 8.3 form, upper-cased.
  std::string Comparable(const std::string& path);

  Platform* os_ = nullptr;
  std::string path_;
  std::string head_;  // the file up to the end of its [Rename] section
  std::string tail_;  // the sections after it
  bool unreadable_ = false;
  bool sectionWritten_ = false;
  std::vector<RenameLine> earlier_;  // the lines the file held at Open
  std::vector<RenameLine> lines_;    // this run's lines
  size_t committed_ = 0;             // of lines_, those in the file
  uint32_t lastError_ = 0;
};

}  // namespace qm
