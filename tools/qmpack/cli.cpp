#include "qmpack/cli.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "qmpack/file_io.h"
#include "qmpack/media.h"
#include "qmpack/product.h"
#include "qmpack/progress_bar.h"
#include "qmpack/setup_media_block.h"
#include "qmpack/stream_decode.h"
#include "qmpack/tool_error.h"
#include "qmpack/windows_names.h"

namespace qmpack {

namespace fs = std::filesystem;

namespace {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool showProgress;
};

struct CommandLine {
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
  std::vector<std::string> operands;

  std::optional<std::string> Value(const std::string& option) const {
    const auto found = values.find(option);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  std::string ValueOr(const std::string& option, const std::string& fallback) const {
    return Value(option).value_or(fallback);
  }
  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
};

struct Command {
  std::string name;
  std::string usage;  // the synopsis after "qmpack "
  std::string help;   // what it does and what its options mean
  std::set<std::string> valueOptions;
  std::set<std::string> flagOptions;
  std::set<std::string> requiredOptions;
  size_t operandCount;
  std::function<int(const CommandLine&, Streams&)> run;
};

// ---- parsing ---------------------------------------------------------------

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

void TakeOption(const Command& command, const std::string& arg, const std::vector<std::string>& args,
                size_t& next, CommandLine& line) {
  const auto equals = arg.find('=');
  const std::string option = arg.substr(0, equals);
  if (command.flagOptions.count(option)) {
    if (equals != std::string::npos) throw UsageError(option + " takes no value");
    line.flags.insert(option);
    return;
  }
  if (!command.valueOptions.count(option)) throw UsageError("unknown option " + option);
  if (line.values.count(option)) throw UsageError(option + " is given twice");
  if (equals != std::string::npos) {
    line.values[option] = arg.substr(equals + 1);
  } else if (next < args.size()) {
    line.values[option] = args[next++];
  } else {
    throw UsageError(option + " needs a value");
  }
}

CommandLine ParseCommandLine(const Command& command, const std::vector<std::string>& args) {
  CommandLine line;
  for (size_t next = 1; next < args.size();) {
    const std::string& arg = args[next++];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      TakeOption(command, arg, args, next, line);
    } else {
      line.operands.push_back(arg);
    }
  }
  for (const auto& option : command.requiredOptions) {
    if (!line.values.count(option)) throw UsageError(option + " is required");
  }
  if (line.operands.size() != command.operandCount) {
    throw UsageError("expected " + std::to_string(command.operandCount) + " argument(s), got " +
                     std::to_string(line.operands.size()));
  }
  return line;
}

uint64_t ParseByteCount(const std::string& option, const std::string& text, uint64_t smallest = 1) {
  const bool digitsOnly = !text.empty() && text.size() <= 18 &&
                          text.find_first_not_of("0123456789") == std::string::npos;
  if (!digitsOnly || std::stoull(text) < smallest) {
    throw UsageError(option + " needs a whole number of bytes" + (smallest > 0 ? " above 0" : "") +
                     ", not \"" + text + "\"");
  }
  return std::stoull(text);
}

std::optional<uint64_t> OptionalByteCount(const CommandLine& line, const std::string& option) {
  const auto text = line.Value(option);
  if (!text) return std::nullopt;
  return ParseByteCount(option, *text);
}

LzhParser ParserOf(const CommandLine& line) {
  return line.Has("--greedy") ? LzhParser::kGreedy : LzhParser::kBetter;
}

// ---- reporting -------------------------------------------------------------

// A stored (code page 1252) name in UTF-8, with control characters as \xNN so
// that a damaged directory can be shown.
std::string Printable(const std::string& text) {
  std::ostringstream shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown << "\\x" << std::hex << std::setw(2) << std::setfill('0') << int{byte} << std::dec;
    } else {
      shown << Cp1252ToUtf8(std::string(1, c));
    }
  }
  return shown.str();
}

// UTF-8 text padded with spaces to `width` characters.
std::string PaddedTo(const std::string& text, size_t width) {
  const auto isLeadByte = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
  const auto characters = static_cast<size_t>(std::count_if(text.begin(), text.end(), isLeadByte));
  return characters < width ? text + std::string(width - characters, ' ') : text;
}

void PrintEntries(std::ostream& out, const std::vector<qm::PackageEntry>& entries) {
  out << "    #  name                   offset        size\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    out << std::setw(5) << i + 1 << "  " << PaddedTo(Printable(entries[i].name), 19)
        << std::setw(11) << entries[i].offset << std::setw(12) << entries[i].size << '\n';
  }
}

void PrintPlausibleDirectory(std::ostream& out, const qm::PackageDirectory& directory) {
  const auto& entries = directory.entries;
  const int64_t mainLength = entries.empty() ? directory.unpackTotal : entries.front().offset;
  out << "entries: " << entries.size() << ", unpacked stream: " << directory.unpackTotal
      << " bytes, main program: " << mainLength << " bytes\n";
  PrintEntries(out, entries);
}

void PrintRawDirectory(std::ostream& out, const fs::path& setupFile) {
  const RawDirectory raw = ReadRawDirectory(setupFile);
  if (!raw.hasTrailer) return;
  out << "entries announced: " << int{raw.entryCount} << ", unpacked stream: " << raw.unpackTotal
      << " bytes\n";
  PrintEntries(out, raw.entries);
}

std::string Recorded(uint32_t size, uint32_t crc, bool recorded) {
  return recorded ? SizeAndCrcText(size, crc) : "not recorded";
}

void PrintMediaRecord(std::ostream& out, const qm::MediaRecord& media) {
  out << "  diskCount " << media.diskCount << ", expectedPackageSize " << media.expectedPackageSize
      << '\n';
  for (int i = 0; i < qm::kMaxVolumes; ++i) {
    out << "  volume " << i + 1 << ": "
        << Recorded(media.volumeSize[i], media.volumeCrc[i], media.VolumeRecorded(i)) << '\n';
  }
  out << "  unpacked stream: " << Recorded(media.streamLength, media.streamCrc, media.StreamRecorded())
      << '\n';
}

// Shows the setup's media block; false when the setup has none it would use.
bool PrintMediaBlock(std::ostream& out, const fs::path& setupFile) {
  try {
    const SetupMediaBlock block = FindMediaBlock(ReadFileBytes(setupFile));
    out << "media block at byte " << block.offset << ":\n";
    if (block.problem) {
      out << "  refused: " << *block.problem << '\n';
      return false;
    }
    PrintMediaRecord(out, block.record);
    return true;
  } catch (const ToolError& error) {
    out << "media block: " << error.what() << '\n';
    return false;
  }
}

ProgressCallback ProgressOn(Streams& streams, std::optional<ProgressBar>& bar, const std::string& label) {
  if (!streams.showProgress) return nullptr;
  bar.emplace(streams.err, label);
  return [&bar](size_t done, size_t total) { bar->Show(done, total); };
}

// Names everything the default packing list skipped, so that the product
// maker does not learn of it from a user's installation.
void WarnOfLeftOutNames(std::ostream& err, const std::vector<std::string>& leftOut) {
  if (leftOut.empty()) return;
  err << "qmpack build: warning: left out names starting with \".\" or ending in \"~\""
         " (a --list file can name them):\n";
  for (const auto& name : leftOut) err << "  " << name << '\n';
}

// An installed product without one could not be removed by its uninstall entry.
void WarnOfNoUninstaller(std::ostream& err, const UninstallerChoice& uninstaller,
                         const fs::path& setupFile) {
  if (uninstaller.kind != UninstallerChoice::Kind::kNone) return;
  err << "qmpack build: warning: the product has no " << kUninstallerName << " and there is none"
      << " beside " << setupFile.string() << " (--uninstaller names one): the installed"
      << " product's uninstall entry will name a program that is not there\n";
}

std::string UninstallerLine(const UninstallerChoice& uninstaller) {
  switch (uninstaller.kind) {
    case UninstallerChoice::Kind::kProductsOwn:
      return std::string("uninstaller: the product's own ") + kUninstallerName + "\n";
    case UninstallerChoice::Kind::kAdded:
      return std::string("uninstaller: ") + kUninstallerName + " added from " +
             uninstaller.source.string() + "\n";
    case UninstallerChoice::Kind::kNone:
      break;
  }
  return "uninstaller: none\n";
}

// Keeps the bytes of one stretch of a decoded stream.
class RangeOutput : public StreamOutput {
 public:
  RangeOutput(uint64_t begin, uint64_t size) : begin_(begin), end_(begin + size) {}
  void Take(const uint8_t* bytes, size_t count) override {
    const uint64_t from = std::max(position_, begin_);
    const uint64_t to = std::min(position_ + count, end_);
    if (from < to) kept_.insert(kept_.end(), bytes + (from - position_), bytes + (to - position_));
    position_ += count;
  }
  uint64_t End() const { return end_; }
  const std::vector<uint8_t>& Kept() const { return kept_; }

 private:
  uint64_t begin_, end_, position_ = 0;
  std::vector<uint8_t> kept_;
};

// Which UnInstal.Exe the package holds: that needs its bytes, so the volumes
// beside the setup program are decoded when they are there.
void PrintUninstaller(std::ostream& out, const fs::path& setupFile,
                      const qm::PackageDirectory& directory) {
  const auto entry = std::find_if(directory.entries.begin(), directory.entries.end(),
                                  [](const qm::PackageEntry& each) {
                                    return Cp1252UpperCase(each.name) ==
                                           Cp1252UpperCase(kUninstallerName);
                                  });
  if (entry == directory.entries.end()) {
    out << "uninstaller: none in the package\n";
    return;
  }
  out << "uninstaller: " << kUninstallerName << ", " << entry->size << " bytes";
  const fs::path volumes = setupFile.parent_path();
  if (!fs::exists(volumes / kDefaultFirstVolume)) {
    out << " (the volumes beside the setup program tell whose it is)\n";
    return;
  }
  try {
    const DecodedMedia media = DecodeMedia(setupFile, volumes);
    const auto size = static_cast<uint64_t>(entry->size);
    RangeOutput uninstaller(static_cast<uint64_t>(entry->offset), size);
    DecodeMemoryStream(media.package, uninstaller.End(), uninstaller);
    if (uninstaller.Kept().size() != size) {
      throw ToolError("the stream is shorter than the directory says");
    }
    const bool ours = IsProjectUninstaller(uninstaller.Kept().data(), uninstaller.Kept().size());
    out << (ours ? ", the one built with the setup program\n"
                 : ", not the one built with the setup program\n");
  } catch (const ToolError& error) {
    out << " (the volumes can't tell whose it is: " << error.what() << ")\n";
  }
}

// ---- the commands ----------------------------------------------------------

int RunBuild(const CommandLine& line, Streams& streams) {
  BuildOptions options;
  options.setupFile = line.ValueOr("--setup", "");
  options.productFolder = line.ValueOr("--product", "");
  options.outFolder = line.ValueOr("--out", "");
  options.mainProgram = line.ValueOr("--main", kDefaultMainProgram);
  if (auto list = line.Value("--list")) options.listFile = *list;
  if (auto uninstaller = line.Value("--uninstaller")) options.uninstaller = *uninstaller;
  options.volumeSize = OptionalByteCount(line, "--volume-size").value_or(kDisketteCapacity);
  options.firstVolumeSize = OptionalByteCount(line, "--first-volume-size");
  options.firstVolume = line.ValueOr("--first-volume", kDefaultFirstVolume);
  options.parser = ParserOf(line);
  options.replaceTrailingData = line.Has("--replace");
  std::optional<ProgressBar> bar;
  options.progress = ProgressOn(streams, bar, "compressing");
  const BuildReport report = BuildMedia(options);
  if (bar) bar->Finish();
  WarnOfLeftOutNames(streams.err, report.leftOut);
  WarnOfNoUninstaller(streams.err, report.uninstaller, options.setupFile);

  auto& out = streams.out;
  if (report.cutTrailingBytes > 0) {
    out << "cut " << report.cutTrailingBytes << " bytes that followed the setup program's image\n";
  }
  out << "wrote " << report.setupOut.string() << ": " << report.setupSize << " bytes, directory of "
      << report.entryCount << " entries\n"
      << "unpacked stream: " << report.unpackTotal << " bytes (main program " << options.mainProgram
      << ": " << report.mainProgramSize << " bytes)\n"
      << UninstallerLine(report.uninstaller) << "package: " << report.packageSize << " bytes in " << report.volumeNames.size()
      << " volume(s):\n";
  for (size_t i = 0; i < report.volumeNames.size(); ++i) {
    out << "  " << report.volumeNames[i] << "  " << report.volumeLengths[i] << " bytes\n";
  }
  for (const auto& name : report.staleVolumesRemoved) out << "removed the old volume " << name << '\n';
  out << "checked: the package decodes to the product's bytes\n"
      << "media block of " << report.setupOut.string() << " set to:\n";
  PrintMediaRecord(out, report.media);
  return kExitSuccess;
}

int RunList(const CommandLine& line, Streams& streams) {
  const fs::path setupFile = line.operands[0];
  const SetupDirectory setup = ReadSetupDirectory(setupFile);
  streams.out << setupFile.string() << ": " << setup.fileLength << " bytes\n";
  const bool blockUsable = PrintMediaBlock(streams.out, setupFile);
  if (!setup.parse.accepted()) {
    PrintRawDirectory(streams.out, setupFile);
    streams.out << "verdict: " << setup.parse.refusal->reason << '\n';
    return kExitFailure;
  }
  PrintPlausibleDirectory(streams.out, setup.parse.directory);
  PrintUninstaller(streams.out, setupFile, setup.parse.directory);
  streams.out << (blockUsable ? "verdict: plausible\n" : "verdict: the media block is missing or refused\n");
  return blockUsable ? kExitSuccess : kExitFailure;
}

void PrintChecks(std::ostream& out, const DecodedMedia& media) {
  out << "volumes:";
  for (const auto& name : media.volumeNames) out << ' ' << name;
  out << " (" << media.packageSize << " bytes)\n";
  for (const auto& check : media.checks) {
    out << (check.passed ? "  ok      " : "  FAILED  ") << check.description << '\n';
  }
}

int RunVerify(const CommandLine& line, Streams& streams) {
  const DecodedMedia media = DecodeMedia(line.operands[0], line.operands[1],
                                         line.ValueOr("--first-volume", kDefaultFirstVolume));
  PrintChecks(streams.out, media);
  streams.out << (media.AllPassed() ? "verified\n" : "verification failed\n");
  return media.AllPassed() ? kExitSuccess : kExitFailure;
}

int RunExtract(const CommandLine& line, Streams& streams) {
  const DecodedMedia media = DecodeMedia(line.operands[0], line.operands[1],
                                         line.ValueOr("--first-volume", kDefaultFirstVolume));
  const auto written =
      ExtractProduct(media, line.operands[2], line.ValueOr("--main", kDefaultMainProgram));
  for (const auto& name : written) streams.out << name << '\n';
  streams.out << "extracted " << written.size() << " file(s) into " << line.operands[2] << '\n';
  return kExitSuccess;
}

int RunCompress(const CommandLine& line, Streams& streams) {
  const auto input = ReadFileBytes(line.operands[0]);
  std::optional<ProgressBar> bar;
  const auto progress = ProgressOn(streams, bar, "compressing");
  const auto package = CompressBytes(input, ParserOf(line), progress);
  if (bar) bar->Finish();
  WriteFileBytes(line.operands[1], package);
  streams.out << input.size() << " -> " << package.size() << " bytes\n";
  return kExitSuccess;
}

int RunDecompress(const CommandLine& line, Streams& streams) {
  const uint64_t size = ParseByteCount("--size", line.ValueOr("--size", ""), 0);
  if (size > kMaxStreamSize) {
    throw UsageError("--size can be at most " + std::to_string(kMaxStreamSize) + " bytes");
  }
  BlockReader input(line.operands[0]);
  FileOutput output(line.operands[1]);
  const StreamDecodeResult result = DecodeFileStream(input, size, output);
  output.Close();
  if (result.inputConsumed > result.inputSize + kDecoderLookAhead) {
    streams.err << "qmpack decompress: warning: the input ended "
                << result.inputConsumed - result.inputSize
                << " bytes early; the rest was decoded from zero bits\n";
  }
  streams.out << result.inputSize << " -> " << size << " bytes\n";
  return kExitSuccess;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"build",
       "build --setup SETUP.EXE --product DIR --out DIR [--main NAME] [--list FILE]\n"
       "             [--volume-size N] [--first-volume-size N] [--first-volume NAME]\n"
       "             [--uninstaller FILE] [--greedy] [--replace]",
       "Packs the product folder into volumes and writes a copy of the setup program\n"
       "with its media block set for them and the package directory appended, both\n"
       "into the output folder. The package is decoded and compared with the product\n"
       "before anything is written. File names are stored in code page 1252; names\n"
       "that Windows can't create are refused.\n"
       "Without --list, every file of DIR is packed, except names that start with \".\"\n"
       "or end in \"~\" (hidden files, editors' backups), which are left out with a\n"
       "warning. The package holds no folders: a DIR with subfolders is refused (exit\n"
       "code 2) unless --list names the files to pack. A symbolic link is packed with\n"
       "the content of the file it points to; one to anything else is refused.\n"
       "A product without an UnInstal.Exe of its own gets the uninstaller built with the\n"
       "setup program, packed last as UnInstal.Exe.\n"
       "  --setup SETUP.EXE        the setup program (a Windows executable)\n"
       "  --product DIR            the folder holding the main program and the other files\n"
       "  --out DIR                where the volumes and the setup copy go (created if missing)\n"
       "  --main NAME              the main program in DIR (default Kestreln.Exe); packed first\n"
       "  --list FILE              the other files to pack, one name a line, in packing order\n"
       "                           (blank lines and lines starting with # are skipped);\n"
       "                           default: every other file of DIR, sorted by name,\n"
       "                           hidden and backup names left out (see above)\n"
       "  --volume-size N          bytes per volume (default 1457664, a 1.44 MB diskette)\n"
       "  --first-volume-size N    bytes of volume 1 (default: the volume size less the\n"
       "                           setup copy rounded up to 512-byte clusters)\n"
       "  --first-volume NAME      name of volume 1 (default Kestreln.001); later volumes\n"
       "                           replace its extension with .002, .003, .004 (at most 4)\n"
       "  --uninstaller FILE       the uninstaller to pack when the product has none\n"
       "                           (default: UnInstal.Exe beside SETUP.EXE)\n"
       "  --greedy                 faster, larger compression\n"
       "  --replace                cut data that already follows the setup's image\n"
       "                           (such as an old directory) instead of refusing",
       {"--setup", "--product", "--out", "--main", "--list", "--volume-size",
        "--first-volume-size", "--first-volume", "--uninstaller"},
       {"--greedy", "--replace"},
       {"--setup", "--product", "--out"},
       0,
       RunBuild},
      {"list", "list SETUP.EXE",
       "Shows the setup program's media block (disk count, package size and the\n"
       "recorded sizes and CRC-32s) and the package directory at its end, and whether\n"
       "the setup would accept them. Exits with 1 when it would not.",
       {}, {}, {}, 1, RunList},
      {"verify", "verify [--first-volume NAME] SETUP.EXE VOLUME-FOLDER",
       "Joins the volumes, decodes them and checks them against the setup program's\n"
       "media block and directory; names the first volume that differs from its\n"
       "record. Exits with 0 only when every check passes.\n"
       "  --first-volume NAME      name of volume 1 (default Kestreln.001)",
       {"--first-volume"}, {}, {}, 2, RunVerify},
      {"extract", "extract [--first-volume NAME] [--main NAME] SETUP.EXE VOLUME-FOLDER OUT-FOLDER",
       "Writes the product's files into OUT-FOLDER without installing them, after the\n"
       "checks of verify; writes nothing when one fails.\n"
       "  --first-volume NAME      name of volume 1 (default Kestreln.001)\n"
       "  --main NAME              file name for the main program (default Kestreln.Exe)",
       {"--first-volume", "--main"}, {}, {}, 3, RunExtract},
      {"compress", "compress [--greedy] IN OUT",
       "Compresses IN into a raw stream without header.\n"
       "  --greedy                 faster, larger compression",
       {}, {"--greedy"}, {}, 2, RunCompress},
      {"decompress", "decompress --size N IN OUT",
       "Decodes a raw stream into exactly N bytes (0 to 2147483647), a block at a\n"
       "time: the memory it takes does not grow with N.\n"
       "  --size N                 the length of the decoded output",
       {"--size"}, {}, {"--size"}, 2, RunDecompress},
  };
  return commands;
}

void PrintOverview(std::ostream& out) {
  out << "qmpack: builds and checks the setup program's installation media.\n\nusage:\n";
  for (const auto& command : Commands()) out << "  qmpack " << command.usage << '\n';
  out << "\n'qmpack COMMAND --help' describes a command.\n";
}

const Command* FindCommand(const std::string& name) {
  for (const auto& command : Commands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

void PrintUsageError(std::ostream& err, const Command& command, const std::string& message) {
  err << "qmpack " << command.name << ": " << message << "\nusage: qmpack " << command.usage
      << "\n('qmpack " << command.name << " --help' for more)\n";
}

int RunCommand(const Command& command, const std::vector<std::string>& args, Streams& streams) {
  const std::string prefix = "qmpack " + command.name + ": ";
  try {
    const CommandLine line = ParseCommandLine(command, args);
    return command.run(line, streams);
  } catch (const UsageError& error) {
    PrintUsageError(streams.err, command, error.what());
    return kExitUsage;
  } catch (const WrongRequestError& error) {
    PrintUsageError(streams.err, command, error.what());
    return kExitUsage;
  } catch (const ToolError& error) {
    streams.err << prefix << "error: " << error.what() << '\n';
  } catch (const fs::filesystem_error& error) {
    streams.err << prefix << "error: " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    streams.err << prefix << "error: out of memory\n";
  }
  return kExitFailure;
}

}  // namespace

int RunQmpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool showProgress) {
  Streams streams{out, err, showProgress};
  if (args.empty()) {
    PrintOverview(err);
    return kExitUsage;
  }
  if (IsHelp(args[0]) || args[0] == "help") {
    PrintOverview(out);
    return kExitSuccess;
  }
  const Command* command = FindCommand(args[0]);
  if (!command) {
    err << "qmpack: unknown command \"" << args[0] << "\"\n";
    PrintOverview(err);
    return kExitUsage;
  }
  for (const auto& arg : args) {
    if (IsHelp(arg)) {
      out << "usage: qmpack " << command->usage << "\n\n" << command->help << '\n';
      return kExitSuccess;
    }
  }
  return RunCommand(*command, args, streams);
}

}  // namespace qmpack
