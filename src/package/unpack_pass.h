// The unpack pass of the PROGRESS dialog: decodes the package file into the
// joined file (the main program followed by every packed file), deletes the
// package file, splits the packed files out and cuts the joined file back to
// the main program. Every file is written under a temporary name first and
// put in place only when all of them are complete (see staged_update.h).
#pragma once

#include <cstdint>

#include "platform/dialog_host.h"
#include "setup/setup.h"
#include "ui/progress_frame.h"

namespace qm {

// Block size of the package reads and of the joined file's writes.
constexpr uint32_t kUnpackBlockSize = 2048;

// What the user is told when the package is missing, truncated or damaged.
inline constexpr char kUnpackFailedText[] = "Glyphmill was unable to install its files.";
inline constexpr char kUnpackFailedCaption[] = "Error";

// Runs the pass; keepGoing enters at 1 and stays 1 only when every file of
// the product is in place or waits for the next start of Windows. It falls
// to 0 on a cancel confirmed during the decode (messages are pumped once per
// block of the package file) and on any failure, which is told in a message
// box; then nothing of the earlier installation has changed. The package
// directory is freed either way.
void RunUnpackPass(Setup& setup);

// The PROGRESS dialog: the progress frame around the unpack pass.
class UnpackDialog : public ProgressDialog {
 public:
  using ProgressDialog::ProgressDialog;

 protected:
  void RunPass(DialogHost& dialog) override;
};

}  // namespace qm
