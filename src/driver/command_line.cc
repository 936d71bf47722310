#include "driver/command_line.h"

#include <string>

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

// Writes each report to the console as it comes, and with verbose a line for
// each translated file.
class TConsoleReporter final : public TReporter {
 public:
  TConsoleReporter(TConsole& console, bool color, bool verbose)
      : Console(console), Color(color), Verbose(verbose) {}
  void Report(const TFail& report) override {
    if (!report.File.empty() || Console.ProgramName() == kProgramName) {
      return Console.Error(TerminalText(report, Color));
    }
    TFail named = report;  // a report about no file names the program
    named.File = Console.ProgramName();
    Console.Error(TerminalText(named, Color));
  }
  void Translated(const std::string& script, const std::string& output) override {
    if (Verbose) Console.Error(SafePath(script) + " -> " + SafePath(output) + "\n");
  }

 private:
  TConsole& Console;
  bool Color;
  bool Verbose;
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
  TConsoleReporter reporter(console, color, line.Verbose);
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
