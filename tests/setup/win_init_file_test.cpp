#include "setup/win_init_file.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

constexpr char kPath[] = "C:\\WINDOWS\\WinInit.Ini";

class WinInit : public ::testing::Test {
 protected:
  std::string WriteTwoLines(const std::optional<std::string>& before) {
    if (before) os.AddFile(kPath, *before);
    file.Open(os, kPath);
    file.AddRenameLine("C:\\K\\KESTRELN.EXE", "C:\\K\\KESTRELN.$$$");
    file.AddRenameLine("C:\\WINDOWS\\Kestreln.Reg", "C:\\K\\KESTRE~1.REG");
    file.Close();
    return os.FileContent(kPath).value_or("<missing>");
  }

  FakePlatform os;
  WinInitFile file;
};

constexpr char kOurLines[] =
    "C:\\K\\KESTRELN.EXE=C:\\K\\KESTRELN.$$$\r\nC:\\WINDOWS\\Kestreln.Reg=C:\\K\\KESTRE~1.REG\r\n";

TEST_F(WinInit, FreshFileStartsWithTheSectionAndIsWrittenAtOnce) {
  file.Open(os, kPath);
  EXPECT_EQ(os.FileContent(kPath), "[Rename]\r\n");
  file.Close();
  EXPECT_EQ(WriteTwoLines(std::nullopt), std::string("[Rename]\r\n") + kOurLines);
}

TEST_F(WinInit, LinesAnotherProgramLeftPendingAreKept) {
  const std::string pending = "[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\A.NEW\r\n\r\n[Other]\r\nx=1\r\n";
  EXPECT_EQ(WriteTwoLines(pending), std::string("[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\A.NEW\r\n") +
                                        kOurLines + "\r\n[Other]\r\nx=1\r\n");
}

TEST_F(WinInit, SectionIsAddedToAFileWithoutOne) {
  EXPECT_EQ(WriteTwoLines("[Other]\r\nx=1"),
            std::string("[Other]\r\nx=1\r\n[Rename]\r\n") + kOurLines);
}

TEST_F(WinInit, LinesAreNotWrittenTwiceByRepeatedFlushes) {
  file.Open(os, kPath);
  file.AddRenameLine("A", "B");
  file.Flush();
  file.Flush();
  file.Close();
  EXPECT_EQ(os.FileContent(kPath), "[Rename]\r\nA=B\r\n");
}

TEST_F(WinInit, WindowsNtAlsoGetsTheReplacementScheduled) {
  os.SetVersion(4, 0, kPlatformWin32Nt);
  WriteTwoLines(std::nullopt);
  ASSERT_EQ(os.scheduledMoves().size(), 2u);
  EXPECT_EQ(os.scheduledMoves()[0].source, "C:\\K\\KESTRELN.$$$");
  EXPECT_EQ(os.scheduledMoves()[0].target, "C:\\K\\KESTRELN.EXE");
  EXPECT_EQ(os.scheduledMoves()[0].flags, kMoveDelayUntilReboot | kMoveReplaceExisting);
}

TEST_F(WinInit, ReplacementsAreScheduledOnceWhenTheLinesAreCommitted) {
  os.SetVersion(4, 0, kPlatformWin32Nt);
  file.Open(os, kPath);
  file.AddRenameLine("C:\\K\\A.EXE", "C:\\K\\A.$$$");
  EXPECT_TRUE(os.scheduledMoves().empty()) << "nothing is scheduled before the commit";
  file.Flush();
  file.AddRenameLine("C:\\K\\B.DLL", "C:\\K\\B.$$$");
  file.Close();
  ASSERT_EQ(os.scheduledMoves().size(), 2u);
  EXPECT_EQ(os.scheduledMoves()[1].source, "C:\\K\\B.$$$");
}

TEST_F(WinInit, DroppedLinesReachNeitherTheFileNorTheScheduledReplacements) {
  os.SetVersion(4, 0, kPlatformWin32Nt);
  file.Open(os, kPath);
  file.AddRenameLine("C:\\K\\HELPER.DLL", "C:\\K\\HELPER.$$$");
  ASSERT_TRUE(file.Commit());
  file.AddRenameLine("C:\\K\\KESTRELN.EXE", "C:\\K\\KESTRELN.$$$");
  file.DropLinesFrom(0);  // committed lines stay
  file.Close();
  EXPECT_EQ(os.FileContent(kPath), "[Rename]\r\nC:\\K\\HELPER.DLL=C:\\K\\HELPER.$$$\r\n");
  ASSERT_EQ(os.scheduledMoves().size(), 1u);
  EXPECT_EQ(os.scheduledMoves()[0].source, "C:\\K\\HELPER.$$$");
}

// A commit that fails at any of its file operations changes nothing: the
// earlier file stays as it was and no replacement stays scheduled.
TEST_F(WinInit, FailedCommitLeavesTheFileAndTheScheduleAsTheyWere) {
  os.SetVersion(4, 0, kPlatformWin32Nt);
  const std::string before = "[Rename]\r\nC:\\APP\\A.DLL=C:\\APP\\A.NEW\r\n";
  os.AddFile(kPath, before);
  for (uint64_t failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    file.Open(os, kPath);
    file.AddRenameLine("C:\\K\\A.EXE", "C:\\K\\A.$$$");
    file.AddDeletionLine("C:\\K\\OLD.OLD");
    os.FailFileOperation(failing, kErrorDiskFull);
    if (file.Commit()) break;
    os.FailFileOperation(0, 0);
    EXPECT_EQ(os.FileContent(kPath), before);
    EXPECT_TRUE(os.scheduledMoves().empty());
    EXPECT_EQ(os.FileTree().size(), FakePlatform().FileTree().size() + 1) << "nothing left beside";
  }
  EXPECT_EQ(os.FileContent(kPath), before + "C:\\K\\A.EXE=C:\\K\\A.$$$\r\nNUL=C:\\K\\OLD.OLD\r\n");
  ASSERT_EQ(os.scheduledMoves().size(), 2u);
  EXPECT_EQ(os.scheduledMoves()[1].target, "");
}

TEST_F(WinInit, EarlierLinesReserveTheirNamesAndMarkPendingReplacements) {
  os.AddFile("C:\\K\\KESTRELN.$$$", "pending");
  os.AddFile(kPath,
             "[Rename]\r\nC:\\K\\KESTRELN.EXE=C:\\K\\KESTRELN.$$$\r\n"
             "C:\\K\\GONE.DLL=C:\\K\\GONE.$$$\r\n");
  os.SetVersion(4, 0, kPlatformWin32Windows);
  file.Open(os, kPath);
  EXPECT_TRUE(file.NamesFile("c:\\k\\kestreln.$$$"));
  EXPECT_TRUE(file.NamesFile("C:\\K\\GONE.$$$")) << "Windows 95 still carries the line out";
  EXPECT_FALSE(file.NamesFile("C:\\K\\OTHER.$$$"));
  os.SetVersion(4, 0, kPlatformWin32Nt);
  EXPECT_TRUE(file.NamesFile("c:\\k\\kestreln.$$$"));
  EXPECT_FALSE(file.NamesFile("C:\\K\\GONE.$$$")) << "Windows NT never carries the line out";
  EXPECT_TRUE(file.HasPendingReplacement("C:\\K\\Kestreln.Exe"));
  EXPECT_FALSE(file.HasPendingReplacement("C:\\K\\GONE.DLL")) << "its replacement is gone";
  EXPECT_EQ(os.FileContent(kPath)->find("[Rename]"), 0u)
      << "a file with the section is not rewritten";
}

TEST_F(WinInit, Windows95UsesTheFileAlone) {
  os.SetVersion(4, 0, kPlatformWin32Windows);
  WriteTwoLines(std::nullopt);
  EXPECT_TRUE(os.scheduledMoves().empty());
}

}  // namespace
}  // namespace qm
