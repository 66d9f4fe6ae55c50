// The Start-menu shortcut through the shell's link object: a real one under
// Wine, and a stand-in whose calls fail on purpose.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>

#include "platform/contract/contract_fixture.h"
#include "platform/win32/shell_link.h"

namespace {

// A link object whose three setters fail, and whose file interface, when it
// has one, notes what Save was given.
class FailingShellLink : public IShellLinkA, public IPersistFile {
 public:
  explicit FailingShellLink(bool hasFileInterface) : hasFileInterface_(hasFileInterface) {}

  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    *object = nullptr;
    if (!hasFileInterface_ || !IsEqualIID(id, IID_IPersistFile)) return E_NOINTERFACE;
    *object = static_cast<IPersistFile*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  STDMETHODIMP SetPath(LPCSTR path) override { return Fail(target, path); }
  STDMETHODIMP SetWorkingDirectory(LPCSTR folder) override { return Fail(workingFolder, folder); }
  STDMETHODIMP SetShowCmd(int command) override {
    showCommand = command;
    return E_FAIL;
  }
  STDMETHODIMP Save(LPCOLESTR path, BOOL remember) override {
    savedAs = path;
    rememberedSave = remember;
    return S_OK;
  }

  STDMETHODIMP GetPath(LPSTR, int, WIN32_FIND_DATAA*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  STDMETHODIMP GetDescription(LPSTR, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetDescription(LPCSTR) override { return E_NOTIMPL; }
  STDMETHODIMP GetWorkingDirectory(LPSTR, int) override { return E_NOTIMPL; }
  STDMETHODIMP GetArguments(LPSTR, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetArguments(LPCSTR) override { return E_NOTIMPL; }
  STDMETHODIMP GetHotkey(WORD*) override { return E_NOTIMPL; }
  STDMETHODIMP SetHotkey(WORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetShowCmd(int*) override { return E_NOTIMPL; }
  STDMETHODIMP GetIconLocation(LPSTR, int, int*) override { return E_NOTIMPL; }
  STDMETHODIMP SetIconLocation(LPCSTR, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetRelativePath(LPCSTR, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Resolve(HWND, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDirty() override { return E_NOTIMPL; }
  STDMETHODIMP Load(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }

  std::string target, workingFolder;
  int showCommand = 0;
  std::wstring savedAs;
  BOOL rememberedSave = TRUE;

 private:
  static HRESULT Fail(std::string& field, LPCSTR value) {
    field = value;
    return E_FAIL;
  }
  bool hasFileInterface_;
};

qm::ShellLinkRequest Request(const std::string& folder) {
  qm::ShellLinkRequest link;
  link.target = folder + "\\Kestreln.Exe";
  link.workingDirectory = folder;
  link.showCommand = SW_SHOWNORMAL;
  link.linkFile = folder + "\\Kestrelon!.LNK";
  return link;
}

TEST(ShellLink, FailingSettersDoNotStopTheOthersOrTheSave) {
  FailingShellLink link(true);
  EXPECT_TRUE(qm::FillAndSaveShellLink(&link, Request("C:\\KESTRELON")));
  EXPECT_EQ(link.target, "C:\\KESTRELON\\Kestreln.Exe");
  EXPECT_EQ(link.workingFolder, "C:\\KESTRELON");
  EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
  EXPECT_EQ(link.savedAs, L"C:\\KESTRELON\\Kestrelon!.LNK");
  EXPECT_FALSE(link.rememberedSave);
}

TEST(ShellLink, WithoutAFileInterfaceNothingIsSaved) {
  FailingShellLink link(false);
  EXPECT_FALSE(qm::FillAndSaveShellLink(&link, Request("C:\\KESTRELON")));
  EXPECT_TRUE(link.savedAs.empty());
}

using ShellLinkOnWindows = ContractTest;

TEST_F(ShellLinkOnWindows, SavedLinkLoadsBackWithItsTargetFolderAndShowCommand) {
  const qm::ShellLinkRequest request = Request(env_.sandbox);
  WriteFile(request.target, "MZ");
  ASSERT_TRUE(os().SaveShellLink(request));

  IShellLinkA* link = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IShellLinkA, reinterpret_cast<void**>(&link)));
  IPersistFile* file = nullptr;
  ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  const std::wstring widePath(request.linkFile.begin(), request.linkFile.end());
  EXPECT_HRESULT_SUCCEEDED(file->Load(widePath.c_str(), STGM_READ));
  char text[MAX_PATH] = "";
  link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  EXPECT_STRCASEEQ(text, request.target.c_str());
  link->GetWorkingDirectory(text, MAX_PATH);
  EXPECT_STRCASEEQ(text, request.workingDirectory.c_str());
  int showCommand = 0;
  link->GetShowCmd(&showCommand);
  EXPECT_EQ(showCommand, SW_SHOWNORMAL);
  file->Release();
  link->Release();
}

}  // namespace
