#include "package/unpack_pass.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "package/crc32.h"
#include "package/package_directory.h"
#include "platform/fake/fake_platform.h"
#include "qmpack/media.h"
#include "setup/setup_sequence.h"
#include "transport/path_helpers.h"

namespace qm {
namespace {

using D = SetupDialog;

constexpr char kDestination[] = "D:\\KESTRELON";  // a drive of its own, for a full disk
constexpr char kHelpFolder[] = "C:\\WINDOWS\\Help";
constexpr char kWinInit[] = "C:\\WINDOWS\\WinInit.Ini";

// Bytes that compress somewhat: words from a small vocabulary, now and then a
// random byte, so that the stream holds both matches and literals.
std::string ProductBytes(size_t size, unsigned seed) {
  static const char* const kWords[] = {"glyph ", "mill ", "kestrel ", "\x90\x90\x90", "MZ"};
  std::mt19937 random(seed);
  std::string bytes;
  while (bytes.size() < size) {
    if (random() % 4 == 0) {
      bytes += static_cast<char>(random() & 0xFF);
    } else {
      bytes += kWords[random() % 5];
    }
  }
  bytes.resize(size);
  return bytes;
}

struct ProductFile {
  std::string name;
  std::string content;
};

class UnpackPass : public ::testing::Test {
 public:  // the damage cases below reach in from outside
  UnpackPass() : setup(os) {
    os.AddDrive('D', kDriveFixed);
    os.AddFolder(kDestination);
    StartUp(setup);
    setup.state.destinationFolder = kDestination;
  }

  // Files held open by a test are released before it ends.
  void TearDown() override { EXPECT_EQ(os.openHandles(), 0u); }

  // Lays the product out as the unpacked stream (the main program, then each
  // file), compresses it into the package file in the destination folder and
  // fills the directory, as the copy pass leaves them.
  void MakePackage(const std::string& mainProgram, const std::vector<ProductFile>& files) {
    std::string stream = mainProgram;
    for (const auto& file : files) {
      AppendNode(file.name, static_cast<int32_t>(stream.size()),
                 static_cast<int32_t>(file.content.size()));
      stream += file.content;
    }
    setup.state.unpackTotal = static_cast<int32_t>(stream.size());
    const std::vector<uint8_t> bytes(stream.begin(), stream.end());
    package = qmpack::CompressBytes(bytes, qmpack::LzhParser::kGreedy);
    os.AddFile(Path(setup.product.packageFileName), std::string(package.begin(), package.end()));
    streamCrc = Crc32Update(0, bytes.data(), bytes.size());
  }

  void AppendNode(const std::string& name, int32_t offset, int32_t size) {
    AppendPackageNode(setup.state, {name, offset, size});
  }

  void CutPackage(size_t size) {
    os.AddFile(Path(setup.product.packageFileName),
               std::string(package.begin(), package.begin() + static_cast<ptrdiff_t>(size)));
  }

  void RecordStream(uint32_t length, uint32_t crc) {
    setup.media.streamLength = length;
    setup.media.streamCrc = crc;
  }

  // Shows PROGRESS as the sequence does, the scripted user doing `actions`;
  // answers its result.
  std::optional<int> ShowProgress(std::vector<UserAction> actions = {}) {
    os.RunDialog(D::kProgress, std::move(actions));
    return ShowSetupDialog(setup, D::kProgress);
  }

  // What this run's WinInit.Ini holds after its lines are committed.
  std::string CommittedWinInit() {
    setup.winInit.Flush();
    return os.FileContent(kWinInit).value_or("<missing>");
  }

  std::string Path(const std::string& name) const {
    return std::string(kDestination) + "\\" + name;
  }
  std::string ShortPath(const std::string& path) { return os.ShortPath(path).value_or(path); }

  FakePlatform os;
  qm::Setup setup;
  std::vector<uint8_t> package;
  uint32_t streamCrc = 0;
  FileHandle held = kInvalidFile;
};

const std::string kMainProgram = ProductBytes(9000, 1);
const std::vector<ProductFile> kFiles = {
    {"Glyph.Dll", ProductBytes(5000, 2)},   {"Manual.hlp", ProductBytes(3000, 3)},
    {"Empty.Txt", ""},                      {"Block.Bin", ProductBytes(2048, 4)},
    {"Fonts.LIB", ProductBytes(700, 5)},    {"Layout.DTP", ProductBytes(300, 6)},
};

TEST_F(UnpackPass, FirstInstallationSplitsThePackageIntoTheProductFiles) {
  os.AddFolder(kHelpFolder);
  MakePackage(kMainProgram, kFiles);
  RecordStream(setup.state.unpackTotal, streamCrc);
  EXPECT_EQ(ShowProgress(), 1);
  EXPECT_EQ(setup.product.mainProgram, "Kestreln.Exe");
  EXPECT_EQ(os.FileContent(Path("Kestreln.Exe")), kMainProgram) << "cut back to the main program";
  for (const auto& file : kFiles) {
    const std::string place =
        file.name == "Manual.hlp" ? std::string(kHelpFolder) + "\\Manual.hlp" : Path(file.name);
    EXPECT_EQ(os.FileContent(place), file.content) << file.name;
  }
  EXPECT_FALSE(os.FileExists(Path("Manual.hlp")));
  EXPECT_FALSE(os.FileExists(Path(setup.product.packageFileName)));
  EXPECT_EQ(setup.state.directoryHead, nullptr);
  EXPECT_EQ(setup.state.directoryTail, nullptr);
  EXPECT_EQ(CommittedWinInit(), "[Rename]\r\n");
  EXPECT_TRUE(os.messages().empty());
}

TEST_F(UnpackPass, MessagesArePumpedOncePerPackageBlock) {
  MakePackage(ProductBytes(120000, 7), {{"Data.Bin", ProductBytes(40000, 8)}});
  ASSERT_GT(package.size(), 10 * kUnpackBlockSize);
  EXPECT_EQ(ShowProgress(), 1);
  const size_t blocks = (package.size() + kUnpackBlockSize - 1) / kUnpackBlockSize;
  EXPECT_GE(os.pumpCalls(), static_cast<int>(blocks));
  EXPECT_LE(os.pumpCalls(), static_cast<int>(blocks) + 1) << "one more at most, for the look-ahead";
  EXPECT_EQ(setup.state.gaugeLastPercent, GaugePercent(160000 / 2048 * 2048, 160000))
      << "the gauge moves with full blocks only";
}

TEST_F(UnpackPass, LaterInstallationKeepsLibAndDtpAndPutsFilesInUseAside) {
  os.AddFile(Path("Kestreln.Exe"), "earlier program");
  os.AddFile(Path("Fonts.LIB"), "the user's fonts");
  os.AddFile(Path("Layout.DTP"), "the user's layout");
  os.AddFile(Path("Glyph.Dll"), "earlier library");
  os.AddFolder(kHelpFolder);
  const FileHandle inUse = os.HoldFile(Path("Glyph.Dll"), kAccessRead, kShareNone);
  MakePackage(kMainProgram, kFiles);
  const std::string earlierProgram = ShortPath(Path("Kestreln.Exe"));
  const std::string earlierLibrary = ShortPath(Path("Glyph.Dll"));
  EXPECT_EQ(ShowProgress(), 1);
  os.ReleaseFile(inUse);

  EXPECT_EQ(setup.product.mainProgram, "Kestreln.$$$");
  EXPECT_EQ(os.FileContent(Path("Kestreln.$$$")), kMainProgram);
  EXPECT_EQ(os.FileContent(Path("Kestreln.Exe")), "earlier program");
  EXPECT_EQ(os.FileContent(Path("Fonts.LIB")), "the user's fonts");
  EXPECT_EQ(os.FileContent(Path("Layout.DTP")), "the user's layout");
  EXPECT_EQ(os.FileContent(Path("Glyph.Dll")), "earlier library");
  EXPECT_EQ(os.FileContent(Path("Glyph.$$$")), kFiles[0].content);
  EXPECT_EQ(CommittedWinInit(), "[Rename]\r\n" + earlierProgram + "=" +
                                    ShortPath(Path("Kestreln.$$$")) + "\r\n" + earlierLibrary +
                                    "=" + ShortPath(Path("Glyph.$$$")) + "\r\n");
}

TEST_F(UnpackPass, HelpFileWithoutAHelpFolderGoesToTheDestinationFolder) {
  MakePackage(kMainProgram, {{"Manual.hlp", "help"}});
  EXPECT_EQ(ShowProgress(), 1);
  EXPECT_EQ(os.FileContent(Path("Manual.hlp")), "help");
  EXPECT_EQ(CommittedWinInit(), "[Rename]\r\n");
}

// Kestreln.Exe, .Reg and .Pal share a stem, and an earlier run left its
// Glyph.$$$ pending: every file waiting for the next start gets a name of
// its own, and the lines come after the earlier one.
TEST_F(UnpackPass, FilesInUseGetTemporaryNamesOfTheirOwn) {
  os.AddFile(Path("Kestreln.Exe"), "earlier program");
  os.AddFile(Path("Kestreln.Reg"), "earlier registration");
  os.AddFile(Path("Glyph.Dll"), "earlier");
  os.AddFile(Path("Glyph.$$$"), "pending");
  const std::string earlierLine = ShortPath(Path("Glyph.Dll")) + "=" + ShortPath(Path("Glyph.$$$"));
  os.AddFile(kWinInit, "[Rename]\r\n" + earlierLine + "\r\n");
  StartUp(setup);
  setup.state.destinationFolder = kDestination;
  MakePackage(kMainProgram,
              {{"Glyph.Dll", "new"}, {"Kestreln.Reg", "reg"}, {"Kestreln.Pal", "pal"}});
  const FileHandle reg = os.HoldFile(Path("Kestreln.Reg"), kAccessRead, kShareRead);
  EXPECT_EQ(ShowProgress(), 1);
  os.ReleaseFile(reg);
  EXPECT_EQ(os.FileContent(Path("Glyph.$$$")), "pending");
  EXPECT_EQ(os.FileContent(Path("Glyph01.$$$")), "new") << "waits: an earlier line replaces it";
  EXPECT_EQ(os.FileContent(Path("Kestreln.$$$")), kMainProgram);
  EXPECT_EQ(os.FileContent(Path("Kestre01.$$$")), "reg");
  EXPECT_EQ(os.FileContent(Path("Kestreln.Pal")), "pal");
  EXPECT_TRUE(setup.state.filesAwaitRestart);
  EXPECT_EQ(CommittedWinInit(),
            "[Rename]\r\n" + earlierLine + "\r\n" + ShortPath(Path("Kestreln.Exe")) + "=" +
                ShortPath(Path("Kestreln.$$$")) + "\r\n" + ShortPath(Path("Glyph.Dll")) + "=" +
                ShortPath(Path("Glyph01.$$$")) + "\r\n" + ShortPath(Path("Kestreln.Reg")) + "=" +
                ShortPath(Path("Kestre01.$$$")) + "\r\n");
}

// Read-only, hidden and system files are replaced like any other; the file
// that replaces them has ordinary attributes.
TEST_F(UnpackPass, ReadOnlyHiddenAndSystemFilesAreReplaced) {
  os.AddFile(Path("Glyph.Dll"), "earlier");
  os.SetAttributes(Path("Glyph.Dll"), kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
  MakePackage(kMainProgram, {{"Glyph.Dll", "new"}});
  EXPECT_EQ(ShowProgress(), 1);
  EXPECT_EQ(os.FileContent(Path("Glyph.Dll")), "new");
  EXPECT_EQ(os.Attributes(Path("Glyph.Dll")), kAttributeArchive);
  EXPECT_FALSE(setup.state.filesAwaitRestart);
  for (const auto& [path, content] : os.FileTree()) {
    EXPECT_NE(UpperCase(ExtensionOf(path)), ".OLD") << path << " was left";
  }
}

TEST_F(UnpackPass, MissingPackageIsReportedAndNothingIsSplit) {
  MakePackage(kMainProgram, kFiles);
  os.Delete(Path(setup.product.packageFileName));
  EXPECT_EQ(ShowProgress(), 0);
  ASSERT_EQ(os.messages().size(), 1u);
  EXPECT_EQ(os.messages()[0].text, "Glyphmill was unable to install its files.");
  EXPECT_EQ(os.messages()[0].caption, "Error");
  EXPECT_EQ(os.messages()[0].owner, kNoWindow);
  EXPECT_EQ(os.messages()[0].style, kMbOk);
  EXPECT_FALSE(os.FileExists(Path("Glyph.Dll")));
  EXPECT_EQ(setup.state.directoryHead, nullptr);
}

struct Damage {
  const char* name;
  std::function<void(UnpackPass&)> apply;
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

class UnpackPassDamage : public UnpackPass, public ::testing::WithParamInterface<Damage> {};

TEST_P(UnpackPassDamage, IsReportedAndNothingIsSplit) {
  MakePackage(kMainProgram, kFiles);
  GetParam().apply(*this);
  EXPECT_EQ(ShowProgress(), 0);
  ASSERT_EQ(os.messages().size(), 1u);
  EXPECT_EQ(os.messages()[0].text, kUnpackFailedText);
  EXPECT_EQ(os.messages()[0].caption, kUnpackFailedCaption);
  EXPECT_FALSE(os.FileExists(Path("Glyph.Dll")));
  EXPECT_FALSE(os.FileExists(Path("Kestreln.Exe")));
  EXPECT_FALSE(os.FileExists(Path(setup.product.packageFileName)));
  EXPECT_EQ(setup.state.directoryHead, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, UnpackPassDamage,
    ::testing::Values(
        Damage{"LastByteCutOff", [](UnpackPass& t) { t.CutPackage(t.package.size() - 1); }},
        Damage{"HalfCutOff", [](UnpackPass& t) { t.CutPackage(t.package.size() / 2); }},
        Damage{"StreamCrcDiffers",
               [](UnpackPass& t) { t.RecordStream(t.setup.state.unpackTotal, t.streamCrc ^ 1); }},
        Damage{"StreamLengthDiffers",
               [](UnpackPass& t) { t.RecordStream(t.setup.state.unpackTotal + 1, t.streamCrc); }},
        Damage{"DirectoryPromisesMoreThanTheStream",
               [](UnpackPass& t) {
                 t.AppendNode("Beyond.Dat", t.setup.state.unpackTotal - 2, 5000);
               }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// Each way the unpack can fail is told with the file and the reason, and
// leaves nothing of this run behind.
TEST_F(UnpackPass, EachFailureNamesTheFileAndTheReason) {
  struct Case {
    const char* name;
    std::function<void(UnpackPass&)> arrange;
    std::string message;
  };
  const std::string package = Path("Kestrelon._QM");
  const std::vector<Case> cases = {
      {"package held open",
       [](UnpackPass& t) {
         t.held = t.os.HoldFile(t.Path("Kestrelon._QM"), kAccessReadWrite, kShareNone);
       },
       "The file " + package + " could not be opened: it is in use by another program."},
      {"folder in the main program's place",
       [](UnpackPass& t) { t.os.AddFolder(t.Path("Kestreln.Exe")); },
       "The file " + Path("Kestreln.Exe") +
           " could not be replaced: a folder of that name is in the way."},
      {"folder in a file's place", [](UnpackPass& t) { t.os.AddFolder(t.Path("Glyph.Dll")); },
       "The file " + Path("Glyph.Dll") +
           " could not be replaced: a folder of that name is in the way."},
      {"disk fills during the decode",
       [](UnpackPass& t) { t.os.SetDriveCapacity('D', t.package.size() + 5000); },
       "The file " + Path("Kestreln.Exe") + " could not be written: the disk is full."},
      {"disk fills during the split",
       [](UnpackPass& t) {
         t.os.SetDriveCapacity('D', t.package.size() + t.setup.state.unpackTotal + 3000);
       },
       " could not be written: the disk is full."},
      {"package unreadable", [](UnpackPass& t) { t.os.FailReads(t.Path("Kestrelon._QM"), 100); },
       "The file " + package + " could not be read: Windows error 23."},
      {"path too long", [](UnpackPass& t) { t.AppendNode(std::string(250, 'x'), 0, 0); },
       "The file " + Path(std::string(250, 'x')) + " could not be created: the path is too long."},
  };
  struct Machine : UnpackPass {
    void TestBody() override {}
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Machine t;
    t.MakePackage(kMainProgram, kFiles);
    c.arrange(t);
    EXPECT_EQ(t.ShowProgress(), 0);
    if (t.held != kInvalidFile) t.os.ReleaseFile(t.held);
    ASSERT_FALSE(t.os.messages().empty());
    EXPECT_NE(t.os.messages()[0].text.find(c.message), std::string::npos)
        << t.os.messages()[0].text;
    EXPECT_EQ(t.os.messages()[0].caption, kUnpackFailedCaption);
    for (const auto& [path, content] : t.os.FileTree()) {
      const bool ours =
          path.find("KESTRELON\\") != std::string::npos && content != "<folder>" && path != package;
      EXPECT_FALSE(ours) << path << " was left";
    }
  }
}

TEST_F(UnpackPass, CancelConfirmedDuringTheDecodeStopsWithinABlock) {
  MakePackage(ProductBytes(60000, 9), kFiles);
  os.OnPump(3, [this] { os.PressInOpenDialog(kIdCancelButton); });
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(ShowProgress(), 0);
  EXPECT_EQ(os.pumpCalls(), 3) << "no block is read after the cancel";
  EXPECT_FALSE(os.FileExists(Path(setup.product.packageFileName)));
  EXPECT_FALSE(os.FileExists(Path("Kestreln.Exe")));
  EXPECT_FALSE(os.FileExists(Path("Kestreln.$$$")));
  EXPECT_FALSE(os.FileExists(Path("Glyph.Dll")));
  EXPECT_EQ(os.messages().size(), 1u) << "the exit question only";
}

TEST_F(UnpackPass, CancelAnsweredNoLetsTheDecodeGoOn) {
  MakePackage(ProductBytes(60000, 9), kFiles);
  os.OnPump(3, [this] { os.PressInOpenDialog(kIdCancelButton); });
  os.AnswerMessage(kIdNo);
  EXPECT_EQ(ShowProgress(), 1);
  EXPECT_EQ(os.FileContent(Path("Glyph.Dll")), kFiles[0].content);
}

// The whole run, abandoned at the unpack: nothing this run leaves behind
// names the temporary main program that its clean-up deletes.
TEST_F(UnpackPass, AbandonedRunLeavesNoRenameOfTheDeletedMainProgram) {
  os.AddFile(Path("Kestreln.Exe"), "earlier program");
  MakePackage(ProductBytes(60000, 9), kFiles);
  os.AnswerDialog(D::kMain, 1, [this] { setup.state.destinationFolder = kDestination; });
  os.AnswerDialog(D::kLicense, 1);
  os.AnswerDialog(D::kIProgress, 1, [this] { setup.state.packageFileCreated = true; });
  os.RunDialog(D::kProgress);
  os.OnPump(2, [this] { os.PressInOpenDialog(kIdCancelButton); });
  os.AnswerMessage(kIdYes);
  EXPECT_EQ(RunSetupProcess(setup), kExitCancelled);
  EXPECT_EQ(os.pendingAnswers(), 0u);
  EXPECT_FALSE(os.FileExists(Path("Kestreln.$$$")));
  EXPECT_EQ(os.FileContent(Path("Kestreln.Exe")), "earlier program");
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\n");
  EXPECT_TRUE(os.scheduledMoves().empty());
}

}  // namespace
}  // namespace qm
