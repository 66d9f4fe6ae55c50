// How Windows answers the calls with which an update puts its files in
// place: renames, attributes, moves scheduled for the next start and the
// free space of a drive.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace {

using qm::FileCreation;
using qm::kAccessRead;
using qm::kInvalidFile;
using qm::kShareRead;

using RenameContract = ContractTest;

TEST_F(RenameContract, PlainRenameRefusesAnExistingTargetAndAFileHeldOpen) {
  WriteFile(InSandbox("a"), "A");
  WriteFile(InSandbox("b"), "B");
  EXPECT_FALSE(os().Move(InSandbox("a"), InSandbox("b"), 0));
  EXPECT_EQ(os().LastError(), qm::kErrorAlreadyExists);
  EXPECT_EQ(ReadFile(InSandbox("b")), "B");

  const auto held = os().Open(InSandbox("a"), kAccessRead, kShareRead, FileCreation::kOpenExisting);
  ASSERT_NE(held, kInvalidFile);
  EXPECT_FALSE(os().Move(InSandbox("a"), InSandbox("c"), 0));
  EXPECT_EQ(os().LastError(), qm::kErrorSharingViolation);
  os().Close(held);

  EXPECT_TRUE(os().Move(InSandbox("a"), InSandbox("c"), 0));
  EXPECT_EQ(ReadFile(InSandbox("c")), "A");
  EXPECT_FALSE(os().FindFirst(InSandbox("a")).has_value());
}

using AttributeContract = ContractTest;

// A read-only file can be renamed but not deleted; its attributes travel with it.
TEST_F(AttributeContract, ReadOnlyFileIsRenamedWithItsAttributesButNotDeleted) {
  WriteFile(InSandbox("f"), "x");
  const auto fresh = os().Attributes(InSandbox("f"));
  ASSERT_TRUE(fresh.has_value());
  EXPECT_EQ(*fresh & (qm::kAttributeReadOnly | qm::kAttributeHidden | qm::kAttributeDirectory), 0u);
  const uint32_t kept = qm::kAttributeReadOnly | qm::kAttributeHidden;
  ASSERT_TRUE(os().SetAttributes(InSandbox("f"), kept));
  EXPECT_FALSE(os().Delete(InSandbox("f")));
  EXPECT_EQ(os().LastError(), qm::kErrorAccessDenied);
  EXPECT_TRUE(os().Move(InSandbox("f"), InSandbox("g"), 0));
  EXPECT_EQ(os().Attributes(InSandbox("g")).value_or(0) & kept, kept);
  ASSERT_TRUE(os().SetAttributes(InSandbox("g"), qm::kAttributeNormal));
  EXPECT_TRUE(os().Delete(InSandbox("g")));

  EXPECT_FALSE(os().Attributes(InSandbox("absent")).has_value());
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  EXPECT_FALSE(os().SetAttributes(InSandbox("absent"), qm::kAttributeNormal));
}

using ScheduledMoveContract = ContractTest;

// Only a move scheduled with exactly those paths is withdrawn, and only once.
TEST_F(ScheduledMoveContract, ScheduledReplacementAndDeletionCanBeWithdrawn) {
  WriteFile(InSandbox("new"), "N");
  WriteFile(InSandbox("old"), "O");
  const uint32_t later = qm::kMoveDelayUntilReboot | qm::kMoveReplaceExisting;
  ASSERT_TRUE(os().Move(InSandbox("new"), InSandbox("old"), later));
  ASSERT_TRUE(os().Move(InSandbox("old"), "", qm::kMoveDelayUntilReboot));
  EXPECT_EQ(ReadFile(InSandbox("old")), "O") << "nothing moves before the next start";
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("old"), InSandbox("new")));
  EXPECT_TRUE(os().CancelScheduledMove(InSandbox("new"), InSandbox("old")));
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("new"), InSandbox("old")));
  EXPECT_TRUE(os().CancelScheduledMove(InSandbox("old"), ""));
}

using FreeSpaceContract = ContractTest;

TEST_F(FreeSpaceContract, DriveOfTheSandboxHasRoomAndAMissingDriveHasNone) {
  const auto space = os().FreeSpace(env_.sandbox.substr(0, 3));
  ASSERT_TRUE(space.has_value());
  EXPECT_GT(space->freeBytes, 0u);
  EXPECT_GE(space->clusterBytes, 512u);
  EXPECT_FALSE(os().FreeSpace(env_.missingDriveRoot).has_value());
}

TEST(DiskSpaceArithmetic, CountsOfADriveOver4GbDoNotWrapAround) {
  // 64 sectors of 512 bytes, 200,000 free clusters: 6,553,600,000 bytes.
  const qm::DiskSpace space = qm::DiskSpaceFromClusters(64, 512, 200000);
  EXPECT_EQ(space.freeBytes, 6553600000ull);
  EXPECT_EQ(space.clusterBytes, 32768u);
}

}  // namespace
