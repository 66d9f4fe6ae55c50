// MAIN: the destination folder, offered from the registry and checked before
// it is made.
#pragma once

#include <string>

#include "ui/question_dialog.h"

namespace qm {

constexpr int kIdDestinationEdit = 104;

// The folder MAIN offers: the user's "RegDir" value as stored, else the
// machine's Program Files folder (or "C:\Program Files") joined with "Kestrelon".
std::string OfferedDestination(Platform& os);
// At least two characters, a capital "A" to "Z" and then a colon.
bool HasDriveFormat(const std::string& text);

// Offers /D's folder when the command line gives one.
class MainDialog : public QuestionDialog {
 public:
  using QuestionDialog::QuestionDialog;
  void OnInit(DialogHost& dialog) override;
  void OnCommand(DialogHost& dialog, int command) override;

 private:
  void Accept(DialogHost& dialog);
};

}  // namespace qm
