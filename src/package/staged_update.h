// The files of one update, written in full under temporary names before any
// earlier file is touched, then put in place together or taken back together.
//
// The commit moves each earlier file aside (it is not deleted yet) and
// renames the new one in. A file that can't be moved aside because it is in
// use, the main program when an earlier one is there, and a file for which
// an earlier run left a replacement pending stay under their temporary names,
// with a WinInit.Ini line (and on Windows NT a scheduled move) that puts them
// in place at the next start of Windows, after the earlier lines. A failure
// inside the commit puts back everything it had moved and withdraws its
// lines; the earlier files set aside are deleted only once the whole commit
// has succeeded. Until then, and whenever the update is abandoned, only the
// files this run wrote are removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "setup/setup.h"

namespace qm {

class StagedUpdate {
 public:
  explicit StagedUpdate(Setup& setup);
  // Removes whatever was staged and not committed (a cancel, a failure, an error).
  ~StagedUpdate();
  StagedUpdate(const StagedUpdate&) = delete;
  StagedUpdate& operator=(const StagedUpdate&) = delete;

  // Creates the new file of `size` bytes that belongs at `target` under a
  // free temporary name beside it (the main program's in the destination
  // folder). kInvalidFile, with the problem told, when it can't be had.
  FileHandle Create(const std::string& target, uint32_t access, int64_t size,
                    bool mainProgram = false);
  // The temporary path of the index'th file created (from 0).
  std::string StagedPath(size_t index) const { return entries_.at(index).staged; }

  // Puts every staged file in place, each written to the log. False, with
  // everything as it was before the commit and the problem told, when any
  // step fails.
  bool Commit();

  // Deletes everything staged; nothing of it is put in place.
  void Abandon();

  // What went wrong, in words for the user; empty while nothing did.
  const std::string& problem() const { return problem_; }

 private:
  enum class State { kStaged, kPlaced, kWaiting };
  struct Entry {
    std::string target, staged;
    int64_t size = 0;
    bool mainProgram = false;
    State state = State::kStaged;
    std::string setAside;                      // where the earlier file went, when moved aside
    std::optional<uint32_t> attributesBefore;  // of a waiting target whose attributes were cleared
    bool replaced = false;                     // an earlier file was at the target
  };

  bool Place(Entry& entry);
  bool PutInPlace(Entry& entry);
  bool LeaveForRestart(Entry& entry, uint32_t attributes);
  void TakeBack(Entry& entry);
  void DiscardSetAside();
  void LogPlaced(const Entry& entry);
  void NotePlacedFiles();
  bool Reserved(const std::string& path);
  bool Fail(const std::string& path, const std::string& action, uint32_t error);

  Setup& setup_;
  std::vector<Entry> entries_;
  std::string problem_;
  bool committed_ = false;
};

}  // namespace qm
