// Whole runs of the setup with the four question dialogs answered by the
// scripted user (the progress dialogs are answered outright).
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"

namespace qm {
namespace {

using D = SetupDialog;
using A = UserAction;

constexpr char kPrograms[] = "C:\\WINDOWS\\Start Menu\\Programs";

class DialogSequence : public ::testing::Test {
 protected:
  DialogSequence() : setup(os) {
    os.SetRegistryString(kHkeyCurrentUser,
                         "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders",
                         "Programs", kPrograms);
  }
  int Run() {
    const int code = RunSetupProcess(setup);
    EXPECT_EQ(os.pendingAnswers(), 0u);
    EXPECT_EQ(os.scriptErrors(), std::vector<std::string>{});
    return code;
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const ShownMessage& m : os.messages()) texts.push_back(m.text);
    return texts;
  }

  FakePlatform os;
  qm::Setup setup;
};

TEST_F(DialogSequence, TheUsersAnswersReachTheFinishingActions) {
  os.RunDialog(D::kMain, {A::Type(104, "c:\\kestrelon"), A::Press(1)});
  os.RunDialog(D::kLicense, {A::Press(1)});
  os.AnswerDialog(D::kIProgress, 1);
  os.AnswerDialog(D::kProgress, 1);
  os.RunDialog(D::kGroup, {A::Type(102, "Desktop Tools"), A::Press(1)});
  os.RunDialog(D::kReplace, {A::Tick(103), A::Press(1)});
  os.AnswerMessage(kIdNo);  // reboot
  os.AnswerMessage(kIdNo);  // run
  EXPECT_EQ(Run(), kExitRestartNeeded) << "the Task Manager is replaced at the next start";
  EXPECT_EQ(setup.state.destinationFolder, "C:\\KESTRELON");
  ASSERT_EQ(os.shellLinks().size(), 1u);
  EXPECT_EQ(os.shellLinks()[0].linkFile, std::string(kPrograms) + "\\Desktop Tools.LNK");
  EXPECT_EQ(os.shellLinks()[0].target, "C:\\KESTRELON\\Kestreln.Exe");
  EXPECT_TRUE(setup.state.replaceTaskManager);
  EXPECT_FALSE(setup.state.makeActiveDesktop);
  for (const DialogRecord& record : os.dialogRecords()) {
    EXPECT_TRUE(record.movedTo) << DialogTemplateName(record.dialog) << " centres itself";
  }
}

TEST_F(DialogSequence, CancelAtMainAfterARefusedTextAbandonsTheRun) {
  os.RunDialog(D::kMain, {A::Type(104, "\\\\SERVER\\SHARE"), A::Press(1), A::PressEscape()});
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Run(), kExitCancelled);
  EXPECT_EQ(setup.state.destinationFolder, "\\\\SERVER\\SHARE");
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{setup.product.confirmExitText,
                                                      setup.product.abortedText}));
  EXPECT_EQ(os.dialogsShown(), std::vector<D>{D::kMain});
}

TEST_F(DialogSequence, ExitAtLicenseAbandonsTheRunButKeepsTheMadeFolder) {
  os.RunDialog(D::kMain, {A::Type(104, "C:\\NEW"), A::Press(1)});
  os.RunDialog(D::kLicense, {A::Press(2)});
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Run(), kExitCancelled);
  EXPECT_TRUE(os.FolderExistsOnDisk("C:\\NEW"));
  EXPECT_EQ(MessageTexts().back(), setup.product.abortedText);
  EXPECT_EQ(os.dialogsShown(), (std::vector<D>{D::kMain, D::kLicense}));
}

}  // namespace
}  // namespace qm
