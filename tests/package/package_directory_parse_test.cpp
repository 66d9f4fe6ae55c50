#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "package/directory_bytes.h"
#include "package/package_directory.h"

namespace qm {
namespace {

using test::Append;
using test::EntryBytes;
using test::TrailerBytes;
using ::testing::HasSubstr;

// A whole setup file: some image bytes, then the given directory bytes.
struct SetupFile {
  std::vector<uint8_t> bytes;

  explicit SetupFile(const std::vector<uint8_t>& directory, size_t imageSize = 64) {
    bytes.reserve(imageSize + directory.size());
    bytes.assign(imageSize, 0xCC);
    Append(bytes, directory);
  }

  DirectoryParseResult Parse() const {
    const size_t tailSize = DirectoryTailSize(static_cast<int64_t>(bytes.size()));
    return ParsePackageDirectory(bytes.data() + bytes.size() - tailSize, tailSize,
                                 static_cast<int64_t>(bytes.size()));
  }
};

std::vector<uint8_t> Directory(const std::vector<std::vector<uint8_t>>& entries,
                               int32_t unpackTotal) {
  std::vector<uint8_t> bytes;
  for (const auto& entry : entries) Append(bytes, entry);
  Append(bytes, TrailerBytes(static_cast<uint8_t>(entries.size()), unpackTotal));
  return bytes;
}

std::string RefusalOf(const DirectoryParseResult& result) {
  return result.accepted() ? std::string("(accepted)") : result.refusal->reason;
}

// ---- Accepted directories --------------------------------------------------

TEST(PackageDirectoryParse, ReadsTheStreamLengthFromTheLastFourBytesAndTheCountBeforeThem) {
  // 0x01020304 little-endian, with a count of 1 in front: a reader that swaps
  // the two fields or their byte order sees something else entirely.
  const SetupFile file(Directory({EntryBytes("A.DLL", 10, 20)}, 0x01020304));
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  EXPECT_EQ(result.directory.unpackTotal, 0x01020304);
  ASSERT_EQ(result.directory.entries.size(), 1u);
}

TEST(PackageDirectoryParse, KeepsEntriesInFileOrderWithTheirFields) {
  // Out of stream order after the first entry, which the main program ends at.
  const SetupFile file(
      Directory({EntryBytes("Second.Hlp", 500, 7), EntryBytes("first.exe", 600, 400),
                 EntryBytes("Z", 0x00ABCDEF, 0x10), EntryBytes("Y", 507, 1)},
                0x00ABCDEF + 0x10));
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  const auto& entries = result.directory.entries;
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "Second.Hlp");
  EXPECT_EQ(entries[0].offset, 500);
  EXPECT_EQ(entries[0].size, 7);
  EXPECT_EQ(entries[1].name, "first.exe");
  EXPECT_EQ(entries[2].offset, 0x00ABCDEF);
  EXPECT_EQ(entries[2].size, 0x10);
}

TEST(PackageDirectoryParse, AcceptsNoEntriesEvenInAFileOfJustTheTrailer) {
  const SetupFile file(Directory({}, 1234), 0);
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  EXPECT_EQ(result.directory.unpackTotal, 1234);
  EXPECT_TRUE(result.directory.entries.empty());
}

TEST(PackageDirectoryParse, AcceptsANameThatFillsAllNineteenCharacters) {
  const std::string name = "ABCDEFGHIJKLMNO.EXE";
  ASSERT_EQ(name.size(), 19u);
  const SetupFile file(Directory({EntryBytes(name, 0, 1)}, 1));
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  EXPECT_EQ(result.directory.entries[0].name, name);
}

TEST(PackageDirectoryParse, IgnoresLeftoverBytesBehindTheName) {
  // Leftovers of a longer earlier name, including bytes that would be refused in a name.
  auto entry = EntryBytes("NEW.DLL", 0, 1);
  const std::string leftover = "LONGER:NA\\/.";  // fills the 12 bytes behind the name
  ASSERT_EQ(leftover.size(), 12u);
  std::copy(leftover.begin(), leftover.end(), entry.begin() + 1 + 7);
  const SetupFile file(Directory({entry, EntryBytes("B", 1, 1, 0x01)}, 2));
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  EXPECT_EQ(result.directory.entries[0].name, "NEW.DLL");
  EXPECT_EQ(result.directory.entries[1].name, "B");
}

TEST(PackageDirectoryParse, AcceptsGapsEmptyFilesAndAnEntryEndingAtTheStreamEnd) {
  const SetupFile file(Directory(
      {EntryBytes("GAP.BIN", 10, 5), EntryBytes("NEXT.BIN", 15, 5), EntryBytes("EMPTY.TXT", 100, 0),
       EntryBytes("LAST.BIN", 90, 10), EntryBytes("NONE.TXT", 15, 0)},
      100));
  const auto result = file.Parse();
  EXPECT_TRUE(result.accepted()) << RefusalOf(result);
}

// Entries that the split could not turn into separate files, or whose cut
// would take bytes from the main program.
TEST(PackageDirectoryRefusal, OverlapsAnEntryBeforeTheFirstAndANameListedTwice) {
  EXPECT_THAT(
      RefusalOf(SetupFile(Directory({EntryBytes("A", 10, 5), EntryBytes("B", 14, 5)}, 20)).Parse()),
      HasSubstr("entry 1 of 2 and entry 2 of 2 overlap."));
  EXPECT_THAT(RefusalOf(SetupFile(Directory({EntryBytes("A", 10, 5), EntryBytes("B", 20, 9),
                                             EntryBytes("C", 12, 1)},
                                            30))
                            .Parse()),
              HasSubstr("overlap."));
  EXPECT_THAT(
      RefusalOf(SetupFile(Directory({EntryBytes("A", 10, 5), EntryBytes("B", 9, 1)}, 20)).Parse()),
      HasSubstr("entry 2 of 2 lies before entry 1, where the main program ends."));
  EXPECT_THAT(
      RefusalOf(
          SetupFile(Directory({EntryBytes("Glyph.Dll", 10, 5), EntryBytes("GLYPH.DLL", 15, 5)}, 20))
              .Parse()),
      HasSubstr("the name \"GLYPH.DLL\" is listed twice."));
}

TEST(PackageDirectoryParse, AcceptsTheLargestDirectory) {
  std::vector<std::vector<uint8_t>> entries;
  for (int i = 0; i < 255; ++i) entries.push_back(EntryBytes("F" + std::to_string(i), i, 1));
  const SetupFile file(Directory(entries, 255));
  const auto result = file.Parse();
  ASSERT_TRUE(result.accepted()) << RefusalOf(result);
  ASSERT_EQ(result.directory.entries.size(), 255u);
  EXPECT_EQ(result.directory.entries[254].name, "F254");
  EXPECT_EQ(DirectoryTailSize(1'000'000), kMaxDirectorySize);
}

TEST(PackageDirectoryParse, NeedsOnlyTheBytesThatTheDirectoryCovers) {
  const auto directory = Directory({EntryBytes("A", 0, 1)}, 1);
  const int64_t fileLength = 5000;
  const auto result = ParsePackageDirectory(directory.data(), directory.size(), fileLength);
  EXPECT_TRUE(result.accepted()) << RefusalOf(result);
}

TEST(PackageDirectoryParse, AcceptsNamesThatOnlyLookUnusual) {
  for (const std::string name : {"...", ".profile", "a b.txt", "\xE9t\xE9.txt", "x..y"}) {
    const SetupFile file(Directory({EntryBytes(name, 0, 1)}, 1));
    EXPECT_TRUE(file.Parse().accepted()) << name;
  }
}

// ---- Refused directories ---------------------------------------------------

TEST(PackageDirectoryRefusal, AFileTooShortForATrailer) {
  const std::vector<uint8_t> bytes{1, 2, 3, 4};
  const auto result = ParsePackageDirectory(bytes.data(), bytes.size(), 4);
  EXPECT_THAT(RefusalOf(result), HasSubstr("too short"));
}

TEST(PackageDirectoryRefusal, AStreamLengthOfZeroOrLess) {
  for (const int32_t total : {0, -1, std::numeric_limits<int32_t>::min()}) {
    const SetupFile file(Directory({}, total));
    EXPECT_THAT(RefusalOf(file.Parse()), HasSubstr("unpacked length is " + std::to_string(total)));
  }
}

TEST(PackageDirectoryRefusal, EntriesThatWouldStartBeforeTheFile) {
  // Two entries announced, room for one: the file is 5 + 28 bytes long.
  auto bytes = EntryBytes("A", 0, 1);
  Append(bytes, TrailerBytes(2, 10));
  const auto result = ParsePackageDirectory(bytes.data(), bytes.size(), static_cast<int64_t>(bytes.size()));
  EXPECT_THAT(RefusalOf(result), HasSubstr("2 entries would start before the beginning"));
}

TEST(PackageDirectoryRefusal, ANameLengthAboveNineteen) {
  auto entry = EntryBytes("ABC", 0, 1);
  entry[0] = 20;
  const SetupFile file(Directory({EntryBytes("OK", 0, 1), entry}, 10));
  const std::string reason = RefusalOf(file.Parse());
  EXPECT_THAT(reason, HasSubstr("entry 2 of 2"));
  EXPECT_THAT(reason, HasSubstr("name length is 20"));
}

TEST(PackageDirectoryRefusal, NegativeOffsetOrSize) {
  EXPECT_THAT(RefusalOf(SetupFile(Directory({EntryBytes("A", -1, 1)}, 10)).Parse()),
              HasSubstr("offset is negative"));
  EXPECT_THAT(RefusalOf(SetupFile(Directory({EntryBytes("A", 1, -1)}, 10)).Parse()),
              HasSubstr("size is negative"));
}

TEST(PackageDirectoryRefusal, AnEntryReachingBeyondTheStream) {
  EXPECT_THAT(RefusalOf(SetupFile(Directory({EntryBytes("A", 5, 6)}, 10)).Parse()),
              HasSubstr("ends at byte 11, beyond the unpacked length of 10"));
}

TEST(PackageDirectoryRefusal, AnEntryWhoseEndOverflowsThirtyTwoBits) {
  const int32_t max = std::numeric_limits<int32_t>::max();
  const SetupFile file(Directory({EntryBytes("A", max - 8, 16)}, max));
  EXPECT_THAT(RefusalOf(file.Parse()), HasSubstr("beyond the unpacked length"));
}

class UnsafeEntryName : public ::testing::TestWithParam<std::string> {};

TEST_P(UnsafeEntryName, IsRefused) {
  const SetupFile file(Directory({EntryBytes(GetParam(), 0, 1)}, 1));
  const auto result = file.Parse();
  EXPECT_FALSE(result.accepted()) << "name: " << GetParam();
  EXPECT_TRUE(EntryNameProblem(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(PackageDirectoryRefusal, UnsafeEntryName,
                         ::testing::Values("", "..", ".", "SUB\\FILE.DLL", "sub/file.dll",
                                           "C:FILE.DLL", std::string("A\x01.TXT"),
                                           std::string("TAB\t.TXT"), std::string("\x1F"),
                                           std::string(1, '\0')));

TEST(PackageDirectoryRefusal, NamesTooLongForTheFieldWhenWriting) {
  EXPECT_FALSE(EntryNameProblem(std::string(19, 'N')).has_value());
  EXPECT_THAT(EntryNameProblem(std::string(20, 'N')).value_or(""), HasSubstr("longer than 19"));
}

TEST(PackageDirectoryRefusal, TailBytesThatDoNotMatchTheFile) {
  const auto directory = Directory({EntryBytes("A", 0, 1)}, 1);
  // More bytes than the file holds.
  EXPECT_FALSE(ParsePackageDirectory(directory.data(), directory.size(), 10).accepted());
  // Too few bytes to cover the announced entry.
  EXPECT_FALSE(ParsePackageDirectory(directory.data() + 10, directory.size() - 10, 1000).accepted());
}

}  // namespace
}  // namespace qm
