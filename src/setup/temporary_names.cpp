#include "setup/temporary_names.h"

#include <cstdio>

#include "transport/path_helpers.h"

namespace qm {

namespace {

bool IsStemCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

std::string StemOf(const std::string& name) {
  const std::string bare = ReplaceExtension(name.substr(FolderPart(name).size()), "");
  std::string stem;
  for (char c : bare) {
    if (IsStemCharacter(c)) stem += c;
  }
  return stem.empty() ? "QM" : stem;
}

// A name is taken when the call says so, or when something of that name is
// there (creating a file over a folder fails with access denied).
bool NameTaken(Platform& os, const std::string& path, uint32_t error) {
  return error == kErrorFileExists || error == kErrorAlreadyExists || os.FindFirst(path);
}

// Calls `attempt` with each candidate path in turn until it answers true or
// with an error other than "the name is taken".
template <typename Attempt>
FreeName Search(Platform& os, const std::string& path, const std::string& extension,
                const NameInUse& reserved, Attempt attempt) {
  const std::string folder = FolderPart(path);
  FreeName result;
  result.error = kErrorFileExists;
  for (int n = 0; n < kTemporaryNameAttempts; ++n) {
    const std::string candidate = JoinPath(folder, TemporaryName(path, n, extension));
    if (reserved && reserved(candidate)) continue;
    if (attempt(candidate, result)) {
      result.path = candidate;
      return result;
    }
    if (!NameTaken(os, candidate, result.error)) return result;
  }
  return result;
}

}  // namespace

std::string TemporaryName(const std::string& name, int attempt, const std::string& extension) {
  const std::string stem = StemOf(name);
  if (attempt == 0) return stem.substr(0, 8) + extension;
  char number[4];
  std::snprintf(number, sizeof number, "%02d", attempt % 100);
  return stem.substr(0, 6) + number + extension;
}

FreeName CreateUniqueFile(Platform& os, const std::string& path, const std::string& extension,
                          uint32_t access, const NameInUse& reserved) {
  return Search(os, path, extension, reserved, [&](const std::string& candidate, FreeName& result) {
    result.file = os.Open(candidate, access, kShareNone, FileCreation::kCreateNew);
    result.error = result.file == kInvalidFile ? os.LastError() : 0;
    return result.file != kInvalidFile;
  });
}

FreeName MoveAside(Platform& os, const std::string& path, const std::string& extension,
                   const NameInUse& reserved) {
  return Search(os, path, extension, reserved, [&](const std::string& candidate, FreeName& result) {
    const bool moved = os.Move(path, candidate, 0);
    result.error = moved ? 0 : os.LastError();
    return moved;
  });
}

}  // namespace qm
