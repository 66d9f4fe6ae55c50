// GROUP: the name of the program group the shortcut goes into.
#pragma once

#include "ui/question_dialog.h"

namespace qm {

constexpr int kIdGroupEdit = 102;

class GroupDialog : public QuestionDialog {
 public:
  using QuestionDialog::QuestionDialog;
  void OnInit(DialogHost& dialog) override;
  // OK takes the edit's text as it is, empty included; Cancel ends at once.
  void OnCommand(DialogHost& dialog, int command) override;
};

}  // namespace qm
