// The pieces the installing scenarios and the install benchmark are made of:
// the media and where they are staged, and the dialogs of an installation.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"

namespace e2e {

constexpr int kOk = 1, kCancel = 2, kYes = 6, kNo = 7;
constexpr char kDisksFolder[] = "C:\\KQM Disks";      // where setup.exe and the volumes lie
constexpr char kInstallFolder[] = "C:\\KQM Install";  // the destination typed into MAIN

// One set of media in the media folder: setup.exe and its volumes, and the
// product folder and packing list they were made from.
struct Media {
  std::string disks, product, list;
};
Media TestMedia();  // the test product in three volumes
Media LongMedia();  // the same with 3 MB more that does not compress
Media UpdateMedia();  // the test product with a 1 MB manual that compresses well

std::vector<std::string> ProductFiles(const Media& media);  // in packing order
std::string MediaVolume(const Media& media, int volume);     // a volume in the media folder
std::string ProductFile(const Media& media, const std::string& name);
// Where the unpack pass puts a product file of that name for the given
// destination: help files into Windows' Help folder, the others there.
std::string PlaceOf(const std::string& destination, const std::string& name);
bool IsHelpFile(const std::string& name);
int VolumeCount(const Media& media);
// Copies setup.exe and every volume (or volume 1 alone) to kDisksFolder, afresh.
void StageDisks(const Media& media, bool allVolumes);
void PutVolume(const Media& media, int volume);
void DamageVolume(int volume);    // one byte in the middle of the staged volume changed
void TruncateVolume(int volume);  // the staged volume loses its last bytes

// Takes away everything an installation leaves, so that the run starts on a
// machine that never saw the product, and stages the disks.
void PrepareInstall(const Media& media, bool allVolumes);
// Empty when the product is in place in `destination` (a folder that MAIN
// took, so the uninstall entry names it in capitals): every file byte for
// byte (the main program cut to its own length, help files in Windows' Help
// folder), no package file, the shortcut, the uninstall entry, the driver on
// Windows NT only, and no rename waiting for the next start; else what is wrong.
std::string CheckInstalled(const Media& media, bool windowsNt,
                           const std::string& destination = kInstallFolder);

// ---- Dialogs ----
std::vector<DialogStep> Join(const std::vector<std::vector<DialogStep>>& parts);
std::vector<DialogStep> UpToCopy();     // MAIN with kInstallFolder, then I Agree
std::vector<DialogStep> UpToCopy(const std::string& destination);
std::vector<DialogStep> AfterUnpack();  // GROUP and REPLACE accepted as offered
DialogStep SuccessQuestion(int answer);
DialogStep RebootQuestion(int answer);
DialogStep DiskPrompt(int disk, int answer);
DialogStep WrongDisk();
DialogStep VolumeRefused(int disk);
DialogStep ExitQuestion(int answer);
DialogStep Terminated();
// Cancel in the unpack dialog as soon as it is seen.
DialogStep CancelUnpack();
// Posts a Cancel to the progress dialog that is up. Posted right behind a
// click that ends a message box, it is handled at the pass's next pump.
void QueueProgressCancel();

}  // namespace e2e
