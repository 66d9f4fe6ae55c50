// The finishing actions one at a time, on a fake Windows set up for each case.
#include "setup/integration_actions.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/reg_ini_file.h"

namespace qm {
namespace {

constexpr char kDestination[] = "C:\\KESTRELON";
constexpr char kWindows[] = "C:\\WINDOWS";

// Notes every path whose 8.3 form was asked for.
class ShortPathLog : public FakePlatform {
 public:
  std::optional<std::string> ShortPath(const std::string& path) override {
    asked.push_back(path);
    return FakePlatform::ShortPath(path);
  }
  std::vector<std::string> asked;
};

class IntegrationActions : public ::testing::Test {
 protected:
  IntegrationActions() : setup(os) {
    setup.state.destinationFolder = kDestination;
    setup.state.windowsFolder = kWindows;
    setup.state.versionInfo = os.Version();  // Windows NT
    os.AddFolder(kDestination);
  }
  void OnWindows95() { setup.state.versionInfo.platformId = kPlatformWin32Windows; }
  static std::string InDestination(const std::string& name) {
    return std::string(kDestination) + "\\" + name;
  }
  static std::string InWindows(const std::string& name) {
    return std::string(kWindows) + "\\" + name;
  }

  ShortPathLog os;
  qm::Setup setup;
};

TEST_F(IntegrationActions, Windows95ShellIsTheShortPathOfKestrelnDotEXE) {
  OnWindows95();
  os.AddFile(InDestination("Kestreln.Exe"), "MZ");
  ReplaceShell(setup);
  EXPECT_EQ(os.asked, std::vector<std::string>{InDestination("Kestreln.EXE")});
  ASSERT_EQ(os.iniWrites().size(), 1u);
  EXPECT_EQ(os.iniWrites()[0].value, *os.FakePlatform::ShortPath(InDestination("Kestreln.EXE")));
  EXPECT_EQ(os.iniWrites()[0].file, InWindows("SYSTEM.INI"));
}

TEST_F(IntegrationActions, Windows95ShellIsLeftAloneWhenTheProgramIsMissing) {
  OnWindows95();
  ReplaceShell(setup);
  EXPECT_TRUE(os.iniWrites().empty()) << "Windows 95 would start without a shell";
}

TEST_F(IntegrationActions, WindowsNtShellIsTheLongPathOfKestrelnDotExe) {
  ReplaceShell(setup);
  EXPECT_EQ(os.RegistryString(kHkeyLocalMachine,
                              "Software\\microsoft\\windows nt\\currentversion\\Winlogon", "Shell"),
            InDestination("Kestreln.Exe"));
  EXPECT_TRUE(os.asked.empty());
}

TEST_F(IntegrationActions, FirstTaskManagerSwapSavesTheWindowsOneAndASecondKeepsThatCopy) {
  os.AddFile(InWindows("TaskMan.Exe"), "windows task manager");
  os.AddFile(InDestination("TaskMan.Exe"), "product task manager");
  SwapTaskManager(setup);
  EXPECT_EQ(os.FileContent(InWindows("TaskMang.Exe")), "windows task manager");
  EXPECT_EQ(os.FileContent(InWindows("TaskMan.Exe")), "product task manager");

  os.AddFile(InDestination("TaskMan.Exe"), "product task manager, newer");
  SwapTaskManager(setup);
  EXPECT_EQ(os.FileContent(InWindows("TaskMang.Exe")), "windows task manager");
  EXPECT_EQ(os.FileContent(InWindows("TaskMan.Exe")), "product task manager, newer");
}

// Refuses to open or create any key, as a locked-down registry would.
class NoKeys : public FakePlatform {
 public:
  std::optional<RegKey> CreateKey(RegKey, const std::string&) override { return std::nullopt; }
};

TEST(RegistryKeyThatCannotBeOpened, WritesRaiseTheRegistryErrorAndReadsGiveTheDefault) {
  NoKeys os;
  qm::Setup setup(os);
  setup.state.destinationFolder = kDestination;
  try {
    WriteUninstallEntry(setup);
    FAIL() << "the uninstall entry can't have been written";
  } catch (const ERegIniFileException& error) {
    EXPECT_STREQ(error.what(), "Failed to create key Kestrelon!");
  }
  TRegIniFile explorer(os, "Software\\microsoft\\windows\\currentversion\\explorer");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "programs", "none"), "none");
}

}  // namespace
}  // namespace qm
