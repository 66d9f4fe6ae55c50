// The uninstaller's work: each line of the install record followed in turn.
// First what the installation changed in Windows is put back (the shell, the
// Task Manager), then the files outside the destination folder go (those
// whose content is still the one the setup placed), then the product's pending
// renames are withdrawn and its files in the destination folder deleted,
// then its registry values and the keys it created, and WinInit.Ini when the
// installation created it and it holds nothing more. A file in use is deleted
// at the next start of Windows instead (a "NUL=" line in WinInit.Ini on
// Windows 95, a move without target on NT). The uninstaller, its record and
// the folder are left to the end of the run (Platform::RemoveAfterExit).
#pragma once

#include <string>
#include <vector>

#include "setup/setup.h"
#include "uninstall/install_record.h"
#include "uninstall/record_check.h"

namespace qm {

class RemovalPass {
 public:
  // `entries` are the record's lines that passed the check; `self` and
  // `record` are the uninstaller's and the record's paths, which the pass
  // leaves alone.
  RemovalPass(Setup& run, const UninstallPlaces& places, std::vector<RecordEntry> entries,
              const std::string& self, const std::string& record);

  // Follows the lines one by one while keepGoing is 1. With `pumping`,
  // messages are pumped after each line and the gauge moves.
  void Run(bool pumping);

  // True when a cancel stopped the pass before its last line.
  bool Stopped() const { return stopped_; }
  // The lines not followed: those after a cancel, and those that failed.
  const std::vector<RecordEntry>& Remaining() const { return remaining_; }
  // What failed, and what was left in place on purpose, in words.
  const std::vector<std::string>& Problems() const { return problems_; }
  const std::vector<std::string>& LeftInPlace() const { return leftInPlace_; }
  bool RestartNeeded() const { return restartNeeded_; }
  // A file of the destination folder is deleted only at the next start.
  bool DestinationAwaitsRestart() const { return destinationAwaitsRestart_; }
  // The destination folder's line, when the installation created it.
  bool FolderCreated() const { return folderCreated_; }

 private:
  bool Follow(const RecordEntry& entry);
  bool RestoreSystemIniShell(const RecordEntry& entry);
  bool RestoreWinlogonShell(const RecordEntry& entry);
  bool RestoreTaskManager(const RecordEntry& entry);
  bool RemoveStampedFile(const RecordEntry& entry);
  bool RemoveProductFile(const RecordEntry& entry);
  bool RemoveFile(const std::string& path);
  bool RemoveUninstallEntry(const RecordEntry& entry);
  bool RemoveKeyWhenEmpty(const std::string& keyText);
  bool RemoveWinInit(const RecordEntry& entry);
  bool WithdrawPendingRenames();
  bool DeleteAtRestart(const std::string& path);
  bool ReplaceAtRestart(const std::string& target, const std::string& source);
  void OpenWinInit();
  bool CommitRestartLines();
  bool IsOurShell(const std::string& value);
  // Notes what stays because it is no longer as the setup left it; the line counts as followed.
  bool LeaveChanged(const std::string& what);
  bool Fail(const std::string& problem);
  void MoveGauge(size_t done, size_t total);

  Setup& run_;
  UninstallPlaces places_;
  std::vector<RecordEntry> entries_;
  std::string self_, record_;
  bool windowsNt_;
  std::vector<RecordEntry> remaining_;
  std::vector<std::string> problems_;
  std::vector<std::string> leftInPlace_;
  bool restartNeeded_ = false;
  bool destinationAwaitsRestart_ = false;
  bool folderCreated_ = false;
  bool winInitOpen_ = false;
  bool stopped_ = false;
};

}  // namespace qm
