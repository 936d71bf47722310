#include "symbols/var.h"

namespace zunt {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Returns the length of a hexadecimal prefix at the start of text, or 0.
size_t HexPrefixLength(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) return 2;
  if (text.starts_with("$") || text.starts_with("x") || text.starts_with("X")) return 1;
  return 0;
}

}  // namespace

std::optional<int32_t> StrToIntStrict(std::string_view text) {
  // The common case first: up to nine characters, all decimal digits after
  // an optional minus, need no scans.
  if (text.size() <= 9 && text.size() > (!text.empty() && text[0] == '-' ? 1u : 0u)) {
    size_t i = text[0] == '-' ? 1 : 0;
    int32_t value = 0;
    for (size_t j = i;; ++j) {
      if (j == text.size()) return i != 0 ? -value : value;
      unsigned digit = static_cast<unsigned char>(text[j]) - unsigned{'0'};
      if (digit > 9) break;
      value = value * 10 + static_cast<int32_t>(digit);
    }
  }
  text = text.substr(0, text.find('\0'));
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  std::string_view digits = text.substr(i);

  if (size_t prefix = HexPrefixLength(digits)) {
    digits.remove_prefix(prefix);
    if (digits.empty()) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0 || value > 0x0FFFFFFF) return std::nullopt;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    // The digits are a 32-bit pattern; "-" negates it with wrap-around.
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }

  if (digits.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || value > 214748364) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

TVar ParseVarValue(std::string_view text) {
  TVar var;
  if (text.size() < 2) return var;
  std::optional<int32_t> number = StrToIntStrict(text.substr(1));
  if (!number) return var;
  var.Letter = text[0];
  var.Number = *number;
  var.Text = std::string(text.substr(1));
  return var;
}

}  // namespace zunt
