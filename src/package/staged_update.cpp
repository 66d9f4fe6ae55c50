#include "package/staged_update.h"

#include "setup/failure_text.h"
#include "setup/temporary_names.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

constexpr char kStagedExtension[] = ".$$$";
constexpr char kSetAsideExtension[] = ".OLD";
// Attributes that keep Windows from replacing a file at its next start.
constexpr uint32_t kBlockingAttributes = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

// Errors with which Windows refuses to rename a file that a program holds open.
bool InUse(uint32_t error) {
  return error == kErrorSharingViolation || error == kErrorLockViolation ||
         error == kErrorAccessDenied;
}

}  // namespace

StagedUpdate::StagedUpdate(Setup& setup) : setup_(setup) {}

StagedUpdate::~StagedUpdate() {
  if (!committed_) Abandon();
}

bool StagedUpdate::Fail(const std::string& path, const std::string& action, uint32_t error) {
  if (problem_.empty()) problem_ = FileProblem(setup_.os, path, action, error);
  return false;
}

bool StagedUpdate::Reserved(const std::string& path) { return setup_.winInit.NamesFile(path); }

FileHandle StagedUpdate::Create(const std::string& target, uint32_t access, int64_t size,
                                bool mainProgram) {
  Platform& os = setup_.os;
  if (target.size() > kLongestPath) {
    return Fail(target, "created", kErrorFilenameTooLong), kInvalidFile;
  }
  const FreeName name =
      CreateUniqueFile(os, target, kStagedExtension, access,
                       [this](const std::string& path) { return Reserved(path); });
  if (name.file == kInvalidFile) return Fail(target, "created", name.error), kInvalidFile;
  Entry entry;
  entry.target = target;
  entry.staged = name.path;
  entry.size = size;
  entry.mainProgram = mainProgram;
  entries_.push_back(entry);
  return name.file;
}

bool StagedUpdate::Commit() {
  SetupState& state = setup_.state;
  const size_t linesBefore = setup_.winInit.LineCount();
  const std::string mainProgramBefore = setup_.product.mainProgram;
  const bool waitingBefore = state.filesAwaitRestart;
  bool placed = true;
  for (auto& entry : entries_) {
    placed = Place(entry);
    if (!placed) break;
  }
  if (placed && !setup_.winInit.Commit()) {
    placed = Fail(setup_.winInit.path(), "written", setup_.winInit.lastError());
  }
  if (!placed) {
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) TakeBack(*entry);
    setup_.winInit.DropLinesFrom(linesBefore);
    setup_.product.mainProgram = mainProgramBefore;
    state.filesAwaitRestart = waitingBefore;
    Abandon();
    return false;
  }
  committed_ = true;
  for (const auto& entry : entries_) LogPlaced(entry);
  NotePlacedFiles();
  DiscardSetAside();
  return true;
}

void StagedUpdate::LogPlaced(const Entry& entry) {
  const std::string file = entry.target + " (" + std::to_string(entry.size) + " bytes)";
  if (entry.state == State::kPlaced) return setup_.log.Write("Placed " + file);
  setup_.log.Write("Waits for the next start of Windows: " + file + " as " + entry.staged);
}

// An earlier file is moved aside and the new one renamed in, unless the new
// one has to wait for the next start of Windows.
bool StagedUpdate::Place(Entry& entry) {
  Platform& os = setup_.os;
  const auto attributes = os.Attributes(entry.target);
  if (!attributes) {
    const uint32_t error = os.LastError();
    if (!IsNotFound(error)) return Fail(entry.target, "replaced", error);
    if (setup_.winInit.HasPendingReplacement(entry.target)) return LeaveForRestart(entry, 0);
    return PutInPlace(entry);
  }
  if (*attributes & kAttributeDirectory) return Fail(entry.target, "replaced", kErrorAccessDenied);
  entry.replaced = true;
  // An earlier main program is always replaced at the next start, as is a
  // file that an earlier run's line replaces then: this run's line comes later.
  if (entry.mainProgram || setup_.winInit.HasPendingReplacement(entry.target)) {
    return LeaveForRestart(entry, *attributes);
  }
  const FreeName aside = MoveAside(os, entry.target, kSetAsideExtension,
                                   [this](const std::string& path) { return Reserved(path); });
  if (aside.path.empty()) {
    if (InUse(aside.error)) return LeaveForRestart(entry, *attributes);
    return Fail(entry.target, "replaced", aside.error);
  }
  entry.setAside = aside.path;
  if (os.Move(entry.staged, entry.target, 0)) {
    entry.state = State::kPlaced;
    return true;
  }
  const uint32_t error = os.LastError();
  // When the earlier file can't go back at once, the rollback tries again.
  if (os.Move(entry.setAside, entry.target, 0)) {
    entry.setAside.clear();
  } else {
    entry.state = State::kPlaced;
  }
  return Fail(entry.target, "replaced", error);
}

bool StagedUpdate::PutInPlace(Entry& entry) {
  if (!setup_.os.Move(entry.staged, entry.target, 0)) {
    return Fail(entry.target, "created", setup_.os.LastError());
  }
  entry.state = State::kPlaced;
  return true;
}

bool StagedUpdate::LeaveForRestart(Entry& entry, uint32_t attributes) {
  Platform& os = setup_.os;
  if (attributes & kBlockingAttributes) {
    const uint32_t cleared = attributes & ~kBlockingAttributes;
    if (!os.SetAttributes(entry.target, cleared != 0 ? cleared : kAttributeNormal)) {
      return Fail(entry.target, "replaced", os.LastError());
    }
    entry.attributesBefore = attributes;
  }
  setup_.winInit.AddRenameLine(ShortOrFull(os, entry.target), ShortOrFull(os, entry.staged));
  entry.state = State::kWaiting;
  setup_.state.filesAwaitRestart = true;
  if (entry.mainProgram) {
    setup_.product.mainProgram = ReplaceExtension(setup_.product.mainProgram, kStagedExtension);
  }
  return true;
}

void StagedUpdate::TakeBack(Entry& entry) {
  Platform& os = setup_.os;
  if (entry.state == State::kPlaced) {
    if (os.FindFirst(entry.target)) os.Move(entry.target, entry.staged, 0);
    if (!entry.setAside.empty()) os.Move(entry.setAside, entry.target, 0);
    entry.setAside.clear();
  }
  if (entry.attributesBefore) os.SetAttributes(entry.target, *entry.attributesBefore);
  entry.attributesBefore.reset();
  entry.state = State::kStaged;
}

void StagedUpdate::Abandon() {
  for (const auto& entry : entries_) {
    if (entry.state == State::kStaged && setup_.os.FindFirst(entry.staged)) {
      setup_.os.Delete(entry.staged);
    }
  }
  entries_.clear();
}

void StagedUpdate::NotePlacedFiles() {
  for (const auto& entry : entries_) {
    const bool waiting = entry.state == State::kWaiting;
    setup_.recorder.NotePlacedFile(setup_.os, setup_.state.destinationFolder, entry.target,
                                   entry.replaced, waiting ? entry.staged : std::string());
  }
}

// The earlier files set aside go now, or at the next start of Windows when
// they can't be deleted (a program still has one open).
void StagedUpdate::DiscardSetAside() {
  Platform& os = setup_.os;
  bool linesAdded = false;
  for (auto& entry : entries_) {
    if (entry.setAside.empty()) continue;
    const auto attributes = os.Attributes(entry.setAside);
    if (attributes && (*attributes & kAttributeReadOnly)) {
      os.SetAttributes(entry.setAside, kAttributeNormal);
    }
    if (!os.Delete(entry.setAside)) {
      setup_.log.Write("The earlier file " + entry.setAside +
                       " is deleted at the next start of Windows");
      setup_.winInit.AddDeletionLine(ShortOrFull(os, entry.setAside));
      linesAdded = true;
    }
    entry.setAside.clear();
  }
  if (linesAdded) setup_.winInit.Commit();
}

}  // namespace qm
