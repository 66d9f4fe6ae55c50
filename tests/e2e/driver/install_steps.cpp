#include "install_steps.h"

#include <windows.h>

#include <algorithm>

#include "machine.h"

namespace e2e {
namespace {

constexpr char kProgressCaption[] = "Please Stand By...";
std::string mediaFolder;

std::string VolumeName(int volume) { return "Kestreln.00" + std::to_string(volume); }
std::string StagedVolume(int volume) {
  return std::string(kDisksFolder) + "\\" + VolumeName(volume);
}
std::string InMedia(const std::string& name) { return mediaFolder + "\\" + name; }

DialogStep Click(const std::string& caption, const std::string& text, int id,
                 Outcome outcome = Outcome::kCloses) {
  DialogStep step;
  step.caption = caption;
  step.textContains = text;
  step.clickId = id;
  step.outcome = outcome;
  return step;
}

}  // namespace

void SetMediaFolder(const std::string& folder) { mediaFolder = folder; }
const std::string& MediaFolder() { return mediaFolder; }

std::string ProgramOf(const Scenario& scenario, const std::string& argument) {
  if (!scenario.program.empty()) return scenario.program;
  return scenario.installs ? std::string(kDisksFolder) + "\\setup.exe" : argument;
}

Media TestMedia() { return {"disks", "product", "product.list"}; }
Media LongMedia() { return {"long", "long-product", "long-product.list"}; }
Media UpdateMedia() { return {"update", "update-product", "update-product.list"}; }

std::vector<std::string> ProductFiles(const Media& media) {
  std::vector<std::string> names;
  for (const std::string& line : TextLines(InMedia(media.list))) {
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::string ProductFile(const Media& media, const std::string& name) {
  return InMedia(media.product) + "\\" + name;
}

bool IsHelpFile(const std::string& name) {
  return name.size() >= 4 && Capitals(name.substr(name.size() - 4)) == ".HLP";
}

std::string PlaceOf(const std::string& destination, const std::string& name) {
  return (IsHelpFile(name) ? WindowsFolder() + "\\Help" : destination) + "\\" + name;
}

std::string MediaVolume(const Media& media, int volume) {
  return InMedia(media.disks + "\\" + VolumeName(volume));
}

int VolumeCount(const Media& media) {
  int count = 0;
  while (count < 4 && FileExists(MediaVolume(media, count + 1))) ++count;
  return count;
}

void StageDisks(const Media& media, bool allVolumes) {
  DeleteTree(kDisksFolder);
  CreateDirectoryA(kDisksFolder, nullptr);
  CopyFileA(InMedia(media.disks + "\\setup.exe").c_str(),
            (std::string(kDisksFolder) + "\\setup.exe").c_str(), FALSE);
  for (int volume = 1; volume <= (allVolumes ? 4 : 1); ++volume) PutVolume(media, volume);
}

void PutVolume(const Media& media, int volume) {
  CopyFileA(MediaVolume(media, volume).c_str(),
            StagedVolume(volume).c_str(), FALSE);
}

void DamageVolume(int volume) {
  std::string bytes = FileContents(StagedVolume(volume)).value_or("");
  if (bytes.empty()) return;
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
  WriteWholeFile(StagedVolume(volume), bytes);
}

void TruncateVolume(int volume) {
  std::string bytes = FileContents(StagedVolume(volume)).value_or("");
  bytes.resize(bytes.size() - std::min<size_t>(bytes.size(), 1000));
  WriteWholeFile(StagedVolume(volume), bytes);
}

std::vector<DialogStep> Join(const std::vector<std::vector<DialogStep>>& parts) {
  std::vector<DialogStep> steps;
  for (const auto& part : parts) steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

std::vector<DialogStep> UpToCopy() { return UpToCopy(kInstallFolder); }

std::vector<DialogStep> UpToCopy(const std::string& destination) {
  DialogStep main = Click("Destination Directory", "", kOk);
  main.editTexts = {{104, destination}};
  return {main, Click("License Agreement", "", kOk)};
}

std::vector<DialogStep> AfterUnpack() {
  return {Click("Program Group", "", kOk), Click("Windows Interface", "", kOk)};
}

DialogStep SuccessQuestion(int answer) {
  return Click("Kestrelon!", "Kestrelon! has been successfully installed.", answer);
}

DialogStep RebootQuestion(int answer) {
  return Click("Kestrelon!", "Reboot Windows?", answer);
}

DialogStep DiskPrompt(int disk, int answer) {
  return Click("Kestrelon!", "Please Insert Disk number " + std::to_string(disk), answer);
}

DialogStep WrongDisk() { return Click("", "This is not the appropriate disk.", kOk); }

DialogStep VolumeRefused(int disk) {
  return Click("Kestrelon!",
               VolumeName(disk) + " does not belong to this setup program or is damaged.", kOk);
}

DialogStep ExitQuestion(int answer) {
  return Click("Exit Kestrelon!", "Do you really want to terminate the Setup program?", answer);
}

DialogStep Terminated() {
  return Click("Kestrelon!", "The Installation process has been terminated.", kOk);
}

DialogStep CancelUnpack() {
  DialogStep step =
      Click(kProgressCaption, "Uncompressing the Kestrelon! files.", kCancel, Outcome::kLeavesOpen);
  step.watchClosely = true;
  return step;
}

void QueueProgressCancel() {
  HWND dialog = FindWindowA("#32770", kProgressCaption);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

}  // namespace e2e
