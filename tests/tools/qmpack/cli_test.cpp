#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "qmpack/cli.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// ---- argument errors -------------------------------------------------------

TEST(QmpackArguments, NoCommandOrAnUnknownOneIsAUsageError) {
  const Outcome none = Qmpack({});
  EXPECT_EQ(none.exitCode, kExitUsage);
  EXPECT_THAT(none.err, HasSubstr("qmpack build --setup SETUP.EXE"));
  const Outcome unknown = Qmpack({"pack"});
  EXPECT_EQ(unknown.exitCode, kExitUsage);
  EXPECT_THAT(unknown.err, HasSubstr("unknown command \"pack\""));
}

TEST(QmpackArguments, HelpGoesToStandardOutputAndSucceeds) {
  const Outcome overview = Qmpack({"--help"});
  EXPECT_EQ(overview.exitCode, kExitSuccess);
  EXPECT_THAT(overview.out, HasSubstr("qmpack decompress --size N IN OUT"));
  const Outcome build = Qmpack({"build", "--help"});
  EXPECT_EQ(build.exitCode, kExitSuccess);
  EXPECT_THAT(build.out, HasSubstr("--first-volume-size N"));
  EXPECT_THAT(build.err, IsEmpty());
  EXPECT_EQ(Qmpack({"verify", "a", "--help"}).exitCode, kExitSuccess);
}

TEST(QmpackArguments, MistakesNameTheProblemAndShowTheUsage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"build", "--product", "p", "--out", "o"}, "--setup is required"},
      {{"build", "--setup", "s", "--product", "p", "--out", "o", "--colour", "red"}, "unknown option --colour"},
      {{"build", "--setup", "s", "--setup", "t", "--product", "p", "--out", "o"}, "--setup is given twice"},
      {{"build", "--setup", "s", "--product", "p", "--out"}, "--out needs a value"},
      {{"build", "--setup", "s", "--product", "p", "--out", "o", "--volume-size", "1.4M"},
       "--volume-size needs a whole number"},
      {{"build", "--setup", "s", "--product", "p", "--out", "o", "--first-volume-size=0"},
       "--first-volume-size needs a whole number"},
      {{"build", "--setup", "s", "--product", "p", "--out", "o", "--greedy=yes"}, "--greedy takes no value"},
      {{"build", "--setup", "s", "--product", "p", "--out", "o", "extra"}, "expected 0 argument(s), got 1"},
      {{"list"}, "expected 1 argument(s), got 0"},
      {{"verify", "SETUP.EXE"}, "expected 2 argument(s), got 1"},
      {{"extract", "SETUP.EXE", "disks"}, "expected 3 argument(s), got 2"},
      {{"compress", "--better", "in", "out"}, "unknown option --better"},
      {{"decompress", "in", "out"}, "--size is required"},
      {{"decompress", "--size", "-5", "in", "out"}, "--size needs a whole number"},
      {{"decompress", "--size", "2147483648", "in", "out"}, "--size can be at most 2147483647"},
  };
  for (const auto& c : cases) {
    const Outcome run = Qmpack(c.args);
    EXPECT_EQ(run.exitCode, kExitUsage) << c.message;
    EXPECT_THAT(run.err, HasSubstr(c.message));
    EXPECT_THAT(run.err, HasSubstr("usage: qmpack " + c.args[0]));
  }
}

// ---- commands through the command line -------------------------------------

class QmpackCommands : public MediaTest {
 protected:
  std::vector<std::string> BuildArgs() const {
    return {"build", "--setup", SetupExe().string(), "--product", Product().string(),
            "--out", Out().string(), "--greedy"};
  }
};

TEST_F(QmpackCommands, BuildListVerifyExtractSucceedOnGoodMedia) {
  MakeSmallProduct();
  const Outcome build = Qmpack({"build", "--setup", SetupExe().string(), "--product",
                                Product().string(), "--out", Out().string(), "--greedy"});
  ASSERT_EQ(build.exitCode, kExitSuccess) << build.err;
  EXPECT_THAT(build.out, HasSubstr("diskCount 1"));

  const Outcome list = Qmpack({"list", (Out() / "SETUP.EXE").string()});
  EXPECT_EQ(list.exitCode, kExitSuccess);
  EXPECT_THAT(list.out, HasSubstr("main program: 20000 bytes"));
  EXPECT_THAT(list.out, HasSubstr("KESTRELN.HLP"));
  EXPECT_THAT(list.out, HasSubstr("verdict: plausible"));
  EXPECT_THAT(list.out, HasSubstr("media block at byte 768:\n  diskCount 1, expectedPackageSize "));
  EXPECT_THAT(list.out, HasSubstr("volume 2: not recorded"));
  EXPECT_THAT(list.out, HasSubstr("unpacked stream: 30000 bytes, CRC-32 0x"));

  const Outcome verify = Qmpack({"verify", (Out() / "SETUP.EXE").string(), Out().string()});
  EXPECT_EQ(verify.exitCode, kExitSuccess) << verify.out;
  EXPECT_THAT(verify.out, HasSubstr("verified"));

  const Outcome extract = Qmpack({"extract", "--main", "MAIN.EXE", (Out() / "SETUP.EXE").string(),
                              Out().string(), Path("x").string()});
  EXPECT_EQ(extract.exitCode, kExitSuccess) << extract.err;
  EXPECT_EQ(ReadBytes(Path("x/MAIN.EXE")), ReadBytes(Product() / "Kestreln.Exe"));
}

TEST_F(QmpackCommands, FailuresExitWithOneAndSayWhy) {
  const Outcome list = Qmpack({"list", SetupExe().string()});  // the bare executable: no directory
  EXPECT_EQ(list.exitCode, kExitFailure);
  EXPECT_THAT(list.out, HasSubstr("verdict: The package directory"));

  const Outcome missing = Qmpack({"list", Path("none.exe").string()});
  EXPECT_EQ(missing.exitCode, kExitFailure);
  EXPECT_THAT(missing.err, HasSubstr("qmpack list: error: cannot open"));

  MakeSmallProduct();
  ASSERT_EQ(Qmpack({"build", "--setup", SetupExe().string(), "--product", Product().string(),
                    "--out", Out().string(), "--greedy"})
                .exitCode,
            kExitSuccess);
  auto volume = ReadBytes(Out() / "Kestreln.001");
  volume.resize(volume.size() - 200);
  WriteBytes(Out() / "Kestreln.001", volume);
  const Outcome verify = Qmpack({"verify", (Out() / "SETUP.EXE").string(), Out().string()});
  EXPECT_EQ(verify.exitCode, kExitFailure);
  EXPECT_THAT(verify.out, HasSubstr("FAILED"));
  EXPECT_THAT(verify.out, HasSubstr("verification failed"));
}

TEST_F(QmpackCommands, ASetupWithoutItsMediaBlockIsRefused) {
  MakeSmallProduct();
  auto setup = MinimalPe();
  setup[kMediaBlockAt + 3] = '?';
  WriteBytes(SetupExe(), setup);
  const Outcome build = Qmpack({"build", "--setup", SetupExe().string(), "--product", Product().string(),
                                "--out", Out().string(), "--greedy"});
  EXPECT_EQ(build.exitCode, kExitFailure);
  EXPECT_THAT(build.err, HasSubstr("no media block found"));
  EXPECT_FALSE(fs::exists(Out()));
  const Outcome list = Qmpack({"list", SetupExe().string()});
  EXPECT_EQ(list.exitCode, kExitFailure);
  EXPECT_THAT(list.out, HasSubstr("media block: no media block found"));
}

TEST_F(QmpackCommands, BuildRefusesSubfoldersWithoutAListAsAWrongCommandLine) {
  MakeSmallProduct();
  fs::create_directories(Product() / "sub");
  WriteText(Product() / "sub" / "a.txt", "a");
  const Outcome refused = Qmpack(BuildArgs());
  EXPECT_EQ(refused.exitCode, kExitUsage);
  EXPECT_THAT(refused.err, HasSubstr("qmpack build: the product folder "));
  EXPECT_THAT(refused.err, HasSubstr("subfolders, whose files would not be packed: \"sub\"\n"));
  EXPECT_THAT(refused.err, HasSubstr("name the files to pack with --list\nusage: qmpack build"));
  EXPECT_THAT(refused.out, IsEmpty());
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(QmpackCommands, BuildWarnsOfEachNameItLeavesOut) {
  MakeSmallProduct();
  WriteBytes(Path("UnInstal.Exe"), {'M', 'Z'});  // else the build warns that there is none
  const Outcome clean = Qmpack(BuildArgs());
  ASSERT_EQ(clean.exitCode, kExitSuccess) << clean.err;
  EXPECT_THAT(clean.err, IsEmpty());

  AddProductFile(".hidden", {1});
  AddProductFile("notes.txt~", {2});
  const Outcome built = Qmpack(BuildArgs());
  EXPECT_EQ(built.exitCode, kExitSuccess) << built.err;
  EXPECT_THAT(built.err, HasSubstr("qmpack build: warning: left out names starting with \".\" "
                                   "or ending in \"~\" (a --list file can name them):\n"
                                   "  .hidden\n  notes.txt~\n"));
  EXPECT_THAT(built.out, HasSubstr("directory of 4 entries"));
}

TEST_F(QmpackCommands, ListShowsTheFieldsOfADamagedDirectory) {
  auto setup = MinimalPe();
  const std::vector<uint8_t> entry = {3, 'A', '\x01', 'C', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      1, 0, 0, 0, 2, 0, 0, 0};
  setup.insert(setup.end(), entry.begin(), entry.end());
  setup.insert(setup.end(), {1, 10, 0, 0, 0});
  WriteBytes(Path("damaged.exe"), setup);
  const Outcome list = Qmpack({"list", Path("damaged.exe").string()});
  EXPECT_EQ(list.exitCode, kExitFailure);
  EXPECT_THAT(list.out, HasSubstr("A\\x01C"));
  EXPECT_THAT(list.out, HasSubstr("control character"));
}

TEST_F(QmpackCommands, CompressAndDecompressRawStreams) {
  const auto data = SampleBytes(50000, 11);
  WriteBytes(Path("data.bin"), data);
  for (const bool greedy : {false, true}) {
    std::vector<std::string> args = {"compress", Path("data.bin").string(), Path("data.lzh").string()};
    if (greedy) args.insert(args.begin() + 1, "--greedy");
    ASSERT_EQ(Qmpack(args).exitCode, kExitSuccess);
    const Outcome decompress = Qmpack({"decompress", "--size", "50000", Path("data.lzh").string(),
                                   Path("back.bin").string()});
    ASSERT_EQ(decompress.exitCode, kExitSuccess);
    EXPECT_THAT(decompress.err, IsEmpty());
    EXPECT_EQ(ReadBytes(Path("back.bin")), data);
  }
}

TEST_F(QmpackCommands, AnEmptyFileRoundTrips) {
  WriteBytes(Path("empty.bin"), {});
  ASSERT_EQ(Qmpack({"compress", Path("empty.bin").string(), Path("empty.lzh").string()}).exitCode,
            kExitSuccess);
  EXPECT_EQ(fs::file_size(Path("empty.lzh")), 0u);
  const Outcome run =
      Qmpack({"decompress", "--size", "0", Path("empty.lzh").string(), Path("back.bin").string()});
  EXPECT_EQ(run.exitCode, kExitSuccess) << run.err;
  ASSERT_TRUE(fs::exists(Path("back.bin")));
  EXPECT_EQ(fs::file_size(Path("back.bin")), 0u);
}

TEST_F(QmpackCommands, DecompressWarnsWhenTheInputEndsEarly) {
  WriteBytes(Path("data.bin"), NoiseBytes(5000, 12));
  ASSERT_EQ(Qmpack({"compress", Path("data.bin").string(), Path("data.lzh").string()}).exitCode,
            kExitSuccess);
  auto packed = ReadBytes(Path("data.lzh"));
  packed.resize(packed.size() / 2);
  WriteBytes(Path("data.lzh"), packed);
  const Outcome run = Qmpack({"decompress", "--size=5000", Path("data.lzh").string(), Path("back.bin").string()});
  EXPECT_EQ(run.exitCode, kExitSuccess);
  EXPECT_THAT(run.err, HasSubstr("warning: the input ended"));
  EXPECT_EQ(fs::file_size(Path("back.bin")), 5000u);
}

}  // namespace
}  // namespace qmpack
