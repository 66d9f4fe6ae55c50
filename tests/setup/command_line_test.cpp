#include "setup/command_line.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::string Text(const std::optional<std::string>& value) { return value.value_or("<none>"); }

// The options as one line, so that a whole table row compares at once.
std::string Shown(const CommandLineOptions& o) {
  return std::string(o.silent ? "S " : "") + (o.activeDesktop ? "DESKTOP " : "") +
         (o.replaceTaskManager ? "TASKMAN " : "") + (o.noRestart ? "NORESTART " : "") +
         "D=" + Text(o.destination) + " GROUP=" + Text(o.groupName) + " LOG=" + Text(o.logFile) +
         " MEDIA=" + Text(o.mediaFolder);
}

TEST(CommandLine, AcceptedLines) {
  const struct {
    const char* line;
    const char* options;
  } kCases[] = {
      {"", "D=<none> GROUP=<none> LOG=<none> MEDIA=<none>"},
      {"   ", "D=<none> GROUP=<none> LOG=<none> MEDIA=<none>"},
      {"/S /GROUP=Tools /DESKTOP /TASKMAN /LOG=C:\\setup.log /NORESTART /MEDIA=A: /D=C:\\KQM",
       "S DESKTOP TASKMAN NORESTART D=C:\\KQM GROUP=Tools LOG=C:\\setup.log MEDIA=A:"},
      // Any case; /D up to the end of the line or the next switch, blanks and
      // all, in capitals.
      {"/s /Desktop\t/norestart  /d=c:\\Program Files\\Silent  Folder  ",
       "S DESKTOP NORESTART D=C:\\PROGRAM FILES\\SILENT  FOLDER GROUP=<none> LOG=<none> "
       "MEDIA=<none>"},
      {"/S /D=C:\\Silent Folder /LOG=C:\\install.log",
       "S D=C:\\SILENT FOLDER GROUP=<none> LOG=C:\\install.log MEDIA=<none>"},
      // Values in double quotes may hold blanks; /D's quotes are dropped.
      {"/GROUP=\"Desk Tools\" /D=\"D:\\A B\" /LOG=\"C:\\My Logs\\a.log\" /MEDIA=\\\\srv\\disks",
       "D=D:\\A B GROUP=Desk Tools LOG=C:\\My Logs\\a.log MEDIA=\\\\srv\\disks"},
      {"/D=Z:", "D=Z: GROUP=<none> LOG=<none> MEDIA=<none>"},
  };
  for (const auto& c : kCases) {
    const ParsedCommandLine parsed = ParseCommandLine(c.line);
    EXPECT_EQ(parsed.problem, "") << c.line;
    EXPECT_EQ(Shown(parsed.options), c.options) << c.line;
  }
}

// A refused line names its first refused switch, and still tells /S and
// /LOG, so that a silent run shows nothing and the reason reaches the log.
TEST(CommandLine, RefusedLines) {
  const struct {
    const char* line;
    const char* problem;
    bool silent;
  } kCases[] = {
      {"/S /FOO /LOG=C:\\a.log", "The switch \"/FOO\" is not known.", true},
      {"/LOG=C:\\a.log /Q=1 /S", "The switch \"/Q=1\" is not known.", true},
      {"S", "\"S\" is not a switch: every switch begins with \"/\".", false},
      {"/S /s", "The switch /S is given more than once.", true},
      {"/GROUP=A /group=B", "The switch /GROUP is given more than once.", false},
      {"/S=1", "The switch /S takes no value: \"/S=1\".", false},
      {"/LOG", "The switch /LOG needs a value: /LOG=FILE.", false},
      {"/GROUP= /S", "The switch /GROUP needs a value: /GROUP=NAME.", true},
      {"/MEDIA=\"\"", "The switch /MEDIA needs a value: /MEDIA=FOLDER.", false},
      {"/D=", "The switch /D needs a value: /D=FOLDER.", false},
      {"/D=C:\\KQM /D=C:\\Other /S", "The switch /D is given more than once.", true},
      {"/D=C:/KQM", "The folder of /D holds a \"/\" (folders are separated by \"\\\"): \"C:/KQM\".",
       false},
      {"/D=KQM", "The folder of /D must begin with a drive letter and a colon: \"KQM\".", false},
      {"/D=1:\\KQM", "The folder of /D must begin with a drive letter and a colon: \"1:\\KQM\".",
       false},
      {"/MEDIA=disks",
       "The folder of /MEDIA must begin with a drive letter and a colon, or with \\\\: \"disks\".",
       false},
  };
  for (const auto& c : kCases) {
    const ParsedCommandLine parsed = ParseCommandLine(c.line);
    EXPECT_EQ(parsed.problem, c.problem) << c.line;
    EXPECT_EQ(parsed.options.silent, c.silent) << c.line;
  }
  EXPECT_EQ(ParseCommandLine("/S /FOO /LOG=C:\\a.log").options.logFile, "C:\\a.log");
  EXPECT_EQ(ParseCommandLine("/D=C:\\" + std::string(252, 'K')).problem,
            "The folder of /D is longer than 254 characters.");
  EXPECT_EQ(ParseCommandLine("/D=C:\\" + std::string(251, 'K')).problem, "");
}

}  // namespace
}  // namespace qm
