// WinInit.Ini in the Windows folder: the "[Rename]" lines by which Windows 95
// puts files that were in use in place at its next start. Lines that another
// program left pending in the file are kept; this run's lines are added to the
// end of its [Rename] section.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qm {

class WinInitFile {
 public:
  // Reads what the file holds, makes sure it has a [Rename] section and writes
  // it back at once. A fresh file starts with "[Rename]".
  void Open(Platform& os, const std::string& path);
  // Adds the line target=source. On Windows NT, which ignores WinInit.Ini, the
  // same replacement is also scheduled with MoveFileEx for the next start,
  // once the line is committed by Flush.
  void AddRenameLine(const std::string& target, const std::string& source);
  // Withdraws every line that names `path` on either side (compared without
  // regard to case), so that nothing at the next start of Windows refers to a
  // file the run is about to delete. A replacement already scheduled with
  // MoveFileEx can't be taken back; its line stays.
  void WithdrawRenameLines(const std::string& path);
  // Writes the file with every line added so far and, on Windows NT, schedules
  // the replacements that are not scheduled yet.
  void Flush();
  void Close();

 private:
  Platform* os_ = nullptr;
  std::string path_;
  std::string head_;  // the file up to the end of its [Rename] section
  std::string tail_;  // the sections after it
  struct RenameLine {
    std::string target, source;
    bool scheduled = false;  // handed to MoveFileEx already
  };

  void ScheduleReplacements();

  std::vector<RenameLine> lines_;
};

}  // namespace qm
