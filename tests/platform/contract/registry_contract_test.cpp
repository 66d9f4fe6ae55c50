// How the registry calls behave for the keys the setup reads and writes.
#include <string>

#include "platform/contract/contract_fixture.h"

namespace {

using RegistryContract = ContractTest;

TEST_F(RegistryContract, CreateKeyMakesEveryMissingLevelAndOpenKeyFindsIt) {
  const auto created = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\A\\B\\C");
  ASSERT_TRUE(created.has_value()) << "error " << os().LastError();
  os().CloseKey(*created);
  const auto opened = os().OpenKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\A\\B");
  ASSERT_TRUE(opened.has_value());
  os().CloseKey(*opened);
}

TEST_F(RegistryContract, OpenKeyOfAMissingKeyFailsWithFileNotFound) {
  EXPECT_FALSE(os().OpenKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Absent"));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

TEST_F(RegistryContract, StringsRoundTripAndMissingValuesGiveNothing) {
  const auto key = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox);
  ASSERT_TRUE(key.has_value());
  EXPECT_FALSE(os().QueryString(*key, "RegDir").has_value());
  EXPECT_TRUE(os().SetString(*key, "RegDir", "C:\\Program Files\\Kestrelon"));
  EXPECT_TRUE(os().SetString(*key, "Empty", ""));
  EXPECT_EQ(os().QueryString(*key, "RegDir"), "C:\\Program Files\\Kestrelon");
  EXPECT_EQ(os().QueryString(*key, "Empty"), "");
  EXPECT_TRUE(os().SetString(*key, "RegDir", "D:\\K"));
  EXPECT_EQ(os().QueryString(*key, "RegDir"), "D:\\K");
  os().CloseKey(*key);
}

TEST_F(RegistryContract, KeyAndValueNamesIgnoreCase) {
  const auto key = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Shell Folders");
  ASSERT_TRUE(key.has_value());
  os().SetString(*key, "Programs", "C:\\Menu");
  os().CloseKey(*key);

  std::string upper = env_.registrySandbox + "\\SHELL FOLDERS";
  const auto opened = os().OpenKey(qm::kHkeyCurrentUser, upper);
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(os().QueryString(*opened, "programs"), "C:\\Menu");
  os().CloseKey(*opened);

  const auto recreated = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\shell folders");
  ASSERT_TRUE(recreated.has_value());
  EXPECT_EQ(os().QueryString(*recreated, "PROGRAMS"), "C:\\Menu");
  os().CloseKey(*recreated);
}

TEST_F(RegistryContract, OpenedKeysAreForReadingOnly) {
  const auto created = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox);
  ASSERT_TRUE(created.has_value());
  os().SetString(*created, "Shell", "Explorer.exe");
  os().CloseKey(*created);
  const auto opened = os().OpenKey(qm::kHkeyCurrentUser, env_.registrySandbox);
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(os().QueryString(*opened, "Shell"), "Explorer.exe");
  EXPECT_FALSE(os().SetString(*opened, "Shell", "Kestrelon.exe"));
  EXPECT_EQ(os().LastError(), qm::kErrorAccessDenied);
  os().CloseKey(*opened);
}

TEST_F(RegistryContract, OnlyAKeyWithoutValuesAndSubkeysIsDeleted) {
  const auto key = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry\\Sub");
  ASSERT_TRUE(key.has_value());
  os().CloseKey(*key);
  const auto entry = os().CreateKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry");
  ASSERT_TRUE(entry.has_value());
  os().SetString(*entry, "DisplayName", "Kestrelon!");

  EXPECT_FALSE(os().DeleteEmptyKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry"));
  EXPECT_EQ(os().LastError(), qm::kErrorDirNotEmpty) << "a subkey";
  EXPECT_TRUE(os().DeleteEmptyKey(*entry, "Sub"));
  EXPECT_FALSE(os().DeleteEmptyKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry"));
  EXPECT_EQ(os().LastError(), qm::kErrorDirNotEmpty) << "a value";
  EXPECT_TRUE(os().DeleteValue(*entry, "displayname"));
  EXPECT_FALSE(os().DeleteValue(*entry, "DisplayName"));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
  os().CloseKey(*entry);
  EXPECT_TRUE(os().DeleteEmptyKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry"));
  EXPECT_FALSE(os().OpenKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry"));
  EXPECT_FALSE(os().DeleteEmptyKey(qm::kHkeyCurrentUser, env_.registrySandbox + "\\Entry"));
  EXPECT_EQ(os().LastError(), qm::kErrorFileNotFound);
}

}  // namespace
