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
  // same replacement is also scheduled with MoveFileEx for the next start.
  void AddRenameLine(const std::string& target, const std::string& source);
  // Writes the file with every line added so far.
  void Flush();
  void Close();

 private:
  Platform* os_ = nullptr;
  std::string path_;
  std::string head_;  // the file up to the end of its [Rename] section
  std::string tail_;  // the sections after it
  std::vector<std::string> lines_;
};

}  // namespace qm
