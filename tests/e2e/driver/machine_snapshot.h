// A picture of the whole machine as a user would compare it before and after:
// every file and folder of drive C: (files by size and a hash of their
// content), HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER as `reg export` writes
// them, and the text of SYSTEM.INI and WinInit.Ini.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// What each thing of the machine is: its name ("file C:\...", "registry
// [KEY] VALUE LINE", "SYSTEM.INI line 3") and its state.
using MachineSnapshot = std::map<std::string, std::string>;

// `folder` receives the registry's exported text.
MachineSnapshot TakeSnapshot(const std::string& folder);

// Kept in a file, for a later run of the driver to compare with; a missing
// or unreadable file loads as nothing.
bool SaveSnapshot(const MachineSnapshot& snapshot, const std::string& path);
std::optional<MachineSnapshot> LoadSnapshot(const std::string& path);

// Every difference, one a line: "lost X", "new X", "changed X".
std::vector<std::string> SnapshotDifferences(const MachineSnapshot& before,
                                             const MachineSnapshot& after);

// Prints the comparison and its differences; empty when there are none, else
// what differs.
std::string CompareWithBefore(const MachineSnapshot& before, const MachineSnapshot& after);

}  // namespace e2e
