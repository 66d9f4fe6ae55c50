// A drive's free space by either path: GetDiskFreeSpaceExA where kernel32 has
// it, and the cluster counts alone as on the first Windows 95, run on purpose
// here by passing no Ex function.
#include <windows.h>

#include "platform/contract/contract_fixture.h"
#include "platform/win32/disk_space.h"

namespace {

using DiskSpaceOnWindows = ContractTest;

TEST_F(DiskSpaceOnWindows, ClusterCountsAgreeWithTheExCall) {
  const qm::GetDiskFreeSpaceExFunction freeSpaceEx = qm::LookUpGetDiskFreeSpaceEx();
  ASSERT_NE(freeSpaceEx, nullptr) << "every Windows since Windows 95 OSR2 has it";
  const std::string root = env_.sandbox.substr(0, 3);

  const auto byEx = qm::QueryDiskSpace(root, freeSpaceEx);
  const auto byClusters = qm::QueryDiskSpace(root, nullptr);
  ASSERT_TRUE(byEx.has_value());
  ASSERT_TRUE(byClusters.has_value());
  EXPECT_EQ(byClusters->clusterBytes, byEx->clusterBytes);
  EXPECT_EQ(byClusters->freeBytes % byClusters->clusterBytes, 0u);
  // Other programs write to the drive between the two calls.
  const uint64_t kDrift = 64ull << 20;
  EXPECT_LT(byClusters->freeBytes, byEx->freeBytes + kDrift);
  EXPECT_GT(byClusters->freeBytes + kDrift, byEx->freeBytes);
}

TEST_F(DiskSpaceOnWindows, MissingDriveFailsOnBothPaths) {
  for (const auto freeSpaceEx : {qm::LookUpGetDiskFreeSpaceEx(), qm::GetDiskFreeSpaceExFunction{}}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(qm::QueryDiskSpace(env_.missingDriveRoot, freeSpaceEx).has_value());
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  }
  EXPECT_FALSE(os().FreeSpace(env_.missingDriveRoot).has_value());
  EXPECT_NE(os().LastError(), 0u);
}

}  // namespace
