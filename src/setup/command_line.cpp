#include "setup/command_line.h"

#include <cctype>
#include <set>
#include <vector>

#include "transport/path_helpers.h"
#include "ui/main_dialog.h"

namespace qm {

namespace {

// What follows a switch's name.
enum class Takes {
  kNothing,
  kValue,   // "=" and a value up to the next blank outside double quotes
  kFolder,  // "=" and everything up to the next switch, blanks included
};

// Answers why a value is refused (empty when it is not), and may put it
// into the form in which the setup uses it.
using ValueCheck = std::string (*)(std::string& value);

struct Switch {
  const char* name;  // in capitals, without the "/"
  Takes takes;
  const char* valueName;  // for the messages and the summary
  bool CommandLineOptions::*flag;
  std::optional<std::string> CommandLineOptions::*text;
  ValueCheck check;
};

// MAIN's edit gives at most this many characters.
constexpr size_t kLongestFolder = 254;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The folder as MAIN's edit (which turns letters into capitals) would hold
// it, checked by MAIN's rule. The setup's paths use the backslash alone.
std::string DestinationRefusal(std::string& folder) {
  folder = UpperCase(folder);
  if (folder.find('/') != std::string::npos) {
    return "The folder of /D holds a \"/\" (folders are separated by \"\\\"): " + Quoted(folder) +
           ".";
  }
  if (folder.size() > kLongestFolder) return "The folder of /D is longer than 254 characters.";
  if (!HasDriveFormat(folder)) {
    return "The folder of /D must begin with a drive letter and a colon: " + Quoted(folder) + ".";
  }
  return std::string();
}

// The volumes are read after MAIN has made the destination the current
// folder, so their folder must not depend on the current one.
std::string MediaRefusal(std::string& folder) {
  const bool drive =
      folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':';
  if (drive || folder.rfind("\\\\", 0) == 0) return std::string();
  return "The folder of /MEDIA must begin with a drive letter and a colon, or with \\\\: " +
         Quoted(folder) + ".";
}

// In the order of the summary, with /D last, where it reads best.
const Switch kSwitches[] = {
    {"S", Takes::kNothing, "", &CommandLineOptions::silent, nullptr, nullptr},
    {"GROUP", Takes::kValue, "NAME", nullptr, &CommandLineOptions::groupName, nullptr},
    {"DESKTOP", Takes::kNothing, "", &CommandLineOptions::activeDesktop, nullptr, nullptr},
    {"TASKMAN", Takes::kNothing, "", &CommandLineOptions::replaceTaskManager, nullptr, nullptr},
    {"LOG", Takes::kValue, "FILE", nullptr, &CommandLineOptions::logFile, nullptr},
    {"NORESTART", Takes::kNothing, "", &CommandLineOptions::noRestart, nullptr, nullptr},
    {"MEDIA", Takes::kValue, "FOLDER", nullptr, &CommandLineOptions::mediaFolder, MediaRefusal},
    {"D", Takes::kFolder, "FOLDER", nullptr, &CommandLineOptions::destination, DestinationRefusal},
};

const Switch* FindSwitch(const std::string& name) {
  for (const Switch& known : kSwitches) {
    if (name == known.name) return &known;
  }
  return nullptr;
}

std::string Form(const Switch& known) {
  const std::string name = std::string("/") + known.name;
  return known.takes == Takes::kNothing ? name : name + "=" + known.valueName;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// One word of the line: where it begins, and its text with the double
// quotes taken out.
struct Word {
  size_t start;
  std::string text;
};

// The line split at blanks outside double quotes.
std::vector<Word> SplitWords(const std::string& line) {
  std::vector<Word> words;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (!quoted && IsBlank(c)) {
      inWord = false;
      continue;
    }
    if (!inWord) words.push_back({i, std::string()});
    inWord = true;
    if (c == '"') {
      quoted = !quoted;
    } else {
      words.back().text += c;
    }
  }
  return words;
}

// True when the blank at `at` is followed, after any more blanks, by a "/".
bool NextSwitchBegins(const std::string& line, size_t at) {
  const auto next = line.find_first_not_of(" \t", at);
  return next != std::string::npos && line[next] == '/';
}

// One switch as it was given.
struct Given {
  std::string text;                  // the word
  const Switch* known = nullptr;     // nothing for a word that is no switch of the setup
  std::optional<std::string> value;  // what follows "=", when there is one
  size_t end = 0;                    // where a folder value ends in the line
};

// The folder after the "=" of the word that begins at `start`: up to the end
// of the line or to the next switch, without double quotes (a folder name
// has none) and the blanks around it.
void TakeFolder(const std::string& line, size_t start, Given& given) {
  std::string value;
  size_t at = line.find('=', start) + 1;
  for (; at < line.size() && !(IsBlank(line[at]) && NextSwitchBegins(line, at)); ++at) {
    if (line[at] != '"') value += line[at];
  }
  given.value = Trimmed(value);
  given.end = at;
}

Given Identify(const std::string& line, const Word& word) {
  Given given;
  given.text = word.text;
  if (word.text.empty() || word.text[0] != '/') return given;
  const auto equals = word.text.find('=');
  const std::string name =
      word.text.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
  given.known = FindSwitch(UpperCase(name));
  if (equals == std::string::npos) return given;
  if (given.known && given.known->takes == Takes::kFolder) {
    TakeFolder(line, word.start, given);
  } else {
    given.value = word.text.substr(equals + 1);
  }
  return given;
}

// Why a switch is refused, its value put into the form the setup uses; empty
// when it is accepted.
std::string Refusal(Given& given, const std::set<const Switch*>& seen) {
  if (given.text.empty() || given.text[0] != '/') {
    return Quoted(given.text) + " is not a switch: every switch begins with \"/\".";
  }
  if (!given.known) return "The switch " + Quoted(given.text) + " is not known.";
  const std::string name = std::string("/") + given.known->name;
  if (seen.count(given.known)) return "The switch " + name + " is given more than once.";
  if (given.known->takes == Takes::kNothing) {
    return given.value ? "The switch " + name + " takes no value: " + Quoted(given.text) + "."
                       : std::string();
  }
  if (!given.value || given.value->empty()) {
    return "The switch " + name + " needs a value: " + Form(*given.known) + ".";
  }
  return given.known->check ? given.known->check(*given.value) : std::string();
}

void Apply(CommandLineOptions& options, const Given& given) {
  if (given.known->flag) {
    options.*(given.known->flag) = true;
  } else {
    options.*(given.known->text) = given.value;
  }
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::string& arguments) {
  ParsedCommandLine parsed;
  std::set<const Switch*> seen;
  size_t folderEnd = 0;  // the words before it belong to /D's folder
  for (const Word& word : SplitWords(arguments)) {
    if (word.start < folderEnd) continue;
    Given given = Identify(arguments, word);
    folderEnd = given.end;
    const std::string problem = Refusal(given, seen);
    if (problem.empty()) {
      seen.insert(given.known);
      Apply(parsed.options, given);
    } else if (parsed.problem.empty()) {
      parsed.problem = problem;
    }
  }
  return parsed;
}

std::string SwitchSummary() {
  std::string summary;
  for (const Switch& known : kSwitches) summary += (summary.empty() ? "" : " ") + Form(known);
  return summary;
}

}  // namespace qm
