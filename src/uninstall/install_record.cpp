#include "uninstall/install_record.h"

#include <algorithm>
#include <cstdio>

#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kFirstLine[] = "[Install record 1]";
constexpr char kLastLine[] = "[End]";
constexpr char kDestinationKeyword[] = "Destination";
constexpr char kLineEnd[] = "\r\n";

struct ItemSpelling {
  RecordItem item;
  const char* keyword;
  bool stamped;
};

constexpr ItemSpelling kSpellings[] = {
    {RecordItem::kFolder, "Folder", false},
    {RecordItem::kFile, "File", false},
    {RecordItem::kReplacedFile, "Replaced", false},
    {RecordItem::kPendingFile, "Pending", false},
    {RecordItem::kHelpFile, "Help", true},
    {RecordItem::kShortcut, "Shortcut", true},
    {RecordItem::kDriver, "Driver", true},
    {RecordItem::kTaskManager, "TaskManager", true},
    {RecordItem::kNewTaskManager, "NewTaskManager", true},
    {RecordItem::kRegistration, "Registration", true},
    {RecordItem::kUninstallEntry, "UninstallEntry", false},
    {RecordItem::kCreatedKey, "CreatedKey", false},
    {RecordItem::kSystemIniShell, "SystemIniShell", false},
    {RecordItem::kWinlogonShell, "WinlogonShell", false},
    {RecordItem::kWinInit, "WinInit", false},
};

const ItemSpelling& SpellingOf(RecordItem item) {
  return *std::find_if(std::begin(kSpellings), std::end(kSpellings),
                       [item](const ItemSpelling& spelling) { return spelling.item == item; });
}

const ItemSpelling* SpellingOf(const std::string& keyword) {
  const std::string wanted = UpperCase(keyword);
  for (const auto& spelling : kSpellings) {
    if (UpperCase(spelling.keyword) == wanted) return &spelling;
  }
  return nullptr;
}

bool IsShell(RecordItem item) {
  return item == RecordItem::kSystemIniShell || item == RecordItem::kWinlogonShell;
}

// Lines on the same thing share a slot: the files in their places, whatever
// was there before; the Task Manager, whether or not Windows had one; each
// shell value. One slot holds one line.
int SlotOf(RecordItem item) {
  switch (item) {
    case RecordItem::kReplacedFile:
    case RecordItem::kHelpFile:
      return static_cast<int>(RecordItem::kFile);
    case RecordItem::kNewTaskManager:
      return static_cast<int>(RecordItem::kTaskManager);
    default:
      return static_cast<int>(item);
  }
}

bool SameThing(const RecordEntry& a, const RecordEntry& b) {
  if (SlotOf(a.item) != SlotOf(b.item)) return false;
  return IsShell(a.item) || UpperCase(a.text) == UpperCase(b.text);
}

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> SignificantLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trimmed(text.substr(start, end - start));
    if (!line.empty() && line[0] != ';') lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The value of hexadecimal or decimal digits, all of them checked already.
uint64_t ValueOf(const std::string& digits, unsigned base) {
  uint64_t value = 0;
  for (const char c : digits) {
    const unsigned digit = c <= '9' ? c - '0' : (UpperCase(std::string(1, c))[0] - 'A' + 10);
    value = value * base + digit;
  }
  return value;
}

std::string StampText(const FileStamp& stamp) {
  char text[32];
  std::snprintf(text, sizeof text, "%08lX %lu ", static_cast<unsigned long>(stamp.crc),
                static_cast<unsigned long>(stamp.size));
  return text;
}

// "CRC SIZE PATH": the stamp into `stamp`, the path into `path`.
bool SplitStamp(const std::string& text, FileStamp& stamp, std::string& path) {
  const auto space = text.find(' ');
  const auto second = space == std::string::npos ? space : text.find(' ', space + 1);
  if (space != 8 || second == std::string::npos || second == space + 1) return false;
  const std::string crc = text.substr(0, 8), size = text.substr(space + 1, second - space - 1);
  if (crc.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
      size.size() > 10 || size.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const uint64_t bytes = ValueOf(size, 10);
  if (bytes > 0xFFFFFFFFull) return false;
  stamp.crc = static_cast<uint32_t>(ValueOf(crc, 16));
  stamp.size = static_cast<uint32_t>(bytes);
  path = Trimmed(text.substr(second + 1));
  return !path.empty();
}

// The entry a line gives, or nothing when it is no record line.
std::optional<RecordEntry> EntryOf(const std::string& line) {
  const auto equals = line.find('=');
  const ItemSpelling* spelling = SpellingOf(Trimmed(line.substr(0, equals)));
  if (!spelling) return std::nullopt;
  RecordEntry entry;
  entry.item = spelling->item;
  if (equals == std::string::npos) {
    if (!IsShell(entry.item)) return std::nullopt;
    entry.absent = true;
    return entry;
  }
  const std::string text = line.substr(equals + 1);
  if (spelling->stamped) {
    FileStamp stamp;
    if (!SplitStamp(Trimmed(text), stamp, entry.text)) return std::nullopt;
    entry.stamp = stamp;
    return entry;
  }
  entry.text = Trimmed(text);
  if (entry.text.empty() && !IsShell(entry.item)) return std::nullopt;
  return entry;
}

}  // namespace

void MergeEntry(InstallRecord& record, const RecordEntry& entry) {
  const auto earlier = std::find_if(record.entries.begin(), record.entries.end(),
                                    [&](const RecordEntry& line) { return SameThing(line, entry); });
  if (earlier == record.entries.end()) {
    if (!entry.restampsOnly) record.entries.push_back(entry);
  } else if (entry.stamp) {
    earlier->stamp = entry.stamp;
  }
}

void MergeRecord(InstallRecord& record, const InstallRecord& later) {
  for (const auto& entry : later.entries) MergeEntry(record, entry);
}

std::string FormatEntry(const RecordEntry& entry) {
  const ItemSpelling& spelling = SpellingOf(entry.item);
  if (entry.absent) return spelling.keyword;
  const std::string stamp = spelling.stamped ? StampText(entry.stamp.value_or(FileStamp{})) : "";
  return std::string(spelling.keyword) + "=" + stamp + entry.text;
}

std::string FormatRecord(const InstallRecord& record, const std::string& displayName) {
  std::string text = "; What the setup of " + displayName +
                     " placed and changed on this computer, for UnInstal.Exe" + kLineEnd +
                     "; to remove and to put back. Leave it beside UnInstal.Exe." + kLineEnd +
                     kFirstLine + kLineEnd + kDestinationKeyword + "=" + record.destination +
                     kLineEnd;
  for (const auto& entry : record.entries) text += FormatEntry(entry) + kLineEnd;
  return text + kLastLine + kLineEnd;
}

RecordReading ParseRecord(const std::string& text) {
  RecordReading reading;
  const std::vector<std::string> lines = SignificantLines(text);
  if (lines.empty() || UpperCase(lines.front()) != UpperCase(kFirstLine)) {
    reading.damage = "it does not begin as an install record does";
    return reading;
  }
  if (lines.size() < 2 || UpperCase(lines.back()) != UpperCase(kLastLine)) {
    reading.damage = "it is cut short: its last line is missing";
    return reading;
  }
  InstallRecord record;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto equals = line.find('=');
    if (equals != std::string::npos &&
        UpperCase(Trimmed(line.substr(0, equals))) == UpperCase(kDestinationKeyword) &&
        record.destination.empty()) {
      record.destination = Trimmed(line.substr(equals + 1));
    } else if (const auto entry = EntryOf(line)) {
      record.entries.push_back(*entry);
    } else {
      reading.unreadableLines.push_back(line);
    }
  }
  if (record.destination.empty()) {
    reading.damage = "it names no destination folder";
    return reading;
  }
  reading.record = record;
  return reading;
}

}  // namespace qm
