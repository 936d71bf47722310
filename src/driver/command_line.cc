#include "driver/command_line.h"

#include <string>

#include "base/fail.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "driver/safe_text.h"
#include "driver/terminal.h"

#ifndef ZUNT_VERSION
#define ZUNT_VERSION "unknown"
#endif

namespace zunt {
namespace {

// Writes each report to the console as it comes, and with verbose a line for
// each translated file.
class TConsoleReporter final : public TReporter {
 public:
  TConsoleReporter(TConsole& console, bool color, bool verbose)
      : Console(console), Color(color), Verbose(verbose) {}
  void Report(const TFail& report) override { Console.Error(TerminalText(report, Color)); }
  void Translated(const std::string& script, const std::string& output) override {
    if (Verbose) Console.Error(SafePath(script) + " -> " + SafePath(output) + "\n");
  }

 private:
  TConsole& Console;
  bool Color;
  bool Verbose;
};

}  // namespace

int RunCommandLine(TPlatform& platform, TConsole& console, int argc, char** argv) {
  TCommandLine line = ParseCommandLine(argc, argv);
  if (!line.UsageError.empty()) {
    console.Error("zunt: error: " + SafePath(line.UsageError) + "\nПодробнее: zunt --help\n");
    return 2;
  }
  if (line.Help || line.Version) {
    std::string text = line.Help ? HelpText() : std::string(kCaption) + "\nzunt " ZUNT_VERSION "\n";
    if (console.Out(text)) return 0;
    console.Error("zunt: error: ошибка записи в стандартный вывод\n");
    return 1;
  }
  bool color =
      line.Color == TColor::Auto ? console.ColorsByDefault() : line.Color == TColor::Always;
  TConsoleReporter reporter(console, color, line.Verbose);
  if (line.Names.empty()) return Run(platform, "", line.Run, reporter);
  int status = 0;
  for (const std::string& name : line.Names) {
    if (Run(platform, name, line.Run, reporter) != 0) status = 1;
  }
  return status;
}

}  // namespace zunt
