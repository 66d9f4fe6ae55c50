#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "qmpack/media.h"
#include "qmpack/setup_media_block.h"
#include "qmpack/tool_error.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class MediaBuild : public MediaTest {
 protected:
  BuildOptions Options() const {
    BuildOptions options;
    options.setupFile = SetupExe();
    options.productFolder = Product();
    options.outFolder = Out();
    options.parser = LzhParser::kGreedy;
    return options;
  }

  std::string RefusalOf(const BuildOptions& options) {
    try {
      BuildMedia(options);
    } catch (const ToolError& error) {
      EXPECT_FALSE(fs::exists(options.outFolder / "SETUP.EXE")) << "a refused build wrote the setup";
      return error.what();
    }
    return "(built)";
  }

  std::vector<std::string> EntryNames() const {
    std::vector<std::string> names;
    for (const auto& entry : ReadSetupDirectory(Out() / "SETUP.EXE").parse.directory.entries) {
      names.push_back(entry.name);
    }
    return names;
  }
};

// ---- round trip ------------------------------------------------------------

TEST_F(MediaBuild, BuildThenListVerifyAndExtractGiveBackTheProduct) {
  MakeSmallProduct();
  auto options = Options();
  options.parser = LzhParser::kBetter;
  const BuildReport report = BuildMedia(options);

  EXPECT_EQ(report.entryCount, 3u);
  EXPECT_EQ(report.mainProgramSize, 20000u);
  EXPECT_EQ(report.unpackTotal, 30000);
  EXPECT_EQ(report.setupSize, MinimalPe().size() + 3 * 28 + 5);
  EXPECT_THAT(report.volumeNames, ElementsAre("Kestreln.001"));

  // The setup copy is the original image, its media block set for the media,
  // followed by the directory.
  EXPECT_EQ(report.media.diskCount, 1);
  EXPECT_EQ(report.media.expectedPackageSize, static_cast<int32_t>(report.packageSize));
  const auto setup = ReadBytes(Out() / "SETUP.EXE");
  auto image = MinimalPe();
  PatchMediaBlock(image, kMediaBlockAt, report.media);
  ASSERT_EQ(setup.size(), report.setupSize);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), setup.begin()));
  const SetupDirectory listed = ReadSetupDirectory(Out() / "SETUP.EXE");
  ASSERT_TRUE(listed.parse.accepted()) << listed.parse.refusal->reason;
  EXPECT_EQ(listed.parse.directory.entries.front().offset, 20000);

  const DecodedMedia media = DecodeMedia(Out() / "SETUP.EXE", Out());
  EXPECT_TRUE(media.AllPassed());

  const auto written = ExtractProduct(media, Path("extracted"));
  EXPECT_EQ(written.size(), 4u);
  for (const auto& name : {"Kestreln.Exe", "KESTRELN.HLP", "CTRLKN.SYS", "EMPTY.TXT"}) {
    EXPECT_EQ(ReadBytes(Path("extracted") / name), ReadBytes(Product() / name)) << name;
  }
}

TEST_F(MediaBuild, PacksByNameWithTheMainProgramFirst) {
  MakeSmallProduct();
  BuildMedia(Options());
  EXPECT_THAT(EntryNames(), ElementsAre("CTRLKN.SYS", "EMPTY.TXT", "KESTRELN.HLP"));
}

TEST_F(MediaBuild, PacksInTheListFilesOrderAndOnlyWhatItNames) {
  MakeSmallProduct();
  AddProductFile("NOTES.DOC", SampleBytes(10, 9));
  WriteText(Path("order.lst"), "# packing order\nKESTRELN.HLP\r\n\n  CTRLKN.SYS  \nKestreln.Exe\n");
  auto options = Options();
  options.listFile = Path("order.lst");
  BuildMedia(options);
  EXPECT_THAT(EntryNames(), ElementsAre("KESTRELN.HLP", "CTRLKN.SYS"));
  EXPECT_TRUE(DecodeMedia(Out() / "SETUP.EXE", Out()).AllPassed());
}

TEST_F(MediaBuild, SplitsIntoVolumesNamedFromTheFirstAndJoinsThemBack) {
  AddProductFile("Kestreln.Exe", NoiseBytes(9000, 4));
  AddProductFile("DATA.BIN", NoiseBytes(2000, 5));
  auto options = Options();
  options.volumeSize = 5000;
  options.firstVolumeSize = 3000;
  options.firstVolume = "PRODUCT.PK1";
  const BuildReport report = BuildMedia(options);

  EXPECT_THAT(report.volumeNames, ElementsAre("PRODUCT.PK1", "PRODUCT.002", "PRODUCT.003"));
  ASSERT_EQ(report.volumeLengths.size(), 3u);
  EXPECT_EQ(report.volumeLengths[0], 3000u);
  EXPECT_EQ(report.volumeLengths[1], 5000u);
  EXPECT_EQ(report.volumeLengths[0] + report.volumeLengths[1] + report.volumeLengths[2], report.packageSize);
  EXPECT_EQ(fs::file_size(Out() / "PRODUCT.002"), 5000u);
  EXPECT_TRUE(DecodeMedia(Out() / "SETUP.EXE", Out(), "PRODUCT.PK1").AllPassed());
}

TEST_F(MediaBuild, LeavesRoomForTheSetupOnDiskOneByDefault) {
  AddProductFile("Kestreln.Exe", NoiseBytes(5000, 6));
  auto options = Options();
  options.volumeSize = 4000;
  const BuildReport report = BuildMedia(options);
  // The setup copy (0x800 + 5 bytes) takes five 512-byte clusters.
  EXPECT_EQ(report.volumeLengths[0], 4000u - 5 * 512);
}

TEST_F(MediaBuild, RemovesLaterVolumesOfAnEarlierLargerBuild) {
  AddProductFile("Kestreln.Exe", NoiseBytes(5000, 6));
  fs::create_directories(Out());
  WriteText(Out() / "Kestreln.002", "old");
  WriteText(Out() / "Kestreln.004", "old");
  const BuildReport report = BuildMedia(Options());
  EXPECT_THAT(report.staleVolumesRemoved, ElementsAre("Kestreln.002", "Kestreln.004"));
  EXPECT_FALSE(fs::exists(Out() / "Kestreln.002"));
  EXPECT_TRUE(DecodeMedia(Out() / "SETUP.EXE", Out()).AllPassed());
}

TEST_F(MediaBuild, AProductOfOnlyTheMainProgramHasAnEmptyDirectory) {
  AddProductFile("Kestreln.Exe", SampleBytes(100, 7));
  BuildMedia(Options());
  const auto listed = ReadSetupDirectory(Out() / "SETUP.EXE");
  ASSERT_TRUE(listed.parse.accepted());
  EXPECT_TRUE(listed.parse.directory.entries.empty());
  const auto media = DecodeMedia(Out() / "SETUP.EXE", Out());
  ExtractProduct(media, Path("x"));
  EXPECT_EQ(ReadBytes(Path("x/Kestreln.Exe")), SampleBytes(100, 7));
}

// ---- what the product folder holds besides files ---------------------------

TEST_F(MediaBuild, RefusesSubfoldersUnlessAListNamesTheFilesToPack) {
  MakeSmallProduct();
  fs::create_directories(Product() / "sub");
  WriteText(Product() / "sub" / "a.txt", "a");
  for (const std::string name : {"s1", "s2", "s3", "s4"}) fs::create_directory(Product() / name);
  EXPECT_THAT(RefusalOf(Options()),
              HasSubstr("holds subfolders, whose files would not be packed: "
                        "\"s1\", \"s2\", \"s3\", \"s4\", \"sub\"\nthe package holds no folders"));

  fs::create_directory(Product() / "s5");
  fs::create_directory(Product() / "s6");
  EXPECT_THAT(RefusalOf(Options()),
              HasSubstr("\"s1\", \"s2\", \"s3\", \"s4\", \"s5\" and 2 more\n"));
  EXPECT_FALSE(fs::exists(Out()));

  // A list names the files to pack; the folders stay out, but one it names is refused.
  auto listed = Options();
  listed.listFile = Path("order.lst");
  WriteText(Path("order.lst"), "CTRLKN.SYS\n");
  BuildMedia(listed);
  EXPECT_THAT(EntryNames(), ElementsAre("CTRLKN.SYS"));
  fs::remove_all(Out());
  WriteText(Path("order.lst"), "CTRLKN.SYS\nsub\n");
  EXPECT_THAT(RefusalOf(listed), HasSubstr("cannot pack \"sub\": it is a folder"));
}

TEST_F(MediaBuild, LeavesHiddenAndBackupNamesOutUnlessTheListNamesThem) {
  MakeSmallProduct();
  AddProductFile(".DS_Store", {1});
  AddProductFile("README.TXT~", {2});
  AddProductFile("KESTRE~1.DLL", {3});  // a short name, not a backup
  fs::create_directory(Product() / ".git");
  fs::create_symlink("gone", Product() / ".#README.TXT");  // an editor's lock
  const BuildReport report = BuildMedia(Options());
  EXPECT_THAT(report.leftOut, ElementsAre(".#README.TXT", ".DS_Store", ".git", "README.TXT~"));
  EXPECT_THAT(EntryNames(), ElementsAre("CTRLKN.SYS", "EMPTY.TXT", "KESTRELN.HLP", "KESTRE~1.DLL"));

  fs::remove_all(Out());
  WriteText(Path("order.lst"), ".DS_Store\nREADME.TXT~\n");
  auto listed = Options();
  listed.listFile = Path("order.lst");
  EXPECT_THAT(BuildMedia(listed).leftOut, IsEmpty());
  EXPECT_THAT(EntryNames(), ElementsAre(".DS_Store", "README.TXT~"));
}

TEST_F(MediaBuild, PacksLinksToFilesWithTheirContentAndRefusesOtherLinksByName) {
  AddProductFile("Kestreln.Exe", SampleBytes(100, 1));
  WriteBytes(Path("outside.dat"), SampleBytes(30, 2));
  fs::create_symlink(Path("outside.dat"), Product() / "LINKED.DAT");
  BuildMedia(Options());
  ExtractProduct(DecodeMedia(Out() / "SETUP.EXE", Out()), Path("x"));
  EXPECT_EQ(ReadBytes(Path("x/LINKED.DAT")), SampleBytes(30, 2));

  fs::create_directory(Path("folder"));
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  struct Case {
    std::string name;
    fs::path target;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"GONE.DAT", Path("nothing"), "it is a symbolic link to nothing"},
      {"FOLDER.LNK", Path("folder"), "it is a symbolic link to a folder"},
      {"PIPE.LNK", Path("pipe"), "it is a symbolic link to something other than a regular file"},
  };
  auto fresh = Options();
  fresh.outFolder = Path("out2");
  auto listed = fresh;
  listed.listFile = Path("order.lst");
  for (const auto& c : cases) {
    fs::create_symlink(c.target, Product() / c.name);
    WriteText(Path("order.lst"), "LINKED.DAT\n" + c.name + "\n");
    const std::string refusal = "cannot pack \"" + c.name + "\": " + c.reason;
    EXPECT_THAT(RefusalOf(fresh), HasSubstr(refusal));
    EXPECT_THAT(RefusalOf(listed), HasSubstr(refusal));
    fs::remove(Product() / c.name);
  }
  ASSERT_EQ(mkfifo((Product() / "PIPE").c_str(), 0600), 0);
  EXPECT_THAT(RefusalOf(fresh), HasSubstr("cannot pack \"PIPE\": it is a device, pipe or socket"));
  fs::remove(Product() / "PIPE");

  fs::remove(Product() / "Kestreln.Exe");
  fs::create_symlink(Path("nothing"), Product() / "Kestreln.Exe");
  EXPECT_THAT(RefusalOf(fresh),
              HasSubstr("cannot pack \"Kestreln.Exe\": it is a symbolic link to nothing"));
  EXPECT_FALSE(fs::exists(fresh.outFolder));
}

// ---- setup programs that already carry data --------------------------------

TEST_F(MediaBuild, RefusesASetupWithDataAfterItsImageUnlessToldToReplaceIt) {
  MakeSmallProduct();
  BuildMedia(Options());  // the output's setup now carries a directory
  auto again = Options();
  again.setupFile = Out() / "SETUP.EXE";
  again.outFolder = Path("out2");
  const std::string refusal = RefusalOf(again);
  EXPECT_THAT(refusal, HasSubstr("already carries 89 bytes after its image (a package directory)"));
  EXPECT_THAT(refusal, HasSubstr("--replace"));

  again.replaceTrailingData = true;
  const BuildReport report = BuildMedia(again);
  EXPECT_EQ(report.cutTrailingBytes, 89u);
  EXPECT_EQ(ReadBytes(Path("out2/SETUP.EXE")), ReadBytes(Out() / "SETUP.EXE"));
}

// ---- what the format can't hold --------------------------------------------

TEST_F(MediaBuild, RefusesAPackageNeedingMoreThanFourVolumes) {
  AddProductFile("Kestreln.Exe", NoiseBytes(5000, 8));
  auto options = Options();
  options.volumeSize = 1000;
  options.firstVolumeSize = 1000;
  EXPECT_THAT(RefusalOf(options), HasSubstr("needs 6 volumes"));
  EXPECT_FALSE(fs::exists(Out() / "Kestreln.001"));
}

TEST_F(MediaBuild, RefusesASetupThatLeavesNoRoomOnDiskOne) {
  AddProductFile("Kestreln.Exe", NoiseBytes(10, 8));
  auto options = Options();
  options.volumeSize = 2560;  // exactly the five clusters of the setup copy
  EXPECT_THAT(RefusalOf(options), HasSubstr("leaves no room"));
}

TEST_F(MediaBuild, RefusesMoreThan255FilesButPacks255) {
  AddProductFile("Kestreln.Exe", SampleBytes(10, 1));
  for (int i = 0; i < 255; ++i) AddProductFile("F" + std::to_string(i) + ".DAT", {static_cast<uint8_t>(i)});
  BuildMedia(Options());
  EXPECT_EQ(EntryNames().size(), 255u);
  EXPECT_TRUE(DecodeMedia(Out() / "SETUP.EXE", Out()).AllPassed());

  fs::remove_all(Out());
  AddProductFile("F255.DAT", {1});
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("256 files besides the main program"));
}

TEST_F(MediaBuild, RefusesNamesTheDirectoryCantHold) {
  AddProductFile("Kestreln.Exe", SampleBytes(10, 1));
  AddProductFile("ABCDEFGHIJKLMNOPQ.EXE", {1});  // 21 characters
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("longer than 19"));

  fs::remove(Product() / "ABCDEFGHIJKLMNOPQ.EXE");
  AddProductFile("ABCDEFGHIJKLMNO.EXE", {1});  // 19 fit
  EXPECT_EQ(RefusalOf(Options()), "(built)");
  fs::remove_all(Out());

  AddProductFile("C:DRIVE.TXT", {1});
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("separator"));
  fs::remove(Product() / "C:DRIVE.TXT");
  AddProductFile("BELL\a.TXT", {1});
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("control character"));
}

TEST_F(MediaBuild, RefusesUnsafeOrRepeatedNamesInTheListFile) {
  MakeSmallProduct();
  auto options = Options();
  options.listFile = Path("order.lst");
  for (const std::string line : {"..", "sub/CTRLKN.SYS", "sub\\CTRLKN.SYS"}) {
    WriteText(Path("order.lst"), line + "\n");
    EXPECT_THAT(RefusalOf(options), HasSubstr("cannot pack")) << line;
  }
  WriteText(Path("order.lst"), "CTRLKN.SYS\nctrlkn.sys\n");
  EXPECT_THAT(RefusalOf(options), HasSubstr("packed twice"));
  WriteText(Path("order.lst"), "MISSING.DLL\n");
  EXPECT_THAT(RefusalOf(options), HasSubstr("product file missing"));
}

TEST_F(MediaBuild, RefusesAMissingOrEmptyMainProgram) {
  AddProductFile("OTHER.DLL", {1});
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("Kestreln.Exe"));
  AddProductFile("Kestreln.Exe", {});
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("Kestreln.Exe is empty"));
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(MediaBuild, RefusesNamesWindowsCannotCreateBeforeWritingAnything) {
  AddProductFile("Kestreln.Exe", SampleBytes(10, 1));
  for (const std::string name : {"WHAT?.TXT", "A*B.TXT", "Q\"UOTE.TXT", "A<B", "A>B", "PIPE|.TXT",
                                 "TRAILING.", "TRAILING ", "CON", "nul.txt", "COM3.DAT", "lpt1"}) {
    AddProductFile(name, {1});
    EXPECT_THAT(RefusalOf(Options()), HasSubstr("cannot pack \"" + name + "\"")) << name;
    EXPECT_FALSE(fs::exists(Out())) << name;
    fs::remove(Product() / name);
  }
  AddProductFile("\xC5\x81odz.txt", {1});  // L with stroke, which code page 1252 lacks
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("code page 1252"));
}

TEST_F(MediaBuild, StoresNamesInCodePage1252AndExtractsThemUnderTheirUtf8Names) {
  AddProductFile("Kestreln.Exe", SampleBytes(100, 1));
  AddProductFile("Caf\xC3\xA9.txt", SampleBytes(50, 2));
  BuildMedia(Options());
  EXPECT_THAT(EntryNames(), ElementsAre("Caf\xE9.txt"));
  ExtractProduct(DecodeMedia(Out() / "SETUP.EXE", Out()), Path("x"));
  EXPECT_EQ(ReadBytes(Path("x") / "Caf\xC3\xA9.txt"), SampleBytes(50, 2));
}

TEST_F(MediaBuild, FindsTheMainProgramRegardlessOfLetterCase) {
  AddProductFile("KESTRELN.EXE", SampleBytes(300, 1));
  AddProductFile("DATA.BIN", SampleBytes(40, 2));
  const BuildReport report = BuildMedia(Options());
  EXPECT_EQ(report.mainProgramSize, 300u);
  EXPECT_THAT(EntryNames(), ElementsAre("DATA.BIN"));

  // A list line naming it in another case means the main program too.
  fs::remove_all(Out());
  WriteText(Path("order.lst"), "kestreln.exe\nDATA.BIN\n");
  auto listed = Options();
  listed.listFile = Path("order.lst");
  BuildMedia(listed);
  EXPECT_THAT(EntryNames(), ElementsAre("DATA.BIN"));

  // Two files that Windows would take for the same one.
  fs::remove_all(Out());
  AddProductFile("kestreln.exe", SampleBytes(300, 3));
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("Windows can hold only one"));
}

TEST_F(MediaBuild, ChecksThatThePackageDecodesBeforeWritingAnything) {
  MakeSmallProduct();
  for (const size_t at : {size_t{0}, size_t{5000}}) {
    auto options = Options();
    options.alterPackage = [at](std::vector<uint8_t>& package) { package[at % package.size()] ^= 0x10; };
    EXPECT_THAT(RefusalOf(options), HasSubstr("does not decode to the product's bytes")) << at;
    EXPECT_FALSE(fs::exists(Out())) << at;
  }
  auto cut = Options();
  cut.alterPackage = [](std::vector<uint8_t>& package) { package.resize(package.size() / 2); };
  EXPECT_THAT(RefusalOf(cut), HasSubstr("nothing was written"));
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(MediaBuild, RefusesASetupWithoutItsMediaBlock) {
  MakeSmallProduct();
  auto setup = MinimalPe();
  setup[kMediaBlockAt] ^= 0xFF;
  WriteBytes(SetupExe(), setup);
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("no media block found"));
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(MediaBuild, RefusesASetupThatIsNoExecutable) {
  MakeSmallProduct();
  WriteText(SetupExe(), "not a program at all");
  EXPECT_THAT(RefusalOf(Options()), HasSubstr("no MZ header"));
}

}  // namespace
}  // namespace qmpack
