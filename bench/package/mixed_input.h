// A realistic input for the codec benchmarks, built from files of this
// machine: 32-bit Windows executables and plain text, about half of each.
// Files are taken in name order, so the same machine always gives the same input.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mixed_input {

namespace fs = std::filesystem;

// No one file may take up more than this, so that many files contribute.
constexpr size_t kMaxBytesPerFile = 256 * 1024;

inline std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

inline bool IsWindowsExecutable(const fs::path& path) {
  const std::string extension = LowerCase(path.extension().string());
  return extension == ".dll" || extension == ".exe";
}

inline bool IsPlainTextName(const fs::path& path) {
  static const char* const kPackedExtensions[] = {".gz", ".bz2", ".xz", ".zst", ".png",
                                                  ".jpg", ".gif", ".pdf", ".ico"};
  const std::string extension = LowerCase(path.extension().string());
  return std::none_of(std::begin(kPackedExtensions), std::end(kPackedExtensions),
                      [&](const char* packed) { return extension == packed; });
}

inline bool LooksLikeText(const std::vector<uint8_t>& bytes) {
  return !bytes.empty() && std::none_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// Regular files under `folder` (all levels), sorted by path; none when it is missing.
inline std::vector<fs::path> FilesUnder(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && !it->is_symlink(error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline std::vector<uint8_t> ReadHead(const fs::path& path, size_t limit) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes(limit);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

// Appends the files of `folders` that `wanted` accepts, in order, until `out` holds `target` bytes.
template <typename Accept>
void AppendFiles(const std::vector<fs::path>& folders, Accept wanted, size_t target,
                 std::vector<uint8_t>& out) {
  for (const fs::path& folder : folders) {
    for (const fs::path& path : FilesUnder(folder)) {
      if (out.size() >= target) return;
      std::vector<uint8_t> bytes = ReadHead(path, std::min(kMaxBytesPerFile, target - out.size()));
      if (wanted(path, bytes)) out.insert(out.end(), bytes.begin(), bytes.end());
    }
  }
}

}  // namespace mixed_input

// About `targetBytes` of Windows executables followed by plain text; less when
// the machine has too few such files.
inline std::vector<uint8_t> BuildMixedInput(size_t targetBytes) {
  namespace fs = std::filesystem;
  std::vector<uint8_t> input;
  input.reserve(targetBytes);
  mixed_input::AppendFiles(
      {"/usr/lib/wine/i386-windows", "/usr/lib/i386-linux-gnu/wine/i386-windows",
       "/usr/i686-w64-mingw32/lib"},
      [](const fs::path& path, const std::vector<uint8_t>&) {
        return mixed_input::IsWindowsExecutable(path);
      },
      targetBytes / 2, input);
  mixed_input::AppendFiles(
      {"/usr/share/common-licenses", "/usr/share/doc"},
      [](const fs::path& path, const std::vector<uint8_t>& bytes) {
        return mixed_input::IsPlainTextName(path) && mixed_input::LooksLikeText(bytes);
      },
      targetBytes, input);
  return input;
}
