#include "driver/options.h"

#include <getopt.h>

#include <string_view>

namespace zunt {
namespace {

enum : int { kColor = 256, kStrict, kVersion };

constexpr option kLongOptions[] = {
    {"color", optional_argument, nullptr, kColor},
    {"strict", no_argument, nullptr, kStrict},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// Reads the value of --color; returns false when it is none of the three.
bool ReadColor(const char* value, TColor* color) {
  std::string_view when = value == nullptr ? "always" : value;
  if (when == "auto") {
    *color = TColor::Auto;
  } else if (when == "always") {
    *color = TColor::Always;
  } else if (when == "never") {
    *color = TColor::Never;
  } else {
    return false;
  }
  return true;
}

// The usage error for the option getopt stopped at.
std::string BadOption(char** argv, int at) {
  std::string word = at >= 1 ? argv[at - 1] : "";
  if (optopt != 0 && optopt < 256) {
    return "неизвестный параметр «-" + std::string(1, static_cast<char>(optopt)) + "»";
  }
  return "неизвестный или неполный параметр «" + word + "»";
}

}  // namespace

TCommandLine ParseCommandLine(int argc, char** argv) {
  TCommandLine line;
  line.Run.Warnings = true;
  line.Run.MaxErrors = 20;
  opterr = 0;  // the messages are ours
  optind = 0;  // start over (GNU: also resets the permutation)
  int option;
  while ((option = getopt_long(argc, argv, "hw", kLongOptions, nullptr)) != -1) {
    switch (option) {
      case 'h':
        line.Help = true;
        break;
      case 'w':
        line.Run.Warnings = false;
        break;
      case kStrict:
        line.Run.Strict = true;
        break;
      case kVersion:
        line.Version = true;
        break;
      case kColor:
        if (!ReadColor(optarg, &line.Color)) {
          line.UsageError = "у --color бывает значение auto, always или never, а не «" +
                            std::string(optarg) + "»";
          return line;
        }
        break;
      default:
        line.UsageError = BadOption(argv, optind);
        return line;
    }
  }
  for (int i = optind; i < argc; ++i) {
    if (argv[i][0] != '\0') line.Names.emplace_back(argv[i]);
  }
  return line;
}

std::string HelpText() {
  return "Использование: zunt [ПАРАМЕТР]... ИМЯ...\n"
         "Читает ИМЯ.txt (объявления) и ИМЯ.erm (скрипт) и записывает готовый скрипт\n"
         "в ../ИМЯ.erm. Расширение ИМЕНИ не важно: quest, quest.erm и quest.txt равны.\n"
         "\n"
         "Параметры:\n"
         "  -w                  не выводить предупреждения\n"
         "      --strict        считать предупреждения ошибками\n"
         "      --color[=КОГДА] раскрашивать сообщения: auto (по умолчанию), always, never\n"
         "  -h, --help          показать эту справку и выйти\n"
         "      --version       показать версию и выйти\n"
         "\n"
         "Сообщения пишутся в стандартный поток ошибок в виде\n"
         "ФАЙЛ:СТРОКА:СТОЛБЕЦ: error: ТЕКСТ. Код выхода: 0 — успех, 1 — ошибка,\n"
         "2 — неверная командная строка.\n";
}

}  // namespace zunt
