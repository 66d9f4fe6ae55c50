#include "qmpack/product.h"

#include <algorithm>
#include <fstream>
#include <set>

#include "qmpack/file_io.h"
#include "qmpack/tool_error.h"
#include "transport/path_helpers.h"

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

void CheckPackedName(const std::string& name) {
  if (auto problem = qm::EntryNameProblem(name)) {
    throw ToolError("cannot pack \"" + name + "\": " + *problem);
  }
}

// Windows treats names that differ only in letter case as one file.
void CheckUnique(std::set<std::string>& seen, const std::string& name) {
  if (!seen.insert(qm::UpperCase(name)).second) {
    throw ToolError("\"" + name + "\" is packed twice (letter case is ignored on Windows)");
  }
}

}  // namespace

std::vector<ProductFile> CollectProductFiles(const fs::path& folder, const std::string& mainProgram,
                                             const std::optional<fs::path>& listFile) {
  CheckMainProgramName(mainProgram);
  RequireFile(folder / mainProgram);
  std::vector<ProductFile> files{{mainProgram, folder / mainProgram}};
  std::set<std::string> seen{qm::UpperCase(mainProgram)};
  for (const auto& name : listFile ? NamesFromList(*listFile) : NamesInFolder(folder)) {
    if (name == mainProgram) continue;
    CheckPackedName(name);
    CheckUnique(seen, name);
    RequireFile(folder / name);
    files.push_back({name, folder / name});
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
  if (total == 0) throw ToolError("the product's files are all empty; there is nothing to pack");
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
