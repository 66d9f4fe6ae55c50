#include "ui/main_dialog.h"

#include "setup/reg_ini_file.h"
#include "transport/path_helpers.h"
#include "ui/confirm_exit.h"

namespace qm {
namespace {

constexpr char kCaption[] = "Destination Directory";
constexpr char kProductFolder[] = "Kestrelon";

// HKEY_CURRENT_USER "Software\Quillmarsh" "Kestrelon" "RegDir"; opening the
// maker's key creates it when missing.
std::string RegisteredFolder(Platform& os) {
  TRegIniFile maker(os, "Software\\Quillmarsh");
  return maker.ReadString("Kestrelon", "RegDir", "");
}

// HKEY_LOCAL_MACHINE "software\microsoft\windows" "CurrentVersion"
// "ProgramFilesDir". Opened for reading only: a user without administrator
// rights may read the machine's keys but not open them for writing, and
// would otherwise be offered "C:\Program Files" instead of the real folder.
std::string ProgramFilesFolder(Platform& os) {
  const std::string fallback = "C:\\Program Files";
  const auto windows = os.OpenKey(kHkeyLocalMachine, "software\\microsoft\\windows");
  if (!windows) return fallback;
  const auto version = os.OpenKey(*windows, "CurrentVersion");
  os.CloseKey(*windows);
  if (!version) return fallback;
  const auto folder = os.QueryString(*version, "ProgramFilesDir");
  os.CloseKey(*version);
  return folder ? *folder : fallback;
}

}  // namespace

std::string OfferedDestination(Platform& os) {
  const std::string registered = RegisteredFolder(os);
  if (!registered.empty()) return registered;
  return JoinPath(ProgramFilesFolder(os), kProductFolder);
}

bool HasDriveFormat(const std::string& text) {
  return text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] == ':';
}

void MainDialog::OnInit(DialogHost& dialog) {
  setup_.state.destinationFolder = FolderPart(setup_.os.ModulePath());
  dialog.SetCaption(kCaption);
  setup_.product.defaultFolder = OfferedDestination(setup_.os);
  dialog.SetItemText(kIdDestinationEdit,
                     setup_.options.destination.value_or(setup_.product.defaultFolder));
  CentreOnScreen(setup_.state, dialog);
  dialog.FocusItem(kIdDestinationEdit);
}

void MainDialog::OnCommand(DialogHost& dialog, int command) {
  if (command == kIdOkButton) {
    Accept(dialog);
  } else if (command == kIdCancelButton && ConfirmExit(setup_)) {
    dialog.End(0);
  }
}

// A refused folder keeps the dialog open without a word to the user (the
// log says why); the text still replaces the destination, so a Cancel that
// follows leaves it there.
void MainDialog::Accept(DialogHost& dialog) {
  std::string& destination = setup_.state.destinationFolder;
  destination = dialog.ItemText(kIdDestinationEdit);
  if (!HasDriveFormat(destination)) {
    setup_.log.Write("Destination folder refused: " + destination +
                     " does not begin with a drive letter and a colon");
    return;
  }
  setup_.recorder.NoteFolderBefore(setup_.os, destination);
  if (!MakeFolder(setup_.os, destination)) {
    setup_.log.Write("Destination folder refused: " + destination +
                     " can't be made (one new folder at most) or entered");
  } else {
    dialog.End(1);
  }
}

}  // namespace qm
