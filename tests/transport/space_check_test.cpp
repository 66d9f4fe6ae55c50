#include "transport/space_check.h"

#include <gtest/gtest.h>

#include "package/package_directory.h"
#include "platform/fake/fake_platform.h"
#include "setup/failure_text.h"

namespace qm {
namespace {

constexpr uint64_t kKilo = 1024;

TEST(SpaceArithmetic, PackageSizeComesFromTheVolumesOnlyWhenEveryOneIsRecorded) {
  MediaRecord media;
  media.expectedPackageSize = 5382000;
  media.volumeSize[0] = 1457664;
  media.volumeSize[1] = 1000;
  EXPECT_EQ(PackageSize(media, 2), 1458664u);
  EXPECT_EQ(PackageSize(media, 3), 5382000u) << "volume 3 is not recorded";
  EXPECT_EQ(PackageSize(media, 9), 5382000u) << "a count above four counts as four";
  media.expectedPackageSize = -1;
  EXPECT_EQ(PackageSize(media, 3), 0u);
}

TEST(SpaceArithmetic, FilesTakeWholeClusters) {
  EXPECT_EQ(InClusters(0, 4096), 0u);
  EXPECT_EQ(InClusters(1, 4096), 4096u);
  EXPECT_EQ(InClusters(4096, 4096), 4096u);
  EXPECT_EQ(InClusters(5000000000ull, 32768), 5000003584ull) << "files over 4 GB";
  EXPECT_EQ(InClusters(10, 0), 10u) << "an unknown cluster size counts bytes";
}

// A product of a 30,000-byte main program and files on two drives: the
// destination D: and, for the help file, the Windows folder's drive C:.
class SpaceCheck : public ::testing::Test {
 protected:
  SpaceCheck() : setup(os) {
    os.AddDrive('D', kDriveFixed);
    os.AddFolder("D:\\KESTRELON");
    os.AddFolder("C:\\WINDOWS\\Help");
    setup.state.destinationFolder = "D:\\KESTRELON";
    setup.state.windowsFolder = "C:\\WINDOWS";
    Add("Glyph.Dll", 30000, 20000);
    Add("Manual.Hlp", 50000, 10000);
    Add("Fonts.LIB", 60000, 8192);
    setup.state.unpackTotal = 68192;
    setup.product.diskCount = 1;
    setup.media.volumeSize[0] = 40000;
    setup.media.volumeCrc[0] = 1;
  }

  void Add(const std::string& name, int32_t offset, int32_t size) {
    AppendPackageNode(setup.state, {name, offset, size});
  }

  FakePlatform os;
  qm::Setup setup;
};

// With 4,096-byte clusters the destination needs, at the decode, the package
// (40,960) and the joined file (69,632); at the split, the joined file and
// the staged Glyph.Dll and Fonts.LIB (20,480 + 8,192): 110,592 at the peak.
// The Windows drive needs the help file (12,288) and room for WinInit.Ini.
TEST_F(SpaceCheck, EachDriveIsMeasuredAtItsPeakInWholeClusters) {
  os.SetDriveCapacity('D', 110592, 4096);
  os.SetDriveCapacity('C', 12288 + kWinInitRoom, 4096);
  EXPECT_EQ(CheckFreeSpace(setup), std::nullopt);

  os.SetDriveCapacity('D', 110591, 4096);
  EXPECT_EQ(CheckFreeSpace(setup),
            "There is not enough free space on drive D: for Kestrelon!.\r\n\r\n"
            "The installation needs 108 KB there, and 108 KB is free. Please free at least 1 KB "
            "on drive D:, then start the setup again.");

  os.SetDriveCapacity('D', 110592, 4096);
  os.SetDriveCapacity('C', 12287 + kWinInitRoom, 4096);
  EXPECT_NE(CheckFreeSpace(setup).value_or("").find("drive C:"), std::string::npos);
}

// A package that compresses badly makes the decode the peak; an earlier
// .LIB file is kept, so it needs no room; the drives may be the same.
TEST_F(SpaceCheck, DecodePeakKeptFilesAndOneDriveForAll) {
  setup.media.volumeSize[0] = 200000;  // 200,704 in clusters
  const std::string fonts = "the user's fonts";
  os.AddFile("D:\\KESTRELON\\Fonts.LIB", fonts);
  os.SetDriveCapacity('D', 200704 + 69632 + fonts.size(), 4096);
  EXPECT_EQ(CheckFreeSpace(setup), std::nullopt);
  os.SetDriveCapacity('D', 200704 + 69631 + fonts.size(), 4096);
  EXPECT_NE(CheckFreeSpace(setup), std::nullopt);

  qm::Setup oneDrive(os);
  oneDrive.state.destinationFolder = "C:\\KESTRELON";
  oneDrive.state.windowsFolder = "C:\\WINDOWS";
  oneDrive.state.unpackTotal = 1000000;
  oneDrive.media.expectedPackageSize = 400000;  // no volume recorded
  os.AddFolder("C:\\KESTRELON");
  os.SetDriveCapacity('C', 400000 + 1000000 + kWinInitRoom, 1);
  EXPECT_EQ(CheckFreeSpace(oneDrive), std::nullopt);
  os.SetDriveCapacity('C', 400000 + 1000000 + kWinInitRoom - 1, 1);
  EXPECT_NE(CheckFreeSpace(oneDrive), std::nullopt);
}

TEST_F(SpaceCheck, DrivesThatCannotTellAndLargeDrivesPass) {
  os.SetDriveCapacity('D', 1000, 4096);
  os.HideFreeSpace('D');
  EXPECT_EQ(CheckFreeSpace(setup), std::nullopt);
  os.SetDriveCapacity('C', 6 * kKilo * kKilo * kKilo, 32768);
  os.SetDriveCapacity('D', 5 * kKilo * kKilo * kKilo, 32768);
  EXPECT_EQ(CheckFreeSpace(setup), std::nullopt);
}

TEST(SpaceText, SizesAreShownInKilobytesAndThenMegabytes) {
  EXPECT_EQ(SizeText(0), "0 KB");
  EXPECT_EQ(SizeText(1), "1 KB");
  EXPECT_EQ(SizeText(10 * kKilo * kKilo - 1), "10240 KB");
  EXPECT_EQ(SizeText(10 * kKilo * kKilo), "10.0 MB");
  EXPECT_EQ(SizeText(12 * kKilo * kKilo + 1), "12.1 MB");
  EXPECT_EQ(SizeText(5000 * kKilo * kKilo * kKilo), "5120000.0 MB");
}

}  // namespace
}  // namespace qm
