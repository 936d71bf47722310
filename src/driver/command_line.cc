#include "driver/command_line.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/fail.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "driver/safe_text.h"
#include "driver/terminal.h"
#include "driver/vars.h"

#ifndef ZUNT_VERSION
#define ZUNT_VERSION "unknown"
#endif

namespace zunt {
namespace {

constexpr std::string_view kLicenceLine =
    "Copyright (C) 2026 the zunt developers\nЛицензия MIT: https://opensource.org/license/mit\n";

// Returns path as an absolute one: as it is when it already is, else below
// folder (absolute, or "" to keep path), with "." and "name/.." taken out.
std::string AbsolutePath(const std::string& path, const std::string& folder,
                         std::string_view separators) {
  bool windows = separators.size() > 1;
  bool absolute = (!path.empty() && separators.find(path[0]) != std::string_view::npos) ||
                  (windows && path.size() > 1 && path[1] == ':');
  if (absolute || folder.empty() || path.empty()) return path;
  char separator = separators[0];
  std::string out = folder;
  if (separators.find(out.back()) == std::string_view::npos) out += separator;
  size_t root = windows && out.size() > 2 && out[1] == ':' ? 3 : 1;  // "/" or "C:\\" stays
  for (size_t at = 0; at <= path.size();) {
    size_t end = std::min(path.find_first_of(separators, at), path.size());
    std::string_view part = std::string_view(path).substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == "." || (part == ".." && out.size() <= root)) continue;
    if (part == "..") {
      out.resize(out.find_last_of(separators, out.size() - 2) + 1);
      continue;
    }
    out += part;
    if (end < path.size()) out += separator;
  }
  return out;
}

// Writes each report to the console as it comes, and with verbose a line for
// each translated file; file names below folder when it is not "".
class TConsoleReporter final : public TReporter {
 public:
  TConsoleReporter(TConsole& console, bool color, bool verbose, std::string folder,
                   std::string_view separators)
      : Console(console),
        Color(color),
        Verbose(verbose),
        Folder(std::move(folder)),
        Separators(separators) {}
  void Report(const TFail& report) override {
    if (Folder.empty() && (!report.File.empty() || Console.ProgramName() == kProgramName)) {
      return Console.Error(TerminalText(report, Color));
    }
    TFail named = report;  // a report about no file names the program
    if (named.File.empty()) named.File = Console.ProgramName();
    if (!report.File.empty()) named.File = AbsolutePath(report.File, Folder, Separators);
    for (TFail& note : named.Notes) note.File = AbsolutePath(note.File, Folder, Separators);
    Console.Error(TerminalText(named, Color));
  }
  void Translated(const std::string& script, const std::string& output) override {
    if (!Verbose) return;
    Console.Error(SafePath(AbsolutePath(script, Folder, Separators)) + " -> " +
                  SafePath(AbsolutePath(output, Folder, Separators)) + "\n");
  }

 private:
  TConsole& Console;
  bool Color;
  bool Verbose;
  std::string Folder;
  std::string_view Separators;
};

// The whole program but out of memory.
int RunCommandLineOrThrow(TPlatform& platform, TConsole& console, int argc, char** argv) {
  TCommandLine line = ParseCommandLine(argc, argv);
  std::string program(console.ProgramName());
  std::string moreHelp = "Подробнее: " + program + " --help\n";
  if (!line.UsageError.empty()) {
    console.Error(program + ": error: " + SafePath(line.UsageError) + "\n" + moreHelp);
    return 2;
  }
  if (line.Help || line.Version) {
    std::string text =
        line.Help ? HelpText(program, platform.ParentPrefix())
                  : std::string(kCaption) + "\nzunt " ZUNT_VERSION "\n" + std::string(kLicenceLine);
    if (console.Out(text)) return 0;
    console.Error(program + ": error: ошибка записи в стандартный вывод\n");
    return 1;
  }
  bool color =
      line.Color == TColor::Auto ? console.ColorsByDefault() : line.Color == TColor::Always;
  std::string folder = line.AbsolutePaths ? platform.WorkingFolder() : std::string();
  TConsoleReporter reporter(console, color, line.Verbose, std::move(folder),
                            platform.PathSeparators());
  if (line.Vars != TVarsFormat::None) {
    return RunVars(platform, console, line.Names, line.Run, line.Vars, line.Against, reporter);
  }
  bool withoutName = false;
  int status = RunNames(platform, line.Names, line.Run, reporter, &withoutName);
  if (withoutName) console.Error(moreHelp);
  return status;
}

}  // namespace

int RunCommandLine(TPlatform& platform, TConsole& console, int argc, char** argv) {
  try {
    return RunCommandLineOrThrow(platform, console, argc, argv);
  } catch (const std::bad_alloc&) {
    // Nothing more is allocated: the text is written as it stands.
    console.Error(console.ProgramName());
    console.Error(kOutOfMemoryLine);
    return 1;
  }
}

}  // namespace zunt
