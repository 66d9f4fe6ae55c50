#include "uninstall/removal_pass.h"

#include <algorithm>

#include "setup/failure_text.h"
#include "transport/path_helpers.h"
#include "ui/progress_frame.h"
#include "uninstall/file_stamp.h"
#include "uninstall/machine_places.h"
#include "uninstall/record_file.h"
#include "uninstall/win_init_cleanup.h"

namespace qm {

namespace {

constexpr uint32_t kPlainAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

// The order in which the lines are followed: what goes back into Windows
// first, while the product's files are still there to be recognised; the
// files outside the destination folder; the destination's files; the
// uninstall entry's values, then the keys, emptied by then; WinInit.Ini,
// which the earlier steps may still need.
int PhaseOf(RecordItem item) {
  switch (item) {
    case RecordItem::kSystemIniShell:
    case RecordItem::kWinlogonShell:
      return 0;
    case RecordItem::kTaskManager:
    case RecordItem::kNewTaskManager:
      return 1;
    case RecordItem::kHelpFile:
    case RecordItem::kShortcut:
    case RecordItem::kDriver:
    case RecordItem::kRegistration:
      return 2;
    case RecordItem::kFile:
    case RecordItem::kReplacedFile:
    case RecordItem::kPendingFile:
      return 3;
    case RecordItem::kUninstallEntry:
      return 4;
    case RecordItem::kCreatedKey:
      return 5;
    default:
      return 6;
  }
}

// Subkeys go before the keys that hold them.
size_t DepthOf(const RecordEntry& entry) {
  return entry.item == RecordItem::kCreatedKey
             ? static_cast<size_t>(std::count(entry.text.begin(), entry.text.end(), '\\'))
             : 0;
}

bool InUse(uint32_t error) {
  return error == kErrorSharingViolation || error == kErrorLockViolation ||
         error == kErrorAccessDenied;
}

bool IsDestinationFile(RecordItem item) {
  return item == RecordItem::kFile || item == RecordItem::kReplacedFile ||
         item == RecordItem::kPendingFile;
}

std::string FolderOf(const std::string& path) {
  std::string folder = FolderPart(path);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

RemovalPass::RemovalPass(Setup& run, const UninstallPlaces& places,
                         std::vector<RecordEntry> entries, const std::string& self,
                         const std::string& record)
    : run_(run),
      places_(places),
      self_(self),
      record_(record),
      windowsNt_(run.os.Version().platformId == kPlatformWin32Nt) {
  for (auto& entry : entries) {
    if (entry.item == RecordItem::kFolder) {
      folderCreated_ = true;
    } else {
      entries_.push_back(std::move(entry));
    }
  }
  std::stable_sort(entries_.begin(), entries_.end(), [](const RecordEntry& a, const RecordEntry& b) {
    if (PhaseOf(a.item) != PhaseOf(b.item)) return PhaseOf(a.item) < PhaseOf(b.item);
    return DepthOf(a) > DepthOf(b);
  });
}

void RemovalPass::Run(bool pumping) {
  SetupState& state = run_.state;
  state.gaugeLastPercent = -1;
  WithdrawPendingRenames();
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (state.keepGoing == 0) {
      stopped_ = true;
      remaining_.insert(remaining_.end(), entries_.begin() + static_cast<ptrdiff_t>(i),
                        entries_.end());
      break;
    }
    if (!Follow(entries_[i])) remaining_.push_back(entries_[i]);
    if (pumping) {
      run_.os.PumpMessages();
      MoveGauge(i + 1, entries_.size());
    }
  }
  CommitRestartLines();
}

bool RemovalPass::Follow(const RecordEntry& entry) {
  switch (entry.item) {
    case RecordItem::kSystemIniShell:
      return RestoreSystemIniShell(entry);
    case RecordItem::kWinlogonShell:
      return RestoreWinlogonShell(entry);
    case RecordItem::kTaskManager:
      return RestoreTaskManager(entry);
    case RecordItem::kNewTaskManager:
    case RecordItem::kHelpFile:
    case RecordItem::kShortcut:
    case RecordItem::kDriver:
    case RecordItem::kRegistration:
      return RemoveStampedFile(entry);
    case RecordItem::kFile:
    case RecordItem::kReplacedFile:
    case RecordItem::kPendingFile:
      return RemoveProductFile(entry);
    case RecordItem::kUninstallEntry:
      return RemoveUninstallEntry(entry);
    case RecordItem::kCreatedKey:
      return RemoveKeyWhenEmpty(entry.text);
    case RecordItem::kWinInit:
      return RemoveWinInit(entry);
    case RecordItem::kFolder:
      break;
  }
  return true;
}

// ---- Windows' own settings ----

bool RemovalPass::IsOurShell(const std::string& value) {
  return SamePath(run_.os, value, JoinPath(places_.destination, kShellProgramName));
}

bool RemovalPass::RestoreSystemIniShell(const RecordEntry& entry) {
  Platform& os = run_.os;
  const std::string systemIni = SystemIniPath(places_.windowsFolder);
  const auto current = os.ReadIniString(kShellSection, kShellKey, systemIni);
  if (!current || !IsOurShell(*current)) return LeaveChanged("the shell= line of " + systemIni);
  const bool restored = entry.absent
                            ? os.DeleteIniString(kShellSection, kShellKey, systemIni)
                            : os.WriteIniString(kShellSection, kShellKey, entry.text, systemIni);
  if (restored) return true;
  return Fail(FileProblem(os, systemIni, "written", os.LastError()));
}

bool RemovalPass::RestoreWinlogonShell(const RecordEntry& entry) {
  Platform& os = run_.os;
  const KeyPath winlogon = WinlogonKey();
  const std::string name = KeyText(winlogon) + " " + kShellKey;
  const auto reading = os.OpenKey(winlogon.root, winlogon.path);
  const auto current = reading ? os.QueryString(*reading, kShellKey) : std::nullopt;
  if (reading) os.CloseKey(*reading);
  if (!current || !IsOurShell(*current)) return LeaveChanged("the value " + name);
  const auto key = os.CreateKey(winlogon.root, winlogon.path);
  const bool restored = key && (entry.absent ? os.DeleteValue(*key, kShellKey)
                                             : os.SetString(*key, kShellKey, entry.text));
  if (key) os.CloseKey(*key);
  if (restored) return true;
  return Fail("The value " + name + " could not be restored: Windows error " +
              std::to_string(os.LastError()) + ".");
}

// The Windows Task Manager comes back from the copy the setup saved beside it.
bool RemovalPass::RestoreTaskManager(const RecordEntry& entry) {
  Platform& os = run_.os;
  const std::string& taskManager = entry.text;
  const std::string saved = SavedTaskManagerPath(places_.windowsFolder);
  const auto stamp = StampOfFile(os, taskManager);
  if (stamp && *stamp != *entry.stamp) return LeaveChanged(taskManager);
  if (!stamp && !IsNotFound(os.LastError())) {
    return Fail(FileProblem(os, taskManager, "read", os.LastError()));
  }
  if (Exists(os, saved) != true) return LeaveChanged(taskManager + " (its saved copy " + saved + " is gone)");
  if (os.Move(saved, taskManager, kMoveReplaceExisting)) return true;
  const uint32_t error = os.LastError();
  if (InUse(error)) return ReplaceAtRestart(taskManager, saved);
  return Fail(FileProblem(os, taskManager, "replaced", error));
}

// ---- Files ----

bool RemovalPass::RemoveStampedFile(const RecordEntry& entry) {
  Platform& os = run_.os;
  const auto stamp = StampOfFile(os, entry.text);
  if (!stamp) {
    const uint32_t error = os.LastError();
    return IsNotFound(error) || Fail(FileProblem(os, entry.text, "read", error));
  }
  if (*stamp != *entry.stamp) return LeaveChanged(entry.text);
  return RemoveFile(entry.text);
}

// A file the setup replaced outside the destination folder was there before
// the product: it stays.
bool RemovalPass::RemoveProductFile(const RecordEntry& entry) {
  const bool inDestination = SamePath(run_.os, FolderOf(entry.text), places_.destination);
  if (!inDestination && entry.item == RecordItem::kReplacedFile) return true;
  if (SamePath(run_.os, entry.text, self_) || SamePath(run_.os, entry.text, record_)) return true;
  return RemoveFile(entry.text);
}

bool RemovalPass::RemoveFile(const std::string& path) {
  Platform& os = run_.os;
  const auto attributes = os.Attributes(path);
  if (!attributes) {
    const uint32_t error = os.LastError();
    return IsNotFound(error) || Fail(FileProblem(os, path, "deleted", error));
  }
  if (*attributes & kAttributeDirectory) {
    return Fail(FileProblem(os, path, "deleted", kErrorAccessDenied));
  }
  if (*attributes & kPlainAttributes) os.SetAttributes(path, kAttributeNormal);
  if (os.Delete(path)) return true;
  const uint32_t error = os.LastError();
  if (!InUse(error)) return Fail(FileProblem(os, path, "deleted", error));
  if (SamePath(os, FolderOf(path), places_.destination)) destinationAwaitsRestart_ = true;
  return DeleteAtRestart(path);
}

// ---- The registry ----

bool RemovalPass::RemoveUninstallEntry(const RecordEntry& entry) {
  Platform& os = run_.os;
  const KeyPath key = *ParseKeyText(entry.text);
  const auto reading = os.OpenKey(key.root, key.path);
  if (!reading) return true;
  os.CloseKey(*reading);
  const auto writable = os.CreateKey(key.root, key.path);
  bool removed = writable.has_value();
  for (const char* value : {"DisplayName", "UnInstallString"}) {
    if (removed && !os.DeleteValue(*writable, value)) removed = IsNotFound(os.LastError());
  }
  if (writable) os.CloseKey(*writable);
  if (!removed) {
    return Fail("The uninstall entry " + entry.text + " could not be removed: Windows error " +
                std::to_string(os.LastError()) + ".");
  }
  // The entry is the product's own; without its values it serves nothing.
  return RemoveKeyWhenEmpty(entry.text);
}

// A key that holds what others put there stays.
bool RemovalPass::RemoveKeyWhenEmpty(const std::string& keyText) {
  Platform& os = run_.os;
  const KeyPath key = *ParseKeyText(keyText);
  if (os.DeleteEmptyKey(key.root, key.path) || IsNotFound(os.LastError())) return true;
  if (os.LastError() == kErrorDirNotEmpty) {
    return LeaveChanged("the registry key " + keyText + ", which holds what others put there");
  }
  return Fail("The registry key " + keyText + " could not be removed: Windows error " +
              std::to_string(os.LastError()) + ".");
}

// ---- WinInit.Ini and the next start ----

bool RemovalPass::WithdrawPendingRenames() {
  const auto ours = [this](const std::string& source) {
    return std::any_of(entries_.begin(), entries_.end(), [&](const RecordEntry& entry) {
      return IsDestinationFile(entry.item) && SamePath(run_.os, entry.text, source);
    });
  };
  const std::string winInit = WinInitPath(places_.windowsFolder);
  const uint32_t error = WithdrawRenameLines(run_.os, winInit, ours, windowsNt_);
  return error == 0 || Fail(FileProblem(run_.os, winInit, "written", error));
}

bool RemovalPass::RemoveWinInit(const RecordEntry& entry) {
  if (!CommitRestartLines()) return false;
  Platform& os = run_.os;
  uint32_t error = 0;
  const auto text = ReadWholeTextFile(os, entry.text, error);
  if (!text) return IsNotFound(error) || Fail(FileProblem(os, entry.text, "read", error));
  // Lines of others, or this run's own deletions, keep it.
  if (!HoldsNothing(*text)) return true;
  return os.Delete(entry.text) || Fail(FileProblem(os, entry.text, "deleted", os.LastError()));
}

bool RemovalPass::DeleteAtRestart(const std::string& path) {
  Platform& os = run_.os;
  restartNeeded_ = true;
  if (!windowsNt_) {
    OpenWinInit();
    run_.winInit.AddDeletionLine(ShortOrFull(os, path));
    return true;
  }
  return os.Move(path, std::string(), kMoveDelayUntilReboot) ||
         Fail(FileProblem(os, path, "deleted", os.LastError()));
}

bool RemovalPass::ReplaceAtRestart(const std::string& target, const std::string& source) {
  Platform& os = run_.os;
  restartNeeded_ = true;
  if (!windowsNt_) {
    OpenWinInit();
    run_.winInit.AddRenameLine(ShortOrFull(os, target), ShortOrFull(os, source));
    return true;
  }
  return os.Move(source, target, kMoveDelayUntilReboot | kMoveReplaceExisting) ||
         Fail(FileProblem(os, target, "replaced", os.LastError()));
}

void RemovalPass::OpenWinInit() {
  if (!winInitOpen_) run_.winInit.Open(run_.os, WinInitPath(places_.windowsFolder));
  winInitOpen_ = true;
}

bool RemovalPass::CommitRestartLines() {
  if (!winInitOpen_ || run_.winInit.Commit()) return true;
  return Fail(FileProblem(run_.os, run_.winInit.path(), "written", run_.winInit.lastError()));
}

// ---- Reporting ----

bool RemovalPass::LeaveChanged(const std::string& what) {
  leftInPlace_.push_back(what);
  return true;
}

bool RemovalPass::Fail(const std::string& problem) {
  problems_.push_back(problem);
  return false;
}

void RemovalPass::MoveGauge(size_t done, size_t total) {
  SetupState& state = run_.state;
  state.gaugePercent = GaugePercent(static_cast<int64_t>(done), static_cast<int64_t>(total));
  if (state.gaugePercent != state.gaugeLastPercent) {
    DrawGauge(run_, static_cast<int64_t>(done), static_cast<int64_t>(total));
  }
}

}  // namespace qm
