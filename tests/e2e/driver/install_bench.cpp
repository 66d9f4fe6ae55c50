#include "install_bench.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "install_steps.h"
#include "machine.h"
#include "play.h"
#include "setup_session.h"

namespace e2e {
namespace {

constexpr DWORD kRunSeconds = 120;
constexpr char kProgressCaption[] = "Please Stand By...";

// When an event was seen: wall-clock milliseconds and the setup's processor
// milliseconds so far (the second tells the setup's own work from waiting on
// a busy machine).
struct Moment {
  double wall = 0, cpu = 0;
};

// The figures of one run, in milliseconds (wall clock, then processor time)
// and megabytes.
struct Figures {
  double copy = 0, decode = 0, split = 0, total = 0;
  double copyCpu = 0, decodeCpu = 0, splitCpu = 0, totalCpu = 0;
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
bool WatchPasses(const SetupSession& session, DWORD deadline, std::vector<Moment>& moments) {
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
      moments.push_back({now, session.CpuMilliseconds()});
    } else {
      Sleep(1);
    }
  }
  return moments.size() == 4;
}

Figures FiguresOf(const std::vector<Moment>& m) {
  Figures f;
  f.copy = m[1].wall - m[0].wall;
  f.decode = m[2].wall - m[1].wall;
  f.split = m[3].wall - m[2].wall;
  f.total = m[3].wall - m[0].wall;
  f.copyCpu = m[1].cpu - m[0].cpu;
  f.decodeCpu = m[2].cpu - m[1].cpu;
  f.splitCpu = m[3].cpu - m[2].cpu;
  f.totalCpu = m[3].cpu - m[0].cpu;
  return f;
}

void Print(const std::string& what, const Figures& f) {
  std::printf("%s: copy %.0f ms (cpu %.0f), decode %.0f ms (cpu %.0f), split %.0f ms (cpu %.0f); "
              "copy dialog to GROUP %.0f ms (cpu %.0f); peak working set %.1f MB "
              "(%.1f MB with MAIN up)\n",
              what.c_str(), f.copy, f.copyCpu, f.decode, f.decodeCpu, f.split, f.splitCpu, f.total,
              f.totalCpu, f.peakMegabytes, f.startMegabytes);
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
  std::vector<Moment> moments;
  if (!WatchPasses(session, deadline, moments)) {
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
       {&Figures::copy, &Figures::decode, &Figures::split, &Figures::total, &Figures::copyCpu,
        &Figures::decodeCpu, &Figures::splitCpu, &Figures::totalCpu, &Figures::startMegabytes,
        &Figures::peakMegabytes}) {
    std::vector<double> values;
    for (const Figures& run : runs) values.push_back(run.*field);
    median.*field = Median(values);
  }
  return median;
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
  return true;
}

}  // namespace e2e
