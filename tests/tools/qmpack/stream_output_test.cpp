#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmpack/background_writer.h"
#include "qmpack/product_files_output.h"
#include "qmpack/tool_error.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;

class StreamOutputs : public MediaTest {};

// Hands `stream` to `output` in runs whose sizes cycle through `runs`.
void Feed(StreamOutput& output, const std::vector<uint8_t>& stream, const std::vector<size_t>& runs) {
  size_t at = 0;
  for (size_t k = 0; at < stream.size(); ++k) {
    const size_t count = std::min(runs[k % runs.size()], stream.size() - at);
    output.Take(stream.data() + at, count);
    at += count;
  }
}

std::vector<uint8_t> Part(const std::vector<uint8_t>& stream, size_t offset, size_t size) {
  return {stream.begin() + static_cast<std::ptrdiff_t>(offset),
          stream.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

// Pieces out of order, a gap the files skip, empty files inside and at the
// end of the stream, and runs that end inside, at and past each piece's end.
TEST_F(StreamOutputs, TheStreamIsSplitIntoItsPiecesWhateverTheRuns) {
  const auto stream = NoiseBytes(20000, 5);
  const std::vector<StreamPiece> pieces = {
      {"Main.Exe", 0, 7000},  {"Late.Dat", 12000, 8000}, {"Empty.Txt", 7000, 0},
      {"Mid.Dll", 7000, 4000}, {"Last.Txt", 20000, 0}};
  for (const std::vector<size_t>& runs :
       std::vector<std::vector<size_t>>{{1}, {4096}, {6999, 2, 5000}, {20000}}) {
    const fs::path folder = Path("out");
    fs::remove_all(folder);
    fs::create_directories(folder);
    ProductFilesOutput output(folder, pieces);
    Feed(output, stream, runs);
    output.Finish();
    for (const auto& piece : pieces) {
      EXPECT_EQ(ReadBytes(folder / piece.name),
                Part(stream, static_cast<size_t>(piece.offset), static_cast<size_t>(piece.size)))
          << piece.name << " with runs of " << runs[0];
    }
  }
}

TEST_F(StreamOutputs, TheBackgroundWriterWritesEveryByteInOrder) {
  const auto bytes = NoiseBytes(1'000'003, 6);  // many blocks, the last one partial
  BackgroundWriter writer(Path("out.bin"));
  size_t at = 0;
  for (size_t run = 1; at < bytes.size(); run = run * 3 % 100'003 + 1) {
    const size_t count = std::min(run, bytes.size() - at);
    writer.Write(bytes.data() + at, count);
    at += count;
  }
  writer.Close();
  EXPECT_EQ(ReadBytes(Path("out.bin")), bytes);
}

TEST_F(StreamOutputs, AFullDiskIsReportedWithTheFileName) {
  const auto bytes = NoiseBytes(300'000, 7);
  try {
    BackgroundWriter writer("/dev/full");
    writer.Write(bytes.data(), bytes.size());
    writer.Close();
    FAIL() << "no error";
  } catch (const ToolError& error) {
    EXPECT_THAT(error.what(), HasSubstr("cannot write /dev/full: No space left on device"));
  }
}

}  // namespace
}  // namespace qmpack
