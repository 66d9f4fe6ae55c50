#include "uninstall/win_init_cleanup.h"

#include "transport/path_helpers.h"
#include "uninstall/record_file.h"

namespace qm {

namespace {

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsRenameHeader(const std::string& line) { return UpperCase(Trimmed(line)) == "[RENAME]"; }

// Each line with its line end, in order.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t next = text.find('\n', start);
    next = next == std::string::npos ? text.size() : next + 1;
    lines.push_back(text.substr(start, next - start));
    start = next;
  }
  return lines;
}

}  // namespace

uint32_t WithdrawRenameLines(Platform& os, const std::string& winInitPath,
                             const std::function<bool(const std::string& source)>& ours,
                             bool windowsNt) {
  uint32_t error = 0;
  const auto text = ReadWholeTextFile(os, winInitPath, error);
  if (!text) return IsNotFound(error) ? 0 : error;
  std::string kept;
  std::vector<std::pair<std::string, std::string>> withdrawn;  // target, source
  bool inRename = false;
  for (const auto& line : LinesOf(*text)) {
    const std::string trimmed = Trimmed(line);
    if (!trimmed.empty() && trimmed[0] == '[') inRename = IsRenameHeader(trimmed);
    const auto equals = trimmed.find('=');
    if (inRename && equals != std::string::npos && ours(Trimmed(trimmed.substr(equals + 1)))) {
      withdrawn.emplace_back(Trimmed(trimmed.substr(0, equals)),
                             Trimmed(trimmed.substr(equals + 1)));
      continue;
    }
    kept += line;
  }
  if (withdrawn.empty()) return 0;
  error = ReplaceFileText(os, winInitPath, kept, nullptr);
  if (error != 0 || !windowsNt) return error;
  for (const auto& [target, source] : withdrawn) {
    os.CancelScheduledMove(source, UpperCase(target) == "NUL" ? std::string() : target);
  }
  return 0;
}

bool HoldsNothing(const std::string& winInitText) {
  for (const auto& line : LinesOf(winInitText)) {
    const std::string trimmed = Trimmed(line);
    if (!trimmed.empty() && !IsRenameHeader(trimmed)) return false;
  }
  return true;
}

}  // namespace qm
