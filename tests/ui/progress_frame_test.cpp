#include "ui/progress_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

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

}  // namespace
}  // namespace qm
