// A fake Windows on which the real setup installs a small product from
// diskettes (every dialog run by its own controller, the user scripted) and
// the real uninstaller removes it again, with a picture of the whole machine
// (files, registry, profile keys, moves for the next start) to compare.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "uninstall/uninstall_sequence.h"

namespace qm::test {

inline constexpr char kDestination[] = "C:\\KESTRELON";
inline constexpr char kWindows[] = "C:\\WINDOWS";
inline constexpr char kPrograms[] = "C:\\WINDOWS\\Start Menu\\Programs";

struct InstallChoice {
  bool taskManager = true;
  bool desktop = true;
};

class InstalledMachine {
 public:
  // Windows NT, or Windows 95, as it stands before any installation: its own
  // Task Manager and shell, the Start menu's folder.
  explicit InstalledMachine(bool windows95 = false);

  // A whole installation into kDestination; true when the setup ended normally.
  bool Install(InstallChoice choice = {});
  // The uninstaller in kDestination, the user answering its question with
  // `answer` (a Yes runs the progress dialog with `actions`). Its exit code.
  int Uninstall(int answer = kIdYes, std::vector<UserAction> actions = {});
  // The same with nothing scripted. The uninstaller's end lets its own files go.
  int RunUninstaller(const UninstallRequest& request = {});

  // Everything Windows keeps: files by path, keys and values, profile keys,
  // moves for the next start.
  std::map<std::string, std::string> Picture() const;

  static std::string InDestination(const std::string& name);
  static std::string InWindows(const std::string& name);
  std::string RecordText() const;

  FakePlatform os;
};

// " lost X; changed Y; left Z;" for every difference; empty when none.
std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after);

}  // namespace qm::test
