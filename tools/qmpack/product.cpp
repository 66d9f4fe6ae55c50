#include "qmpack/product.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "qmpack/file_io.h"
#include "qmpack/tool_error.h"
#include "qmpack/windows_names.h"

namespace qmpack {

namespace fs = std::filesystem;

namespace {

std::string TrimmedLine(std::string line) {
  const auto end = line.find_last_not_of(" \t\r");
  line.erase(end == std::string::npos ? 0 : end + 1);
  const auto start = line.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : line.substr(start);
}

std::vector<std::string> NamesFromList(const fs::path& listFile) {
  std::ifstream in(listFile);
  if (!in) throw ToolError("cannot open the list file " + listFile.string());
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    line = TrimmedLine(line);
    if (!line.empty() && line[0] != '#') names.push_back(line);
  }
  return names;
}

// Every entry of the folder by name, sorted, whatever its kind.
std::vector<std::string> NamesInFolder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  if (error) throw ToolError("cannot list the product folder " + folder.string() + ": " + error.message());
  std::sort(names.begin(), names.end());
  return names;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// A folder itself, not a symbolic link to one.
bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() == fs::file_type::directory;
}

// Hidden files that Unix and macOS machines leave in folders (".DS_Store"),
// and editors' backups and locks ("notes.txt~", ".#notes.txt"): the default
// packing list leaves them out rather than install them on the user's machine.
bool IsHiddenOrBackup(const std::string& name) { return name.front() == '.' || name.back() == '~'; }

// Why the symbolic link at `path` can't be packed, or nothing when it points
// to a regular file, whose content is then packed under the link's name.
std::optional<std::string> LinkProblem(const fs::path& path) {
  std::error_code error;
  switch (fs::status(path, error).type()) {
    case fs::file_type::regular:
      return std::nullopt;
    case fs::file_type::not_found:
      return "it is a symbolic link to nothing (what it pointed to is gone)";
    case fs::file_type::directory:
      return "it is a symbolic link to a folder";
    case fs::file_type::none:
      return "it is a symbolic link that can't be followed: " + error.message();
    default:
      return "it is a symbolic link to something other than a regular file";
  }
}

// Why the entry `hostName` of the folder can't be packed as a file, or nothing
// when it can: a regular file or a symbolic link to one.
std::optional<std::string> NotAFileProblem(const fs::path& folder, const std::string& hostName) {
  const fs::path path = folder / hostName;
  std::error_code error;
  switch (fs::symlink_status(path, error).type()) {
    case fs::file_type::regular:
      return std::nullopt;
    case fs::file_type::symlink:
      return LinkProblem(path);
    case fs::file_type::not_found:
      return "product file missing from " + folder.string();
    case fs::file_type::directory:
      return "it is a folder, and the package holds no folders";
    case fs::file_type::none:
      return "it can't be examined: " + error.message();
    default:
      return "it is a device, pipe or socket, not a file";
  }
}

void RequireFile(const fs::path& folder, const std::string& hostName) {
  if (auto problem = NotAFileProblem(folder, hostName)) {
    throw ToolError("cannot pack \"" + hostName + "\": " + *problem);
  }
}

// Up to five of the names, quoted, and how many more there are.
std::string SomeNames(const std::vector<std::string>& names) {
  constexpr size_t kShown = 5;
  std::string text;
  for (size_t i = 0; i < names.size() && i < kShown; ++i) {
    text += (i == 0 ? "\"" : ", \"") + names[i] + "\"";
  }
  if (names.size() > kShown) text += " and " + std::to_string(names.size() - kShown) + " more";
  return text;
}

std::string SubfolderRefusal(const fs::path& folder, const std::vector<std::string>& subfolders) {
  return "the product folder " + folder.string() +
         " holds subfolders, whose files would not be packed: " + SomeNames(subfolders) +
         "\nthe package holds no folders: move their files into the product folder, or name"
         " the files to pack with --list";
}

// Every entry of the folder but the main program, sorted by name. Hidden and
// backup names go to `leftOut`. Subfolders are refused: the product maker
// would otherwise learn only from a user's installation that their files are
// missing.
std::vector<std::string> DefaultPackingList(const fs::path& folder, const std::string& mainFile,
                                            std::vector<std::string>& leftOut) {
  std::vector<std::string> names;
  std::vector<std::string> subfolders;
  for (const auto& name : NamesInFolder(folder)) {
    if (name == mainFile) continue;
    if (IsHiddenOrBackup(name)) {
      leftOut.push_back(name);
    } else if (IsFolder(folder / name)) {
      subfolders.push_back(name);
    } else {
      names.push_back(name);
    }
  }
  if (!subfolders.empty()) throw WrongRequestError(SubfolderRefusal(folder, subfolders));
  return names;
}

// The main program's name lives in the setup itself, not in the directory, so
// only the folder rules apply to it, not the 19-character limit.
void CheckMainProgramName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos) {
    throw ToolError("the main program's name \"" + name + "\" is not a bare file name");
  }
}

// The name as the setup will store and create it, in code page 1252.
std::string WindowsName(const std::string& hostName) {
  const auto name = Utf8ToCp1252(hostName);
  if (!name) {
    throw ToolError("cannot pack \"" + hostName +
                    "\": its name is not UTF-8 or holds a character that the Windows code page 1252 lacks");
  }
  if (auto problem = qm::EntryNameProblem(*name)) {
    throw ToolError("cannot pack \"" + hostName + "\": " + *problem);
  }
  if (auto problem = WindowsNameProblem(*name)) {
    throw ToolError("cannot pack \"" + hostName + "\": " + *problem);
  }
  return *name;
}

// A name in the form in which Windows compares names: letter case ignored.
std::string FoldedName(const std::string& hostName) {
  return Cp1252UpperCase(Utf8ToCp1252(hostName).value_or(hostName));
}

// Windows treats names that differ only in letter case as one file.
void CheckUnique(std::set<std::string>& seen, const std::string& name, const std::string& hostName) {
  if (!seen.insert(Cp1252UpperCase(name)).second) {
    throw ToolError("\"" + hostName + "\" is packed twice (letter case is ignored on Windows)");
  }
}

// The main program's file in the folder, found without regard to letter case
// as Windows would find it; the exact name wins when several would match.
std::string FindMainProgram(const fs::path& folder, const std::string& mainProgram) {
  if (Exists(folder / mainProgram)) return mainProgram;
  std::vector<std::string> matches;
  for (const auto& name : NamesInFolder(folder)) {
    if (FoldedName(name) == FoldedName(mainProgram)) matches.push_back(name);
  }
  if (matches.empty()) throw ToolError("product file missing: " + (folder / mainProgram).string());
  if (matches.size() > 1) {
    throw ToolError("the main program " + mainProgram + " matches " + matches[0] + " and " +
                    matches[1] + " in " + folder.string() + "; Windows can hold only one of them");
  }
  return matches.front();
}

}  // namespace

ProductFiles CollectProductFiles(const fs::path& folder, const std::string& mainProgram,
                                 const std::optional<fs::path>& listFile) {
  CheckMainProgramName(mainProgram);
  const std::string mainFile = FindMainProgram(folder, mainProgram);
  RequireFile(folder, mainFile);
  // The main program ends where the first packed file starts; an empty one
  // would leave the setup nothing to install or start under its name.
  if (fs::file_size(folder / mainFile) == 0) {
    throw ToolError("the main program " + (folder / mainFile).string() + " is empty");
  }
  ProductFiles product;
  product.files.push_back({mainProgram, folder / mainFile});
  const auto names =
      listFile ? NamesFromList(*listFile) : DefaultPackingList(folder, mainFile, product.leftOut);
  std::set<std::string> seen{FoldedName(mainProgram)};
  for (const auto& hostName : names) {
    // A list line naming the main program, in any letter case, means the main program itself.
    if (listFile && FoldedName(hostName) == FoldedName(mainProgram)) continue;
    const std::string name = WindowsName(hostName);
    CheckUnique(seen, name, hostName);
    RequireFile(folder, hostName);
    product.files.push_back({name, folder / hostName});
  }
  return product;
}

UnpackedStream BuildUnpackedStream(const std::vector<ProductFile>& files) {
  uint64_t total = 0;
  for (const auto& file : files) total += fs::file_size(file.path);
  if (total > kMaxStreamSize) {
    throw ToolError("the product's files add up to " + std::to_string(total) +
                    " bytes; the unpacked stream holds at most " + std::to_string(kMaxStreamSize));
  }
  UnpackedStream stream;
  stream.bytes.reserve(static_cast<size_t>(total));
  for (size_t i = 0; i < files.size(); ++i) {
    const auto content = ReadFileBytes(files[i].path);
    if (i == 0) {
      stream.mainProgramSize = content.size();
    } else {
      stream.directory.entries.push_back({files[i].name, static_cast<int32_t>(stream.bytes.size()),
                                          static_cast<int32_t>(content.size())});
    }
    stream.bytes.insert(stream.bytes.end(), content.begin(), content.end());
  }
  if (stream.bytes.size() > kMaxStreamSize) throw ToolError("a product file grew while it was read");
  stream.directory.unpackTotal = static_cast<int32_t>(stream.bytes.size());
  return stream;
}

}  // namespace qmpack
