// The dialog layer over real Win32 dialogs built from the setup's own
// templates: what reaches a controller, what its host calls do, and that the
// in-memory fake's model of the dialog manager (Esc, the close box, the
// capitals edit) matches what Windows does.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/win32/dialog_procedure.h"

namespace {

using qm::DialogHost;

class ScriptedController : public qm::DialogController {
 public:
  void OnInit(DialogHost& dialog) override {
    log.push_back("init");
    window = reinterpret_cast<HWND>(dialog.Window());
    if (onInit) onInit(dialog);
  }
  void OnCommand(DialogHost& dialog, int command) override {
    if (command == 1 || command == 2 || command == 0xF060) {
      log.push_back("command " + std::to_string(command));
    }
    if (command == endOn && ++endOnSeen == endAfter) dialog.End(endWith);
  }
  void OnDestroy(DialogHost& dialog) override {
    log.push_back("destroy");
    dialog.End(0);
  }
  bool OnStartPass(DialogHost& dialog) override {
    log.push_back("start pass");
    if (onPass) onPass(dialog);
    return true;
  }

  HWND window = nullptr;
  std::vector<std::string> log;
  std::function<void(DialogHost&)> onInit, onPass;
  int endOn = 2;
  int endAfter = 1;  // how many endOn commands end it
  int endOnSeen = 0;
  int endWith = 0;
};

INT_PTR ShowTemplate(const char* templateName, qm::DialogController& controller) {
  return qm::ui::RunDialogBox(GetModuleHandleA(nullptr), templateName, nullptr, controller);
}

TEST(DialogLayerOnWindows, ThePostedStartMessageRunsThePassAfterInit) {
  ScriptedController controller;
  controller.onInit = [](DialogHost& dialog) { dialog.PostStartPass(); };
  controller.onPass = [](DialogHost& dialog) { dialog.End(1); };
  EXPECT_EQ(ShowTemplate("GROUP", controller), 1);
  EXPECT_EQ(controller.log, (std::vector<std::string>{"init", "start pass", "destroy"}));
}

TEST(DialogLayerOnWindows, EscapeAndTheCloseBoxArriveAsTheFakeModelsThem) {
  ScriptedController controller;
  controller.endAfter = 2;
  controller.onInit = [](DialogHost& dialog) {
    HWND window = reinterpret_cast<HWND>(dialog.Window());
    PostMessageA(GetDlgItem(window, 1), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  };
  EXPECT_EQ(ShowTemplate("REPLACE", controller), 0);
  EXPECT_EQ(controller.log, (std::vector<std::string>{"init", "command 2", "command 61536",
                                                      "command 2", "destroy"}));
}

TEST(DialogLayerOnWindows, HostCallsActOnTheOpenDialog) {
  ScriptedController controller;
  std::string longText, capitals, created;
  bool checked = false;
  qm::Rect before, after, client;
  controller.onInit = [&](DialogHost& dialog) {
    HWND window = reinterpret_cast<HWND>(dialog.Window());
    dialog.SetItemText(102, std::string(300, 'g'));
    longText = dialog.ItemText(102);
    SendDlgItemMessageA(window, 103, BM_SETCHECK, BST_CHECKED, 0);
    checked = dialog.IsChecked(103) && !dialog.IsChecked(104);
    client = dialog.ClientRect();
    dialog.CreateChild({WS_EX_CLIENTEDGE, "Edit", "agreement", 0x50200804, 10, 10,
                        client.Width() - 20, client.Height() - 90, 0});
    char className[16] = "", text[16] = "";
    HWND box = GetDlgItem(window, 0);
    GetClassNameA(box, className, sizeof className);
    GetWindowTextA(box, text, sizeof text);
    created = std::string(className) + " " + text;
    before = dialog.WindowRect();
    dialog.MoveTo(before.left + 7, before.top + 9);
    after = dialog.WindowRect();
    dialog.End(1);
  };
  ASSERT_EQ(ShowTemplate("REPLACE", controller), 1);
  EXPECT_EQ(longText, std::string(254, 'g')) << "WM_GETTEXT into a 255-byte buffer";
  EXPECT_TRUE(checked);
  EXPECT_EQ(created, "Edit agreement");
  EXPECT_GT(client.Width(), 0);
  EXPECT_EQ(after.left, before.left + 7);
  EXPECT_EQ(after.top, before.top + 9);
  EXPECT_EQ(after.Width(), before.Width()) << "SWP_NOSIZE";

  ScriptedController main;
  main.onInit = [&](DialogHost& dialog) {
    dialog.SetItemText(104, "c:\\program files\\x");
    capitals = dialog.ItemText(104);
    dialog.End(1);
  };
  ShowTemplate("MAIN", main);
  EXPECT_EQ(capitals, "C:\\PROGRAM FILES\\X") << "the ES_UPPERCASE edit holds capitals";
}

TEST(DialogLayerOnWindows, AnEscapedExceptionEndsTheDialogAndIsThrownAfterIt) {
  ScriptedController controller;
  controller.onInit = [](DialogHost&) { throw std::length_error("from the dialog"); };
  EXPECT_THROW(ShowTemplate("LICENSE", controller), std::length_error);
  EXPECT_EQ(controller.log, (std::vector<std::string>{"init", "destroy"}));
  EXPECT_FALSE(IsWindow(controller.window));
}

}  // namespace
