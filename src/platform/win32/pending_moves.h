// The moves that Windows NT carries out at its next start: the REG_MULTI_SZ
// value PendingFileRenameOperations of HKLM\...\Session Manager, which
// MoveFileExA(MOVEFILE_DELAY_UNTIL_REBOOT) appends to. The value is a list of
// pairs, each a source entry and a target entry ending in a zero, and one
// more zero after the last pair:
//   source  "\??\" + the full path as it was given (an 8.3 alias stays 8.3,
//           a long name stays long, the letter case is kept)
//   target  the same form, preceded by "!" when the move may replace an
//           existing file; empty when the source is to be deleted
// Windows 95 keeps no such value. The value is read and written with the "A"
// calls, so an entry with a character outside the ANSI code page does not
// survive a rewrite unchanged.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qm {

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingMovesValue[] = "PendingFileRenameOperations";

// One pair of the list, its entries as stored.
struct PendingMove {
  std::string source;
  std::string target;
};

// The pairs of the value's bytes; the list ends at an empty source entry or
// at the end of the bytes, whichever comes first.
std::vector<PendingMove> SplitPendingMoves(const std::string& value);

// The form in which the list names a path: "\??\" + its full path
// (GetFullPathNameA), "\??\UNC\server\share\..." for a network path.
std::string NtPathForm(const std::string& path);

// Whether a stored entry names the path given in NtPathForm, without regard
// to letter case. A target entry's "!" is not part of the path; an empty
// entry names only an empty path (a deletion).
bool EntryNamesPath(const std::string& entry, const std::string& ntPath);
bool TargetNamesPath(const std::string& entry, const std::string& ntPath);

// The value of the open Session Manager key: ERROR_SUCCESS, or the registry
// error (ERROR_FILE_NOT_FOUND when nothing is scheduled, ERROR_INVALID_DATA
// when the value is no REG_MULTI_SZ).
LONG ReadPendingMoves(HKEY key, std::string& value);
// Writes the pairs back as the whole value; deletes the value when there are
// none, as Windows does once it has carried them out.
LONG StorePendingMoves(HKEY key, const std::vector<PendingMove>& moves);

}  // namespace qm
