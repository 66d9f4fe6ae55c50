#include "qmpack/windows_names.h"

#include <gtest/gtest.h>

namespace qmpack {
namespace {

TEST(WindowsNames, ConvertsUtf8IntoCodePage1252) {
  EXPECT_EQ(Utf8ToCp1252("Caf\xC3\xA9.txt"), std::string("Caf\xE9.txt"));
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), std::string("\x80"));      // euro sign
  EXPECT_EQ(Utf8ToCp1252("\xC5\xB8"), std::string("\x9F"));          // Y with diaeresis
  EXPECT_EQ(Utf8ToCp1252("PLAIN.TXT"), std::string("PLAIN.TXT"));
}

TEST(WindowsNames, RefusesWhatCodePage1252CannotHoldOrWhatIsNotUtf8) {
  for (const std::string name : {
           "\xC5\x81odz.txt",        // L with stroke: not in the code page
           "\xE6\x97\xA5.txt",       // a CJK character
           "\xC2\x81",               // U+0081: a byte the code page leaves undefined
           "\xE9t\xE9.txt",          // Latin-1 bytes, not UTF-8
           "\xC0\xAE",               // an overlong dot
           "\xC3",                   // cut short
       }) {
    EXPECT_FALSE(Utf8ToCp1252(name)) << name;
  }
}

TEST(WindowsNames, EveryDefinedCodePageByteRoundTripsThroughUtf8) {
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) continue;
    const std::string name(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(name)), name) << byte;
  }
}

TEST(WindowsNames, UpperCasesAsWindowsComparesNames) {
  EXPECT_EQ(Cp1252UpperCase("caf\xE9.txt"), "CAF\xC9.TXT");
  // s caron and y diaeresis have capitals; the division sign has none.
  EXPECT_EQ(Cp1252UpperCase("\x9A\xFF\xF7"), "\x8A\x9F\xF7");
}

TEST(WindowsNames, RefusesWhatWindowsCannotCreate) {
  for (const std::string name : {"A*.TXT", "WHAT?.TXT", "SAY\"HI\".TXT", "A<B.TXT", "A>B.TXT", "A|B.TXT",
                                 "TAB\t.TXT", "TRAILING.", "TRAILING ", "README.TXT.",
                                 "CON", "con", "Con.txt", "PRN.DOC", "AUX", "NUL.X.Y", "COM1", "com9.dat",
                                 "LPT1", "lpt9.PRN", "CON .TXT"}) {
    EXPECT_TRUE(WindowsNameProblem(name)) << name;
  }
}

TEST(WindowsNames, AcceptsNamesThatOnlyResembleReservedOnes) {
  for (const std::string name : {"CONSOLE.TXT", "NULL", "COM10", "COM0.DAT", "LPT", "A.CON", ".PROFILE",
                                 "Caf\xE9.txt", "KESTRELN.EXE", "WITH SPACE.TXT"}) {
    EXPECT_FALSE(WindowsNameProblem(name)) << name;
  }
}

}  // namespace
}  // namespace qmpack
