// The uninstaller in the media: the one built with the setup program goes in
// when the product brings none, the product's own otherwise, and `list`
// tells which one the volumes hold.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "qmpack/cli.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

class UninstallerInMedia : public MediaTest {
 protected:
  Outcome Build(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", "--setup", SetupExe().string(), "--product",
                                     Product().string(), "--out", Out().string(), "--greedy"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Qmpack(args);
  }
  Outcome List() { return Qmpack({"list", (Out() / "SETUP.EXE").string()}); }
  std::vector<uint8_t> Extracted(const std::string& name) {
    EXPECT_EQ(Qmpack({"extract", (Out() / "SETUP.EXE").string(), Out().string(),
                      Path("x").string()})
                  .exitCode,
              kExitSuccess);
    return ReadBytes(Path("x") / name);
  }
};

TEST_F(UninstallerInMedia, TheOneBesideTheSetupProgramGoesInWhenTheProductHasNone) {
  MakeSmallProduct();
  const auto ours = Bytes("MZ uninstaller QMSETUP-UNINSTALLER 1 end");
  WriteBytes(Path("UnInstal.exe"), ours);  // as the build names it
  const Outcome build = Build();
  ASSERT_EQ(build.exitCode, kExitSuccess) << build.err;
  EXPECT_THAT(build.out, HasSubstr("uninstaller: UnInstal.Exe added from " + Path("UnInstal.exe").string()));
  EXPECT_THAT(List().out, HasSubstr("uninstaller: UnInstal.Exe, 40 bytes, the one built with the setup program"));
  EXPECT_EQ(Extracted("UnInstal.Exe"), ours);

  WriteBytes(Path("Other.Exe"), Bytes("MZ another uninstaller"));
  ASSERT_EQ(Build({"--uninstaller", Path("Other.Exe").string()}).exitCode, kExitSuccess);
  EXPECT_THAT(List().out, HasSubstr("uninstaller: UnInstal.Exe, 22 bytes, not the one built"));
  EXPECT_EQ(Build({"--uninstaller", Path("None.Exe").string()}).exitCode, kExitFailure);

  fs::remove(Out() / "Kestreln.001");
  EXPECT_THAT(List().out, HasSubstr("(the volumes beside the setup program tell whose it is)"));
}

TEST_F(UninstallerInMedia, TheProductsOwnStaysAndWithoutAnyTheBuildWarns) {
  MakeSmallProduct();
  const Outcome bare = Build();
  ASSERT_EQ(bare.exitCode, kExitSuccess) << bare.err;
  EXPECT_THAT(bare.err, HasSubstr("the product has no UnInstal.Exe"));
  EXPECT_THAT(List().out, HasSubstr("uninstaller: none in the package"));

  WriteBytes(Path("UnInstal.Exe"), Bytes("MZ uninstaller QMSETUP-UNINSTALLER 1"));
  AddProductFile("uninstal.exe", Bytes("MZ the product's own"));
  const Outcome own = Build();
  ASSERT_EQ(own.exitCode, kExitSuccess) << own.err;
  EXPECT_THAT(own.out, HasSubstr("uninstaller: the product's own UnInstal.Exe"));
  EXPECT_THAT(List().out, HasSubstr(", not the one built with the setup program"));
  EXPECT_EQ(Extracted("uninstal.exe"), Bytes("MZ the product's own"));
  const Outcome both = Build({"--uninstaller", Path("UnInstal.Exe").string()});
  EXPECT_EQ(both.exitCode, kExitUsage);
  EXPECT_THAT(both.err, HasSubstr("leave out --uninstaller"));
}

}  // namespace
}  // namespace qmpack
