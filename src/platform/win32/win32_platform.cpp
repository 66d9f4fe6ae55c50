#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/win32/disk_space.h"
#include "platform/win32/pending_moves.h"
#include "platform/win32/self_removal.h"
#include "platform/win32/shell_link.h"
#include "platform/win32/shutdown_privilege.h"
#include "ui/win32/backdrop_window.h"
#include "ui/win32/dialog_procedure.h"

namespace qm {
namespace {

constexpr char kBackdropClass[] = "QMSetUp";
constexpr char kBackdropTitle[] = "Installation";
// GetShortPathNameA and GetWindowsDirectoryA write into fixed 256-character buffers.
constexpr DWORD kPathBufferSize = 256;

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
HKEY ToKey(RegKey key) { return reinterpret_cast<HKEY>(key); }
HWND ToWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// A folder value such as "%USERPROFILE%\Start Menu" as the shell would use it;
// the text unchanged when it can't be expanded.
std::string ExpandEnvironmentVariables(const std::string& text) {
  const DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (size == 0) return text;
  std::string expanded(size, '\0');
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
  if (length == 0 || length > size) return text;
  // The count includes the terminating zero and may be too high for the "A"
  // form, so the text ends at its first zero.
  expanded.resize(std::strlen(expanded.c_str()));
  return expanded;
}

// Takes the first pair of the open Session Manager key's list that moves
// `source` to `target` (both in NtPathForm, the target empty for a deletion)
// out of the list: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when no pair does, or
// the registry's error.
LONG WithdrawPendingMove(HKEY key, const std::string& source, const std::string& target) {
  std::string value;
  const LONG status = ReadPendingMoves(key, value);
  if (status != ERROR_SUCCESS) return status;
  std::vector<PendingMove> moves = SplitPendingMoves(value);
  const auto found = std::find_if(moves.begin(), moves.end(), [&](const PendingMove& move) {
    return EntryNamesPath(move.source, source) && TargetNamesPath(move.target, target);
  });
  if (found == moves.end()) return ERROR_FILE_NOT_FOUND;
  moves.erase(found);
  return StorePendingMoves(key, moves);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string ArgumentsOf(const char* commandLine) {
  const char* at = commandLine;
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (*at != '\0' && !IsBlank(*at)) ++at;
  }
  while (IsBlank(*at)) ++at;
  return at;
}

bool Win32Platform::Succeeded(bool ok) {
  if (!ok) lastError_ = GetLastError();
  return ok;
}

bool Win32Platform::RegistrySucceeded(LONG status) {
  if (status != ERROR_SUCCESS) lastError_ = static_cast<DWORD>(status);
  return status == ERROR_SUCCESS;
}

uint32_t Win32Platform::LastError() { return lastError_; }

// ---- Files and folders -----------------------------------------------------

std::optional<FindEntry> Win32Platform::FindFirst(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (!Succeeded(search != INVALID_HANDLE_VALUE)) return std::nullopt;
  FindClose(search);
  return FindEntry{found.cFileName, found.dwFileAttributes};
}

bool Win32Platform::CreateFolder(const std::string& path) {
  return Succeeded(CreateDirectoryA(path.c_str(), nullptr) != FALSE);
}

bool Win32Platform::SetCurrentFolder(const std::string& path) {
  return Succeeded(SetCurrentDirectoryA(path.c_str()) != FALSE);
}

std::string Win32Platform::CurrentFolder() {
  std::string folder(GetCurrentDirectoryA(0, nullptr), '\0');
  folder.resize(GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

uint32_t Win32Platform::QueryDriveType(const std::string& root) {
  return GetDriveTypeA(root.c_str());
}

std::optional<std::string> Win32Platform::ShortPath(const std::string& path) {
  char shortPath[kPathBufferSize];
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, kPathBufferSize - 1);
  if (!Succeeded(length != 0) || length >= kPathBufferSize - 1) return std::nullopt;
  return std::string(shortPath, length);
}

FileHandle Win32Platform::Open(const std::string& path, uint32_t access, uint32_t share,
                               FileCreation creation) {
  HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, static_cast<DWORD>(creation),
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!Succeeded(file != INVALID_HANDLE_VALUE)) return kInvalidFile;
  return reinterpret_cast<FileHandle>(file);
}

std::optional<uint32_t> Win32Platform::Read(FileHandle file, void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!Succeeded(ReadFile(ToHandle(file), buffer, count, &done, nullptr) != FALSE)) {
    return std::nullopt;
  }
  return done;
}

std::optional<uint32_t> Win32Platform::Write(FileHandle file, const void* buffer,
                                             uint32_t count) {
  DWORD done = 0;
  if (!Succeeded(WriteFile(ToHandle(file), buffer, count, &done, nullptr) != FALSE)) {
    return std::nullopt;
  }
  return done;
}

std::optional<int64_t> Win32Platform::Seek(FileHandle file, int64_t distance,
                                           SeekOrigin origin) {
  LONG high = static_cast<LONG>(distance >> 32);
  // A low part of 0xFFFFFFFF is a valid position, so only the error code tells a failure.
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(ToHandle(file), static_cast<LONG>(distance & 0xFFFFFFFF),
                                   &high, static_cast<DWORD>(origin));
  if (!Succeeded(low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR)) {
    return std::nullopt;
  }
  return (static_cast<int64_t>(high) << 32) | low;
}

bool Win32Platform::Truncate(FileHandle file) {
  return Succeeded(SetEndOfFile(ToHandle(file)) != FALSE);
}

std::optional<int64_t> Win32Platform::FileSize(FileHandle file) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(ToHandle(file), &high);
  if (!Succeeded(low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR)) return std::nullopt;
  return (static_cast<int64_t>(high) << 32) | low;
}

bool Win32Platform::Close(FileHandle file) {
  return Succeeded(CloseHandle(ToHandle(file)) != FALSE);
}

bool Win32Platform::Delete(const std::string& path) {
  return Succeeded(DeleteFileA(path.c_str()) != FALSE);
}

bool Win32Platform::Copy(const std::string& source, const std::string& target,
                         bool failIfExists) {
  return Succeeded(CopyFileA(source.c_str(), target.c_str(), failIfExists) != FALSE);
}

// A plain rename goes through MoveFileA: Windows 95 has MoveFileExA only as
// a stub that fails. A move for the next start (Windows NT) takes NULL as the
// target of a deletion; an empty text there fails with ERROR_PATH_NOT_FOUND.
bool Win32Platform::Move(const std::string& source, const std::string& target, uint32_t flags) {
  if (flags == 0) return Succeeded(MoveFileA(source.c_str(), target.c_str()) != FALSE);
  const bool deletion = target.empty() && (flags & kMoveDelayUntilReboot) != 0;
  if (MoveFileExA(source.c_str(), deletion ? nullptr : target.c_str(), flags)) return true;
  // Windows 95 answers MoveFileExA with "not implemented": a replacing
  // rename is made there of a deletion and a plain rename.
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED || flags != kMoveReplaceExisting) {
    return Succeeded(false);
  }
  if (!DeleteFileA(target.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return Succeeded(false);
  }
  return Succeeded(MoveFileA(source.c_str(), target.c_str()) != FALSE);
}

// The list of moves for the next start is edited directly, as no call takes
// a move back; only calls that Windows 95 and NT 4.0 have are used.
bool Win32Platform::CancelScheduledMove(const std::string& source, const std::string& target) {
  HKEY key = nullptr;
  if (!RegistrySucceeded(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0,
                                       KEY_QUERY_VALUE | KEY_SET_VALUE, &key))) {
    return false;
  }
  const LONG status = WithdrawPendingMove(key, NtPathForm(source),
                                          target.empty() ? std::string() : NtPathForm(target));
  RegCloseKey(key);
  return RegistrySucceeded(status);
}

std::optional<uint32_t> Win32Platform::Attributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (!Succeeded(attributes != INVALID_FILE_ATTRIBUTES)) return std::nullopt;
  return attributes;
}

bool Win32Platform::SetAttributes(const std::string& path, uint32_t attributes) {
  return Succeeded(SetFileAttributesA(path.c_str(), attributes) != FALSE);
}

std::optional<DiskSpace> Win32Platform::FreeSpace(const std::string& root) {
  const std::optional<DiskSpace> space = QueryDiskSpace(root, LookUpGetDiskFreeSpaceEx());
  Succeeded(space.has_value());
  return space;
}

// ---- The system --------------------------------------------------------------

std::string Win32Platform::WindowsFolder() {
  char folder[kPathBufferSize];
  const UINT length = GetWindowsDirectoryA(folder, kPathBufferSize);
  return length < kPathBufferSize ? std::string(folder, length) : std::string();
}

std::string Win32Platform::ModulePath() {
  char path[MAX_PATH];
  return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

std::string Win32Platform::CommandLine() { return ArgumentsOf(GetCommandLineA()); }

// The performance counter where there is one; GetTickCount, which under Wine
// can stand still for a while, otherwise.
uint64_t Win32Platform::Milliseconds() {
  LARGE_INTEGER now, frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0 ||
      !QueryPerformanceCounter(&now)) {
    return GetTickCount();
  }
  return static_cast<uint64_t>(now.QuadPart) * 1000 / static_cast<uint64_t>(frequency.QuadPart);
}

void Win32Platform::DisableSystemErrorBoxes() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

VersionInfo Win32Platform::Version() {
  OSVERSIONINFOA version = {};
  static_assert(sizeof(version) == 148, "OSVERSIONINFOA is the 148-byte record");
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);
  return VersionInfo{version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                     version.dwPlatformId};
}

bool Win32Platform::WriteIniString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) {
  return Succeeded(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                              file.c_str()) != FALSE);
}

// GetPrivateProfileStringA answers a missing key with the default it is given;
// this one no profile value can hold.
std::optional<std::string> Win32Platform::ReadIniString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& file) {
  static const char kMissing[] = "\x01missing\x01";
  char value[1024];
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, value,
                                                sizeof value, file.c_str());
  const std::string text(value, length);
  if (text == kMissing) return std::nullopt;
  return text;
}

bool Win32Platform::DeleteIniString(const std::string& section, const std::string& key,
                                    const std::string& file) {
  return Succeeded(WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                              file.c_str()) != FALSE);
}

// ---- Registry ----------------------------------------------------------------

std::optional<RegKey> Win32Platform::CreateKey(RegKey parent, const std::string& subKey) {
  HKEY key = nullptr;
  if (!RegistrySucceeded(RegCreateKeyExA(ToKey(parent), subKey.c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                         &key, nullptr))) {
    return std::nullopt;
  }
  return reinterpret_cast<RegKey>(key);
}

// Opened keys are only read from (writes go through CreateKey), so KEY_READ is
// enough and also works on machine-wide keys without administrator rights.
std::optional<RegKey> Win32Platform::OpenKey(RegKey parent, const std::string& subKey) {
  HKEY key = nullptr;
  if (!RegistrySucceeded(RegOpenKeyExA(ToKey(parent), subKey.c_str(), 0, KEY_READ, &key))) {
    return std::nullopt;
  }
  return reinterpret_cast<RegKey>(key);
}

std::optional<std::string> Win32Platform::QueryString(RegKey key, const std::string& name) {
  DWORD type = 0;
  DWORD size = 0;
  if (!RegistrySucceeded(
          RegQueryValueExA(ToKey(key), name.c_str(), nullptr, &type, nullptr, &size)) ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::string value(size, '\0');
  if (!RegistrySucceeded(RegQueryValueExA(ToKey(key), name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(value.data()), &size))) {
    return std::nullopt;
  }
  value.resize(size);
  // The stored size counts the terminating zero.
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return type == REG_EXPAND_SZ ? ExpandEnvironmentVariables(value) : value;
}

bool Win32Platform::SetString(RegKey key, const std::string& name, const std::string& value) {
  return RegistrySucceeded(RegSetValueExA(ToKey(key), name.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1)));
}

void Win32Platform::CloseKey(RegKey key) { RegCloseKey(ToKey(key)); }

bool Win32Platform::DeleteValue(RegKey key, const std::string& name) {
  return RegistrySucceeded(RegDeleteValueA(ToKey(key), name.c_str()));
}

// Windows 95's RegDeleteKeyA deletes a key with everything below it, NT's
// only a key without subkeys: the key is looked into first on both.
bool Win32Platform::DeleteEmptyKey(RegKey parent, const std::string& subKey) {
  HKEY key = nullptr;
  if (!RegistrySucceeded(RegOpenKeyExA(ToKey(parent), subKey.c_str(), 0, KEY_READ, &key))) {
    return false;
  }
  DWORD subkeys = 0, values = 0;
  const LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                       &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (!RegistrySucceeded(status)) return false;
  if (subkeys != 0 || values != 0) return RegistrySucceeded(ERROR_DIR_NOT_EMPTY);
  return RegistrySucceeded(RegDeleteKeyA(ToKey(parent), subKey.c_str()));
}

// ---- The window system -------------------------------------------------------

int Win32Platform::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int Win32Platform::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

WindowHandle Win32Platform::CreateBackdropWindow(const BackdropPicture& picture) {
  backdrop_.picture = picture;
  WNDCLASSA windowClass = {};
  windowClass.style = CS_PARENTDC;
  windowClass.lpfnWndProc = ui::BackdropWindowProc;
  windowClass.hInstance = Module();
  windowClass.lpszClassName = kBackdropClass;
  RegisterClassA(&windowClass);
  // The window's creation data is what it paints; its procedure keeps it.
  HWND window = CreateWindowExA(0, kBackdropClass, kBackdropTitle, WS_POPUP | WS_VISIBLE, 0, 0,
                                picture.width, picture.height, nullptr, nullptr, Module(),
                                &backdrop_);
  return reinterpret_cast<WindowHandle>(window);
}

bool Win32Platform::LoadLogo() {
  backdrop_.logo = LoadBitmapA(Module(), "logo");
  return backdrop_.logo != nullptr;
}

int Win32Platform::ShowMessage(WindowHandle owner, const std::string& text,
                               const std::string& caption, uint32_t style) {
  const int answer = MessageBoxA(ToWindow(owner), text.c_str(), caption.c_str(), style);
  // The click that closed the box may have a Cancel queued right behind it:
  // the next pump looks at the queue at once.
  lookAtOnce_ = true;
  return answer;
}

std::optional<int> Win32Platform::ShowDialog(SetupDialog dialog, WindowHandle owner,
                                             DialogController& controller) {
  const char* name = DialogTemplateName(dialog);
  HRSRC found = FindResourceA(Module(), name, RT_DIALOG);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(Module(), found);
  if (loaded == nullptr) return std::nullopt;
  // The resource stays loaded while the dialog runs, also when it throws.
  struct Release {
    HGLOBAL resource;
    ~Release() { FreeResource(resource); }
  } release{loaded};
  return static_cast<int>(ui::RunDialogBox(Module(), name, ToWindow(owner), controller));
}

// The passes offer a pump once per 2 KB block. Each look at the queue is a
// round trip to the window system (some 40 us under Wine, about as long as
// decoding 2 KB), so the queue is looked at only when kPumpIntervalMs have
// passed since the last look: a click or a repaint still gets through within
// that time, and a whole pass spends a few milliseconds on it, not a hundred.
void Win32Platform::PumpMessages() {
  // QueryPerformanceCounter, not GetTickCount: under Wine the tick count can
  // stand still for longer than the interval.
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  if (!lookAtOnce_ && now.QuadPart - lastLook_ < frequency.QuadPart / 1000 * kPumpIntervalMs) {
    return;
  }
  lookAtOnce_ = false;
  lastLook_ = now.QuadPart;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// ---- The progress gauge --------------------------------------------------------

int32_t Win32Platform::SystemMetric(SystemMetricId metric) {
  return GetSystemMetrics(static_cast<int>(metric));
}

void Win32Platform::OpenGaugeDrawing(WindowHandle dialog) {
  const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255);
  gauge_.dialog = ToWindow(dialog);
  gauge_.dc = GetDC(gauge_.dialog);
  gauge_.fillPen = CreatePen(PS_SOLID, 1, red);
  gauge_.restPen = CreatePen(PS_SOLID, 1, white);
  gauge_.savedPen = SelectObject(gauge_.dc, gauge_.fillPen);
  gauge_.fillBrush = CreateSolidBrush(red);
  gauge_.restBrush = CreateSolidBrush(white);
  gauge_.savedBrush = SelectObject(gauge_.dc, gauge_.fillBrush);
  SetBkMode(gauge_.dc, TRANSPARENT);
  gauge_.font = CreateFontA(16, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "Arial");
  gauge_.savedFont = SelectObject(gauge_.dc, gauge_.font);
  SetTextColor(gauge_.dc, RGB(0, 0, 0));
}

void Win32Platform::PaintGauge(const GaugeGeometry& gauge, int32_t boundary,
                               const std::string& text) {
  SelectObject(gauge_.dc, gauge_.fillBrush);
  SelectObject(gauge_.dc, gauge_.fillPen);
  Rectangle(gauge_.dc, gauge.left, gauge.top, boundary, gauge.bottom);
  SelectObject(gauge_.dc, gauge_.restBrush);
  SelectObject(gauge_.dc, gauge_.restPen);
  Rectangle(gauge_.dc, boundary, gauge.top, gauge.right, gauge.bottom);
  TextOutA(gauge_.dc, gauge.textX, gauge.textY, text.c_str(), static_cast<int>(text.size()));
}

void Win32Platform::CloseGaugeDrawing() {
  SelectObject(gauge_.dc, gauge_.savedFont);
  DeleteObject(gauge_.font);
  SelectObject(gauge_.dc, gauge_.savedPen);
  SelectObject(gauge_.dc, gauge_.savedBrush);
  DeleteObject(gauge_.fillPen);
  DeleteObject(gauge_.restPen);
  DeleteObject(gauge_.fillBrush);
  DeleteObject(gauge_.restBrush);
  ReleaseDC(gauge_.dialog, gauge_.dc);
  gauge_ = GaugeDrawing();
}

// ---- The shell ---------------------------------------------------------------

bool Win32Platform::SaveShellLink(const ShellLinkRequest& link) {
  if (!comInitialized_) {
    CoInitialize(nullptr);
    comInitialized_ = true;
  }
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink)))) {
    return false;
  }
  const bool saved = FillAndSaveShellLink(shellLink, link);
  shellLink->Release();
  return saved;
}

void Win32Platform::StartProgram(WindowHandle owner, const std::string& file,
                                 const std::string& directory, int showCommand) {
  ShellExecuteA(ToWindow(owner), nullptr, file.c_str(), nullptr, directory.c_str(), showCommand);
}

bool Win32Platform::RemoveAfterExit(const std::vector<std::string>& files,
                                    const std::string& folder, bool folderAwaitsRestart) {
  return Succeeded(StartRemovalAfterExit(files, folder, folderAwaitsRestart));
}

void Win32Platform::RequestReboot() {
  EnableShutdownPrivilege();
  ExitWindowsEx(EWX_REBOOT, 0);
}

}  // namespace qm
