#include "project/var_map_text.h"

#include <algorithm>

#include "base/cp1251.h"

namespace zunt {
namespace {

// The widest a line of free numbers grows before it goes on below.
constexpr size_t kLineWidth = 100;

// Returns the form of a Russian noun that goes with count: one, few or many.
std::string_view Plural(size_t count, std::string_view one, std::string_view few,
                        std::string_view many) {
  size_t ones = count % 10, tens = count % 100 / 10;
  if (tens != 1 && ones == 1) return one;
  if (tens != 1 && ones >= 2 && ones <= 4) return few;
  return many;
}

// Returns the number of characters of UTF-8 text.
size_t Width(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Appends text and blanks after it up to width characters.
void AppendPadded(std::string* out, std::string_view text, size_t width) {
  *out += text;
  size_t shown = Width(text);
  if (shown < width) out->append(width - shown, ' ');
}

// Returns Windows-1251 text in UTF-8, its control bytes as their pictures.
std::string Shown(std::string_view text) {
  std::string out;
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b < 32 || b == 0x7F) {
      AppendUtf8(&out, b == 0x7F ? U'\u2421' : static_cast<char32_t>(0x2400 + b));
    } else {
      out += Utf8FromWin1251(std::string_view(&c, 1));
    }
  }
  return out;
}

// Returns a variable as a script writes it: "v10".
std::string VariableText(char letter, int64_t number) {
  return Shown(std::string_view(&letter, 1)) + std::to_string(number);
}

// Returns "file:line", or "file:line:column" with the column.
std::string PlaceText(const TVarMap& map, const TMapPlace& place, TShowPath showPath, bool column) {
  if (place.File == TMapPlace::kNoFile) return "—";
  std::string text = showPath(map.Files[place.File]);
  if (place.Known()) text += ':' + std::to_string(place.Line);
  if (place.Known() && column) text += ':' + std::to_string(place.Column);
  return text;
}

// Returns the names of a number: "$LEVEL$ src/heroes.txt:2, $RANK$ … (локальная)".
std::string NamesText(const TVarMap& map, const TMapNumber& record, TShowPath showPath,
                      bool marks) {
  if (record.Names.empty()) return "—";
  std::string text;
  for (size_t id : record.Names) {
    const TMapName& name = map.Names[id];
    if (!text.empty()) text += ", ";
    text += '$';
    text += Shown(name.Name);
    text += "$ ";
    text += PlaceText(map, name.Declared, showPath, false);
    if (name.Scope == TNameScope::Local) text += " (локальная)";
    if (marks && name.Unused()) text += " [unused]";
  }
  return text;
}

// Appends a letter's free numbers, wrapped.
void AppendFree(std::string* out, const TMapLetter& letter) {
  std::string line = "  свободны:";
  for (size_t i = 0; i < letter.Free.size(); ++i) {
    const TMapRange& range = letter.Free[i];
    std::string item = VariableText(letter.Letter, range.From);
    if (range.To != range.From) item += "–" + VariableText(letter.Letter, range.To);
    if (i + 1 != letter.Free.size()) item += ',';
    if (Width(line) + 1 + Width(item) > kLineWidth) {
      *out += line + '\n';
      line = "   ";
    }
    line += ' ' + item;
  }
  *out += line + '\n';
}

// Appends a letter: its heading, a line for each number, its free numbers.
void AppendLetter(std::string* out, const TVarMap& map, const TMapLetter& letter,
                  TShowPath showPath) {
  const TMapNumber* begin = map.Numbers.data() + letter.Begin;
  const TMapNumber* end = map.Numbers.data() + letter.End;
  int64_t low = begin->Number, high = (end - 1)->Number;
  size_t used = letter.End - letter.Begin;
  *out += Shown(std::string_view(&letter.Letter, 1)) + ": ";
  if (used == 1) {
    *out += "номер " + std::to_string(low) + ", занят 1\n";
  } else {
    uint64_t free = static_cast<uint64_t>(high - low + 1) - used;
    *out += "номера " + std::to_string(low) + "–" + std::to_string(high) + ", занято " +
            std::to_string(used) + ", свободно " + std::to_string(free) + "\n";
  }
  std::vector<std::string> variables, refs, firsts;
  constexpr std::string_view kHeadings[3] = {"номер", "ссылок", "первая ссылка"};
  size_t widths[3] = {Width(kHeadings[0]), Width(kHeadings[1]), Width(kHeadings[2])};
  for (const TMapNumber* record = begin; record != end; ++record) {
    variables.push_back(VariableText(record->Letter, record->Number));
    refs.push_back(std::to_string(record->Refs));
    firsts.push_back(record->First.Known() ? PlaceText(map, record->First, showPath, true) : "");
    widths[0] = std::max(widths[0], Width(variables.back()));
    widths[1] = std::max(widths[1], Width(refs.back()));
    widths[2] = std::max(widths[2], Width(firsts.back()));
  }
  *out += "  ";
  AppendPadded(out, kHeadings[0], widths[0] + 2);
  AppendPadded(out, kHeadings[1], widths[1] + 2);
  AppendPadded(out, kHeadings[2], widths[2] + 2);
  *out += "имена\n";
  for (const TMapNumber* record = begin; record != end; ++record) {
    size_t i = static_cast<size_t>(record - begin);
    *out += "  ";
    AppendPadded(out, variables[i], widths[0] + 2);
    out->append(widths[1] - Width(refs[i]), ' ');
    *out += refs[i] + "  ";
    AppendPadded(out, firsts[i], widths[2]);
    *out += "  " + NamesText(map, *record, showPath, true);
    if (record->Alias) *out += " [alias]";
    if (record->Overlap) *out += " [overlap]";
    *out += '\n';
  }
  if (!letter.Free.empty()) AppendFree(out, letter);
}

}  // namespace

std::string VarMapText(const TVarMap& map, TShowPath showPath) {
  size_t scripts = map.Scripts.size(), names = map.Names.size(), numbers = map.Numbers.size();
  std::string out =
      "Карта переменных: " + std::to_string(scripts) + ' ' +
      std::string(Plural(scripts, "скрипт", "скрипта", "скриптов")) + ", " + std::to_string(names) +
      ' ' + std::string(Plural(names, "имя", "имени", "имён")) + ", " + std::to_string(numbers) +
      ' ' + std::string(Plural(numbers, "номер", "номера", "номеров")) + ".\n";
  for (const TMapLetter& letter : map.Letters) {
    out += '\n';
    AppendLetter(&out, map, letter, showPath);
  }
  return out;
}

std::string SharedNumbersText(const TVarMap& ours, const TVarMap& theirs,
                              const std::vector<TSharedNumber>& shared, TShowPath showPath) {
  if (shared.empty()) return "Общих номеров нет.\n";
  std::string out = "Общие номера: " + std::to_string(shared.size()) + ".\n";
  size_t width = 0;
  for (const TSharedNumber& number : shared) {
    width = std::max(width, Width(VariableText(number.Ours->Letter, number.Ours->Number)));
  }
  for (const TSharedNumber& number : shared) {
    out += "  ";
    AppendPadded(&out, VariableText(number.Ours->Letter, number.Ours->Number), width);
    out += "  здесь: " + NamesText(ours, *number.Ours, showPath, false) + '\n';
    out += std::string(width + 4, ' ') +
           "там:   " + NamesText(theirs, *number.Theirs, showPath, false) + '\n';
  }
  return out;
}

}  // namespace zunt
