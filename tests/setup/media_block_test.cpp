#include "setup/media_block.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/setup.h"
#include "setup/setup_sequence.h"

namespace qm {
namespace {

MediaRecord RecordedMedia() {
  MediaRecord record;
  record.diskCount = 2;
  record.expectedPackageSize = 1'600'000;
  record.volumeSize[0] = 1'200'000;
  record.volumeSize[1] = 400'000;
  record.volumeCrc[0] = 0xDEADBEEF;
  record.volumeCrc[1] = 0x01020304;
  record.streamLength = 3'000'000;
  record.streamCrc = 0x89ABCDEF;
  return record;
}

TEST(MediaBlock, StartsWithItsMarkerAndLaysOutFieldsLittleEndian) {
  const MediaBlockBytes block = EncodeMediaBlock(RecordedMedia());
  EXPECT_TRUE(std::equal(kMediaBlockMarker, kMediaBlockMarker + kMediaBlockMarkerSize, block.bytes));
  const uint8_t version[] = {1, 0, 0, 0};
  const uint8_t packageSize[] = {0x00, 0x6A, 0x18, 0x00};  // 1,600,000
  const uint8_t firstCrc[] = {0xEF, 0xBE, 0xAD, 0xDE};
  EXPECT_TRUE(std::equal(version, version + 4, block.bytes + 16));
  EXPECT_EQ(block.bytes[20], 2);
  EXPECT_TRUE(std::equal(packageSize, packageSize + 4, block.bytes + 24));
  EXPECT_TRUE(std::equal(firstCrc, firstCrc + 4, block.bytes + 44));
}

TEST(MediaBlock, DecodesWhatWasEncoded) {
  const MediaBlockBytes block = EncodeMediaBlock(RecordedMedia());
  const auto record = DecodeMediaBlock(block.bytes);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->diskCount, 2);
  EXPECT_EQ(record->expectedPackageSize, 1'600'000);
  EXPECT_EQ(record->volumeSize[1], 400'000u);
  EXPECT_EQ(record->volumeCrc[1], 0x01020304u);
  EXPECT_TRUE(record->VolumeRecorded(1));
  EXPECT_FALSE(record->VolumeRecorded(2));
  EXPECT_EQ(record->streamLength, 3'000'000u);
  EXPECT_EQ(record->streamCrc, 0x89ABCDEFu);
}

TEST(MediaBlock, RefusesValuesTheSetupCannotRunWith) {
  MediaBlockBytes block = EncodeMediaBlock(MediaRecord{});
  block.bytes[16] = 2;  // an unknown layout
  EXPECT_FALSE(DecodeMediaBlock(block.bytes));
  for (const int32_t disks : {0, 5, -1}) {
    MediaRecord record;
    record.diskCount = disks;
    EXPECT_FALSE(DecodeMediaBlock(EncodeMediaBlock(record).bytes)) << disks;
  }
  MediaRecord empty;
  empty.expectedPackageSize = 0;
  EXPECT_FALSE(DecodeMediaBlock(EncodeMediaBlock(empty).bytes));
}

TEST(MediaBlock, AnUnpatchedSetupStartsWithTheDefaultsAndNothingRecorded) {
  FakePlatform os;
  qm::Setup setup(os);
  setup.product.diskCount = 0;
  setup.media.diskCount = 0;
  StartUp(setup);
  EXPECT_EQ(setup.product.diskCount, 4);
  EXPECT_EQ(setup.media.diskCount, 4);
  EXPECT_EQ(setup.media.expectedPackageSize, 5'382'000);
  for (int i = 0; i < kMaxVolumes; ++i) EXPECT_FALSE(setup.media.VolumeRecorded(i));
  EXPECT_FALSE(setup.media.StreamRecorded());
}

}  // namespace
}  // namespace qm
