// The install benchmark: whole installations of the media in the media
// folder, timed from outside.
#pragma once

namespace e2e {

// Installs `runs` times and prints, for each run and as medians, the time from
// the copy dialog's appearance to GROUP, split into the copy (until the unpack
// dialog appears), the decode (until the package file is gone) and the split
// (until GROUP appears), and the setup's peak working set. False when a run
// did not install the product.
bool RunInstallBench(int runs);

}  // namespace e2e
