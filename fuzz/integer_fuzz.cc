// Fuzz target: the integer syntax of values and indexes. The input is the
// text; StrToIntStrict must agree with a plain model of the grammar, and
// ParseVarValue with its letter-then-integer rule. The first four bytes also
// give a number that must survive every written form of it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "symbols/var.h"

namespace zunt {
namespace {

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d < base ? d : -1;
}

// The grammar read left to right, with the magnitude held in 64 bits and
// capped far above any accepted value; the range is tested once at the end.
std::optional<int32_t> ModelStrToInt(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string_view digits = text.substr(i);
  int base = 10;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  } else if (digits.starts_with('$') || digits.starts_with('x') || digits.starts_with('X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  constexpr uint64_t kCap = uint64_t{1} << 40;
  uint64_t magnitude = 0;
  for (char c : digits) {
    int d = DigitValue(c, base);
    if (d < 0) return std::nullopt;
    magnitude = std::min(kCap, magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d));
  }
  if (base == 16) {
    // Eight significant digits at most; the digits are a 32-bit pattern that
    // a minus negates.
    if (magnitude > 0xFFFFFFFFu) return std::nullopt;
    uint32_t pattern = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? ~pattern + 1 : pattern);
  }
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

// The hexadecimal digits of a 32-bit pattern, padded with zeros to width.
std::string Hex(uint32_t pattern, bool upper, int width = 1) {
  char text[16];
  std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", width, pattern);
  return text;
}

void RequireParses(const std::string& text, int32_t expected) {
  std::optional<int32_t> value = StrToIntStrict(text);
  Require(value && *value == expected, "a written form of a number reads back as that number");
}

void RequireRejects(const std::string& text) {
  Require(!StrToIntStrict(text), "a number out of range or with trailing bytes is rejected");
}

// Every accepted form of v reads back as v; near misses are rejected.
void CheckRoundTrips(int32_t v, unsigned char style) {
  std::string decimal = std::to_string(v);
  std::string blanks(style & 7, ' ');
  std::string zeros((style >> 3) & 7, '0');
  RequireParses(decimal, v);
  RequireParses(blanks + decimal, v);
  std::string magnitude = v < 0 ? decimal.substr(1) : decimal;
  RequireParses(blanks + (v < 0 ? "-" : "+") + zeros + magnitude, v);
  RequireParses(decimal + std::string("\0 tail", 6), v);

  uint32_t pattern = static_cast<uint32_t>(v);
  for (const char* prefix : {"$", "x", "X", "0x", "0X"}) {
    bool upper = style & 64;
    RequireParses(blanks + prefix + zeros + Hex(pattern, upper), v);
    RequireParses("-" + std::string(prefix) + Hex(0u - pattern, upper), v);
    RequireRejects(prefix + ("1" + Hex(pattern, upper, 8)));  // nine significant digits
  }

  RequireRejects(decimal + " ");
  RequireRejects(" " + decimal + "x");
  int64_t wide = static_cast<int64_t>(v);
  RequireRejects(std::to_string(wide + (v < 0 ? -(int64_t{1} << 32) : (int64_t{1} << 32))));

  // A value: any letter but the zero byte, then the number as written.
  char letter = static_cast<char>(style | 1);
  TVar var = ParseVarValue(letter + blanks + decimal);
  Require(var.Valid() && var.Letter == letter && var.Number == v && var.Text == blanks + decimal,
          "a letter and a number make a value that keeps the number's text");
}

}  // namespace
}  // namespace zunt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  std::string_view text(reinterpret_cast<const char*>(data), size);

  std::optional<int32_t> value = StrToIntStrict(text);
  Require(value == ModelStrToInt(text), "StrToIntStrict agrees with the model of the grammar");

  TVar var = ParseVarValue(text);
  bool valid = text.size() >= 2 && text[0] != '\0' && ModelStrToInt(text.substr(1));
  Require(var.Valid() == valid, "a value is valid exactly when a letter precedes an integer");
  if (valid) {
    Require(var.Letter == text[0] && var.Number == *ModelStrToInt(text.substr(1)) &&
                var.Text == text.substr(1),
            "a valid value holds its letter, its number and the rest of the text as written");
  }

  if (size >= 5) {
    int32_t v;
    std::memcpy(&v, data, sizeof v);
    CheckRoundTrips(v, data[4]);
  }
  return 0;
}
