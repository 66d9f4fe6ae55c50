// The narrow layer through which the setup engine reaches the operating system.
//
// Every operation mirrors one Windows "A" call (or a short fixed sequence of
// them) closely enough that the engine's decisions can be made against either
// adapter: the real Win32 one, or the in-memory fake that host tests drive.
// Texts are single-byte ANSI strings; paths use the backslash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class DialogController;  // platform/dialog_host.h

// ---- Files and folders -----------------------------------------------------

constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeSystem = 0x04;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeNormal = 0x80;

// GetDriveTypeA results.
enum DriveType : uint32_t {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// Windows error codes the engine and its tests look at.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorLockViolation = 33;
constexpr uint32_t kErrorHandleDiskFull = 39;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorDirNotEmpty = 145;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

// The first entry that FindFirstFileA reports for a path (the search is closed at once).
struct FindEntry {
  std::string name;
  uint32_t attributes = 0;
};

using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

// CreateFileA's desired access (GENERIC_READ / GENERIC_WRITE).
enum FileAccess : uint32_t {
  kAccessRead = 0x80000000u,
  kAccessWrite = 0x40000000u,
  kAccessReadWrite = kAccessRead | kAccessWrite,
};

// CreateFileA's share mode.
enum FileShare : uint32_t {
  kShareNone = 0,
  kShareRead = 1,
  kShareWrite = 2,
  kShareDelete = 4,
};

// CreateFileA's creation disposition.
enum class FileCreation : uint32_t {
  kCreateNew = 1,
  kCreateAlways = 2,
  kOpenExisting = 3,
  kOpenAlways = 4,
  kTruncateExisting = 5,
};

enum class SeekOrigin : uint32_t { kBegin = 0, kCurrent = 1, kEnd = 2 };

// MoveFileExA flags.
constexpr uint32_t kMoveReplaceExisting = 0x1;
constexpr uint32_t kMoveDelayUntilReboot = 0x4;

// What a drive has room for: the bytes free to this user, and the size of
// the allocation unit in which files take their room.
struct DiskSpace {
  uint64_t freeBytes = 0;
  uint32_t clusterBytes = 0;
};

// The free space that GetDiskFreeSpaceA's counts give, in 64 bits: on a
// drive over 2 GB the product of the counts does not fit 32 bits.
inline DiskSpace DiskSpaceFromClusters(uint32_t sectorsPerCluster, uint32_t bytesPerSector,
                                       uint32_t freeClusters) {
  const uint64_t cluster = uint64_t{sectorsPerCluster} * bytesPerSector;
  return DiskSpace{cluster * freeClusters, static_cast<uint32_t>(cluster)};
}

// ---- Registry --------------------------------------------------------------

// A registry key handle; the two predefined roots have their Windows values.
using RegKey = uintptr_t;
constexpr RegKey kHkeyCurrentUser = 0x80000001u;
constexpr RegKey kHkeyLocalMachine = 0x80000002u;

// ---- Windows and messages --------------------------------------------------

using WindowHandle = uintptr_t;
constexpr WindowHandle kNoWindow = 0;

// MessageBoxA styles and answers.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconWarning = 0x30;
constexpr uint32_t kMbTaskModal = 0x2000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// The six dialog templates of the setup, by their resource names.
enum class SetupDialog { kMain, kLicense, kIProgress, kProgress, kGroup, kReplace };
const char* DialogTemplateName(SetupDialog dialog);

// ---- The progress gauge ----------------------------------------------------

// GetSystemMetrics indices that the gauge's geometry reads.
enum class SystemMetricId : int { kCyCaption = 4, kCxBorder = 5, kCyBorder = 6 };

// Where a progress dialog's gauge bar and its percentage lie, in the dialog's
// client coordinates (pixels).
struct GaugeGeometry {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width = 0;  // right - left + 1
  int32_t textX = 0, textY = 0;
};

// What the backdrop paints, fixed at start-up for the whole run: the screen
// size taken then (all placing uses it, not the window's own size), the
// gradient's two colours, the title and notice colour (COLORREF 0x00BBGGRR)
// and the two texts.
struct BackdropPicture {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t topColour = 0;
  uint32_t bottomColour = 0;
  uint32_t titleColour = 0;
  std::string title;
  std::string notice;
};

// ---- Version ---------------------------------------------------------------

constexpr uint32_t kPlatformWin32Windows = 1;  // Windows 95 family
constexpr uint32_t kPlatformWin32Nt = 2;

struct VersionInfo {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;
};

// What a Start-menu shortcut holds (IShellLinkA + IPersistFile::Save).
struct ShellLinkRequest {
  std::string target;            // SetPath
  std::string workingDirectory;  // SetWorkingDirectory
  int showCommand = 1;           // SetShowCmd (SW_SHOWNORMAL)
  std::string linkFile;          // the .lnk path given to Save
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Files and folders.
  virtual std::optional<FindEntry> FindFirst(const std::string& path) = 0;
  virtual bool CreateFolder(const std::string& path) = 0;
  virtual bool SetCurrentFolder(const std::string& path) = 0;
  virtual std::string CurrentFolder() = 0;
  virtual uint32_t QueryDriveType(const std::string& root) = 0;
  // The 8.3 form of an existing path, or nothing when the call fails.
  virtual std::optional<std::string> ShortPath(const std::string& path) = 0;
  virtual FileHandle Open(const std::string& path, uint32_t access, uint32_t share,
                                FileCreation creation) = 0;
  // Bytes read, or nothing when the call fails. 0 means the end of the file.
  virtual std::optional<uint32_t> Read(FileHandle file, void* buffer, uint32_t count) = 0;
  // Bytes written, or nothing when the call fails.
  virtual std::optional<uint32_t> Write(FileHandle file, const void* buffer,
                                            uint32_t count) = 0;
  // The new position, or nothing when the call fails.
  virtual std::optional<int64_t> Seek(FileHandle file, int64_t distance,
                                                SeekOrigin origin) = 0;
  virtual bool Truncate(FileHandle file) = 0;
  virtual std::optional<int64_t> FileSize(FileHandle file) = 0;
  virtual bool Close(FileHandle file) = 0;
  virtual bool Delete(const std::string& path) = 0;
  virtual bool Copy(const std::string& source, const std::string& target,
                        bool failIfExists) = 0;
  // Flags 0: a plain rename (MoveFileA, which every Windows has), failing
  // with ERROR_ALREADY_EXISTS when the target exists and with a sharing
  // violation when the source is open without delete sharing. With
  // kMoveDelayUntilReboot (Windows NT) the move is scheduled for the next
  // start; an empty target then schedules the source's deletion.
  virtual bool Move(const std::string& source, const std::string& target,
                          uint32_t flags) = 0;
  // Withdraws a move that Move scheduled for the next start with exactly
  // these paths; false when none was scheduled.
  virtual bool CancelScheduledMove(const std::string& source, const std::string& target) = 0;
  // GetFileAttributesA / SetFileAttributesA.
  virtual std::optional<uint32_t> Attributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // The free space of a drive given by its root (C:\ and the like): GetDiskFreeSpaceExA
  // where the system has it, else GetDiskFreeSpaceA (the first Windows 95).
  virtual std::optional<DiskSpace> FreeSpace(const std::string& root) = 0;
  // GetLastError after the most recent failing call of this layer.
  virtual uint32_t LastError() = 0;

  // The system.
  virtual std::string WindowsFolder() = 0;
  virtual std::string ModulePath() = 0;
  // The process's arguments: its command line after the program's own name
  // and the blanks that follow it (what WinMain is given).
  virtual std::string CommandLine() = 0;
  virtual VersionInfo Version() = 0;
  // A clock in milliseconds that only moves forward; its zero means nothing.
  virtual uint64_t Milliseconds() = 0;
  // Windows asks no one about a drive without a disk or a file it can't
  // open (SetErrorMode): the call that needed it fails instead.
  virtual void DisableSystemErrorBoxes() = 0;
  virtual bool WriteIniString(const std::string& section, const std::string& key,
                                         const std::string& value, const std::string& file) = 0;

  // Registry. CreateKey opens a subkey of an open key or root, creating it when missing.
  virtual std::optional<RegKey> CreateKey(RegKey parent, const std::string& subKey) = 0;
  virtual std::optional<RegKey> OpenKey(RegKey parent, const std::string& subKey) = 0;
  // A string value; an expandable one (REG_EXPAND_SZ) comes with its
  // environment variables expanded. Nothing for a missing or non-string value.
  virtual std::optional<std::string> QueryString(RegKey key, const std::string& name) = 0;
  virtual bool SetString(RegKey key, const std::string& name, const std::string& value) = 0;
  virtual void CloseKey(RegKey key) = 0;

  // The window system.
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // Registers the window class "QMSetUp" and creates the backdrop at (0, 0),
  // picture.width x picture.height, which paints the picture from then on.
  virtual WindowHandle CreateBackdropWindow(const BackdropPicture& picture) = 0;
  // Loads the LOGO bitmap resource, which the backdrop paints; false when it is missing.
  virtual bool LoadLogo() = 0;
  virtual int ShowMessage(WindowHandle owner, const std::string& text,
                         const std::string& caption, uint32_t style) = 0;
  // Shows a setup dialog modally over the owner, its behaviour given by
  // `controller`. Nothing when its template is missing from the resources;
  // otherwise the value the dialog ended with.
  virtual std::optional<int> ShowDialog(SetupDialog dialog, WindowHandle owner,
                                        DialogController& controller) = 0;
  // Dispatches every waiting message of the thread; WM_QUIT is dropped. The
  // real adapter looks at the queue at most once per 10 ms (a look costs a
  // round trip to the window system), and at once after a message box, and
  // returns at once in between.
  virtual void PumpMessages() = 0;

  // The progress gauge, drawn straight onto one dialog's client area at a time.
  virtual int32_t SystemMetric(SystemMetricId metric) = 0;  // GetSystemMetrics
  // GetDC of the dialog; solid 1-pixel red and white pens and solid red and
  // white brushes created, the red ones selected; a transparent background;
  // the 16-pixel "Arial" font selected; black text.
  virtual void OpenGaugeDrawing(WindowHandle dialog) = 0;
  // Rectangle(left, top, boundary, bottom) in red, Rectangle(boundary, top,
  // right, bottom) in white, then TextOutA of `text` at textX, textY.
  virtual void PaintGauge(const GaugeGeometry& gauge, int32_t boundary,
                          const std::string& text) = 0;
  // Puts back the font, pen and brush that OpenGaugeDrawing replaced, deletes
  // the objects it made and releases the DC.
  virtual void CloseGaugeDrawing() = 0;

  // The shell.
  virtual bool SaveShellLink(const ShellLinkRequest& link) = 0;
  virtual void StartProgram(WindowHandle owner, const std::string& file,
                            const std::string& directory, int showCommand) = 0;
  // Enables the shutdown privilege where there is one, then asks Windows to reboot.
  virtual void RequestReboot() = 0;

  // What the uninstaller needs besides.
  // GetPrivateProfileStringA: the key's value, or nothing when the file, the
  // section or the key is missing.
  virtual std::optional<std::string> ReadIniString(const std::string& section,
                                                   const std::string& key,
                                                   const std::string& file) = 0;
  // WritePrivateProfileStringA without a value: the key goes.
  virtual bool DeleteIniString(const std::string& section, const std::string& key,
                               const std::string& file) = 0;
  // RegDeleteValueA.
  virtual bool DeleteValue(RegKey key, const std::string& name) = 0;
  // Deletes a subkey that holds neither subkeys nor values (RegDeleteKeyA,
  // which on Windows 95 would take a whole tree); false, with
  // ERROR_DIR_NOT_EMPTY, when it holds anything.
  virtual bool DeleteEmptyKey(RegKey parent, const std::string& subKey) = 0;
  // Once this process has ended, deletes the files (each one that can't be
  // deleted then goes at the next start of Windows) and removes `folder`
  // when one is named and it is empty; when `folderAwaitsRestart`, a folder
  // that still holds files is removed at the next start (Windows NT), after
  // the deletions already scheduled for then. False when that can't be set
  // going; then nothing is deleted.
  virtual bool RemoveAfterExit(const std::vector<std::string>& files, const std::string& folder,
                               bool folderAwaitsRestart) = 0;
};

}  // namespace qm
