// The two records that every part of the setup shares: the product's
// description (fixed when the setup is built, writable during the run) and the
// run's variables (zero or empty at process start).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qm {

// 0x00BBGGRR
using Colour = uint32_t;

struct ProductDescriptor {
  Colour backdropTopColour = 0x00FF0000;  // blue
  Colour backdropBottomColour = 0;        // black
  Colour titleColour = 0x0000FFFF;        // yellow
  int32_t diskCount = 4;
  std::string groupName = "Kestrelon!";
  std::string displayName = "Kestrelon!";
  std::string mainProgram = "Kestreln.Exe";
  std::string firstVolume = "Kestreln.001";
  std::string packageFileName = "Kestrelon._QM";
  std::string defaultFolder;  // always replaced by the destination dialog before it is shown
  // "copyright", the sign 0xA9 of the Windows code page, the maker and the years.
  std::string noticeText = "copyright \xA9 Quillmarsh Ltd. 1995, 1997";
  std::string backdropTitle = "Kestrelon! Installation";
  std::string confirmExitText = "Do you really want to terminate the Setup program?";
  std::string abortedText = "The Installation process has been terminated.";
  std::string wrongDiskText =
      "This is not the appropriate disk.\r\nPlease insert the correct disk and Press Enter";
  std::string installedText =
      "Kestrelon! has been successfully installed.\r\n\r\nDo you wish to run ";
};

// One entry of the package directory: a file of the unpacked stream.
struct PackageNode {
  std::string name;  // at most 20 characters
  int32_t offset = 0;
  int32_t size = 0;
  std::unique_ptr<PackageNode> next;
};

constexpr size_t kBlockBufferSize = 2064;

struct SetupState {
  int32_t keepGoing = 0;
  std::vector<uint8_t> readBuffer;
  std::vector<uint8_t> writeBuffer;
  std::string windowsFolder;
  std::unique_ptr<PackageNode> directoryHead;
  PackageNode* directoryTail = nullptr;
  WindowHandle backdropWindow = kNoWindow;
  int32_t lastDialogResult = 0;
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  bool makeActiveDesktop = false;
  bool replaceTaskManager = false;
  bool aborted = false;
  // Set by the copy pass when it creates the package file, so that the
  // clean-up of an abandoned run removes nothing that was there before it.
  bool packageFileCreated = false;
  // Set when a file of the product waits for the next start of Windows.
  bool filesAwaitRestart = false;
  // Set when the user confirmed a cancel or gave up waiting for a disk.
  bool userCancelled = false;
  // Set when the run asks to restart Windows (or would, but for /NORESTART).
  bool restartNeeded = false;
  int32_t unpackTotal = 0;
  int32_t gaugePercent = 0;
  int32_t gaugeLastPercent = 0;
  GaugeGeometry gauge;  // the open progress dialog's bar, from OpenGauge on
  std::string sourceFolder;
  std::string destinationFolder;
  bool logoLoaded = false;
  VersionInfo versionInfo;
};

}  // namespace qm
