#include "uninstall/installed_machine.h"

#include <algorithm>

#include "package/directory_bytes.h"
#include "qmpack/media.h"
#include "setup/setup_sequence.h"
#include "transport/path_helpers.h"
#include "ui/group_dialog.h"
#include "ui/main_dialog.h"
#include "ui/replace_dialog.h"

namespace qm::test {

namespace {

using D = SetupDialog;

struct File {
  std::string name, content;
};

const std::string kMainProgram = "MZ the main program of the product";
const std::vector<File> kProductFiles = {
    {"UnInstal.Exe", "MZ the uninstaller"},   {"TaskMan.Exe", "MZ the product's task manager"},
    {"CTRLKN.SYS", "the driver"},             {"Kestreln.Reg", "REGEDIT4 the registration"},
    {"Manual.Hlp", "the manual"},             {"Clipart.Lib", "the clip art"},
    {"Readme.Txt", "read me"},
};
// Setup asks for as many diskettes as its compiled-in media block says.
constexpr int kVolumes = 4;

// setup.exe with the package directory at its end, and the volumes.
struct Media {
  std::string setupExe;
  std::vector<std::string> volumes;
};

const Media& ProductMedia() {
  static const Media media = [] {
    Media made;
    std::string stream = kMainProgram;
    std::vector<uint8_t> directory;
    for (const auto& file : kProductFiles) {
      Append(directory, EntryBytes(file.name, static_cast<int32_t>(stream.size()),
                                   static_cast<int32_t>(file.content.size())));
      stream += file.content;
    }
    Append(directory, TrailerBytes(static_cast<uint8_t>(kProductFiles.size()),
                                   static_cast<int32_t>(stream.size())));
    made.setupExe = std::string(300, 'M') + std::string(directory.begin(), directory.end());
    const std::vector<uint8_t> packed = qmpack::CompressBytes(
        std::vector<uint8_t>(stream.begin(), stream.end()), qmpack::LzhParser::kGreedy);
    const size_t part = (packed.size() + kVolumes - 1) / kVolumes;
    for (size_t volume = 0; volume < kVolumes; ++volume) {
      const size_t from = std::min(packed.size(), volume * part);
      made.volumes.emplace_back(packed.begin() + static_cast<ptrdiff_t>(from),
                                packed.begin() + static_cast<ptrdiff_t>(std::min(packed.size(), from + part)));
    }
    return made;
  }();
  return media;
}

}  // namespace

InstalledMachine::InstalledMachine(bool windows95) {
  os.AddDrive('A', kDriveRemovable);
  os.AddFile("A:\\SETUP.EXE", ProductMedia().setupExe);
  for (int volume = 1; volume <= kVolumes; ++volume) {
    os.AddFile("A:\\Kestreln.00" + std::to_string(volume), ProductMedia().volumes[volume - 1]);
  }
  os.AddFolder(kPrograms);
  os.AddFolder(InWindows("Help"));
  os.AddFolder(InWindows("System32\\Drivers"));
  os.AddFile(InWindows("TaskMan.Exe"), "MZ the Windows task manager");
  os.SetRegistryString(kHkeyLocalMachine, "Software\\microsoft\\windows\\currentversion",
                       "ProgramFilesDir", "C:\\Program Files");
  os.SetRegistryString(kHkeyLocalMachine,
                       "Software\\microsoft\\windows\\currentversion\\uninstall\\Glyphs",
                       "DisplayName", "Glyphs");
  os.SetRegistryString(kHkeyCurrentUser,
                       "Software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders",
                       "Programs", kPrograms);
  if (windows95) {
    os.SetVersion(4, 0, kPlatformWin32Windows);
    os.WriteIniString("Boot", "Shell", "Explorer.exe", InWindows("SYSTEM.INI"));
  } else {
    os.SetRegistryString(kHkeyLocalMachine,
                         "Software\\microsoft\\windows nt\\currentversion\\Winlogon", "Shell",
                         "Explorer.exe");
  }
}

bool InstalledMachine::Install(InstallChoice choice) {
  os.SetModulePath("A:\\SETUP.EXE");
  os.RunDialog(D::kMain, {UserAction::Type(kIdDestinationEdit, kDestination),
                          UserAction::Press(kIdOkButton)});
  os.AnswerDialog(D::kLicense, 1);
  os.RunDialog(D::kIProgress);
  os.RunDialog(D::kProgress);
  os.RunDialog(D::kGroup, {UserAction::Press(kIdOkButton)});
  std::vector<UserAction> replace;
  if (choice.taskManager) replace.push_back(UserAction::Tick(kIdReplaceTaskManagerBox));
  if (choice.desktop) replace.push_back(UserAction::Tick(kIdActiveDesktopBox));
  replace.push_back(UserAction::Press(kIdOkButton));
  os.RunDialog(D::kReplace, replace);
  os.AnswerUnscriptedMessagesWith(kIdNo);  // no reboot, no run
  Setup setup(os);
  const int code = RunSetupProcess(setup);
  // Installed, with Windows to be restarted when a REPLACE option was chosen or a file waits.
  const bool installed = code == kExitInstalled || code == kExitRestartNeeded;
  return installed && os.pendingAnswers() == 0 && os.FileExists(InDestination("Kestreln.Exe"));
}

int InstalledMachine::Uninstall(int answer, std::vector<UserAction> actions) {
  os.AnswerMessage(answer);
  if (answer == kIdYes) os.RunDialog(D::kProgress, std::move(actions));
  return RunUninstaller();
}

int InstalledMachine::RunUninstaller(const UninstallRequest& request) {
  os.SetModulePath(InDestination("UnInstal.Exe"));
  const int code = RunUninstallProcess(os, request);
  os.EndProgram();
  return code;
}

std::map<std::string, std::string> InstalledMachine::Picture() const {
  std::map<std::string, std::string> picture;
  for (const auto& [path, content] : os.FileTree()) picture["file " + path] = content;
  for (const auto& [key, value] : os.RegistryTree()) picture["registry " + key] = value;
  for (const auto& [key, value] : os.ProfileTree()) picture["profile " + key] = value;
  for (const auto& move : os.scheduledMoves()) {
    picture["move " + move.source] = move.target + " " + std::to_string(move.flags);
  }
  return picture;
}

std::string InstalledMachine::InDestination(const std::string& name) {
  return JoinPath(kDestination, name);
}

std::string InstalledMachine::InWindows(const std::string& name) { return JoinPath(kWindows, name); }

std::string InstalledMachine::RecordText() const {
  return os.FileContent(InDestination("UnInstal.Rec")).value_or("<no record>");
}

std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
  std::string text;
  for (const auto& [what, content] : before) {
    const auto now = after.find(what);
    if (now == after.end()) {
      text += " lost " + what + ";";
    } else if (now->second != content) {
      text += " changed " + what + ";";
    }
  }
  for (const auto& [what, content] : after) {
    if (!before.count(what)) text += " left " + what + ";";
  }
  return text;
}

}  // namespace qm::test
