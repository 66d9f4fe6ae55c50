// Everything one run of the setup works with: the system it runs on, the
// product it installs, what its command line asked for, the run's own
// variables and its log.
#pragma once

#include "platform/platform.h"
#include "setup/command_line.h"
#include "setup/install_log.h"
#include "setup/install_recorder.h"
#include "setup/media_record.h"
#include "setup/setup_state.h"
#include "setup/win_init_file.h"

namespace qm {

struct Setup {
  explicit Setup(Platform& system) : os(system) {}

  Platform& os;
  ProductDescriptor product;
  MediaRecord media;  // read from setup.exe's media block at start-up
  CommandLineOptions options;
  SetupState state;
  WinInitFile winInit;
  InstallLog log;
  InstallRecorder recorder;  // what the run did, for the install record
};

}  // namespace qm
