#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmpack/pe_image.h"
#include "qmpack/tool_error.h"
#include "tools/qmpack/media_fixture.h"

namespace qmpack {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::string RefusalOf(const std::vector<uint8_t>& file) {
  return test::RefusalOf([&] { MeasurePeImage(file); }, "(accepted)");
}

TEST(PeImage, EndsAfterTheLastSectionsRawData) {
  auto pe = MinimalPe();
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, pe.size());
  EXPECT_EQ(MeasurePeImage(pe).TrailingBytes(), 0u);
  pe.insert(pe.end(), {1, 2, 3});
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, kHeadersSize + kSectionSize);
  EXPECT_EQ(MeasurePeImage(pe).TrailingBytes(), 3u);
}

TEST(PeImage, TakesTheFurthestSectionWhateverItsPlaceInTheTable) {
  auto pe = MinimalPe();
  PutU16(pe, kCoffHeader + 2, 2);
  // The second section lies before the first in the file.
  PutU32(pe, kSectionTable + 40 + 16, 0x100);
  PutU32(pe, kSectionTable + 40 + 20, kHeadersSize);
  PutU32(pe, kSectionTable + 16, 0x200);
  PutU32(pe, kSectionTable + 20, 0x600);
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, 0x800u);
}

TEST(PeImage, IgnoresSectionsWithoutRawData) {
  auto pe = MinimalPe();
  PutU16(pe, kCoffHeader + 2, 2);
  PutU32(pe, kSectionTable + 40 + 16, 0);           // .bss: no raw data
  PutU32(pe, kSectionTable + 40 + 20, 0x7FFFFFFF);  // and a meaningless pointer
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, 0x800u);
}

TEST(PeImage, CountsTheHeadersWhenNoSectionReachesFurther) {
  auto pe = MinimalPe();
  PutU16(pe, kCoffHeader + 2, 0);
  pe.resize(0x300);
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, kHeadersSize);
}

TEST(PeImage, CountsAnAttachedCertificateTable) {
  auto pe = MinimalPe();
  pe.resize(0x800 + 0x50, 0xCE);
  const size_t certificateEntry = kOptionalHeader + 96 + 4 * 8;
  PutU32(pe, certificateEntry, 0x800);
  PutU32(pe, certificateEntry + 4, 0x50);
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, 0x850u);
  pe.push_back(7);  // data after the certificate
  EXPECT_EQ(MeasurePeImage(pe).TrailingBytes(), 1u);
}

TEST(PeImage, CountsACoffSymbolTableAndItsStrings) {
  auto pe = MinimalPe();
  pe.resize(0x800 + 2 * 18 + 10, 0);
  PutU32(pe, kCoffHeader + 8, 0x800);  // PointerToSymbolTable
  PutU32(pe, kCoffHeader + 12, 2);     // NumberOfSymbols
  PutU32(pe, 0x800 + 2 * 18, 10);      // the string table's size, its own 4 bytes included
  EXPECT_EQ(MeasurePeImage(pe).imageEnd, pe.size());
}

TEST(PeImage, RefusesWhatIsNoExecutable) {
  EXPECT_THAT(RefusalOf({'M'}), HasSubstr("headers end early"));
  std::vector<uint8_t> text(0x400, 'x');
  EXPECT_THAT(RefusalOf(text), HasSubstr("no MZ header"));
  auto pe = MinimalPe();
  pe[kPeHeader] = 'N';
  EXPECT_THAT(RefusalOf(pe), HasSubstr("no PE header"));
  pe = MinimalPe();
  PutU32(pe, 0x3C, 0xFFFFFF00);
  EXPECT_THAT(RefusalOf(pe), HasSubstr("headers end early"));
  pe = MinimalPe();
  PutU16(pe, kOptionalHeader, 0x107);
  EXPECT_THAT(RefusalOf(pe), HasSubstr("optional header"));
}

TEST(PeImage, RefusesAFileCutShortInsideItsImage) {
  auto pe = MinimalPe();
  pe.resize(0x700);
  EXPECT_THAT(RefusalOf(pe), HasSubstr("cut short"));
}

}  // namespace
}  // namespace qmpack
