// The real adapter: each method makes the Windows "A" call that platform.h names.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "ui/win32/backdrop_window.h"

namespace qm {

// The arguments in a command line as GetCommandLineA gives it: what follows
// the program's name (in double quotes, or up to the first blank) and the
// blanks after it.
std::string ArgumentsOf(const char* commandLine);

class Win32Platform : public Platform {
 public:
  Win32Platform() = default;
  // The backdrop window points at backdrop_, so the adapter stays where it is.
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

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
  bool WriteIniString(const std::string& section, const std::string& key,
                      const std::string& value, const std::string& file) override;

  std::optional<RegKey> CreateKey(RegKey parent, const std::string& subKey) override;
  std::optional<RegKey> OpenKey(RegKey parent, const std::string& subKey) override;
  std::optional<std::string> QueryString(RegKey key, const std::string& name) override;
  bool SetString(RegKey key, const std::string& name, const std::string& value) override;
  void CloseKey(RegKey key) override;

  int ScreenWidth() override;
  int ScreenHeight() override;
  WindowHandle CreateBackdropWindow(const BackdropPicture& picture) override;
  bool LoadLogo() override;
  int ShowMessage(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t style) override;
  std::optional<int> ShowDialog(SetupDialog dialog, WindowHandle owner,
                                DialogController& controller) override;
  void PumpMessages() override;
  int32_t SystemMetric(SystemMetricId metric) override;
  void OpenGaugeDrawing(WindowHandle dialog) override;
  void PaintGauge(const GaugeGeometry& gauge, int32_t boundary, const std::string& text) override;
  void CloseGaugeDrawing() override;

  bool SaveShellLink(const ShellLinkRequest& link) override;
  void StartProgram(WindowHandle owner, const std::string& file, const std::string& directory,
                    int showCommand) override;
  void RequestReboot() override;

  std::optional<std::string> ReadIniString(const std::string& section, const std::string& key,
                                           const std::string& file) override;
  bool DeleteIniString(const std::string& section, const std::string& key,
                       const std::string& file) override;
  bool DeleteValue(RegKey key, const std::string& name) override;
  bool DeleteEmptyKey(RegKey parent, const std::string& subKey) override;
  bool RemoveAfterExit(const std::vector<std::string>& files, const std::string& folder,
                       bool folderAwaitsRestart) override;

 private:
  // Notes GetLastError when a call failed; passes the outcome on.
  bool Succeeded(bool ok);
  // Notes a registry call's own result code; true for ERROR_SUCCESS.
  bool RegistrySucceeded(LONG status);

  // The drawing objects of the open progress gauge (one at a time).
  struct GaugeDrawing {
    HWND dialog = nullptr;
    HDC dc = nullptr;
    HPEN fillPen = nullptr, restPen = nullptr;
    HBRUSH fillBrush = nullptr, restBrush = nullptr;
    HFONT font = nullptr;
    HGDIOBJ savedPen = nullptr, savedBrush = nullptr, savedFont = nullptr;
  };

  DWORD lastError_ = ERROR_SUCCESS;
  GaugeDrawing gauge_;
  // PumpMessages looks at the queue when lookAtOnce_ is set or
  // kPumpIntervalMs have passed since its last look (performance counter).
  static constexpr LONGLONG kPumpIntervalMs = 10;
  bool lookAtOnce_ = true;
  LONGLONG lastLook_ = 0;
  bool comInitialized_ = false;
  // What the backdrop window paints, kept for the whole run.
  ui::Backdrop backdrop_;
};

}  // namespace qm
