#include "ui/progress_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

constexpr int64_t kBlock = 2048;
constexpr int64_t kExpectedPackageSize = 5382000;

TEST(GaugePercent, CountsWholeBlocksAgainstThePackageSize) {
  EXPECT_EQ(GaugePercent(kBlock, kExpectedPackageSize), 0);
  EXPECT_EQ(GaugePercent(13 * kBlock, kExpectedPackageSize), 0);
  EXPECT_EQ(GaugePercent(14 * kBlock, kExpectedPackageSize), 1);
  EXPECT_EQ(GaugePercent(kExpectedPackageSize, kExpectedPackageSize), 100);
  EXPECT_EQ(GaugePercent(2 * kExpectedPackageSize, kExpectedPackageSize), 200);
}

TEST(GaugePercent, RoundsExactHalvesToTheEvenNeighbour) {
  EXPECT_EQ(GaugePercent(1, 8), 12);  // 12.5
  EXPECT_EQ(GaugePercent(3, 8), 38);  // 37.5
  EXPECT_EQ(GaugePercent(5, 8), 62);  // 62.5
  EXPECT_EQ(GaugePercent(199, 200), 100);  // 99.5
}

TEST(GaugePercent, StaysInRangeForDegenerateTotals) {
  EXPECT_EQ(GaugePercent(100, 0), 0);
  EXPECT_EQ(GaugePercent(100, -5), 0);
  EXPECT_EQ(GaugePercent(std::numeric_limits<int64_t>::max(), 1),
            std::numeric_limits<int32_t>::max());
}

TEST(GaugeGeometry, MeasuresTheBarFromWindowRectanglesWithThinBorderAndCaption) {
  const Rect box{100, 200, 400, 330};
  const Rect frame{125, 260, 375, 282};
  const GaugeGeometry gauge = GaugeGeometryFor(frame, box, GaugeMetrics{1, 1, 18});
  EXPECT_EQ(gauge.left, 24);
  EXPECT_EQ(gauge.top, 41);
  EXPECT_EQ(gauge.right, 270);
  EXPECT_EQ(gauge.bottom, 59);
  EXPECT_EQ(gauge.width, 247);
  EXPECT_EQ(gauge.textX, 137);
  EXPECT_EQ(gauge.textY, 42);

  // Halving truncates towards zero, also for a frame too small for the bar.
  const GaugeGeometry tiny = GaugeGeometryFor(Rect{103, 222, 106, 225}, Rect{100, 200, 200, 300},
                                              GaugeMetrics{0, 0, 20});
  EXPECT_EQ(tiny.right - tiny.left, -1);
  EXPECT_EQ(tiny.textX, tiny.left - 10);
  EXPECT_EQ(tiny.textY, tiny.top - 8);
}

TEST(GaugeBoundary, RunsFromTheLeftEdgeToOnePastTheRightEdge) {
  GaugeGeometry gauge;
  gauge.left = 10;
  gauge.right = 14;
  gauge.width = 5;
  EXPECT_EQ(GaugeBoundary(gauge, 0, 100), 10);   // the red part is empty
  EXPECT_EQ(GaugeBoundary(gauge, 100, 100), 15);  // the red part covers the bar
  EXPECT_EQ(GaugeBoundary(gauge, 1, 2), 12);     // 2.5 pixels
  EXPECT_EQ(GaugeBoundary(gauge, 3, 10), 12);    // 1.5 pixels
  EXPECT_EQ(GaugeBoundary(gauge, 5, 0), 10);
}

TEST(CentredPosition, HalvesScreenAndWindowSeparately) {
  EXPECT_EQ(CentredPosition(Rect{0, 0, 301, 151}, 1024, 768), std::make_pair(362, 309));
  EXPECT_EQ(CentredPosition(Rect{50, 60, 1150, 960}, 1024, 768), std::make_pair(-38, -66));
}

// ---- The dialog around a pass ----

// A pass of `units` units that paints and pumps after each, as the real passes do.
class UnitPass : public ProgressDialog {
 public:
  UnitPass(qm::Setup& setup, int units) : ProgressDialog(setup), units_(units) {}
  int done = 0;

 protected:
  void RunPass(DialogHost&) override {
    SetupState& state = setup_.state;
    for (done = 0; done < units_ && state.keepGoing;) {
      ++done;
      state.gaugePercent = GaugePercent(done, units_);
      if (state.gaugePercent != state.gaugeLastPercent) DrawGauge(setup_, done, units_);
      setup_.os.PumpMessages();
    }
  }

 private:
  int units_;
};

class ProgressFrame : public ::testing::Test {
 protected:
  ProgressFrame() : setup(os) {
    setup.state.screenWidth = 800;
    setup.state.screenHeight = 600;
    setup.state.gaugeLastPercent = -1;
  }
  int Run(int units) {
    pass = std::make_unique<UnitPass>(setup, units);
    os.RunDialog(SetupDialog::kProgress);
    const auto result = os.ShowDialog(SetupDialog::kProgress, kNoWindow, *pass);
    EXPECT_EQ(os.pendingAnswers(), 0u);
    EXPECT_FALSE(os.gaugeDrawingOpen()) << "the gauge is closed at the end of the pass";
    EXPECT_EQ(setup.state.keepGoing, 0) << "the dialog's destruction clears keepGoing";
    return result.value_or(-1);
  }
  void CancelAtPump(int call, int answer) {
    os.AnswerMessage(answer);
    os.OnPump(call, [this] { os.PressInOpenDialog(kIdCancelButton); });
  }

  FakePlatform os;
  qm::Setup setup;
  std::unique_ptr<UnitPass> pass;
};

TEST_F(ProgressFrame, OpensCentredWithItsCaptionAndRunsThePassToItsEnd) {
  os.SetDialogWindowRect(SetupDialog::kProgress, Rect{6, 49, 307, 190}, Rect{0, 0, 295, 122});

  EXPECT_EQ(Run(4), 1);

  const DialogRecord& dialog = os.dialogRecords().at(0);
  EXPECT_EQ(dialog.caption, "Please Stand By...");
  EXPECT_EQ(dialog.focusedItem, kIdCancelButton);
  EXPECT_TRUE(dialog.startPassPosted);
  EXPECT_EQ(dialog.movedTo, std::make_pair(250, 230));
  EXPECT_EQ(pass->done, 4);
  ASSERT_EQ(os.gaugePaintings().size(), 4u);
  EXPECT_EQ(os.gaugePaintings()[0].text, "25%");
  EXPECT_EQ(os.gaugePaintings()[3].text, "100%");
  EXPECT_EQ(setup.state.gaugeLastPercent, 100);
  EXPECT_EQ(os.gaugeOpenings(), 1);
}

TEST_F(ProgressFrame, NoToTheExitQuestionChangesNothing) {
  CancelAtPump(2, kIdNo);

  EXPECT_EQ(Run(5), 1);

  EXPECT_EQ(pass->done, 5);
  ASSERT_EQ(os.messages().size(), 1u);
  const ShownMessage& question = os.messages()[0];
  EXPECT_EQ(question.owner, kNoWindow);
  EXPECT_EQ(question.text, "Do you really want to terminate the Setup program?");
  EXPECT_EQ(question.caption, "Exit Kestrelon!");
  EXPECT_EQ(question.style, kMbYesNo);
}

TEST_F(ProgressFrame, YesEndsThePassAfterTheCurrentUnitWithZero) {
  CancelAtPump(2, kIdYes);

  EXPECT_EQ(Run(5), 0);

  EXPECT_EQ(pass->done, 2);
  EXPECT_EQ(os.gaugePaintings().size(), 2u);
}

}  // namespace
}  // namespace qm
