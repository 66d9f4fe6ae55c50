// The path, drive and folder rules over the real Win32 adapter, where the
// answers come from Windows itself.
#include <windows.h>

#include "platform/contract/contract_fixture.h"
#include "transport/path_helpers.h"

namespace {

std::string WindowsFolder() {
  char folder[MAX_PATH];
  return std::string(folder, GetWindowsDirectoryA(folder, MAX_PATH));
}

using FolderExistsOnWindows = ContractTest;

TEST_F(FolderExistsOnWindows, ShortTextsAreDecidedByTheirDriveLetterAlone) {
  EXPECT_TRUE(qm::FolderExists(os(), "C:"));
  EXPECT_TRUE(qm::FolderExists(os(), "C:\\"));
  EXPECT_TRUE(qm::FolderExists(os(), "Cx"));
  EXPECT_FALSE(qm::FolderExists(os(), "5:\\"));
}

TEST_F(FolderExistsOnWindows, WindowsFolderWithOrWithoutTrailingBackslashOrWildcard) {
  const std::string windows = WindowsFolder();
  EXPECT_TRUE(qm::FolderExists(os(), windows));
  EXPECT_TRUE(qm::FolderExists(os(), windows + "\\"));
  EXPECT_TRUE(qm::FolderExists(os(), windows + "\\*.*"));
  EXPECT_FALSE(qm::FolderExists(os(), "*.*"));
}

TEST_F(FolderExistsOnWindows, FilesAndMissingFoldersAreNoFolders) {
  WriteFile(InSandbox("file.txt"), "x");
  EXPECT_FALSE(qm::FolderExists(os(), InSandbox("file.txt")));
  EXPECT_FALSE(qm::FolderExists(os(), InSandbox("absent")));
  EXPECT_TRUE(qm::FolderExists(os(), env_.sandbox + "\\"));
}

using DriveExistsOnWindows = ContractTest;

TEST_F(DriveExistsOnWindows, LowerCaseLetterCountsAndDigitIsRefused) {
  EXPECT_TRUE(qm::DriveExists(os(), 'c'));
  EXPECT_FALSE(qm::DriveExists(os(), '5'));
}

TEST_F(DriveExistsOnWindows, LetterWithoutADriveCountsBecauseWindowsAnswersNoRootDir) {
  EXPECT_TRUE(qm::DriveExists(os(), env_.missingDriveRoot[0]));
}

using MakeFolderOnWindows = ContractTest;

TEST_F(MakeFolderOnWindows, ExistingFolderIsAcceptedWithoutEnteringIt) {
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox));
  ASSERT_TRUE(os().CreateFolder(InSandbox("Existing")));
  EXPECT_TRUE(qm::MakeFolder(os(), InSandbox("Existing")));
  EXPECT_EQ(os().CurrentFolder(), env_.sandbox);
}

TEST_F(MakeFolderOnWindows, NewFolderUnderAnExistingParentIsCreatedAndEntered) {
  EXPECT_TRUE(qm::MakeFolder(os(), InSandbox("Kestrelon")));
  EXPECT_TRUE(qm::FolderExists(os(), InSandbox("Kestrelon")));
  EXPECT_EQ(os().CurrentFolder(), InSandbox("Kestrelon"));
}

TEST_F(MakeFolderOnWindows, TwoMissingLevelsFailAndCreateNothing) {
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox));
  EXPECT_FALSE(qm::MakeFolder(os(), InSandbox("One\\Two")));
  EXPECT_FALSE(os().FindFirst(InSandbox("One")).has_value());
  EXPECT_EQ(os().CurrentFolder(), env_.sandbox);
}

using FilePresentOnWindows = ContractTest;

TEST_F(FilePresentOnWindows, OnlyFilesArePresent) {
  WriteFile(InSandbox("Kestreln.001"), "volume");
  ASSERT_TRUE(os().CreateFolder(InSandbox("Folder")));
  EXPECT_TRUE(qm::FilePresent(os(), InSandbox("Kestreln.001")));
  EXPECT_TRUE(qm::FilePresent(os(), InSandbox("KESTRELN.001")));
  EXPECT_FALSE(qm::FilePresent(os(), InSandbox("Folder")));
  EXPECT_FALSE(qm::FilePresent(os(), InSandbox("Kestreln.002")));
}

}  // namespace
