// The command-line program: zunt [OPTION]... NAME...
// Every name is translated on its own; the status is 0 when all were, 1 when
// any failed, 2 for a wrong command line (nothing is translated then).
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/fail.h"
#include "driver/driver.h"
#include "driver/options.h"
#include "driver/terminal.h"
#include "platform/posix.h"

namespace {

// Writes each report to stderr as it comes, and with verbose a line for each
// translated file.
class TStderrReporter final : public zunt::TReporter {
 public:
  TStderrReporter(bool color, bool verbose) : Color(color), Verbose(verbose) {}
  void Report(const zunt::TFail& report) override {
    std::string text = zunt::TerminalText(report, Color);
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
  void Translated(const std::string& script, const std::string& output) override {
    if (Verbose) std::fprintf(stderr, "%s -> %s\n", script.c_str(), output.c_str());
  }

 private:
  bool Color;
  bool Verbose;
};

bool UseColor(zunt::TColor color) {
  if (color != zunt::TColor::Auto) return color == zunt::TColor::Always;
  const char* noColor = std::getenv("NO_COLOR");
  return isatty(STDERR_FILENO) && (noColor == nullptr || noColor[0] == '\0');
}

std::string LoadErrorText(const std::string& path) {
  return zunt::TerminalText(zunt::LoadFailure(zunt::TLoadStatus::ReadShort, path), false);
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit must fail the write, not kill the run with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);

  zunt::TCommandLine line = zunt::ParseCommandLine(argc, argv);
  if (!line.UsageError.empty()) {
    std::fprintf(stderr, "zunt: error: %s\nПодробнее: zunt --help\n", line.UsageError.c_str());
    return 2;
  }
  if (line.Help) {
    std::fputs(zunt::HelpText().c_str(), stdout);
    return 0;
  }
  if (line.Version) {
    std::printf("%.*s\nzunt %s\n", static_cast<int>(zunt::kCaption.size()), zunt::kCaption.data(),
                ZUNT_VERSION);
    return 0;
  }

  zunt::TPosixPlatform platform;
  platform.LoadErrorText = LoadErrorText;
  TStderrReporter reporter(UseColor(line.Color), line.Verbose);
  if (line.Names.empty()) return zunt::Run(platform, "", line.Run, reporter);
  int status = 0;
  for (const std::string& name : line.Names) {
    if (zunt::Run(platform, name, line.Run, reporter) != 0) status = 1;
  }
  return status;
}
