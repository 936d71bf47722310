#include "driver/options.h"

#include <getopt.h>

#include <algorithm>
#include <string_view>
#include <thread>

namespace zunt {
namespace {

enum : int {
  kColor = 256,
  kStrict,
  kVersion,
  kProject,
  kNoProject,
  kAbsolutePaths,
  kVars,
  kAgainst
};

constexpr option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"include", required_argument, nullptr, 'i'},
    {"verbose", no_argument, nullptr, 'v'},
    {"color", optional_argument, nullptr, kColor},
    {"strict", no_argument, nullptr, kStrict},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"project", required_argument, nullptr, kProject},
    {"no-project", no_argument, nullptr, kNoProject},
    {"jobs", required_argument, nullptr, 'j'},
    {"absolute-paths", no_argument, nullptr, kAbsolutePaths},
    {"vars", optional_argument, nullptr, kVars},
    {"against", required_argument, nullptr, kAgainst},
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

// The usage error for the option getopt stopped at: an unknown one, or one
// without its value.
std::string BadOption(int result, char** argv, int at) {
  std::string word = at >= 1 ? argv[at - 1] : "";
  bool shortOption = optopt > 0 && optopt < 256 && !word.starts_with("--");
  if (shortOption) word = {'-', static_cast<char>(optopt)};
  if (result == ':') return "параметру «" + word + "» нужно значение";
  // A known long option that takes no value, given one ("--verbose=yes"):
  // getopt names it by its value in optopt.
  if (optopt != 0 && word.starts_with("--")) {
    for (const option& known : kLongOptions) {
      if (known.name != nullptr && known.val == optopt && known.has_arg == no_argument) {
        return "параметр «--" + std::string(known.name) + "» не принимает значения";
      }
    }
  }
  return "неизвестный параметр «" + word.substr(0, word.find('=')) + "»";
}

// Reads the value of -j: a number of names at a time, from 1.
bool ReadJobs(std::string_view value, size_t* jobs) {
  size_t number = 0;
  for (char c : value) {
    if (c < '0' || c > '9' || number > 100000) return false;
    number = number * 10 + static_cast<size_t>(c - '0');
  }
  *jobs = number;
  return !value.empty() && number != 0;
}

// Returns the names of the warnings for the help: lines of at most 80
// characters, each after the second under the first.
std::string WrappedWarningNames() {
  constexpr size_t kIndent = 22;
  std::string names = WarningNames() + ".";
  std::string text;
  size_t column = kIndent;
  for (size_t at = 0; at < names.size();) {
    size_t end = names.find(' ', at);
    end = end == std::string::npos ? names.size() : end + 1;
    std::string_view word = std::string_view(names).substr(at, end - at);
    if (column + word.size() > 80) {
      text.back() = '\n';
      text += std::string(kIndent, ' ');
      column = kIndent;
    }
    text += word;
    column += word.size();
    at = end;
  }
  return text;
}

}  // namespace

TCommandLine ParseCommandLine(int argc, char** argv) {
  TCommandLine line;
  line.Run = TRunOptions::CommandLine();
  line.Run.ScriptsWithoutName = true;
  line.Run.Jobs = std::max(1u, std::thread::hardware_concurrency());
  opterr = 0;  // the messages are ours
  optind = 0;  // start over (GNU: also resets the permutation)
  int option;
  while ((option = getopt_long(argc, argv, ":hwvo:i:j:W:", kLongOptions, nullptr)) != -1) {
    switch (option) {
      case 'o':
        line.Run.Output = optarg;
        if (line.Run.Output.empty()) {
          line.UsageError = "у параметра -o пустое имя файла";
          return line;
        }
        break;
      case 'i':
        if (optarg[0] == '\0') {
          line.UsageError = "у параметра -i пустое имя файла";
          return line;
        }
        line.Run.Includes.emplace_back(optarg);
        break;
      case 'v':
        line.Verbose = true;
        break;
      case 'h':
        line.Help = true;
        break;
      case 'w':
        line.Run.Warnings = false;
        line.Run.WarningsGiven = true;
        break;
      case 'W':
        if (!ReadWarningSwitch(optarg, &line.Run.Wanted, &line.Run.WantedGiven)) {
          line.UsageError = "неизвестное предупреждение «-W" + std::string(optarg) + "»: бывают " +
                            WarningNames() + ", и каждое с no- перед ним";
          return line;
        }
        break;
      case kStrict:
        line.Run.Strict = true;
        line.Run.StrictGiven = true;
        break;
      case 'j':
        if (!ReadJobs(optarg, &line.Run.Jobs)) {
          line.UsageError = "у параметра -j бывает число от 1, а не «" + std::string(optarg) + "»";
          return line;
        }
        break;
      case kProject:
        if (optarg[0] == '\0') {
          line.UsageError = "у параметра --project пустое имя файла";
          return line;
        }
        line.Run.Project = optarg;
        break;
      case kNoProject:
        line.Run.NoProject = true;
        break;
      case kVersion:
        line.Version = true;
        break;
      case kAbsolutePaths:
        line.AbsolutePaths = true;
        break;
      case kVars:
        if (optarg == nullptr || std::string_view(optarg) == "text") {
          line.Vars = TVarsFormat::Text;
        } else if (std::string_view(optarg) == "json") {
          line.Vars = TVarsFormat::Json;
        } else {
          line.UsageError =
              "у --vars бывает значение text или json, а не «" + std::string(optarg) + "»";
          return line;
        }
        break;
      case kAgainst:
        if (optarg[0] == '\0') {
          line.UsageError = "у параметра --against пустое имя";
          return line;
        }
        line.Against = optarg;
        break;
      case kColor:
        if (!ReadColor(optarg, &line.Color)) {
          line.UsageError = "у --color бывает значение auto, always или never, а не «" +
                            std::string(optarg) + "»";
          return line;
        }
        break;
      default:
        line.UsageError = BadOption(option, argv, optind);
        return line;
    }
  }
  for (int i = optind; i < argc; ++i) {
    if (argv[i][0] != '\0') line.Names.emplace_back(argv[i]);
  }
  if (!line.Against.empty() && line.Vars == TVarsFormat::None) {
    line.UsageError = "параметр --against бывает только с --vars";
  } else if (line.Vars != TVarsFormat::None && !line.Run.Output.empty()) {
    line.UsageError = "с --vars скрипты не записываются: параметр -o не нужен";
  } else if (!line.Run.Output.empty() && line.Names.size() > 1) {
    line.UsageError = "с параметром -o можно указать только одно ИМЯ";
  }
  return line;
}

std::string HelpText(std::string_view program, std::string_view parent) {
  std::string text = "Использование: ";
  text += program;
  text +=
      " [ПАРАМЕТР]... ИМЯ...\n"
      "Читает ИМЯ.txt (объявления) и ИМЯ.erm (скрипт) и записывает готовый скрипт\n"
      "в ../ИМЯ.erm. Расширение ИМЕНИ не важно: quest, quest.erm и quest.txt равны.\n"
      "\n"
      "Параметры:\n"
      "  -o, --output=ФАЙЛ   записать результат в ФАЙЛ, а не в ../ИМЯ.erm\n"
      "                      (- значит стандартный вывод); только с одним ИМЕНЕМ\n"
      "  -i, --include=ФАЙЛ  прочитать объявления из ФАЙЛА перед ИМЯ.txt;\n"
      "                      можно указать несколько раз\n"
      "  -j, --jobs=N        переводить N ИМЁН сразу (по умолчанию по числу ядер)\n"
      "      --project=ФАЙЛ  взять настройки мода из ФАЙЛА, а не из ближайшего\n"
      "                      zunt.toml в папке ИМЕНИ или выше\n"
      "      --no-project    не читать zunt.toml\n"
      "  -v, --verbose       сообщать о каждом записанном файле\n"
      "      --absolute-paths  называть файлы в сообщениях полными путями\n"
      "  -w                  не выводить предупреждения\n"
      "  -WИМЯ, -Wno-ИМЯ     выводить предупреждение ИМЯ или нет (по умолчанию все):\n"
      "                      WARNINGS\n"
      "      --strict        считать предупреждения ошибками\n"
      "      --vars[=ВИД]    ничего не переводить, а вывести карту переменных ИМЁН\n"
      "                      (без ИМЕНИ — мода): text (по умолчанию) или json\n"
      "      --against=ПУТЬ  с --vars: номера, занятые и здесь, и в другом моде\n"
      "                      (его папка или карта, записанная --vars=json)\n"
      "      --color[=КОГДА] раскрашивать сообщения: auto (по умолчанию), always, never\n"
      "  -h, --help          показать эту справку и выйти\n"
      "      --version       показать версию и выйти\n"
      "      --lsp           работать языковым сервером (LSP) на stdin и stdout;\n"
      "                      только без других параметров\n"
      "\n"
      "Параметры и ИМЕНА можно смешивать; после -- всё считается ИМЕНАМИ.\n"
      "Каждое ИМЯ переводится отдельно: ошибка в одном не мешает другим.\n"
      "Без ИМЕНИ в моде с zunt.toml переводятся его скрипты (ключ scripts).\n"
      "Сообщения пишутся в стандартный поток ошибок в виде\n"
      "ФАЙЛ:СТРОКА:СТОЛБЕЦ: error: ТЕКСТ. Код выхода: 0 — все ИМЕНА переведены,\n"
      "1 — была ошибка, 2 — неверная командная строка.\n";
  size_t names = text.find("WARNINGS");
  text.replace(names, 8, WrappedWarningNames());
  // The parent folder as the system writes it.
  for (size_t at = 0; (at = text.find("../", at)) != std::string::npos; at += parent.size()) {
    text.replace(at, 3, parent);
  }
  return text;
}

}  // namespace zunt
