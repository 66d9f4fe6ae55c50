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

std::vector<std::string> NamesInFolder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) names.push_back(it->path().filename().string());
  }
  if (error) throw ToolError("cannot list the product folder " + folder.string() + ": " + error.message());
  std::sort(names.begin(), names.end());
  return names;
}

void RequireFile(const fs::path& path) {
  if (!fs::is_regular_file(path)) throw ToolError("product file missing: " + path.string());
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
  if (fs::is_regular_file(folder / mainProgram)) return mainProgram;
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

std::vector<ProductFile> CollectProductFiles(const fs::path& folder, const std::string& mainProgram,
                                             const std::optional<fs::path>& listFile) {
  CheckMainProgramName(mainProgram);
  const std::string mainFile = FindMainProgram(folder, mainProgram);
  // The main program ends where the first packed file starts; an empty one
  // would leave the setup nothing to install or start under its name.
  if (fs::file_size(folder / mainFile) == 0) {
    throw ToolError("the main program " + (folder / mainFile).string() + " is empty");
  }
  std::vector<ProductFile> files{{mainProgram, folder / mainFile}};
  std::set<std::string> seen{FoldedName(mainProgram)};
  for (const auto& hostName : listFile ? NamesFromList(*listFile) : NamesInFolder(folder)) {
    // A list line naming the main program, in any letter case, means the main program itself.
    const bool isMain = hostName == mainFile || (listFile && FoldedName(hostName) == FoldedName(mainProgram));
    if (isMain) continue;
    const std::string name = WindowsName(hostName);
    CheckUnique(seen, name, hostName);
    RequireFile(folder / hostName);
    files.push_back({name, folder / hostName});
  }
  return files;
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
