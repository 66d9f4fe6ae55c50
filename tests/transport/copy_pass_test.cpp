#include "transport/copy_pass.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "package/directory_bytes.h"
#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kSetupPath[] = "A:\\SETUP.EXE";
constexpr char kDestination[] = "C:\\KESTRELON";
constexpr char kPackage[] = "C:\\KESTRELON\\Kestrelon._QM";
constexpr size_t kBlock = 2048;
const std::string kWrongDisk =
    "This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter";

std::string VolumePath(int disk) { return "A:\\Kestreln.00" + std::to_string(disk); }
std::string Prompt(int disk) { return "Please Insert Disk number " + std::to_string(disk); }

// Bytes of one volume: a pattern that differs from disk to disk and from block to block.
std::string VolumeBytes(int disk, size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(disk * 37 + i / kBlock * 11 + i % 251);
  return bytes;
}

uint32_t Crc(const std::string& bytes) { return Crc32Update(0, bytes.data(), bytes.size()); }

// A machine whose drive A: holds one diskette at a time. The scripted user
// changes the diskette while a message box is open.
class Machine : public FakePlatform {
 public:
  int ShowMessage(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t style) override {
    const int answer = FakePlatform::ShowMessage(owner, text, caption, style);
    const auto change = changes.find(messages().size());
    if (change != changes.end()) change->second();
    return answer;
  }

  // Drive A: then holds the setup and one volume file: disk n's, with these bytes.
  void Insert(int disk, const std::string& bytes) {
    for (int n = 1; n <= kMaxDisks; ++n) Delete(VolumePath(n));
    AddFile(VolumePath(disk), bytes);
  }

  std::map<size_t, std::function<void()>> changes;  // by the number of the message (from 1)
};

class CopyPass : public ::testing::Test {
 protected:
  CopyPass() : setup(os) {
    os.AddDrive('A', kDriveRemovable);
    os.SetModulePath(kSetupPath);
    os.AddFile(kSetupPath, SetupFileWithDirectory());
    os.AddFolder(kDestination);
    setup.state.sourceFolder = "A:\\";
    setup.state.destinationFolder = kDestination;
    setup.state.screenWidth = 1024;
    setup.state.screenHeight = 768;
  }

  static std::string SetupFileWithDirectory() {
    std::vector<uint8_t> directory;
    test::Append(directory, test::EntryBytes("Kestreln.Hlp", 100, 50));
    test::Append(directory, test::TrailerBytes(1, 150));
    return std::string(300, 'M') + std::string(directory.begin(), directory.end());
  }

  // Makes the diskettes with volumes of these sizes and sets the disk count.
  // All volume files lie in A: unless `oneAtATime`: then the drive holds disk 1.
  void MakeDisks(const std::vector<size_t>& sizes, bool oneAtATime = false) {
    for (size_t i = 0; i < sizes.size(); ++i) {
      const int disk = static_cast<int>(i) + 1;
      disks[disk] = VolumeBytes(disk, sizes[i]);
      if (!oneAtATime) os.AddFile(VolumePath(disk), disks[disk]);
    }
    if (oneAtATime) os.Insert(1, disks[1]);
    setup.product.diskCount = static_cast<int32_t>(sizes.size());
  }
  // Records each volume's size and CRC-32 in the media record.
  void RecordVolumes() {
    for (const auto& [disk, bytes] : disks) {
      setup.media.volumeSize[disk - 1] = static_cast<uint32_t>(bytes.size());
      setup.media.volumeCrc[disk - 1] = Crc(bytes);
    }
  }
  // While message number n is open, the user puts in disk `disk`'s right
  // diskette, or a foreign one with a volume file of the same name.
  void InsertAtMessage(size_t n, int disk) {
    os.changes[n] = [this, disk] { os.Insert(disk, disks.at(disk)); };
  }
  void InsertForeignAtMessage(size_t n, int disk, const std::string& bytes) {
    os.changes[n] = [this, disk, bytes] { os.Insert(disk, bytes); };
  }
  // Cancel pressed during the given pump, the exit question answered.
  void CancelAtPump(int call, int answer) {
    os.AnswerMessage(answer);
    os.OnPump(call, [this] { os.PressInOpenDialog(kIdCancelButton); });
  }

  int Run() {
    os.RunDialog(SetupDialog::kIProgress);
    const auto result = ShowSetupDialog(setup, SetupDialog::kIProgress);
    EXPECT_EQ(os.pendingAnswers(), 0u) << "the pass ended before every scripted answer was used";
    EXPECT_EQ(os.openHandles(), 0u);
    EXPECT_FALSE(os.gaugeDrawingOpen());
    EXPECT_EQ(setup.state.keepGoing, 0) << "the dialog's destruction clears keepGoing";
    return result.value_or(-1);
  }

  std::string Joined(std::initializer_list<int> numbers) const {
    std::string bytes;
    for (int disk : numbers) bytes += disks.at(disk);
    return bytes;
  }
  std::string Package() const { return os.FileContent(kPackage).value_or("<no package file>"); }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : os.messages()) texts.push_back(message.text);
    return texts;
  }
  WindowHandle DialogWindow() const { return os.dialogRecords().at(0).window; }

  Machine os;
  qm::Setup setup;
  std::map<int, std::string> disks;  // each disk's right volume, by disk number
};

// ---- Disk prompts ----

using CopyPassPrompts = CopyPass;

TEST_F(CopyPassPrompts, AllVolumesAtHandAreJoinedInDiskOrderWithoutAPrompt) {
  MakeDisks({3 * kBlock, 2 * kBlock + 5, kBlock, 700});

  EXPECT_EQ(Run(), 1);

  EXPECT_EQ(Package(), Joined({1, 2, 3, 4}));
  EXPECT_TRUE(os.messages().empty());
  EXPECT_TRUE(setup.state.packageFileCreated);
  EXPECT_EQ(setup.state.unpackTotal, 150) << "the directory is read by the pass";
  const DialogRecord& dialog = os.dialogRecords().at(0);
  EXPECT_EQ(dialog.caption, "Please Stand By...");
  EXPECT_EQ(dialog.focusedItem, kIdCancelButton);
  EXPECT_TRUE(dialog.startPassPosted);
}

TEST_F(CopyPassPrompts, EachLaterDiskIsAskedForInTurnByTheDialog) {
  MakeDisks({kBlock, kBlock, kBlock, 10}, true);
  for (int disk = 2; disk <= 4; ++disk) {
    os.AnswerMessage(kIdOk);
    InsertAtMessage(disk - 1, disk);
  }

  EXPECT_EQ(Run(), 1);

  EXPECT_EQ(Package(), Joined({1, 2, 3, 4}));
  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2), Prompt(3), Prompt(4)));
  for (const ShownMessage& message : os.messages()) {
    EXPECT_EQ(message.owner, DialogWindow());
    EXPECT_EQ(message.caption, "Kestrelon!");
    EXPECT_EQ(message.style, kMbOkCancel);
  }
}

TEST_F(CopyPassPrompts, OkWithoutTheDiskShowsTheWrongDiskMessageAndAsksAgain) {
  MakeDisks({kBlock, 100}, true);
  os.AnswerMessage(kIdOk);
  os.AnswerMessage(kIdOk);
  InsertAtMessage(3, 2);

  EXPECT_EQ(Run(), 1);

  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2), kWrongDisk, Prompt(2)));
  EXPECT_EQ(os.messages()[1].caption, "");
  EXPECT_EQ(os.messages()[1].style, kMbOk);
  EXPECT_EQ(os.messages()[1].owner, DialogWindow());
  EXPECT_EQ(Package(), Joined({1, 2}));
}

TEST_F(CopyPassPrompts, CancelWhileTheRightDiskIsInTheDriveUsesIt) {
  MakeDisks({kBlock, 100}, true);
  os.AnswerMessage(kIdCancel);
  InsertAtMessage(1, 2);

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Package(), Joined({1, 2}));
}

TEST_F(CopyPassPrompts, CancelWithoutTheDiskEndsThePassWithoutAskingFurther) {
  MakeDisks({kBlock, 100, 100}, true);
  os.AnswerMessage(kIdCancel);

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2)));
  EXPECT_EQ(Package(), Joined({1}));
}

TEST_F(CopyPassPrompts, ADiskCountAboveFourBehavesAsFour) {
  MakeDisks({100, 200, 300, 400});
  os.AddFile("A:\\Kestreln.005", "a fifth volume");
  setup.product.diskCount = 9;

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Package(), Joined({1, 2, 3, 4}));
}

TEST_F(CopyPassPrompts, ADiskCountOfOneNeverAsksAndTheGaugeEndsLow) {
  setup.media.expectedPackageSize = 10 * kBlock;
  MakeDisks({3 * kBlock, kBlock}, true);
  setup.product.diskCount = 1;

  EXPECT_EQ(Run(), 1);

  EXPECT_EQ(Package(), Joined({1}));
  EXPECT_TRUE(os.messages().empty());
  EXPECT_EQ(os.gaugePaintings().back().text, "30%");
}

TEST(VolumeName, EachLaterNameReplacesTheExtensionOfTheOneBefore) {
  EXPECT_EQ(VolumeName("Kestreln.001", 1), "Kestreln.001");
  EXPECT_EQ(VolumeName("Kestreln.001", 4), "Kestreln.004");
  EXPECT_EQ(VolumeName("DATA", 2), "DATA.002");
  EXPECT_EQ(VolumeName("DATA.X.Y", 3), "DATA.X.003");
}

// ---- The gauge ----

using CopyPassGauge = CopyPass;

TEST_F(CopyPassGauge, PaintsEachWholePercentOnceFromTheFirstBlockOn) {
  setup.media.expectedPackageSize = 200 * kBlock;
  MakeDisks({80 * kBlock, 80 * kBlock, 40 * kBlock});
  setup.state.gaugeLastPercent = 0;  // as an earlier pass may leave it

  EXPECT_EQ(Run(), 1);

  const auto& paintings = os.gaugePaintings();
  ASSERT_EQ(paintings.size(), 101u);
  for (int percent = 0; percent <= 100; ++percent) {
    EXPECT_EQ(paintings[percent].text, std::to_string(percent) + "%");
    EXPECT_EQ(paintings[percent].dialog, DialogWindow());
  }
  const GaugeGeometry& gauge = paintings[0].gauge;
  EXPECT_EQ(paintings[0].boundary, GaugeBoundary(gauge, kBlock, 200 * kBlock));
  // 100% is reached with the 199th block, at 99.5%.
  EXPECT_EQ(paintings[100].boundary, GaugeBoundary(gauge, 199 * kBlock, 200 * kBlock));
  EXPECT_EQ(os.gaugeOpenings(), 1);
}

TEST_F(CopyPassGauge, IsMeasuredInsideTheFrameAndTheDialogIsCentred) {
  os.SetDialogWindowRect(SetupDialog::kIProgress, Rect{10, 20, 311, 170}, Rect{0, 0, 295, 125});
  os.SetItemWindowRect(SetupDialog::kIProgress, kGaugeFrameId, Rect{35, 85, 281, 105});
  os.SetSystemMetric(SystemMetricId::kCyCaption, 19);
  setup.media.expectedPackageSize = 10;
  MakeDisks({10});

  EXPECT_EQ(Run(), 1);

  ASSERT_EQ(os.gaugePaintings().size(), 1u);
  const GaugeGeometry& gauge = os.gaugePaintings()[0].gauge;
  EXPECT_EQ(gauge.left, 24);
  EXPECT_EQ(gauge.top, 45);
  EXPECT_EQ(gauge.right, 266);
  EXPECT_EQ(gauge.bottom, 61);
  EXPECT_EQ(os.dialogRecords()[0].movedTo, std::make_pair(362, 309));
}

TEST_F(CopyPassGauge, NeverPaintsAboveOneHundred) {
  setup.media.expectedPackageSize = 10 * kBlock;
  MakeDisks({9 * kBlock, 6 * kBlock});

  EXPECT_EQ(Run(), 1);

  ASSERT_EQ(os.gaugePaintings().size(), 10u);
  EXPECT_EQ(os.gaugePaintings().back().text, "100%");
}

// ---- Cancel ----

using CopyPassCancel = CopyPass;

TEST_F(CopyPassCancel, YesBetweenTwoBlocksOfDiskTwoStopsAfterTheBlockWritten) {
  MakeDisks({3 * kBlock, 4 * kBlock, kBlock, kBlock}, true);
  os.AnswerMessage(kIdOk);
  InsertAtMessage(1, 2);
  CancelAtPump(5, kIdYes);  // while the second block of disk 2 is pumped

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(Package(), Joined({1}) + disks[2].substr(0, 2 * kBlock));
  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2), setup.product.confirmExitText));
  EXPECT_EQ(os.pumpCalls(), 5);
}

// ---- Failures ----

using CopyPassFailures = CopyPass;

TEST_F(CopyPassFailures, AMissingFirstVolumeIsNamedAndNothingIsCreated) {
  MakeDisks({100, 100});
  os.Delete(VolumePath(1));

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre("The file A:\\Kestreln.001 could not be opened."));
  EXPECT_EQ(os.messages()[0].caption, "Kestrelon!");
  EXPECT_EQ(os.messages()[0].owner, DialogWindow());
  EXPECT_FALSE(os.FileExists(kPackage));
  EXPECT_FALSE(setup.state.packageFileCreated);
}

TEST_F(CopyPassFailures, AFailingReadEndsThePassWithWhatWasReadBeforeIt) {
  MakeDisks({2 * kBlock, 5 * kBlock, kBlock});
  os.FailReads(VolumePath(2), 3 * kBlock + 100);

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre("The file A:\\Kestreln.002 could not be read."));
  EXPECT_EQ(Package(), Joined({1}) + disks[2].substr(0, 3 * kBlock + 100));
  EXPECT_EQ(os.pumpCalls(), 6) << "the failing block is not tried again";
}

TEST_F(CopyPassFailures, AShortWriteOnAFullDestinationIsReported) {
  MakeDisks({4 * kBlock, 4 * kBlock});
  os.SetDriveCapacity('C', 5 * kBlock + 10);
  os.HideFreeSpace('C');  // the check before the copy can't tell: the disk fills anyway

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre("There is not enough room on the destination disk for " +
                                          std::string(kPackage) + "."));
  EXPECT_EQ(Package(), Joined({1, 2}).substr(0, 5 * kBlock + 10));
}

TEST_F(CopyPassFailures, AWriteThatFailsOutrightIsReportedOnce) {
  MakeDisks({4 * kBlock});
  os.SetDriveCapacity('C', 2 * kBlock);  // the third block finds no room at all
  os.HideFreeSpace('C');

  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(os.messages().size(), 1u);
  EXPECT_THAT(os.messages()[0].text, HasSubstr("not enough room"));
  EXPECT_EQ(Package(), Joined({1}).substr(0, 2 * kBlock));
}

TEST_F(CopyPassFailures, ARefusedDirectoryStopsBeforeAnyVolumeIsOpened) {
  os.AddFile(kSetupPath, "MZ");
  MakeDisks({100});
  // Were the volume opened first, this would give a different message.
  const FileHandle held = os.HoldFile(VolumePath(1), kAccessReadWrite, kShareNone);

  os.RunDialog(SetupDialog::kIProgress);
  EXPECT_EQ(ShowSetupDialog(setup, SetupDialog::kIProgress), 0);
  os.ReleaseFile(held);

  ASSERT_EQ(os.messages().size(), 1u);
  EXPECT_THAT(os.messages()[0].text, HasSubstr("too short to hold a package directory"));
  EXPECT_FALSE(os.FileExists(kPackage));
  EXPECT_EQ(os.openHandles(), 0u);
}

TEST_F(CopyPassFailures, APackageFileThatCannotBeCreatedIsNamed) {
  MakeDisks({100});
  setup.state.destinationFolder = "C:\\MISSING";

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre("The file C:\\MISSING\\Kestrelon._QM could not be created."));
}

// ---- Recorded volume sizes and CRC-32s ----

using CopyPassIntegrity = CopyPass;

TEST_F(CopyPassIntegrity, AForeignLaterVolumeIsTheWrongDiskAndNothingOfItIsKept) {
  MakeDisks({kBlock, 3 * kBlock, 100}, true);
  RecordVolumes();
  os.AnswerMessage(kIdOk);
  InsertForeignAtMessage(1, 2, VolumeBytes(9, 3 * kBlock));  // same size, other bytes
  os.AnswerMessage(kIdOk);
  InsertAtMessage(3, 2);
  os.AnswerMessage(kIdOk);
  InsertAtMessage(4, 3);

  EXPECT_EQ(Run(), 1);

  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2), kWrongDisk, Prompt(2), Prompt(3)));
  EXPECT_EQ(os.messages()[1].caption, "");
  EXPECT_EQ(Package(), Joined({1, 2, 3}));
}

TEST_F(CopyPassIntegrity, AVolumeLongerThanRecordedIsRejectedAtItsFirstExtraBlock) {
  MakeDisks({kBlock, 3 * kBlock}, true);
  RecordVolumes();
  os.AnswerMessage(kIdOk);
  InsertForeignAtMessage(1, 2, VolumeBytes(9, 50 * kBlock));
  os.AnswerMessage(kIdOk);
  InsertAtMessage(3, 2);

  EXPECT_EQ(Run(), 1);

  EXPECT_EQ(Package(), Joined({1, 2}));
  EXPECT_EQ(os.pumpCalls(), 1 + 3 + 3);
}

TEST_F(CopyPassIntegrity, CancelAtThePromptAfterAForeignVolumeGivesUp) {
  MakeDisks({kBlock, 100}, true);
  RecordVolumes();
  os.AnswerMessage(kIdOk);
  InsertForeignAtMessage(1, 2, "another product's disk");
  os.AnswerMessage(kIdCancel);

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(), ElementsAre(Prompt(2), kWrongDisk, Prompt(2)));
  EXPECT_EQ(Package(), Joined({1}));
}

TEST_F(CopyPassIntegrity, AForeignFirstVolumeEndsThePassWithAnEmptyPackageFile) {
  MakeDisks({2 * kBlock, 100});
  RecordVolumes();
  os.AddFile(VolumePath(1), VolumeBytes(7, 2 * kBlock));

  EXPECT_EQ(Run(), 0);

  EXPECT_THAT(MessageTexts(),
              ElementsAre("The file A:\\Kestreln.001 does not belong to this setup program or is "
                          "damaged."));
  EXPECT_EQ(Package(), "");
  EXPECT_TRUE(setup.state.packageFileCreated);
}

}  // namespace
}  // namespace qm
