// The command-line program on POSIX systems: zunt [OPTION]... NAME...
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/command_line.h"
#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/posix.h"
#include "server/server.h"

namespace {

// stdout and stderr as they are: UTF-8 bytes.
class TStdio final : public zunt::TConsole {
 public:
  void Error(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stderr); }
  bool Out(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
  }
  /// Colours as AutoColor says, but never for emacs's M-x compile: it reads the
  /// messages through a terminal of its own and would show the escapes.
  bool ColorsByDefault() const override {
    const char* emacs = std::getenv("INSIDE_EMACS");
    bool compile =
        emacs != nullptr && std::string_view(emacs).find("compile") != std::string_view::npos;
    return !compile &&
           zunt::AutoColor(isatty(STDERR_FILENO), std::getenv("NO_COLOR"), std::getenv("TERM"));
  }
};

std::string LoadErrorText(const std::string& path) {
  return zunt::TerminalText(zunt::LoadFailure(zunt::TLoadStatus::ReadShort, path), false);
}

// The language server's input and output: the standard streams, unbuffered.
class TStandardInput final : public zunt::TByteInput {
 public:
  size_t Read(char* to, size_t most) override {
    while (true) {
      ssize_t n = read(STDIN_FILENO, to, most);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) return 0;
    }
  }
};

class TStandardOutput final : public zunt::TByteOutput {
 public:
  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
};

int RunServer() {
  // A client that went away makes writes fail, not the program end.
  std::signal(SIGPIPE, SIG_IGN);
  TStandardInput input;
  TStandardOutput output;
  zunt::TPosixPlatform platform;
  return zunt::RunLanguageServer(
      input, output,
      [](std::string_view line) {
        std::string text = "zunt: " + std::string(line) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
      },
      ZUNT_VERSION, platform.HashSeed(), &platform);
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit must fail the write, not kill the run with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
#if defined(__GLIBC__)
  // The memory goes back to the system at exit anyway: handing it back as
  // the buffers are freed only adds system calls to a short run.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  if (argc == 2 && std::string_view(argv[1]) == "--lsp") return RunServer();
  zunt::TPosixPlatform platform;
  platform.LoadErrorText = LoadErrorText;
  TStdio console;
  return zunt::RunCommandLine(platform, console, argc, argv);
}
