// Declarations and scripts made from a seed, read every way there is: the
// quick reader of plain lines against the careful one, the tight loop against
// the careful reader, cut short at any byte, and, where the generator made no
// mistake on purpose, against the output it expects. A failure prints the seed
// and the case cut down to what still fails.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/fail.h"
#include "fuzz_check.h"
#include "symbols/declarations.h"
#include "test_util.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// splitmix64: the same cases from a seed on every system.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : State(seed) {}
  uint64_t Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  char Of(std::string_view bytes) { return bytes[Below(bytes.size())]; }

 private:
  uint64_t State;
};

// Letters with a case: Latin, Cyrillic (а-я at 0xE0, А-Я at 0xC0) and ё/Ё.
char Upper(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || b >= 0xE0) return static_cast<char>(b - 32);
  return b == 0xB8 ? static_cast<char>(0xA8) : c;
}
char Lower(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b < 0xE0)) return static_cast<char>(b + 32);
  return b == 0xA8 ? static_cast<char>(0xB8) : c;
}
std::string Folded(std::string name) {
  for (char& c : name) c = Upper(c);
  return name;
}
std::string AnyCase(TRandom& r, std::string name) {
  for (char& c : name) c = r.OneIn(2) ? Upper(c) : Lower(c);
  return name;
}

// The bytes of names besides letters and digits; a variable's name holds no
// "=", "$", "@", "[" or line end, a constant's no ")" or line end.
constexpr std::string_view kLetters = "AbCxYz_09\xC0\xC1\xDF\xE0\xFF\xA8\xB8";
constexpr std::string_view kVarExtra = " (`~;.\xB9";
constexpr std::string_view kConstExtra = " ($@[`~;\xB9";

std::string MakeName(TRandom& r, bool constant) {
  static const size_t kSizes[] = {1, 2, 3, 7, 8, 9, 14, 15, 16, 17, 24, 40};
  size_t size = kSizes[r.Below(std::size(kSizes))];
  std::string name;
  for (size_t i = 0; i < size; ++i) {
    bool extra = i != 0 && i + 1 != size && r.OneIn(6);
    name += extra ? r.Of(constant ? kConstExtra : kVarExtra) : r.Of(kLetters);
  }
  return name;
}

struct TVarName {
  std::string Name;
  char Letter;
  int32_t Number;
  std::string Text;  // the number as written
};

// What a variable reference writes: the letter unless numberOnly, and the
// number as written, or plus a non-zero index, wrapping around 32 bits.
std::string Expansion(const TVarName& var, bool numberOnly, int64_t index) {
  std::string letter = numberOnly ? "" : std::string(1, var.Letter);
  if (index == 0) return letter + var.Text;
  return letter + std::to_string(static_cast<int32_t>(static_cast<uint32_t>(var.Number) +
                                                      static_cast<uint32_t>(index)));
}

int32_t MakeNumber(TRandom& r) {
  switch (r.Below(4)) {
    case 0:
      return INT32_MAX - static_cast<int32_t>(r.Below(100));
    case 1:
      return INT32_MIN + static_cast<int32_t>(r.Below(100));
    case 2:
      return static_cast<int32_t>(r.Next());
    default:
      return static_cast<int32_t>(r.Below(2000)) - 1000;
  }
}

std::string Hex(uint32_t value, bool small) {
  static const char kDigits[] = "0123456789ABCDEF0123456789abcdef";
  std::string digits;
  do digits.insert(digits.begin(), kDigits[value % 16 + (small ? 16 : 0)]);
  while ((value /= 16) != 0);
  return digits;
}

// The number as a variable's value or an index may write it.
std::string WriteNumber(TRandom& r, int32_t n) {
  switch (r.Below(8)) {
    case 0:
      return std::string(1, r.Of("$xX")) + Hex(static_cast<uint32_t>(n), r.OneIn(2));
    case 1:
      return "0x" + Hex(static_cast<uint32_t>(n), true);
    case 2:
      return n >= 0 ? "+" + std::to_string(n) : std::to_string(n);
    case 3:
      return n >= 0 ? "00" + std::to_string(n) : std::to_string(n);
    default:
      return std::to_string(n);
  }
}

// A generated case: the declarations, what they declare, and the script as
// pieces, each with the output it should give when it is good.
struct TPiece {
  std::string Bytes;
  std::string Output;
  bool Text = false;   // copied, less blanks and line feeds between back-quotes
  bool Good = true;    // its output is known
  bool Error = false;  // an error on the line it starts on
};

struct TCase {
  std::vector<std::string> Items;  // the declarations, a line or so each
  bool BadDeclarations = false;    // an item is wrong on purpose
  std::vector<TVarName> Vars;
  std::vector<std::pair<std::string, std::string>> Constants;  // name, text
  std::vector<TPiece> Pieces;

  std::string Declarations() const {
    std::string text;
    for (const std::string& item : Items) text += item;
    return text;
  }
  std::string Script() const {
    std::string text;
    for (const TPiece& piece : Pieces) text += piece.Bytes;
    return text;
  }
};

bool Taken(const TCase& c, const std::string& name, bool constant) {
  std::string folded = Folded(name);
  if (constant) {
    for (const auto& [other, text] : c.Constants) {
      if (Folded(other) == folded) return true;
    }
    return false;
  }
  for (const TVarName& var : c.Vars) {
    if (Folded(var.Name) == folded) return true;
  }
  return false;
}

std::string LineEnd(TRandom& r) { return r.OneIn(4) ? "\n" : "\r\n"; }

void AddVariable(TRandom& r, TCase& c) {
  TVarName var{MakeName(r, false), r.OneIn(12) ? '\xE2' : r.Of("yvwxzYVW"), MakeNumber(r), ""};
  if (Taken(c, var.Name, false)) return;
  var.Text = WriteNumber(r, var.Number);
  std::string blank = r.OneIn(4) ? "\t" : " ";
  std::string name = r.OneIn(8) ? blank + var.Name + "[5]" : var.Name;
  std::string line = r.OneIn(3) ? name + "=" : name + " =" + blank;
  line += var.Letter + var.Text + (r.OneIn(6) ? "  ;" : "") + "\r\n";
  c.Items.push_back((r.OneIn(8) ? "  " : "") + line);
  c.Vars.push_back(var);
}

void AddConstant(TRandom& r, TCase& c) {
  std::string name = MakeName(r, true);
  if (Taken(c, name, true)) return;
  size_t size = r.OneIn(4) ? 13 + r.Below(300) : r.Below(13);
  std::string text, stored;
  for (size_t i = 0; i < size; ++i) {
    char b = r.OneIn(40) ? '\r' : r.Of("abc $@(`~)[\xE0\xFF.");
    text += b;
    if (b == '\r') text += '\n', stored += '\n';
    if (b != '\r') stored += b;
  }
  if (r.OneIn(20)) text += std::string(1, '\0') + "cut";
  std::string tail = r.OneIn(6) ? " ; note" : r.OneIn(8) ? " text" : "";
  c.Items.push_back("(" + AnyCase(r, name) + (r.OneIn(3) ? ")='" : ") = '") + text + "'" + tail +
                    LineEnd(r));
  c.Constants.emplace_back(name, stored);
}

// One item that is wrong: a taken name, a bad value, a bad byte, a cut item.
void AddWrongItem(TRandom& r, TCase& c) {
  static const char* const kWrong[] = {
      "A = q\r\n", "A = yz\r\n", "A$B = y1\r\n", "(A = 'x'\r\n", "(A) x\r\n", "() = 'x'\r\n",
      "A",         "(A) = ",     "(A) = 'x",     "A@ = y1\r\n",  "A = y",     "A ="};
  c.BadDeclarations = true;
  if (!c.Vars.empty() && r.OneIn(4)) {
    c.Items.push_back(AnyCase(r, c.Vars[r.Below(c.Vars.size())].Name) + " = y1\r\n");
  } else if (!c.Constants.empty() && r.OneIn(4)) {
    c.Items.push_back("(" + AnyCase(r, c.Constants[r.Below(c.Constants.size())].first) +
                      ") = 'x'\r\n");
  } else {
    c.Items.push_back(kWrong[r.Below(std::size(kWrong))]);
  }
}

void MakeDeclarations(TRandom& r, TCase& c) {
  size_t items = 1 + r.Below(24);
  for (size_t i = 0; i < items; ++i) {
    switch (r.Below(10)) {
      case 0:
        c.Items.push_back(r.OneIn(2) ? "; note $ ( '\r\n" : "\r\n");
        break;
      case 1:
      case 2:
      case 3:
        AddConstant(r, c);
        break;
      default:
        AddVariable(r, c);
        break;
    }
  }
  if (r.OneIn(10) && !Taken(c, "Q", true)) {
    c.Items.push_back("(Q) = 'twelve bytes'\r\n");
    c.Constants.emplace_back("Q", "twelve bytes");
  }
  if (r.OneIn(10)) AddWrongItem(r, c);
}

// The script's state as the generator follows it.
struct TScriptMaker {
  TRandom& R;
  TCase& C;
  bool Mistakes;  // whether the script may hold errors
  std::vector<TVarName> Locals;
  bool LastPiece = false;

  // Whether to make a mistake here, one time in n when mistakes are wanted.
  bool Mistake(size_t n) { return Mistakes && R.OneIn(n); }

  void Add(std::string bytes, std::string output, bool good = true, bool error = false) {
    C.Pieces.push_back(TPiece{std::move(bytes), std::move(output), false, good, error});
  }
  void AddText(std::string bytes) { C.Pieces.push_back(TPiece{bytes, bytes, true, true, false}); }

  // Ordinary text; now and then a long stretch of it.
  void Text() {
    size_t size = R.OneIn(10) ? 40 + R.Below(200) : R.Below(20);
    std::string text;
    for (size_t i = 0; i < size; ++i) text += R.Of("ab z  \t\r;=[])'\"\xE0\xFF\x80");
    if (R.OneIn(30)) text += '\0';
    AddText(text);
  }

  const TVarName* AnyVar() {
    size_t n = C.Vars.size() + Locals.size();
    if (n == 0) return nullptr;
    size_t i = R.Below(n);
    return i < C.Vars.size() ? &C.Vars[i] : &Locals[i - C.Vars.size()];
  }

  // An index in one of its forms, well formed or not; *value is its number
  // when it is well formed, else *good is false.
  std::string Index(char mark, int64_t* value, bool* good, const TVarName& var) {
    *good = true;
    switch (Mistakes ? R.Below(12) : 3 + R.Below(9)) {
      case 0:
        *good = false;
        return R.OneIn(3) ? "[12" : R.OneIn(2) ? "[]" : "[a]";
      case 1:
        *good = false;
        return R.OneIn(2) ? "[1 ]" : "[2147483648]";
      case 2:
        *good = false;
        return "][1";
      case 3:
        *value = INT32_MAX - int64_t{var.Number} + 1 + R.Below(3);
        break;  // wraps
      case 4:
        *value = R.OneIn(2) ? 0 : int64_t{MakeNumber(R)};
        break;
      default:
        *value = static_cast<int64_t>(R.Below(200)) - 100;
        break;
    }
    if (*value > INT32_MAX) *value = int64_t{INT32_MIN} + R.Below(10);
    std::string text = WriteNumber(R, static_cast<int32_t>(*value));
    if (mark == '$' && text[0] == '$') text = std::to_string(*value);
    if (R.OneIn(8)) text = " " + text;
    return "[" + text + (R.OneIn(8) ? "]xy" : "]");
  }

  void VarRef() {
    char mark = R.OneIn(2) ? '$' : '@';
    const TVarName* var = AnyVar();
    if (var == nullptr || Mistake(10)) {  // undeclared or empty
      if (!Mistakes) return Text();
      // A name not declared, or a declared one and a zero byte.
      std::string name = R.OneIn(4) ? "" : MakeName(R, false) + "\xA0";
      if (var != nullptr && R.OneIn(3)) name = var->Name + '\0';
      return Add(mark + name + mark, "", false, true);
    }
    std::string ref = mark + AnyCase(R, var->Name);
    int64_t index = 0;
    bool good = true;
    if (R.OneIn(3)) ref += Index(mark, &index, &good, *var);
    if (Mistake(20)) return Add(ref + LineEnd(R), "", false, true);  // never closed
    std::string output = good ? Expansion(*var, mark == '@', index) : "";
    // Many of the same on one line, most writing more than they take.
    size_t times = R.OneIn(12) ? 20 + R.Below(200) : R.OneIn(100) ? 800 + R.Below(400) : 1;
    if (ref.find('[') != std::string::npos) times = 1;  // no warning for each
    std::string bytes;
    for (size_t i = 0; i < times; ++i) bytes += ref + mark;
    std::string outputs;
    for (size_t i = 0; i < times; ++i) outputs += output;
    Add(bytes, outputs, good, !good);
  }

  void ConstRef() {
    if (C.Constants.empty() || Mistake(10)) {
      if (!Mistakes) return Text();
      std::string name = R.OneIn(4) ? "" : MakeName(R, true) + "\xA0";
      if (!C.Constants.empty() && R.OneIn(3)) name = C.Constants[0].first + '\0';
      return Add("(" + name + ")", "", false, true);
    }
    const auto& [name, text] = C.Constants[R.Below(C.Constants.size())];
    std::string ref = "(" + AnyCase(R, name);
    if (Mistake(20)) return Add(ref + LineEnd(R), "", false, true);
    if (Mistake(20)) return Add(ref + "[1])", "", false, true);  // as if it were a variable
    size_t times = R.OneIn(8) ? 20 + R.Below(100) : R.OneIn(60) ? 500 + R.Below(400) : 1;
    // A line of thousands, each writing four times the bytes it takes.
    if (name.size() == 1 && text.size() == 12 && R.OneIn(3)) times = 2000 + R.Below(3000);
    std::string bytes, output;
    for (size_t i = 0; i < times; ++i) bytes += ref + ")", output += text;
    Add(bytes, output);
  }

  // "~NAME=VALUE" up to ";" or a line end: a new name, or a taken one.
  void Local() {
    TVarName var{MakeName(R, false), R.OneIn(12) ? '\xE2' : R.Of("yvwz"), MakeNumber(R), ""};
    bool index = R.OneIn(8);  // "NAME [3]": the name keeps its blank
    if (index) var.Name += ' ';
    if (Mistake(6) && AnyVar() != nullptr) var.Name = AnyVar()->Name;
    index = var.Name.back() == ' ';
    bool good = !Taken(C, var.Name, false);
    for (const TVarName& local : Locals) good = good && Folded(local.Name) != Folded(var.Name);
    var.Text = WriteNumber(R, var.Number);
    std::string value = var.Letter + var.Text;
    if (Mistake(12)) value = R.OneIn(2) ? "" : "y", good = false;
    std::string name = AnyCase(R, var.Name) + (index ? "[3]" : "");
    if (Mistake(16)) name += R.Of("$@\n"), good = false;
    std::string end = LastPiece && R.OneIn(2) ? "" : R.OneIn(2) ? ";" : LineEnd(R);
    Add("~" + name + (R.OneIn(3) ? " = " : "=") + value + end, "", good, !good);
    if (good) {
      Locals.push_back(var);
    } else if (!Mistakes) {
      C.Pieces.pop_back();
    }
  }

  void Piece() {
    switch (R.Below(16)) {
      case 0:
      case 1:
      case 2:
        return Text();
      case 3:
      case 4:
      case 5:
      case 6:
        return VarRef();
      case 7:
      case 8:
        return ConstRef();
      case 9:
        return Local();
      case 10:
        Locals.clear();
        return Add("~~", "");
      case 11:
        return C.Pieces.push_back(TPiece{"`", "", true, true, false});
      case 12:
        if (!Mistakes) return Text();
        return Add(R.Of("$@(~") + LineEnd(R), "", false, true);
      default:
        return AddText(LineEnd(R));
    }
  }
};

void MakeScript(TRandom& r, TCase& c) {
  TScriptMaker maker{r, c, r.OneIn(2), {}};
  size_t pieces = 1 + r.Below(r.OneIn(4) ? 120 : 30);
  for (size_t i = 0; i < pieces; ++i) {
    maker.LastPiece = i + 1 == pieces;
    maker.Piece();
  }
}

// The output the script should give when every piece of it is good.
std::optional<std::string> ExpectedOutput(const TCase& c) {
  std::string output;
  bool keepWhitespace = true;
  for (const TPiece& piece : c.Pieces) {
    if (!piece.Good) return std::nullopt;
    if (piece.Bytes == "`") {
      keepWhitespace = !keepWhitespace;
    } else if (!piece.Text) {
      output += piece.Output;
    } else {
      for (char b : piece.Bytes) {
        if (keepWhitespace || (b != ' ' && b != '\n')) output += b;
      }
    }
  }
  return output;
}

// The line of the first error, when the first piece that is not good is an
// error that stays on its line; 0 otherwise.
uint64_t ExpectedErrorLine(const TCase& c) {
  uint64_t line = 1;
  for (const TPiece& piece : c.Pieces) {
    if (!piece.Good) return piece.Error ? line : 0;
    line += CountLineFeeds(piece.Bytes);
  }
  return 0;
}

// Bytes as a C++ string literal, so that a failing case can be pasted into a test.
std::string Literal(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text = "\"";
  bool hex = false;  // a hex digit after a \x escape would be read into it
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b < 32 || b >= 127 || c == '"' || c == '\\') {
      text += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
      hex = true;
      continue;
    }
    if (hex && std::isxdigit(b)) text += "\" \"";
    text += c;
    hex = false;
  }
  return text + "\"";
}

// Cuts the text down while it still fails: halves, quarters, ... single bytes.
std::string Minimised(std::string text, const std::function<bool(const std::string&)>& fails) {
  for (size_t chunk = text.size() / 2; chunk >= 1; chunk /= 2) {
    for (size_t at = 0; at + chunk <= text.size();) {
      std::string shorter = text.substr(0, at) + text.substr(at + chunk);
      if (fails(shorter)) {
        text = shorter;
      } else {
        at += chunk;
      }
    }
  }
  return text;
}

// Translates the script after the declarations with the careful reader alone,
// up to the first error; *thrown gets its message and line.
std::string CarefulOutput(const std::string& declarations, const std::string& script,
                          std::optional<TFail>* thrown) {
  TState state;
  state.LoadIntoCursor(declarations);
  ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  state.LoadIntoCursor(script);
  state.CommonCase = false;
  try {
    TranslateScript(state);
  } catch (const TFail& fail) {
    *thrown = fail;
  }
  return std::string(state.Output.View());
}

// Checks one generated case; returns what went wrong, or "" when nothing did.
std::string CheckCase(uint64_t seed) {
  TRandom r(seed);
  TCase c;
  MakeDeclarations(r, c);
  const std::string declarations = c.Declarations();
  auto readersDiffer = [](const std::string& text) {
    return DeclarationsOutcome(text, true) != DeclarationsOutcome(text, false);
  };
  for (size_t cut : {declarations.size(), r.Below(declarations.size() + 1)}) {
    if (readersDiffer(declarations.substr(0, cut))) {
      return "the quick and the careful declarations readers differ on " +
             Literal(Minimised(declarations.substr(0, cut), readersDiffer));
    }
  }
  std::string declared = DeclarationsOutcome(declarations, false);
  const std::string kThrown = "thrown error ";
  if (declared.starts_with(kThrown) != c.BadDeclarations) {
    return "declarations " + Literal(declarations) + " read as " + Readable(declared);
  }
  if (c.BadDeclarations) {
    std::string message = declared.substr(kThrown.size(), declared.find(" @") - kThrown.size());
    if (!IsErrorInFile(message, TErrorFile::Declarations, CountLineFeeds(declarations))) {
      return "a declarations error of no known shape: " + Readable(message);
    }
    return "";
  }

  MakeScript(r, c);
  const std::string script = c.Script();
  TScriptReading tight, careful;
  tight.PieceSize = careful.PieceSize = r.OneIn(2) ? size_t{1} << 20 : 1 + r.Below(64);
  tight.MaxErrors = careful.MaxErrors = r.OneIn(3) ? 1 : 20;
  careful.CommonCase = false;
  auto loopsDiffer = [&](const std::string& text) {
    return ScriptOutcome(declarations, text, tight) != ScriptOutcome(declarations, text, careful);
  };
  for (size_t cut : {script.size(), r.Below(script.size() + 1)}) {
    if (loopsDiffer(script.substr(0, cut))) {
      std::string shortest = Minimised(script.substr(0, cut), loopsDiffer);
      return "the tight loop and the careful reader differ on " + Literal(shortest) +
             "\ntight:   " + Readable(ScriptOutcome(declarations, shortest, tight)) +
             "\ncareful: " + Readable(ScriptOutcome(declarations, shortest, careful)) +
             "\nafter the declarations " + Literal(declarations);
    }
  }

  std::optional<TFail> thrown;
  std::string output = CarefulOutput(declarations, script, &thrown);
  std::string where = " on " + Literal(script) + "\nafter " + Literal(declarations);
  if (thrown && !IsErrorInFile(thrown->Text(), TErrorFile::Script, CountLineFeeds(script))) {
    return "a script error of no known shape: " + Readable(thrown->Text()) + where;
  }
  if (std::optional<std::string> expected = ExpectedOutput(c)) {
    if (thrown) return "an error in a good script: " + Readable(thrown->Text()) + where;
    if (output != *expected) {
      return "the output " + Literal(output) + " is not the expected " + Literal(*expected) + where;
    }
  } else if (uint64_t line = ExpectedErrorLine(c)) {
    if (!thrown || thrown->Line != line) {
      return "no error on line " + std::to_string(line) + ": " +
             (thrown ? Readable(thrown->Text()) : "none") + where;
    }
  }
  return "";
}

// Two thousand cases, each from its own seed; ZUNT_SEED=N checks case N alone.
TEST(Generated, ReadersAgreeAndGiveWhatIsExpected) {
  uint64_t first = 1, cases = 2000;
  if (const char* seed = std::getenv("ZUNT_SEED")) first = std::stoull(seed), cases = 1;
  size_t failures = 0;
  for (uint64_t seed = first; seed < first + cases && failures < 3; ++seed) {
    std::string problem = CheckCase(seed);
    if (!problem.empty()) {
      ++failures;
      ADD_FAILURE() << "seed " << seed << " (ZUNT_SEED=" << seed << "): " << problem;
    }
  }
}

}  // namespace
}  // namespace zunt
