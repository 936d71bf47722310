// The command-line program: zunt NAME[.erm|.txt]
#include <csignal>
#include <cstdio>
#include <string_view>

#include "driver/driver.h"
#include "driver/fail.h"
#include "platform/posix.h"

int main(int argc, char** argv) {
  // A file-size limit must fail the write, not kill the run with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);

  std::string_view argument;
  for (int i = 1; i < argc && argument.empty(); ++i) argument = argv[i];

  if (argument == "--help") {
    std::fputs(
        "Использование: zunt ИМЯ[.erm|.txt]\n"
        "Читает ИМЯ.txt и ИМЯ.erm и записывает готовый скрипт в ../ИМЯ.erm\n",
        stdout);
    return 0;
  }
  if (argument == "--version") {
    std::printf("%.*s\n", static_cast<int>(zunt::kCaption.size()), zunt::kCaption.data());
    return 0;
  }

  zunt::TPosixPlatform platform;
  return zunt::Run(platform, argument);
}
