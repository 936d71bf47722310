// Fuzz target: the sixteen-byte searches against their plain versions, a
// reference read from its first sixteen bytes against the full grammar, and
// a script translated in the tight loop against the careful reader, on the
// same bytes. The input ends where its buffer ends, so that the
// sanitizers see any read past it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/fail.h"
#include "cursor/wide.h"
#include "fuzz_check.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

const TStopBytes kSets[] = {TStopBytes("$@(`~", '$'), TStopBytes("$@(`~\n ", '$'),
                            TStopBytes("=\r$@", '\n'), TStopBytes("\n;", '\n')};

void CheckSearches(std::string_view data, size_t from) {
  for (const TStopBytes& stops : kSets) {
    uint64_t a = 0, b = 0;
    Require(plain::FindAny(data, from, stops, &a) == wide::FindAny(data, from, stops, &b) && a == b,
            "FindAny finds and counts as the plain one");
    std::string plainOut(data.size() + 16, '#'), wideOut(data.size() + 16, '#');
    const char* begin = data.data() + from;
    const char* end = data.data() + data.size();
    const char* stopA = plain::CopyUntil(begin, end, plainOut.data(), stops);
    const char* stopB = wide::CopyUntil(begin, end, wideOut.data(), stops);
    size_t copied = static_cast<size_t>(stopA - begin);
    Require(stopA == stopB && plainOut.compare(0, copied, wideOut, 0, copied) == 0 &&
                data.substr(from, copied) == plainOut.substr(0, copied),
            "CopyUntil stops and copies as the plain one");
    if (data.size() - from >= 32) {
      const char* limit = begin + 1 + data[from] % 16;
      stopA = plain::CopyToStop(begin, limit, plainOut.data(), stops);
      stopB = wide::CopyToStop(begin, limit, wideOut.data(), stops);
      copied = static_cast<size_t>(stopA - begin);
      Require(stopA == stopB && plainOut.compare(0, copied, wideOut, 0, copied) == 0 &&
                  data.substr(from, copied) == plainOut.substr(0, copied),
              "CopyToStop stops and copies as the plain one");
    }
  }
  Require(plain::FindHighByte(data, from) == wide::FindHighByte(data, from),
          "FindHighByte finds as the plain one");
  std::string a(data.substr(from)), b(data.substr(from));
  a.resize(static_cast<size_t>(plain::SqueezeBlanks(a.data(), a.data() + a.size()) - a.data()));
  b.resize(static_cast<size_t>(wide::SqueezeBlanks(b.data(), b.data() + b.size()) - b.data()));
  Require(a == b, "SqueezeBlanks leaves out what the plain one does");
  const char* begin = data.data() + from;
  const char* end = data.data() + data.size();
  Require(plain::Count(begin, end, '\n') == wide::Count(begin, end, '\n'),
          "Count counts as the plain one");
  for (char close : {'$', ')'}) {
    TNameStops a = plain::FindNameStops(begin, end, close);
    TNameStops b = wide::FindNameStops(begin, end, close);
    Require(a.Close == b.Close && a.Bracket == b.Bracket && a.Square == b.Square,
            "FindNameStops as the plain one");
  }
  if (data.size() - from >= 16) {
    for (char close : {'$', ')'}) {
      TShortName a = plain::ShortName(begin, TLanes(close));
      TShortName b = wide::ShortName(begin, TLanes(close));
      Require(a.Stop == b.Stop && a.Key == b.Key, "ShortName as the plain one");
    }
  }
  size_t n = std::min<size_t>(16, data.size() - from);
  Require(plain::KeyOf(begin, n, end) == wide::KeyOf(begin, n, end), "KeyOf as the plain one");
  for (const TStopBytes& stops : kSets) {
    for (bool blanks : {false, true}) {
      Require(plain::BytesBefore(begin, end, stops, blanks) ==
                  wide::BytesBefore(begin, end, stops, blanks),
              "BytesBefore as the plain one");
    }
  }
}

const std::string kDeclarations =
    "A = y1\r\nAB = v02\r\nSIXTEEN_BYTES_16 = w$10\r\nSEVENTEEN_BYTES_17 = z-7\r\n"
    "\xC6\xB8 = y123456789\r\n(A) = 'a'\r\n(T) = 'a text of some length'\r\n";

// Runs one reference at the start of the script either way; returns the
// output and position, or the message and column.
std::string Reference(std::string_view script, bool full) {
  TState state;
  state.LoadIntoCursor(kDeclarations);
  ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  state.PointCursorAt(script);
  try {
    if (script[0] == '(') {
      full ? TranslateConstRefInFull(state) : TranslateConstRef(state);
    } else {
      full ? TranslateVarRefInFull(state) : TranslateVarRef(state);
    }
  } catch (const TFail& fail) {
    return fail.Text() + "@" + std::to_string(fail.Column);
  }
  return std::string(state.Output.View()) + "@" + std::to_string(state.Cursor.Pos);
}

}  // namespace
}  // namespace zunt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  // A copy in a buffer of exactly the input's size.
  std::unique_ptr<char[]> bytes(new char[size]);
  if (size != 0) std::memcpy(bytes.get(), data, size);
  std::string_view input(bytes.get(), size);
  for (size_t from = 0; from <= size && from < 40; ++from) CheckSearches(input, from);
  if (size != 0 && (input[0] == '$' || input[0] == '@' || input[0] == '(')) {
    Require(Reference(input, false) == Reference(input, true),
            "a reference reads the same from its first sixteen bytes as in full");
  }
  // Padded, so that the tight loop may read every byte of the input.
  std::string script = std::string(input) + std::string(48, '.');
  TScriptReading careful;
  careful.CommonCase = false;
  Require(ScriptOutcome(kDeclarations, script, TScriptReading()) ==
              ScriptOutcome(kDeclarations, script, careful),
          "the tight loop translates a script as the careful reader does");
  return 0;
}
