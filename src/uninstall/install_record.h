// The install record: a plain text file (UnInstal.Rec, beside UnInstal.Exe in
// the destination folder) in which the setup lists what the installation
// placed and what it changed, and from which the uninstaller removes the one
// and puts back the other. A later installation into the same folder merges
// its lines into the record, so that the record always describes the machine
// as it was before the first installation.
//
//   ; comment lines and blank lines are skipped
//   [Install record 1]
//   Destination=C:\Program Files\Kestrelon
//   Folder=C:\Program Files\Kestrelon
//   File=C:\Program Files\Kestrelon\Kestreln.Exe
//   ...
//   [End]
//
// A line is a keyword, "=" and its text; a shell line without "=" says that
// there was no shell value. Files outside the destination folder carry a
// stamp before their path: the CRC-32 of their content in eight hexadecimal
// digits and their size in bytes ("Help=1A2B3C4D 52311 C:\WINDOWS\Help\...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The record's file name, beside the uninstaller.
inline constexpr char kInstallRecordName[] = "UnInstal.Rec";
inline constexpr char kUninstallerName[] = "UnInstal.Exe";

enum class RecordItem {
  kFolder,          // Folder=PATH: a folder the installation created
  kFile,            // File=PATH: a file placed where there was none
  kReplacedFile,    // Replaced=PATH: a file placed over an earlier one
  kPendingFile,     // Pending=PATH: a file under its temporary name, put in place at the next start
  kHelpFile,        // Help=STAMP PATH: a help file placed in Windows' Help folder where there was none
  kShortcut,        // Shortcut=STAMP PATH: the Start-menu shortcut
  kDriver,          // Driver=STAMP PATH: the driver copied into the drivers folder
  kTaskManager,     // TaskManager=STAMP PATH: the product's Task Manager; the Windows one is TaskMang.Exe
  kNewTaskManager,  // NewTaskManager=STAMP PATH: the product's Task Manager where Windows had none
  kRegistration,    // Registration=STAMP PATH: Kestreln.Reg in the Windows folder, where there was none
  kUninstallEntry,  // UninstallEntry=KEY: the uninstall entry's key
  kCreatedKey,      // CreatedKey=KEY: a registry key the installation created
  kSystemIniShell,  // SystemIniShell=VALUE: SYSTEM.INI's earlier shell= (no "=": there was none)
  kWinlogonShell,   // WinlogonShell=VALUE: the earlier Winlogon Shell (no "=": there was none)
  kWinInit,         // WinInit=PATH: WinInit.Ini, which the installation created
};

// What a file outside the destination folder held when the setup placed it.
struct FileStamp {
  uint32_t crc = 0;
  uint32_t size = 0;
  bool operator==(const FileStamp& other) const { return crc == other.crc && size == other.size; }
  bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

struct RecordEntry {
  RecordItem item = RecordItem::kFile;
  std::string text;   // a path, a key ("HKEY_LOCAL_MACHINE\..."), or an earlier shell value
  bool absent = false;  // shell lines: there was no value
  std::optional<FileStamp> stamp;
  // Merging: only gives an earlier line on the same thing its stamp (a file
  // that was there before this run, placed by an earlier installation).
  bool restampsOnly = false;
};

struct InstallRecord {
  std::string destination;
  std::vector<RecordEntry> entries;
};

// Adds `entry` to the record. When the record already holds a line on the
// same thing, that line keeps what it says of the machine before (a file
// placed where there was none stays so, an earlier shell value stays the
// first one) and only takes the newer stamp.
void MergeEntry(InstallRecord& record, const RecordEntry& entry);
// Merges every entry of `later` into `record`.
void MergeRecord(InstallRecord& record, const InstallRecord& later);

// The record's text, lines ending in CR LF.
std::string FormatRecord(const InstallRecord& record, const std::string& displayName);
// One entry as its line, without the line end.
std::string FormatEntry(const RecordEntry& entry);

// What a record's text holds: the record, or why the text is no record (it
// lacks its first or last line, or names no destination), and the lines that
// are no record line, as they stand.
struct RecordReading {
  std::optional<InstallRecord> record;
  std::string damage;
  std::vector<std::string> unreadableLines;
};
RecordReading ParseRecord(const std::string& text);

}  // namespace qm
