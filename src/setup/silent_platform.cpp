#include "setup/silent_platform.h"

#include <map>

#include "platform/dialog_host.h"
#include "transport/path_helpers.h"
#include "ui/main_dialog.h"

namespace qm {

namespace {

// A dialog that no one sees: it keeps its controls' texts and checks, and
// the result it ends with.
class UnseenDialog : public DialogHost {
 public:
  explicit UnseenDialog(SetupDialog dialog) : dialog_(dialog) {}

  bool ended() const { return result_.has_value(); }
  bool startPassPosted() const { return startPassPosted_; }
  int result() const { return *result_; }
  void BeginDestroy() { destroying_ = true; }

  WindowHandle Window() override { return kNoWindow; }
  void SetCaption(const std::string&) override {}
  // MAIN's destination edit (ES_UPPERCASE) holds capitals, whatever it is given.
  void SetItemText(int id, const std::string& text) override {
    const bool capitals = dialog_ == SetupDialog::kMain && id == kIdDestinationEdit;
    texts_[id] = capitals ? UpperCase(text) : text;
  }
  // As an edit gives it through a 255-byte buffer.
  std::string ItemText(int id) override { return texts_[id].substr(0, 254); }
  bool IsChecked(int id) override { return checked_[id]; }
  void CheckItem(int id) override { checked_[id] = true; }
  Rect WindowRect() override { return Rect{}; }
  Rect ItemWindowRect(int) override { return Rect{}; }
  Rect ClientRect() override { return Rect{}; }
  void MoveTo(int32_t, int32_t) override {}
  void FocusItem(int) override {}
  void CreateChild(const ChildWindowRequest&) override {}
  void PostStartPass() override { startPassPosted_ = true; }
  int ShowOwnedMessage(const std::string&, const std::string&, uint32_t style) override {
    return SilentAnswer(style);
  }
  // The first end counts, as with EndDialog; one during the destruction is too late.
  void End(int result) override {
    if (!ended() && !destroying_) result_ = result;
  }

 private:
  SetupDialog dialog_;
  std::map<int, std::string> texts_;
  std::map<int, bool> checked_;
  std::optional<int> result_;
  bool startPassPosted_ = false;
  bool destroying_ = false;
};

}  // namespace

int SilentAnswer(uint32_t style) {
  switch (style & 0xF) {
    case kMbOkCancel:
      return kIdCancel;
    case kMbYesNo:
      return kIdNo;
    default:
      return kIdOk;
  }
}

SilentPlatform::SilentPlatform(Platform& system) : system_(system) {
  system_.DisableSystemErrorBoxes();
}

int SilentPlatform::ShowMessage(WindowHandle, const std::string&, const std::string&,
                                uint32_t style) {
  return SilentAnswer(style);
}

// The dialog opens, its pass runs when it has one, and OK is pressed unless
// it has ended by then.
std::optional<int> SilentPlatform::ShowDialog(SetupDialog shown, WindowHandle,
                                              DialogController& controller) {
  UnseenDialog dialog(shown);
  controller.OnInit(dialog);
  if (!dialog.ended() && dialog.startPassPosted()) controller.OnStartPass(dialog);
  if (!dialog.ended()) controller.OnCommand(dialog, kIdOkButton);
  dialog.End(0);
  dialog.BeginDestroy();
  controller.OnDestroy(dialog);
  return dialog.result();
}

// ---- Everything but the screen is the system's ----

std::optional<FindEntry> SilentPlatform::FindFirst(const std::string& path) {
  return system_.FindFirst(path);
}
bool SilentPlatform::CreateFolder(const std::string& path) { return system_.CreateFolder(path); }
bool SilentPlatform::SetCurrentFolder(const std::string& path) {
  return system_.SetCurrentFolder(path);
}
std::string SilentPlatform::CurrentFolder() { return system_.CurrentFolder(); }
uint32_t SilentPlatform::QueryDriveType(const std::string& root) {
  return system_.QueryDriveType(root);
}
std::optional<std::string> SilentPlatform::ShortPath(const std::string& path) {
  return system_.ShortPath(path);
}
FileHandle SilentPlatform::Open(const std::string& path, uint32_t access, uint32_t share,
                                FileCreation creation) {
  return system_.Open(path, access, share, creation);
}
std::optional<uint32_t> SilentPlatform::Read(FileHandle file, void* buffer, uint32_t count) {
  return system_.Read(file, buffer, count);
}
std::optional<uint32_t> SilentPlatform::Write(FileHandle file, const void* buffer, uint32_t count) {
  return system_.Write(file, buffer, count);
}
std::optional<int64_t> SilentPlatform::Seek(FileHandle file, int64_t distance, SeekOrigin origin) {
  return system_.Seek(file, distance, origin);
}
bool SilentPlatform::Truncate(FileHandle file) { return system_.Truncate(file); }
std::optional<int64_t> SilentPlatform::FileSize(FileHandle file) { return system_.FileSize(file); }
bool SilentPlatform::Close(FileHandle file) { return system_.Close(file); }
bool SilentPlatform::Delete(const std::string& path) { return system_.Delete(path); }
bool SilentPlatform::Copy(const std::string& source, const std::string& target, bool failIfExists) {
  return system_.Copy(source, target, failIfExists);
}
bool SilentPlatform::Move(const std::string& source, const std::string& target, uint32_t flags) {
  return system_.Move(source, target, flags);
}
bool SilentPlatform::CancelScheduledMove(const std::string& source, const std::string& target) {
  return system_.CancelScheduledMove(source, target);
}
std::optional<uint32_t> SilentPlatform::Attributes(const std::string& path) {
  return system_.Attributes(path);
}
bool SilentPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  return system_.SetAttributes(path, attributes);
}
std::optional<DiskSpace> SilentPlatform::FreeSpace(const std::string& root) {
  return system_.FreeSpace(root);
}
uint32_t SilentPlatform::LastError() { return system_.LastError(); }
std::string SilentPlatform::WindowsFolder() { return system_.WindowsFolder(); }
std::string SilentPlatform::ModulePath() { return system_.ModulePath(); }
std::string SilentPlatform::CommandLine() { return system_.CommandLine(); }
VersionInfo SilentPlatform::Version() { return system_.Version(); }
uint64_t SilentPlatform::Milliseconds() { return system_.Milliseconds(); }
void SilentPlatform::DisableSystemErrorBoxes() { system_.DisableSystemErrorBoxes(); }
bool SilentPlatform::WriteIniString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) {
  return system_.WriteIniString(section, key, value, file);
}
std::optional<RegKey> SilentPlatform::CreateKey(RegKey parent, const std::string& subKey) {
  return system_.CreateKey(parent, subKey);
}
std::optional<RegKey> SilentPlatform::OpenKey(RegKey parent, const std::string& subKey) {
  return system_.OpenKey(parent, subKey);
}
std::optional<std::string> SilentPlatform::QueryString(RegKey key, const std::string& name) {
  return system_.QueryString(key, name);
}
bool SilentPlatform::SetString(RegKey key, const std::string& name, const std::string& value) {
  return system_.SetString(key, name, value);
}
void SilentPlatform::CloseKey(RegKey key) { system_.CloseKey(key); }
bool SilentPlatform::SaveShellLink(const ShellLinkRequest& link) {
  return system_.SaveShellLink(link);
}
std::optional<std::string> SilentPlatform::ReadIniString(const std::string& section,
                                                         const std::string& key,
                                                         const std::string& file) {
  return system_.ReadIniString(section, key, file);
}
bool SilentPlatform::DeleteIniString(const std::string& section, const std::string& key,
                                     const std::string& file) {
  return system_.DeleteIniString(section, key, file);
}
bool SilentPlatform::DeleteValue(RegKey key, const std::string& name) {
  return system_.DeleteValue(key, name);
}
bool SilentPlatform::DeleteEmptyKey(RegKey parent, const std::string& subKey) {
  return system_.DeleteEmptyKey(parent, subKey);
}
bool SilentPlatform::RemoveAfterExit(const std::vector<std::string>& files,
                                     const std::string& folder, bool folderAwaitsRestart) {
  return system_.RemoveAfterExit(files, folder, folderAwaitsRestart);
}

}  // namespace qm
