// How the profile (INI file) calls behave for the shell line of SYSTEM.INI.
#include "platform/contract/contract_fixture.h"

namespace {

using ProfileContract = ContractTest;

TEST_F(ProfileContract, ValuesRoundTripAndMissingOnesGiveNothing) {
  const std::string file = InSandbox("SYSTEM.INI");
  EXPECT_FALSE(os().ReadIniString("Boot", "Shell", file)) << "no file";
  EXPECT_TRUE(os().WriteIniString("Boot", "Shell", "Explorer.exe", file));
  EXPECT_TRUE(os().WriteIniString("Boot", "Empty", "", file));
  EXPECT_EQ(os().ReadIniString("boot", "shell", file), "Explorer.exe");
  EXPECT_EQ(os().ReadIniString("Boot", "Empty", file), "");
  EXPECT_FALSE(os().ReadIniString("Boot", "Drivers", file)) << "no key";
  EXPECT_FALSE(os().ReadIniString("386Enh", "Shell", file)) << "no section";
  EXPECT_TRUE(os().DeleteIniString("Boot", "Shell", file));
  EXPECT_FALSE(os().ReadIniString("Boot", "Shell", file));
  EXPECT_EQ(os().ReadIniString("Boot", "Empty", file), "");
}

}  // namespace
