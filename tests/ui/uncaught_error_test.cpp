// Whatever escapes a dialog ends the run with the "Application Error" report
// and exit code 1, never as a silent crash.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"

namespace qm {
namespace {

using A = UserAction;

// Runs the setup with MAIN's user doing `step`; the one message shown.
ShownMessage ReportOf(std::function<void()> step, int* exitCode) {
  FakePlatform os;
  os.RunDialog(SetupDialog::kMain, {A::Step(std::move(step))});
  *exitCode = RunSetupProcess(os);
  EXPECT_EQ(os.messages().size(), 1u);
  return os.messages().empty() ? ShownMessage{} : os.messages().back();
}

TEST(UncaughtError, OutOfMemoryIsReported) {
  int exitCode = 0;
  const ShownMessage report = ReportOf([] { throw std::bad_alloc(); }, &exitCode);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(report.owner, kNoWindow);
  EXPECT_EQ(report.caption, "Application Error");
  EXPECT_EQ(report.style, kMbOk | kMbIconError | kMbTaskModal);
  EXPECT_EQ(report.text.rfind("Exception std::bad_alloc in module SETUP.EXE at ", 0), 0u)
      << report.text;
  EXPECT_NE(report.text.find(".\r\nOut of memory."), std::string::npos) << report.text;
}

TEST(UncaughtError, AnyOtherErrorIsReportedWithItsMessage) {
  int exitCode = 0;
  ShownMessage report = ReportOf([] { throw std::out_of_range("Index past the end"); }, &exitCode);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(report.text.rfind("Exception std::exception in module SETUP.EXE", 0), 0u);
  EXPECT_NE(report.text.find("\r\nIndex past the end."), std::string::npos);

  report = ReportOf([] { throw 42; }, &exitCode);
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(report.caption, "Application Error");
}

}  // namespace
}  // namespace qm
