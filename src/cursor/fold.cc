#include "cursor/fold.h"

#include <array>
#include <cstdint>

namespace zunt {
namespace {

// Small letters of Windows-1251 outside a-z and а-я, with their capitals.
constexpr unsigned char kOtherPairs[][2] = {
    {0x90, 0x80},  // ђ Ђ
    {0x83, 0x81},  // ѓ Ѓ
    {0x9A, 0x8A},  // љ Љ
    {0x9C, 0x8C},  // њ Њ
    {0x9D, 0x8D},  // ќ Ќ
    {0x9E, 0x8E},  // ћ Ћ
    {0x9F, 0x8F},  // џ Џ
    {0xA2, 0xA1},  // ў Ў
    {0xBC, 0xA3},  // ј Ј
    {0xB4, 0xA5},  // ґ Ґ
    {0xB8, 0xA8},  // ё Ё
    {0xBA, 0xAA},  // є Є
    {0xBF, 0xAF},  // ї Ї
    {0xB3, 0xB2},  // і І
    {0xBE, 0xBD},  // ѕ Ѕ
};

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<unsigned char>(b);
  for (int b = 'a'; b <= 'z'; ++b) table[b] = static_cast<unsigned char>(b - 32);
  for (int b = 0xE0; b <= 0xFF; ++b) table[b] = static_cast<unsigned char>(b - 32);
  for (const auto& pair : kOtherPairs) table[pair[0]] = pair[1];
  return table;
}

// Upper case as names are stored: a-z, а-я and ё only.
constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<unsigned char>(b);
  for (int b = 'a'; b <= 'z'; ++b) table[b] = static_cast<unsigned char>(b - 32);
  for (int b = 0xE0; b <= 0xFF; ++b) table[b] = static_cast<unsigned char>(b - 32);
  table[0xB8] = 0xA8;  // ё
  return table;
}

constexpr std::array<unsigned char, 256> kUpperCase = MakeUpperTable();

}  // namespace

const std::array<unsigned char, 256> kFoldCase = MakeFoldTable();

void UpperCaseName(std::string& name) {
  for (char& c : name) c = static_cast<char>(kUpperCase[static_cast<unsigned char>(c)]);
}

}  // namespace zunt
