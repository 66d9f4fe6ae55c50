// The fake's scripted user: what reaches a dialog's controller, in what order,
// and what the records keep of it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

using D = SetupDialog;
using A = UserAction;

// A controller that logs every call and ends on the commands it is told to.
class LoggingController : public DialogController {
 public:
  void OnInit(DialogHost& dialog) override {
    log.push_back("init");
    if (onInit) onInit(dialog);
  }
  void OnCommand(DialogHost& dialog, int command) override {
    log.push_back("command " + std::to_string(command));
    if (onCommand) onCommand(dialog, command);
    if (command == endOn) dialog.End(endWith);
  }
  void OnDestroy(DialogHost& dialog) override {
    log.push_back("destroy");
    dialog.End(0);  // as every setup dialog does; the result is already taken
  }
  bool OnStartPass(DialogHost& dialog) override {
    log.push_back("start pass");
    if (onPass) onPass(dialog);
    return true;
  }

  std::vector<std::string> log;
  std::function<void(DialogHost&)> onInit, onPass;
  std::function<void(DialogHost&, int)> onCommand;
  int endOn = 1;
  int endWith = 1;
};

class FakeDialogs : public ::testing::Test {
 protected:
  std::optional<int> Show(D dialog) { return os.ShowDialog(dialog, 0x10, controller); }

  FakePlatform os;
  LoggingController controller;
};

TEST_F(FakeDialogs, ActionsReachTheControllerAsCommandsInOrder) {
  os.RunDialog(D::kReplace, {A::Tick(103), A::Type(102, "text"), A::Press(1)});
  EXPECT_EQ(Show(D::kReplace), 1);
  EXPECT_EQ(controller.log, (std::vector<std::string>{"init", "command 103", "command 102",
                                                      "command 1", "destroy"}));
  const DialogRecord& record = os.dialogRecords().at(0);
  EXPECT_EQ(record.dialog, D::kReplace);
  EXPECT_TRUE(record.checked.at(103));
  EXPECT_EQ(record.itemTexts.at(102), "text");
  EXPECT_EQ(record.result, 1) << "the EndDialog during WM_DESTROY changes nothing";
}

TEST_F(FakeDialogs, EscapeIsCommandTwoAndTheCloseBoxComesThroughTheSystemMenu) {
  controller.endOn = 2;
  controller.endWith = 0;
  os.RunDialog(D::kGroup, {A::PressEscape()});
  os.RunDialog(D::kGroup, {A::PressCloseBox()});
  EXPECT_EQ(Show(D::kGroup), 0);
  controller.log.clear();
  EXPECT_EQ(Show(D::kGroup), 0);
  EXPECT_EQ(controller.log, (std::vector<std::string>{"init", "command 61536", "command 2",
                                                      "destroy"}));
}

TEST_F(FakeDialogs, OnlyTheMainDestinationEditTurnsTypedLettersIntoCapitals) {
  os.RunDialog(D::kMain, {A::Type(104, "d:\\games"), A::Press(1)});
  os.RunDialog(D::kGroup, {A::Type(102, "My group"), A::Press(1)});
  Show(D::kMain);
  Show(D::kGroup);
  EXPECT_EQ(os.dialogRecords()[0].itemTexts.at(104), "D:\\GAMES");
  EXPECT_EQ(os.dialogRecords()[1].itemTexts.at(102), "My group");
}

TEST_F(FakeDialogs, ItemTextIsReadThroughA255ByteBuffer) {
  std::string read;
  controller.onCommand = [&](DialogHost& dialog, int) { read = dialog.ItemText(102); };
  os.RunDialog(D::kGroup, {A::Type(102, std::string(300, 'x')), A::Press(1)});
  Show(D::kGroup);
  EXPECT_EQ(read, std::string(254, 'x'));
}

TEST_F(FakeDialogs, HostCallsAreRecorded) {
  controller.onInit = [](DialogHost& dialog) {
    dialog.SetCaption("Caption");
    dialog.SetItemText(104, "C:\\X");
    dialog.FocusItem(104);
    dialog.MoveTo(100, 200);
    dialog.CreateChild({0x200, "Edit", "text", 0x50200804, 10, 10, 380, 220, 0});
    EXPECT_EQ(dialog.ShowOwnedMessage("question", "title", kMbYesNo), kIdNo);
  };
  os.AnswerMessage(kIdNo);
  os.RunDialog(D::kMain, {A::Press(1)});
  Show(D::kMain);
  const DialogRecord& record = os.dialogRecords().at(0);
  EXPECT_EQ(record.caption, "Caption");
  EXPECT_EQ(record.itemTexts.at(104), "C:\\X");
  EXPECT_EQ(record.focusedItem, 104);
  EXPECT_EQ(record.movedTo, std::make_pair(100, 200));
  ASSERT_EQ(record.children.size(), 1u);
  EXPECT_EQ(record.children[0].style, 0x50200804u);
  ASSERT_EQ(os.messages().size(), 1u);
  EXPECT_EQ(os.messages()[0].owner, record.window) << "a box owned by the dialog";
}

TEST_F(FakeDialogs, GeometryDefaultsFollowTheTemplateAndMoveWithTheDialog) {
  os.RunDialog(D::kProgress, {A::Press(1)});
  Rect window, frame, client, movedFrame;
  controller.onInit = [&](DialogHost& dialog) {
    window = dialog.WindowRect();
    client = dialog.ClientRect();
    frame = dialog.ItemWindowRect(101);
    dialog.MoveTo(window.left + 10, window.top + 20);
    movedFrame = dialog.ItemWindowRect(101);
  };
  Show(D::kProgress);
  EXPECT_EQ(client.Width(), 291);  // 194 dialog units
  EXPECT_GT(window.Width(), client.Width());
  EXPECT_GT(frame.left, window.left);
  EXPECT_LT(frame.right, window.right);
  EXPECT_EQ(movedFrame.left, frame.left + 10);
  EXPECT_EQ(movedFrame.top, frame.top + 20);

  os.SetDialogWindowRect(D::kMain, {0, 0, 300, 200}, {0, 0, 294, 176});
  os.RunDialog(D::kMain, {A::Press(1)});
  Show(D::kMain);
  EXPECT_EQ(window.right, 300);
  EXPECT_EQ(client.bottom, 176);
}

TEST_F(FakeDialogs, APostedStartMessageRunsThePassAndCommandsReachItThroughThePump) {
  controller.onInit = [](DialogHost& dialog) { dialog.PostStartPass(); };
  controller.endOn = 0;  // only the pass ends it
  controller.onPass = [this](DialogHost& dialog) {
    os.PumpMessages();
    os.PumpMessages();
    dialog.End(1);
  };
  os.OnPump(2, [this] { os.PressInOpenDialog(2); });
  os.RunDialog(D::kIProgress);
  EXPECT_EQ(Show(D::kIProgress), 1);
  EXPECT_EQ(controller.log,
            (std::vector<std::string>{"init", "start pass", "command 2", "destroy"}));
  EXPECT_TRUE(os.dialogRecords()[0].startPassPosted);
}

TEST_F(FakeDialogs, ScriptsThatDoNotFitTheDialogAreTestErrors) {
  controller.endOn = 99;
  os.RunDialog(D::kMain, {A::Press(1)});
  EXPECT_THROW(Show(D::kMain), std::logic_error) << "still open after the last action";

  controller.endOn = 1;
  os.RunDialog(D::kMain, {A::Press(1), A::Press(2)});
  EXPECT_THROW(Show(D::kMain), std::logic_error) << "ended before the second action";

  os.RunDialog(D::kGroup);
  EXPECT_THROW(Show(D::kMain), std::logic_error) << "a script for another dialog";
  EXPECT_THROW(os.PressInOpenDialog(1), std::logic_error) << "no dialog open";
  EXPECT_EQ(os.scriptErrors().size(), 4u) << "kept also where the setup catches them";
}

TEST_F(FakeDialogs, AnsweredShowingsDoNotRunTheController) {
  bool changed = false;
  os.AnswerDialog(D::kMain, 1, [&] { changed = true; });
  os.RunDialog(D::kLicense, {A::Press(1)});
  EXPECT_EQ(Show(D::kMain), 1);
  EXPECT_TRUE(changed);
  EXPECT_TRUE(controller.log.empty());
  EXPECT_EQ(Show(D::kLicense), 1);
  EXPECT_EQ(os.dialogRecords().size(), 1u);
  EXPECT_EQ(os.dialogsShown(), (std::vector<D>{D::kMain, D::kLicense}));
  EXPECT_EQ(os.pendingAnswers(), 0u);
}

TEST_F(FakeDialogs, MissingTemplateShowsNothing) {
  os.RemoveTemplate(D::kLicense);
  EXPECT_EQ(Show(D::kLicense), std::nullopt);
  EXPECT_TRUE(controller.log.empty());
}

}  // namespace
}  // namespace qm
