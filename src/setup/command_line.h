// The setup's command line: the switches with which an administrator runs it
// unattended, gives it its folders and answers, and has it keep a log.
//
// Switches begin with "/" and are read without regard to case; a value
// follows "=" and may be put in double quotes. /D's folder needs no quotes:
// it takes everything after its "=", blanks included, up to the end of the
// line or to the next switch (a blank and a "/", which no folder holds).
// Without any switch the setup runs exactly as it always has.
#pragma once

#include <optional>
#include <string>

namespace qm {

struct CommandLineOptions {
  bool silent = false;                     // /S: no window; the agreement counts as accepted
  std::optional<std::string> destination;  // /D=FOLDER, in capitals as MAIN's edit holds it
  std::optional<std::string> groupName;    // /GROUP=NAME
  bool activeDesktop = false;              // /DESKTOP
  bool replaceTaskManager = false;         // /TASKMAN
  std::optional<std::string> logFile;      // /LOG=FILE
  bool noRestart = false;                  // /NORESTART: Windows is never restarted
  std::optional<std::string> mediaFolder;  // /MEDIA=FOLDER: where the volumes are
};

struct ParsedCommandLine {
  // Every switch that was accepted, also when another one was refused, so
  // that a refused command line still knows whether to show its message and
  // where to log it.
  CommandLineOptions options;
  // Why the first refused switch was refused, in words for the user; empty
  // when every switch was accepted.
  std::string problem;
};

ParsedCommandLine ParseCommandLine(const std::string& arguments);

// Every switch in one line: "/S /D=FOLDER ...".
std::string SwitchSummary();

}  // namespace qm
