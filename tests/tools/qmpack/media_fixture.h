// Scratch folders, a minimal Windows executable and small product folders for
// the qmpack tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "qmpack/cli.h"
#include "qmpack/tool_error.h"
#include "setup/media_block.h"

namespace qmpack::test {

namespace fs = std::filesystem;

// What `call` refuses with, or `accepted` when it goes through.
template <class Call>
std::string RefusalOf(Call call, const std::string& accepted) {
  try {
    call();
  } catch (const ToolError& error) {
    return error.what();
  }
  return accepted;
}

inline void PutU16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  PutU16(bytes, at, value & 0xFFFF);
  PutU16(bytes, at + 2, value >> 16);
}

// Where the parts of the executable that MinimalPe makes lie.
constexpr size_t kPeHeader = 0x80;
constexpr size_t kCoffHeader = kPeHeader + 4;
constexpr size_t kOptionalHeader = kCoffHeader + 20;
constexpr size_t kOptionalHeaderSize = 224;  // PE32 with 16 data directories
constexpr size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;
constexpr size_t kHeadersSize = 0x200;
constexpr size_t kSectionSize = 0x600;

constexpr size_t kMediaBlockAt = kHeadersSize + 0x100;

// A PE32 file of 0x200 bytes of headers and one section of 0x600 raw bytes
// holding an unpatched media block: 0x800 bytes in all, nothing behind the image.
inline std::vector<uint8_t> MinimalPe() {
  std::vector<uint8_t> pe(kHeadersSize + kSectionSize, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  PutU32(pe, 0x3C, kPeHeader);
  pe[kPeHeader] = 'P';
  pe[kPeHeader + 1] = 'E';
  PutU16(pe, kCoffHeader, 0x14C);  // i386
  PutU16(pe, kCoffHeader + 2, 1);  // one section
  PutU16(pe, kCoffHeader + 16, kOptionalHeaderSize);
  PutU16(pe, kOptionalHeader, 0x10B);
  PutU32(pe, kOptionalHeader + 60, kHeadersSize);
  PutU32(pe, kOptionalHeader + 92, 16);
  const std::string name = ".text";
  std::copy(name.begin(), name.end(), pe.begin() + kSectionTable);
  PutU32(pe, kSectionTable + 16, kSectionSize);  // SizeOfRawData
  PutU32(pe, kSectionTable + 20, kHeadersSize);  // PointerToRawData
  for (size_t i = kHeadersSize; i < pe.size(); ++i) pe[i] = static_cast<uint8_t>(0x90);
  const qm::MediaBlockBytes block = qm::EncodeMediaBlock(qm::MediaRecord{});
  std::copy(std::begin(block.bytes), std::end(block.bytes), pe.begin() + kMediaBlockAt);
  return pe;
}

inline void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that compress a little, like programs do: text runs with noise.
inline std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = (random() % 4 == 0) ? static_cast<uint8_t>(random()) : static_cast<uint8_t>("KESTRELON "[i % 10]);
  }
  return bytes;
}

inline std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class MediaTest : public ::testing::Test {
 protected:
  MediaTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() /
            ("qmpack_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(std::random_device{}()));
    fs::create_directories(root_ / "product");
    WriteBytes(root_ / "SETUP.EXE", MinimalPe());
  }
  ~MediaTest() override { fs::remove_all(root_); }

  fs::path Path(const std::string& relative) const { return root_ / relative; }
  fs::path SetupExe() const { return root_ / "SETUP.EXE"; }
  fs::path Product() const { return root_ / "product"; }
  fs::path Out() const { return root_ / "out"; }

  void AddProductFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteBytes(Product() / name, bytes);
  }

  // The main program and three files, one of them empty.
  void MakeSmallProduct() {
    AddProductFile("Kestreln.Exe", SampleBytes(20000, 1));
    AddProductFile("KESTRELN.HLP", SampleBytes(7000, 2));
    AddProductFile("CTRLKN.SYS", NoiseBytes(3000, 3));
    AddProductFile("EMPTY.TXT", {});
  }

 private:
  fs::path root_;
};

// What a run of the qmpack command line printed and ended with.
struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

inline Outcome Qmpack(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int exitCode = RunQmpack(args, out, err, false);
  return {exitCode, out.str(), err.str()};
}

}  // namespace qmpack::test
