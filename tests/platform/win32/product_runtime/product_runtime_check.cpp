// The run time of the shipped programs (the win32 thread model's libraries and
// crtdll.dll) checked on what setup.exe relies on, in a program linked as the
// product is: static initialisers, the command line, a failed allocation, and
// an error thrown in a dialog's controller that crosses the real dialog
// procedure and the setup sequence to the "Application Error" report.
// Run as `product_runtime_check first "two words"`; exit code 0 when all hold,
// otherwise each failure printed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/dialog_host.h"
#include "platform/win32/win32_platform.h"
#include "setup/reg_ini_file.h"
#include "setup/setup.h"
#include "setup/setup_sequence.h"

namespace {

int failures = 0;

void Check(bool holds, const std::string& what) {
  if (holds) return;
  std::printf("FAILED: %s\n", what.c_str());
  ++failures;
}

// Made by a static initialiser, before main.
struct StartupMark {
  std::string text = "made before main";
};
const StartupMark startupMark;

// A controller whose dialog fails as it opens, as a registry write can fail.
class FailingController : public qm::DialogController {
 public:
  void OnInit(qm::DialogHost&) override {
    throw qm::ERegIniFileException("Failed to create key Kestrelon");
  }
  void OnCommand(qm::DialogHost&, int) override {}
  void OnDestroy(qm::DialogHost&) override {}
};

// The real adapter, except that every dialog fails as it opens and messages
// are kept instead of shown (no one is there to answer them).
class FailingDialogsPlatform : public qm::Win32Platform {
 public:
  std::optional<int> ShowDialog(qm::SetupDialog dialog, qm::WindowHandle owner,
                                qm::DialogController&) override {
    FailingController failing;
    return Win32Platform::ShowDialog(dialog, owner, failing);
  }
  int ShowMessage(qm::WindowHandle, const std::string& text, const std::string& caption,
                  uint32_t) override {
    messages += caption + ": " + text + "\n";
    return IDOK;
  }
  std::string messages;
};

void CheckCommandLine(int argc, char** argv) {
  Check(argc == 3 && std::strcmp(argv[1], "first") == 0 && std::strcmp(argv[2], "two words") == 0,
        "the arguments reach main as given");
  Check(std::strstr(GetCommandLineA(), "\"two words\"") != nullptr,
        "GetCommandLineA keeps the quoted argument");
}

// Where a block is kept, so that the compiler cannot leave the allocation out.
char* volatile keptBlock = nullptr;

void CheckFailedAllocation() {
  bool thrown = false;
  try {
    volatile size_t tooMuch = static_cast<size_t>(-1) / 2;
    keptBlock = new char[tooMuch];
    std::printf("an allocation of %u bytes succeeded\n", static_cast<unsigned>(tooMuch));
    delete[] keptBlock;
  } catch (const std::bad_alloc&) {
    thrown = true;
  }
  Check(thrown, "a failed allocation throws std::bad_alloc");
}

void CheckErrorThroughDialog() {
  FailingDialogsPlatform platform;
  qm::Setup setup(platform);
  const int exitCode = qm::RunSetupProcess(setup);
  Check(exitCode == 1, "the run ends with exit code 1");
  const std::string& shown = platform.messages;
  Check(shown.find("Application Error: Exception ERegIniFileException in module ") == 0,
        "the report names the error's class: " + shown);
  Check(shown.find("Failed to create key Kestrelon.") != std::string::npos,
        "the report gives the error's message: " + shown);
}

}  // namespace

int main(int argc, char** argv) {
  Check(startupMark.text == "made before main", "static initialisers run before main");
  CheckCommandLine(argc, argv);
  CheckFailedAllocation();
  CheckErrorThroughDialog();
  std::printf("%s\n", failures == 0 ? "the product's run time holds" : "the product's run time fails");
  return failures == 0 ? 0 : 1;
}
