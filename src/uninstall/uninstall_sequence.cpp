#include "uninstall/uninstall_sequence.h"

#include <exception>

#include "package/scoped_file.h"
#include "setup/failure_text.h"
#include "transport/path_helpers.h"
#include "ui/progress_frame.h"
#include "uninstall/record_check.h"
#include "uninstall/record_file.h"
#include "uninstall/removal_pass.h"

namespace qm {

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders";
constexpr char kLineEnd[] = "\r\n";

// The PROGRESS dialog of the uninstaller's own resources around the removal.
class RemovalDialog : public ProgressDialog {
 public:
  RemovalDialog(Setup& run, RemovalPass& pass) : ProgressDialog(run), pass_(pass) {}

 protected:
  void RunPass(DialogHost&) override { pass_.Run(true); }

 private:
  RemovalPass& pass_;
};

std::string FolderOf(const std::string& path) {
  std::string folder = FolderPart(path);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

// The Start menu's Programs folder, read without creating any key.
std::optional<std::string> ProgramsFolder(Platform& os) {
  const auto key = os.OpenKey(kHkeyCurrentUser, kShellFoldersKey);
  if (!key) return std::nullopt;
  const auto folder = os.QueryString(*key, "programs");
  os.CloseKey(*key);
  return folder;
}

// Appends the text to the log file, when the command line names one.
void AppendToLog(Platform& os, const UninstallRequest& request, const std::string& text) {
  if (request.logFile.empty()) return;
  ScopedFile log(os, os.Open(request.logFile, kAccessWrite, kShareRead, FileCreation::kOpenAlways));
  if (!log.IsOpen() || !os.Seek(log.handle(), 0, SeekOrigin::kEnd)) return;
  const std::string line = text + kLineEnd;
  os.Write(log.handle(), line.data(), static_cast<uint32_t>(line.size()));
}

std::string Listed(const std::string& heading, const std::vector<std::string>& items) {
  if (items.empty()) return std::string();
  std::string text = std::string(kLineEnd) + kLineEnd + heading;
  for (const auto& item : items) text += std::string(kLineEnd) + "  " + item;
  return text;
}

class Uninstaller {
 public:
  Uninstaller(Setup& run, const UninstallRequest& request) : run_(run), request_(request) {}

  int Run() {
    Prepare();
    const std::string& name = run_.product.displayName;
    const auto record = ReadRecord();
    if (!record) return kUninstallFailed;
    std::vector<RecordEntry> accepted = CheckedEntries(*record);
    if (!request_.silent && !Ask("Remove " + name + kRemoveQuestionEnd)) {
      Log("Nothing was removed: the answer was No.");
      return kUninstallDeclined;
    }
    RemovalPass pass(run_, places_, std::move(accepted), self_, recordPath_);
    RunPass(pass);
    if (pass.Stopped()) {
      KeepRecord(pass);
      Tell("The removal of " + name + " was stopped. Run UnInstal.Exe again to remove the rest.");
      return kUninstallDeclined;
    }
    if (!pass.Problems().empty()) {
      KeepRecord(pass);
      Tell(name + " could not be removed completely." +
           Listed("What went wrong:", pass.Problems()) + kLineEnd + kLineEnd +
           "Run UnInstal.Exe again once that is put right.");
      return kUninstallFailed;
    }
    return Finish(pass);
  }

 private:
  void Prepare() {
    Platform& os = run_.os;
    SetupState& state = run_.state;
    state.windowsFolder = os.WindowsFolder();
    state.screenWidth = os.ScreenWidth();
    state.screenHeight = os.ScreenHeight();
    state.keepGoing = 1;
    run_.product.confirmExitText =
        "Do you really want to stop removing " + run_.product.displayName + "?";
    self_ = os.ModulePath();
    places_.destination = FolderOf(self_);
    places_.windowsFolder = state.windowsFolder;
    places_.programsFolder = ProgramsFolder(os);
    places_.displayName = run_.product.displayName;
    recordPath_ = JoinPath(places_.destination, kInstallRecordName);
  }

  // The record beside the uninstaller; nothing, and the user told why,
  // when there is none it can follow.
  std::optional<InstallRecord> ReadRecord() {
    Platform& os = run_.os;
    const std::string cannot = "UnInstal.Exe can't remove " + run_.product.displayName + ": ";
    const std::string nothing = " Nothing was removed.";
    uint32_t error = 0;
    const auto text = ReadWholeTextFile(os, recordPath_, error);
    if (!text && IsNotFound(error)) {
      Tell(cannot + "the record of its installation, " + recordPath_ + ", is missing." + nothing);
      return std::nullopt;
    }
    if (!text) {
      Tell(FileProblem(os, recordPath_, "read", error) + nothing);
      return std::nullopt;
    }
    RecordReading reading = ParseRecord(*text);
    if (reading.record && !SamePath(os, reading.record->destination, places_.destination)) {
      reading.damage = "it belongs to the folder " + reading.record->destination;
      reading.record.reset();
    }
    if (!reading.record) {
      Tell(cannot + "the record of its installation, " + recordPath_ + ", is damaged: " +
           reading.damage + "." + nothing);
      return std::nullopt;
    }
    for (const auto& line : reading.unreadableLines) {
      refused_.push_back(line + " (it is no line of an install record)");
    }
    return reading.record;
  }

  std::vector<RecordEntry> CheckedEntries(const InstallRecord& record) {
    std::vector<RecordEntry> accepted;
    for (const auto& entry : record.entries) {
      if (const auto refusal = RefusalOf(run_.os, entry, places_)) {
        refused_.push_back(FormatEntry(entry) + " (" + *refusal + ")");
      } else {
        accepted.push_back(entry);
      }
    }
    return accepted;
  }

  void RunPass(RemovalPass& pass) {
    RemovalDialog dialog(run_, pass);
    if (request_.silent || !run_.os.ShowDialog(SetupDialog::kProgress, kNoWindow, dialog)) {
      pass.Run(false);
    }
  }

  // What is left of the installation stays listed, for a later run.
  void KeepRecord(const RemovalPass& pass) {
    InstallRecord record;
    record.destination = places_.destination;
    if (pass.FolderCreated()) {
      RecordEntry folder;
      folder.item = RecordItem::kFolder;
      folder.text = places_.destination;
      record.entries.push_back(folder);
    }
    for (const auto& entry : pass.Remaining()) MergeEntry(record, entry);
    const uint32_t error = ReplaceFileText(run_.os, recordPath_,
                                           FormatRecord(record, run_.product.displayName), nullptr);
    if (error != 0) Log(FileProblem(run_.os, recordPath_, "written", error));
  }

  int Finish(const RemovalPass& pass) {
    const std::string& name = run_.product.displayName;
    const bool handedOver =
        run_.os.RemoveAfterExit({self_, recordPath_},
                                pass.FolderCreated() ? places_.destination : std::string(),
                                pass.DestinationAwaitsRestart());
    std::string text = name + (pass.RestartNeeded()
                                   ? " has been removed. Some of its files are in use; Windows "
                                     "deletes them when it starts again."
                                   : " has been removed from this computer.");
    text += Listed("Left in place, as they are no longer what the setup placed there:",
                   pass.LeftInPlace());
    text += Listed("These lines of the install record were not followed:", refused_);
    if (!handedOver) {
      text += std::string(kLineEnd) + kLineEnd + "UnInstal.Exe and " + recordPath_ +
              " could not be removed: " + FailureReason(run_.os, self_, run_.os.LastError()) + ".";
    }
    const bool clean = handedOver && refused_.empty();
    if (!pass.RestartNeeded()) {
      Tell(text);
      return clean ? kUninstallDone : kUninstallFailed;
    }
    if (!request_.silent && Ask(text + kLineEnd + kLineEnd + "Reboot Windows?")) {
      run_.os.RequestReboot();
    }
    return clean ? kUninstallRestartNeeded : kUninstallFailed;
  }

  void Tell(const std::string& text) {
    Log(text);
    if (!request_.silent) {
      run_.os.ShowMessage(kNoWindow, text, run_.product.displayName, kMbOk);
    }
  }

  bool Ask(const std::string& text) {
    Log(text);
    return run_.os.ShowMessage(kNoWindow, text, run_.product.displayName, kMbYesNo) == kIdYes;
  }

  void Log(const std::string& text) { AppendToLog(run_.os, request_, text); }

  Setup& run_;
  const UninstallRequest& request_;
  UninstallPlaces places_;
  std::string self_, recordPath_;
  std::vector<std::string> refused_;
};

// The words of a command line: runs between spaces, or the text between quotes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, started = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      started = true;
    } else if (c == ' ' && !quoted) {
      if (started) words.push_back(word);
      word.clear();
      started = false;
    } else {
      word += c;
      started = true;
    }
  }
  if (started) words.push_back(word);
  return words;
}

}  // namespace

UninstallRequest ParseUninstallCommandLine(const std::string& commandLine) {
  UninstallRequest request;
  for (const auto& word : Words(commandLine)) {
    const std::string upper = UpperCase(word);
    if (upper == "/S") request.silent = true;
    if (upper.rfind("/LOG=", 0) == 0) request.logFile = word.substr(5);
  }
  return request;
}

int RunUninstall(Setup& run, const UninstallRequest& request) {
  return Uninstaller(run, request).Run();
}

int RunUninstallProcess(Platform& os, const UninstallRequest& request) {
  Setup run(os);
  try {
    return RunUninstall(run, request);
  } catch (const std::exception& error) {
    const std::string text = std::string("UnInstal.Exe stopped: ") + error.what();
    AppendToLog(os, request, text);
    if (!request.silent) os.ShowMessage(kNoWindow, text, "Application Error", kMbOk | kMbIconError);
    return kUninstallFailed;
  }
}

}  // namespace qm
