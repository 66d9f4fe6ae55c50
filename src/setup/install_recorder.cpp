#include "setup/install_recorder.h"

#include "setup/failure_text.h"
#include "setup/setup.h"
#include "transport/path_helpers.h"
#include "uninstall/file_stamp.h"
#include "uninstall/record_file.h"

namespace qm {

namespace {

bool KeyExists(Platform& os, const KeyPath& key) {
  const auto opened = os.OpenKey(key.root, key.path);
  if (opened) os.CloseKey(*opened);
  return opened.has_value();
}

bool InFolder(const std::string& path, const std::string& folder) {
  return UpperCase(FolderPart(path)) == UpperCase(JoinPath(folder, ""));
}

RecordEntry Line(RecordItem item, const std::string& text) {
  RecordEntry entry;
  entry.item = item;
  entry.text = text;
  return entry;
}

void TellRecordProblem(Setup& setup, const std::string& problem, const std::string& outcome) {
  setup.os.ShowMessage(kNoWindow, problem + " " + outcome, setup.product.displayName, kMbOk);
}

}  // namespace

void InstallRecorder::NoteMachineBefore(Platform& os, const std::string& windowsFolder,
                                        const std::string& displayName) {
  keysMissing_.clear();
  for (const auto& key : KeysTheSetupMayCreate(displayName)) {
    if (!KeyExists(os, key)) keysMissing_.push_back(key);
  }
  const std::string winInit = WinInitPath(windowsFolder);
  winInitMissing_ = Exists(os, winInit) == false ? winInit : std::string();
}

void InstallRecorder::NoteFolderBefore(Platform& os, const std::string& folder) {
  foldersMissing_.emplace(UpperCase(folder), !FolderExists(os, folder));
}

void InstallRecorder::NotePlacedFile(Platform& os, const std::string& destination,
                                     const std::string& target, bool replaced,
                                     const std::string& waitingAs) {
  const std::string content = waitingAs.empty() ? target : waitingAs;
  if (InFolder(target, destination)) {
    Note(Line(replaced ? RecordItem::kReplacedFile : RecordItem::kFile, target));
  } else {
    NoteStampedFile(os, replaced ? RecordItem::kReplacedFile : RecordItem::kHelpFile, target,
                    content);
  }
  if (!waitingAs.empty()) Note(Line(RecordItem::kPendingFile, waitingAs));
}

void InstallRecorder::NoteStampedFile(Platform& os, RecordItem item, const std::string& path,
                                      const std::string& contentOf, bool restampsOnly) {
  RecordEntry entry = Line(item, path);
  entry.stamp = StampOfFile(os, contentOf);
  entry.restampsOnly = restampsOnly;
  // A file that can't be read now could never be told from another later.
  if (entry.stamp) Note(entry);
}

InstallRecord InstallRecorder::Record(Platform& os, const std::string& destination) const {
  InstallRecord record;
  record.destination = destination;
  const auto folder = foldersMissing_.find(UpperCase(destination));
  if (folder != foldersMissing_.end() && folder->second && FolderExists(os, destination)) {
    MergeEntry(record, Line(RecordItem::kFolder, destination));
  }
  MergeRecord(record, record_);
  // Subkeys before the keys that hold them, which can go only once empty.
  for (auto key = keysMissing_.rbegin(); key != keysMissing_.rend(); ++key) {
    if (KeyExists(os, *key)) MergeEntry(record, Line(RecordItem::kCreatedKey, KeyText(*key)));
  }
  if (!winInitMissing_.empty() && Exists(os, winInitMissing_) == true) {
    MergeEntry(record, Line(RecordItem::kWinInit, winInitMissing_));
  }
  return record;
}

void WriteInstallRecord(Setup& setup) {
  Platform& os = setup.os;
  const std::string& destination = setup.state.destinationFolder;
  const std::string& name = setup.product.displayName;
  const std::string path = JoinPath(destination, kInstallRecordName);
  InstallRecord record;
  uint32_t error = 0;
  const auto earlier = ReadWholeTextFile(os, path, error);
  if (earlier) {
    // An earlier record that is no record holds nothing to keep.
    if (const auto reading = ParseRecord(*earlier); reading.record) record = *reading.record;
  } else if (!IsNotFound(error)) {
    // The first installation's state of Windows would be lost with it.
    return TellRecordProblem(setup, FileProblem(os, path, "read", error),
                             name + " is installed; the record of what its installations "
                                    "changed was left as it was.");
  }
  record.destination = destination;
  MergeRecord(record, setup.recorder.Record(os, destination));
  const auto reserved = [&setup](const std::string& file) { return setup.winInit.NamesFile(file); };
  error = ReplaceFileText(os, path, FormatRecord(record, name), reserved);
  if (error != 0) {
    TellRecordProblem(setup, FileProblem(os, path, "written", error),
                      name + " is installed, but UnInstal.Exe can't remove it without that record.");
  }
}

}  // namespace qm
