// The uninstaller in the media: the product's own UnInstal.Exe when its
// folder holds one, else the one built with the setup program (beside
// setup.exe, or named with --uninstaller), which carries a mark by which
// `qmpack list` tells the two apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "qmpack/product.h"

namespace qmpack {

inline constexpr char kUninstallerName[] = "UnInstal.Exe";
// In the resources of the uninstaller built with the setup program.
inline constexpr char kUninstallerMark[] = "QMSETUP-UNINSTALLER";

struct UninstallerChoice {
  enum class Kind { kProductsOwn, kAdded, kNone } kind = Kind::kNone;
  std::filesystem::path source;  // the file packed as UnInstal.Exe
};

// Adds the uninstaller to the files to pack, as the last one, unless they
// hold an UnInstal.Exe (letter case ignored): the file `given`, else
// UnInstal.Exe beside the setup program. Throws WrongRequestError when the
// product has its own and one is given too, ToolError when the given one is
// missing.
UninstallerChoice ChooseUninstaller(std::vector<ProductFile>& files,
                                    const std::filesystem::path& setupFile,
                                    const std::optional<std::filesystem::path>& given);

// Whether the bytes are the uninstaller built with the setup program.
bool IsProjectUninstaller(const uint8_t* bytes, size_t size);

}  // namespace qmpack
