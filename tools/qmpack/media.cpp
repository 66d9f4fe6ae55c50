#include "qmpack/media.h"

#include <algorithm>
#include <fstream>

#include "package/crc32.h"
#include "qmpack/directory_writer.h"
#include "qmpack/file_io.h"
#include "qmpack/package_check.h"
#include "qmpack/pe_image.h"
#include "qmpack/product.h"
#include "qmpack/product_files_output.h"
#include "qmpack/setup_media_block.h"
#include "qmpack/tool_error.h"
#include "qmpack/windows_names.h"

namespace qmpack {

namespace fs = std::filesystem;

namespace {

// ---- build -----------------------------------------------------------------

std::string TrailingDataRefusal(const fs::path& setupFile, uint64_t trailingBytes) {
  const bool isDirectory = ReadSetupDirectory(setupFile).parse.accepted();
  return setupFile.string() + " already carries " + std::to_string(trailingBytes) +
         " bytes after its image" + (isDirectory ? " (a package directory)" : "") +
         "; give --replace to cut them off and append the new directory";
}

// The setup program's image without anything appended to it.
std::vector<uint8_t> LoadSetupImage(const BuildOptions& options, BuildReport& report) {
  auto bytes = ReadFileBytes(options.setupFile);
  PeImageExtent extent;
  try {
    extent = MeasurePeImage(bytes);
  } catch (const ToolError& error) {
    throw ToolError(options.setupFile.string() + ": " + error.what());
  }
  if (extent.TrailingBytes() > 0) {
    if (!options.replaceTrailingData) {
      throw ToolError(TrailingDataRefusal(options.setupFile, extent.TrailingBytes()));
    }
    report.cutTrailingBytes = extent.TrailingBytes();
    bytes.resize(static_cast<size_t>(extent.imageEnd));
  }
  return bytes;
}

uint64_t RoundUpToCluster(uint64_t size) {
  return (size + kDisketteCluster - 1) / kDisketteCluster * kDisketteCluster;
}

uint64_t FirstVolumeSize(const BuildOptions& options, uint64_t setupSize) {
  if (options.firstVolumeSize) return *options.firstVolumeSize;
  const uint64_t setupRoom = RoundUpToCluster(setupSize);
  if (setupRoom >= options.volumeSize) {
    throw ToolError("the setup program (" + std::to_string(setupSize) +
                    " bytes with its directory) leaves no room for a volume on disk 1 of " +
                    std::to_string(options.volumeSize) + " bytes; give the first volume's size");
  }
  return options.volumeSize - setupRoom;
}

std::vector<std::string> RemoveStaleVolumes(const fs::path& folder, const std::string& firstVolume,
                                            size_t volumesWritten) {
  std::vector<std::string> removed;
  const auto names = VolumeNames(firstVolume, kMaxVolumes);
  for (size_t disk = volumesWritten; disk < names.size(); ++disk) {
    std::error_code error;
    if (fs::remove(folder / names[disk], error)) removed.push_back(names[disk]);
  }
  return removed;
}

void WriteVolumes(const fs::path& folder, const std::vector<uint8_t>& package,
                  const std::vector<std::string>& names, const std::vector<uint64_t>& lengths) {
  uint64_t start = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    WriteFileBytes(folder / names[i], package.data() + start, static_cast<size_t>(lengths[i]));
    start += lengths[i];
  }
}

void CreateFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw ToolError("cannot create " + folder.string() + ": " + error.message());
}

uint32_t Crc32Of(const uint8_t* data, uint64_t size) {
  return qm::Crc32Update(0, data, static_cast<size_t>(size));
}

// The values the setup needs for these volumes: their count and the package
// size, and each volume's size and CRC-32 and the stream's, for the checks.
qm::MediaRecord RecordMedia(const std::vector<uint8_t>& package, const std::vector<uint64_t>& lengths,
                            const std::vector<uint8_t>& stream) {
  if (package.size() > kMaxStreamSize) {
    throw ToolError("the compressed package of " + std::to_string(package.size()) +
                    " bytes is larger than the setup can count (" + std::to_string(kMaxStreamSize) + ")");
  }
  qm::MediaRecord media;
  media.diskCount = static_cast<int32_t>(lengths.size());
  media.expectedPackageSize = static_cast<int32_t>(package.size());
  uint64_t start = 0;
  for (size_t i = 0; i < lengths.size(); ++i) {
    media.volumeSize[i] = static_cast<uint32_t>(lengths[i]);
    media.volumeCrc[i] = Crc32Of(package.data() + start, lengths[i]);
    start += lengths[i];
  }
  media.streamLength = static_cast<uint32_t>(stream.size());
  media.streamCrc = Crc32Of(stream.data(), stream.size());
  return media;
}

// ---- reading back ----------------------------------------------------------

std::vector<uint8_t> FileTail(const fs::path& path, int64_t& fileLength) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw ToolError("cannot open " + path.string());
  fileLength = static_cast<int64_t>(in.tellg());
  std::vector<uint8_t> tail(qm::DirectoryTailSize(fileLength));
  in.seekg(fileLength - static_cast<int64_t>(tail.size()));
  if (!in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(tail.size()))) {
    throw ToolError("cannot read " + path.string());
  }
  return tail;
}

int32_t LittleEndianInt32(const uint8_t* bytes) {
  return static_cast<int32_t>(uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 |
                              uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24);
}

void AddCheck(DecodedMedia& media, bool passed, std::string description) {
  media.checks.push_back({std::move(description), passed});
}

void CheckConsumption(DecodedMedia& media) {
  const uint64_t used = media.decode.inputConsumed;
  const uint64_t size = media.packageSize;
  if (used > size + kDecoderLookAhead) {
    AddCheck(media, false, "the decoder needed " + std::to_string(used) + " bytes but the package has only " +
                               std::to_string(size) + ": a volume is missing or cut short");
  } else if (used + kDecoderLookAhead < size) {
    AddCheck(media, false, "the decoder used " + std::to_string(used) + " of the package's " +
                               std::to_string(size) + " bytes: the volumes hold more than the stream");
  } else {
    AddCheck(media, true, "the decoder used the package's " + std::to_string(size) + " bytes exactly");
  }
}

void CheckStreamEnd(DecodedMedia& media) {
  const auto total = static_cast<uint64_t>(media.directory.unpackTotal);
  AddCheck(media, media.decode.decoded == total,
           "the stream ends at " + std::to_string(total) + " bytes (decoded " +
               std::to_string(media.decode.decoded) + ")");
}

void CheckEntriesInsideStream(DecodedMedia& media) {
  const int64_t length = media.directory.unpackTotal;
  const bool inside = std::all_of(media.directory.entries.begin(), media.directory.entries.end(),
                                  [length](const qm::PackageEntry& entry) {
                                    return int64_t{entry.offset} + entry.size <= length;
                                  });
  AddCheck(media, inside, "every entry lies inside the " + std::to_string(length) + "-byte stream");
}

void CheckDiskCount(DecodedMedia& media, const qm::MediaRecord& record) {
  const size_t volumes = media.volumeNames.size();
  AddCheck(media, record.diskCount == static_cast<int32_t>(volumes),
           "the setup asks for " + std::to_string(record.diskCount) + " disk(s); " +
               std::to_string(volumes) + " volume(s) are present");
}

// Names the first volume whose size or CRC-32 is not the recorded one.
void CheckRecordedVolumes(DecodedMedia& media, const qm::MediaRecord& record,
                          const std::vector<uint8_t>& package, const std::vector<uint64_t>& lengths) {
  uint64_t start = 0;
  bool anyRecorded = false;
  for (size_t i = 0; i < lengths.size() && i < qm::kMaxVolumes; ++i) {
    const uint32_t crc = Crc32Of(package.data() + start, lengths[i]);
    start += lengths[i];
    if (!record.VolumeRecorded(static_cast<int>(i))) continue;
    anyRecorded = true;
    if (lengths[i] != record.volumeSize[i] || crc != record.volumeCrc[i]) {
      const std::string recorded = SizeAndCrcText(record.volumeSize[i], record.volumeCrc[i]);
      AddCheck(media, false, media.volumeNames[i] + " differs from its record: " +
                                 SizeAndCrcText(lengths[i], crc) + ", recorded " + recorded);
      return;
    }
  }
  if (!anyRecorded) return;
  AddCheck(media, true, "the volumes match their recorded sizes and CRC-32s");
  AddCheck(media, record.expectedPackageSize == static_cast<int64_t>(package.size()),
           "the setup's gauge expects " + std::to_string(record.expectedPackageSize) +
               " package bytes; the volumes hold " + std::to_string(package.size()));
}

void CheckRecordedStream(DecodedMedia& media, const qm::MediaRecord& record) {
  if (!record.StreamRecorded()) return;
  const auto length = static_cast<uint64_t>(media.directory.unpackTotal);
  const uint32_t crc = media.streamCrc;
  const bool same = length == record.streamLength && crc == record.streamCrc;
  const std::string found = SizeAndCrcText(length, crc);
  AddCheck(media, same,
           same ? "the unpacked stream matches its record (" + found + ")"
                : "the unpacked stream differs from its record: " + found + ", recorded " +
                      SizeAndCrcText(record.streamLength, record.streamCrc));
}

// The setup's media block, or nothing (with a failed check) when it has none
// that it would use.
std::optional<qm::MediaRecord> CheckMediaBlock(DecodedMedia& media, const fs::path& setupFile) {
  try {
    const SetupMediaBlock block = FindMediaBlock(ReadFileBytes(setupFile));
    if (block.problem) {
      AddCheck(media, false, "the media block is refused: " + *block.problem);
      return std::nullopt;
    }
    return block.record;
  } catch (const ToolError& error) {
    AddCheck(media, false, std::string("the setup program's media block: ") + error.what());
    return std::nullopt;
  }
}

std::string FirstFailure(const DecodedMedia& media) {
  for (const auto& check : media.checks) {
    if (!check.passed) return check.description;
  }
  return "the media were not checked";
}

}  // namespace

BuildReport BuildMedia(const BuildOptions& options) {
  BuildReport report;
  auto setup = LoadSetupImage(options, report);
  const uint64_t blockOffset = FindMediaBlock(setup).offset;
  ProductFiles product =
      CollectProductFiles(options.productFolder, options.mainProgram, options.listFile);
  report.uninstaller = ChooseUninstaller(product.files, options.setupFile, options.uninstaller);
  const UnpackedStream stream = BuildUnpackedStream(product.files);
  const auto directory = EncodePackageDirectory(stream.directory);
  setup.insert(setup.end(), directory.begin(), directory.end());
  const uint64_t firstSize = FirstVolumeSize(options, setup.size());
  VolumeLengths(1, firstSize, options.volumeSize);  // refuses unusable sizes before the long part

  auto package = CompressBytes(stream.bytes, options.parser, options.progress);
  if (options.alterPackage) options.alterPackage(package);
  CheckPackageDecodes(package, stream.bytes);
  report.volumeLengths = VolumeLengths(package.size(), firstSize, options.volumeSize);
  report.volumeNames = VolumeNames(options.firstVolume, report.volumeLengths.size());
  report.media = RecordMedia(package, report.volumeLengths, stream.bytes);
  PatchMediaBlock(setup, blockOffset, report.media);

  CreateFolder(options.outFolder);
  WriteVolumes(options.outFolder, package, report.volumeNames, report.volumeLengths);
  report.setupOut = options.outFolder / options.setupFile.filename();
  WriteFileBytes(report.setupOut, setup);
  report.staleVolumesRemoved = RemoveStaleVolumes(options.outFolder, options.firstVolume,
                                                  report.volumeNames.size());
  report.setupSize = setup.size();
  report.entryCount = stream.directory.entries.size();
  report.mainProgramSize = stream.mainProgramSize;
  report.unpackTotal = stream.directory.unpackTotal;
  report.packageSize = package.size();
  report.leftOut = product.leftOut;
  return report;
}

SetupDirectory ReadSetupDirectory(const fs::path& setupFile) {
  SetupDirectory result;
  const auto tail = FileTail(setupFile, result.fileLength);
  result.parse = qm::ParsePackageDirectory(tail.data(), tail.size(), result.fileLength);
  return result;
}

RawDirectory ReadRawDirectory(const fs::path& setupFile) {
  int64_t fileLength = 0;
  const auto tail = FileTail(setupFile, fileLength);
  RawDirectory raw;
  if (tail.size() < qm::kDirectoryTrailerSize) return raw;
  const uint8_t* trailer = tail.data() + tail.size() - qm::kDirectoryTrailerSize;
  raw.hasTrailer = true;
  raw.entryCount = trailer[0];
  raw.unpackTotal = LittleEndianInt32(trailer + 1);
  const size_t present = std::min<size_t>(raw.entryCount, (trailer - tail.data()) / qm::kPackageEntrySize);
  for (size_t i = raw.entryCount - present; i < raw.entryCount; ++i) {
    const uint8_t* bytes = trailer - (raw.entryCount - i) * qm::kPackageEntrySize;
    const size_t length = std::min<size_t>(bytes[0], qm::kMaxEntryNameLength);
    raw.entries.push_back({std::string(reinterpret_cast<const char*>(bytes + 1), length),
                           LittleEndianInt32(bytes + qm::kEntryNameFieldSize),
                           LittleEndianInt32(bytes + qm::kEntryNameFieldSize + 4)});
  }
  return raw;
}

bool DecodedMedia::AllPassed() const {
  return !checks.empty() &&
         std::all_of(checks.begin(), checks.end(), [](const MediaCheck& check) { return check.passed; });
}

DecodedMedia DecodeMedia(const fs::path& setupFile, const fs::path& volumeFolder,
                         const std::string& firstVolume) {
  DecodedMedia media;
  const SetupDirectory setup = ReadSetupDirectory(setupFile);
  JoinedVolumes joined = JoinVolumes(volumeFolder, firstVolume);
  media.volumeNames = joined.names;
  media.packageSize = joined.package.size();
  const auto record = CheckMediaBlock(media, setupFile);
  if (record) {
    CheckDiskCount(media, *record);
    CheckRecordedVolumes(media, *record, joined.package, joined.lengths);
  }
  media.package = std::move(joined.package);
  if (!setup.parse.accepted()) {
    AddCheck(media, false, "the directory is refused: " + setup.parse.refusal->reason);
    return media;
  }
  media.directory = setup.parse.directory;
  AddCheck(media, true, "the directory is plausible");
  Crc32Output stream;
  const auto total = static_cast<uint64_t>(media.directory.unpackTotal);
  media.decode = DecodeMemoryStream(media.package, total, stream);
  media.streamCrc = stream.Crc();
  CheckConsumption(media);
  CheckStreamEnd(media);
  CheckEntriesInsideStream(media);
  if (record) CheckRecordedStream(media, *record);
  return media;
}

std::vector<std::string> ExtractProduct(const DecodedMedia& media, const fs::path& outFolder,
                                        const std::string& mainProgram) {
  if (!media.AllPassed()) throw ToolError("nothing extracted: " + FirstFailure(media));
  CreateFolder(outFolder);
  const auto& entries = media.directory.entries;
  const int64_t mainSize = entries.empty() ? media.directory.unpackTotal : entries.front().offset;
  std::vector<StreamPiece> pieces{{mainProgram, 0, mainSize}};
  for (const auto& entry : entries) pieces.push_back({Cp1252ToUtf8(entry.name), entry.offset, entry.size});
  ProductFilesOutput output(outFolder, pieces);
  DecodeMemoryStream(media.package, static_cast<uint64_t>(media.directory.unpackTotal), output);
  output.Finish();
  std::vector<std::string> written;
  for (const auto& piece : pieces) written.push_back(piece.name);
  return written;
}

std::vector<uint8_t> CompressBytes(const std::vector<uint8_t>& data, LzhParser parser,
                                   const ProgressCallback& progress) {
  LzhEncodeOptions options;
  options.parser = parser;
  options.progress = progress;
  return LzhEncode(data.data(), data.size(), options);
}

Decompressed DecompressBytes(const std::vector<uint8_t>& package, size_t size) {
  Decompressed result;
  result.bytes.resize(size + qm::kLzhMaxOverrun);
  const auto decode = qm::LzhDecodeMemory(package.data(), package.size(), result.bytes.data(), size);
  result.bytes.resize(size);
  result.decode = decode;
  return result;
}

}  // namespace qmpack
