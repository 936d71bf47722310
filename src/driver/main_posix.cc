// The command-line program: zunt [OPTION]... NAME...
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

// Writes each report to stderr as it comes.
class TStderrReporter final : public zunt::TReporter {
 public:
  explicit TStderrReporter(bool color) : Color(color) {}
  void Report(const zunt::TFail& report) override {
    std::string text = zunt::TerminalText(report, Color);
    std::fwrite(text.data(), 1, text.size(), stderr);
  }

 private:
  bool Color;
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
  TStderrReporter reporter(UseColor(line.Color));
  if (line.Names.empty()) return zunt::Run(platform, "", line.Run, reporter);
  int status = 0;
  for (const std::string& name : line.Names) {
    if (zunt::Run(platform, name, line.Run, reporter) != 0) status = 1;
  }
  return status;
}
