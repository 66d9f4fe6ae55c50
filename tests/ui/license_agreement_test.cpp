// The agreement's shape: its length, its 16 lines and the order of its blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/license_agreement.h"

namespace qm {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

bool IsUpperCase(const std::string& text) {
  for (char c : text) {
    if (c >= 'a' && c <= 'z') return false;
  }
  return true;
}

TEST(LicenseAgreement, IsOneTextOf4611CharactersIn16Lines) {
  const std::string text = kLicenseAgreement;
  EXPECT_EQ(std::strlen(kLicenseAgreement), 4611u);
  EXPECT_EQ(Lines(text).size(), 16u);
  size_t breaks = 0;
  for (size_t at = text.find_first_of("\r\n"); at != std::string::npos;
       at = text.find_first_of("\r\n", at + 2)) {
    EXPECT_EQ(text.compare(at, 2, "\r\n"), 0) << "every line break is CR LF, at " << at;
    ++breaks;
  }
  EXPECT_EQ(breaks, 15u);
}

TEST(LicenseAgreement, BlocksComeInTheirOrder) {
  const std::vector<std::string> lines = Lines(kLicenseAgreement);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_TRUE(IsUpperCase(lines[0]));
  EXPECT_NE(lines[0].find("READ"), std::string::npos);
  EXPECT_NE(lines[0].find("INSTALL"), std::string::npos);
  EXPECT_EQ(lines[2], std::string(69, '-'));
  EXPECT_NE(lines[3].find("LICENCE AGREEMENT"), std::string::npos);
  EXPECT_NE(lines[5].find("Quillmarsh Ltd."), std::string::npos);
  EXPECT_EQ(lines[7].rfind("1. GRANT OF LICENCE.", 0), 0u);
  EXPECT_EQ(lines[9].rfind("2. RIGHTS IN THE SOFTWARE AND ITS MARKS.", 0), 0u);
  EXPECT_EQ(lines[11].rfind("3. LIMITED WARRANTY.", 0), 0u);
  for (size_t blank : {1, 4, 6, 8, 10, 12, 14}) EXPECT_EQ(lines[blank], "") << blank;
  for (size_t paragraph : {5, 7, 9, 11, 13, 15}) {
    EXPECT_GT(lines[paragraph].size(), 300u) << "paragraphs are long single lines";
  }
}

}  // namespace
}  // namespace qm
