#include "screen_image.h"

#include <fstream>
#include <iterator>

namespace screenshots {

namespace {

// The next header number, skipping white space and "#" comments.
std::optional<int32_t> HeaderNumber(std::istream& in) {
  for (;;) {
    in >> std::ws;
    if (in.peek() != '#') break;
    std::string comment;
    std::getline(in, comment);
  }
  int32_t value = 0;
  if (!(in >> value) || value <= 0) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ScreenImage> ScreenImage::Load(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  if (!(in >> magic) || magic != "P6") {
    error = path + " is no binary PPM file";
    return std::nullopt;
  }
  const auto width = HeaderNumber(in);
  const auto height = HeaderNumber(in);
  const auto maximum = HeaderNumber(in);
  if (!width || !height || maximum != 255) {
    error = path + " has no 8-bit PPM header";
    return std::nullopt;
  }
  in.get();  // the one white-space byte before the pixels
  ScreenImage image;
  image.width_ = *width;
  image.height_ = *height;
  image.rgb_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (image.rgb_.size() != static_cast<size_t>(*width) * *height * 3) {
    error = path + " holds " + std::to_string(image.rgb_.size()) + " pixel bytes, not " +
            std::to_string(static_cast<size_t>(*width) * *height * 3);
    return std::nullopt;
  }
  return image;
}

uint32_t ScreenImage::Pixel(int32_t x, int32_t y) const {
  const size_t at = (static_cast<size_t>(y) * width_ + x) * 3;
  return rgb_[at] | rgb_[at + 1] << 8 | static_cast<uint32_t>(rgb_[at + 2]) << 16;
}

}  // namespace screenshots
