#include "setup/setup_sequence.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/reg_ini_file.h"

namespace qm {
namespace {

using D = SetupDialog;

constexpr char kDestination[] = "C:\\KESTRELON";
constexpr char kWinInit[] = "C:\\WINDOWS\\WinInit.Ini";
constexpr char kPrograms[] = "C:\\WINDOWS\\Start Menu\\Programs";

// A fake Windows that also remembers what WinInit.Ini held when the reboot was asked for.
class Machine : public FakePlatform {
 public:
  void RequestReboot() override {
    winInitAtReboot = FileContent(kWinInit).value_or("");
    FakePlatform::RequestReboot();
  }
  std::string winInitAtReboot;
};

class SetupSequence : public ::testing::Test {
 protected:
  SetupSequence() : setup(os) {
    os.AddFolder(kDestination);
    os.SetRegistryString(kHkeyCurrentUser, "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders",
                         "Programs", kPrograms);
  }

  // MAIN accepts the destination folder.
  void AcceptMain() {
    os.AnswerDialog(D::kMain, 1, [this] { setup.state.destinationFolder = kDestination; });
  }
  // MAIN to PROGRESS accepted; the passes leave the given main program behind.
  void InstallThroughProgress(const std::string& mainProgram = "Kestreln.Exe") {
    AcceptMain();
    os.AnswerDialog(D::kLicense, 1);
    os.AnswerDialog(D::kIProgress, 1, [this] { CreatePackageFile(); });
    os.AnswerDialog(D::kProgress, 1, [this, mainProgram] {
      os.Delete(Path(setup.product.packageFileName));
      setup.product.mainProgram = mainProgram;
      os.AddFile(Path(mainProgram), "MZ");
    });
  }
  void ChooseOptions(int result, bool taskManager, bool desktop) {
    os.AnswerDialog(D::kReplace, result, [=] {
      setup.state.replaceTaskManager = taskManager;
      setup.state.makeActiveDesktop = desktop;
    });
  }
  void CreatePackageFile() {
    os.AddFile(Path(setup.product.packageFileName), "partial");
    setup.state.packageFileCreated = true;
  }
  std::string Path(const std::string& name) const { return std::string(kDestination) + "\\" + name; }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : os.messages()) texts.push_back(m.text);
    return texts;
  }
  int Run() {
    const int code = RunSetupProcess(setup);
    EXPECT_EQ(os.pendingAnswers(), 0u) << "the run ended before every scripted answer was used";
    EXPECT_EQ(os.openHandles(), 0u);
    return code;
  }

  Machine os;
  qm::Setup setup;
};

TEST_F(SetupSequence, StartUpPreparesTheRun) {
  os.SetModulePath("A:\\SETUP.EXE");
  os.RemoveTemplate(D::kMain);
  EXPECT_EQ(Run(), kExitFailed);
  EXPECT_EQ(setup.state.sourceFolder, "A:\\");
  EXPECT_EQ(setup.state.windowsFolder, "C:\\WINDOWS");
  EXPECT_EQ(setup.state.screenWidth, 1024);
  EXPECT_TRUE(os.backdropCreated());
  EXPECT_EQ(os.backdropPicture().height, 768);
  EXPECT_EQ(os.backdropPicture().topColour, 0x00FF0000u);
  EXPECT_EQ(os.backdropPicture().title, "Kestrelon! Installation");
  EXPECT_TRUE(setup.state.readBuffer.empty()) << "the block buffers are released at the end";
}

TEST_F(SetupSequence, MissingMainTemplateEndsSilently) {
  os.RemoveTemplate(D::kMain);
  EXPECT_EQ(Run(), kExitFailed) << "nothing was installed";
  EXPECT_TRUE(os.messages().empty());
  EXPECT_EQ(os.dialogsShown().size(), 0u);
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\n");
}

TEST_F(SetupSequence, CancelAtMainCleansUpAndTellsTheUser) {
  // The setup's own folder holds files of the same names; they are not this run's.
  os.AddFile("C:\\SETUP\\Kestrelon._QM", "media");
  os.AddFile("C:\\SETUP\\Kestreln.Exe", "tool");
  os.RunDialog(D::kMain, {UserAction::PressEscape()});
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Run(), kExitCancelled);
  ASSERT_EQ(os.messages().size(), 2u);
  EXPECT_EQ(os.messages()[1].text, "The Installation process has been terminated.");
  EXPECT_EQ(os.messages()[1].caption, "Kestrelon!");
  EXPECT_EQ(os.messages()[1].owner, setup.state.backdropWindow);
  EXPECT_TRUE(os.FileExists("C:\\SETUP\\Kestrelon._QM"));
  EXPECT_TRUE(os.FileExists("C:\\SETUP\\Kestreln.Exe"));
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\n");
}

TEST_F(SetupSequence, MissingLicenseTemplateCountsAsAccepted) {
  os.RemoveTemplate(D::kLicense);
  AcceptMain();
  os.AnswerDialog(D::kIProgress, 0);
  Run();
  EXPECT_EQ(os.dialogsShown(), (std::vector<D>{D::kMain, D::kIProgress}));
}

TEST_F(SetupSequence, CancelAtLicenseKeepsAnEarlierInstallation) {
  os.AddFile(Path("Kestreln.Exe"), "installed before");
  AcceptMain();
  os.AnswerDialog(D::kLicense, 0);
  Run();
  EXPECT_EQ(os.FileContent(Path("Kestreln.Exe")), "installed before");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{setup.product.abortedText});
}

TEST_F(SetupSequence, CancelledCopyRemovesThePartialPackageFile) {
  AcceptMain();
  os.AnswerDialog(D::kLicense, 1);
  os.AnswerDialog(D::kIProgress, 0, [this] { CreatePackageFile(); });
  Run();
  EXPECT_FALSE(os.FileExists(Path("Kestrelon._QM")));
  EXPECT_EQ(os.dialogsShown().back(), D::kIProgress);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{setup.product.abortedText});
}

TEST_F(SetupSequence, CancelledUnpackRemovesOnlyThePackageFileThisRunMade) {
  os.AddFile(Path("Kestreln.Exe"), "installed before");
  os.AddFile(Path("Kestreln.$$$"), "an earlier run's pending program");
  AcceptMain();
  os.AnswerDialog(D::kLicense, 1);
  os.AnswerDialog(D::kIProgress, 1, [this] { CreatePackageFile(); });
  os.AnswerDialog(D::kProgress, 0);
  Run();
  EXPECT_FALSE(os.FileExists(Path("Kestrelon._QM")));
  EXPECT_EQ(os.FileContent(Path("Kestreln.$$$")), "an earlier run's pending program");
  EXPECT_EQ(os.FileContent(Path("Kestreln.Exe")), "installed before");
}

// Once the unpack has put the product in place, the earlier files are gone:
// an abandonment after it (a missing template) leaves the new ones and their lines.
TEST_F(SetupSequence, AbandonmentAfterTheUnpackKeepsWhatItPutInPlace) {
  os.AddFile(Path("Kestreln.Exe"), "installed before");
  os.AddFile(Path("Glyph.Dll"), "in use");
  AcceptMain();
  os.AnswerDialog(D::kLicense, 1);
  os.AnswerDialog(D::kIProgress, 1, [this] { CreatePackageFile(); });
  os.AnswerDialog(D::kProgress, 1, [this] {
    os.Delete(Path(setup.product.packageFileName));
    setup.product.mainProgram = "Kestreln.$$$";
    os.AddFile(Path("Kestreln.$$$"), "new program");
    setup.winInit.AddRenameLine(Path("Kestreln.Exe"), Path("Kestreln.$$$"));
    os.AddFile(Path("Glyph.$$$"), "new library");
    setup.winInit.AddRenameLine(Path("Glyph.Dll"), Path("Glyph.$$$"));
    setup.winInit.Commit();
  });
  os.RemoveTemplate(D::kGroup);
  Run();
  EXPECT_EQ(os.FileContent(Path("Kestreln.$$$")), "new program");
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\n" + Path("Kestreln.Exe") + "=" +
                                          Path("Kestreln.$$$") + "\r\n" + Path("Glyph.Dll") + "=" +
                                          Path("Glyph.$$$") + "\r\n");
  EXPECT_EQ(os.scheduledMoves().size(), 2u);
}

TEST_F(SetupSequence, EachMissingTemplateAfterLicenseAbandons) {
  for (D missing : {D::kIProgress, D::kProgress, D::kGroup, D::kReplace}) {
    SCOPED_TRACE(DialogTemplateName(missing));
    Machine machine;
    qm::Setup run(machine);
    machine.RemoveTemplate(missing);
    for (D dialog : {D::kMain, D::kLicense, D::kIProgress, D::kProgress, D::kGroup}) {
      if (dialog == missing) break;
      machine.AnswerDialog(dialog, 1);
    }
    RunSetupProcess(run);
    EXPECT_TRUE(run.state.aborted);
    ASSERT_FALSE(machine.messages().empty());
    EXPECT_EQ(machine.messages().back().text, run.product.abortedText);
    EXPECT_EQ(machine.pendingAnswers(), 0u);
  }
}

TEST_F(SetupSequence, AnyResultButOneAbandons) {
  AcceptMain();
  os.AnswerDialog(D::kLicense, -1);
  Run();
  EXPECT_TRUE(setup.state.aborted);
}

TEST_F(SetupSequence, CancelledGroupMakesNoShortcutButGoesOn) {
  InstallThroughProgress();
  os.AnswerDialog(D::kGroup, 0);
  ChooseOptions(1, false, false);
  os.AnswerMessage(kIdNo);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(os.shellLinks().empty());
  EXPECT_FALSE(setup.state.aborted);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
      "Kestrelon! has been successfully installed.\r\n\r\nDo you wish to run Kestrelon!?"});
}

TEST_F(SetupSequence, GroupMakesTheShortcutInThePrograms) {
  InstallThroughProgress();
  os.AnswerDialog(D::kGroup, 1, [this] { setup.product.groupName = "Tools"; });
  ChooseOptions(1, false, false);
  os.AnswerMessage(kIdNo);
  Run();
  ASSERT_EQ(os.shellLinks().size(), 1u);
  EXPECT_EQ(os.shellLinks()[0].linkFile, std::string(kPrograms) + "\\Tools.LNK");
  EXPECT_EQ(os.shellLinks()[0].target, Path("Kestreln.Exe"));
  EXPECT_EQ(os.shellLinks()[0].workingDirectory, kDestination);
}

TEST_F(SetupSequence, CancelledReplaceStillRegistersAndAsksTheSuccessQuestion) {
  InstallThroughProgress();
  os.AddFile(Path("CTRLKN.SYS"), "driver");
  os.AnswerDialog(D::kGroup, 1);
  ChooseOptions(0, false, false);
  os.AnswerMessage(kIdYes);
  Run();
  EXPECT_EQ(os.RegistryString(kHkeyLocalMachine,
                              "Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!",
                              "UnInstallString"),
            Path("UnInstal.Exe"));
  EXPECT_EQ(os.messages().size(), 1u);
  EXPECT_EQ(os.programsStarted(), std::vector<std::string>{Path("Kestreln.Exe")});
  EXPECT_EQ(os.rebootRequests(), 0);
}

TEST_F(SetupSequence, DriverIsCopiedOnWindowsNtOnly) {
  for (uint32_t platform : {kPlatformWin32Nt, kPlatformWin32Windows}) {
    Machine machine;
    qm::Setup run(machine);
    machine.SetVersion(4, 0, platform);
    machine.AddFile("C:\\KESTRELON\\CTRLKN.SYS", "new driver");
    machine.AddFolder("C:\\WINDOWS\\System32\\Drivers");
    for (D dialog : {D::kMain, D::kLicense, D::kIProgress, D::kProgress, D::kGroup, D::kReplace}) {
      machine.AnswerDialog(dialog, 1, [&] { run.state.destinationFolder = kDestination; });
    }
    machine.AnswerMessage(kIdNo);
    RunSetupProcess(run);
    EXPECT_EQ(machine.FileExists("C:\\WINDOWS\\System32\\Drivers\\CTRLKN.SYS"),
              platform == kPlatformWin32Nt);
  }
}

TEST_F(SetupSequence, MainProgramUnderItsOwnNameNeedsNoReboot) {
  InstallThroughProgress("Kestreln.EXE");
  os.AnswerDialog(D::kGroup, 1);
  ChooseOptions(1, false, false);
  os.AnswerMessage(kIdNo);
  Run();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{SuccessQuestion(setup.product)});
}

// Whatever REPLACE ended with, files that wait for the next start of Windows
// bring the reboot question, and the product is never started against them.
TEST_F(SetupSequence, FilesWaitingForWindowsAskToRebootAndNeverRunTheProduct) {
  for (const int replace : {1, 0}) {
    for (const bool mainProgramWaits : {true, false}) {
      SCOPED_TRACE(testing::Message()
                   << "REPLACE " << replace << ", main waits " << mainProgramWaits);
      Machine machine;
      machine.AddFolder(kDestination);
      qm::Setup run(machine);
      machine.AnswerDialog(D::kMain, 1, [&] { run.state.destinationFolder = kDestination; });
      machine.AnswerDialog(D::kLicense, 1);
      machine.AnswerDialog(D::kIProgress, 1);
      machine.AnswerDialog(D::kProgress, 1, [&] {
        if (mainProgramWaits) run.product.mainProgram = "Kestreln.$$$";
        run.state.filesAwaitRestart = true;
      });
      machine.AnswerDialog(D::kGroup, 0);
      machine.AnswerDialog(D::kReplace, replace);
      machine.AnswerMessage(kIdNo);  // reboot?
      RunSetupProcess(run);
      ASSERT_EQ(machine.messages().size(), 1u);
      EXPECT_EQ(machine.messages()[0].text, RebootQuestion(run.product));
      EXPECT_TRUE(machine.programsStarted().empty());
      EXPECT_EQ(machine.rebootRequests(), 0);
    }
  }
}

TEST_F(SetupSequence, TaskManagerOptionSwapsAndRebootsWithWinInitWritten) {
  os.SetVersion(4, 0, kPlatformWin32Windows);
  os.AddFile("C:\\WINDOWS\\TaskMan.Exe", "windows task manager");
  os.AddFile("C:\\WINDOWS\\TaskMang.Exe", "saved by an earlier installation");
  os.AddFile(Path("TaskMan.Exe"), "product task manager");
  os.AddFile(Path("Kestreln.Reg"), "REGEDIT4");
  InstallThroughProgress();
  os.AnswerDialog(D::kGroup, 1);
  ChooseOptions(1, true, false);
  os.AnswerMessage(kIdYes);
  Run();
  EXPECT_EQ(os.FileContent("C:\\WINDOWS\\TaskMan.Exe"), "product task manager");
  EXPECT_EQ(os.FileContent("C:\\WINDOWS\\TaskMang.Exe"), "saved by an earlier installation");
  EXPECT_EQ(os.FileContent(Path("Kestreln1.Reg")), "REGEDIT4");
  const std::string line = "C:\\WINDOWS\\Kestreln.Reg=" + *os.ShortPath(Path("Kestreln1.Reg")) + "\r\n";
  EXPECT_EQ(os.winInitAtReboot, "[Rename]\r\n" + line);
  EXPECT_EQ(os.rebootRequests(), 1);
  EXPECT_TRUE(os.scheduledMoves().empty()) << "Windows 95 uses WinInit.Ini only";
}

TEST_F(SetupSequence, ShellOptionOnWindows95WritesTheShortPathToSystemIni) {
  os.SetVersion(4, 0, kPlatformWin32Windows);
  InstallThroughProgress();
  os.AnswerDialog(D::kGroup, 1);
  ChooseOptions(1, false, true);
  os.AnswerMessage(kIdNo);
  os.AnswerMessage(kIdNo);
  Run();
  ASSERT_EQ(os.iniWrites().size(), 1u);
  EXPECT_EQ(os.iniWrites()[0].section, "Boot");
  EXPECT_EQ(os.iniWrites()[0].key, "Shell");
  EXPECT_EQ(os.iniWrites()[0].value, *os.ShortPath(Path("Kestreln.Exe")));
  EXPECT_EQ(os.iniWrites()[0].file, "C:\\WINDOWS\\SYSTEM.INI");
  EXPECT_EQ(MessageTexts().front(), RebootQuestion(setup.product));
}

TEST_F(SetupSequence, ShellOptionOnWindowsNtWritesWinlogon) {
  InstallThroughProgress();
  os.AnswerDialog(D::kGroup, 1);
  ChooseOptions(1, false, true);
  os.AnswerMessage(kIdYes);
  Run();
  EXPECT_EQ(os.RegistryString(kHkeyLocalMachine,
                              "Software\\microsoft\\windows nt\\currentversion\\Winlogon", "Shell"),
            Path("Kestreln.Exe"));
  EXPECT_TRUE(os.iniWrites().empty());
  EXPECT_EQ(os.rebootRequests(), 1);
}

// Refuses every registry write, as a locked-down machine would.
class ReadOnlyRegistry : public FakePlatform {
 public:
  bool SetString(RegKey, const std::string&, const std::string&) override { return false; }
};

TEST(UncaughtError, ReportsTheRegistryErrorAndKeepsTheWinInitLines) {
  ReadOnlyRegistry os;
  os.SetVersion(4, 0, kPlatformWin32Windows);
  qm::Setup setup(os);
  for (D dialog : {D::kMain, D::kLicense, D::kIProgress, D::kProgress, D::kGroup, D::kReplace}) {
    os.AnswerDialog(dialog, 1, [&, dialog] {
      setup.state.destinationFolder = kDestination;
      if (dialog == D::kProgress) setup.winInit.AddRenameLine("C:\\OLD.EXE", "C:\\NEW.$$$");
    });
  }
  EXPECT_EQ(RunSetupProcess(setup), 1);
  ASSERT_EQ(os.messages().size(), 1u) << "no closing question after the error";
  const ShownMessage& report = os.messages()[0];
  EXPECT_EQ(report.caption, "Application Error");
  EXPECT_EQ(report.style, kMbOk | kMbIconError | kMbTaskModal);
  EXPECT_EQ(report.owner, kNoWindow);
  EXPECT_EQ(report.text.rfind("Exception ERegIniFileException in module SETUP.EXE at ", 0), 0u)
      << report.text;
  EXPECT_NE(report.text.find(".\r\nFailed to set data for 'DisplayName'."), std::string::npos);
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\nC:\\OLD.EXE=C:\\NEW.$$$\r\n");
}

class TestError : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
  const char* ClassName() const override { return "TestError"; }
};

TEST(UncaughtError, TextAddsAFullStopOnlyWhenMissing) {
  const std::string withStop = UncaughtErrorText(TestError("Disk full."), "C:\\A\\SETUP.EXE");
  const std::string without = UncaughtErrorText(TestError("Disk full"), "C:\\A\\SETUP.EXE");
  EXPECT_EQ(withStop.substr(withStop.find("\r\n")), "\r\nDisk full.");
  EXPECT_EQ(without.substr(without.find("\r\n")), "\r\nDisk full.");
  EXPECT_EQ(withStop.find(" in module SETUP.EXE at "), std::string("Exception TestError").size());
}

TEST(ClosingQuestions, RebootQuestionTakesAnyLengthOfName) {
  ProductDescriptor product;
  product.displayName = std::string(300, 'K');
  const std::string text = RebootQuestion(product);
  EXPECT_EQ(text.size(), 117u + 2 * 300u);
  EXPECT_EQ(text.substr(text.size() - 15), "Reboot Windows?");
  product.displayName = "Kestrelon!";
  EXPECT_EQ(RebootQuestion(product),
            "Kestrelon! had been successfully installed\r\n\r\nThe system should be rebooted for "
            "the Kestrelon! changes to take effect.\r\n\r\nReboot Windows?");
}

}  // namespace
}  // namespace qm
