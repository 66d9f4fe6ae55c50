#include "setup/temporary_names.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace qm {
namespace {

TEST(TemporaryNames, AreValid83NamesMadeFromTheFilesStem) {
  EXPECT_EQ(TemporaryName("Kestreln.Exe", 0, ".$$$"), "Kestreln.$$$");
  EXPECT_EQ(TemporaryName("C:\\K\\Kestreln.Reg", 1, ".$$$"), "Kestre01.$$$");
  EXPECT_EQ(TemporaryName("Glyph.Dll", 12, ".OLD"), "Glyph12.OLD");
  EXPECT_EQ(TemporaryName("Product Manual v2.1.txt", 0, ".$$$"), "ProductM.$$$")
      << "spaces and dots are left out, the stem ends at the last dot";
  EXPECT_EQ(TemporaryName("C:\\K.DIR\\NOEXT", 0, ".$$$"), "NOEXT.$$$");
  EXPECT_EQ(TemporaryName("+++.dat", 99, ".$$$"), "QM99.$$$") << "nothing usable in the stem";
}

// Names that exist, whatever they are, and names that a caller holds are
// passed over; any other failure ends the search.
TEST(TemporaryNames, CreateAndMoveAsidePassOverTakenNames) {
  FakePlatform os;
  os.AddFile("C:\\K\\Glyph.$$$", "an earlier pending file");
  os.AddFolder("C:\\K\\Glyph01.$$$");
  os.AddFile("C:\\K\\Glyph.Dll", "earlier");
  const NameInUse reserved = [](const std::string& path) { return path == "C:\\K\\Glyph02.$$$"; };
  const FreeName created = CreateUniqueFile(os, "C:\\K\\Glyph.Dll", ".$$$", kAccessWrite, reserved);
  EXPECT_EQ(created.path, "C:\\K\\Glyph03.$$$");
  ASSERT_NE(created.file, kInvalidFile);
  os.Close(created.file);

  os.AddFile("C:\\K\\Glyph.OLD", "the user's own");
  const FreeName aside = MoveAside(os, "C:\\K\\Glyph.Dll", ".OLD", nullptr);
  EXPECT_EQ(aside.path, "C:\\K\\Glyph01.OLD");
  EXPECT_EQ(os.FileContent("C:\\K\\Glyph01.OLD"), "earlier");
  EXPECT_EQ(os.FileContent("C:\\K\\Glyph.OLD"), "the user's own");

  const FreeName inMissingFolder =
      CreateUniqueFile(os, "C:\\NONE\\A.DLL", ".$$$", kAccessWrite, nullptr);
  EXPECT_TRUE(inMissingFolder.path.empty());
  EXPECT_EQ(inMissingFolder.error, kErrorPathNotFound);
}

}  // namespace
}  // namespace qm
