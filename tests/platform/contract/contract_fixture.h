// The fixture of the contract tests: a fresh environment per test and small
// file helpers that go through the platform under test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/contract/contract_environment.h"

class ContractTest : public ::testing::Test {
 protected:
  void SetUp() override { env_ = MakeContractEnvironment(); }
  void TearDown() override { DisposeContractEnvironment(env_); }

  qm::Platform& os() { return *env_.platform; }
  // A path inside the sandbox folder.
  std::string InSandbox(const std::string& relative) const {
    return env_.sandbox + "\\" + relative;
  }

  void WriteFile(const std::string& path, const std::string& content) {
    const qm::FileHandle file =
        os().Open(path, qm::kAccessWrite, qm::kShareNone, qm::FileCreation::kCreateAlways);
    ASSERT_NE(file, qm::kInvalidFile) << path << " error " << os().LastError();
    EXPECT_EQ(os().Write(file, content.data(), static_cast<uint32_t>(content.size())),
              content.size());
    EXPECT_TRUE(os().Close(file));
  }

  // The whole content, or "<error N>" when the file can't be opened.
  std::string ReadFile(const std::string& path) {
    const qm::FileHandle file =
        os().Open(path, qm::kAccessRead, qm::kShareRead, qm::FileCreation::kOpenExisting);
    if (file == qm::kInvalidFile) return "<error " + std::to_string(os().LastError()) + ">";
    std::string content;
    char block[512];
    while (const auto count = os().Read(file, block, sizeof block)) {
      if (*count == 0) break;
      content.append(block, *count);
    }
    os().Close(file);
    return content;
  }

  ContractEnvironment env_;
};
