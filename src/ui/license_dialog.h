// LICENSE: the agreement in a read-only box made when the dialog opens.
#pragma once

#include "ui/question_dialog.h"

namespace qm {

// The agreement's box: WS_CHILD, WS_VISIBLE, WS_VSCROLL, ES_MULTILINE, ES_READONLY.
constexpr uint32_t kAgreementBoxStyle = 0x50200804;
constexpr uint32_t kClientEdgeStyle = 0x200;  // WS_EX_CLIENTEDGE

class LicenseDialog : public QuestionDialog {
 public:
  using QuestionDialog::QuestionDialog;
  void OnInit(DialogHost& dialog) override;
  // "I Agree" accepts; "Exit" asks the exit question first.
  void OnCommand(DialogHost& dialog, int command) override;
};

}  // namespace qm
