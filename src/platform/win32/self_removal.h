// Removing a program's own files, which Windows keeps from being deleted
// while the program runs: a copy of the program in the temporary folder waits
// for it to end, then deletes them (and their folder, when it is left empty)
// and has itself deleted at the next start of Windows.
#pragma once

#include <string>
#include <vector>

namespace qm {

// Starts the copy that removes `files` and `folder` once this process has
// ended (see Platform::RemoveAfterExit). False, with GetLastError set, when
// the copy can't be made or started.
bool StartRemovalAfterExit(const std::vector<std::string>& files, const std::string& folder,
                           bool folderAwaitsRestart);

// True when the command line is the one StartRemovalAfterExit gives its copy.
bool IsRemovalCommandLine(const std::string& commandLine);
// What the copy does with that command line; the process's exit code.
int RunRemovalAfterExit(const std::string& commandLine);

}  // namespace qm
