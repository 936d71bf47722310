// Helpers for tests that compare exact Windows-1251 bytes.
#ifndef ZUNT_TESTS_TEST_UTIL_H_
#define ZUNT_TESTS_TEST_UTIL_H_

#include <string>
#include <string_view>

#include "base/cp1251.h"

namespace zunt {

/// Windows-1251 bytes of UTF-8 test text.
inline std::string W(std::string_view utf8) { return Win1251(utf8); }

/// Windows-1251 bytes shown as UTF-8, so that a failed comparison reads well;
/// two texts are equal exactly when their readable forms are.
inline std::string Readable(std::string_view bytes) { return Utf8FromWin1251(bytes); }

/// The prefix of errors in the declarations file.
inline std::string TxtError(std::string_view body) {
  return W("| Ошибка в *.TXT файле |\r\n") + std::string(body);
}

/// The prefix of errors in the script.
inline std::string ErmError(std::string_view body) {
  return W("| Ошибка в *.ERM файле |\r\n") + std::string(body);
}

/// The line suffix of an error on the given line.
inline std::string OnLine(int line) { return W("\r\nОшибка в строке №") + std::to_string(line); }

}  // namespace zunt

#endif  // ZUNT_TESTS_TEST_UTIL_H_
