// The backdrop as Windows paints it: a real window over the whole screen,
// read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "ui/backdrop.h"

namespace qm::ui {
namespace {

constexpr Colour kBlue = 0x00FF0000;
constexpr Colour kYellow = 0x0000FFFF;

class BackdropWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    picture_.width = GetSystemMetrics(SM_CXSCREEN);
    picture_.height = GetSystemMetrics(SM_CYSCREEN);
    picture_.topColour = kBlue;
    picture_.bottomColour = kBlack;
    picture_.titleColour = kYellow;
    picture_.title = "Kestrelon! Installation";
    picture_.notice = "copyright \xA9 Quillmarsh Ltd. 1995, 1997";
    window_ = reinterpret_cast<HWND>(platform_.CreateBackdropWindow(picture_));
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(platform_.LoadLogo());
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    dc_ = GetDC(window_);
  }
  void TearDown() override {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
    if (IsWindow(window_)) DestroyWindow(window_);
    EmptyQueue();  // nothing is left for the next test
  }

  // Takes every message out of the thread's queue; the number of WM_QUITs among them.
  static int EmptyQueue() {
    MSG message;
    int quits = 0;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) quits += message.message == WM_QUIT;
    return quits;
  }

  Colour Pixel(int x, int y) const { return GetPixel(dc_, x, y); }
  // Red and green alike and no blue: yellow laid over black at some strength.
  static bool IsYellowOverBlack(Colour colour) {
    return (colour & 0xFF) == (colour >> 8 & 0xFF) && (colour >> 16) == 0;
  }
  static bool IsDark(Colour colour) {
    return (colour & 0xFF) < 64 && (colour >> 8 & 0xFF) < 64 && (colour >> 16 & 0xFF) < 64;
  }

  Win32Platform platform_;
  BackdropPicture picture_;
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

TEST_F(BackdropWindow, EveryRowHasItsGradientColourBesideTheLogo) {
  const auto fills = BackdropGradient(kBlue, kBlack, picture_.height);
  const int x = LogoPosition(picture_.width, picture_.height).x + kLogoWidth + 20;
  for (const GradientFill& fill : fills) ASSERT_EQ(Pixel(x, fill.top), fill.colour) << fill.top;
  EXPECT_EQ(Pixel(0, 0), kBlue);
  EXPECT_EQ(Pixel(picture_.width - 1, 0), kBlue);
  EXPECT_EQ(Pixel(0, picture_.height - 1), kBlack);
}

// Where the title is fully yellow, the shadow's same glyph pixel lies 2 right
// and 3 below: black, or covered again by the title, whose smoothed edges mix
// yellow into the black. Either way no blue of the gradient shows there.
TEST_F(BackdropWindow, TitleIsYellowWithABlackShadowTwoRightThreeBelow) {
  int yellow = 0;
  int black = 0;
  for (int y = kTitlePosition.y; y < kTitlePosition.y + 60; ++y) {
    for (int x = kTitlePosition.x; x < kTitlePosition.x + 600; ++x) {
      if (Pixel(x, y) != kYellow) continue;
      ++yellow;
      const Colour below = Pixel(x + 2, y + 3);
      black += below == kBlack;
      ASSERT_TRUE(IsYellowOverBlack(below))
          << "at " << x + 2 << "," << y + 3 << ": " << std::hex << below;
    }
  }
  EXPECT_GT(yellow, 500);
  EXPECT_GT(black, 100);
}

TEST_F(BackdropWindow, LogoIsCopiedWholeAtTheBottomCentre) {
  HBITMAP logo = LoadBitmapA(GetModuleHandleA(nullptr), "logo");
  HDC memory = CreateCompatibleDC(dc_);
  HGDIOBJ previous = SelectObject(memory, logo);
  const Point place = LogoPosition(picture_.width, picture_.height);
  int differences = 0;
  for (int y = 0; y < kLogoHeight; ++y) {
    for (int x = 0; x < kLogoWidth; ++x) {
      differences += Pixel(place.x + x, place.y + y) != GetPixel(memory, x, y);
    }
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(logo);
  EXPECT_EQ(differences, 0);
  // Just outside the box the gradient shows again.
  EXPECT_TRUE(IsDark(Pixel(place.x - 1, place.y)));
  EXPECT_TRUE(IsDark(Pixel(place.x, place.y + kLogoHeight)));
}

TEST_F(BackdropWindow, NoticeIsPaintedInTheTitleColourAtTheLowerRight) {
  const Point place = NoticePosition(picture_.width, picture_.height);
  int yellow = 0;
  for (int y = place.y; y < picture_.height; ++y) {
    for (int x = place.x; x < picture_.width; ++x) yellow += Pixel(x, y) == kYellow;
  }
  EXPECT_GT(yellow, 50);
}

// The message loop ends on WM_QUIT, so both ways of ending the backdrop leave one queued.
TEST_F(BackdropWindow, DestroyingPostsAQuit) {
  DestroyWindow(window_);
  EXPECT_EQ(EmptyQueue(), 1);
}

TEST_F(BackdropWindow, ClosingPostsAQuitAndDestroysTheWindow) {
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_GE(EmptyQueue(), 1);
}

}  // namespace
}  // namespace qm::ui
