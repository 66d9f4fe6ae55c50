// The list of moves for the next start as Windows keeps it in the registry,
// and how the adapter and the contract environment take moves out of it.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/contract/contract_fixture.h"
#include "platform/win32/pending_moves.h"

namespace {

using namespace std::string_literals;

// The raw value, or nothing when it is absent.
std::optional<std::string> ReadRawValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::kSessionManagerKey, 0, KEY_QUERY_VALUE, &key)) {
    return std::nullopt;
  }
  std::string value;
  const LONG status = qm::ReadPendingMoves(key, value);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

void WriteRawValue(const std::optional<std::string>& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::kSessionManagerKey, 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  if (value) {
    RegSetValueExA(key, qm::kPendingMovesValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(value->data()),
                   static_cast<DWORD>(value->size()));
  } else {
    RegDeleteValueA(key, qm::kPendingMovesValue);
  }
  RegCloseKey(key);
}

// Each test starts from an empty list and leaves the list as it found it, so
// that Wine carries out none of its moves at its next start.
class PendingMoves : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    saved_ = ReadRawValue();
    WriteRawValue(std::nullopt);
  }
  void TearDown() override {
    WriteRawValue(saved_);
    ContractTest::TearDown();
  }

  // Two moves of other programs, a replacement and a deletion, as Windows writes them.
  const std::string othersMoves_ =
      "\\??\\C:\\Other\\new.dll\0!\\??\\C:\\Other\\old.dll\0\\??\\C:\\Other\\gone.tmp\0\0\0"s;

 private:
  std::optional<std::string> saved_;
};

TEST(SplitPendingMoves, DeletionsEmptyTargetIsNotTakenForTheEndOfTheList) {
  const auto moves =
      qm::SplitPendingMoves("\\??\\C:\\a\0!\\??\\C:\\b\0\\??\\C:\\c\0\0\\??\\C:\\d\0\\??\\C:\\e\0\0"s);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0].target, "!\\??\\C:\\b");
  EXPECT_EQ(moves[1].source, "\\??\\C:\\c");
  EXPECT_EQ(moves[1].target, "");
  EXPECT_EQ(moves[2].source, "\\??\\C:\\d");

  // Values that lack the list's last zero, or even an entry's zero.
  const auto open = qm::SplitPendingMoves("\\??\\C:\\a\0\\??\\C:\\b\0\\??\\C:\\c\0\0"s);
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[1].target, "");
  const auto cut = qm::SplitPendingMoves("\\??\\C:\\a\0\\??\\C:\\b"s);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].target, "\\??\\C:\\b");
  EXPECT_TRUE(qm::SplitPendingMoves(""s).empty());
  EXPECT_TRUE(qm::SplitPendingMoves("\0\0"s).empty());
}

// The forms the adapter's matching relies on: paths as given but made full,
// "!" before a replacing target, an empty target for a deletion.
TEST_F(PendingMoves, EachMoveIsStoredAsItsFullPathsInTheGivenSpelling) {
  WriteFile(InSandbox("A Long Name.text"), "L");
  WriteFile(InSandbox("b.txt"), "B");
  const auto alias = os().ShortPath(InSandbox("A Long Name.text"));
  ASSERT_TRUE(alias.has_value());
  ASSERT_TRUE(os().Move(InSandbox("b.txt"), InSandbox("A Long Name.text"),
                        qm::kMoveDelayUntilReboot | qm::kMoveReplaceExisting));
  ASSERT_TRUE(os().Move(InSandbox("sub\\..\\B.TXT"), "", qm::kMoveDelayUntilReboot));
  ASSERT_TRUE(os().Move(*alias, InSandbox("c.txt"), qm::kMoveDelayUntilReboot));

  const std::string nt = "\\??\\" + env_.sandbox + "\\";
  EXPECT_EQ(ReadRawValue(), nt + "b.txt\0!"s + nt + "A Long Name.text\0"s +  //
                                nt + "B.TXT\0\0"s +                         //
                                "\\??\\" + *alias + "\0"s + nt + "c.txt\0\0"s);

  // Withdrawing goes by the stored text: the long name is not its 8.3 alias.
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("A Long Name.text"), InSandbox("c.txt")));
  EXPECT_TRUE(os().CancelScheduledMove(*alias, InSandbox("c.txt")));
}

TEST_F(PendingMoves, WithdrawingLeavesOtherMovesAsTheyWereAndTheLastOneTakesTheValue) {
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("x"), ""));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound) << "no list at all";

  WriteRawValue(othersMoves_);
  WriteFile(InSandbox("Mine.dat"), "M");
  ASSERT_TRUE(os().Move(InSandbox("Mine.dat"), "", qm::kMoveDelayUntilReboot));
  // Letter case, forward slashes and a relative path name the same file.
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox));
  EXPECT_TRUE(os().CancelScheduledMove("./mine.DAT", ""));
  EXPECT_EQ(ReadRawValue(), othersMoves_);

  EXPECT_TRUE(os().CancelScheduledMove("c:\\other\\NEW.dll", "C:\\Other\\old.dll"));
  EXPECT_EQ(ReadRawValue(), "\\??\\C:\\Other\\gone.tmp\0\0\0"s);
  EXPECT_TRUE(os().CancelScheduledMove("C:\\Other\\gone.tmp", ""));
  EXPECT_FALSE(ReadRawValue().has_value());
}

// A test that stops halfway leaves its moves behind; the environment takes
// back those of every sandbox, also of an earlier run's, and only those.
TEST_F(PendingMoves, ContractEnvironmentTakesBackOnlyTheMovesOfItsSandboxes) {
  char temporary[MAX_PATH];
  const std::string nt = "\\??\\" + std::string(temporary, GetTempPathA(MAX_PATH, temporary));
  const std::string earlierRun = nt + "QM00ab12\\left.txt\0"s + nt + "qm00ab12\\x\0"s;
  const std::string notASandbox = nt + "qmprobe\\a\0\0"s + nt + "qm12345\\a\0!"s + nt + "qm\0"s;
  WriteRawValue(othersMoves_.substr(0, othersMoves_.size() - 1) + earlierRun + notASandbox + "\0"s);

  ContractEnvironment second = MakeContractEnvironment();
  EXPECT_EQ(ReadRawValue(), othersMoves_.substr(0, othersMoves_.size() - 1) + notASandbox + "\0"s);
  WriteFile(second.sandbox + "\\f", "F");
  ASSERT_TRUE(second.platform->Move(second.sandbox + "\\f", "", qm::kMoveDelayUntilReboot));
  DisposeContractEnvironment(second);
  EXPECT_EQ(ReadRawValue(), othersMoves_.substr(0, othersMoves_.size() - 1) + notASandbox + "\0"s);
}

}  // namespace
