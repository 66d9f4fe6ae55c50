// How Windows answers the file calls that the copy and unpack passes rely on:
// creation dispositions, sharing, positions, copying and deleting.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace {

using qm::FileCreation;
using qm::kAccessRead;
using qm::kAccessReadWrite;
using qm::kAccessWrite;
using qm::kInvalidFile;
using qm::kShareNone;
using qm::kShareRead;

using OpenContract = ContractTest;

TEST_F(OpenContract, CreateAlwaysTruncatesAnExistingFile) {
  WriteFile(InSandbox("f"), "a long first content");
  WriteFile(InSandbox("f"), "short");
  EXPECT_EQ(ReadFile(InSandbox("f")), "short");
}

TEST_F(OpenContract, OpenExistingOfMissingFileFailsWith2AndInMissingFolderWith3) {
  EXPECT_EQ(os().Open(InSandbox("absent"), kAccessRead, kShareRead, FileCreation::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  EXPECT_EQ(os().Open(InSandbox("absent\\f"), kAccessRead, kShareRead,
                      FileCreation::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(os().LastError(), qm::kErrorPathNotFound);
  EXPECT_FALSE(os().FindFirst(InSandbox("absent")).has_value());
}

TEST_F(OpenContract, CreateNewOfAnExistingFileFailsWithFileExists) {
  WriteFile(InSandbox("f"), "kept");
  EXPECT_EQ(os().Open(InSandbox("f"), kAccessWrite, kShareNone, FileCreation::kCreateNew),
            kInvalidFile);
  EXPECT_EQ(os().LastError(), qm::kErrorFileExists);
  EXPECT_EQ(ReadFile(InSandbox("f")), "kept");
}

TEST_F(OpenContract, OpenAlwaysCreatesAMissingFileAndKeepsAnExistingOne) {
  const auto file = os().Open(InSandbox("f"), kAccessWrite, kShareNone, FileCreation::kOpenAlways);
  ASSERT_NE(file, kInvalidFile);
  EXPECT_EQ(os().FileSize(file), 0);
  os().Write(file, "abc", 3);
  os().Close(file);
  const auto again =
      os().Open(InSandbox("f"), kAccessWrite, kShareNone, FileCreation::kOpenAlways);
  ASSERT_NE(again, kInvalidFile);
  EXPECT_EQ(os().FileSize(again), 3);
  os().Close(again);
}

using SharingContract = ContractTest;

TEST_F(SharingContract, FileHeldWithoutSharingRefusesEveryOtherOpenAndDeletion) {
  WriteFile(InSandbox("held"), "x");
  const auto held = os().Open(InSandbox("held"), kAccessRead, kShareNone,
                              FileCreation::kOpenExisting);
  ASSERT_NE(held, kInvalidFile);
  EXPECT_EQ(os().Open(InSandbox("held"), kAccessRead, qm::kShareRead | qm::kShareWrite,
                      FileCreation::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(os().LastError(), qm::kErrorSharingViolation);
  EXPECT_FALSE(os().Delete(InSandbox("held")));
  EXPECT_EQ(os().LastError(), qm::kErrorSharingViolation);
  EXPECT_TRUE(os().Close(held));
  EXPECT_TRUE(os().Delete(InSandbox("held")));
}

TEST_F(SharingContract, SharedReadAdmitsASecondReaderButNoWriter) {
  WriteFile(InSandbox("shared"), "x");
  const auto first = os().Open(InSandbox("shared"), kAccessRead, kShareRead,
                               FileCreation::kOpenExisting);
  ASSERT_NE(first, kInvalidFile);
  const auto second = os().Open(InSandbox("shared"), kAccessRead, kShareRead,
                                FileCreation::kOpenExisting);
  EXPECT_NE(second, kInvalidFile);
  EXPECT_EQ(os().Open(InSandbox("shared"), kAccessWrite, kShareRead,
                      FileCreation::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(os().LastError(), qm::kErrorSharingViolation);
  os().Close(second);
  os().Close(first);
}

using PositionContract = ContractTest;

TEST_F(PositionContract, ReadAtTheEndSucceedsWithZeroBytes) {
  WriteFile(InSandbox("f"), "abc");
  const auto file = os().Open(InSandbox("f"), kAccessRead, kShareRead,
                              FileCreation::kOpenExisting);
  ASSERT_NE(file, kInvalidFile);
  char buffer[8];
  EXPECT_EQ(os().Read(file, buffer, sizeof buffer), 3u);
  EXPECT_EQ(os().Read(file, buffer, sizeof buffer), 0u);
  os().Close(file);
}

TEST_F(PositionContract, SeekFromEachOriginAndTruncateAtThePosition) {
  const auto file = os().Open(InSandbox("f"), kAccessReadWrite, kShareNone,
                              FileCreation::kCreateAlways);
  ASSERT_NE(file, kInvalidFile);
  os().Write(file, "0123456789", 10);
  EXPECT_EQ(os().Seek(file, 4, qm::SeekOrigin::kBegin), 4);
  EXPECT_EQ(os().Seek(file, 2, qm::SeekOrigin::kCurrent), 6);
  EXPECT_EQ(os().Seek(file, -3, qm::SeekOrigin::kEnd), 7);
  EXPECT_EQ(os().Seek(file, 4, qm::SeekOrigin::kBegin), 4);
  EXPECT_TRUE(os().Truncate(file));
  EXPECT_EQ(os().FileSize(file), 4);
  EXPECT_EQ(os().Seek(file, 0, qm::SeekOrigin::kEnd), 4);
  os().Close(file);
  EXPECT_EQ(ReadFile(InSandbox("f")), "0123");
}

TEST_F(PositionContract, SeekBeforeTheStartFailsAndBeyondTheEndGrowsTheFileOnWrite) {
  const auto file = os().Open(InSandbox("f"), kAccessReadWrite, kShareNone,
                              FileCreation::kCreateAlways);
  ASSERT_NE(file, kInvalidFile);
  os().Write(file, "ab", 2);
  EXPECT_FALSE(os().Seek(file, -5, qm::SeekOrigin::kBegin).has_value());
  EXPECT_EQ(os().Seek(file, 0, qm::SeekOrigin::kCurrent), 2);
  EXPECT_EQ(os().Seek(file, 4, qm::SeekOrigin::kBegin), 4);
  EXPECT_EQ(os().FileSize(file), 2);
  os().Write(file, "z", 1);
  EXPECT_EQ(os().FileSize(file), 5);
  os().Close(file);
  EXPECT_EQ(ReadFile(InSandbox("f")), std::string("ab\0\0z", 5));
}

using CopyMoveDeleteContract = ContractTest;

TEST_F(CopyMoveDeleteContract, CopyOntoAnExistingFileFailsWhenAskedAndOverwritesOtherwise) {
  WriteFile(InSandbox("source"), "new");
  WriteFile(InSandbox("target"), "old content");
  EXPECT_FALSE(os().Copy(InSandbox("source"), InSandbox("target"), true));
  EXPECT_EQ(os().LastError(), qm::kErrorFileExists);
  EXPECT_EQ(ReadFile(InSandbox("target")), "old content");
  EXPECT_TRUE(os().Copy(InSandbox("source"), InSandbox("target"), false));
  EXPECT_EQ(ReadFile(InSandbox("target")), "new");
}

TEST_F(CopyMoveDeleteContract, CopyOfAMissingSourceFailsWithFileNotFound) {
  EXPECT_FALSE(os().Copy(InSandbox("absent"), InSandbox("target"), false));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  EXPECT_FALSE(os().FindFirst(InSandbox("target")).has_value());
}

TEST_F(CopyMoveDeleteContract, MoveReplacesAnExistingTargetOnlyWhenAsked) {
  WriteFile(InSandbox("a"), "A");
  WriteFile(InSandbox("b"), "B");
  EXPECT_FALSE(os().Move(InSandbox("a"), InSandbox("b"), 0));
  EXPECT_EQ(os().LastError(), qm::kErrorAlreadyExists);
  EXPECT_TRUE(os().Move(InSandbox("a"), InSandbox("b"), qm::kMoveReplaceExisting));
  EXPECT_EQ(ReadFile(InSandbox("b")), "A");
  EXPECT_FALSE(os().FindFirst(InSandbox("a")).has_value());
}

TEST_F(CopyMoveDeleteContract, DeleteOfAMissingFileFailsWithFileNotFound) {
  EXPECT_FALSE(os().Delete(InSandbox("absent")));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

}  // namespace
