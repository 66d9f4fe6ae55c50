// Installation media for whole runs of the setup on the in-memory platform:
// a product laid out as the unpacked stream (the main program, then each
// file), packed with the media tool's encoder and cut into volumes, the
// setup file with the package directory at its end, and what a media block
// records of them.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "package/directory_bytes.h"
#include "qmpack/media.h"
#include "setup/media_record.h"

namespace qm::test {

// Bytes that compress somewhat: words from a small vocabulary and now and
// then a random byte, so that the stream holds both matches and literals.
inline std::string SampleBytes(size_t size, unsigned seed) {
  static const char* const kWords[] = {"glyph ", "mill ", "kestrel ", "\x90\x90", "MZ"};
  std::mt19937 random(seed);
  std::string bytes;
  while (bytes.size() < size) {
    bytes += random() % 3 == 0 ? std::string(1, static_cast<char>(random())) : kWords[random() % 5];
  }
  bytes.resize(size);
  return bytes;
}

struct PackedFile {
  std::string name, content;
};

struct TestMedia {
  std::string setupExe;
  std::vector<std::string> volumes;
  MediaRecord record;
};

inline TestMedia MakeMedia(const std::string& mainProgram, const std::vector<PackedFile>& files,
                           int volumeCount) {
  TestMedia made;
  std::string stream = mainProgram;
  std::vector<uint8_t> directory;
  for (const auto& file : files) {
    Append(directory, EntryBytes(file.name, static_cast<int32_t>(stream.size()),
                                 static_cast<int32_t>(file.content.size())));
    stream += file.content;
  }
  Append(directory,
         TrailerBytes(static_cast<uint8_t>(files.size()), static_cast<int32_t>(stream.size())));
  made.setupExe = std::string(300, 'M') + std::string(directory.begin(), directory.end());
  const std::vector<uint8_t> packed = qmpack::CompressBytes(
      std::vector<uint8_t>(stream.begin(), stream.end()), qmpack::LzhParser::kGreedy);
  const size_t part = (packed.size() + volumeCount - 1) / volumeCount;
  made.record.diskCount = volumeCount;
  made.record.expectedPackageSize = static_cast<int32_t>(packed.size());
  for (int volume = 0; volume < volumeCount; ++volume) {
    const size_t from = std::min(packed.size(), volume * part);
    const size_t to = std::min(packed.size(), from + part);
    made.volumes.emplace_back(packed.begin() + from, packed.begin() + to);
    made.record.volumeSize[volume] = static_cast<uint32_t>(to - from);
    made.record.volumeCrc[volume] = Crc32Update(0, packed.data() + from, to - from);
  }
  made.record.streamLength = static_cast<uint32_t>(stream.size());
  made.record.streamCrc = Crc32Update(0, stream.data(), stream.size());
  return made;
}

}  // namespace qm::test
