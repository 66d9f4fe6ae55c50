#include "setup/user_messages.h"

namespace qm {

namespace {

std::string AnswerName(int answer) {
  switch (answer) {
    case kIdOk: return "OK";
    case kIdCancel: return "Cancel";
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    default: return "answer " + std::to_string(answer);
  }
}

int Logged(Setup& setup, const std::string& text, const std::string& caption, int answer) {
  const char* by = setup.options.silent ? " (given by the silent run)" : "";
  setup.log.Write("Message \"" + caption + "\": " + text + " -> " + AnswerName(answer) + by);
  return answer;
}

}  // namespace

int ShowMessage(Setup& setup, WindowHandle owner, const std::string& text,
                const std::string& caption, uint32_t style) {
  TellLogProblem(setup);
  return Logged(setup, text, caption, setup.os.ShowMessage(owner, text, caption, style));
}

int ShowOwnedMessage(Setup& setup, DialogHost& dialog, const std::string& text,
                     const std::string& caption, uint32_t style) {
  TellLogProblem(setup);
  return Logged(setup, text, caption, dialog.ShowOwnedMessage(text, caption, style));
}

void TellLogProblem(Setup& setup) {
  const auto problem = setup.log.UntoldProblem();
  if (!problem) return;
  setup.os.ShowMessage(kNoWindow, *problem + "\r\n\r\nThe installation goes on without its log.",
                       setup.product.displayName, kMbOk | kMbIconWarning);
}

}  // namespace qm
