#include "translator/translator.h"

#include <gtest/gtest.h>

#include "base/fail.h"
#include "fuzz_check.h"
#include "symbols/declarations.h"
#include "test_util.h"

namespace zunt {
namespace {

using namespace std::literals;

constexpr std::string_view kDeclarations =
    "HERO = y0100\r\nN = w5\r\nH = y$1F\r\n(GREET) = 'Hi there'\r\n(Z) = 'a\0b'\r\n"sv;

// Translates the script after the declarations; returns the output, or the
// error message after "error: ".
std::string Translate(std::string_view script, std::string_view declarations = kDeclarations) {
  TState state;
  try {
    state.LoadIntoCursor(std::string(declarations));
    ReadDeclarations(state.Cursor, state.Vars, state.Constants);
    state.LoadIntoCursor(std::string(script));
    TranslateScript(state);
  } catch (const TFail& fail) {
    return "error: " + Readable(fail.Text());
  }
  return Readable(state.Output.View());
}

std::string Error(const std::string& message) { return "error: " + Readable(message); }

struct TCase {
  std::string script;
  std::string expected;
};

TEST(TranslateScript, CopiesAndCompacts) {
  const TCase cases[] = {
      {"plain text; no specials\r\n\ttab", "plain text; no specials\r\n\ttab"},
      {"set a b;\r\n", "set a b;\r\n"},
      {"`set a b;\r\n`", "setab;\r"},
      {"a`b`c", "abc"},
      {"`a b\n c  d \r\n", "abcd\r"},
      {"x ` a b ` y", "x ab y"},
      {"` $HERO$ (GREET) `", "y0100Hi there"},
      {"~~", ""},
      {"a~~b~~", "ab"},
      {"\xFF\x01\x80\0 ok"s, "\xFF\x01\x80\0 ok"s},
  };
  for (const auto& t : cases) EXPECT_EQ(Readable(t.expected), Translate(t.script)) << t.script;
}

TEST(TranslateScript, ExpandsReferences) {
  const TCase cases[] = {
      {"set $HERO$ to (GREET);", "set y0100 to Hi there;"},
      {"$HERO$|@HERO@|$HERO[1]$|@HERO[-100]@|$HERO[0]$", "y0100|0100|y101|0|y0100"},
      {"$hero$ $Hero$ (greet)", "y0100 y0100 Hi there"},
      {"$HERO[1]xyz$", "y101"},
      {"$HERO[ 2]$", "y102"},
      {"$HERO[x10]$ @HERO[0X10]@", "y116 116"},
      {"$N[2147483647]$", "w-2147483644"},
      {"$N[-5]$ @N[-6]@", "w0 -1"},
      {"$H$ $H[1]$", "y$1F y32"},
      {"(Z)", "a"},
      {"a\r\nb $HERO$\r\n", "a\r\nb y0100\r\n"},
  };
  for (const auto& t : cases) EXPECT_EQ(Readable(t.expected), Translate(t.script)) << t.script;
}

TEST(TranslateScript, LocalDeclarations) {
  const TCase cases[] = {
      {"~T=y7\r\nset $T$;", "set y7;"},
      {"~T=y7;\r\n", "\r\n"},
      {"~T=y7; rest", " rest"},
      {"~T=y7;~~~T=y8;$T$", "y8"},
      {"~~", ""},
      {"~ =y1;$[0]$", "y1"},
      {"~=y1;@[5]@", "6"},
      {"~T [5]=y1;$T $", "y1"},
      {"~t = w 10 ;$T$ $T[1]$", "w 10 w11"},
      {"~T=y7", ""},
      {"~T=y7\r", ""},
      {W("~ ў=y1;$Ў$"), "y1"},
      {W("~я=x9;$Я$"), "x9"},  // a name that is one byte 255
  };
  for (const auto& t : cases) EXPECT_EQ(Readable(t.expected), Translate(t.script)) << t.script;

  // A local cannot take a global's name, in any letter case.
  EXPECT_EQ(Error(ErmError(W("Переменная $HERO$ уже была объявлена ранее!")) + OnLine(1)),
            Translate("~hero=y1;"));
}

TEST(TranslateScript, ReferenceErrors) {
  const std::string lineEnd = W("Некорректный символ \"Конец строки\" прервал ");
  const TCase cases[] = {
      {"$HERO", ErmError(W("Неожиданный конец переменной!")) + OnLine(1)},
      {"\n\n@HERO", ErmError(W("Неожиданный конец переменной!")) + OnLine(3)},
      {"$$", ErmError(W("Пустые переменные запрещены!")) + OnLine(1)},
      {"a\n@@", ErmError(W("Пустые переменные запрещены!")) + OnLine(2)},
      {"$HERO\r\n$", ErmError(lineEnd + W("переменную!")) + OnLine(1)},
      {"$HERO[1$", ErmError(W("Отсутствует закрывающая скобка индекса переменной!")) + OnLine(1)},
      {"$HERO[]$", ErmError(W("Некорректный индекс переменной!")) + OnLine(1)},
      {"$HERO][1$", ErmError(W("Некорректный индекс переменной!")) + OnLine(1)},
      {"$HERO[a]$", ErmError(W("Некорректный индекс переменной!")) + OnLine(1)},
      {"$HERO[1 ]$", ErmError(W("Некорректный индекс переменной!")) + OnLine(1)},
      {"$HERO[2147483648]$", ErmError(W("Некорректный индекс переменной!")) + OnLine(1)},
      {"$ HERO$", ErmError(W("Переменной $ HERO$ не существует!")) + OnLine(1)},
      {"$villain[2]$", ErmError(W("Переменной $VILLAIN$ не существует!")) + OnLine(1)},
      {"@[3]@", ErmError(W("Переменной $$ не существует!")) + OnLine(1)},
      {W("$я$"), ErmError(W("Переменной $Я$ не существует!")) + OnLine(1)},
      {"(GREET", ErmError(W("Неожиданный конец константы!")) + OnLine(1)},
      {"()", ErmError(W("Пустые константы запрещены!")) + OnLine(1)},
      {"\n(GREET\n)", ErmError(lineEnd + W("константу!")) + OnLine(2)},
      {"if (a)", W("Константы (A) не существует!") + OnLine(1)},
      {W("(я)"), W("Константы (Я) не существует!") + OnLine(1)},
      {"\0$\0$"s, ErmError(W("Переменной $\0$ не существует!"sv)) + OnLine(1)},
      // A zero byte after a declared name makes another name.
      {"$HERO\0$"s, ErmError(W("Переменной $HERO\0$ не существует!"sv)) + OnLine(1)},
      {"(GREET\0)"s, W("Константы (GREET\0) не существует!"sv) + OnLine(1)},
      // Line feeds dropped in compact mode are counted.
      {"`\n\n\n`$X$", ErmError(W("Переменной $X$ не существует!")) + OnLine(4)},
  };
  for (const auto& t : cases) EXPECT_EQ(Error(t.expected), Translate(t.script)) << t.script;
}

TEST(TranslateScript, LocalDeclarationErrors) {
  const TCase cases[] = {
      {"~", ErmError(W("Неожиданный конец объявления переменной!")) + OnLine(1)},
      {"a\n~T", ErmError(W("Неожиданный конец объявления переменной!")) + OnLine(2)},
      {"~T\r\n=y1",
       ErmError(W("Некорректный символ \"Конец строки\" прервал описание переменной!")) +
           OnLine(1)},
      {"~A$=y1", ErmError(W("Некорректный символ \"$\" прервал описание переменной!")) + OnLine(1)},
      {"~A@=y1", ErmError(W("Некорректный символ \"@\" прервал описание переменной!")) + OnLine(1)},
      {"~T=y7;~t=y8;", ErmError(W("Переменная $T$ уже была объявлена ранее!")) + OnLine(1)},
      {"~ HERO = y1", ErmError(W("Переменная $HERO$ уже была объявлена ранее!")) + OnLine(1)},
      {"~T[1]=y1\n~T=y2", ErmError(W("Переменная $T$ уже была объявлена ранее!")) + OnLine(2)},
      {"~T=", ErmError(W("Неожиданный конец объявления переменной $T$ !")) + OnLine(1)},
      {"~T=;", ErmError(W("Некорректное значение переменной $T$ !")) + OnLine(1)},
      {"~T=\r\n", ErmError(W("Некорректное значение переменной $T$ !")) + OnLine(1)},
      {"\n~T=q\nx", ErmError(W("Некорректное значение переменной $T$ !")) + OnLine(2)},
      {"~T= ", ErmError(W("Некорректное значение переменной $T$ !")) + OnLine(1)},
      {"~T=y7\n~~\n$T$", ErmError(W("Переменной $T$ не существует!")) + OnLine(3)},
  };
  for (const auto& t : cases) EXPECT_EQ(Error(t.expected), Translate(t.script)) << t.script;
}

// The reference is read from its first sixteen bytes when they settle it, and
// by the full grammar otherwise: both must give the same output, position and
// message, for names around sixteen bytes, cut by a line end or the end of
// the data, with an index, undeclared, or in any letter case.
TEST(References, CommonCaseAgreesWithFullGrammar) {
  const std::string declarations =
      "A = y1\r\nFIFTEEN_BYTES_1 = v15\r\nSIXTEEN_BYTES_16 = w16\r\n"
      "SEVENTEEN_BYTES_17 = z17\r\nLONG = y1234567\r\n" +
      W("ЖЁЎ = y7\r\n") +
      "(C) = 'c'\r\n(TWELVE_BYTES) = 'twelve bytes'\r\n(T) = 'thirteen byte'\r\n"
      "(SIXTEEN_BYTES_16) = 'x'\r\n";
  const std::string names[] = {"a",
                               "A",
                               "FIFTEEN_BYTES_1",
                               "fifteen_bytes_1",
                               "SIXTEEN_BYTES_16",
                               "SEVENTEEN_BYTES_17",
                               "LONG",
                               W("жёў"),
                               W("ЖЁЎ"),
                               "B",
                               "",
                               "A[1]",
                               "A[",
                               "LONG[-2]x",
                               "C",
                               "c",
                               "TWELVE_BYTES",
                               "T",
                               "A\n",
                               "SIXTEEN_BYTES_1"};
  const std::string tails[] = {"", "\n", "$ rest", "@", ")", "\r\n"};
  for (const std::string& name : names) {
    for (char mark : {'$', '@', '('}) {
      for (const std::string& tail : tails) {
        std::string close = mark == '(' ? ")" : std::string(1, mark);
        std::string script = mark + name + close + tail;
        for (size_t cut = 1; cut <= script.size(); ++cut) {
          std::string text = script.substr(0, cut);
          auto run = [&](bool full, size_t* pos) {
            TState state;
            state.LoadIntoCursor(declarations);
            ReadDeclarations(state.Cursor, state.Vars, state.Constants);
            state.LoadIntoCursor(text);
            try {
              if (mark == '(') {
                full ? TranslateConstRefInFull(state) : TranslateConstRef(state);
              } else {
                full ? TranslateVarRefInFull(state) : TranslateVarRef(state);
              }
            } catch (const TFail& fail) {
              return Readable(fail.Text()) + " column " + std::to_string(fail.Column);
            }
            *pos = state.Cursor.Pos;
            return Readable(state.Output.View());
          };
          size_t fastPos = 0, fullPos = 0;
          EXPECT_EQ(run(true, &fullPos), run(false, &fastPos)) << Readable(text);
          EXPECT_EQ(fullPos, fastPos) << Readable(text);
        }
      }
    }
  }
}

// Translates with the tight loop on or off, handing the output over in pieces
// of pieceSize; returns the pieces joined and every report, one per line.
std::string TranslateInPieces(const std::string& declarations, const std::string& script,
                              bool commonCase, size_t pieceSize) {
  TScriptReading reading;
  reading.CommonCase = commonCase;
  reading.PieceSize = pieceSize;
  return Readable(ScriptOutcome(declarations, script, reading));
}

// Every kind of reference, declaration and error, at every offset from a
// sixteen-byte block's start, from the script's end and around the end of a
// piece: the tight loop
// gives what the careful reader gives, byte for byte, report for report.
TEST(TranslateScript, TightLoopAgreesWithCarefulReader) {
  const std::string declarations =
      "A = y1\r\nFIFTEEN_BYTES_1 = v15\r\nSIXTEEN_BYTES_16 = w16\r\nSEVENTEEN_BYTES_17 = z17\r\n"
      "LONG = y12345678\r\nMAX = v2147483647\r\n" +
      W("ЖЁЎ = y7\r\n") +
      "(C) = 'c'\r\n(TWELVE_BYTES) = 'twelve bytes'\r\n(T) = 'thirteen byte'\r\n"
      "(B[1]) = 'bracket'\r\n";
  const std::string snippets[] = {
      "$A$@a$(C)",
      "$FIFTEEN_BYTES_1$@fifteen_bytes_1@",
      "$SIXTEEN_BYTES_16$ $SEVENTEEN_BYTES_17$",
      "$LONG$ @LONG@ $LONG[3]$",
      "$A[-1]$ @A[+2]@ $A[999999999]$ $A[1]x$ $A[1234567890]$",
      "$MAX[1]$ @MAX[-5]@",
      W("$жёў$ @ЖЁЎ[2]@"),
      "(C)(c)(TWELVE_BYTES)(T)(B[1])",
      "$NOPE$ (NOPE) $$ () $A[$ $A[x]$",
      "$A\n$A$",
      "~L=y5;$L$ @l[1]@ ~~ $L$",
      "~L=x;",
      "`$A$ \n  $A$\n(C) \n`  $A$ ",
      "` a b\n c `",
      "@",
      "(",
      "~",
  };
  const std::string filler = "0123456789abcdef0123456789abcdef0123456789abcdef\n";
  for (const std::string& snippet : snippets) {
    for (size_t offset = 0; offset < 40; ++offset) {
      // The script's end too at every offset from a block's start.
      std::string script = filler.substr(0, offset) + snippet + " " + filler + snippet +
                           filler.substr(0, offset * 13 % filler.size());
      for (size_t pieceSize : {size_t{1} << 20, size_t{7}, size_t{64}}) {
        EXPECT_EQ(TranslateInPieces(declarations, script, false, pieceSize),
                  TranslateInPieces(declarations, script, true, pieceSize))
            << Readable(script) << " in pieces of " << pieceSize;
      }
    }
  }
}

// Translates with up to twenty errors and warnings, the tight loop on or off;
// returns the output, then each report's line and first word (or whole body).
std::string Recovered(const std::string& script, bool commonCase, bool wholeBody = false,
                      std::string_view declarations = kDeclarations) {
  TState state;
  state.LoadIntoCursor(std::string(declarations));
  ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  state.LoadIntoCursor(script);
  state.CommonCase = commonCase;
  state.Diagnostics.MaxErrors = 20;
  state.Diagnostics.Warnings = wholeBody;
  TranslateScript(state);
  std::string result = Readable(state.Output.View());
  for (const TFail& item : state.Diagnostics.Items) {
    if (item.Severity == TSeverity::Note) continue;  // what explains an error
    std::string body = Readable(item.Body());
    // Appended part by part: mingw's -O3 misreads "x" + text as overlapping copies.
    result += " | ";
    result += std::to_string(item.Line);
    if (wholeBody) {
      result += ':';
      result += std::to_string(item.Column);
    }
    result += ' ';
    result += wholeBody ? body : body.substr(0, body.find(' '));
  }
  return result;
}

// Each warning of the pass, given whichever path reads the reference.
TEST(TranslateScript, WarningsOnBothPaths) {
  const std::string declarations = "N = w5\r\nLOW = x-2147483600\r\nHIGH = y2147483000\r\n";
  const std::string wrap = "число с индексом выходит за 32 бита: ";
  const TCase cases[] = {
      {"$LOW[-99]$ @LOW[-100]@", "x2147483597 2147483596 | 1:5 " + wrap +
                                     "-2147483600 - 99 дает 2147483597 | 1:16 " + wrap +
                                     "-2147483600 - 100 дает 2147483596"},
      {"\n@HIGH[700]@", "\n-2147483596 | 2:6 " + wrap + "2147483000 + 700 дает -2147483596"},
      {"$HIGH[647]$", "y2147483647"},
      {"$N[1]x$", "w6 | 1:6 текст между «]» индекса и концом ссылки пропущен"},
      {W("~T=в5;$T$"), "в5 | 1:4 буква значения переменной $T$ не латинская: «в»"},
      {"a `b",
       "a b | 1:3 обратная кавычка не закрыта до конца скрипта: до конца файла "
       "пропущены пробелы и переводы строк"},
  };
  for (const auto& t : cases) {
    for (bool commonCase : {false, true}) {
      EXPECT_EQ(t.expected, Recovered(t.script, commonCase, true, declarations))
          << t.script << commonCase;
    }
  }
}

// After an undeclared name the pass goes on right after it, keeping the rest
// of its line (more errors, locals, back-quotes); after any other error it
// goes on at the start of the next line, whether the error stopped before
// that line's end or had already read past it.
TEST(TranslateScript, GoesOnAfterAnUndeclaredNameElseAtTheNextLine) {
  const TCase cases[] = {
      {"$X$ $N$ @Y[1]@ (GREET)(NO)$N$\n$N$",
       " w5  Hi therew5\nw5 | 1 Переменной | 1 Переменной | 1 Константы"},
      {"$X$ ~T=y7;$T$ $$ $Y$\n$T$", " y7 y7 | 1 Переменной | 1 Пустые"},
      {"(X) `a\n b` $N$", " ab w5 | 1 Константы"},
      {"~T=q\n$N$\n$X$", "w5\n | 1 Некорректное | 3 Переменной"},
      {"~T=\r\n$N$ $X$\n$N$", "w5 \nw5 | 1 Некорректное | 2 Переменной"},
      {"~T=q;$X$\n$N$", "w5 | 1 Некорректное"},
      {"$A\n$N$$X$", "w5 | 1 Некорректный | 2 Переменной"},
      {"~T\n(GREET)\n", "Hi there\n | 1 Некорректный"},
      {"(GREET\n(X)\n(GREET)", "\nHi there | 1 Некорректный | 2 Константы"},
      {"$X$ $N$\r\n$N$", " w5\r\nw5 | 1 Переменной"},
      {"$N$ $X", "w5  | 1 Неожиданный"},
  };
  for (const auto& t : cases) {
    for (bool commonCase : {false, true}) {
      EXPECT_EQ(t.expected, Recovered(t.script, commonCase)) << t.script << commonCase;
    }
  }
}

// "~~" forgets the local variables and nothing else: not a declared name read
// quickly or carefully, short or long, with a short or a long replacement,
// however many locals came and went before.
TEST(TranslateScript, ForgettingLocalsKeepsEveryDeclaredName) {
  std::string declarations =
      "A = y1\r\nLONG_VALUE = y123456789\r\nNAME_OF_SEVENTEEN = v17\r\nPLUS = w+3\r\n"
      "(K) = 'a constant text longer than its entry'\r\n(S) = 's'\r\n";
  std::string locals;
  for (int i = 0; i < 40; ++i) {
    locals += "~L" + std::to_string(i) + "=y" + std::to_string(i) + ";";
    if (i % 7 == 0) locals += "~LOCAL_NAME_OF_" + std::to_string(i) + "=y1234567890;";
  }
  const std::string uses = "$A$ $LONG_VALUE$ @NAME_OF_SEVENTEEN@ $PLUS$ (K)(S)";
  const std::string expected = "y1 y123456789 17 w+3 a constant text longer than its entrys";
  const TCase cases[] = {
      {"~~" + uses, expected},
      {locals + "~~" + uses, expected},
      {locals + "$L39$~~~L39=y7;$L39$ @L39[1]@ ~~" + uses, "y39y7 8 " + expected},
      {locals + "~~" + locals + "$LOCAL_NAME_OF_35$~~" + uses, "y1234567890" + expected},
      {locals + "~~$L3$", Error(ErmError(W("Переменной $L3$ не существует!")) + OnLine(1))},
      {locals + "~~~L3=y3;~A=y1;",
       Error(ErmError(W("Переменная $A$ уже была объявлена ранее!")) + OnLine(1))},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(t.expected, Translate(t.script, declarations)) << t.script;
  }
}

TEST(EmitVar, AppendsReplacementWhole) {
  TOutput out;
  out.Push('x');
  TVarTable table;
  table.AddVar("V", ParseVarValue("v0x7FFFFFFF"));
  const TSymbolTable::TEntry& var = *table.Find("V");
  EmitVar(out, table, var, false, 1);
  EmitVar(out, table, var, true, 0);
  EmitVar(out, table, var, true, INT32_MIN);
  EXPECT_EQ("xv-21474836480x7FFFFFFF-1", out.View());
}

// Appends of every length up to 40 (the short ones are copied in pieces that
// overlap), into a buffer that starts empty or small and grows as it goes.
TEST(Output, AppendsEveryLengthWhileGrowing) {
  std::string bytes;
  for (int i = 0; i < 64; ++i) bytes.push_back(static_cast<char>('A' + i % 58));
  for (size_t reserved : {0, 1, 100}) {
    TOutput out;
    out.Reserve(reserved);
    std::string expected;
    for (size_t n = 0; n <= 40; ++n) {
      out.Append(std::string_view(bytes).substr(n % 7, n));
      expected.append(bytes, n % 7, n);
      out.Push(static_cast<char>(n));
      expected.push_back(static_cast<char>(n));
    }
    EXPECT_EQ(expected, out.View()) << reserved;
    out.Clear();
    EXPECT_EQ("", out.View());
  }
}

}  // namespace
}  // namespace zunt
