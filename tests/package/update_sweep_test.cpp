// Whole updates over an earlier installation, made to fail at every file
// operation in turn and cancelled at every message pump in turn. Whatever
// happens, either the new version is in place (after the next start of
// Windows, for files that wait for it) or the machine is exactly as before:
// every earlier file with its content and attributes, WinInit.Ini and the
// moves scheduled for the next start, with a message that says why.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "package/test_media.h"
#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"
#include "transport/path_helpers.h"
#include "ui/progress_frame.h"

namespace qm {
namespace {

using D = SetupDialog;

constexpr char kDestination[] = "D:\\KESTRELON";
constexpr char kHelp[] = "C:\\WINDOWS\\Help";
constexpr char kWinInit[] = "C:\\WINDOWS\\WinInit.Ini";
constexpr int kVolumes = 3;

using test::PackedFile;
using test::SampleBytes;

// The new version: the main program, then the packed files in stream order.
const std::string kNewMain = SampleBytes(9000, 1);
const std::vector<PackedFile> kNewFiles = {
    {"Glyph.Dll", SampleBytes(5000, 2)},   {"Kestreln.Reg", SampleBytes(300, 3)},
    {"Kestreln.Pal", SampleBytes(200, 4)}, {"Manual.hlp", SampleBytes(3000, 5)},
    {"Fonts.LIB", SampleBytes(700, 6)},    {"Empty.Txt", ""}};

// The media of the new version: setup.exe with the directory at its end,
// the volumes, and what the media block records.
const test::TestMedia& NewMedia() {
  static const test::TestMedia media = test::MakeMedia(kNewMain, kNewFiles, kVolumes);
  return media;
}

std::string InDestination(const std::string& name) { return JoinPath(kDestination, name); }

// A machine with an earlier installation: a read-only library, the user's
// own files, Kestreln.Reg in use, and the main program of an earlier update
// still waiting for the next start of Windows under Kestreln.$$$.
class Machine {
 public:
  Machine() : setup(os) {
    os.AddDrive('A', kDriveRemovable);
    os.AddDrive('D', kDriveFixed);
    os.SetModulePath("A:\\SETUP.EXE");
    os.AddFile("A:\\SETUP.EXE", NewMedia().setupExe);
    for (int volume = 1; volume <= kVolumes; ++volume) {
      os.AddFile("A:\\Kestreln.00" + std::to_string(volume), NewMedia().volumes[volume - 1]);
    }
    os.AddFile(InDestination("Kestreln.Exe"), "the earlier main program");
    os.AddFile(InDestination("Kestreln.$$$"), "the main program of an earlier update");
    os.AddFile(InDestination("Glyph.Dll"), "the earlier library");
    os.SetAttributes(InDestination("Glyph.Dll"), kAttributeReadOnly);
    os.AddFile(InDestination("Kestreln.Reg"), "the earlier registration");
    os.AddFile(InDestination("Fonts.LIB"), "the user's fonts");
    os.AddFile(InDestination("Notes.Txt"), "the user's notes");
    os.AddFile(JoinPath(kHelp, "Manual.hlp"), "the earlier manual");
    const std::string earlier = *os.ShortPath(InDestination("Kestreln.Exe"));
    const std::string pending = *os.ShortPath(InDestination("Kestreln.$$$"));
    os.AddFile(kWinInit, "[Rename]\r\n" + earlier + "=" + pending + "\r\n");
    os.Move(pending, earlier, kMoveDelayUntilReboot | kMoveReplaceExisting);
    registration_ = os.HoldFile(InDestination("Kestreln.Reg"), kAccessRead, kShareRead);
    os.AnswerUnscriptedMessagesWith(kIdNo);
    os.AnswerDialog(D::kMain, 1, [this] {
      setup.state.destinationFolder = kDestination;
      setup.media = NewMedia().record;
      setup.product.diskCount = kVolumes;
    });
    os.AnswerDialog(D::kLicense, 1);
    os.RunDialog(D::kIProgress);
    os.RunDialog(D::kProgress);
    os.AnswerDialog(D::kGroup, 0);
    os.AnswerDialog(D::kReplace, 0);
    treeBefore = os.FileTree();
    movesBefore = os.scheduledMoves();
  }

  void Run() {
    RunSetupProcess(setup);
    os.ReleaseFile(registration_);
  }

  bool Abandoned() const {
    return !os.messages().empty() && os.messages().back().text == setup.product.abortedText;
  }

  // Carries out WinInit.Ini's [Rename] lines as Windows 95 does at its next
  // start; empty when every line named a file that is there.
  std::string Restart() {
    const std::string text = os.FileContent(kWinInit).value_or("");
    std::string problems;
    size_t start = text.find("[Rename]\r\n") + 10;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = text.substr(start, end - start);
      const auto equals = line.find('=');
      const std::string target = line.substr(0, equals), source = line.substr(equals + 1);
      if (!os.FileExists(source)) {
        problems += " [" + line + "]";
        continue;
      }
      os.SetAttributes(source, kAttributeNormal);
      if (target == "NUL") {
        os.Delete(source);
      } else {
        if (os.FileExists(target)) os.SetAttributes(target, kAttributeNormal);
        os.Move(source, target, kMoveReplaceExisting);
      }
    }
    return problems;
  }

  FakePlatform os;
  qm::Setup setup;
  std::map<std::string, std::string> treeBefore;
  std::vector<ScheduledMove> movesBefore;

 private:
  FileHandle registration_;
};

std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
  std::string text;
  for (const auto& [path, content] : before) {
    const auto now = after.find(path);
    if (now == after.end()) {
      text += " lost " + path + ";";
    } else if (now->second != content) {
      text += " changed " + path + ";";
    }
  }
  for (const auto& [path, content] : after) {
    if (!before.count(path)) text += " left " + path + ";";
  }
  return text;
}

bool SameMoves(const std::vector<ScheduledMove>& a, const std::vector<ScheduledMove>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].source != b[i].source || a[i].target != b[i].target || a[i].flags != b[i].flags) {
      return false;
    }
  }
  return true;
}

// An abandoned run: everything as before, and the user was told why.
void ExpectUnchanged(Machine& machine) {
  EXPECT_EQ(Differences(machine.treeBefore, machine.os.FileTree()), "");
  EXPECT_TRUE(SameMoves(machine.movesBefore, machine.os.scheduledMoves()));
  EXPECT_GE(machine.os.messages().size(), 2u) << "a reason before the termination";
}

// A finished run: every move it scheduled names a file that is there, and
// after the next start the new version is in place and nothing of the
// update is left.
void ExpectNewVersion(Machine& machine) {
  FakePlatform& os = machine.os;
  for (const auto& move : os.scheduledMoves()) {
    EXPECT_TRUE(os.FileExists(move.source)) << "a move names the missing " << move.source;
  }
  EXPECT_TRUE(machine.setup.state.filesAwaitRestart);
  EXPECT_EQ(machine.Restart(), "") << "lines naming missing files";
  EXPECT_EQ(os.FileContent(InDestination("Kestreln.Exe")), kNewMain);
  for (const auto& file : kNewFiles) {
    const std::string place =
        file.name == "Manual.hlp" ? JoinPath(kHelp, file.name) : InDestination(file.name);
    const std::string expected = file.name == "Fonts.LIB" ? "the user's fonts" : file.content;
    EXPECT_EQ(os.FileContent(place), expected) << place;
  }
  EXPECT_EQ(os.FileContent(InDestination("Notes.Txt")), "the user's notes");
  for (const auto& [path, content] : os.FileTree()) {
    const std::string extension = UpperCase(ExtensionOf(path));
    EXPECT_TRUE(extension != ".$$$" && extension != ".OLD" && extension != "._QM")
        << path << " was left";
  }
}

void ExpectAllOrNothing(Machine& machine) {
  EXPECT_EQ(machine.os.openHandles(), 0u);
  if (machine.Abandoned()) {
    ExpectUnchanged(machine);
  } else {
    ExpectNewVersion(machine);
  }
}

TEST(UpdateSweep, UpdateWithoutFailuresLandsAfterTheNextStart) {
  Machine machine;
  machine.Run();
  ASSERT_FALSE(machine.Abandoned());
  ExpectNewVersion(machine);
}

TEST(UpdateSweep, FailureAtEveryFileOperationLeavesAllOrNothing) {
  uint64_t operations = 0;
  {
    Machine clean;
    const uint64_t before = clean.os.fileOperations();
    clean.Run();
    operations = clean.os.fileOperations() - before;
  }
  int abandoned = 0, finished = 0;
  for (const uint32_t error : {kErrorDiskFull, kErrorAccessDenied}) {
    for (uint64_t failing = 1; failing <= operations; ++failing) {
      SCOPED_TRACE(testing::Message() << "operation " << failing << ", error " << error);
      Machine machine;
      machine.os.FailFileOperation(failing, error);
      machine.Run();
      ExpectAllOrNothing(machine);
      ++(machine.Abandoned() ? abandoned : finished);
      if (HasFailure()) return;
    }
  }
  std::cout << "[ sweep    ] " << 2 * operations << " runs, each with one of " << operations
            << " file operations failing: " << abandoned << " abandoned, " << finished
            << " finished\n";
}

TEST(UpdateSweep, CancelAtEveryPumpLeavesEverythingAsBefore) {
  int pumps = 0;
  {
    Machine clean;
    clean.Run();
    pumps = clean.os.pumpCalls();
  }
  ASSERT_GE(pumps, 6);
  for (int pump = 1; pump <= pumps; ++pump) {
    SCOPED_TRACE(testing::Message() << "cancel at pump " << pump);
    Machine machine;
    machine.os.OnPump(pump, [&machine] { machine.os.PressInOpenDialog(kIdCancelButton); });
    machine.os.AnswerMessage(kIdYes);
    machine.Run();
    ASSERT_TRUE(machine.Abandoned());
    ExpectUnchanged(machine);
    if (HasFailure()) return;
  }
  std::cout << "[ sweep    ] " << pumps << " runs, each cancelled at another pump\n";
}

}  // namespace
}  // namespace qm
