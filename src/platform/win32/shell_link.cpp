#include "platform/win32/shell_link.h"

#include <objidl.h>

namespace qm {

namespace {

// The setters' results are not looked at; see FillAndSaveShellLink.
void FillShellLink(IShellLinkA* shellLink, const ShellLinkRequest& link) {
  shellLink->SetPath(link.target.c_str());
  shellLink->SetWorkingDirectory(link.workingDirectory.c_str());
  shellLink->SetShowCmd(link.showCommand);
}

// IPersistFile::Save takes a wide path: at most 254 characters and the terminating zero.
bool SaveShellLinkFile(IShellLinkA* shellLink, const std::string& linkFile) {
  WCHAR widePath[255];
  if (MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, widePath, 255) == 0) return false;
  IPersistFile* persistFile = nullptr;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persistFile)))) {
    return false;
  }
  const bool saved = SUCCEEDED(persistFile->Save(widePath, FALSE));
  persistFile->Release();
  return saved;
}

}  // namespace

bool FillAndSaveShellLink(IShellLinkA* shellLink, const ShellLinkRequest& link) {
  FillShellLink(shellLink, link);
  return SaveShellLinkFile(shellLink, link.linkFile);
}

}  // namespace qm
