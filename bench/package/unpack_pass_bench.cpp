// The whole unpack pass over the in-memory platform: about 8 MB of mixed
// content (mixed_input.h) packed as one main program and forty product files,
// decoded through the 2,048-byte blocks, split and cut. Reported as bytes of
// unpacked stream per second, with the number of message pumps per run: one
// per block of the package file, against one per package byte for a pump
// inside every byte read.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "byte_rate.h"
#include "mixed_input.h"
#include "package/unpack_pass.h"
#include "platform/fake/fake_platform.h"
#include "qmpack/media.h"
#include "setup/setup_sequence.h"

namespace {

constexpr size_t kInputSize = 8u << 20;
constexpr int kProductFiles = 40;
constexpr char kDestination[] = "C:\\KESTRELON";

struct Product {
  std::vector<uint8_t> stream;
  std::string package;
  int32_t mainProgramSize = 0;
};

const Product& TheProduct() {
  static const Product product = [] {
    Product made;
    made.stream = BuildMixedInput(kInputSize);
    const auto packed = qmpack::CompressBytes(made.stream, qmpack::LzhParser::kGreedy);
    made.package.assign(packed.begin(), packed.end());
    made.mainProgramSize = static_cast<int32_t>(made.stream.size() / (kProductFiles + 1));
    return made;
  }();
  return product;
}

// The directory: the main program, then kProductFiles files of equal size up to the end.
void FillDirectory(qm::SetupState& state, const Product& product) {
  const auto total = static_cast<int32_t>(product.stream.size());
  const int32_t size = (total - product.mainProgramSize) / kProductFiles;
  qm::PackageNode* tail = nullptr;
  for (int i = 0; i < kProductFiles; ++i) {
    auto node = std::make_unique<qm::PackageNode>();
    node->name = "FILE" + std::to_string(i) + ".DAT";
    node->offset = product.mainProgramSize + i * size;
    node->size = i + 1 == kProductFiles ? total - node->offset : size;
    qm::PackageNode* added = node.get();
    (tail ? tail->next : state.directoryHead) = std::move(node);
    tail = added;
  }
  state.directoryTail = tail;
  state.unpackTotal = total;
}

void BM_UnpackPass(benchmark::State& state) {
  const Product& product = TheProduct();
  if (product.stream.empty()) return state.SkipWithError("no input files found");
  int pumps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    qm::FakePlatform os;
    qm::Setup setup(os);
    os.AddFile(std::string(kDestination) + "\\" + setup.product.packageFileName, product.package);
    qm::StartUp(setup);
    setup.state.destinationFolder = kDestination;
    FillDirectory(setup.state, product);
    os.RunDialog(qm::SetupDialog::kProgress);
    state.ResumeTiming();
    if (qm::ShowSetupDialog(setup, qm::SetupDialog::kProgress) != 1) {
      return state.SkipWithError("the pass failed");
    }
    pumps = os.pumpCalls();
  }
  ReportByteRate(state, product.stream.size());
  state.counters["pumps"] = pumps;
  state.counters["pumps_if_per_byte"] = static_cast<double>(product.package.size());
}
BENCHMARK(BM_UnpackPass)->Unit(benchmark::kMillisecond);

}  // namespace
