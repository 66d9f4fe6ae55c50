// The gauge's drawing calls on a real window: what lands on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A plain top-level window in light grey, shown and painted, removed afterwards.
class GaugeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_GRAYRECT, 0, 0,
                              200, 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    UpdateWindow(window_);
    os_.PumpMessages();
  }
  void TearDown() override { DestroyWindow(window_); }

  COLORREF Pixel(int x, int y) {
    HDC dc = GetDC(window_);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window_, dc);
    return colour;
  }
  qm::WindowHandle Handle() const { return reinterpret_cast<qm::WindowHandle>(window_); }

  qm::Win32Platform os_;
  HWND window_ = nullptr;
};

TEST_F(GaugeWindow, PaintsTheDonePartRedAndTheRestWhite) {
  qm::GaugeGeometry gauge;
  gauge.left = 10;
  gauge.top = 10;
  gauge.right = 170;
  gauge.bottom = 30;
  gauge.width = 161;
  gauge.textX = 180;  // outside the bar, so that the text covers none of the probed pixels
  gauge.textY = 40;

  os_.OpenGaugeDrawing(Handle());
  os_.PaintGauge(gauge, 90, "50%");
  os_.CloseGaugeDrawing();

  EXPECT_EQ(Pixel(20, 20), kRed);
  EXPECT_EQ(Pixel(89, 29), kRed);
  EXPECT_EQ(Pixel(90, 20), kWhite);
  EXPECT_EQ(Pixel(169, 29), kWhite);
  EXPECT_NE(Pixel(170, 20), kWhite) << "Rectangle stops short of its right edge";
  EXPECT_NE(Pixel(20, 30), kRed) << "and of its bottom edge";
}

}  // namespace
