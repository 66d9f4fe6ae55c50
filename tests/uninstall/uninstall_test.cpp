// The setup installs a product on a fake Windows and the uninstaller takes it
// away again: whatever was installed and chosen, the machine must be exactly
// as before (files, registry, profile keys, moves for the next start), but
// for what its user made, and the uninstaller must refuse what its record
// may not ask of it.
#include <gtest/gtest.h>

#include "transport/path_helpers.h"
#include "uninstall/install_record.h"
#include "uninstall/installed_machine.h"

namespace qm {
namespace {

using test::Differences;
using test::InstalledMachine;
using test::InstallChoice;
using test::kDestination;

std::string LastMessage(const FakePlatform& os) {
  return os.messages().empty() ? std::string() : os.messages().back().text;
}

bool Mentions(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The record with `lines` added before its last line.
void AddToRecord(InstalledMachine& machine, const std::string& lines) {
  std::string text = machine.RecordText();
  text.insert(text.find("[End]"), lines);
  machine.os.AddFile(InstalledMachine::InDestination("UnInstal.Rec"), text);
}

TEST(Uninstall, EveryInstallationIsTakenBackWhole) {
  for (const bool windows95 : {false, true}) {
    for (const bool chosen : {false, true}) {
      SCOPED_TRACE(testing::Message() << (windows95 ? "Windows 95" : "Windows NT")
                                      << (chosen ? ", both components replaced" : ", none"));
      InstalledMachine machine(windows95);
      const auto before = machine.Picture();
      ASSERT_TRUE(machine.Install({chosen, chosen}));
      const std::string record = machine.RecordText();
      EXPECT_TRUE(Mentions(record, "File=C:\\KESTRELON\\Kestreln.Exe")) << record;
      EXPECT_EQ(Mentions(record, "TaskManager="), chosen) << record;
      EXPECT_EQ(Mentions(record, windows95 ? "SystemIniShell=Explorer.exe" : "WinlogonShell=Explorer.exe"),
                chosen)
          << record;
      EXPECT_EQ(Mentions(record, "Driver="), !windows95) << record;
      EXPECT_FALSE(machine.os.FileExists(InstalledMachine::InDestination("UnInstal.$$$")));

      EXPECT_EQ(machine.Uninstall(), kUninstallDone) << LastMessage(machine.os);
      EXPECT_EQ(machine.os.messages().end()[-2].text, "Remove Kestrelon! and all of its components?");
      EXPECT_EQ(LastMessage(machine.os), "Kestrelon! has been removed from this computer.");
      EXPECT_EQ(Differences(before, machine.Picture()), "");
      EXPECT_EQ(machine.os.rebootRequests(), 0);
      EXPECT_TRUE(machine.os.scriptErrors().empty());
    }
  }
}

TEST(Uninstall, ASecondInstallationKeepsTheFirstStateOfWindows) {
  InstalledMachine machine;
  const auto before = machine.Picture();
  ASSERT_TRUE(machine.Install({true, false}));
  ASSERT_TRUE(machine.Install({true, true}));
  const std::string record = machine.RecordText();
  EXPECT_TRUE(Mentions(record, "\r\nFolder=C:\\KESTRELON\r\n")) << record;
  EXPECT_TRUE(Mentions(record, "\r\nFile=C:\\KESTRELON\\Kestreln.Exe\r\n")) << record;
  EXPECT_TRUE(Mentions(record, "\r\nWinlogonShell=Explorer.exe\r\n")) << record;
  EXPECT_TRUE(Mentions(record, "\r\nPending=C:\\KESTRELON\\Kestreln.$$$\r\n"))
      << "the second main program waits for the next start\n" << record;
  EXPECT_EQ(machine.Uninstall(), kUninstallDone) << LastMessage(machine.os);
  EXPECT_EQ(Differences(before, machine.Picture()), "");
}

TEST(Uninstall, TheUsersOwnFilesStayAndSoDoesTheirFolder) {
  InstalledMachine machine;
  auto before = machine.Picture();
  ASSERT_TRUE(machine.Install());
  machine.os.AddFile(InstalledMachine::InDestination("Notes.Txt"), "the user's notes");
  machine.os.AddFile(InstalledMachine::InDestination("Readme.Txt"), "changed by the user");
  EXPECT_EQ(machine.Uninstall(), kUninstallDone);
  EXPECT_EQ(Differences(before, machine.Picture()),
            " left file C:\\KESTRELON; left file C:\\KESTRELON\\Notes.Txt;");
}

TEST(Uninstall, FilesInUseGoAtTheNextStartOfWindows) {
  InstalledMachine machine;
  const auto before = machine.Picture();
  ASSERT_TRUE(machine.Install());
  const std::string program = InstalledMachine::InDestination("Kestreln.Exe");
  machine.os.HoldFile(program, kAccessRead, kShareRead);
  EXPECT_EQ(machine.Uninstall(), kUninstallRestartNeeded);
  EXPECT_TRUE(Mentions(LastMessage(machine.os), "Reboot Windows?"));
  EXPECT_TRUE(machine.os.FileExists(program));
  machine.os.Restart();
  EXPECT_EQ(Differences(before, machine.Picture()), "");

  InstalledMachine windows95(true);
  ASSERT_TRUE(windows95.Install());
  windows95.os.HoldFile(program, kAccessRead, kShareRead);
  EXPECT_EQ(windows95.Uninstall(), kUninstallRestartNeeded);
  EXPECT_EQ(windows95.os.FileContent(InstalledMachine::InWindows("WinInit.Ini")),
            "[Rename]\r\nNUL=" + *windows95.os.ShortPath(program) + "\r\n");
  EXPECT_FALSE(windows95.os.FileExists(InstalledMachine::InDestination("UnInstal.Rec")));
}

TEST(Uninstall, ACancelKeepsWhatIsLeftListedForTheNextRun) {
  InstalledMachine machine;
  const auto before = machine.Picture();
  ASSERT_TRUE(machine.Install());
  machine.os.OnPump(machine.os.pumpCalls() + 3,
                    [&machine] { machine.os.PressInOpenDialog(kIdCancelButton); });
  machine.os.AnswerMessage(kIdYes);  // remove it, then stop removing
  EXPECT_EQ(machine.Uninstall(), kUninstallDeclined);
  EXPECT_TRUE(Mentions(LastMessage(machine.os), "was stopped"));
  const RecordReading rest = ParseRecord(machine.RecordText());
  ASSERT_TRUE(rest.record);
  EXPECT_GT(rest.record->entries.size(), 3u);
  EXPECT_EQ(rest.record->entries[0].item, RecordItem::kFolder);

  EXPECT_EQ(machine.Uninstall(), kUninstallDone);
  EXPECT_EQ(Differences(before, machine.Picture()), "");
}

TEST(Uninstall, WithoutAWholeRecordNothingIsRemoved) {
  InstalledMachine machine;
  ASSERT_TRUE(machine.Install());
  const std::string record = InstalledMachine::InDestination("UnInstal.Rec");
  const std::string text = machine.RecordText();

  machine.os.AddFile(record, text.substr(0, text.size() / 2));
  auto installed = machine.Picture();
  EXPECT_EQ(machine.RunUninstaller(), kUninstallFailed);
  EXPECT_EQ(LastMessage(machine.os),
            "UnInstal.Exe can't remove Kestrelon!: the record of its installation, " + record +
                ", is damaged: it is cut short: its last line is missing. Nothing was removed.");
  EXPECT_EQ(Differences(installed, machine.Picture()), "");

  machine.os.Delete(record);
  installed = machine.Picture();
  const size_t shown = machine.os.messages().size();
  UninstallRequest silent;
  silent.silent = true;
  silent.logFile = "C:\\UNINST.LOG";
  EXPECT_EQ(machine.RunUninstaller(silent), kUninstallFailed);
  EXPECT_EQ(machine.os.messages().size(), shown) << "/S shows no window";
  EXPECT_TRUE(Mentions(machine.os.FileContent(silent.logFile).value_or(""), "is missing"));
  installed.emplace("file C:\\UNINST.LOG", machine.os.FileTree().at("C:\\UNINST.LOG"));
  EXPECT_EQ(Differences(installed, machine.Picture()), "");

  machine.os.AddFile(record, text);
  installed = machine.Picture();
  EXPECT_EQ(machine.Uninstall(kIdNo), kUninstallDeclined);
  EXPECT_EQ(Differences(installed, machine.Picture()), "");
}

TEST(Uninstall, SilentRemovalTellsByItsExitCode) {
  InstalledMachine machine;
  const auto before = machine.Picture();
  ASSERT_TRUE(machine.Install());
  machine.os.HoldFile(InstalledMachine::InDestination("Kestreln.Exe"), kAccessRead, kShareRead);
  UninstallRequest silent;
  silent.silent = true;
  const size_t shown = machine.os.messages().size();
  EXPECT_EQ(machine.RunUninstaller(silent), kUninstallRestartNeeded);
  EXPECT_EQ(machine.os.messages().size(), shown);
  EXPECT_EQ(machine.os.rebootRequests(), 0) << "/S never restarts Windows itself";
  machine.os.Restart();
  EXPECT_EQ(Differences(before, machine.Picture()), "");
}

TEST(Uninstall, HostileRecordLinesAreRefusedOneByOne) {
  InstalledMachine machine;
  machine.os.AddFile("C:\\WINDOWS\\NOTEPAD.EXE", "MZ notepad");
  machine.os.AddFile("C:\\OTHER\\DATA.DAT", "another program's data");
  machine.os.AddFile(std::string(test::kPrograms) + "\\Other.LNK", "link to another program");
  machine.os.SetRegistryString(kHkeyLocalMachine,
                               "Software\\microsoft\\windows\\currentversion\\uninstall\\Other",
                               "DisplayName", "Other");
  const auto before = machine.Picture();
  ASSERT_TRUE(machine.Install());
  const std::vector<std::string> hostile = {
      "File=C:\\WINDOWS\\NOTEPAD.EXE",
      "File=C:\\KESTRELON\\..\\OTHER\\DATA.DAT",
      "Replaced=C:\\OTHER\\DATA.DAT",
      "Folder=C:\\OTHER",
      "Help=00000000 10 C:\\WINDOWS\\NOTEPAD.EXE",
      "Driver=00000000 10 C:\\WINDOWS\\System32\\Drivers\\Other.Sys",
      "UninstallEntry=HKEY_LOCAL_MACHINE\\Software\\microsoft\\windows\\currentversion\\uninstall\\Other",
      "CreatedKey=HKEY_LOCAL_MACHINE\\Software\\microsoft\\windows\\currentversion\\uninstall\\Other",
      "CreatedKey=HKEY_USERS\\.DEFAULT",
      "Erase=C:\\WINDOWS",
  };
  std::string lines;
  for (const auto& line : hostile) lines += line + "\r\n";
  // A shortcut in the Start menu is followed only while it is the one the setup saved.
  const std::string otherShortcut = std::string(test::kPrograms) + "\\Other.LNK";
  AddToRecord(machine, lines + "Shortcut=00000000 23 " + otherShortcut + "\r\n");
  EXPECT_EQ(machine.Uninstall(), kUninstallFailed);
  const std::string told = LastMessage(machine.os);
  EXPECT_TRUE(Mentions(told, "Kestrelon! has been removed from this computer.")) << told;
  for (const auto& line : hostile) EXPECT_TRUE(Mentions(told, "\r\n  " + line + " (")) << line;
  EXPECT_TRUE(Mentions(told, "\r\n  " + otherShortcut + "\r\n")) << told;
  EXPECT_EQ(Differences(before, machine.Picture()), "") << "the rest is removed, nothing else";
}

TEST(Uninstall, WhatWasChangedAfterTheInstallationStays) {
  InstalledMachine machine;
  ASSERT_TRUE(machine.Install());
  const std::string shortcut = std::string(test::kPrograms) + "\\Kestrelon!.LNK";
  const std::string winlogon = "Software\\microsoft\\windows nt\\currentversion\\Winlogon";
  machine.os.AddFile(shortcut, "the user's own link");
  machine.os.SetRegistryString(kHkeyLocalMachine, winlogon, "Shell", "Another.exe");
  machine.os.AddFile(InstalledMachine::InWindows("TaskMan.Exe"), "MZ a newer Windows task manager");
  EXPECT_EQ(machine.Uninstall(), kUninstallDone);
  const std::string told = LastMessage(machine.os);
  EXPECT_TRUE(Mentions(told, "\r\n  " + shortcut)) << told;
  EXPECT_TRUE(Mentions(told, "Winlogon Shell")) << told;
  EXPECT_EQ(machine.os.FileContent(shortcut), "the user's own link");
  EXPECT_EQ(machine.os.RegistryString(kHkeyLocalMachine, winlogon, "Shell"), "Another.exe");
  EXPECT_EQ(machine.os.FileContent(InstalledMachine::InWindows("TaskMan.Exe")),
            "MZ a newer Windows task manager");
  EXPECT_FALSE(machine.os.FolderExistsOnDisk(kDestination));
}

TEST(UninstallCommandLine, SilenceAndTheLogFileAreTakenInAnyCase) {
  const UninstallRequest request = ParseUninstallCommandLine("/s /LOG=\"C:\\My Logs\\u.log\" /x");
  EXPECT_TRUE(request.silent);
  EXPECT_EQ(request.logFile, "C:\\My Logs\\u.log");
  EXPECT_FALSE(ParseUninstallCommandLine("").silent);
  EXPECT_FALSE(ParseUninstallCommandLine("/SILENT").silent);
}

TEST(InstallRecordWriting, ARecordThatCanNotBeWrittenIsToldAndLeavesNothingBeside) {
  InstalledMachine machine;
  machine.os.AddFolder(InstalledMachine::InDestination("UnInstal.Rec"));
  ASSERT_TRUE(machine.Install());
  bool told = false;
  for (const auto& message : machine.os.messages()) {
    told = told || Mentions(message.text, "UnInstal.Rec could not be");
  }
  EXPECT_TRUE(told);
  EXPECT_FALSE(machine.os.FileExists(InstalledMachine::InDestination("UnInstal.$$$")));
}

}  // namespace
}  // namespace qm
