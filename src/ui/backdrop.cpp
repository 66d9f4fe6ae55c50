#include "ui/backdrop.h"

#include "transport/path_helpers.h"

namespace qm::ui {

namespace {

// Channel i of a COLORREF: 0 red, 1 green, 2 blue.
uint8_t Channel(Colour colour, int i) { return static_cast<uint8_t>(colour >> (8 * i)); }

Colour WithChannel(Colour colour, int i, uint8_t value) {
  const Colour mask = 0xFFu << (8 * i);
  return (colour & ~mask) | (static_cast<Colour>(value) << (8 * i));
}

uint8_t Distance(uint8_t a, uint8_t b) {
  return static_cast<uint8_t>(MaxByte(a, b) - MinByte(a, b));
}

}  // namespace

int GradientSteps(Colour from, Colour to) {
  uint8_t steps = 0;
  for (int i = 0; i < 3; ++i) steps = MaxByte(steps, Distance(Channel(from, i), Channel(to, i)));
  return steps;
}

Colour StepTowards(Colour current, Colour target) {
  for (int i = 0; i < 3; ++i) {
    const uint8_t value = Channel(current, i);
    const uint8_t goal = Channel(target, i);
    if (value < goal) current = WithChannel(current, i, static_cast<uint8_t>(value + 1));
    if (value > goal) current = WithChannel(current, i, static_cast<uint8_t>(value - 1));
  }
  return current;
}

std::vector<GradientFill> BackdropGradient(Colour top, Colour bottom, int32_t height) {
  const int steps = GradientSteps(top, bottom);
  if (steps == 0) return {GradientFill{0, height, top}};
  const int32_t band = height / steps;
  std::vector<GradientFill> fills;
  fills.reserve(static_cast<size_t>(height > 0 ? height : 0));
  Colour colour = top;
  int32_t rowsInBand = 0;
  for (int32_t row = 0; row < height; ++row) {
    fills.push_back(GradientFill{row, row + 1, colour});
    if (++rowsInBand >= band) {
      rowsInBand = 0;
      colour = StepTowards(colour, bottom);
    }
  }
  return fills;
}

// Worked in hundredths of a unit with whole numbers, so that a luminance of
// exactly 127.5 stays exact and rounds to the even 128, which a floating-point
// sum of the three products need not do.
int TitleLuminance(Colour colour) {
  const int hundredths = 30 * Channel(colour, 0) + 59 * Channel(colour, 1) + 11 * Channel(colour, 2);
  int whole = hundredths / 100;
  const int rest = hundredths % 100;
  if (rest > 50 || (rest == 50 && whole % 2 == 1)) ++whole;
  return whole;
}

Colour ShadowColour(Colour titleColour) {
  return TitleLuminance(titleColour) < 128 ? kWhite : kBlack;
}

Point LogoPosition(int32_t screenWidth, int32_t screenHeight) {
  return Point{screenWidth / 2 - kLogoWidth / 2, screenHeight - 72};
}

Point NoticePosition(int32_t screenWidth, int32_t screenHeight) {
  return Point{screenWidth - 250, screenHeight - 20};
}

}  // namespace qm::ui
