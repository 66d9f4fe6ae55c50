#include "qmpack/setup_media_block.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmpack/tool_error.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::string RefusalOf(const std::vector<uint8_t>& file) {
  return test::RefusalOf([&] { FindMediaBlock(file); }, "(found)");
}

TEST(SetupMediaBlock, FindsTheUnpatchedBlockWithTheDefaults) {
  const SetupMediaBlock block = FindMediaBlock(MinimalPe());
  EXPECT_EQ(block.offset, kMediaBlockAt);
  EXPECT_FALSE(block.problem);
  EXPECT_EQ(block.record.diskCount, 4);
  EXPECT_EQ(block.record.expectedPackageSize, 5'382'000);
  EXPECT_FALSE(block.record.VolumeRecorded(0));
}

TEST(SetupMediaBlock, PatchesInPlaceAndReadsBack) {
  auto file = MinimalPe();
  qm::MediaRecord record;
  record.diskCount = 3;
  record.expectedPackageSize = 12345;
  record.volumeSize[2] = 45;
  record.volumeCrc[2] = 0xCAFEF00D;
  record.streamCrc = 7;
  PatchMediaBlock(file, kMediaBlockAt, record);
  EXPECT_EQ(file.size(), MinimalPe().size());
  const SetupMediaBlock block = FindMediaBlock(file);
  EXPECT_EQ(block.record.diskCount, 3);
  EXPECT_EQ(block.record.expectedPackageSize, 12345);
  EXPECT_EQ(block.record.volumeSize[2], 45u);
  EXPECT_EQ(block.record.volumeCrc[2], 0xCAFEF00Du);
  EXPECT_TRUE(block.record.StreamRecorded());
}

TEST(SetupMediaBlock, RefusesNoBlockTwoBlocksOrOneOutsideTheImage) {
  auto none = MinimalPe();
  none[kMediaBlockAt] = 'X';
  EXPECT_THAT(RefusalOf(none), HasSubstr("no media block found"));

  auto two = MinimalPe();
  std::copy_n(two.begin() + kMediaBlockAt, qm::kMediaBlockSize, two.begin() + kMediaBlockAt + 0x100);
  EXPECT_THAT(RefusalOf(two), HasSubstr("occurs 2 times"));

  // Bytes appended after the image (such as a directory) are not the program's.
  auto appended = none;
  const auto block = qm::EncodeMediaBlock(qm::MediaRecord{});
  appended.insert(appended.end(), std::begin(block.bytes), std::end(block.bytes));
  EXPECT_THAT(RefusalOf(appended), HasSubstr("no media block found"));

  auto cut = MinimalPe();
  std::copy_n(block.bytes, 20, cut.end() - 20);  // the marker, then the image ends
  cut[kMediaBlockAt] = 'X';
  EXPECT_THAT(RefusalOf(cut), HasSubstr("runs past the end"));
}

// The setup programs of this tree's Windows builds, where they have been built.
TEST(SetupMediaBlock, EachBuiltSetupProgramHoldsExactlyOneBlock) {
  const fs::path buildRoot = QM_BUILD_ROOT;
  int checked = 0;
  for (const char* preset : {"windows", "windows64"}) {
    const fs::path setup = buildRoot / preset / "src" / "setup.exe";
    if (!fs::exists(setup)) continue;
    const SetupMediaBlock block = FindMediaBlock(ReadBytes(setup));
    EXPECT_FALSE(block.problem) << setup;
    EXPECT_EQ(block.record.diskCount, 4) << setup;
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no Windows build of setup.exe in " << buildRoot;
}

}  // namespace
}  // namespace qmpack
