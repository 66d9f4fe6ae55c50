// The media tool's commands as functions: build the diskettes' files and the
// setup program's directory, and read them back. Each throws ToolError when
// it can't do what was asked; none prints anything.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/lzh/lzh_decoder.h"
#include "package/package_directory.h"
#include "qmpack/lzh_encoder.h"
#include "qmpack/uninstaller.h"
#include "qmpack/stream_decode.h"
#include "qmpack/volumes.h"
#include "setup/media_record.h"

namespace qmpack {

constexpr char kDefaultMainProgram[] = "Kestreln.Exe";
constexpr char kDefaultFirstVolume[] = "Kestreln.001";

using ProgressCallback = std::function<void(size_t done, size_t total)>;

struct BuildOptions {
  std::filesystem::path setupFile;      // the setup program without a directory
  std::filesystem::path productFolder;  // the main program and the other files
  std::filesystem::path outFolder;      // receives the volumes and the finished setup program
  std::string mainProgram = kDefaultMainProgram;
  std::optional<std::filesystem::path> listFile;
  // The uninstaller to pack when the product has none; by default
  // UnInstal.Exe beside the setup program.
  std::optional<std::filesystem::path> uninstaller;
  uint64_t volumeSize = kDisketteCapacity;
  // Room on disk 1, which also holds the setup program; by default the volume
  // size less the finished setup program rounded up to whole 512-byte clusters.
  std::optional<uint64_t> firstVolumeSize;
  std::string firstVolume = kDefaultFirstVolume;
  LzhParser parser = LzhParser::kBetter;
  bool replaceTrailingData = false;  // cut bytes after the setup's image instead of refusing
  ProgressCallback progress;         // compression progress
  // Test seam: changes the compressed package before it is checked.
  std::function<void(std::vector<uint8_t>& package)> alterPackage;
};

struct BuildReport {
  std::filesystem::path setupOut;
  uint64_t setupSize = 0;          // with its directory
  uint64_t cutTrailingBytes = 0;   // removed from the setup program under replaceTrailingData
  size_t entryCount = 0;
  size_t mainProgramSize = 0;
  int32_t unpackTotal = 0;
  uint64_t packageSize = 0;        // compressed
  std::vector<std::string> volumeNames;
  std::vector<uint64_t> volumeLengths;
  std::vector<std::string> staleVolumesRemoved;  // later volumes of an earlier, larger build
  std::vector<std::string> leftOut;  // hidden and backup names the default packing list skipped
  UninstallerChoice uninstaller;     // the UnInstal.Exe packed, and whose it is
  qm::MediaRecord media;  // patched into the setup copy's media block
};

// Packs the product, checks that the package decodes back to it, and writes
// the volumes and the setup copy with its media block set for them. Throws
// ToolError (WrongRequestError for a product folder with subfolders and no
// list file); a refusal or a failed check comes before anything is written.
BuildReport BuildMedia(const BuildOptions& options);

struct SetupDirectory {
  int64_t fileLength = 0;
  qm::DirectoryParseResult parse;
};

// The directory at the end of a setup program, judged as the setup judges it.
SetupDirectory ReadSetupDirectory(const std::filesystem::path& setupFile);

// The fields of a directory as they lie in the file, whether plausible or not,
// for display. Only as many entries as the file holds are given.
struct RawDirectory {
  bool hasTrailer = false;
  uint8_t entryCount = 0;
  int32_t unpackTotal = 0;
  std::vector<qm::PackageEntry> entries;  // names cut at 19 characters
};
RawDirectory ReadRawDirectory(const std::filesystem::path& setupFile);

struct MediaCheck {
  std::string description;
  bool passed = false;
};

struct DecodedMedia {
  std::vector<std::string> volumeNames;
  uint64_t packageSize = 0;
  std::vector<uint8_t> package;  // the volumes joined
  qm::PackageDirectory directory;
  // When the directory is plausible: the decode of its unpackTotal bytes, and their CRC-32.
  StreamDecodeResult decode;
  uint32_t streamCrc = 0;
  std::vector<MediaCheck> checks;
  bool AllPassed() const;
};

// Joins the volumes, decodes them (keeping no more of the stream than its CRC-32)
// with the directory's stream length and
// checks that they agree with the setup program: its media block asks for as
// many disks as there are volumes, the volumes and the stream match their
// recorded sizes and CRC-32s (where recorded), the directory is one the setup
// accepts (no entry before the main program's end, no overlaps, no name
// twice), the decoder used up the package exactly (up to its look-ahead), the
// stream ends at unpackTotal, and every entry lies inside the stream.
DecodedMedia DecodeMedia(const std::filesystem::path& setupFile,
                         const std::filesystem::path& volumeFolder,
                         const std::string& firstVolume = kDefaultFirstVolume);

// Writes the main program and every packed file into `outFolder`, which is
// created when missing, under their names in UTF-8, decoding the package once
// more and writing each file as its bytes come. Throws ToolError, writing
// nothing, when a check fails. Returns the names written.
std::vector<std::string> ExtractProduct(const DecodedMedia& media,
                                        const std::filesystem::path& outFolder,
                                        const std::string& mainProgram = kDefaultMainProgram);

// Raw headerless streams.
std::vector<uint8_t> CompressBytes(const std::vector<uint8_t>& data, LzhParser parser,
                                   const ProgressCallback& progress = nullptr);
struct Decompressed {
  std::vector<uint8_t> bytes;  // exactly the size asked for
  qm::LzhMemoryResult decode;
};
Decompressed DecompressBytes(const std::vector<uint8_t>& package, size_t size);

// The decoder reads up to two bytes ahead of the bits it uses.
constexpr size_t kDecoderLookAhead = 2;

}  // namespace qmpack
