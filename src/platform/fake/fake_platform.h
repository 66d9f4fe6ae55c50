// An in-memory stand-in for Windows, used by host tests: drives, folders and
// files with share modes and 8.3 names, a registry, and a scripted user who
// answers each dialog and message box in turn.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/dialog_host.h"
#include "platform/platform.h"

namespace qm {

// What the scripted user does when a dialog is shown without its controller.
struct DialogAnswer {
  SetupDialog dialog;
  int result = 1;
  std::function<void()> effect;  // what the dialog changes before it ends
};

// One thing the scripted user does in an open dialog.
struct UserAction {
  enum class Kind { kType, kTick, kPress, kCloseBox, kStep };

  // Sets an edit's text (an ES_UPPERCASE edit holds capitals, as in Windows);
  // the edit's change notification reaches the dialog as its command.
  static UserAction Type(int id, std::string text);
  // Sets a check box; its click notification reaches the dialog as its command.
  static UserAction Tick(int id, bool checked = true);
  // A button: its command id.
  static UserAction Press(int id);
  // Esc: command 2.
  static UserAction PressEscape();
  // The close box: WM_SYSCOMMAND SC_CLOSE, then the dialog manager's command 2.
  static UserAction PressCloseBox();
  // Anything else that happens while the dialog is open (a test's own step).
  static UserAction Step(std::function<void()> step);

  Kind kind = Kind::kPress;
  int id = 0;
  std::string text;
  bool checked = false;
  std::function<void()> step;
};

// What one dialog run through its controller showed.
struct DialogRecord {
  SetupDialog dialog;
  WindowHandle window = kNoWindow;
  std::string caption;
  std::map<int, std::string> itemTexts;  // as last set or typed, as the control holds it
  std::map<int, bool> checked;
  int focusedItem = 0;  // 0: none
  std::optional<std::pair<int32_t, int32_t>> movedTo;  // SetWindowPos x, y
  std::vector<ChildWindowRequest> children;
  bool startPassPosted = false;
  std::optional<int> result;  // EndDialog's value
};

struct ShownMessage {
  WindowHandle owner;
  std::string text;
  std::string caption;
  uint32_t style;
};

struct IniWrite {
  std::string section, key, value, file;
};

struct ScheduledMove {
  std::string source, target;
  uint32_t flags;
};

// What a program asked to be removed once it has ended (RemoveAfterExit).
struct RemovalAfterExit {
  std::vector<std::string> files;
  std::string folder;
  bool folderAwaitsRestart = false;
};

// One painting of the progress gauge.
struct GaugePainting {
  WindowHandle dialog;
  GaugeGeometry gauge;
  int32_t boundary;
  std::string text;
};

class FakePlatform : public Platform {
 public:
  // Drive C: (fixed) with C:\WINDOWS, the setup at C:\SETUP\SETUP.EXE,
  // Windows NT 4.0, a 1024 x 768 screen, and every dialog template present.
  FakePlatform();
  ~FakePlatform() override;

  // ---- Arranging the machine ----
  void AddDrive(char letter, uint32_t type);
  void AddFolder(const std::string& path);  // with every missing parent
  void AddFile(const std::string& path, const std::string& content);  // parents too
  // Opens a file as another program would, holding it until ReleaseFile.
  FileHandle HoldFile(const std::string& path, uint32_t access, uint32_t share);
  void ReleaseFile(FileHandle file) { Close(file); }
  void SetModulePath(const std::string& path) { modulePath_ = path; }
  void SetCommandLine(const std::string& arguments) { commandLine_ = arguments; }
  // Moves the clock that Milliseconds reads forward.
  void AdvanceClock(uint64_t milliseconds) { clock_ += milliseconds; }
  void SetWindowsFolder(const std::string& path);
  void SetVersion(uint32_t major, uint32_t minor, uint32_t platformId);
  void RemoveTemplate(SetupDialog dialog) { missingTemplates_.insert(dialog); }
  void SetRegistryString(RegKey root, const std::string& key, const std::string& name,
                         const std::string& value);
  // A drive that holds at most `bytes` bytes of file content: a write that
  // does not fit writes what does and reports the short count, or fails with
  // ERROR_DISK_FULL when nothing fits. FreeSpace reports what is left, with
  // `clusterBytes` as the drive's allocation unit.
  void SetDriveCapacity(char letter, int64_t bytes, uint32_t clusterBytes = 512);
  // FreeSpace of that drive fails, as on a drive that can't tell.
  void HideFreeSpace(char letter) { hiddenFreeSpace_.insert(letter); }
  // The `number`th file operation from now on (open, read, write, seek,
  // truncate, rename, delete, copy, find and the attribute calls, counted
  // from 1) fails with `error` and changes nothing. 0 turns that off.
  void FailFileOperation(uint64_t number, uint32_t error);
  // File operations counted so far.
  uint64_t fileOperations() const { return fileOperations_; }
  // Message boxes with a choice for which no answer is scripted get this one
  // instead of being a test error.
  void AnswerUnscriptedMessagesWith(int answer) { defaultAnswer_ = answer; }
  // Reads of an existing file fail (a data error) from `offset` on; a read
  // that starts before it stops there.
  void FailReads(const std::string& path, int64_t offset = 0);
  // GetSystemMetrics (defaults: caption 18, thin borders 1).
  void SetSystemMetric(SystemMetricId metric, int32_t value) { metrics_[metric] = value; }

  // ---- Scripting the user ----
  // Answers the next showing of `dialog` without running its controller.
  void AnswerDialog(SetupDialog dialog, int result, std::function<void()> effect = nullptr);
  // The next showing of `dialog` runs its controller: OnInit; OnStartPass when
  // the controller posted the start message; then the actions in order while
  // the dialog is open. A dialog still open after the last action, or ended
  // before it, is a test error (std::logic_error). OnDestroy follows the end.
  void RunDialog(SetupDialog dialog, std::vector<UserAction> actions = {});
  // Message boxes with a choice are answered from this queue, in order.
  void AnswerMessage(int answer);
  // Runs `action` inside the given call of PumpMessages (counted from 1).
  void OnPump(int call, std::function<void()> action);
  // For use inside an OnPump action during a pass: a command reaches the open
  // dialog's controller.
  void PressInOpenDialog(int id);
  // The window geometry the fake reports for a dialog (defaults: its template's
  // size in pixels at the usual 96 dots per inch, the gauge frame inside).
  void SetDialogWindowRect(SetupDialog dialog, Rect window, Rect client);
  void SetItemWindowRect(SetupDialog dialog, int id, Rect rect);

  // ---- Inspecting the result ----
  bool FileExists(const std::string& path) const;
  // Every file of every drive, by its full long path: its attributes in hex,
  // a colon and its content.
  std::map<std::string, std::string> FileTree() const;
  bool FolderExistsOnDisk(const std::string& path) const;
  std::optional<std::string> FileContent(const std::string& path) const;
  std::optional<std::string> RegistryString(RegKey root, const std::string& key,
                                            const std::string& name) const;
  // Every key (upper-case path, "<key>") and every value ("KEY\NAME", its text).
  std::map<std::string, std::string> RegistryTree() const;
  // Every key of every profile file: "FILE [SECTION] KEY" and its value, upper-case but for the value.
  std::map<std::string, std::string> ProfileTree() const;
  const std::vector<ShownMessage>& messages() const { return messages_; }
  const std::vector<SetupDialog>& dialogsShown() const { return dialogsShown_; }
  const std::vector<ShellLinkRequest>& shellLinks() const { return shellLinks_; }
  const std::vector<std::string>& programsStarted() const { return programsStarted_; }
  const std::vector<IniWrite>& iniWrites() const { return iniWrites_; }
  const std::vector<ScheduledMove>& scheduledMoves() const { return scheduledMoves_; }
  int rebootRequests() const { return rebootRequests_; }
  bool systemErrorBoxesDisabled() const { return systemErrorBoxesDisabled_; }
  const std::vector<RemovalAfterExit>& removalsAfterExit() const { return removalsAfterExit_; }
  // Carries out the removals asked for, as the program's end would let them
  // happen: files still open are deleted at the next start, as is a folder
  // that awaits it.
  void EndProgram();
  // Carries out the moves scheduled for the next start in their order, as
  // Windows NT does when it starts (a deletion takes a file or an empty
  // folder), and forgets them. Files still held are let go first.
  void Restart();
  int pumpCalls() const { return pumpCalls_; }
  const std::vector<DialogRecord>& dialogRecords() const { return dialogRecords_; }
  size_t pendingAnswers() const { return dialogScripts_.size() + messageAnswers_.size(); }
  // Where the script did not fit the run. Each also raised a std::logic_error,
  // which the setup may have caught and reported like any other error.
  const std::vector<std::string>& scriptErrors() const { return scriptErrors_; }
  size_t openHandles() const { return handles_.size(); }
  bool backdropCreated() const { return backdrop_ != kNoWindow; }
  const std::vector<GaugePainting>& gaugePaintings() const { return gaugePaintings_; }
  int gaugeOpenings() const { return gaugeOpenings_; }
  bool gaugeDrawingOpen() const { return gaugeDialog_ != kNoWindow; }
  const BackdropPicture& backdropPicture() const { return backdropPicture_; }

  // ---- Platform ----
  std::optional<FindEntry> FindFirst(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool SetCurrentFolder(const std::string& path) override;
  std::string CurrentFolder() override { return currentFolder_; }
  uint32_t QueryDriveType(const std::string& root) override;
  std::optional<std::string> ShortPath(const std::string& path) override;
  FileHandle Open(const std::string& path, uint32_t access, uint32_t share,
                  FileCreation creation) override;
  std::optional<uint32_t> Read(FileHandle file, void* buffer, uint32_t count) override;
  std::optional<uint32_t> Write(FileHandle file, const void* buffer, uint32_t count) override;
  std::optional<int64_t> Seek(FileHandle file, int64_t distance, SeekOrigin origin) override;
  bool Truncate(FileHandle file) override;
  std::optional<int64_t> FileSize(FileHandle file) override;
  bool Close(FileHandle file) override;
  bool Delete(const std::string& path) override;
  bool Copy(const std::string& source, const std::string& target, bool failIfExists) override;
  bool Move(const std::string& source, const std::string& target, uint32_t flags) override;
  bool CancelScheduledMove(const std::string& source, const std::string& target) override;
  std::optional<uint32_t> Attributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::optional<DiskSpace> FreeSpace(const std::string& root) override;
  uint32_t LastError() override { return lastError_; }
  std::string WindowsFolder() override { return windowsFolder_; }
  std::string ModulePath() override { return modulePath_; }
  std::string CommandLine() override { return commandLine_; }
  VersionInfo Version() override { return version_; }
  uint64_t Milliseconds() override { return clock_; }
  void DisableSystemErrorBoxes() override { systemErrorBoxesDisabled_ = true; }
  bool WriteIniString(const std::string& section, const std::string& key,
                      const std::string& value, const std::string& file) override;
  std::optional<RegKey> CreateKey(RegKey parent, const std::string& subKey) override;
  std::optional<RegKey> OpenKey(RegKey parent, const std::string& subKey) override;
  std::optional<std::string> QueryString(RegKey key, const std::string& name) override;
  bool SetString(RegKey key, const std::string& name, const std::string& value) override;
  void CloseKey(RegKey key) override;
  int ScreenWidth() override { return 1024; }
  int ScreenHeight() override { return 768; }
  WindowHandle CreateBackdropWindow(const BackdropPicture& picture) override;
  bool LoadLogo() override { return true; }
  int ShowMessage(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t style) override;
  std::optional<int> ShowDialog(SetupDialog dialog, WindowHandle owner,
                                DialogController& controller) override;
  void PumpMessages() override;
  int32_t SystemMetric(SystemMetricId metric) override { return metrics_.at(metric); }
  void OpenGaugeDrawing(WindowHandle dialog) override;
  void PaintGauge(const GaugeGeometry& gauge, int32_t boundary, const std::string& text) override;
  void CloseGaugeDrawing() override;
  bool SaveShellLink(const ShellLinkRequest& link) override;
  void StartProgram(WindowHandle owner, const std::string& file, const std::string& directory,
                    int showCommand) override;
  void RequestReboot() override { ++rebootRequests_; }
  std::optional<std::string> ReadIniString(const std::string& section, const std::string& key,
                                           const std::string& file) override;
  bool DeleteIniString(const std::string& section, const std::string& key,
                       const std::string& file) override;
  bool DeleteValue(RegKey key, const std::string& name) override;
  bool DeleteEmptyKey(RegKey parent, const std::string& subKey) override;
  bool RemoveAfterExit(const std::vector<std::string>& files, const std::string& folder,
                       bool folderAwaitsRestart) override;

 private:
  struct Node;
  struct OpenFile;
  class OpenDialog;
  // The next showing of a dialog: answered outright, or run through its controller.
  struct DialogScript {
    SetupDialog dialog;
    std::optional<DialogAnswer> answer;
    std::vector<UserAction> actions;
  };
  struct DialogGeometry {
    Rect window, client;
    std::map<int, Rect> items;  // screen coordinates
  };

  [[noreturn]] void ScriptError(const std::string& what);
  int RunController(SetupDialog dialog, DialogController& controller,
                    const std::vector<UserAction>& actions);
  void Perform(OpenDialog& dialog, const UserAction& action);
  DialogGeometry& Geometry(SetupDialog dialog);

  // Full path of a text, relative ones taken from the current folder; "" when invalid.
  std::string Absolute(const std::string& path) const;
  Node* Lookup(const std::string& path) const;
  Node* ParentOf(const std::string& path) const;
  std::string LastComponent(const std::string& path) const;
  Node* AddChild(Node* folder, const std::string& name, bool isFolder);
  Node* Link(Node* folder, std::unique_ptr<Node> node, const std::string& name);
  FileHandle OpenNode(const std::string& path, uint32_t access, uint32_t share,
                      FileCreation creation);
  bool IsOpen(const Node* node) const;
  bool RemoveEmptyFolder(const std::string& path);
  bool SharingAllows(const Node* file, uint32_t access, uint32_t share) const;
  OpenFile* Handle(FileHandle file);
  bool Fail(uint32_t error);
  // Counts one file operation; true (with the error set) when it is the one to fail.
  bool InjectedFailure();
  static std::string FolderPartOf(const std::string& full);
  // Bytes a write may still add on the drive; unlimited without a capacity.
  int64_t RoomOnDrive(char drive) const;
  std::string RegistryPath(RegKey parent, const std::string& subKey) const;

  std::map<char, uint32_t> driveTypes_;
  std::map<char, std::unique_ptr<Node>> roots_;
  std::map<char, int64_t> driveCapacities_;
  std::map<char, uint32_t> clusterSizes_;
  std::set<char> hiddenFreeSpace_;
  uint64_t fileOperations_ = 0;
  uint64_t failingOperation_ = 0;
  uint32_t injectedError_ = 0;
  std::optional<int> defaultAnswer_;
  std::map<FileHandle, std::unique_ptr<OpenFile>> handles_;
  FileHandle nextHandle_ = 0x100;
  std::string currentFolder_ = "C:\\";
  std::string windowsFolder_ = "C:\\WINDOWS";
  std::string modulePath_ = "C:\\SETUP\\SETUP.EXE";
  std::string commandLine_;
  uint64_t clock_ = 0;
  bool systemErrorBoxesDisabled_ = false;
  VersionInfo version_{4, 0, 1381, kPlatformWin32Nt};
  uint32_t lastError_ = 0;

  std::set<std::string> registryKeys_;                               // upper-case paths
  std::map<std::string, std::map<std::string, std::string>> registryValues_;  // by key, name
  std::map<RegKey, std::string> openKeys_;  // by handle: the key's path
  std::set<RegKey> readOnlyKeys_;           // opened for reading, as OpenKey does
  RegKey nextKey_ = 0x1000;

  WindowHandle backdrop_ = kNoWindow;
  BackdropPicture backdropPicture_;
  std::set<SetupDialog> missingTemplates_;
  std::deque<DialogScript> dialogScripts_;
  std::map<SetupDialog, DialogGeometry> geometry_;
  std::vector<OpenDialog*> openDialogs_;  // innermost last
  std::vector<DialogRecord> dialogRecords_;
  std::vector<std::string> scriptErrors_;
  std::deque<int> messageAnswers_;
  std::map<int, std::function<void()>> pumpActions_;
  int pumpCalls_ = 0;

  std::vector<ShownMessage> messages_;
  std::vector<SetupDialog> dialogsShown_;
  std::vector<ShellLinkRequest> shellLinks_;
  std::vector<std::string> programsStarted_;
  std::vector<IniWrite> iniWrites_;
  // Profile files' keys: by upper-case file, section and key.
  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> iniValues_;
  std::vector<RemovalAfterExit> removalsAfterExit_;
  std::vector<ScheduledMove> scheduledMoves_;
  int rebootRequests_ = 0;

  std::map<SystemMetricId, int32_t> metrics_{{SystemMetricId::kCyCaption, 18},
                                             {SystemMetricId::kCxBorder, 1},
                                             {SystemMetricId::kCyBorder, 1}};
  WindowHandle gaugeDialog_ = kNoWindow;
  int gaugeOpenings_ = 0;
  std::vector<GaugePainting> gaugePaintings_;
};

}  // namespace qm
