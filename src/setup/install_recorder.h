// What this installation did, gathered while it runs and written into the
// install record at the end of a successful run (uninstall/install_record.h).
// The finishing actions and the unpack pass note what they place and what
// they replace; the recorder itself notes, before anything changes, which of
// the registry keys and files the setup may create are there already.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "uninstall/install_record.h"
#include "uninstall/machine_places.h"

namespace qm {

struct Setup;

class InstallRecorder {
 public:
  // At start-up: which keys the setup may create and whether WinInit.Ini exist.
  void NoteMachineBefore(Platform& os, const std::string& windowsFolder,
                         const std::string& displayName);
  // Before the destination folder is made: whether it exists. The first
  // look at a folder counts.
  void NoteFolderBefore(Platform& os, const std::string& folder);
  // A file of the product put in place (`replaced`: over an earlier one), or
  // left under the temporary name `waitingAs` for the next start of Windows.
  // Files outside the destination folder are stamped.
  void NotePlacedFile(Platform& os, const std::string& destination, const std::string& target,
                      bool replaced, const std::string& waitingAs);
  // A line about a file outside the destination folder, stamped with what
  // `contentOf` holds (the file itself, or what will replace it at the next
  // start). With `restampsOnly`, it only restamps an earlier run's line.
  void NoteStampedFile(Platform& os, RecordItem item, const std::string& path,
                       const std::string& contentOf, bool restampsOnly = false);
  void Note(const RecordEntry& entry) { MergeEntry(record_, entry); }

  // What the run did, with the keys, folder and WinInit.Ini it created.
  InstallRecord Record(Platform& os, const std::string& destination) const;

 private:
  std::vector<KeyPath> keysMissing_;
  std::string winInitMissing_;  // WinInit.Ini's path when it was not there
  std::map<std::string, bool> foldersMissing_;  // by upper-case path
  InstallRecord record_;
};

// Merges this run's record into the destination folder's record (written
// beside it, then renamed over it). A failure is told: the product is in
// place, but its uninstaller can't remove it.
void WriteInstallRecord(Setup& setup);

}  // namespace qm
