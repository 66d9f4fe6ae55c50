// The install record's text: written and read back, refused when damaged,
// and merged so that it keeps describing the machine before the first
// installation.
#include "uninstall/install_record.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

RecordEntry Entry(RecordItem item, const std::string& text, std::optional<FileStamp> stamp = {}) {
  RecordEntry entry;
  entry.item = item;
  entry.text = text;
  entry.stamp = stamp;
  return entry;
}

RecordEntry NoValue(RecordItem item) {
  RecordEntry entry = Entry(item, "");
  entry.absent = true;
  return entry;
}

bool SameEntries(const std::vector<RecordEntry>& a, const std::vector<RecordEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].item != b[i].item || a[i].text != b[i].text || a[i].absent != b[i].absent ||
        a[i].stamp.has_value() != b[i].stamp.has_value() ||
        (a[i].stamp && !(*a[i].stamp == *b[i].stamp))) {
      return false;
    }
  }
  return true;
}

TEST(InstallRecordText, EveryKindOfLineReadsBackAsItWasWritten) {
  InstallRecord record;
  record.destination = "C:\\Program Files\\Kestrelon";
  record.entries = {
      Entry(RecordItem::kFolder, "C:\\Program Files\\Kestrelon"),
      Entry(RecordItem::kFile, "C:\\Program Files\\Kestrelon\\Kestreln.Exe"),
      Entry(RecordItem::kReplacedFile, "C:\\Program Files\\Kestrelon\\Readme.Txt"),
      Entry(RecordItem::kPendingFile, "C:\\Program Files\\Kestrelon\\Kestreln.$$$"),
      Entry(RecordItem::kHelpFile, "C:\\WINDOWS\\Help\\Kestreln.Hlp", FileStamp{0x1A2B3C4D, 52311}),
      Entry(RecordItem::kShortcut, "C:\\WINDOWS\\Start Menu\\Programs\\Kestrelon!.LNK",
            FileStamp{0xFFFFFFFF, 0}),
      Entry(RecordItem::kDriver, "C:\\WINDOWS\\System32\\Drivers\\CTRLKN.SYS", FileStamp{7, 8}),
      Entry(RecordItem::kTaskManager, "C:\\WINDOWS\\TaskMan.Exe", FileStamp{1, 2}),
      Entry(RecordItem::kNewTaskManager, "D:\\WIN\\TaskMan.Exe", FileStamp{3, 4294967295u}),
      Entry(RecordItem::kRegistration, "C:\\WINDOWS\\Kestreln.Reg", FileStamp{5, 6}),
      Entry(RecordItem::kUninstallEntry,
            "HKEY_LOCAL_MACHINE\\Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!"),
      Entry(RecordItem::kCreatedKey, "HKEY_CURRENT_USER\\Software\\Quillmarsh"),
      Entry(RecordItem::kSystemIniShell, "progman.exe /x"),
      Entry(RecordItem::kWinlogonShell, ""),
      Entry(RecordItem::kWinInit, "C:\\WINDOWS\\WinInit.Ini"),
  };
  const std::string text = FormatRecord(record, "Kestrelon!");
  EXPECT_NE(text.find("[Install record 1]\r\nDestination=C:\\Program Files\\Kestrelon\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nHelp=1A2B3C4D 52311 C:\\WINDOWS\\Help\\Kestreln.Hlp\r\n"),
            std::string::npos);
  const RecordReading reading = ParseRecord(text);
  ASSERT_TRUE(reading.record) << reading.damage;
  EXPECT_EQ(reading.record->destination, record.destination);
  EXPECT_TRUE(SameEntries(reading.record->entries, record.entries)) << text;
  EXPECT_TRUE(reading.unreadableLines.empty());

  InstallRecord none;
  none.destination = "C:\\K";
  none.entries = {NoValue(RecordItem::kSystemIniShell), NoValue(RecordItem::kWinlogonShell)};
  const std::string noneText = FormatRecord(none, "Kestrelon!");
  EXPECT_NE(noneText.find("\r\nSystemIniShell\r\nWinlogonShell\r\n"), std::string::npos);
  EXPECT_TRUE(SameEntries(ParseRecord(noneText).record->entries, none.entries));
}

TEST(InstallRecordText, ATextThatIsNoWholeRecordIsRefusedAndStrayLinesAreNamed) {
  const std::string whole = "[Install record 1]\r\nDestination=C:\\K\r\nFile=C:\\K\\A.Exe\r\n[End]\r\n";
  EXPECT_TRUE(ParseRecord(whole).record);
  EXPECT_FALSE(ParseRecord("").record);
  EXPECT_FALSE(ParseRecord("MZ\x90\x00binary").record);
  EXPECT_NE(ParseRecord(whole.substr(0, whole.size() - 7)).damage.find("cut short"),
            std::string::npos);
  EXPECT_NE(ParseRecord("[Install record 1]\r\nFile=C:\\K\\A\r\n[End]\r\n").damage.find("destination"),
            std::string::npos);
  EXPECT_FALSE(ParseRecord("[Install record 2]\r\nDestination=C:\\K\r\n[End]\r\n").record);

  const RecordReading reading = ParseRecord(
      "; a comment\n[install record 1]\nDestination=C:\\K\n  file = C:\\K\\A.Exe  \n"
      "Erase=C:\\WINDOWS\nHelp=C:\\WINDOWS\\Help\\A.Hlp\nHelp=1234567 5 C:\\X.Hlp\n"
      "Driver=1234567G 5 C:\\X.Sys\nFile\nFile=\n[END]\n");
  ASSERT_TRUE(reading.record);
  ASSERT_EQ(reading.record->entries.size(), 1u);
  EXPECT_EQ(reading.record->entries[0].text, "C:\\K\\A.Exe");
  EXPECT_EQ(reading.unreadableLines,
            (std::vector<std::string>{"Erase=C:\\WINDOWS", "Help=C:\\WINDOWS\\Help\\A.Hlp",
                                      "Help=1234567 5 C:\\X.Hlp", "Driver=1234567G 5 C:\\X.Sys",
                                      "File", "File="}));
}

TEST(InstallRecordMerge, TheFirstStateStaysAndTheNewestContentIsStamped) {
  InstallRecord record;
  MergeEntry(record, Entry(RecordItem::kFile, "C:\\K\\A.Exe"));
  MergeEntry(record, Entry(RecordItem::kHelpFile, "C:\\W\\Help\\A.Hlp", FileStamp{1, 1}));
  MergeEntry(record, Entry(RecordItem::kNewTaskManager, "C:\\W\\TaskMan.Exe", FileStamp{2, 2}));
  MergeEntry(record, Entry(RecordItem::kWinlogonShell, "Explorer.exe"));

  InstallRecord later;
  later.entries = {
      Entry(RecordItem::kReplacedFile, "c:\\k\\a.exe"),
      Entry(RecordItem::kReplacedFile, "C:\\W\\Help\\A.Hlp", FileStamp{9, 9}),
      Entry(RecordItem::kTaskManager, "C:\\W\\TaskMan.Exe", FileStamp{8, 8}),
      Entry(RecordItem::kWinlogonShell, "C:\\K\\Kestreln.Exe"),
      Entry(RecordItem::kFile, "C:\\K\\B.Dll"),
  };
  RecordEntry restamp = Entry(RecordItem::kRegistration, "C:\\W\\Kestreln.Reg", FileStamp{7, 7});
  restamp.restampsOnly = true;
  later.entries.push_back(restamp);
  MergeRecord(record, later);

  EXPECT_TRUE(SameEntries(
      record.entries,
      {Entry(RecordItem::kFile, "C:\\K\\A.Exe"),
       Entry(RecordItem::kHelpFile, "C:\\W\\Help\\A.Hlp", FileStamp{9, 9}),
       Entry(RecordItem::kNewTaskManager, "C:\\W\\TaskMan.Exe", FileStamp{8, 8}),
       Entry(RecordItem::kWinlogonShell, "Explorer.exe"), Entry(RecordItem::kFile, "C:\\K\\B.Dll")}))
      << FormatRecord(record, "K");
}

}  // namespace
}  // namespace qm
