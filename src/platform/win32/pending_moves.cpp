#include "platform/win32/pending_moves.h"

#include <algorithm>
#include <utility>

namespace qm {
namespace {

constexpr char kNtPrefix[] = "\\??\\";
constexpr char kNtNetworkPrefix[] = "\\??\\UNC\\";

// The entry at `offset` up to its zero (or the end of the bytes); `offset`
// moves past the zero.
std::string NextEntry(const std::string& value, size_t& offset) {
  const size_t end = std::min(value.find('\0', offset), value.size());
  std::string entry = value.substr(offset, end - offset);
  offset = end + 1;
  return entry;
}

// Capitals as the system's ANSI code page makes them (CharUpperBuffA), so
// that "é" and "É" are the same letter as they are to the file system.
std::string Capitals(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string FullPath(const std::string& path) {
  char* filePart = nullptr;
  std::string full(GetFullPathNameA(path.c_str(), 0, nullptr, &filePart), '\0');
  if (full.empty()) return path;
  const DWORD length =
      GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  return full;
}

}  // namespace

std::vector<PendingMove> SplitPendingMoves(const std::string& value) {
  std::vector<PendingMove> moves;
  size_t offset = 0;
  while (offset < value.size()) {
    PendingMove move;
    move.source = NextEntry(value, offset);
    if (move.source.empty()) break;
    // A deletion's empty target is a zero right after the source's zero.
    if (offset < value.size()) move.target = NextEntry(value, offset);
    moves.push_back(std::move(move));
  }
  return moves;
}

std::string NtPathForm(const std::string& path) {
  const std::string full = FullPath(path);
  if (full.compare(0, 2, "\\\\") == 0) return kNtNetworkPrefix + full.substr(2);
  return kNtPrefix + full;
}

bool EntryNamesPath(const std::string& entry, const std::string& ntPath) {
  return entry.size() == ntPath.size() && Capitals(entry) == Capitals(ntPath);
}

bool TargetNamesPath(const std::string& entry, const std::string& ntPath) {
  const bool replaces = !entry.empty() && entry[0] == '!';
  return EntryNamesPath(replaces ? entry.substr(1) : entry, ntPath);
}

LONG ReadPendingMoves(HKEY key, std::string& value) {
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, kPendingMovesValue, nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_MULTI_SZ) return ERROR_INVALID_DATA;
  value.assign(size, '\0');
  status = RegQueryValueExA(key, kPendingMovesValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(value.data()), &size);
  value.resize(status == ERROR_SUCCESS ? size : 0);
  return status;
}

LONG StorePendingMoves(HKEY key, const std::vector<PendingMove>& moves) {
  if (moves.empty()) return RegDeleteValueA(key, kPendingMovesValue);
  std::string value;
  for (const PendingMove& move : moves) {
    value.append(move.source).push_back('\0');
    value.append(move.target).push_back('\0');
  }
  value.push_back('\0');  // the end of the list
  return RegSetValueExA(key, kPendingMovesValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(value.data()),
                        static_cast<DWORD>(value.size()));
}

}  // namespace qm
