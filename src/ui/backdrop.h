// The rules by which the backdrop is painted, apart from the drawing itself:
// the gradient's rows, the title's shadow colour and where each part goes.
#pragma once

#include <cstdint>
#include <vector>

namespace qm::ui {

// COLORREF layout 0x00BBGGRR.
using Colour = uint32_t;

constexpr Colour kWhite = 0x00FFFFFF;
constexpr Colour kBlack = 0x00000000;

// Rows top to bottom - 1 of the screen, filled with one colour.
struct GradientFill {
  int32_t top = 0;
  int32_t bottom = 0;
  Colour colour = 0;
};

struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

// The title and its shadow, 2 pixels right of and 3 below it.
constexpr Point kTitlePosition{22, 25};
constexpr Point kShadowPosition{24, 28};
// The LOGO bitmap's size, fixed by the artwork.
constexpr int32_t kLogoWidth = 204;
constexpr int32_t kLogoHeight = 66;

// The largest of the three channel differences: how many one-unit changes
// take the first colour to the second.
int GradientSteps(Colour from, Colour to);
// Each channel moved one unit towards the target's, or kept when equal.
Colour StepTowards(Colour current, Colour target);
// The fills that paint `height` rows from `top` towards `bottom`: one for the
// whole screen when the colours are equal, else one per row, the colour
// changing every height div steps rows (every row when that is 0 or 1) and
// staying at the target once reached.
std::vector<GradientFill> BackdropGradient(Colour top, Colour bottom, int32_t height);

// round(0.3 red + 0.59 green + 0.11 blue), halves to even.
int TitleLuminance(Colour colour);
// White behind a dark title (luminance below 128), black behind a light one.
Colour ShadowColour(Colour titleColour);

// The logo centred horizontally, its bottom edge 6 pixels above the screen's.
Point LogoPosition(int32_t screenWidth, int32_t screenHeight);
// The notice line in the lower right corner.
Point NoticePosition(int32_t screenWidth, int32_t screenHeight);

}  // namespace qm::ui
