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

  // Two moves of other programs, a replacement and a deletion, as Windows
  // writes them; the list's final zero is added where the list ends.
  const std::string others_ =
      "\\??\\C:\\Other\\new.dll\0!\\??\\C:\\Other\\old.dll\0\\??\\C:\\Other\\gone.tmp\0\0"s;

 private:
  std::optional<std::string> saved_;
};

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

  const std::string in = "\\??\\" + env_.sandbox + "\\";
  EXPECT_EQ(ReadRawValue(), in + "b.txt\0!"s + in + "A Long Name.text\0"s + in + "B.TXT\0\0"s +
                                "\\??\\" + *alias + "\0"s + in + "c.txt\0\0"s);
  // Withdrawing goes by the stored text: the long name is not its 8.3 alias.
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("A Long Name.text"), InSandbox("c.txt")));
  EXPECT_TRUE(os().CancelScheduledMove(*alias, InSandbox("c.txt")));
}

TEST_F(PendingMoves, WithdrawingLeavesOtherMovesAsTheyWereAndTheLastOneTakesTheValue) {
  EXPECT_FALSE(os().CancelScheduledMove(InSandbox("x"), ""));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound) << "no list at all";

  WriteRawValue(others_ + "\0"s);
  // Windows appends after the others' deletion, whose empty target the search passes.
  WriteFile(InSandbox("Mine.dat"), "M");
  ASSERT_TRUE(os().Move(InSandbox("Mine.dat"), "", qm::kMoveDelayUntilReboot));
  // Letter case, forward slashes and a relative path name the same file.
  ASSERT_TRUE(os().SetCurrentFolder(env_.sandbox));
  EXPECT_TRUE(os().CancelScheduledMove("./mine.DAT", ""));
  EXPECT_EQ(ReadRawValue(), others_ + "\0"s);

  EXPECT_TRUE(os().CancelScheduledMove("c:\\other\\NEW.dll", "C:\\Other\\old.dll"));
  EXPECT_TRUE(os().CancelScheduledMove("C:\\Other\\gone.tmp", ""));
  EXPECT_FALSE(ReadRawValue().has_value());
}

// A test that stops halfway leaves its moves behind; the environment takes
// back those of every sandbox, also of an earlier run's, and only those.
TEST_F(PendingMoves, ContractEnvironmentTakesBackOnlyTheMovesOfItsSandboxes) {
  char temporary[MAX_PATH];
  const std::string in = "\\??\\" + std::string(temporary, GetTempPathA(MAX_PATH, temporary));
  const std::string earlierRun = in + "QM00ab12\\left.txt\0"s + in + "qm00ab12\\x\0"s;
  const std::string noSandbox = in + "qmprobe\\a\0\0"s + in + "qm12345\\a\0!"s + in + "qm\0"s;
  WriteRawValue(others_ + earlierRun + noSandbox + "\0"s);

  ContractEnvironment second = MakeContractEnvironment();
  EXPECT_EQ(ReadRawValue(), others_ + noSandbox + "\0"s);
  WriteFile(second.sandbox + "\\f", "F");
  ASSERT_TRUE(second.platform->Move(second.sandbox + "\\f", "", qm::kMoveDelayUntilReboot));
  DisposeContractEnvironment(second);
  EXPECT_EQ(ReadRawValue(), others_ + noSandbox + "\0"s);
}

}  // namespace
