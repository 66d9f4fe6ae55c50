#include "transport/path_helpers.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

TEST(PathText, JoinPathPutsExactlyOneBackslashUnlessTheFolderIsEmpty) {
  EXPECT_EQ(JoinPath("A:\\", "Kestreln.001"), "A:\\Kestreln.001");
  EXPECT_EQ(JoinPath("C:\\Program Files", "Kestrelon"), "C:\\Program Files\\Kestrelon");
  EXPECT_EQ(JoinPath("", "WinInit.Ini"), "WinInit.Ini");
  EXPECT_EQ(JoinPath("A:", "X"), "A:\\X");  // a colon is not a separator here
  EXPECT_EQ(JoinPath("C:\\DIR", "\\X"), "C:\\DIR\\\\X");  // the name is never examined
}

TEST(PathText, FolderPartKeepsTheLastColonOrBackslash) {
  EXPECT_EQ(FolderPart("A:\\SETUP.EXE"), "A:\\");
  EXPECT_EQ(FolderPart("C:SETUP.EXE"), "C:");
  EXPECT_EQ(FolderPart("SETUP.EXE"), "");
  EXPECT_EQ(FolderPart("\\"), "\\");
  EXPECT_EQ(FolderPart("C:\\A/B"), "C:\\");  // the forward slash is an ordinary character
}

TEST(PathText, ReplaceExtensionLooksOnlyBehindTheLastFolderSeparator) {
  EXPECT_EQ(ReplaceExtension("Kestreln.001", ".002"), "Kestreln.002");
  EXPECT_EQ(ReplaceExtension("A:\\DIR.X\\FILE", ".002"), "A:\\DIR.X\\FILE.002");
  EXPECT_EQ(ReplaceExtension("NAME", ".002"), "NAME.002");
  EXPECT_EQ(ReplaceExtension("NAME.", ".002"), "NAME.002");
  EXPECT_EQ(ReplaceExtension("C:NAME", ".$$$"), "C:NAME.$$$");
  EXPECT_EQ(ReplaceExtension("A.B.C", ".D"), "A.B.D");
}

TEST(PathText, ExtensionAndWildcardsAndBytes) {
  EXPECT_EQ(ExtensionOf("Kestreln.$$$"), ".$$$");
  EXPECT_EQ(ExtensionOf("DIR.X\\FILE"), "");
  EXPECT_EQ(UpperCase("Kestreln.Exe"), "KESTRELN.EXE");
  EXPECT_TRUE(HasWildcard("C:\\*.*"));
  EXPECT_TRUE(HasWildcard("A?"));
  EXPECT_FALSE(HasWildcard(""));
  EXPECT_EQ(MinByte(255, 0), 0);
  EXPECT_EQ(MaxByte(0, 255), 255);
  EXPECT_EQ(MinByte(7, 7), 7);
  EXPECT_EQ(MaxByte(200, 100), 200);
}

class DiskHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    os.AddFile("C:\\WINDOWS\\WIN.INI", "x");
    os.AddFolder("C:\\DATA");
  }
  FakePlatform os;
};

TEST_F(DiskHelpers, FilePresentOnlyForFiles) {
  EXPECT_TRUE(FilePresent(os, "C:\\WINDOWS\\WIN.INI"));
  EXPECT_TRUE(FilePresent(os, "c:\\windows\\win.ini"));
  EXPECT_FALSE(FilePresent(os, "C:\\WINDOWS"));
  EXPECT_FALSE(FilePresent(os, "C:\\WINDOWS\\NONE.INI"));
}

TEST_F(DiskHelpers, DriveExistsCountsEveryTypeButUndeterminable) {
  os.AddDrive('D', kDriveUnknown);
  os.AddDrive('A', kDriveRemovable);
  EXPECT_TRUE(DriveExists(os, 'c'));
  EXPECT_TRUE(DriveExists(os, 'A'));
  EXPECT_TRUE(DriveExists(os, 'Q'));  // "no root directory" (1) still counts
  EXPECT_FALSE(DriveExists(os, 'D'));
  EXPECT_FALSE(DriveExists(os, '1'));
  EXPECT_FALSE(DriveExists(os, ':'));
}

TEST_F(DiskHelpers, FolderExistsDecidesShortTextsByTheirFirstLetter) {
  os.AddDrive('D', kDriveUnknown);
  for (const char* text : {"C:", "C:\\", "Cx", "c"}) EXPECT_TRUE(FolderExists(os, text)) << text;
  for (const char* text : {"D:", "D:\\", "1:\\"}) EXPECT_FALSE(FolderExists(os, text)) << text;
}

TEST_F(DiskHelpers, FolderExistsForLongerPaths) {
  EXPECT_TRUE(FolderExists(os, "C:\\WINDOWS"));
  EXPECT_TRUE(FolderExists(os, "C:\\WINDOWS\\"));
  EXPECT_FALSE(FolderExists(os, "C:\\WINDOWS\\\\"));  // only one trailing backslash goes
  EXPECT_TRUE(FolderExists(os, "C:\\WINDOWS\\*.*"));
  EXPECT_FALSE(FolderExists(os, "*.*"));
  EXPECT_FALSE(FolderExists(os, "C:\\WINDOWS\\WIN.INI"));
  EXPECT_FALSE(FolderExists(os, "C:\\MISSING"));
}

TEST_F(DiskHelpers, MakeFolderOfAnExistingFolderChangesNothing) {
  os.SetCurrentFolder("C:\\DATA");
  EXPECT_TRUE(MakeFolder(os, "C:\\WINDOWS"));
  EXPECT_EQ(os.CurrentFolder(), "C:\\DATA");
}

TEST_F(DiskHelpers, MakeFolderCreatesOneLevelAndEntersIt) {
  EXPECT_TRUE(MakeFolder(os, "C:\\DATA\\NEW"));
  EXPECT_TRUE(os.FolderExistsOnDisk("C:\\DATA\\NEW"));
  EXPECT_EQ(os.CurrentFolder(), "C:\\DATA\\NEW");
}

TEST_F(DiskHelpers, MakeFolderRefusesTwoMissingLevels) {
  EXPECT_FALSE(MakeFolder(os, "C:\\ONE\\TWO"));
  EXPECT_FALSE(os.FolderExistsOnDisk("C:\\ONE"));
  EXPECT_FALSE(MakeFolder(os, "C:\\WINDOWS\\WIN.INI"));  // a file is no folder
}

}  // namespace
}  // namespace qm
