#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/directory_bytes.h"
#include "package/package_directory.h"
#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

using test::Append;
using test::EntryBytes;
using test::TrailerBytes;
using ::testing::HasSubstr;

constexpr char kSetupPath[] = "D:\\DISK1\\SETUP.EXE";

class ReadPackageDirectoryTest : public ::testing::Test {
 protected:
  ReadPackageDirectoryTest() {
    os.AddDrive('D', kDriveRemovable);
    os.SetModulePath(kSetupPath);
  }

  // Puts the setup file at the module path: 100 image bytes, then `directory`.
  void PlaceSetup(const std::vector<uint8_t>& directory) {
    std::string content(100, 'M');
    content.append(directory.begin(), directory.end());
    os.AddFile(kSetupPath, content);
  }

  std::vector<std::string> ListedNames() const {
    std::vector<std::string> names;
    for (const PackageNode* node = state.directoryHead.get(); node; node = node->next.get()) {
      names.push_back(node->name);
    }
    return names;
  }

  FakePlatform os;
  SetupState state;
};

TEST_F(ReadPackageDirectoryTest, BuildsTheListInFileOrderWithHeadAndTail) {
  std::vector<uint8_t> directory;
  Append(directory, EntryBytes("Kestreln.Hlp", 300, 50, 'x'));
  Append(directory, EntryBytes("CTRLKN.SYS", 350, 20));
  Append(directory, EntryBytes("ABCDEFGHIJKLMNO.DLL", 370, 30));
  Append(directory, TrailerBytes(3, 400));
  PlaceSetup(directory);

  const auto refusal = ReadPackageDirectory(os, state);

  ASSERT_FALSE(refusal.has_value()) << refusal->reason;
  EXPECT_EQ(state.unpackTotal, 400);
  EXPECT_THAT(ListedNames(),
              ::testing::ElementsAre("Kestreln.Hlp", "CTRLKN.SYS", "ABCDEFGHIJKLMNO.DLL"));
  ASSERT_NE(state.directoryTail, nullptr);
  EXPECT_EQ(state.directoryTail->name, "ABCDEFGHIJKLMNO.DLL");
  EXPECT_EQ(state.directoryTail->offset, 370);
  EXPECT_EQ(state.directoryTail->size, 30);
  EXPECT_EQ(state.directoryTail->next, nullptr);
  EXPECT_EQ(state.directoryHead->offset, 300);
  EXPECT_EQ(os.openHandles(), 0u);
}

TEST_F(ReadPackageDirectoryTest, NoEntriesGiveAnEmptyListAndTheStreamLength) {
  PlaceSetup(TrailerBytes(0, 739328));
  ASSERT_FALSE(ReadPackageDirectory(os, state).has_value());
  EXPECT_EQ(state.unpackTotal, 739328);
  EXPECT_EQ(state.directoryHead, nullptr);
  EXPECT_EQ(state.directoryTail, nullptr);
}

TEST_F(ReadPackageDirectoryTest, ARefusalLeavesNoListBehindEvenAfterAnEarlierRead) {
  std::vector<uint8_t> good;
  Append(good, EntryBytes("A.DLL", 1, 1));
  Append(good, TrailerBytes(1, 2));
  PlaceSetup(good);
  ASSERT_FALSE(ReadPackageDirectory(os, state).has_value());

  std::vector<uint8_t> bad;
  Append(bad, EntryBytes("A.DLL", 1, 1));
  Append(bad, EntryBytes("..", 1, 1));
  Append(bad, TrailerBytes(2, 2));
  PlaceSetup(bad);
  const auto refusal = ReadPackageDirectory(os, state);

  ASSERT_TRUE(refusal.has_value());
  EXPECT_THAT(refusal->reason, HasSubstr("entry 2 of 2"));
  EXPECT_EQ(state.directoryHead, nullptr);
  EXPECT_EQ(state.directoryTail, nullptr);
  EXPECT_EQ(state.unpackTotal, 0);
  EXPECT_EQ(os.openHandles(), 0u);
}

TEST_F(ReadPackageDirectoryTest, AByteAppendedAfterTheTrailerBreaksTheDirectory) {
  std::vector<uint8_t> directory;
  Append(directory, EntryBytes("A.DLL", 1, 1));
  Append(directory, TrailerBytes(1, 2));
  directory.push_back(0);  // unpackTotal now reads 0x00000000 after shifting by one byte
  PlaceSetup(directory);
  EXPECT_TRUE(ReadPackageDirectory(os, state).has_value());
}

TEST_F(ReadPackageDirectoryTest, RefusesWhenTheOwnFileIsMissingOrLocked) {
  auto refusal = ReadPackageDirectory(os, state);
  ASSERT_TRUE(refusal.has_value());
  EXPECT_THAT(refusal->reason, HasSubstr("could not read its own file"));
  EXPECT_THAT(refusal->reason, HasSubstr(kSetupPath));

  PlaceSetup(TrailerBytes(0, 10));
  const FileHandle held = os.HoldFile(kSetupPath, kAccessReadWrite, kShareNone);
  refusal = ReadPackageDirectory(os, state);
  ASSERT_TRUE(refusal.has_value());
  EXPECT_THAT(refusal->reason, HasSubstr("could not read its own file"));
  os.ReleaseFile(held);
}

TEST_F(ReadPackageDirectoryTest, RefusesAFileTooShortForItsTrailerOrItsEntries) {
  os.AddFile(kSetupPath, "MZ");
  auto refusal = ReadPackageDirectory(os, state);
  ASSERT_TRUE(refusal.has_value());
  EXPECT_THAT(refusal->reason, HasSubstr("too short"));

  std::string content;
  const auto trailer = TrailerBytes(200, 1000);  // 200 entries need 5,600 bytes
  content.append(50, 'M');
  content.append(trailer.begin(), trailer.end());
  os.AddFile(kSetupPath, content);
  refusal = ReadPackageDirectory(os, state);
  ASSERT_TRUE(refusal.has_value());
  EXPECT_THAT(refusal->reason, HasSubstr("before the beginning"));
  EXPECT_EQ(os.openHandles(), 0u);
}

}  // namespace
}  // namespace qm
