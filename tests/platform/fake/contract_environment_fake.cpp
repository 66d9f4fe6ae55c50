// The contract tests' environment over the in-memory platform: a fresh
// machine per test, so disposing of it is forgetting it.
#include "platform/contract/contract_environment.h"
#include "platform/fake/fake_platform.h"

ContractEnvironment MakeContractEnvironment() {
  auto platform = std::make_unique<qm::FakePlatform>();
  platform->AddFolder("C:\\TEMP\\Contract Sandbox");
  ContractEnvironment environment;
  environment.platform = std::move(platform);
  environment.sandbox = "C:\\TEMP\\Contract Sandbox";
  environment.missingDriveRoot = "Q:\\";
  environment.registrySandbox = "Software\\QmsetupContractTests";
  return environment;
}

void DisposeContractEnvironment(ContractEnvironment& environment) {
  environment.platform.reset();
}
