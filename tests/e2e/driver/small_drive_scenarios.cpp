// Updates over an earlier installation on a small drive: the tmpfs that
// tests/e2e/install/small_drive.sh maps as drive K:. Each scenario lays down
// an older version of the update media's product (every file's content
// differs) in K:\KQM Install and Windows' Help folder, beside the main program
// of an earlier update that still waits for the next start of Windows
// (Kestreln.$$$ with its WinInit.Ini line and pending move), and runs the
// update over it. An update either lands completely or leaves every earlier
// file, WinInit.Ini and the pending moves exactly as they were.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "scenario.h"

namespace e2e {
namespace {

constexpr char kDrive[] = "K:\\";
constexpr char kDestination[] = "K:\\KQM Install";
constexpr char kMainProgram[] = "Kestreln.Exe";
constexpr char kRegistration[] = "Kestreln.Reg";
constexpr char kWaitingName[] = "Kestreln.$$$";
// What another program writes to the drive.
constexpr char kFiller[] = "K:\\Filler.Dat";
constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
constexpr char kCopyCaption[] = "Please Stand By...";
constexpr char kWaitingProgram[] = "the main program of an earlier update, waiting for the restart";

std::string InDestination(const std::string& name) {
  return std::string(kDestination) + "\\" + name;
}
std::string Place(const std::string& name) { return PlaceOf(kDestination, name); }
std::string WinInitPath() { return WindowsFolder() + "\\WinInit.Ini"; }

std::string ShortPath(const std::string& path) {
  char found[MAX_PATH] = "";
  const DWORD length = GetShortPathNameA(path.c_str(), found, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(found) : path;
}

// A path as one file is known whatever its form (short or long, "\??\" of
// the pending moves, letter case); an existing file by its long path.
std::string Identity(std::string path) {
  if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
  char found[MAX_PATH] = "";
  const DWORD length = GetLongPathNameA(path.c_str(), found, MAX_PATH);
  return Capitals(length > 0 && length < MAX_PATH ? std::string(found) : path);
}

bool HasExtension(const std::string& name, const std::string& extension) {
  return name.size() >= extension.size() &&
         Capitals(name.substr(name.size() - extension.size())) == extension;
}

// An installation never overwrites a .LIB or .DTP file once it is there.
bool IsKeptOnceInstalled(const std::string& name) {
  return HasExtension(name, ".LIB") || HasExtension(name, ".DTP");
}

std::string NewVersion(const std::string& name) {
  return FileContents(ProductFile(UpdateMedia(), name)).value_or("");
}

std::string OlderVersion(const std::string& name) {
  return "Kestrelon 1.0 " + name + "\r\n" + NewVersion(name);
}

// What a product file holds once the update is in place.
std::string UpdatedVersion(const std::string& name) {
  return IsKeptOnceInstalled(name) ? OlderVersion(name) : NewVersion(name);
}

// For messages: which of the versions a file holds.
std::string Which(const std::string& name, const std::optional<std::string>& bytes) {
  if (!bytes) return "nothing";
  if (*bytes == NewVersion(name)) return "the new version";
  if (*bytes == OlderVersion(name)) return "the older version";
  if (*bytes == kWaitingProgram) return "the earlier update's waiting main program";
  return std::to_string(bytes->size()) + " other bytes";
}

// ---- The drive's room ----

uint64_t ClusterBytes() {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  GetDiskFreeSpaceA(kDrive, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
  return uint64_t{sectorsPerCluster} * bytesPerSector;
}

uint64_t FreeBytes() {
  ULARGE_INTEGER available = {}, total = {}, free = {};
  GetDiskFreeSpaceExA(kDrive, &available, &total, &free);
  return available.QuadPart;
}

uint64_t InClusters(uint64_t bytes) {
  const uint64_t cluster = ClusterBytes();
  return cluster == 0 ? bytes : (bytes + cluster - 1) / cluster * cluster;
}

uint64_t FileSize(const std::string& path) { return FileContents(path).value_or("").size(); }

// What the update takes on drive K: at its two peaks, in whole clusters. The
// copy and the decode: the package file (the volumes joined) and the stream
// decoded from it, which holds every product file. The split: that stream and
// a copy of every file it puts in the destination folder (not the main
// program, which the stream becomes; not the help files, which go to drive
// C:; not the .LIB and .DTP files that are there already). The product's
// manual compresses well, so the split needs the more room.
struct UpdateRoom {
  uint64_t copyAndDecode = 0, split = 0;
  uint64_t Between() const { return (copyAndDecode + split) / 2; }
};

UpdateRoom RoomOfUpdate() {
  const Media media = UpdateMedia();
  uint64_t package = 0;
  for (int volume = 1; volume <= VolumeCount(media); ++volume) {
    package += FileSize(MediaVolume(media, volume));
  }
  uint64_t stream = 0, staged = 0;
  for (const std::string& name : ProductFiles(media)) {
    const uint64_t size = FileSize(ProductFile(media, name));
    stream += size;
    if (Capitals(name) != Capitals(kMainProgram) && !IsHelpFile(name) && !IsKeptOnceInstalled(name)) {
      staged += InClusters(size);
    }
  }
  UpdateRoom room;
  room.copyAndDecode = InClusters(package) + InClusters(stream);
  room.split = InClusters(stream) + staged;
  return room;
}

// Writes a file of that many bytes (written, not just reserved: a tmpfs takes
// no room for a file that is only extended).
bool WriteFiller(uint64_t bytes) {
  const uint64_t cluster = ClusterBytes();
  bytes = cluster == 0 ? bytes : bytes / cluster * cluster;
  return WriteWholeFile(kFiller, std::string(static_cast<size_t>(bytes), 'F'));
}

// ---- What the machine holds ----

struct FileState {
  std::string bytes;
  DWORD attributes = 0;
  bool operator==(const FileState& other) const {
    return bytes == other.bytes && attributes == other.attributes;
  }
};

// Every file on drive K: and at the help files' places on drive C:, by path;
// WinInit.Ini; the pending moves as they are stored.
struct MachineState {
  std::map<std::string, FileState> files;
  std::optional<std::string> winInit;
  std::optional<std::string> pendingMoves;
};

void AddFile(const std::string& path, MachineState& state) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  state.files[Capitals(path)] = {FileContents(path).value_or("<unreadable>"), attributes};
}

void AddTree(const std::string& folder, MachineState& state) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      AddTree(folder + "\\" + name, state);
      state.files[Capitals(folder + "\\" + name + "\\")] = {"", found.dwFileAttributes};
    } else {
      AddFile(folder + "\\" + name, state);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

MachineState TakeState() {
  MachineState state;
  AddTree("K:", state);
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    if (IsHelpFile(name)) AddFile(Place(name), state);
  }
  state.winInit = FileContents(WinInitPath());
  state.pendingMoves = RegistryBytes(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  return state;
}

// Empty when the machine holds what it held then, else the first difference.
std::string CompareStates(const MachineState& then, const MachineState& now) {
  for (const auto& [path, was] : then.files) {
    const auto is = now.files.find(path);
    if (is == now.files.end()) return path + " is gone";
    if (is->second.bytes != was.bytes) {
      return path + " changed (" + std::to_string(was.bytes.size()) + " -> " +
             std::to_string(is->second.bytes.size()) + " bytes)";
    }
    if (is->second.attributes != was.attributes) {
      return path + " changed its attributes from " + std::to_string(was.attributes) + " to " +
             std::to_string(is->second.attributes);
    }
  }
  for (const auto& [path, is] : now.files) {
    if (then.files.count(path) == 0) return path + " was added";
  }
  if (now.winInit != then.winInit) {
    return "WinInit.Ini changed: \"" + now.winInit.value_or("<missing>") + "\"";
  }
  if (now.pendingMoves != then.pendingMoves) return "the pending moves changed";
  return "";
}

MachineState before;  // taken at the end of a scenario's preparation

// The moves waiting for the next start, as (source, target) pairs; a target
// starting with "!" replaces an existing file, an empty one deletes the source.
std::vector<std::pair<std::string, std::string>> PendingMoves() {
  std::vector<std::string> strings;
  const std::string bytes =
      RegistryBytes(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames).value_or("");
  for (size_t start = 0; start < bytes.size();) {
    const size_t end = std::min(bytes.find('\0', start), bytes.size());
    strings.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::pair<std::string, std::string>> moves;
  for (size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
    moves.emplace_back(strings[i], strings[i + 1]);
  }
  return moves;
}

// ---- The earlier installation ----

// Takes away whatever a scenario left: the drive's files, C:'s products, the
// waiting renames.
void ClearMachine(bool allVolumes) {
  PrepareInstall(UpdateMedia(), allVolumes);
  DeleteTree("K:");
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    if (IsHelpFile(name)) DeleteFileA(Place(name).c_str());
  }
}

void LayDownEarlierInstallation(bool allVolumes) {
  ClearMachine(allVolumes);
  CreateDirectoryA(kDestination, nullptr);
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    WriteWholeFile(Place(name), OlderVersion(name));
  }
  const std::string program = InDestination(kMainProgram);
  const std::string waiting = InDestination(kWaitingName);
  WriteWholeFile(waiting, kWaitingProgram);
  WriteWholeFile(WinInitPath(),
                 "[Rename]\r\n" + ShortPath(program) + "=" + ShortPath(waiting) + "\r\n");
  MoveFileExA(waiting.c_str(), program.c_str(),
              MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
}

// Some earlier files as a user or an older setup may leave them; the main
// program among them, which is replaced only at the next start.
void MarkFilesReadOnlyAndHidden() {
  SetFileAttributesA(InDestination("UnInstal.Exe").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(InDestination(kMainProgram).c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(InDestination("Block.Dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

// Empty when the earlier installation is in place with its waiting main program.
std::string CheckEarlierInstallation() {
  if (GetFileAttributesA(kDrive) == INVALID_FILE_ATTRIBUTES) {
    return "there is no drive K: (tests/e2e/install/small_drive.sh mounts it)";
  }
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    if (FileContents(Place(name)) != OlderVersion(name)) return Place(name) + " was not laid down";
  }
  if (FileContents(InDestination(kWaitingName)) != kWaitingProgram) return "no Kestreln.$$$";
  if (TextLines(WinInitPath()).size() != 2) return "no rename line in WinInit.Ini";
  if (PendingMoves().size() != 1) return "no pending move of Kestreln.$$$";
  return "";
}

// The renames waiting for the next start are taken back, so that a later
// start of Wine does not carry them out over another scenario's files.
void WithdrawWaitingRenames() {
  DeleteFileA(WinInitPath().c_str());
  DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
}

// ---- Checks of an update that lands ----

// The file that the last line of WinInit.Ini's [Rename] section for `target`
// puts in its place, or nothing.
std::optional<std::string> RenamedByWinInit(const std::string& target) {
  std::optional<std::string> source;
  bool inRename = false;
  for (const std::string& line : TextLines(WinInitPath())) {
    if (!line.empty() && line[0] == '[') inRename = Capitals(line) == "[RENAME]";
    const size_t equals = line.find('=');
    if (!inRename || equals == std::string::npos) continue;
    if (Identity(line.substr(0, equals)) == Identity(target)) source = line.substr(equals + 1);
  }
  return source;
}

// The file that the last pending move to `target` puts in its place, or nothing.
std::optional<std::string> MovedByPendingMoves(const std::string& target) {
  std::optional<std::string> source;
  for (auto [from, to] : PendingMoves()) {
    if (!to.empty() && to[0] == '!') to.erase(0, 1);
    if (!to.empty() && Identity(to) == Identity(target)) source = from;
  }
  if (source && source->rfind("\\??\\", 0) == 0) source->erase(0, 4);
  return source;
}

// Before the restart: the files in `waiting` (the main program, and those held
// open) still hold the older version, and both WinInit.Ini and the pending
// moves (Windows NT) put a file with the new version in place of each at the
// next start; every other product file is updated already.
std::string CheckWaitingForRestart(const std::vector<std::string>& waiting) {
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    const bool waits = std::find(waiting.begin(), waiting.end(), name) != waiting.end();
    const auto bytes = FileContents(Place(name));
    if (!waits) {
      if (bytes != UpdatedVersion(name)) return Place(name) + " holds " + Which(name, bytes);
      continue;
    }
    if (bytes != OlderVersion(name)) return Place(name) + " holds " + Which(name, bytes);
    const auto renamed = RenamedByWinInit(Place(name));
    if (!renamed) return "WinInit.Ini has no rename line for " + name;
    if (FileContents(*renamed) != NewVersion(name)) {
      return "WinInit.Ini puts " + *renamed + " in place of " + name + ", which holds " +
             Which(name, FileContents(*renamed));
    }
    const auto moved = MovedByPendingMoves(Place(name));
    if (!moved) return "no pending move to " + name;
    if (FileContents(*moved) != NewVersion(name)) {
      return "the pending moves put " + *moved + " in place of " + name + ", which holds " +
             Which(name, FileContents(*moved));
    }
  }
  return "";
}

// After the restart: every product file holds its updated version, and the
// destination holds the product's files, the uninstaller the media tool added
// and the install record, and nothing else (no .$$$ file, no older file put
// aside).
std::string CheckUpdated() {
  std::vector<std::string> expected = {"UNINSTAL.EXE", "UNINSTAL.REC"};
  for (const std::string& name : ProductFiles(UpdateMedia())) {
    const auto bytes = FileContents(Place(name));
    if (bytes != UpdatedVersion(name)) return Place(name) + " holds " + Which(name, bytes);
    if (!IsHelpFile(name)) expected.push_back(Capitals(name));
  }
  for (const std::string& name : FilesIn(kDestination)) {
    if (std::find(expected.begin(), expected.end(), Capitals(name)) == expected.end()) {
      return InDestination(name) + " was left";
    }
  }
  for (const auto& [from, to] : PendingMoves()) {
    if (Capitals(from + to).find("K:\\") != std::string::npos) return "pending move of " + from;
  }
  return "";
}

std::vector<HANDLE> heldFiles;

// As a running program holds its files: others may read them, not write,
// rename or delete them.
void Hold(const std::string& name) {
  heldFiles.push_back(CreateFileA(Place(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

void LetGo() {
  for (HANDLE file : heldFiles) CloseHandle(file);
  heldFiles.clear();
}

// Wine's restart carries out WinInit.Ini and the pending moves.
std::string Restart() {
  LetGo();
  return RunAndWait("wineboot.exe -r", 60000) ? "" : "wineboot -r did not run";
}

// ---- Scenarios ----

Scenario OnSmallDrive(const std::string& name) {
  Scenario s;
  s.name = "install_small_drive_" + name;
  s.installs = true;
  return s;
}

// The drive has room for the copy and the decode, not for the files that
// wait to be put in place: the setup says so before it writes anything, and
// everything stays as it was.
Scenario UpdateThatCannotFit() {
  Scenario s = OnSmallDrive("no_room");
  s.exitCode = kFailed;
  s.prepare = [] {
    LayDownEarlierInstallation(true);
    MarkFilesReadOnlyAndHidden();
    WriteFiller(FreeBytes() - RoomOfUpdate().Between());
    before = TakeState();
  };
  s.checkPrepared = [] {
    std::string problem = CheckEarlierInstallation();
    const UpdateRoom room = RoomOfUpdate();
    const uint64_t free = FreeBytes();
    if (problem.empty() && !(room.copyAndDecode < free && free < room.split)) {
      problem = "K: has " + std::to_string(free) + " bytes free, not between " +
                std::to_string(room.copyAndDecode) + " and " + std::to_string(room.split);
    }
    return problem;
  };
  DialogStep noRoom;
  noRoom.caption = "Kestrelon!";
  noRoom.textContains = "There is not enough free space on drive K: for Kestrelon!.";
  noRoom.ownerCaption = kCopyCaption;
  s.steps = Join({UpToCopy(kDestination), {noRoom, Terminated()}});
  s.verify = [] {
    const std::string problem = CompareStates(before, TakeState());
    WithdrawWaitingRenames();
    return problem;
  };
  return s;
}

// Room for everything when the setup looks; while the disk prompt is up
// another program fills the drive so that the copy and the decode still fit
// but the split does not. The disk fills during the split: the setup reports
// it, and every earlier file, WinInit.Ini and the pending moves stay as they
// were.
uint64_t fillerBytes = 0;

Scenario UpdateThatRunsOutOfRoom() {
  Scenario s = OnSmallDrive("full_late");
  s.exitCode = kFailed;
  s.prepare = [] {
    LayDownEarlierInstallation(false);
    MarkFilesReadOnlyAndHidden();
    before = TakeState();
    fillerBytes = FreeBytes() - RoomOfUpdate().Between();
  };
  s.checkPrepared = [] {
    std::string problem = CheckEarlierInstallation();
    const UpdateRoom room = RoomOfUpdate();
    // Room for all three at once, however the setup reckons.
    const uint64_t most = room.copyAndDecode + room.split;
    if (problem.empty() && FreeBytes() < most) {
      problem = "K: has " + std::to_string(FreeBytes()) + " bytes free, less than " +
                std::to_string(most);
    }
    return problem;
  };
  DialogStep disk2 = DiskPrompt(2, kOk);
  disk2.beforeClick = [] {
    WriteFiller(fillerBytes);
    PutVolume(UpdateMedia(), 2);
    PutVolume(UpdateMedia(), 3);
  };
  DialogStep full;
  full.caption = "Error";
  full.textContains = "could not be written: the disk is full.";
  s.steps = Join({UpToCopy(kDestination), {disk2, full, Terminated()}});
  s.verify = [] {
    std::string problem;
    if (FileSize(kFiller) == 0) problem = "the other program's file is gone";
    DeleteFileA(kFiller);
    if (problem.empty()) problem = CompareStates(before, TakeState());
    WithdrawWaitingRenames();
    return problem;
  };
  return s;
}

// Kestreln.Reg and Kestreln.Exe are in use: both wait for the restart, and
// after it the update is complete, the earlier waiting main program not the
// one in place.
Scenario UpdateWithFilesInUse() {
  Scenario s = OnSmallDrive("in_use");
  s.exitCode = kRestartNeeded;
  s.prepare = [] {
    LayDownEarlierInstallation(true);
    Hold(kMainProgram);
    Hold(kRegistration);
  };
  s.checkPrepared = CheckEarlierInstallation;
  s.steps = Join({UpToCopy(kDestination), AfterUnpack(), {RebootQuestion(kNo)}});
  s.verify = [] {
    std::string problem = CheckWaitingForRestart({kMainProgram, kRegistration});
    if (problem.empty()) problem = Restart();
    return problem.empty() ? CheckUpdated() : problem;
  };
  return s;
}

// Read-only and hidden earlier files are replaced like the others; the
// read-only main program at the next start.
Scenario UpdateOverReadOnlyFiles() {
  Scenario s = OnSmallDrive("read_only");
  s.exitCode = kRestartNeeded;
  s.prepare = [] {
    LayDownEarlierInstallation(true);
    MarkFilesReadOnlyAndHidden();
  };
  s.checkPrepared = [] {
    const std::string problem = CheckEarlierInstallation();
    if (!problem.empty()) return problem;
    const DWORD attributes = GetFileAttributesA(InDestination("UnInstal.Exe").c_str());
    return attributes & FILE_ATTRIBUTE_READONLY ? std::string() : "UnInstal.Exe is not read-only";
  };
  s.steps = Join({UpToCopy(kDestination), AfterUnpack(), {RebootQuestion(kNo)}});
  s.verify = [] {
    std::string problem = CheckWaitingForRestart({kMainProgram});
    if (problem.empty()) problem = Restart();
    return problem.empty() ? CheckUpdated() : problem;
  };
  return s;
}

}  // namespace

std::vector<Scenario> SmallDriveScenarios() {
  return {UpdateThatCannotFit(), UpdateThatRunsOutOfRoom(), UpdateWithFilesInUse(),
          UpdateOverReadOnlyFiles()};
}

}  // namespace e2e
