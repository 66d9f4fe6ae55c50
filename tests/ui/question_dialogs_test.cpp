// MAIN, LICENSE, GROUP and REPLACE driven by the scripted user, each through
// the setup's own way of showing a dialog.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"
#include "ui/license_agreement.h"
#include "ui/main_dialog.h"
#include "ui/setup_dialogs.h"

namespace qm {
namespace {

using D = SetupDialog;
using A = UserAction;

class QuestionDialogs : public ::testing::Test {
 protected:
  QuestionDialogs() : setup(os) {
    setup.state.screenWidth = 1024;
    setup.state.screenHeight = 768;
    setup.state.backdropWindow = 0x10;
  }

  // Shows the dialog with the given script; its result.
  std::optional<int> Show(D dialog, std::vector<UserAction> actions) {
    os.RunDialog(dialog, std::move(actions));
    const auto result = ShowSetupDialog(setup, dialog);
    EXPECT_EQ(os.pendingAnswers(), 0u);
    return result;
  }
  const DialogRecord& Shown() const { return os.dialogRecords().back(); }
  std::string ShownDestination() const { return Shown().itemTexts.at(104); }
  bool ExitQuestionAsked() const {
    for (const ShownMessage& m : os.messages()) {
      if (m.text == setup.product.confirmExitText && m.caption == "Exit Kestrelon!" &&
          m.owner == kNoWindow && m.style == kMbYesNo) {
        return true;
      }
    }
    return false;
  }

  FakePlatform os;
  qm::Setup setup;
};

// ---- MAIN ----

TEST_F(QuestionDialogs, MainPresetsTheSetupFolderAndOffersTheProgramFilesFolder) {
  setup.product.defaultFolder = "compiled-in";
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Show(D::kMain, {A::PressEscape()}), 0);
  EXPECT_EQ(Shown().caption, "Destination Directory");
  EXPECT_EQ(setup.product.defaultFolder, "C:\\Program Files\\Kestrelon");
  EXPECT_EQ(ShownDestination(), "C:\\PROGRAM FILES\\KESTRELON") << "an ES_UPPERCASE edit";
  EXPECT_EQ(Shown().focusedItem, 104);
  EXPECT_EQ(setup.state.destinationFolder, "C:\\SETUP\\") << "a Cancel leaves the preset";
  EXPECT_TRUE(os.OpenKey(kHkeyCurrentUser, "Software\\Quillmarsh"))
      << "reading RegDir creates the maker's key";
  EXPECT_FALSE(os.OpenKey(kHkeyLocalMachine, "software\\microsoft\\windows"))
      << "the machine's key is only read, never created";
}

TEST_F(QuestionDialogs, MainJoinsTheMachinesProgramFilesFolder) {
  os.SetRegistryString(kHkeyLocalMachine, "software\\microsoft\\windows\\CurrentVersion",
                       "ProgramFilesDir", "D:\\Programs");
  os.AnswerMessage(kIdYes);
  Show(D::kMain, {A::PressEscape()});
  EXPECT_EQ(setup.product.defaultFolder, "D:\\Programs\\Kestrelon");
}

TEST_F(QuestionDialogs, MainShowsTheRegisteredFolderExactly) {
  os.SetRegistryString(kHkeyLocalMachine, "software\\microsoft\\windows\\CurrentVersion",
                       "ProgramFilesDir", "D:\\Programs");
  os.SetRegistryString(kHkeyCurrentUser, "Software\\Quillmarsh\\Kestrelon", "RegDir",
                       "d:\\games\\kestrel\\");
  os.AnswerMessage(kIdYes);
  Show(D::kMain, {A::PressEscape()});
  EXPECT_EQ(setup.product.defaultFolder, "d:\\games\\kestrel\\");
  EXPECT_EQ(ShownDestination(), "D:\\GAMES\\KESTREL\\");
}

TEST_F(QuestionDialogs, MainCentresItselfOnTheScreen) {
  os.SetDialogWindowRect(D::kMain, {40, 50, 341, 251}, {0, 0, 295, 177});
  os.AnswerMessage(kIdYes);
  Show(D::kMain, {A::PressEscape()});
  EXPECT_EQ(Shown().movedTo, std::make_pair(512 - 150, 384 - 100));

  setup.state.screenWidth = 640;  // a dialog wider than the screen goes left of it
  os.SetDialogWindowRect(D::kMain, {0, 0, 701, 100}, {0, 0, 695, 76});
  os.AnswerMessage(kIdYes);
  Show(D::kMain, {A::PressEscape()});
  EXPECT_EQ(Shown().movedTo->first, 320 - 350);
}

TEST_F(QuestionDialogs, MainAcceptsAFolderItCanMake) {
  EXPECT_EQ(Show(D::kMain, {A::Type(104, "c:\\new folder"), A::Press(1)}), 1);
  EXPECT_EQ(setup.state.destinationFolder, "C:\\NEW FOLDER") << "the edit takes capitals";
  EXPECT_TRUE(os.FolderExistsOnDisk("C:\\NEW FOLDER"));
  EXPECT_TRUE(os.messages().empty());
}

TEST_F(QuestionDialogs, MainJudgesADriveAloneByWhetherItExists) {
  EXPECT_EQ(Show(D::kMain, {A::Type(104, "C:"), A::Press(1)}), 1);
  EXPECT_EQ(setup.state.destinationFolder, "C:");
}

TEST_F(QuestionDialogs, MainRefusesBadTextsSilentlyAndKeepsTheLastOne) {
  os.AnswerMessage(kIdYes);
  const std::vector<std::string> refused = {"1:\\X", "\\\\SERVER\\SHARE", "C", "",
                                            "C:\\MISSING\\TWO LEVELS", "Q:\\NO DRIVE"};
  std::vector<UserAction> actions;
  for (const std::string& text : refused) {
    actions.push_back(A::Type(104, text));
    actions.push_back(A::Press(1));
    actions.push_back(A::Step([this, text] {
      EXPECT_EQ(setup.state.destinationFolder, text) << "taken before it is checked";
      EXPECT_TRUE(os.messages().empty()) << text;
    }));
  }
  actions.push_back(A::PressEscape());
  EXPECT_EQ(Show(D::kMain, actions), 0);
  EXPECT_FALSE(os.FolderExistsOnDisk("C:\\MISSING"));
  EXPECT_EQ(setup.state.destinationFolder, "Q:\\NO DRIVE");
}

TEST_F(QuestionDialogs, DriveFormatWantsACapitalLetterAndAColon) {
  EXPECT_TRUE(HasDriveFormat("C:"));
  EXPECT_TRUE(HasDriveFormat("Z:\\x"));
  EXPECT_FALSE(HasDriveFormat("c:\\x")) << "lower case is refused";
  EXPECT_FALSE(HasDriveFormat("C\\x"));
  EXPECT_FALSE(HasDriveFormat("@:"));
  EXPECT_FALSE(HasDriveFormat("["));
}

TEST_F(QuestionDialogs, MainAsksBeforeItEndsAndNoKeepsItOpen) {
  os.AnswerMessage(kIdNo);
  os.AnswerMessage(kIdNo);
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Show(D::kMain, {A::PressEscape(), A::PressCloseBox(), A::Press(2)}), 0);
  EXPECT_EQ(os.messages().size(), 3u);
  EXPECT_TRUE(ExitQuestionAsked());
}

// ---- LICENSE ----

TEST_F(QuestionDialogs, LicenseShowsTheAgreementInABoxOfItsOwn) {
  os.SetDialogWindowRect(D::kLicense, {0, 0, 406, 349}, {0, 0, 400, 325});
  EXPECT_EQ(Show(D::kLicense, {A::Press(1)}), 1);
  ASSERT_EQ(Shown().children.size(), 1u);
  const ChildWindowRequest& box = Shown().children[0];
  EXPECT_EQ(box.extendedStyle, 0x200u);
  EXPECT_EQ(box.className, "Edit");
  EXPECT_EQ(box.text, kLicenseAgreement);
  EXPECT_EQ(box.style, 0x50200804u);
  EXPECT_EQ(box.x, 10);
  EXPECT_EQ(box.y, 10);
  EXPECT_EQ(box.width, 380);
  EXPECT_EQ(box.height, 235);
  EXPECT_EQ(box.id, 0);
  EXPECT_EQ(Shown().focusedItem, 1);
  EXPECT_EQ(Shown().caption, "") << "the template's title stays";
  EXPECT_EQ(Shown().movedTo, std::make_pair(512 - 203, 384 - 174));
}

TEST_F(QuestionDialogs, LicenseExitAsksFirst) {
  os.AnswerMessage(kIdNo);
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(Show(D::kLicense, {A::Press(2), A::PressCloseBox()}), 0);
  EXPECT_EQ(os.messages().size(), 2u);
  EXPECT_TRUE(ExitQuestionAsked());
}

// ---- GROUP ----

TEST_F(QuestionDialogs, GroupOffersTheGroupNameAndTakesWhateverIsTyped) {
  EXPECT_EQ(Show(D::kGroup, {A::Type(102, "Tools and toys"), A::Press(1)}), 1);
  EXPECT_EQ(Shown().caption, "Program Group");
  EXPECT_EQ(Shown().focusedItem, 1);
  ASSERT_TRUE(Shown().movedTo);
  EXPECT_EQ(setup.product.groupName, "Tools and toys");

  EXPECT_EQ(Show(D::kGroup, {A::Type(102, ""), A::Press(1)}), 1);
  EXPECT_EQ(setup.product.groupName, "");
}

TEST_F(QuestionDialogs, GroupShowsTheDefaultName) {
  EXPECT_EQ(Show(D::kGroup, {A::Press(1)}), 1);
  EXPECT_EQ(Shown().itemTexts.at(102), "Kestrelon!");
  EXPECT_EQ(setup.product.groupName, "Kestrelon!");
}

TEST_F(QuestionDialogs, GroupAndReplaceEndAtOnceOnEscape) {
  EXPECT_EQ(Show(D::kGroup, {A::Type(102, "Other"), A::PressEscape()}), 0);
  EXPECT_EQ(setup.product.groupName, "Kestrelon!");
  EXPECT_EQ(Show(D::kReplace, {A::Tick(103), A::Tick(104), A::PressCloseBox()}), 0);
  EXPECT_FALSE(setup.state.replaceTaskManager);
  EXPECT_FALSE(setup.state.makeActiveDesktop);
  EXPECT_TRUE(os.messages().empty());
}

// ---- REPLACE ----

TEST_F(QuestionDialogs, ReplaceTakesBothBoxesOnOk) {
  EXPECT_EQ(Show(D::kReplace, {A::Press(1)}), 1);
  EXPECT_EQ(Shown().caption, "Windows Interface");
  EXPECT_EQ(Shown().focusedItem, 1);
  EXPECT_FALSE(setup.state.replaceTaskManager);
  EXPECT_FALSE(setup.state.makeActiveDesktop);

  EXPECT_EQ(Show(D::kReplace, {A::Tick(104), A::Press(1)}), 1);
  EXPECT_FALSE(setup.state.replaceTaskManager);
  EXPECT_TRUE(setup.state.makeActiveDesktop);

  EXPECT_EQ(Show(D::kReplace, {A::Tick(103), A::Tick(104), A::Tick(104, false), A::Press(1)}), 1);
  EXPECT_TRUE(setup.state.replaceTaskManager);
  EXPECT_FALSE(setup.state.makeActiveDesktop);
}

// ---- All four ----

// A host that only notes how the dialog was ended.
class EndingHost : public DialogHost {
 public:
  WindowHandle Window() override { return 1; }
  void SetCaption(const std::string&) override {}
  void SetItemText(int, const std::string&) override {}
  std::string ItemText(int) override { return ""; }
  bool IsChecked(int) override { return false; }
  void CheckItem(int) override {}
  Rect WindowRect() override { return {}; }
  Rect ItemWindowRect(int) override { return {}; }
  Rect ClientRect() override { return {}; }
  void MoveTo(int32_t, int32_t) override {}
  void FocusItem(int) override {}
  void CreateChild(const ChildWindowRequest&) override {}
  void PostStartPass() override {}
  int ShowOwnedMessage(const std::string&, const std::string&, uint32_t) override { return 0; }
  void End(int value) override { result = value; }
  std::optional<int> result;
};

TEST_F(QuestionDialogs, DestroyingAnyOfThemEndsItWithZero) {
  for (D dialog : {D::kMain, D::kLicense, D::kGroup, D::kReplace}) {
    EndingHost host;
    MakeDialogController(setup, dialog)->OnDestroy(host);
    EXPECT_EQ(host.result, 0) << DialogTemplateName(dialog);
  }
}

TEST_F(QuestionDialogs, OtherCommandsAndNotificationsChangeNothing) {
  for (D dialog : {D::kMain, D::kLicense, D::kGroup, D::kReplace}) {
    if (dialog == D::kMain || dialog == D::kLicense) os.AnswerMessage(kIdYes);
    EXPECT_EQ(Show(dialog, {A::Press(101), A::Press(102), A::Press(103), A::Press(104),
                            A::Press(0), A::Press(0xF060), A::Press(2)}),
              0)
        << DialogTemplateName(dialog);
  }
  EXPECT_EQ(os.messages().size(), 2u);
}

}  // namespace
}  // namespace qm
