#include "qmpack/uninstaller.h"

#include <algorithm>
#include <cstring>

#include "qmpack/tool_error.h"
#include "qmpack/windows_names.h"

namespace qmpack {

namespace fs = std::filesystem;

namespace {

bool IsUninstallerName(const std::string& name) {
  return Cp1252UpperCase(name) == Cp1252UpperCase(kUninstallerName);
}

// UnInstal.Exe in the folder, whatever its letter case; empty when there is none.
fs::path UninstallerIn(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsUninstallerName(it->path().filename().string()) && it->is_regular_file()) {
      return it->path();
    }
  }
  return fs::path();
}

}  // namespace

UninstallerChoice ChooseUninstaller(std::vector<ProductFile>& files, const fs::path& setupFile,
                                    const std::optional<fs::path>& given) {
  UninstallerChoice choice;
  const auto own = std::find_if(files.begin(), files.end(),
                                [](const ProductFile& file) { return IsUninstallerName(file.name); });
  if (own != files.end()) {
    if (given) {
      throw WrongRequestError("the product brings its own " + std::string(kUninstallerName) +
                              " (" + own->path.string() + "); leave out --uninstaller");
    }
    choice.kind = UninstallerChoice::Kind::kProductsOwn;
    choice.source = own->path;
    return choice;
  }
  choice.source = given ? *given : UninstallerIn(setupFile.parent_path());
  if (choice.source.empty()) return choice;
  if (!fs::is_regular_file(choice.source)) {
    throw ToolError("the uninstaller " + choice.source.string() + " is not there");
  }
  choice.kind = UninstallerChoice::Kind::kAdded;
  files.push_back({kUninstallerName, choice.source});
  return choice;
}

bool IsProjectUninstaller(const uint8_t* bytes, size_t size) {
  const auto* mark = reinterpret_cast<const uint8_t*>(kUninstallerMark);
  return std::search(bytes, bytes + size, mark, mark + std::strlen(kUninstallerMark)) !=
         bytes + size;
}

}  // namespace qmpack
