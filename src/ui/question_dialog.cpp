#include "ui/question_dialog.h"

namespace qm {

void CentreOnScreen(const SetupState& state, DialogHost& dialog) {
  const Rect window = dialog.WindowRect();
  // Integer division truncates towards zero, also for a dialog larger than the screen.
  dialog.MoveTo(state.screenWidth / 2 - window.Width() / 2,
                state.screenHeight / 2 - window.Height() / 2);
}

}  // namespace qm
