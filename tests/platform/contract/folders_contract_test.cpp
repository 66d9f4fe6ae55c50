// How Windows answers the folder, drive and name look-ups that the path rules
// are built on.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace {

using FindContract = ContractTest;

TEST_F(FindContract, FileIsFoundByItsNameWithoutTheDirectoryAttribute) {
  WriteFile(InSandbox("Readme.txt"), "text");
  const auto entry = os().FindFirst(InSandbox("Readme.txt"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, "Readme.txt");
  EXPECT_EQ(entry->attributes & qm::kAttributeDirectory, 0u);
}

TEST_F(FindContract, FolderIsFoundWithTheDirectoryAttribute) {
  ASSERT_TRUE(os().CreateFolder(InSandbox("Sub Folder")));
  const auto entry = os().FindFirst(InSandbox("Sub Folder"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, "Sub Folder");
  EXPECT_NE(entry->attributes & qm::kAttributeDirectory, 0u);
}

TEST_F(FindContract, MissingNameFailsWithFileNotFoundAndMissingFolderWithPathNotFound) {
  EXPECT_FALSE(os().FindFirst(InSandbox("absent.txt")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  EXPECT_FALSE(os().FindFirst(InSandbox("absent\\file.txt")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorPathNotFound);
}

TEST_F(FindContract, TrailingBackslashFindsNothingEvenForAnExistingFolder) {
  ASSERT_TRUE(os().CreateFolder(InSandbox("Folder")));
  EXPECT_FALSE(os().FindFirst(InSandbox("Folder\\")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

TEST_F(FindContract, DriveRootFindsNothing) {
  EXPECT_FALSE(os().FindFirst("C:\\").has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

TEST_F(FindContract, WildcardReportsTheMatchingEntry) {
  WriteFile(InSandbox("data.bin"), "1");
  WriteFile(InSandbox("notes.txt"), "2");
  const auto entry = os().FindFirst(InSandbox("*.txt"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, "notes.txt");
  EXPECT_FALSE(os().FindFirst(InSandbox("*.doc")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

TEST_F(FindContract, EverythingPatternInAFolderStartsWithItsDotEntry) {
  WriteFile(InSandbox("a.txt"), "1");
  const auto entry = os().FindFirst(InSandbox("*.*"));
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->name, ".");
  EXPECT_NE(entry->attributes & qm::kAttributeDirectory, 0u);
}

using CreateFolderContract = ContractTest;

TEST_F(CreateFolderContract, CreatesOneLevelBelowAnExistingFolder) {
  EXPECT_TRUE(os().CreateFolder(InSandbox("One")));
  EXPECT_TRUE(os().CreateFolder(InSandbox("One\\Two")));
  EXPECT_TRUE(os().FindFirst(InSandbox("One\\Two")).has_value());
}

TEST_F(CreateFolderContract, MissingParentFailsWithPathNotFoundAndCreatesNothing) {
  EXPECT_FALSE(os().CreateFolder(InSandbox("One\\Two")));
  EXPECT_EQ(os().LastError(), qm::kErrorPathNotFound);
  EXPECT_FALSE(os().FindFirst(InSandbox("One")).has_value());
}

TEST_F(CreateFolderContract, ExistingFolderOrFileFailsWithAlreadyExists) {
  ASSERT_TRUE(os().CreateFolder(InSandbox("One")));
  EXPECT_FALSE(os().CreateFolder(InSandbox("One")));
  EXPECT_EQ(os().LastError(), qm::kErrorAlreadyExists);
  WriteFile(InSandbox("file"), "x");
  EXPECT_FALSE(os().CreateFolder(InSandbox("file")));
  EXPECT_EQ(os().LastError(), qm::kErrorAlreadyExists);
}

using CurrentFolderContract = ContractTest;

TEST_F(CurrentFolderContract, EnteringAFolderMakesItCurrentWithoutTrailingBackslash) {
  ASSERT_TRUE(os().CreateFolder(InSandbox("Work")));
  ASSERT_TRUE(os().SetCurrentFolder(InSandbox("Work")));
  EXPECT_EQ(os().CurrentFolder(), InSandbox("Work"));
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox + "\\"));
  EXPECT_EQ(os().CurrentFolder(), env_.sandbox);
}

TEST_F(CurrentFolderContract, MissingFolderOrFileFailsAndKeepsTheCurrentFolder) {
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox));
  EXPECT_FALSE(os().SetCurrentFolder(InSandbox("absent")));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  EXPECT_FALSE(os().SetCurrentFolder(InSandbox("absent\\deeper")));
  EXPECT_EQ(os().LastError(), qm::kErrorPathNotFound);
  WriteFile(InSandbox("file"), "x");
  EXPECT_FALSE(os().SetCurrentFolder(InSandbox("file")));
  EXPECT_EQ(os().CurrentFolder(), env_.sandbox);
}

TEST_F(CurrentFolderContract, DriveTypesOfTheSystemDriveAndOfAMissingRoot) {
  EXPECT_EQ(os().QueryDriveType("C:\\"), qm::kDriveFixed);
  EXPECT_EQ(os().QueryDriveType(env_.sandbox.substr(0, 3)), qm::kDriveFixed);
  EXPECT_EQ(os().QueryDriveType(env_.missingDriveRoot), qm::kDriveNoRootDir);
}

using ShortPathContract = ContractTest;

// True when every component after the drive has at most 8 characters, then
// optionally a full stop and at most 3, and no spaces.
bool IsShortForm(const std::string& path) {
  size_t start = 3;
  while (start < path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string part = path.substr(start, end - start);
    const size_t dot = part.find('.');
    const std::string stem = part.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : part.substr(dot + 1);
    if (stem.empty() || stem.size() > 8 || extension.size() > 3 ||
        extension.find('.') != std::string::npos || part.find(' ') != std::string::npos) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

TEST_F(ShortPathContract, LongPathGetsAnEightDotThreeFormThatOpensTheSameFile) {
  ASSERT_TRUE(os().CreateFolder(InSandbox("A Rather Long Folder")));
  const std::string longPath = InSandbox("A Rather Long Folder\\Kestrelon Program.exe");
  WriteFile(longPath, "the program");
  const auto shortPath = os().ShortPath(longPath);
  ASSERT_TRUE(shortPath.has_value()) << "error " << os().LastError();
  EXPECT_TRUE(IsShortForm(*shortPath)) << *shortPath;
  EXPECT_EQ(ReadFile(*shortPath), "the program");
}

TEST_F(ShortPathContract, MissingPathHasNoShortForm) {
  EXPECT_FALSE(os().ShortPath(InSandbox("Not There At All.txt")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

}  // namespace
