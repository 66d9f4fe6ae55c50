// Drives the setup program through a named scenario and reports the outcome.
// Usage: qm_e2e_driver SCENARIO|all SETUP_EXE|MEDIA_FOLDER [TIMEOUT_SECONDS]
//        qm_e2e_driver bench MEDIA_FOLDER [RUNS]
// Scenarios that install take the media folder (what tests/e2e/install/
// make_media.sh makes) instead of the setup program.
// The exit code is 0 when the run went as scripted, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "install_bench.h"
#include "play.h"
#include "scenario.h"

// "all" plays every scenario in turn and fails when any fails.
int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: %s SCENARIO|all SETUP_EXE|MEDIA_FOLDER [TIMEOUT_SECONDS]\n"
                "       %s bench MEDIA_FOLDER [RUNS]\n",
                argv[0], argv[0]);
    return 2;
  }
  const std::string name = argv[1];
  const std::string argument = e2e::WindowsPath(argv[2]);
  if (name == "bench") {
    e2e::SetMediaFolder(argument);
    return e2e::RunInstallBench(argc > 3 ? std::atoi(argv[3]) : 5) ? 0 : 1;
  }
  const std::vector<std::string> names =
      name == "all" ? e2e::ScenarioNames() : std::vector<std::string>{name};
  const DWORD seconds = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 60;
  int failures = 0;
  for (const std::string& each : names) {
    const e2e::Scenario* scenario = e2e::FindScenario(each);
    if (scenario == nullptr) {
      std::printf("unknown scenario %s\n", each.c_str());
      return 2;
    }
    std::printf("scenario %s\n", each.c_str());
    if (!e2e::Play(*scenario, e2e::ProgramOf(*scenario, argument), seconds)) ++failures;
  }
  std::printf("%d passed, %d failed\n", static_cast<int>(names.size()) - failures, failures);
  return failures == 0 ? 0 : 1;
}
