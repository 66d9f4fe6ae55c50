// A screenshot as ImageMagick's `import -depth 8` writes it in the binary PPM
// format (P6): width, height, then three bytes per pixel, red first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace screenshots {

class ScreenImage {
 public:
  // The picture in the file, or nothing (with the reason in `error`) when it
  // is no 8-bit P6 file.
  static std::optional<ScreenImage> Load(const std::string& path, std::string& error);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The pixel as a COLORREF (0x00BBGGRR), to compare with what was painted.
  uint32_t Pixel(int32_t x, int32_t y) const;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint8_t> rgb_;
};

}  // namespace screenshots
