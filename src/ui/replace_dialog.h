// REPLACE: whether the product takes the place of the Task Manager and of the
// Windows desktop.
#pragma once

#include "ui/question_dialog.h"

namespace qm {

constexpr int kIdReplaceTaskManagerBox = 103;
constexpr int kIdActiveDesktopBox = 104;

// Both boxes start clear, unless /TASKMAN or /DESKTOP ticks them.
class ReplaceDialog : public QuestionDialog {
 public:
  using QuestionDialog::QuestionDialog;
  void OnInit(DialogHost& dialog) override;
  // OK takes both boxes; Cancel ends at once and leaves both options as they were.
  void OnCommand(DialogHost& dialog, int command) override;
};

}  // namespace qm
