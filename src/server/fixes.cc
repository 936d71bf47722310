#include "server/fixes.h"

#include <algorithm>

#include "base/cp1251.h"

namespace zunt {
namespace {

// Cyrillic letters (Windows-1251 bytes) and the Latin letters they look like.
constexpr std::pair<unsigned char, char> kLookAlikes[] = {
    {0xC0, 'A'}, {0xC2, 'B'}, {0xC5, 'E'}, {0xCA, 'K'}, {0xCC, 'M'}, {0xCD, 'H'}, {0xCE, 'O'},
    {0xD0, 'P'}, {0xD1, 'C'}, {0xD2, 'T'}, {0xD3, 'Y'}, {0xD5, 'X'}, {0xE0, 'a'}, {0xE5, 'e'},
    {0xEA, 'k'}, {0xEE, 'o'}, {0xF0, 'p'}, {0xF1, 'c'}, {0xF3, 'y'}, {0xF5, 'x'}, {0xB2, 'I'},
    {0xB3, 'i'}, {0xA3, 'J'}, {0xBC, 'j'}, {0xBD, 'S'}, {0xBE, 's'},
};

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Returns the start and the end (before its line end) of the line around `at`.
std::pair<size_t, size_t> LineOf(std::string_view bytes, size_t at) {
  size_t from = at;
  while (from > 0 && !IsLineEnd(bytes[from - 1])) --from;
  size_t to = at;
  while (to < bytes.size() && !IsLineEnd(bytes[to])) ++to;
  return {from, to};
}

TTextFix Insert(const char* title, size_t at, std::string text) {
  return TTextFix{title, at, at, std::move(text)};
}

// "NAME = VALUE; comment": the first ";" of the line, not doubled, before more text.
TTextFix SecondSemicolon(std::string_view bytes, size_t at) {
  auto [from, to] = LineOf(bytes, at);
  std::string_view line = bytes.substr(from, to - from);
  size_t semicolon = line.find(';');
  if (semicolon == std::string_view::npos || line.substr(0, semicolon).find('=') == line.npos ||
      line.find_first_not_of(" \t;", semicolon) == line.npos || line[semicolon + 1] == ';') {
    return {};
  }
  return Insert("Начать комментарий с «;;»", from + semicolon + 1, ";");
}

// "$NAME[2]x$": the text from `at` up to the reference's closing mark.
TTextFix TextAfterIndex(std::string_view bytes, size_t at) {
  auto [from, to] = LineOf(bytes, at);
  size_t open = bytes.find_last_of("[", at);
  if (open == bytes.npos || open < from) return {};
  size_t mark = bytes.find_last_of("$@", open);
  if (mark == bytes.npos || mark < from) return {};
  size_t close = bytes.find(bytes[mark], at);
  if (close == bytes.npos || close > to || close == at) return {};
  return TTextFix{"Убрать текст между «]» и концом ссылки", at, close, ""};
}

// A value's letter that looks like a Latin one.
TTextFix LatinLetter(std::string_view bytes, size_t at) {
  if (at >= bytes.size()) return {};
  unsigned char letter = static_cast<unsigned char>(bytes[at]);
  auto it = std::find_if(std::begin(kLookAlikes), std::end(kLookAlikes),
                         [&](const auto& pair) { return pair.first == letter; });
  if (it == std::end(kLookAlikes)) return {};
  std::string title = "Заменить «" + Utf8FromWin1251(std::string(1, static_cast<char>(letter))) +
                      "» на латинскую «" + std::string(1, it->second) + "»";
  return TTextFix{title, at, at + 1, std::string(1, it->second)};
}

}  // namespace

TTextFix FixOf(std::string_view code, std::string_view bytes, size_t at) {
  at = std::min(at, bytes.size());
  if (code == "invalid-variable-declaration" || code == "unterminated-variable-declaration") {
    return SecondSemicolon(bytes, at);
  }
  if (code == "text-after-constant") return Insert("Начать комментарий с «;;»", at, ";; ");
  if (code == "text-after-index") return TextAfterIndex(bytes, at);
  if (code == "non-latin-letter") return LatinLetter(bytes, at);
  if (code == "multi-line-constant") {
    return Insert("Закрыть кавычку в конце строки", LineOf(bytes, at).second, "'");
  }
  if (code == "lf-line-end") return Insert("Закончить значение на «;»", at, ";");
  return {};
}

}  // namespace zunt
