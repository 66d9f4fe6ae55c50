#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "transport/path_helpers.h"

namespace qm {

struct FakePlatform::Node {
  std::string name;
  std::string shortName;
  bool isFolder = false;
  uint32_t attributes = kAttributeArchive;
  std::string content;
  std::map<std::string, std::unique_ptr<Node>> children;  // by upper-case long name
  int aliasesMade = 0;
  std::optional<int64_t> readsFailFrom;
};

struct FakePlatform::OpenFile {
  Node* node;
  uint32_t access;
  uint32_t share;
  int64_t position = 0;
  char drive = 'C';
};

namespace {

constexpr uint32_t kErrorCrc = 23;  // a data error, as a damaged diskette gives

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

bool WildcardMatch(const char* pattern, const char* text) {
  if (*pattern == '\0') return *text == '\0';
  if (*pattern == '*') {
    return WildcardMatch(pattern + 1, text) || (*text != '\0' && WildcardMatch(pattern, text + 1));
  }
  if (*text == '\0') return false;
  return (*pattern == '?' || *pattern == *text) && WildcardMatch(pattern + 1, text + 1);
}

// "*.*" matches names without a dot too, as on Windows.
bool NameMatches(const std::string& pattern, const std::string& name) {
  const std::string p = UpperCase(pattern), n = UpperCase(name);
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 &&
      WildcardMatch(p.substr(0, p.size() - 2).c_str(), n.c_str())) {
    return true;
  }
  return WildcardMatch(p.c_str(), n.c_str());
}

bool IsShortNameCharacter(char c) {
  return c > ' ' && std::strchr("\"*+,/:;<=>?[\\]|.", c) == nullptr;
}

bool IsValidShortName(const std::string& name) {
  const auto dot = name.find('.');
  const std::string stem = name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (stem.empty() || stem.size() > 8 || ext.size() > 3) return false;
  if (ext.find('.') != std::string::npos) return false;
  return std::all_of(stem.begin(), stem.end(), IsShortNameCharacter) &&
         std::all_of(ext.begin(), ext.end(), IsShortNameCharacter);
}

std::string ShortNameCharacters(const std::string& text, size_t limit) {
  std::string result;
  for (char c : UpperCase(text)) {
    if (result.size() == limit) break;
    if (IsShortNameCharacter(c)) result += c;
  }
  return result;
}

bool AccessConflicts(uint32_t access, uint32_t share) {
  return ((access & kAccessRead) && !(share & kShareRead)) ||
         ((access & kAccessWrite) && !(share & kShareWrite));
}

}  // namespace

FakePlatform::FakePlatform() {
  AddDrive('C', kDriveFixed);
  AddFolder(windowsFolder_);
  AddFolder("C:\\SETUP");
}

FakePlatform::~FakePlatform() = default;

// ---- Arranging the machine ----

void FakePlatform::AddDrive(char letter, uint32_t type) {
  letter = UpperCase(std::string(1, letter))[0];
  driveTypes_[letter] = type;
  if (type >= kDriveRemovable && !roots_.count(letter)) {
    auto root = std::make_unique<Node>();
    root->isFolder = true;
    root->name = std::string{letter, ':'};
    roots_[letter] = std::move(root);
  }
}

void FakePlatform::AddFolder(const std::string& path) {
  const std::string full = Absolute(path);
  Node* folder = roots_.at(full[0]).get();
  for (const auto& part : SplitComponents(full.substr(3))) {
    auto it = folder->children.find(UpperCase(part));
    folder = it != folder->children.end() ? it->second.get() : AddChild(folder, part, true);
  }
}

void FakePlatform::AddFile(const std::string& path, const std::string& content) {
  const std::string full = Absolute(path);
  AddFolder(FolderPartOf(full));
  Node* file = Lookup(full);
  if (!file) file = AddChild(ParentOf(full), LastComponent(full), false);
  file->content = content;
}

FileHandle FakePlatform::HoldFile(const std::string& path, uint32_t access, uint32_t share) {
  return OpenNode(path, access, share, FileCreation::kOpenExisting);
}

void FakePlatform::SetWindowsFolder(const std::string& path) {
  windowsFolder_ = path;
  AddFolder(path);
}

void FakePlatform::SetVersion(uint32_t major, uint32_t minor, uint32_t platformId) {
  version_.majorVersion = major;
  version_.minorVersion = minor;
  version_.platformId = platformId;
}

void FakePlatform::SetRegistryString(RegKey root, const std::string& key, const std::string& name,
                                     const std::string& value) {
  const auto handle = CreateKey(root, key);
  SetString(*handle, name, value);
  CloseKey(*handle);
}

void FakePlatform::SetDriveCapacity(char letter, int64_t bytes, uint32_t clusterBytes) {
  const char drive = UpperCase(std::string(1, letter))[0];
  driveCapacities_[drive] = bytes;
  clusterSizes_[drive] = clusterBytes;
}

void FakePlatform::FailFileOperation(uint64_t number, uint32_t error) {
  failingOperation_ = number == 0 ? 0 : fileOperations_ + number;
  injectedError_ = error;
}

void FakePlatform::FailReads(const std::string& path, int64_t offset) {
  Node* file = Lookup(path);
  if (!file || file->isFolder) throw std::logic_error("no file " + path + " to fail reads of");
  file->readsFailFrom = offset;
}

// ---- Scripting the user ----

void FakePlatform::AnswerMessage(int answer) { messageAnswers_.push_back(answer); }

void FakePlatform::ScriptError(const std::string& what) {
  scriptErrors_.push_back(what);
  throw std::logic_error(what);
}

void FakePlatform::OnPump(int call, std::function<void()> action) {
  pumpActions_[call] = std::move(action);
}

// ---- Inspecting the result ----

bool FakePlatform::FileExists(const std::string& path) const {
  const Node* node = Lookup(path);
  return node && !node->isFolder;
}

bool FakePlatform::FolderExistsOnDisk(const std::string& path) const {
  const Node* node = Lookup(path);
  return node && node->isFolder;
}

std::map<std::string, std::string> FakePlatform::FileTree() const {
  std::map<std::string, std::string> tree;
  std::vector<std::pair<std::string, const Node*>> pending;
  for (const auto& [letter, root] : roots_) {
    pending.emplace_back(std::string{letter, ':'}, root.get());
  }
  while (!pending.empty()) {
    const auto [path, folder] = pending.back();
    pending.pop_back();
    for (const auto& [key, child] : folder->children) {
      const std::string childPath = path + "\\" + child->name;
      if (child->isFolder) {
        tree[childPath] = "<folder>";
        pending.emplace_back(childPath, child.get());
      } else {
        char attributes[16];
        std::snprintf(attributes, sizeof attributes, "%02X:", child->attributes);
        tree[childPath] = attributes + child->content;
      }
    }
  }
  return tree;
}

std::optional<std::string> FakePlatform::FileContent(const std::string& path) const {
  const Node* node = Lookup(path);
  if (!node || node->isFolder) return std::nullopt;
  return node->content;
}

std::optional<std::string> FakePlatform::RegistryString(RegKey root, const std::string& key,
                                                        const std::string& name) const {
  const auto values = registryValues_.find(RegistryPath(root, key));
  if (values == registryValues_.end()) return std::nullopt;
  const auto value = values->second.find(UpperCase(name));
  if (value == values->second.end()) return std::nullopt;
  return value->second;
}

std::map<std::string, std::string> FakePlatform::RegistryTree() const {
  std::map<std::string, std::string> tree;
  for (const auto& key : registryKeys_) tree[key] = "<key>";
  for (const auto& [key, values] : registryValues_) {
    for (const auto& [name, value] : values) tree[key + "\\" + name] = value;
  }
  return tree;
}

std::map<std::string, std::string> FakePlatform::ProfileTree() const {
  std::map<std::string, std::string> tree;
  for (const auto& [file, sections] : iniValues_) {
    for (const auto& [section, keys] : sections) {
      for (const auto& [key, value] : keys) tree[file + " [" + section + "] " + key] = value;
    }
  }
  return tree;
}

// ---- Paths and nodes ----

std::string FakePlatform::FolderPartOf(const std::string& full) {
  const auto slash = full.find_last_of('\\');
  return full.substr(0, slash + 1);
}

std::string FakePlatform::Absolute(const std::string& path) const {
  std::string full;
  if (path.size() >= 2 && path[1] == ':') {
    full = std::string{UpperCase(path.substr(0, 1))[0], ':', '\\'} +
           path.substr(path.size() > 2 && path[2] == '\\' ? 3 : 2);
  } else if (!path.empty() && path[0] == '\\') {
    if (path.size() > 1 && path[1] == '\\') return "";  // network paths do not exist here
    full = currentFolder_.substr(0, 3) + path.substr(1);
  } else {
    full = currentFolder_ + (currentFolder_.back() == '\\' ? "" : "\\") + path;
  }
  std::vector<std::string> parts;
  for (const auto& part : SplitComponents(full.substr(3))) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result = full.substr(0, 3);
  for (size_t i = 0; i < parts.size(); ++i) result += (i ? "\\" : "") + parts[i];
  if (path.size() > 3 && path.back() == '\\' && !parts.empty()) result += '\\';
  return result;
}

FakePlatform::Node* FakePlatform::Lookup(const std::string& path) const {
  const std::string full = Absolute(path);
  if (full.empty()) return nullptr;
  const auto root = roots_.find(full[0]);
  if (root == roots_.end()) return nullptr;
  Node* node = root->second.get();
  for (const auto& part : SplitComponents(full.substr(3))) {
    if (!node->isFolder) return nullptr;
    const std::string key = UpperCase(part);
    auto it = node->children.find(key);
    if (it == node->children.end()) {
      it = std::find_if(node->children.begin(), node->children.end(),
                        [&](const auto& child) { return UpperCase(child.second->shortName) == key; });
    }
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

FakePlatform::Node* FakePlatform::ParentOf(const std::string& path) const {
  std::string full = Absolute(path);
  if (full.size() <= 3) return nullptr;
  if (full.back() == '\\') full.pop_back();
  Node* parent = Lookup(FolderPartOf(full));
  return parent && parent->isFolder ? parent : nullptr;
}

std::string FakePlatform::LastComponent(const std::string& path) const {
  const auto parts = SplitComponents(Absolute(path).substr(3));
  return parts.empty() ? std::string() : parts.back();
}

FakePlatform::Node* FakePlatform::AddChild(Node* folder, const std::string& name, bool isFolder) {
  auto node = std::make_unique<Node>();
  node->isFolder = isFolder;
  if (isFolder) node->attributes = kAttributeDirectory;
  return Link(folder, std::move(node), name);
}

// Puts a node into a folder under `name`, with the 8.3 name Windows would give it there.
FakePlatform::Node* FakePlatform::Link(Node* folder, std::unique_ptr<Node> node,
                                       const std::string& name) {
  node->name = name;
  if (IsValidShortName(name)) {
    node->shortName = UpperCase(name);
  } else {
    const auto dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? "" : ShortNameCharacters(name.substr(dot + 1), 3);
    const std::string stem = ShortNameCharacters(name.substr(0, dot), 6);
    node->shortName = stem + "~" + std::to_string(++folder->aliasesMade) + (ext.empty() ? "" : "." + ext);
  }
  Node* added = node.get();
  folder->children[UpperCase(name)] = std::move(node);
  return added;
}

bool FakePlatform::SharingAllows(const Node* file, uint32_t access, uint32_t share) const {
  for (const auto& [handle, open] : handles_) {
    if (open->node != file) continue;
    if (AccessConflicts(access, open->share) || AccessConflicts(open->access, share)) return false;
  }
  return true;
}

FakePlatform::OpenFile* FakePlatform::Handle(FileHandle file) {
  const auto it = handles_.find(file);
  return it == handles_.end() ? nullptr : it->second.get();
}

int64_t FakePlatform::RoomOnDrive(char drive) const {
  const auto capacity = driveCapacities_.find(drive);
  if (capacity == driveCapacities_.end()) return std::numeric_limits<int64_t>::max();
  int64_t used = 0;
  std::vector<const Node*> pending{roots_.at(drive).get()};
  while (!pending.empty()) {
    const Node* node = pending.back();
    pending.pop_back();
    used += static_cast<int64_t>(node->content.size());
    for (const auto& [key, child] : node->children) pending.push_back(child.get());
  }
  return std::max<int64_t>(0, capacity->second - used);
}

bool FakePlatform::Fail(uint32_t error) {
  lastError_ = error;
  return false;
}

bool FakePlatform::InjectedFailure() {
  if (++fileOperations_ != failingOperation_) return false;
  lastError_ = injectedError_;
  return true;
}

bool FakePlatform::IsOpen(const Node* node) const {
  return std::any_of(handles_.begin(), handles_.end(),
                     [node](const auto& open) { return open.second->node == node; });
}

// ---- Files and folders ----

std::optional<FindEntry> FakePlatform::FindFirst(const std::string& path) {
  if (InjectedFailure()) return std::nullopt;
  const std::string full = Absolute(path);
  if (full.size() <= 3 || full.back() == '\\') {
    Fail(kErrorFileNotFound);
    return std::nullopt;
  }
  const std::string name = LastComponent(full);
  if (!HasWildcard(name)) {
    const Node* node = Lookup(full);
    if (!node) {
      Fail(ParentOf(full) ? kErrorFileNotFound : kErrorPathNotFound);
      return std::nullopt;
    }
    return FindEntry{node->name, node->attributes};
  }
  Node* folder = ParentOf(full);
  if (!folder) {
    Fail(kErrorPathNotFound);
    return std::nullopt;
  }
  // Every folder but a root lists "." and ".." before its entries.
  if (full.find('\\', 3) != std::string::npos && NameMatches(name, ".")) {
    return FindEntry{".", kAttributeDirectory};
  }
  for (const auto& [key, child] : folder->children) {
    if (NameMatches(name, child->name)) {
      return FindEntry{child->name, child->attributes};
    }
  }
  Fail(kErrorFileNotFound);
  return std::nullopt;
}

bool FakePlatform::CreateFolder(const std::string& path) {
  if (Lookup(path)) return Fail(kErrorAlreadyExists);
  Node* parent = ParentOf(path);
  if (!parent) return Fail(kErrorPathNotFound);
  AddChild(parent, LastComponent(path), true);
  return true;
}

bool FakePlatform::SetCurrentFolder(const std::string& path) {
  const Node* node = Lookup(path);
  if (!node) return Fail(ParentOf(path) ? kErrorFileNotFound : kErrorPathNotFound);
  if (!node->isFolder) return Fail(267);  // ERROR_DIRECTORY
  std::string full = Absolute(path);
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  currentFolder_ = full;
  return true;
}

uint32_t FakePlatform::QueryDriveType(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return kDriveNoRootDir;
  const auto it = driveTypes_.find(UpperCase(root.substr(0, 1))[0]);
  return it == driveTypes_.end() ? kDriveNoRootDir : it->second;
}

std::optional<std::string> FakePlatform::ShortPath(const std::string& path) {
  const std::string full = Absolute(path);
  if (!Lookup(full)) {
    Fail(ParentOf(full) ? kErrorFileNotFound : kErrorPathNotFound);
    return std::nullopt;
  }
  Node* node = roots_.at(full[0]).get();
  std::string result = full.substr(0, 3);
  bool first = true;
  for (const auto& part : SplitComponents(full.substr(3))) {
    auto it = node->children.find(UpperCase(part));
    if (it == node->children.end()) {
      it = std::find_if(node->children.begin(), node->children.end(),
                        [&](const auto& child) { return UpperCase(child.second->shortName) == UpperCase(part); });
    }
    node = it->second.get();
    result += (first ? "" : "\\") + node->shortName;
    first = false;
  }
  return result;
}

FileHandle FakePlatform::Open(const std::string& path, uint32_t access, uint32_t share,
                              FileCreation creation) {
  if (InjectedFailure()) return kInvalidFile;
  return OpenNode(path, access, share, creation);
}

FileHandle FakePlatform::OpenNode(const std::string& path, uint32_t access, uint32_t share,
                                  FileCreation creation) {
  Node* node = Lookup(path);
  Node* parent = ParentOf(path);
  if (!node && !parent) return Fail(kErrorPathNotFound), kInvalidFile;
  if (node && node->isFolder) return Fail(kErrorAccessDenied), kInvalidFile;
  if (node && !SharingAllows(node, access, share)) return Fail(kErrorSharingViolation), kInvalidFile;
  // Windows refuses to replace a read-only or hidden file, or to write to a read-only one.
  const bool replaces =
      creation == FileCreation::kCreateAlways || creation == FileCreation::kTruncateExisting;
  if (node && (node->attributes & kAttributeReadOnly) && (replaces || (access & kAccessWrite))) {
    return Fail(kErrorAccessDenied), kInvalidFile;
  }
  if (node && replaces && (node->attributes & (kAttributeHidden | kAttributeSystem))) {
    return Fail(kErrorAccessDenied), kInvalidFile;
  }
  switch (creation) {
    case FileCreation::kCreateNew:
      if (node) return Fail(kErrorFileExists), kInvalidFile;
      break;
    case FileCreation::kOpenExisting:
    case FileCreation::kTruncateExisting:
      if (!node) return Fail(kErrorFileNotFound), kInvalidFile;
      break;
    case FileCreation::kCreateAlways:
    case FileCreation::kOpenAlways:
      break;
  }
  if (!node) node = AddChild(parent, LastComponent(path), false);
  if (creation == FileCreation::kCreateAlways || creation == FileCreation::kTruncateExisting) {
    node->content.clear();
  }
  const FileHandle handle = nextHandle_++;
  handles_[handle] = std::make_unique<OpenFile>(OpenFile{node, access, share});
  handles_[handle]->drive = Absolute(path)[0];
  return handle;
}

std::optional<uint32_t> FakePlatform::Read(FileHandle file, void* buffer, uint32_t count) {
  if (InjectedFailure()) return std::nullopt;
  OpenFile* open = Handle(file);
  if (!open) return Fail(6), std::nullopt;  // ERROR_INVALID_HANDLE
  if (!(open->access & kAccessRead)) return Fail(kErrorAccessDenied), std::nullopt;
  int64_t size = static_cast<int64_t>(open->node->content.size());
  if (open->node->readsFailFrom) {
    if (open->position >= *open->node->readsFailFrom) return Fail(kErrorCrc), std::nullopt;
    size = std::min(size, *open->node->readsFailFrom);
  }
  const auto available = static_cast<uint32_t>(std::max<int64_t>(0, size - open->position));
  const uint32_t n = std::min(count, available);
  std::memcpy(buffer, open->node->content.data() + open->position, n);
  open->position += n;
  return n;
}

std::optional<uint32_t> FakePlatform::Write(FileHandle file, const void* buffer, uint32_t count) {
  if (InjectedFailure()) return std::nullopt;
  OpenFile* open = Handle(file);
  if (!open) return Fail(6), std::nullopt;
  if (!(open->access & kAccessWrite)) return Fail(kErrorAccessDenied), std::nullopt;
  std::string& content = open->node->content;
  const int64_t growth =
      std::max<int64_t>(0, open->position + count - static_cast<int64_t>(content.size()));
  const int64_t shortfall = growth - RoomOnDrive(open->drive);
  if (shortfall > 0) {
    if (shortfall >= count) return Fail(kErrorDiskFull), std::nullopt;
    count -= static_cast<uint32_t>(shortfall);
  }
  const auto end = static_cast<size_t>(open->position) + count;
  if (content.size() < end) content.resize(end, '\0');
  std::memcpy(&content[static_cast<size_t>(open->position)], buffer, count);
  open->position += count;
  return count;
}

std::optional<int64_t> FakePlatform::Seek(FileHandle file, int64_t distance, SeekOrigin origin) {
  if (InjectedFailure()) return std::nullopt;
  OpenFile* open = Handle(file);
  if (!open) return Fail(6), std::nullopt;
  int64_t base = 0;
  if (origin == SeekOrigin::kCurrent) base = open->position;
  if (origin == SeekOrigin::kEnd) base = static_cast<int64_t>(open->node->content.size());
  if (base + distance < 0) return Fail(131), std::nullopt;  // ERROR_NEGATIVE_SEEK
  open->position = base + distance;
  return open->position;
}

bool FakePlatform::Truncate(FileHandle file) {
  if (InjectedFailure()) return false;
  OpenFile* open = Handle(file);
  if (!open) return Fail(6);
  if (!(open->access & kAccessWrite)) return Fail(kErrorAccessDenied);
  open->node->content.resize(static_cast<size_t>(open->position), '\0');
  return true;
}

std::optional<int64_t> FakePlatform::FileSize(FileHandle file) {
  OpenFile* open = Handle(file);
  if (!open) return Fail(6), std::nullopt;
  return static_cast<int64_t>(open->node->content.size());
}

bool FakePlatform::Close(FileHandle file) {
  if (!handles_.erase(file)) return Fail(6);
  return true;
}

bool FakePlatform::Delete(const std::string& path) {
  if (InjectedFailure()) return false;
  Node* node = Lookup(path);
  if (!node) return Fail(ParentOf(path) ? kErrorFileNotFound : kErrorPathNotFound);
  if (node->isFolder || (node->attributes & kAttributeReadOnly)) return Fail(kErrorAccessDenied);
  if (IsOpen(node)) return Fail(kErrorSharingViolation);
  ParentOf(path)->children.erase(UpperCase(node->name));
  return true;
}

bool FakePlatform::Copy(const std::string& source, const std::string& target, bool failIfExists) {
  if (InjectedFailure()) return false;
  const Node* from = Lookup(source);
  if (!from || from->isFolder) return Fail(from ? kErrorAccessDenied : kErrorFileNotFound);
  if (!SharingAllows(from, kAccessRead, kShareRead)) return Fail(kErrorSharingViolation);
  const std::string content = from->content;
  const FileHandle out =
      OpenNode(target, kAccessWrite, kShareNone,
               failIfExists ? FileCreation::kCreateNew : FileCreation::kCreateAlways);
  if (out == kInvalidFile) return false;
  Handle(out)->node->content = content;
  return Close(out);
}

bool FakePlatform::Move(const std::string& source, const std::string& target, uint32_t flags) {
  if (InjectedFailure()) return false;
  if (flags & kMoveDelayUntilReboot) {
    scheduledMoves_.push_back({source, target, flags});
    return true;
  }
  Node* from = Lookup(source);
  if (!from) return Fail(ParentOf(source) ? kErrorFileNotFound : kErrorPathNotFound);
  Node* folder = ParentOf(target);
  if (!folder) return Fail(kErrorPathNotFound);
  // A rename needs delete access, which no opener of this fake shares.
  if (IsOpen(from)) return Fail(kErrorSharingViolation);
  if (Node* existing = Lookup(target); existing && existing != from) {
    if (!(flags & kMoveReplaceExisting)) return Fail(kErrorAlreadyExists);
    if (existing->isFolder || (existing->attributes & kAttributeReadOnly)) {
      return Fail(kErrorAccessDenied);
    }
    if (IsOpen(existing)) return Fail(kErrorSharingViolation);
    folder->children.erase(UpperCase(existing->name));
  }
  Node* origin = ParentOf(source);
  auto node = std::move(origin->children.at(UpperCase(from->name)));
  origin->children.erase(UpperCase(from->name));
  Link(folder, std::move(node), LastComponent(target));
  return true;
}

bool FakePlatform::CancelScheduledMove(const std::string& source, const std::string& target) {
  const auto match =
      std::find_if(scheduledMoves_.begin(), scheduledMoves_.end(), [&](const ScheduledMove& move) {
        return UpperCase(move.source) == UpperCase(source) &&
               UpperCase(move.target) == UpperCase(target);
      });
  if (match == scheduledMoves_.end()) return Fail(kErrorFileNotFound);
  scheduledMoves_.erase(match);
  return true;
}

std::optional<uint32_t> FakePlatform::Attributes(const std::string& path) {
  if (InjectedFailure()) return std::nullopt;
  const Node* node = Lookup(path);
  if (!node) return Fail(ParentOf(path) ? kErrorFileNotFound : kErrorPathNotFound), std::nullopt;
  return node->attributes;
}

bool FakePlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  if (InjectedFailure()) return false;
  Node* node = Lookup(path);
  if (!node) return Fail(ParentOf(path) ? kErrorFileNotFound : kErrorPathNotFound);
  // FILE_ATTRIBUTE_NORMAL stands alone; a file always keeps its archive bit here.
  attributes &= kAttributeReadOnly | kAttributeHidden | kAttributeSystem | kAttributeArchive;
  node->attributes = node->isFolder ? (attributes | kAttributeDirectory) : attributes;
  if (!node->isFolder && node->attributes == 0) node->attributes = kAttributeArchive;
  return true;
}

std::optional<DiskSpace> FakePlatform::FreeSpace(const std::string& root) {
  if (InjectedFailure()) return std::nullopt;
  const char drive = root.empty() ? '\0' : UpperCase(root.substr(0, 1))[0];
  if (!roots_.count(drive) || hiddenFreeSpace_.count(drive)) {
    return Fail(kErrorPathNotFound), std::nullopt;
  }
  const auto cluster = clusterSizes_.find(drive);
  constexpr int64_t kRoomyDrive = int64_t{1} << 40;
  const int64_t room = driveCapacities_.count(drive) ? RoomOnDrive(drive) : kRoomyDrive;
  return DiskSpace{static_cast<uint64_t>(room),
                   cluster == clusterSizes_.end() ? 4096u : cluster->second};
}

bool FakePlatform::WriteIniString(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& file) {
  iniWrites_.push_back({section, key, value, file});
  iniValues_[UpperCase(file)][UpperCase(section)][UpperCase(key)] = value;
  return true;
}

std::optional<std::string> FakePlatform::ReadIniString(const std::string& section,
                                                       const std::string& key,
                                                       const std::string& file) {
  const auto values = iniValues_.find(UpperCase(file));
  if (values == iniValues_.end()) return std::nullopt;
  const auto keys = values->second.find(UpperCase(section));
  if (keys == values->second.end()) return std::nullopt;
  const auto value = keys->second.find(UpperCase(key));
  if (value == keys->second.end()) return std::nullopt;
  return value->second;
}

bool FakePlatform::DeleteIniString(const std::string& section, const std::string& key,
                                   const std::string& file) {
  iniValues_[UpperCase(file)][UpperCase(section)].erase(UpperCase(key));
  return true;
}

// ---- Registry ----

std::string FakePlatform::RegistryPath(RegKey parent, const std::string& subKey) const {
  std::string base;
  if (parent == kHkeyCurrentUser) {
    base = "HKEY_CURRENT_USER";
  } else if (parent == kHkeyLocalMachine) {
    base = "HKEY_LOCAL_MACHINE";
  } else {
    const auto it = openKeys_.find(parent);
    if (it == openKeys_.end()) return "";
    base = it->second;
  }
  for (const auto& part : SplitComponents(subKey)) base += "\\" + UpperCase(part);
  return base;
}

std::optional<RegKey> FakePlatform::CreateKey(RegKey parent, const std::string& subKey) {
  const std::string path = RegistryPath(parent, subKey);
  if (path.empty()) return Fail(6), std::nullopt;
  for (auto slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    registryKeys_.insert(path.substr(0, slash));
  }
  registryKeys_.insert(path);
  openKeys_[nextKey_] = path;
  return nextKey_++;
}

std::optional<RegKey> FakePlatform::OpenKey(RegKey parent, const std::string& subKey) {
  const std::string path = RegistryPath(parent, subKey);
  if (path.empty() || !registryKeys_.count(path)) return Fail(kErrorFileNotFound), std::nullopt;
  openKeys_[nextKey_] = path;
  readOnlyKeys_.insert(nextKey_);
  return nextKey_++;
}

std::optional<std::string> FakePlatform::QueryString(RegKey key, const std::string& name) {
  const std::string path = RegistryPath(key, "");
  const auto values = registryValues_.find(path);
  if (values == registryValues_.end() || !values->second.count(UpperCase(name))) {
    return Fail(kErrorFileNotFound), std::nullopt;
  }
  return values->second.at(UpperCase(name));
}

bool FakePlatform::SetString(RegKey key, const std::string& name, const std::string& value) {
  const std::string path = RegistryPath(key, "");
  if (path.empty()) return Fail(6);
  if (readOnlyKeys_.count(key)) return Fail(kErrorAccessDenied);
  registryValues_[path][UpperCase(name)] = value;
  return true;
}

void FakePlatform::CloseKey(RegKey key) {
  openKeys_.erase(key);
  readOnlyKeys_.erase(key);
}

bool FakePlatform::DeleteValue(RegKey key, const std::string& name) {
  const std::string path = RegistryPath(key, "");
  if (path.empty()) return Fail(6);
  if (readOnlyKeys_.count(key)) return Fail(kErrorAccessDenied);
  const auto values = registryValues_.find(path);
  if (values == registryValues_.end() || !values->second.erase(UpperCase(name))) {
    return Fail(kErrorFileNotFound);
  }
  return true;
}

bool FakePlatform::DeleteEmptyKey(RegKey parent, const std::string& subKey) {
  const std::string path = RegistryPath(parent, subKey);
  if (path.empty() || !registryKeys_.count(path)) return Fail(kErrorFileNotFound);
  const auto below = registryKeys_.lower_bound(path + "\\");
  const bool hasSubkeys = below != registryKeys_.end() && below->rfind(path + "\\", 0) == 0;
  const auto values = registryValues_.find(path);
  if (hasSubkeys || (values != registryValues_.end() && !values->second.empty())) {
    return Fail(kErrorDirNotEmpty);
  }
  registryKeys_.erase(path);
  registryValues_.erase(path);
  return true;
}

// ---- Windows, dialogs and the shell ----

WindowHandle FakePlatform::CreateBackdropWindow(const BackdropPicture& picture) {
  backdropPicture_ = picture;
  backdrop_ = 0x10;
  return backdrop_;
}

int FakePlatform::ShowMessage(WindowHandle owner, const std::string& text,
                              const std::string& caption, uint32_t style) {
  messages_.push_back({owner, text, caption, style});
  if ((style & 0xF) == kMbOk) return kIdOk;
  if (messageAnswers_.empty() && defaultAnswer_) return *defaultAnswer_;
  if (messageAnswers_.empty()) {
    ScriptError("no scripted answer for the message \"" + text + "\"");
  }
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

void FakePlatform::PumpMessages() {
  const auto action = pumpActions_.find(++pumpCalls_);
  if (action != pumpActions_.end()) action->second();
}

void FakePlatform::OpenGaugeDrawing(WindowHandle dialog) {
  if (gaugeDialog_ != kNoWindow) throw std::logic_error("the gauge drawing is already open");
  gaugeDialog_ = dialog;
  ++gaugeOpenings_;
}

void FakePlatform::PaintGauge(const GaugeGeometry& gauge, int32_t boundary,
                              const std::string& text) {
  if (gaugeDialog_ == kNoWindow) throw std::logic_error("the gauge is painted without its drawing");
  gaugePaintings_.push_back({gaugeDialog_, gauge, boundary, text});
}

void FakePlatform::CloseGaugeDrawing() {
  if (gaugeDialog_ == kNoWindow) throw std::logic_error("the gauge drawing is closed twice");
  gaugeDialog_ = kNoWindow;
}

// The link file holds the link's target and folder; it is saved only into an existing folder.
bool FakePlatform::SaveShellLink(const ShellLinkRequest& link) {
  shellLinks_.push_back(link);
  const FileHandle file =
      OpenNode(link.linkFile, kAccessWrite, kShareNone, FileCreation::kCreateAlways);
  if (file == kInvalidFile) return false;
  Handle(file)->node->content = "link to " + link.target + " in " + link.workingDirectory;
  return Close(file);
}

bool FakePlatform::RemoveAfterExit(const std::vector<std::string>& files,
                                   const std::string& folder, bool folderAwaitsRestart) {
  removalsAfterExit_.push_back({files, folder, folderAwaitsRestart});
  return true;
}

bool FakePlatform::RemoveEmptyFolder(const std::string& path) {
  Node* folder = Lookup(path);
  if (!folder || !folder->isFolder || !folder->children.empty()) return false;
  ParentOf(path)->children.erase(UpperCase(folder->name));
  return true;
}

void FakePlatform::EndProgram() {
  for (const auto& removal : removalsAfterExit_) {
    for (const auto& file : removal.files) {
      if (Lookup(file) && !Delete(file)) Move(file, "", kMoveDelayUntilReboot);
    }
    if (removal.folder.empty() || RemoveEmptyFolder(removal.folder)) continue;
    if (Lookup(removal.folder) && removal.folderAwaitsRestart) {
      Move(removal.folder, "", kMoveDelayUntilReboot);
    }
  }
  removalsAfterExit_.clear();
}

void FakePlatform::Restart() {
  handles_.clear();
  for (const auto& move : scheduledMoves_) {
    if (!move.target.empty()) {
      Move(move.source, move.target, kMoveReplaceExisting);
    } else if (!RemoveEmptyFolder(move.source)) {
      SetAttributes(move.source, kAttributeNormal);
      Delete(move.source);
    }
  }
  scheduledMoves_.clear();
}

void FakePlatform::StartProgram(WindowHandle, const std::string& file, const std::string&, int) {
  programsStarted_.push_back(file);
}

}  // namespace qm
