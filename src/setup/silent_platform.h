// What a silent run (/S) runs on: the real system for files, the registry,
// the version and the shell, but no screen and no one in front of it.
//
// Nothing is shown: no backdrop, no dialog window, no message box, no gauge.
// Each dialog's controller runs as it would on the screen, and the silent
// user presses OK in it; the command line has already put its answers into
// the dialogs (MAIN's folder, GROUP's name, REPLACE's boxes). A dialog that
// does not accept OK ends with 0, as no other answer can be given. Each
// message gets the answer that goes on without anyone or gives up: OK, No to
// a question, Cancel to a request for a disk. Windows is never restarted and
// the product never started, and Windows asks no one about missing disks.
#pragma once

#include "platform/platform.h"

namespace qm {

// The silent user's answer to a message box of that style.
int SilentAnswer(uint32_t style);

class SilentPlatform : public Platform {
 public:
  explicit SilentPlatform(Platform& system);

  // Files and folders, the system and the registry: those of `system`.
  std::optional<FindEntry> FindFirst(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool SetCurrentFolder(const std::string& path) override;
  std::string CurrentFolder() override;
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
  uint32_t LastError() override;
  std::string WindowsFolder() override;
  std::string ModulePath() override;
  std::string CommandLine() override;
  VersionInfo Version() override;
  uint64_t Milliseconds() override;
  void DisableSystemErrorBoxes() override;
  bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file) override;
  std::optional<RegKey> CreateKey(RegKey parent, const std::string& subKey) override;
  std::optional<RegKey> OpenKey(RegKey parent, const std::string& subKey) override;
  std::optional<std::string> QueryString(RegKey key, const std::string& name) override;
  bool SetString(RegKey key, const std::string& name, const std::string& value) override;
  void CloseKey(RegKey key) override;
  bool SaveShellLink(const ShellLinkRequest& link) override;
  std::optional<std::string> ReadIniString(const std::string& section, const std::string& key,
                                           const std::string& file) override;
  bool DeleteIniString(const std::string& section, const std::string& key,
                       const std::string& file) override;
  bool DeleteValue(RegKey key, const std::string& name) override;
  bool DeleteEmptyKey(RegKey parent, const std::string& subKey) override;
  bool RemoveAfterExit(const std::vector<std::string>& files, const std::string& folder,
                       bool folderAwaitsRestart) override;

  // The screen, which a silent run does without.
  int ScreenWidth() override { return 0; }
  int ScreenHeight() override { return 0; }
  WindowHandle CreateBackdropWindow(const BackdropPicture&) override { return kNoWindow; }
  bool LoadLogo() override { return false; }
  int ShowMessage(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t style) override;
  std::optional<int> ShowDialog(SetupDialog dialog, WindowHandle owner,
                                DialogController& controller) override;
  void PumpMessages() override {}
  int32_t SystemMetric(SystemMetricId) override { return 0; }
  void OpenGaugeDrawing(WindowHandle) override {}
  void PaintGauge(const GaugeGeometry&, int32_t, const std::string&) override {}
  void CloseGaugeDrawing() override {}
  // A silent run neither starts the product nor restarts Windows.
  void StartProgram(WindowHandle, const std::string&, const std::string&, int) override {}
  void RequestReboot() override {}

 private:
  Platform& system_;
};

}  // namespace qm
