// The temporary names under which an update writes its files before it puts
// them in place, and under which it moves earlier files aside. Every name is
// a valid 8.3 name in the folder of the file it stands for: the file's own
// stem (up to eight characters of letters, digits, "_" and "-") with the
// temporary extension, or, when that name is taken, the first six characters
// of the stem followed by two digits, 01 to 99. A name is taken when a file
// or folder of that name exists or when a line of WinInit.Ini names it, so
// that no file of this run shares a name with an earlier pending one.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace qm {

// How many names are tried for one file: the plain one and 99 numbered ones.
constexpr int kTemporaryNameAttempts = 100;

// The name of the given attempt (0: the plain one) for the file `name`.
std::string TemporaryName(const std::string& name, int attempt, const std::string& extension);

// What the search for a free name found.
struct FreeName {
  std::string path;                // empty when none could be had
  FileHandle file = kInvalidFile;  // CreateUniqueFile: the new, empty file
  uint32_t error = 0;              // the failure that ended the search
};

using NameInUse = std::function<bool(const std::string& path)>;

// Creates a new file under the first free temporary name beside `path`.
FreeName CreateUniqueFile(Platform& os, const std::string& path, const std::string& extension,
                          uint32_t access, const NameInUse& reserved);
// Renames the file `path` to the first free temporary name beside it.
FreeName MoveAside(Platform& os, const std::string& path, const std::string& extension,
                   const NameInUse& reserved);

}  // namespace qm
