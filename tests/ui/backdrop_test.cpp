#include "ui/backdrop.h"

#include <gtest/gtest.h>

namespace qm::ui {
namespace {

constexpr Colour Rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return red | green << 8 | blue << 16;
}
uint32_t Blue(Colour colour) { return colour >> 16 & 0xFF; }

constexpr Colour kBlue = Rgb(0, 0, 255);
constexpr Colour kYellow = Rgb(255, 255, 0);

// One fill per row, each one row high, in order from the top.
void ExpectOneFillPerRow(const std::vector<GradientFill>& fills, int32_t height) {
  ASSERT_EQ(fills.size(), static_cast<size_t>(height));
  for (int32_t row = 0; row < height; ++row) {
    ASSERT_EQ(fills[row].top, row);
    ASSERT_EQ(fills[row].bottom, row + 1);
  }
}

TEST(BackdropGradient, On768RowsBlueFadesEveryThirdRowAndIsBlackFromRow765) {
  const auto fills = BackdropGradient(kBlue, kBlack, 768);
  ExpectOneFillPerRow(fills, 768);
  EXPECT_EQ(fills[0].colour, kBlue);
  EXPECT_EQ(Blue(fills[1].colour), 255u);
  EXPECT_EQ(Blue(fills[2].colour), 255u);
  EXPECT_EQ(Blue(fills[3].colour), 254u);
  EXPECT_EQ(Blue(fills[6].colour), 253u);
  EXPECT_EQ(fills[764].colour, Rgb(0, 0, 1));
  for (int row = 765; row < 768; ++row) EXPECT_EQ(fills[row].colour, kBlack) << row;
}

TEST(BackdropGradient, On480RowsBlueFadesEveryRowAndTheRestIsBlack) {
  const auto fills = BackdropGradient(kBlue, kBlack, 480);
  ExpectOneFillPerRow(fills, 480);
  EXPECT_EQ(Blue(fills[1].colour), 254u);
  EXPECT_EQ(fills[254].colour, Rgb(0, 0, 1));
  for (int row = 255; row < 480; ++row) ASSERT_EQ(fills[row].colour, kBlack) << row;
}

TEST(BackdropGradient, EqualColoursAreOneFillOfTheWholeScreen) {
  const auto fills = BackdropGradient(kYellow, kYellow, 768);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].top, 0);
  EXPECT_EQ(fills[0].bottom, 768);
  EXPECT_EQ(fills[0].colour, kYellow);
}

TEST(BackdropGradient, ScreenLowerThanTheStepsChangesEveryRowAndStopsShortOfTheTarget) {
  const auto fills = BackdropGradient(kBlue, kBlack, 100);  // band 100 div 255 = 0
  ExpectOneFillPerRow(fills, 100);
  for (int row = 0; row < 100; ++row) ASSERT_EQ(Blue(fills[row].colour), 255u - row);
  EXPECT_NE(fills.back().colour, kBlack);
}

TEST(BackdropGradient, ChannelsMoveTogetherEachTowardsItsOwnTarget) {
  EXPECT_EQ(StepTowards(Rgb(10, 200, 50), Rgb(20, 100, 50)), Rgb(11, 199, 50));
  EXPECT_EQ(GradientSteps(Rgb(10, 200, 50), Rgb(20, 100, 50)), 100);
  // Upwards from black: red stops after two changes while blue goes on to 4.
  const auto fills = BackdropGradient(kBlack, Rgb(2, 0, 4), 10);  // band 2
  EXPECT_EQ(fills[1].colour, kBlack);
  EXPECT_EQ(fills[2].colour, Rgb(1, 0, 1));
  EXPECT_EQ(fills[6].colour, Rgb(2, 0, 3));
  EXPECT_EQ(fills[9].colour, Rgb(2, 0, 4));
}

TEST(TitleShadow, LuminanceRoundsHalvesToEven) {
  EXPECT_EQ(TitleLuminance(kYellow), 227);             // 226.95
  EXPECT_EQ(TitleLuminance(Rgb(255, 43, 233)), 128);   // 127.5
  EXPECT_EQ(TitleLuminance(Rgb(255, 40, 240)), 126);   // 126.5
  EXPECT_EQ(TitleLuminance(Rgb(255, 255, 255)), 255);
}

TEST(TitleShadow, BlackFromLuminance127Point5UpWhiteBelow) {
  EXPECT_EQ(ShadowColour(kYellow), kBlack);
  EXPECT_EQ(ShadowColour(Rgb(255, 43, 233)), kBlack);  // 127.5
  EXPECT_EQ(ShadowColour(Rgb(255, 43, 232)), kWhite);  // 127.39
  EXPECT_EQ(ShadowColour(kBlue), kWhite);
}

TEST(BackdropPlaces, LogoAndNoticeFollowTheScreenSize) {
  EXPECT_EQ(LogoPosition(1024, 768).x, 410);
  EXPECT_EQ(LogoPosition(1024, 768).y, 696);
  EXPECT_EQ(LogoPosition(801, 600).x, 298);  // 801 div 2 - 102
  EXPECT_EQ(NoticePosition(640, 480).x, 390);
  EXPECT_EQ(NoticePosition(640, 480).y, 460);
}

}  // namespace
}  // namespace qm::ui
