// The volume copy pass of the IPROGRESS dialog: reads the package directory
// from the setup program's own file, then joins the volume files of up to four
// diskettes, byte for byte and in disk order, into the package file in the
// destination folder, asking for each further diskette in turn.
#pragma once

#include <cstdint>
#include <string>

#include "ui/progress_frame.h"

namespace qm {

// The copy works in blocks of this size and pumps messages after each.
constexpr uint32_t kCopyBlockSize = 2048;
// Disks above this number are never asked for.
constexpr int kMaxDisks = 4;

// The file name of disk n's volume (n from 1): the first volume's name, then
// each later one made from the one before it with the extension ".00n".
std::string VolumeName(const std::string& firstVolume, int disk);

class VolumeCopyDialog : public ProgressDialog {
 public:
  using ProgressDialog::ProgressDialog;

 protected:
  void RunPass(DialogHost& dialog) override;
};

}  // namespace qm
