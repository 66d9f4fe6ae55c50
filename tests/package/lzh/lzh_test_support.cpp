#include "package/lzh/lzh_test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "package/lzh/lzh_decoder.h"

namespace qm::lzh_test {
namespace {

// The text of the string value that follows `"key":` at or after `from`.
std::string JsonValueAfter(const std::string& json, const std::string& key, size_t& from) {
  const size_t keyAt = json.find("\"" + key + "\"", from);
  if (keyAt == std::string::npos) return {};
  size_t at = json.find(':', keyAt) + 1;
  while (json[at] == ' ' || json[at] == '"') ++at;
  size_t stop = at;
  while (stop < json.size() && json[stop] != '"' && json[stop] != ',' && json[stop] != '\n') {
    ++stop;
  }
  from = stop;
  return json.substr(at, stop - at);
}

struct MemoryInput {
  explicit MemoryInput(const std::vector<uint8_t>& bytes) : input(bytes) {}
  const std::vector<uint8_t>& input;
  size_t next = 0;
  std::vector<uint8_t> output;
};

void ReadFromMemory(void* context, uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<MemoryInput*>(context);
  done = 0;
  while (done < count && io.next < io.input.size()) buffer[done++] = io.input[io.next++];
}

void WriteToMemory(void* context, const uint8_t* buffer, uint16_t count, uint16_t& done) {
  auto& io = *static_cast<MemoryInput*>(context);
  io.output.insert(io.output.end(), buffer, buffer + count);
  done = count;
}

}  // namespace

uint32_t Crc32(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ConformancePath(const std::string& file) {
  return std::string(QM_CONFORMANCE_DIR) + "/" + file;
}

std::vector<ConformanceStream> LoadConformanceManifest() {
  const std::vector<uint8_t> bytes = ReadFileBytes(ConformancePath("manifest.json"));
  const std::string json(bytes.begin(), bytes.end());
  std::vector<ConformanceStream> streams;
  size_t at = json.find("\"members\"");
  while (at != std::string::npos) {
    ConformanceStream stream;
    stream.file = JsonValueAfter(json, "stream", at);
    if (stream.file.empty()) break;
    stream.originalSize = std::stoul(JsonValueAfter(json, "original_size", at));
    stream.crc32 = static_cast<uint32_t>(std::stoul(JsonValueAfter(json, "crc32", at), nullptr, 16));
    streams.push_back(stream);
  }
  return streams;
}

std::vector<uint8_t> DecodeByCallbacks(const std::vector<uint8_t>& input, int32_t total) {
  MemoryInput io(input);
  const int32_t keepGoing = 1;
  LzhDecode(total, ReadFromMemory, WriteToMemory, &io, keepGoing);
  return io.output;
}

std::vector<uint8_t> DecodeInMemory(const std::vector<uint8_t>& input, size_t total) {
  std::vector<uint8_t> output(total + kLzhMaxOverrun);
  const LzhMemoryResult result = LzhDecodeMemory(input.data(), input.size(), output.data(), total);
  output.resize(result.outputWritten);
  return output;
}

}  // namespace qm::lzh_test
