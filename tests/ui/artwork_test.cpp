// The resources other than the dialogs: the LOGO bitmap as the backdrop paints
// it, and the manifest Windows reads before the program starts.
#include <gtest/gtest.h>

#include <string>

#include "ui/resource_file.h"

namespace qm::test {
namespace {

constexpr uint16_t kResourceTypeManifest = 24;

uint32_t LittleEndian(const Bytes& bytes, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(bytes.at(at + i)) << (8 * i);
  return value;
}

TEST(Artwork, LogoIs204By66PixelsOf4BitsUncompressed) {
  const Bytes logo = ReadFileBytes(std::string(QM_RESOURCES_DIR) + "/logo.bmp");
  ASSERT_GE(logo.size(), 54u);
  EXPECT_EQ(logo[0], 'B');
  EXPECT_EQ(logo[1], 'M');
  EXPECT_EQ(LittleEndian(logo, 14, 4), 40u) << "a BITMAPINFOHEADER";
  EXPECT_EQ(LittleEndian(logo, 18, 4), 204u);
  EXPECT_EQ(LittleEndian(logo, 22, 4), 66u);
  EXPECT_EQ(LittleEndian(logo, 28, 2), 4u) << "bits per pixel";
  EXPECT_EQ(LittleEndian(logo, 30, 4), 0u) << "BI_RGB: no compression";
  const uint32_t rowBytes = (204 * 4 + 31) / 32 * 4;
  EXPECT_GE(logo.size(), LittleEndian(logo, 10, 4) + rowBytes * 66);
}

TEST(Artwork, ManifestAsksForAdministratorRightsAndNamesCurrentWindows) {
  const auto manifest = FindResource(ReadFileBytes(QM_SETUP_RES), kResourceTypeManifest, "#1");
  ASSERT_TRUE(manifest);
  const std::string text(manifest->begin(), manifest->end());
  EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(text.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos) << "Vista";
  EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "10 and 11";
  EXPECT_EQ(text.find("dpiAware"), std::string::npos) << "Windows scales the dialogs";
}

}  // namespace
}  // namespace qm::test
