// The setup's message boxes, each written to the log with the answer it got.
// Before a message is shown, a log that could not be written is told, once.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_host.h"
#include "setup/setup.h"

namespace qm {

// A box owned by `owner` (kNoWindow: by nobody); the answer.
int ShowMessage(Setup& setup, WindowHandle owner, const std::string& text,
                const std::string& caption, uint32_t style);
// A box owned by an open dialog; the answer.
int ShowOwnedMessage(Setup& setup, DialogHost& dialog, const std::string& text,
                     const std::string& caption, uint32_t style);
// Says that the log could not be written, if it could not and this was not
// said yet.
void TellLogProblem(Setup& setup);

}  // namespace qm
