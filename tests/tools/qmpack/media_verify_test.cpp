#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmpack/media.h"
#include "qmpack/setup_media_block.h"
#include "qmpack/tool_error.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;
using ::testing::Not;

// Built media in three volumes, spoiled in one way or another by each test.
class MediaVerify : public MediaTest {
 protected:
  void SetUp() override {
    AddProductFile("Kestreln.Exe", NoiseBytes(6000, 1));
    AddProductFile("A.DLL", NoiseBytes(3000, 2));
    AddProductFile("B.HLP", SampleBytes(4000, 3));
    BuildOptions options;
    options.setupFile = SetupExe();
    options.productFolder = Product();
    options.outFolder = Out();
    options.volumeSize = 5000;
    options.firstVolumeSize = 5000;
    options.parser = LzhParser::kGreedy;
    report_ = BuildMedia(options);
    ASSERT_EQ(report_.volumeNames.size(), 3u);
  }

  fs::path BuiltSetup() const { return Out() / "SETUP.EXE"; }

  DecodedMedia Decode() const { return DecodeMedia(BuiltSetup(), Out()); }

  static std::string Failures(const DecodedMedia& media) {
    std::string failures;
    for (const auto& check : media.checks) {
      if (!check.passed) failures += check.description + "\n";
    }
    return failures;
  }

  // Rewrites the setup's bytes counted back from its end.
  void PatchSetupFromEnd(size_t fromEnd, const std::vector<uint8_t>& bytes) {
    auto setup = ReadBytes(BuiltSetup());
    std::copy(bytes.begin(), bytes.end(), setup.end() - static_cast<std::ptrdiff_t>(fromEnd));
    WriteBytes(BuiltSetup(), setup);
  }

  void SetUnpackTotal(int32_t total) {
    const auto bits = static_cast<uint32_t>(total);
    PatchSetupFromEnd(4, {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                          static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)});
  }

  // Rewrites the values in the built setup's media block.
  template <typename Change>
  void ChangeMediaRecord(Change change) {
    auto setup = ReadBytes(BuiltSetup());
    const SetupMediaBlock block = FindMediaBlock(setup);
    qm::MediaRecord record = block.record;
    change(record);
    PatchMediaBlock(setup, block.offset, record);
    WriteBytes(BuiltSetup(), setup);
  }

  void FlipByte(const std::string& volume, size_t at) {
    auto bytes = ReadBytes(Out() / volume);
    bytes[at] ^= 0x01;
    WriteBytes(Out() / volume, bytes);
  }

  void ExpectExtractWritesNothing(const DecodedMedia& media) {
    EXPECT_THROW(ExtractProduct(media, Path("extracted")), ToolError);
    EXPECT_FALSE(fs::exists(Path("extracted")));
  }

  BuildReport report_;
};

TEST_F(MediaVerify, IntactMediaPassEveryCheck) {
  const auto media = Decode();
  EXPECT_TRUE(media.AllPassed()) << Failures(media);
  EXPECT_EQ(media.packageSize, report_.packageSize);
  EXPECT_EQ(media.checks.size(), 8u);
}

TEST_F(MediaVerify, DetectsATruncatedVolume) {
  auto last = ReadBytes(Out() / "Kestreln.003");
  last.resize(last.size() / 2);
  WriteBytes(Out() / "Kestreln.003", last);
  const auto media = Decode();
  EXPECT_FALSE(media.AllPassed());
  EXPECT_THAT(Failures(media), HasSubstr("a volume is missing or cut short"));
  ExpectExtractWritesNothing(media);
}

TEST_F(MediaVerify, DetectsAMissingLastVolume) {
  fs::remove(Out() / "Kestreln.003");
  EXPECT_THAT(Failures(Decode()), HasSubstr("a volume is missing or cut short"));
}

TEST_F(MediaVerify, RefusesAGapInTheVolumes) {
  fs::remove(Out() / "Kestreln.002");
  try {
    Decode();
    FAIL() << "a gap in the volumes went unnoticed";
  } catch (const ToolError& error) {
    EXPECT_THAT(error.what(), HasSubstr("Kestreln.003 is present but Kestreln.002"));
  }
}

TEST_F(MediaVerify, RefusesAMissingFirstVolume) {
  fs::remove(Out() / "Kestreln.001");
  EXPECT_THROW(Decode(), ToolError);
}

TEST_F(MediaVerify, DetectsBytesBeyondTheStream) {
  auto last = ReadBytes(Out() / "Kestreln.003");
  last.resize(last.size() + 100, 0x55);
  WriteBytes(Out() / "Kestreln.003", last);
  EXPECT_THAT(Failures(Decode()), HasSubstr("the volumes hold more than the stream"));
}

TEST_F(MediaVerify, DetectsAStreamLengthThatDoesNotMatchThePackage) {
  SetUnpackTotal(13000 + 500);
  EXPECT_THAT(Failures(Decode()), HasSubstr("a volume is missing or cut short"));
  SetUnpackTotal(13000 - 500);  // the last entry now reaches beyond it
  EXPECT_THAT(Failures(Decode()), HasSubstr("the directory is refused"));
}

TEST_F(MediaVerify, DetectsADirectoryTheSetupWouldRefuse) {
  PatchSetupFromEnd(5 + 2 * 28 - 1, {'/'});  // the first character of the first name
  const auto media = Decode();
  EXPECT_THAT(Failures(media), HasSubstr("the directory is refused"));
  ExpectExtractWritesNothing(media);
}

TEST_F(MediaVerify, DetectsAFirstEntryThatIsNotTheMainProgramsEnd) {
  // Swap the two entries: both still lie inside the stream, but the main
  // program would be cut at the later one.
  auto setup = ReadBytes(BuiltSetup());
  const auto first = setup.end() - 5 - 2 * 28;
  std::swap_ranges(first, first + 28, first + 28);
  WriteBytes(BuiltSetup(), setup);
  EXPECT_THAT(Failures(Decode()),
              HasSubstr("the directory is refused: The package directory at the end of the setup "
                        "program is damaged: entry 2 of 2 lies before entry 1"));
}

// ---- the setup's media block -------------------------------------------------

TEST_F(MediaVerify, NamesTheFirstVolumeThatDiffersFromItsRecord) {
  FlipByte("Kestreln.003", 10);
  FlipByte("Kestreln.002", 4999);
  const auto media = Decode();
  EXPECT_THAT(Failures(media), HasSubstr("Kestreln.002 differs from its record: 5000 bytes, CRC-32 0x"));
  EXPECT_THAT(Failures(media), Not(HasSubstr("Kestreln.003 differs")));
  ExpectExtractWritesNothing(media);
}

TEST_F(MediaVerify, DetectsASetupThatAsksForADiskThatIsNotThere) {
  ChangeMediaRecord([](qm::MediaRecord& record) { record.diskCount = 4; });
  EXPECT_THAT(Failures(Decode()), HasSubstr("the setup asks for 4 disk(s); 3 volume(s) are present"));
}

TEST_F(MediaVerify, DetectsAStreamThatDiffersFromItsRecord) {
  ChangeMediaRecord([](qm::MediaRecord& record) { record.streamCrc ^= 1; });
  EXPECT_THAT(Failures(Decode()), HasSubstr("the unpacked stream differs from its record"));
  ChangeMediaRecord([](qm::MediaRecord& record) {
    record.streamCrc ^= 1;
    record.expectedPackageSize += 1;
  });
  EXPECT_THAT(Failures(Decode()), HasSubstr("the setup's gauge expects"));
}

TEST_F(MediaVerify, MediaWithoutRecordsAreCheckedOnlyForTheirDiskCount) {
  ChangeMediaRecord([](qm::MediaRecord& record) { record = qm::MediaRecord{}; record.diskCount = 3; });
  const auto media = Decode();
  EXPECT_TRUE(media.AllPassed()) << Failures(media);
  EXPECT_EQ(media.checks.size(), 5u);
}

TEST_F(MediaVerify, FailsWhenTheSetupHasNoUsableBlock) {
  ChangeMediaRecord([](qm::MediaRecord& record) { record.expectedPackageSize = 0; });
  EXPECT_THAT(Failures(Decode()), HasSubstr("the media block is refused: its package size 0"));
}

}  // namespace
}  // namespace qmpack
