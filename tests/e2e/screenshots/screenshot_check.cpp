// Checks a screenshot of the setup against what its backdrop must show.
// Usage, each under Wine in the prefix the setup runs in:
//   qm_screenshot_check show SECONDS        the setup's own start-up, then its backdrop alone
//   qm_screenshot_check wait backdrop|main SECONDS
//                                           until the backdrop (and MAIN over it) is on screen
//   qm_screenshot_check check SHOT.ppm [main]
//                                           the screenshot's pixels (and MAIN centred)
// The exit code is 0 when all went as expected, 1 otherwise, 2 for a wrong command line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "screen_image.h"
#include "setup/setup_sequence.h"
#include "ui/backdrop.h"

namespace {

using qm::ui::Colour;
using qm::ui::Point;
using screenshots::ScreenImage;

constexpr char kBackdropClass[] = "QMSetUp";
constexpr char kDialogClass[] = "#32770";

// Prints each check's outcome and remembers whether any failed.
class Report {
 public:
  void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    failed_ = failed_ || !ok;
  }
  bool Failed() const { return failed_; }

 private:
  bool failed_ = false;
};

int Channel(Colour colour, int i) { return colour >> (8 * i) & 0xFF; }

// Every channel between the same channels of the two colours: what smoothed
// text of one colour leaves over the other, and nothing of a third colour.
bool IsMixOf(Colour colour, Colour a, Colour b) {
  for (int i = 0; i < 3; ++i) {
    const int value = Channel(colour, i);
    if (value < std::min(Channel(a, i), Channel(b, i)) ||
        value > std::max(Channel(a, i), Channel(b, i))) {
      return false;
    }
  }
  return true;
}

std::string Hex(Colour colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", colour);
  return text;
}

// ---- The backdrop --------------------------------------------------------------

// The colour of every row as the backdrop paints it.
std::vector<Colour> RowColours(const qm::ProductDescriptor& product, int32_t height) {
  std::vector<Colour> rows(height);
  for (const auto& fill :
       qm::ui::BackdropGradient(product.backdropTopColour, product.backdropBottomColour, height)) {
    for (int32_t row = fill.top; row < fill.bottom; ++row) rows[row] = fill.colour;
  }
  return rows;
}

bool RowsAre(const ScreenImage& shot, int32_t first, int32_t last, Colour colour) {
  for (int32_t y = first; y <= last; ++y) {
    for (int32_t x = 0; x < shot.Width(); ++x) {
      if (shot.Pixel(x, y) != colour) return false;
    }
  }
  return true;
}

void CheckGradient(const ScreenImage& shot, const qm::ProductDescriptor& product,
                   const std::vector<Colour>& rows, Report& report) {
  const int32_t bottom = shot.Height() - 1;
  report.Check(RowsAre(shot, 0, 2, product.backdropTopColour),
               "the top three rows are the top colour " + Hex(product.backdropTopColour));
  report.Check(RowsAre(shot, bottom - 2, bottom, rows[bottom]),
               "the bottom three rows are " + Hex(rows[bottom]));
  // The right edge is clear of the title, the logo, the notice and any dialog.
  const int32_t x = shot.Width() - 4;
  int32_t wrong = 0;
  for (int32_t y = 0; y < shot.Height(); ++y) wrong += shot.Pixel(x, y) != rows[y];
  report.Check(wrong == 0, "the right edge follows the gradient row by row (" +
                               std::to_string(wrong) + " rows differ)");
}

// Fully title-coloured pixels with the shadow's same glyph pixel 2 right and
// 3 below, which only the title itself may cover again.
void CheckTitle(const ScreenImage& shot, const qm::ProductDescriptor& product, Report& report) {
  const Colour title = product.titleColour;
  const Colour shadow = qm::ui::ShadowColour(title);
  int titlePixels = 0;
  int shadowPixels = 0;
  int uncovered = 0;
  const Point from = qm::ui::kTitlePosition;
  const int32_t right = std::min(from.x + 600, shot.Width() - 2);
  for (int32_t y = from.y; y < from.y + 60; ++y) {
    for (int32_t x = from.x; x < right; ++x) {
      if (shot.Pixel(x, y) != title) continue;
      ++titlePixels;
      const Colour below = shot.Pixel(x + 2, y + 3);
      shadowPixels += below == shadow;
      uncovered += !IsMixOf(below, title, shadow);
    }
  }
  report.Check(titlePixels > 500,
               std::to_string(titlePixels) + " pixels of the title colour at the title's place");
  report.Check(shadowPixels > 100 && uncovered == 0,
               std::to_string(shadowPixels) + " shadow pixels 2 right and 3 below them, " +
                   std::to_string(uncovered) + " with the gradient showing there instead");
}

// The LOGO bitmap of this program, which is the setup's own artwork.
std::vector<Colour> LogoPixels() {
  std::vector<Colour> pixels;
  HBITMAP logo = LoadBitmapA(GetModuleHandleA(nullptr), "logo");
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, logo);
  for (int y = 0; y < qm::ui::kLogoHeight; ++y) {
    for (int x = 0; x < qm::ui::kLogoWidth; ++x) pixels.push_back(GetPixel(memory, x, y));
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(logo);
  return pixels;
}

void CheckLogo(const ScreenImage& shot, const std::vector<Colour>& rows, Report& report) {
  const Point place = qm::ui::LogoPosition(shot.Width(), shot.Height());
  const std::vector<Colour> logo = LogoPixels();
  int differences = 0;
  for (int y = 0; y < qm::ui::kLogoHeight; ++y) {
    for (int x = 0; x < qm::ui::kLogoWidth; ++x) {
      differences += shot.Pixel(place.x + x, place.y + y) != logo[y * qm::ui::kLogoWidth + x];
    }
  }
  const bool framed = shot.Pixel(place.x - 1, place.y) == rows[place.y] &&
                      shot.Pixel(place.x + qm::ui::kLogoWidth, place.y) == rows[place.y] &&
                      shot.Pixel(place.x, place.y - 1) == rows[place.y - 1] &&
                      shot.Pixel(place.x, place.y + qm::ui::kLogoHeight) ==
                          rows[place.y + qm::ui::kLogoHeight];
  report.Check(differences == 0 && framed,
               "the logo whole in its box at (" + std::to_string(place.x) + ", " +
                   std::to_string(place.y) + "), 204 x 66, the gradient around it (" +
                   std::to_string(differences) + " pixels differ)");
}

void CheckNotice(const ScreenImage& shot, const qm::ProductDescriptor& product, Report& report) {
  const Point place = qm::ui::NoticePosition(shot.Width(), shot.Height());
  int pixels = 0;
  for (int32_t y = place.y; y < shot.Height(); ++y) {
    for (int32_t x = place.x; x < shot.Width(); ++x) pixels += shot.Pixel(x, y) == product.titleColour;
  }
  report.Check(pixels > 50, std::to_string(pixels) + " pixels of the notice at the lower right");
}

// ---- MAIN over it ----------------------------------------------------------------

HWND VisibleBackdrop() {
  HWND backdrop = FindWindowA(kBackdropClass, nullptr);
  return backdrop != nullptr && IsWindowVisible(backdrop) ? backdrop : nullptr;
}

struct DialogSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK TakeOwnedDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  char name[16];
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != search->owner ||
      GetClassNameA(window, name, sizeof name) == 0 || std::string(name) != kDialogClass) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The visible dialog that the backdrop owns, or null.
HWND DialogOverBackdrop() {
  DialogSearch search = {VisibleBackdrop(), nullptr};
  if (search.owner != nullptr) EnumWindows(TakeOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CheckDialogCentred(const ScreenImage& shot, const std::vector<Colour>& rows,
                        Report& report) {
  HWND dialog = DialogOverBackdrop();
  report.Check(dialog != nullptr, "a dialog is open over the backdrop");
  if (dialog == nullptr) return;
  RECT box;
  GetWindowRect(dialog, &box);
  const int32_t width = box.right - box.left;
  const int32_t height = box.bottom - box.top;
  const bool centred = box.left == shot.Width() / 2 - width / 2 &&
                       box.top == shot.Height() / 2 - height / 2;
  report.Check(centred, "the dialog (" + std::to_string(width) + " x " + std::to_string(height) +
                            " at " + std::to_string(box.left) + ", " + std::to_string(box.top) +
                            ") is centred on the screen");
  // In the picture the dialog covers the backdrop inside its box and nothing outside.
  const int32_t middle = (box.top + box.bottom) / 2;
  const bool shown = shot.Pixel((box.left + box.right) / 2, middle) != rows[middle] &&
                     shot.Pixel(box.left + 2, box.top + 2) != rows[box.top + 2] &&
                     shot.Pixel(box.right - 3, box.bottom - 3) != rows[box.bottom - 3] &&
                     shot.Pixel(box.left - 2, middle) == rows[middle] &&
                     shot.Pixel(box.right + 1, middle) == rows[middle];
  report.Check(shown, "the screenshot shows the dialog in that box over the gradient");
}

// ---- The modes -------------------------------------------------------------------

int Check(const std::string& path, bool withDialog) {
  std::string error;
  const auto shot = ScreenImage::Load(path, error);
  if (!shot) {
    std::printf("FAILED: %s\n", error.c_str());
    return 1;
  }
  const qm::ProductDescriptor product;
  const std::vector<Colour> rows = RowColours(product, shot->Height());
  Report report;
  CheckGradient(*shot, product, rows, report);
  CheckTitle(*shot, product, report);
  CheckLogo(*shot, rows, report);
  CheckNotice(*shot, product, report);
  if (withDialog) CheckDialogCentred(*shot, rows, report);
  return report.Failed() ? 1 : 0;
}

int Wait(bool forDialog, DWORD seconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < seconds * 1000) {
    if (forDialog ? DialogOverBackdrop() != nullptr : VisibleBackdrop() != nullptr) return 0;
    Sleep(50);
  }
  std::printf("FAILED: no %s on screen after %lu seconds\n", forDialog ? "dialog" : "backdrop",
              seconds);
  return 1;
}

// The setup's own start-up, which puts up the backdrop, then its messages
// until it is closed or the time is up.
int Show(DWORD seconds) {
  qm::Win32Platform platform;
  qm::Setup setup(platform);
  qm::StartUp(setup);
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      DispatchMessageA(&message);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= seconds * 1000) return 0;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, seconds * 1000 - elapsed, QS_ALLINPUT);
  }
}

int Usage() {
  std::printf(
      "usage: qm_screenshot_check show SECONDS | wait backdrop|main SECONDS |"
      " check SHOT.ppm [main]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const std::string what = argc > 2 ? argv[2] : "";
  if (mode == "show" && argc == 3) return Show(std::strtoul(argv[2], nullptr, 10));
  if (mode == "wait" && argc == 4 && (what == "backdrop" || what == "main")) {
    return Wait(what == "main", std::strtoul(argv[3], nullptr, 10));
  }
  if (mode == "check" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "main"))) {
    return Check(what, argc == 4);
  }
  return Usage();
}
