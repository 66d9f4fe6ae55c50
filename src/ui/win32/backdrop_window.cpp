#include "ui/win32/backdrop_window.h"

#include "ui/backdrop.h"

namespace qm::ui {

namespace {

// The Backdrop that CreateWindowExA was given as creation data.
void RememberBackdrop(HWND window, LPARAM createStruct) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createStruct);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

const Backdrop* BackdropOf(HWND window) {
  return reinterpret_cast<const Backdrop*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// One FillRect per fill, each with a brush of its own.
void PaintGradient(HDC dc, const BackdropPicture& picture) {
  for (const GradientFill& fill :
       BackdropGradient(picture.topColour, picture.bottomColour, picture.height)) {
    HBRUSH brush = CreateSolidBrush(fill.colour);
    const RECT rows = {0, fill.top, picture.width, fill.bottom};
    FillRect(dc, &rows, brush);
    DeleteObject(brush);
  }
}

HFONT CreateFaceFont(int height, BOOL italic, const char* face) {
  return CreateFontA(height, 0, 0, 0, 900, italic, FALSE, FALSE, 0, 0, 0, 0, 0, face);
}

void TextAt(HDC dc, Point place, const std::string& text) {
  TextOutA(dc, place.x, place.y, text.c_str(), static_cast<int>(text.size()));
}

void PaintTitle(HDC dc, const BackdropPicture& picture) {
  HFONT font = CreateFaceFont(44, TRUE, "Times New Roman");
  HGDIOBJ previous = SelectObject(dc, font);
  SetTextColor(dc, ShadowColour(picture.titleColour));
  TextAt(dc, kShadowPosition, picture.title);
  SetTextColor(dc, picture.titleColour);
  TextAt(dc, kTitlePosition, picture.title);
  SelectObject(dc, previous);
  DeleteObject(font);
}

// A logo that failed to load is left out rather than painted as whatever an
// empty memory device context holds.
void PaintLogo(HDC dc, HBITMAP logo, const BackdropPicture& picture) {
  if (logo == nullptr) return;
  HDC memory = CreateCompatibleDC(dc);
  SelectObject(memory, logo);
  const Point place = LogoPosition(picture.width, picture.height);
  BitBlt(dc, place.x, place.y, kLogoWidth, kLogoHeight, memory, 0, 0, SRCCOPY);
  DeleteDC(memory);
}

// Still in the title colour, over a transparent background.
void PaintNotice(HDC dc, const BackdropPicture& picture) {
  HFONT font = CreateFaceFont(12, FALSE, "Small");
  HGDIOBJ previous = SelectObject(dc, font);
  TextAt(dc, NoticePosition(picture.width, picture.height), picture.notice);
  SelectObject(dc, previous);
  DeleteObject(font);
}

}  // namespace

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      RememberBackdrop(window, lParam);
      break;
    case WM_DESTROY:
    case WM_CLOSE:
      PostMessageA(window, WM_QUIT, 0, 0);
      break;
    case WM_PAINT:
      if (const Backdrop* backdrop = BackdropOf(window)) PaintBackdrop(window, *backdrop);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PaintBackdrop(HWND window, const Backdrop& backdrop) {
  HDC dc = GetDC(window);
  PaintGradient(dc, backdrop.picture);
  SetBkMode(dc, TRANSPARENT);
  PaintTitle(dc, backdrop.picture);
  PaintLogo(dc, backdrop.logo, backdrop.picture);
  PaintNotice(dc, backdrop.picture);
  ReleaseDC(window, dc);
}

}  // namespace qm::ui
