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

// Milliseconds of each phase of one run; negative when it was not seen.
struct Timeline {
  double copy = -1, decode = -1, split = -1, total = -1;
  double peakMegabytes = 0;
};

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Watches every millisecond from "I Agree" until GROUP appears. A progress
// dialog's line tells the copy from the unpack dialog; the package file's
// disappearance ends the decode (the unpack pass deletes it before the split).
bool WatchPasses(SetupSession& session, DWORD deadline, Timeline& timeline) {
  const std::string package = std::string(kInstallFolder) + "\\Kestrelon._QM";
  HWND lastProgress = nullptr;
  double copyShown = -1, unpackShown = -1, packageGone = -1;
  bool packageSeen = false;
  while (static_cast<LONG>(GetTickCount() - deadline) < 0) {
    const double now = Now();
    if (FileExists(package)) {
      packageSeen = true;
    } else if (packageSeen && packageGone < 0) {
      packageGone = now;
    }
    HWND progress = session.VisibleDialog(kProgressCaption);
    if (progress != nullptr && progress != lastProgress) {
      lastProgress = progress;
      const bool unpacking = MessageBoxText(progress).find("Uncompressing") != std::string::npos;
      (unpacking ? unpackShown : copyShown) = now;
    }
    if (session.VisibleDialog("Program Group") != nullptr) {
      if (copyShown < 0 || unpackShown < 0 || packageGone < 0) return false;
      timeline.copy = unpackShown - copyShown;
      timeline.decode = packageGone - unpackShown;
      timeline.split = now - packageGone;
      timeline.total = now - copyShown;
      return true;
    }
    Sleep(1);
  }
  return false;
}

bool InstallOnce(int run, Timeline& timeline) {
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
  for (const DialogStep& step : before) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  if (!WatchPasses(session, deadline, timeline)) {
    return Fail(session, "the copy dialog, the unpack dialog, the package file's end or GROUP was not seen");
  }
  for (const DialogStep& step : AfterUnpack()) {
    if (!PlayStep(session, step, deadline)) return false;
  }
  const DialogStep success = SuccessQuestion(kNo);
  if (session.WaitForDialog(success.caption, deadline, success.textContains) == nullptr) {
    return Fail(session, "no success question");
  }
  timeline.peakMegabytes = static_cast<double>(session.PeakWorkingSet()) / (1024.0 * 1024.0);
  if (!PlayStep(session, success, deadline)) return false;
  HWND unexpected = nullptr;
  if (!session.WaitForExit(deadline, &unexpected)) return Fail(session, "setup did not end");
  const std::string problem = CheckInstalled(media, true);
  if (!problem.empty()) return Fail(session, problem);
  std::printf("run %d: copy %.1f ms, decode %.1f ms, split %.1f ms; copy dialog to GROUP %.1f ms; "
              "peak working set %.1f MB\n",
              run, timeline.copy, timeline.decode, timeline.split, timeline.total,
              timeline.peakMegabytes);
  return true;
}

double Median(std::vector<Timeline>& runs, double Timeline::*field) {
  std::vector<double> values;
  for (const Timeline& each : runs) values.push_back(each.*field);
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

bool RunInstallBench(int runs) {
  std::vector<Timeline> timelines;
  for (int run = 1; run <= std::max(runs, 1); ++run) {
    Timeline timeline;
    if (!InstallOnce(run, timeline)) return false;
    timelines.push_back(timeline);
  }
  std::printf("median of %d runs: copy %.1f ms, decode %.1f ms, split %.1f ms; "
              "copy dialog to GROUP %.1f ms; peak working set %.1f MB\n",
              static_cast<int>(timelines.size()), Median(timelines, &Timeline::copy),
              Median(timelines, &Timeline::decode), Median(timelines, &Timeline::split),
              Median(timelines, &Timeline::total), Median(timelines, &Timeline::peakMegabytes));
  return true;
}

}  // namespace e2e
