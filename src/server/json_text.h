// The long strings of a message (a document's text) taken out of it before
// the rest is parsed, and converted to Windows-1251 on the way: one pass over
// the text, and no copy of it in the parsed message.
#ifndef ZUNT_SERVER_JSON_TEXT_H_
#define ZUNT_SERVER_JSON_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "server/text.h"

namespace zunt {

/// A string value taken out of a message: where it stood, and its text.
struct TTakenText {
  std::string Pointer;  // a JSON pointer, as "/params/textDocument/text"
  TConverted Text;
};

/// Texts of at least this many bytes are taken out of a message.
inline constexpr size_t kTakenStringSize = 4096;

/// Converts the inside of a JSON string (between its quotes, escapes as
/// written) to Windows-1251, appending to *text; false when it is no valid
/// JSON string (a bad escape, a control byte, invalid UTF-8, a lone surrogate).
bool AppendJsonString(std::string_view raw, TConverted* text);

/// Takes out of a JSON body every value of a member "text" (a document's
/// text, a change's) that is a string of at least `least` bytes: *rest
/// becomes the body with each of them written as "", and *taken receives them. False when the body
/// could not be read so (it is then left to the JSON reader, to say what is wrong with it).
bool TakeLongStrings(std::string_view body, size_t least, std::string* rest,
                     std::vector<TTakenText>* taken);

}  // namespace zunt

#endif  // ZUNT_SERVER_JSON_TEXT_H_
