// The uninstaller's one routine: read and check the install record beside
// it, ask whether to remove the product, follow the record in a progress
// dialog (or without any window under /S), tell the outcome, ask for the
// restart that files in use need, and leave itself, the record and the
// folder to be removed once it has ended.
#pragma once

#include <string>

#include "platform/platform.h"
#include "setup/setup.h"

namespace qm {

// The process's exit codes.
constexpr int kUninstallDone = 0;
constexpr int kUninstallFailed = 1;  // nothing, or not everything, was removed; told why
constexpr int kUninstallDeclined = 2;  // No to the question, or Cancel during the removal
constexpr int kUninstallRestartNeeded = 3010;  // removed; files in use go at the next start

// What the command line asks: /S, no window at all; /LOG=FILE, every message
// also written to FILE (the words of a message that /S does not show).
struct UninstallRequest {
  bool silent = false;
  std::string logFile;
};
UninstallRequest ParseUninstallCommandLine(const std::string& commandLine);

inline constexpr char kRemoveQuestionEnd[] = " and all of its components?";

// Runs the uninstaller over `os`; the process's exit code. An error that
// escapes is told (or logged) and ends it with kUninstallFailed.
int RunUninstallProcess(Platform& os, const UninstallRequest& request);
// The same for a run whose records (the product, the run's state) the caller holds.
int RunUninstall(Setup& run, const UninstallRequest& request);

}  // namespace qm
