#include "install_bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "play.h"
#include "package/lzh/lzh_decoder.h"
#include "setup_session.h"

namespace e2e {
namespace {

constexpr DWORD kRunSeconds = 120;
constexpr char kProgressCaption[] = "Please Stand By...";

// The figures of one run, in milliseconds and megabytes. (The setup's
// processor time is left out: Wine's GetProcessTimes counts a small part of it.)
struct Figures {
  double copy = 0, decode = 0, split = 0, total = 0;
  double startMegabytes = 0;  // the working set with MAIN up: Wine and the program loaded
  double peakMegabytes = 0;
};

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

double WallMilliseconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A visible dialog of that title, found with one call: the watch must take as
// little of Wine's server as it can, since the setup needs it for every block.
HWND ShownDialog(const char* caption) {
  HWND dialog = FindWindowA("#32770", caption);
  return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Watches every millisecond from "I Agree" until GROUP appears and records,
// in order: the copy dialog appears; the unpack dialog appears (the copy and
// the unpack dialog share their title, so it is the second one); the package
// file is gone (the unpack pass deletes it before the split); GROUP appears.
bool WatchPasses(DWORD deadline, std::vector<double>& moments) {
  const std::string package = std::string(kInstallFolder) + "\\Kestrelon._QM";
  HWND copyDialog = nullptr;
  while (static_cast<LONG>(GetTickCount() - deadline) < 0 && moments.size() < 4) {
    const double now = WallMilliseconds();
    bool seen = false;
    switch (moments.size()) {
      case 0:
        seen = (copyDialog = ShownDialog(kProgressCaption)) != nullptr;
        break;
      case 1: {
        HWND progress = ShownDialog(kProgressCaption);
        seen = progress != nullptr && progress != copyDialog;
        break;
      }
      case 2:
        seen = !FileExists(package);
        break;
      default:
        seen = ShownDialog("Program Group") != nullptr;
    }
    if (seen) {
      moments.push_back(now);
    } else {
      Sleep(1);
    }
  }
  return moments.size() == 4;
}

Figures FiguresOf(const std::vector<double>& m) {
  Figures f;
  f.copy = m[1] - m[0];
  f.decode = m[2] - m[1];
  f.split = m[3] - m[2];
  f.total = m[3] - m[0];
  return f;
}

void Print(const std::string& what, const Figures& f) {
  std::printf("%s: copy %.0f ms, decode %.0f ms, split %.0f ms; copy dialog to GROUP %.0f ms; "
              "peak working set %.1f MB (%.1f MB with MAIN up)\n",
              what.c_str(), f.copy, f.decode, f.split, f.total, f.peakMegabytes,
              f.startMegabytes);
}

bool InstallOnce(Figures& figures) {
  const Media media = TestMedia();
  PrepareInstall(media, true);
  SetupSession session;
  if (!session.Start(std::string(kDisksFolder) + "\\setup.exe")) {
    std::printf("FAILED: cannot start the setup\n");
    return false;
  }
  const DWORD deadline = GetTickCount() + kRunSeconds * 1000;
  std::vector<DialogStep> before = UpToCopy();
  before.back().outcome = Outcome::kLeavesOpen;  // the watch starts at once
  if (session.WaitForDialog(before.front().caption, deadline) == nullptr) {
    return Fail(session, "no MAIN");
  }
  const double startMegabytes = Megabytes(session.WorkingSet());
  for (const DialogStep& step : before) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  std::vector<double> moments;
  if (!WatchPasses(deadline, moments)) {
    return Fail(session, "the copy dialog, the unpack dialog, the package file's end or GROUP "
                         "was not seen");
  }
  figures = FiguresOf(moments);
  figures.startMegabytes = startMegabytes;
  for (const DialogStep& step : AfterUnpack()) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  const DialogStep success = SuccessQuestion(kNo);
  if (session.WaitForDialog(success.caption, deadline, success.textContains) == nullptr) {
    return Fail(session, "no success question");
  }
  figures.peakMegabytes = Megabytes(session.PeakWorkingSet());
  if (!PlayStep(session, success, deadline)) return false;
  HWND unexpected = nullptr;
  if (!session.WaitForExit(deadline, &unexpected)) return Fail(session, "setup did not end");
  const std::string problem = CheckInstalled(media, true);
  return problem.empty() || Fail(session, problem);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Figures Medians(const std::vector<Figures>& runs) {
  Figures median;
  for (double Figures::*field :
       {&Figures::copy, &Figures::decode, &Figures::split, &Figures::total,
        &Figures::startMegabytes, &Figures::peakMegabytes}) {
    std::vector<double> values;
    for (const Figures& run : runs) values.push_back(run.*field);
    median.*field = Median(values);
  }
  return median;
}

// The decoder alone on the package that the installation decodes: the
// volumes joined in memory and decoded in memory by the setup's decoder as
// this build compiles it, best of five. It tells the decode pass's own work
// from the file calls, the gauge and the messages around it. A negative
// figure when the output is not the product.
double DecoderAloneMilliseconds(const Media& media) {
  std::string package, product;
  for (int volume = 1; volume <= VolumeCount(media); ++volume) {
    package += FileContents(MediaVolume(media, volume)).value_or("");
  }
  for (const std::string& name : ProductFiles(media)) {
    product += FileContents(ProductFile(media, name)).value_or("");
  }
  std::vector<uint8_t> output(product.size() + qm::kLzhMaxOverrun);
  double best = 0;
  for (int run = 0; run < 5; ++run) {
    const double start = WallMilliseconds();
    qm::LzhDecodeMemory(reinterpret_cast<const uint8_t*>(package.data()), package.size(),
                        output.data(), product.size());
    const double took = WallMilliseconds() - start;
    best = run == 0 ? took : std::min(best, took);
  }
  const bool same = std::equal(product.begin(), product.end(), output.begin(),
                               [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
  return same ? best : -1;
}

// The peak working set of the least that any setup with a backdrop shows: a
// program that opens a full-screen window and a message box and nothing
// else (qm_wine_floor.exe beside this driver). 0 when it can't be measured.
double WineFloorMegabytes() {
  char driver[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, driver, MAX_PATH);
  std::string probe(driver, length);
  probe = probe.substr(0, probe.find_last_of('\\') + 1) + "qm_wine_floor.exe";
  SetupSession session;
  if (!session.Start(probe)) return 0;
  const DWORD deadline = GetTickCount() + 30 * 1000;
  HWND box = session.WaitForDialog("Wine floor", deadline);
  if (box == nullptr) return 0;
  const double megabytes = Megabytes(session.PeakWorkingSet());
  ClickButton(box, IDOK);
  HWND unexpected = nullptr;
  session.WaitForExit(deadline, &unexpected);
  return megabytes;
}

}  // namespace

bool RunInstallBench(int runs) {
  std::vector<Figures> all;
  for (int run = 1; run <= std::max(runs, 1); ++run) {
    Figures figures;
    if (!InstallOnce(figures)) return false;
    Print("run " + std::to_string(run), figures);
    all.push_back(figures);
  }
  Print("median of " + std::to_string(all.size()) + " runs", Medians(all));
  const double decoder = DecoderAloneMilliseconds(TestMedia());
  if (decoder < 0) {
    std::printf("FAILED: the decoder alone did not give the product\n");
    return false;
  }
  std::printf("the decoder alone, in memory, in this build: %.0f ms (best of 5)\n", decoder);
  const double floorMegabytes = WineFloorMegabytes();
  if (floorMegabytes <= 0) {
    std::printf("FAILED: Wine's floor could not be measured (qm_wine_floor.exe)\n");
    return false;
  }
  std::printf("Wine's floor: a program with only a full-screen window and a message box peaks "
              "at %.1f MB\n",
              floorMegabytes);
  return true;
}

}  // namespace e2e
