// The setup's arguments as WinMain is given them, cut from the whole command
// line that GetCommandLineA returns.
#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"

namespace {

TEST(CommandLineOnWindows, ArgumentsFollowTheProgramsName) {
  const struct {
    const char* commandLine;
    const char* arguments;
  } kCases[] = {
      {"setup.exe", ""},
      {"setup.exe /S", "/S"},
      {"\"C:\\KQM Disks\\setup.exe\"  /S /D=C:\\Silent Folder", "/S /D=C:\\Silent Folder"},
      {"\"C:\\KQM Disks\\setup.exe\"/S", "/S"},
      {"C:\\SETUP.EXE\t /LOG=\"C:\\a b.log\" ", "/LOG=\"C:\\a b.log\" "},
      {"\"C:\\no end quote /S", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(qm::ArgumentsOf(c.commandLine), c.arguments);
}

}  // namespace
