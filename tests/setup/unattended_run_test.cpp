// Whole runs started with a command line, on the in-memory platform: silent
// runs to each of their ends, the log a run writes, a log that can't be
// written, and what the switches do to a run on the screen.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "package/test_media.h"
#include "platform/fake/fake_platform.h"
#include "setup/setup_sequence.h"
#include "transport/path_helpers.h"

namespace qm {
namespace {

using D = SetupDialog;
using A = UserAction;
using test::PackedFile;
using test::SampleBytes;

constexpr char kFolder[] = "C:\\SILENT FOLDER";
constexpr char kSilentRun[] = "/S /D=C:\\Silent Folder";
constexpr char kLog[] = "C:\\install.log";
constexpr char kWinInit[] = "C:\\WINDOWS\\WinInit.Ini";
constexpr char kPrograms[] = "C:\\WINDOWS\\Start Menu\\Programs";
constexpr char kWinlogon[] = "Software\\microsoft\\windows nt\\currentversion\\Winlogon";

const std::string kMainProgram = SampleBytes(9000, 11);
const std::vector<PackedFile> kFiles = {{"Glyph.Dll", SampleBytes(5000, 12)},
                                        {"CTRLKN.SYS", SampleBytes(400, 13)},
                                        {"TaskMan.Exe", SampleBytes(600, 14)},
                                        {"Kestreln.Reg", SampleBytes(100, 15)}};

// Four volumes, as the media block of an unpatched setup expects them (it
// records nothing to check them by).
const test::TestMedia& Media() {
  static const test::TestMedia media = test::MakeMedia(kMainProgram, kFiles, 4);
  return media;
}

std::string Volume(int volume) { return "A:\\Kestreln.00" + std::to_string(volume); }
std::string Installed(const std::string& name) { return JoinPath(kFolder, name); }

// Windows NT with the setup and its four volumes on drive A: and the given
// command line.
class Machine : public FakePlatform {
 public:
  explicit Machine(const std::string& commandLine) {
    AddDrive('A', kDriveRemovable);
    SetModulePath("A:\\SETUP.EXE");
    AddFile("A:\\SETUP.EXE", Media().setupExe);
    for (int volume = 1; volume <= 4; ++volume)
      AddFile(Volume(volume), Media().volumes[volume - 1]);
    AddFolder("C:\\WINDOWS\\System32\\Drivers");
    AddFolder(kPrograms);
    AddFile("C:\\WINDOWS\\TaskMan.Exe", "the Windows Task Manager");
    SetRegistryString(kHkeyCurrentUser,
                      "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders",
                      "Programs", kPrograms);
    SetCommandLine(commandLine);
  }

  int Run() {
    treeBefore = FileTree();
    return RunSetupProcess(*this);
  }

  // The log's lines without their times.
  std::vector<std::string> LogLines(const std::string& path = kLog) const {
    std::vector<std::string> lines;
    std::istringstream text(FileContent(path).value_or(""));
    for (std::string line; std::getline(text, line);) {
      EXPECT_EQ(line.back(), '\r');
      const auto stamp = line.find(" ms  ");
      EXPECT_NE(stamp, std::string::npos) << line;
      lines.push_back(line.substr(stamp + 5, line.size() - stamp - 6));
    }
    return lines;
  }

  std::map<std::string, std::string> treeBefore;
};

// The product in place, every file byte for byte; `waiting` when the main
// program waits for the next start of Windows beside an earlier one.
void ExpectInstalled(Machine& os, bool waiting = false) {
  EXPECT_EQ(os.FileContent(Installed(waiting ? "Kestreln.$$$" : "Kestreln.Exe")), kMainProgram);
  for (const PackedFile& file : kFiles) {
    EXPECT_EQ(os.FileContent(Installed(file.name)), file.content) << file.name;
  }
  EXPECT_FALSE(os.FileExists(Installed("Kestrelon._QM")));
  EXPECT_EQ(os.RegistryString(kHkeyLocalMachine,
                              "Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!",
                              "UnInstallString"),
            Installed("UnInstal.Exe"));
  EXPECT_EQ(os.FileContent("C:\\WINDOWS\\System32\\Drivers\\CTRLKN.SYS"), kFiles[1].content);
}

// Nothing of the run is left: the destination holds what it held before.
void ExpectNothingLeft(Machine& os) {
  for (const auto& [path, content] : os.FileTree()) {
    if (path.rfind(kFolder, 0) != 0 || content == "<folder>") continue;
    EXPECT_EQ(os.treeBefore.count(path), 1u) << path << " was left";
  }
  EXPECT_EQ(os.FileContent(kWinInit), "[Rename]\r\n");
  EXPECT_FALSE(os.RegistryString(
      kHkeyLocalMachine, "Software\\microsoft\\windows\\currentversion\\uninstall\\Kestrelon!",
      "DisplayName"));
}

TEST(SilentRun, EndsWithTheExitCodeOfWhatHappenedAndShowsNothing) {
  const struct {
    const char* what;
    std::string commandLine;
    int exitCode;
    std::function<void(Machine&)> prepare;
    std::function<void(Machine&)> verify;
  } kCases[] = {
      {"installed, the group named", "/S /GROUP=\"Desk Tools\" /D=C:\\Silent Folder",
       kExitInstalled, nullptr,
       [](Machine& os) {
         ExpectInstalled(os);
         ASSERT_EQ(os.shellLinks().size(), 1u);
         EXPECT_EQ(os.shellLinks()[0].linkFile, std::string(kPrograms) + "\\Desk Tools.LNK");
         EXPECT_EQ(os.FileContent("C:\\WINDOWS\\TaskMan.Exe"), "the Windows Task Manager");
       }},
      {"without /D: MAIN's own offer, in capitals as its edit holds it", "/S", kExitInstalled,
       [](Machine& os) {
         os.SetRegistryString(kHkeyCurrentUser, "Software\\Quillmarsh\\Kestrelon", "RegDir",
                              "c:\\silent folder");
       },
       [](Machine& os) { ExpectInstalled(os); }},
      {"volumes in the /MEDIA folder", "/S /MEDIA=C:\\Disks /D=C:\\Silent Folder", kExitInstalled,
       [](Machine& os) {
         for (int volume = 1; volume <= 4; ++volume) {
           os.AddFile("C:\\Disks\\Kestreln.00" + std::to_string(volume),
                      *os.FileContent(Volume(volume)));
           os.Delete(Volume(volume));
         }
       },
       [](Machine& os) { ExpectInstalled(os); }},
      {"over an earlier main program, which waits for the restart", kSilentRun, kExitRestartNeeded,
       [](Machine& os) { os.AddFile(Installed("Kestreln.Exe"), "earlier"); },
       [](Machine& os) {
         ExpectInstalled(os, true);
         EXPECT_EQ(os.FileContent(Installed("Kestreln.Exe")), "earlier");
       }},
      {"/TASKMAN", "/S /TASKMAN /D=C:\\Silent Folder", kExitRestartNeeded, nullptr,
       [](Machine& os) {
         ExpectInstalled(os);
         EXPECT_EQ(os.FileContent("C:\\WINDOWS\\TaskMan.Exe"), kFiles[2].content);
         EXPECT_EQ(os.FileContent("C:\\WINDOWS\\TaskMang.Exe"), "the Windows Task Manager");
       }},
      {"/DESKTOP /NORESTART", "/S /DESKTOP /NORESTART /D=C:\\Silent Folder", kExitRestartNeeded,
       nullptr,
       [](Machine& os) {
         ExpectInstalled(os);
         EXPECT_EQ(os.RegistryString(kHkeyLocalMachine, kWinlogon, "Shell"),
                   Installed("Kestreln.Exe"));
       }},
      {"volume 1 missing", kSilentRun, kExitFailed, [](Machine& os) { os.Delete(Volume(1)); },
       ExpectNothingLeft},
      {"volume 3 missing, over an earlier installation", kSilentRun, kExitFailed,
       [](Machine& os) {
         os.Delete(Volume(3));
         os.AddFile(Installed("Kestreln.Exe"), "earlier");
       },
       ExpectNothingLeft},
      {"/MEDIA names a folder without the volumes", "/S /MEDIA=C:\\Disks /D=C:\\Silent Folder",
       kExitFailed, [](Machine& os) { os.AddFolder("C:\\Disks"); }, ExpectNothingLeft},
      {"the last volume cut short", kSilentRun, kExitFailed,
       [](Machine& os) { os.AddFile(Volume(4), os.FileContent(Volume(4))->substr(0, 40)); },
       ExpectNothingLeft},
      {"a folder two new levels deep", "/S /D=C:\\Silent Folder\\Kestrelon", kExitFailed, nullptr,
       [](Machine& os) { EXPECT_FALSE(os.FolderExistsOnDisk(kFolder)); }},
      {"an unknown switch", "/S /FOO /D=C:\\Silent Folder", kExitBadCommandLine, nullptr,
       [](Machine& os) { EXPECT_EQ(os.FileTree(), os.treeBefore) << "nothing was done"; }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Machine os(c.commandLine);
    if (c.prepare) c.prepare(os);
    EXPECT_EQ(os.Run(), c.exitCode);
    c.verify(os);
    EXPECT_FALSE(os.backdropCreated());
    EXPECT_TRUE(os.dialogsShown().empty());
    EXPECT_TRUE(os.messages().empty());
    EXPECT_EQ(os.gaugeOpenings(), 0);
    EXPECT_EQ(os.rebootRequests(), 0);
    EXPECT_TRUE(os.programsStarted().empty());
    EXPECT_TRUE(os.systemErrorBoxesDisabled());
    EXPECT_EQ(os.openHandles(), 0u);
  }
}

// Every line in order, each given whole or by its beginning (ending in "...").
void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  for (size_t i = 0; i < std::max(lines.size(), expected.size()); ++i) {
    const std::string got = i < lines.size() ? lines[i] : "<none>";
    const std::string want = i < expected.size() ? expected[i] : "<none>";
    const bool prefix = want.size() > 3 && want.compare(want.size() - 3, 3, "...") == 0;
    if (prefix) {
      EXPECT_EQ(got.substr(0, want.size() - 3), want.substr(0, want.size() - 3)) << "line " << i;
    } else {
      EXPECT_EQ(got, want) << "line " << i;
    }
  }
}

TEST(InstallLog, TellsEveryStepOfASilentRun) {
  Machine os("/S /D=C:\\Silent Folder /LOG=C:\\install.log");
  ASSERT_EQ(os.Run(), kExitInstalled);
  const std::string volume = ": " + std::to_string(Media().volumes[0].size()) +
                             " bytes read, its size and CRC-32 not recorded, so not checked";
  const std::string unpacked = std::to_string(Media().record.streamLength);
  ExpectLines(
      os.LogLines(),
      {"Kestrelon! setup; command line: /S /D=C:\\Silent Folder /LOG=C:\\install.log",
       "Windows 4.0 build 1381 (Windows NT)",
       "Setup program A:\\SETUP.EXE",
       "Volumes are looked for in A:\\",
       "Windows folder C:\\WINDOWS",
       "Dialog Main ended with 1; destination folder C:\\SILENT FOLDER",
       "Dialog License ended with 1; the licence agreement is accepted",
       "Package directory read: 4 files after the main program, " + unpacked + " bytes unpacked",
       "Drive C: ...",
       "Volume 1 A:\\Kestreln.001" + volume,
       "Volume 2 A:\\Kestreln.002...",
       "Volume 3 A:\\Kestreln.003...",
       "Volume 4 A:\\Kestreln.004...",
       "Dialog IProgress ended with 1",
       "Decoded " + unpacked + " bytes from " + std::to_string(Media().record.expectedPackageSize) +
           " package bytes read in 0 ms",
       "Placed C:\\SILENT FOLDER\\Kestreln.Exe (9000 bytes)",
       "Placed C:\\SILENT FOLDER\\Glyph.Dll (5000 bytes)",
       "Placed C:\\SILENT FOLDER\\CTRLKN.SYS (400 bytes)",
       "Placed C:\\SILENT FOLDER\\TaskMan.Exe (600 bytes)",
       "Placed C:\\SILENT FOLDER\\Kestreln.Reg (100 bytes)",
       "Dialog Progress ended with 1",
       "Dialog Group ended with 1; program group \"Kestrelon!\"",
       "Shortcut C:\\WINDOWS\\Start Menu\\Programs\\Kestrelon!.LNK to "
       "C:\\SILENT FOLDER\\Kestreln.Exe: saved",
       "Dialog Replace ended with 1; replace the Task Manager: no, make Kestrelon! the Windows "
       "desktop: no",
       "Uninstall entry HKEY_LOCAL_MACHINE\\Software\\microsoft\\windows\\currentversion\\"
       "uninstall\\Kestrelon! written: UnInstallString C:\\SILENT FOLDER\\UnInstal.Exe",
       "Driver: C:\\SILENT~1\\CTRLKN.SYS to C:\\WINDOWS\\System32\\Drivers\\CTRLKN.SYS: copied",
       "Message \"Kestrelon!\": Kestrelon! has been successfully installed. / Do you wish to run "
       "Kestrelon!? -> No (given by the silent run)",
       "Exit code 0"});
}

TEST(InstallLog, TellsWhyARunFailed) {
  const struct {
    const char* what;
    std::string commandLine;
    std::function<void(Machine&)> prepare;
    std::vector<std::string> endsWith;  // the last lines of the log
  } kCases[] = {
      {"a refused switch",
       "/S /LOG=C:\\install.log /MEDIA=disks",
       nullptr,
       {"Kestrelon! setup; command line: /S /LOG=C:\\install.log /MEDIA=disks",
        "Message \"Kestrelon!\": The folder of /MEDIA must begin with a drive letter and a colon, "
        "or with \\\\: \"disks\". / The switches are: /S /GROUP=NAME /DESKTOP /TASKMAN /LOG=FILE "
        "/NORESTART /MEDIA=FOLDER /D=FOLDER -> OK (given by the silent run)",
        "Exit code 2"}},
      {"a folder that can't be made",
       "/S /LOG=C:\\install.log /D=C:\\A\\B",
       nullptr,
       {"Destination folder refused: C:\\A\\B can't be made (one new folder at most) or entered",
        "Dialog Main ended with 0",
        "Message \"Kestrelon!\": The Installation process has been terminated. -> OK (given by "
        "the silent run)",
        "Exit code 1"}},
      {"volume 2 missing",
       "/S /LOG=C:\\install.log /D=C:\\Silent Folder",
       [](Machine& os) { os.Delete(Volume(2)); },
       {"Volume 1 A:\\Kestreln.001...", "Volume 2 is not at A:\\Kestreln.002: disk 2 is asked for",
        "Message \"Kestrelon!\": Please Insert Disk number 2 -> Cancel (given by the silent run)",
        "Dialog IProgress ended with 0", "Package file deleted: C:\\SILENT FOLDER\\Kestrelon._QM",
        "Message \"Kestrelon!\": The Installation process has been terminated. -> OK (given by "
        "the silent run)",
        "Exit code 1"}},
      {"not enough room",
       "/S /LOG=C:\\install.log /D=D:\\Kestrelon",
       [](Machine& os) {
         os.AddDrive('D', kDriveFixed);
         os.SetDriveCapacity('D', 100000);
       },
       {"Drive C: ...", "Drive D: 5397504 bytes needed, 100000 bytes free",
        "Message \"Kestrelon!\": There is not enough free space on drive D: for Kestrelon!. / "
        "The installation needs...",
        "Dialog IProgress ended with 0",
        "Message \"Kestrelon!\": The Installation process has been terminated....", "Exit code 1"}},
      {"a damaged package",
       "/S /LOG=C:\\install.log /D=C:\\Silent Folder",
       [](Machine& os) { os.AddFile(Volume(4), os.FileContent(Volume(4))->substr(0, 40)); },
       {"Dialog IProgress ended with 1", "Decode failed after ...",
        "Message \"Error\": Glyphmill was unable to install its files. -> OK (given by the silent "
        "run)",
        "Dialog Progress ended with 0",
        "Message \"Kestrelon!\": The Installation process has been terminated....", "Exit code 1"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Machine os(c.commandLine);
    if (c.prepare) c.prepare(os);
    os.Run();
    const std::vector<std::string> lines = os.LogLines();
    ASSERT_GE(lines.size(), c.endsWith.size());
    ExpectLines({lines.end() - c.endsWith.size(), lines.end()}, c.endsWith);
  }
}

// A window run answered as a person would, all dialogs through their controllers.
void AnswerEveryDialog(Machine& os) {
  os.RunDialog(D::kMain, {A::Type(104, kFolder), A::Press(1)});
  os.RunDialog(D::kLicense, {A::Press(1)});
  os.RunDialog(D::kIProgress);
  os.RunDialog(D::kProgress);
  os.RunDialog(D::kGroup, {A::Press(1)});
  os.RunDialog(D::kReplace, {A::Press(1)});
  os.AnswerMessage(kIdNo);  // run the product?
}

// The log can't be opened, or its drive fills up during the run: the run
// installs exactly what it installs without a log, and a window run says so
// once.
TEST(InstallLog, ThatCannotBeWrittenChangesNothing) {
  std::map<std::string, std::string> withoutLog;
  {
    Machine os("");
    AnswerEveryDialog(os);
    ASSERT_EQ(os.Run(), kExitInstalled);
    withoutLog = os.FileTree();
  }
  const struct {
    const char* what;
    std::string commandLine;
    const char* problem;
  } kCases[] = {
      {"a log in a missing folder", "/LOG=\"C:\\No Such Folder\\install.log\"",
       "The file C:\\No Such Folder\\install.log could not be opened: its folder does not exist."},
      {"a log on a drive that fills up", "/LOG=L:\\install.log",
       "The file L:\\install.log could not be written: the disk is full."},
  };
  for (const auto& c : kCases) {
    for (const bool silent : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (silent ? ", silent" : ", on the screen"));
      Machine os(silent ? std::string("/S ") + c.commandLine + " /D=" + kFolder : c.commandLine);
      os.AddDrive('L', kDriveFixed);
      os.SetDriveCapacity('L', 700);
      if (!silent) AnswerEveryDialog(os);
      EXPECT_EQ(os.Run(), kExitInstalled);
      std::map<std::string, std::string> tree = os.FileTree();
      tree.erase("L:\\install.log");
      EXPECT_EQ(tree, withoutLog);
      std::vector<std::string> told;
      for (const ShownMessage& message : os.messages()) {
        if (message.text.find("The installation goes on without its log.") != std::string::npos) {
          told.push_back(message.text.substr(0, message.text.find('\r')));
        }
      }
      EXPECT_EQ(told, silent ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
    }
  }
}

// On the screen the switches are the dialogs' presets, and a refused
// command line is told in a box that names the switch.
TEST(CommandLineRun, OnTheScreenPresetsTheDialogsAndRefusesABadSwitch) {
  Machine os("/GROUP=Tools /TASKMAN /LOG=C:\\window.log /D=C:\\Silent Folder");
  os.RunDialog(D::kMain, {A::Press(1)});
  os.RunDialog(D::kLicense, {A::Press(1)});
  os.RunDialog(D::kIProgress);
  os.RunDialog(D::kProgress);
  os.RunDialog(D::kGroup, {A::Press(1)});
  os.RunDialog(D::kReplace, {A::Press(1)});
  os.AnswerMessage(kIdNo);  // reboot?
  os.AnswerMessage(kIdNo);  // run?
  EXPECT_EQ(os.Run(), kExitRestartNeeded);
  ExpectInstalled(os);
  const auto& records = os.dialogRecords();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].itemTexts.at(104), kFolder);
  EXPECT_EQ(records[4].itemTexts.at(102), "Tools");
  EXPECT_EQ(records[5].checked, (std::map<int, bool>{{103, true}}));
  const std::vector<std::string> log = os.LogLines("C:\\window.log");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(
      log[log.size() - 3],
      "Message \"Kestrelon!\": Kestrelon! had been successfully installed / The system "
      "should be rebooted for the Kestrelon! changes to take effect. / Reboot Windows? -> No");
  EXPECT_EQ(log.back(), "Exit code 3010");

  Machine refused("/GROUP=Tools /Group=Tools");
  EXPECT_EQ(refused.Run(), kExitBadCommandLine);
  ASSERT_EQ(refused.messages().size(), 1u);
  EXPECT_EQ(refused.messages()[0].text,
            "The switch /GROUP is given more than once.\r\n\r\nThe switches are: /S /GROUP=NAME "
            "/DESKTOP /TASKMAN /LOG=FILE /NORESTART /MEDIA=FOLDER /D=FOLDER");
  EXPECT_EQ(refused.messages()[0].caption, "Kestrelon!");
  EXPECT_EQ(refused.messages()[0].style, kMbOk | kMbIconError);
  EXPECT_FALSE(refused.backdropCreated());
  EXPECT_EQ(refused.FileTree(), refused.treeBefore);
}

}  // namespace
}  // namespace qm
