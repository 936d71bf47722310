// What the command-line program writes to stderr: one test per kind of
// report, input in and exact lines out.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <new>

#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/fake.h"
#include "terminal_capture.h"
#include "test_util.h"

namespace zunt {
namespace {

using namespace std::literals;

// Collects the reports as a terminal shows them, without colour.
TRunOptions CommandLineOptions() { return TRunOptions::CommandLine(); }

struct TDiagnosed {
  int Status;
  std::string Stderr;
  bool Written;
};

// Runs "src/quest" with the given files: UTF-8 text, stored in Windows-1251,
// or bytes as they are.
TDiagnosed Diagnose(std::string_view txt, std::string_view erm,
                    TRunOptions options = CommandLineOptions(), bool raw = false) {
  TFakePlatform platform;
  platform.AddFile("src/quest.txt", raw ? std::string(txt) : W(txt));
  platform.AddFile("src/quest.erm", raw ? std::string(erm) : W(erm));
  TTerminalCapture capture;
  int status = zunt::Run(platform, "src/quest", options, capture);
  return {status, capture.Text, platform.Files.count("../quest.erm") != 0};
}

struct TCase {
  std::string_view txt, erm, expected;
};

void ExpectErrors(const TCase* begin, const TCase* end) {
  for (const TCase* t = begin; t != end; ++t) {
    TDiagnosed got = Diagnose(t->txt, t->erm);
    EXPECT_EQ(t->expected, got.Stderr) << t->txt << "\n---\n" << t->erm;
    EXPECT_EQ(1, got.Status) << t->erm;
    EXPECT_FALSE(got.Written) << t->erm;
  }
}

constexpr std::string_view kDecl = "HERO = y100\r\n(GREET) = 'Hi'\r\n";

TEST(Diagnostics, DeclarationErrors) {
  const TCase cases[] = {
      {"A = y1\r\n(NAME", "x",
       "src/quest.txt:2:1: error: Неожиданный конец объявления константы!\n"
       "    2 | (NAME\n"
       "      | ^\n"},
      {"() = 'a'", "x",
       "src/quest.txt:1:1: error: Пустые константы запрещены!\n"
       "    1 | () = 'a'\n"
       "      | ^\n"},
      {"(NA\r\nME) = 'a'", "x",
       "src/quest.txt:1:4: error: Некорректный символ \"Конец строки\" прервал описание "
       "константы!\n"
       "    1 | (NA\n"
       "      |    ^\n"
       "src/quest.txt:1:1: note: описание константы начинается здесь\n"
       "    1 | (NA\n"
       "      | ^\n"},
      {"(X) = 'a'\r\n (x) = 'b'", "x",
       "src/quest.txt:2:2: error: Константа (X) уже была объявлена ранее!\n"
       "    2 |  (x) = 'b'\n"
       "      |  ^\n"
       "src/quest.txt:1:1: note: константа (X) впервые объявлена здесь\n"
       "    1 | (X) = 'a'\n"
       "      | ^\n"},
      {"(X) : 'a'", "x",
       "src/quest.txt:1:5: error: Некорректный символ {:} прервал описание константы!\n"
       "    1 | (X) : 'a'\n"
       "      |     ^\n"},
      {"(X) =  ", "x",
       "src/quest.txt:1:8: error: Неожиданный конец объявления константы (X) !\n"
       "    1 | (X) =  \n"
       "      |        ^\n"},
      {"(X) = 'one\r\ntwo", "x",
       "src/quest.txt:2:4: error: Неожиданный конец объявления константы (X) ! "
       "Не указано её значение!\n"
       "    2 | two\n"
       "      |    ^\n"},
      {"(X) = 'one", "x",
       "src/quest.txt:1:7: error: Неожиданный конец объявления константы (X) ! "
       "Не указано её значение!\n"
       "    1 | (X) = 'one\n"
       "      |       ^\n"},
      {"A = y1\r\nB", "x",
       "src/quest.txt:2:1: error: Неожиданный конец объявления переменной!\n"
       "    2 | B\n"
       "      | ^\n"},
      {"AB@ = y1", "x",
       "src/quest.txt:1:3: error: Некорректный символ \"@\" прервал описание переменной!\n"
       "    1 | AB@ = y1\n"
       "      |   ^\n"},
      {"A = y1; first\r\n", "x",
       "src/quest.txt:1:14: error: Некорректный символ \"Конец строки\" прервал описание "
       "переменной!\n"
       "    1 | A = y1; first\n"
       "      |              ^\n"
       "src/quest.txt:1:7: note: комментарий после значения начинается с «;;»\n"
       "    1 | A = y1; first\n"
       "      |       ^\n"},
      {"A = y1\r\n  a[2] = y2\r\n", "x",
       "src/quest.txt:2:3: error: Переменная $A$ уже была объявлена ранее!\n"
       "    2 |   a[2] = y2\n"
       "      |   ^\n"
       "src/quest.txt:1:1: note: переменная $A$ впервые объявлена здесь\n"
       "    1 | A = y1\n"
       "      | ^\n"},
      {"A =", "x",
       "src/quest.txt:1:3: error: Неожиданный конец объявления переменной $A$ !\n"
       "    1 | A =\n"
       "      |   ^\n"},
      {"A = 1y\r\n", "x",
       "src/quest.txt:1:5: error: Некорректное значение переменной $A$ !\n"
       "    1 | A = 1y\n"
       "      |     ^\n"},
      {"A =\r\n", "x",
       "src/quest.txt:1:4: error: Некорректное значение переменной $A$ !\n"
       "    1 | A =\n"
       "      |    ^\n"},
  };
  ExpectErrors(std::begin(cases), std::end(cases));
}

TEST(Diagnostics, ScriptErrors) {
  const TCase cases[] = {
      {kDecl, "ok\r\nset $HERO",
       "src/quest.erm:2:5: error: Неожиданный конец переменной!\n"
       "    2 | set $HERO\n"
       "      |     ^\n"},
      {kDecl, "a @@ b",
       "src/quest.erm:1:3: error: Пустые переменные запрещены!\n"
       "    1 | a @@ b\n"
       "      |   ^\n"},
      {kDecl, "a $HERO\r\nok",
       "src/quest.erm:1:8: error: Некорректный символ \"Конец строки\" прервал переменную!\n"
       "    1 | a $HERO\n"
       "      |        ^\n"
       "src/quest.erm:1:3: note: ссылка на переменную начинается здесь\n"
       "    1 | a $HERO\n"
       "      |   ^\n"},
      {kDecl, "\t$HERO[1$",
       "src/quest.erm:1:7: error: Отсутствует закрывающая скобка индекса переменной!\n"
       "    1 | \t$HERO[1$\n"
       "      | \t     ^\n"},
      {kDecl, "$HERO[x]$",
       "src/quest.erm:1:6: error: Некорректный индекс переменной!\n"
       "    1 | $HERO[x]$\n"
       "      |      ^\n"},
      {kDecl, "!!VR$HERO_EXPP$:S5;",
       "src/quest.erm:1:5: error: Переменной $HERO_EXPP$ не существует!\n"
       "    1 | !!VR$HERO_EXPP$:S5;\n"
       "      |     ^\n"},
      {kDecl, "x (GREET",
       "src/quest.erm:1:3: error: Неожиданный конец константы!\n"
       "    1 | x (GREET\n"
       "      |   ^\n"},
      {kDecl, "x ()",
       "src/quest.erm:1:3: error: Пустые константы запрещены!\n"
       "    1 | x ()\n"
       "      |   ^\n"},
      {kDecl, "x (GREET\n)",
       "src/quest.erm:1:9: error: Некорректный символ \"Конец строки\" прервал константу!\n"
       "    1 | x (GREET\n"
       "      |         ^\n"
       "src/quest.erm:1:3: note: ссылка на константу начинается здесь\n"
       "    1 | x (GREET\n"
       "      |   ^\n"},
      {kDecl, "if (a) then",
       "src/quest.erm:1:4: error: Константы (A) не существует!\n"
       "    1 | if (a) then\n"
       "      |    ^\n"},
      {kDecl, "x ~T",
       "src/quest.erm:1:3: error: Неожиданный конец объявления переменной!\n"
       "    1 | x ~T\n"
       "      |   ^\n"},
      {kDecl, "~A$=y1",
       "src/quest.erm:1:3: error: Некорректный символ \"$\" прервал описание переменной!\n"
       "    1 | ~A$=y1\n"
       "      |   ^\n"},
      {kDecl, "~T\r\n",
       "src/quest.erm:1:3: error: Некорректный символ \"Конец строки\" прервал описание "
       "переменной!\n"
       "    1 | ~T\n"
       "      |   ^\n"},
      {kDecl, "x ~ hero = y1",
       "src/quest.erm:1:3: error: Переменная $HERO$ уже была объявлена ранее!\n"
       "    1 | x ~ hero = y1\n"
       "      |   ^\n"
       "src/quest.txt:1:1: note: переменная $HERO$ впервые объявлена здесь\n"
       "    1 | HERO = y100\n"
       "      | ^\n"},
      {kDecl, "~T=",
       "src/quest.erm:1:3: error: Неожиданный конец объявления переменной $T$ !\n"
       "    1 | ~T=\n"
       "      |   ^\n"},
      {kDecl, "~T= 7q\r\nnext",
       "src/quest.erm:1:5: error: Некорректное значение переменной $T$ !\n"
       "    1 | ~T= 7q\n"
       "      |     ^\n"},
  };
  ExpectErrors(std::begin(cases), std::end(cases));
}

TEST(Diagnostics, FileErrorsNameTheFile) {
  struct {
    std::function<void(TFakePlatform&)> setUp;
    std::string_view argument, expected;
  } cases[] = {
      {[](TFakePlatform&) {}, "", "zunt: error: Не указан файл для компиляции!\n"},
      {[](TFakePlatform& p) { p.Files.erase("src/quest.txt"); }, "src/quest",
       "src/quest.txt: error: Указанный файл не существует! (src/quest.txt).\n"},
      {[](TFakePlatform& p) { p.Files["src/quest.txt"].Locked = true; }, "src/quest",
       "src/quest.txt: error: Не удалось открыть указанный файл (src/quest.txt). "
       "Файл заблокирован или уже используется\n"},
      {[](TFakePlatform& p) { p.Files["src/quest.erm"].Data.clear(); }, "src/quest.erm",
       "src/quest.erm: error: Указанный файл пуст!\n"},
      {[](TFakePlatform& p) { p.Files["src/quest.txt"].ReadShort = true; }, "src/quest",
       "src/quest.txt: error: Возникла ошибка при загрузке файла (src/quest.txt).\n"},
      {[](TFakePlatform& p) { p.Files["src/quest.erm"].TooLarge = true; }, "src/quest",
       "src/quest.erm: error: Возникла ошибка при загрузке файла (src/quest.erm).\n"
       "src/quest.erm: note: файл больше предела в 1 ГиБ (1073741824 байт): такие файлы не "
       "читаются\n"},
      {[](TFakePlatform& p) { p.Files.erase("src/quest.erm"); }, "src/quest",
       "src/quest.erm: error: Файл \"src/quest.erm\" не существует!\n"},
      {[](TFakePlatform& p) { p.FailCreate = true; }, "src/quest",
       "../quest.erm: error: Не могу создать выходной ЕРМ файл скрипта!\n"},
      {[](TFakePlatform& p) { p.FailWrite = true; }, "src/quest",
       "../quest.erm: error: Не могу записать выходной ЕРМ файл скрипта!\n"},
      {[](TFakePlatform& p) { p.Links["../quest.erm"] = "src/quest.erm"; }, "src/quest",
       "../quest.erm: error: Выходной ЕРМ файл совпадает с исходным файлом!\n"},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("src/quest.txt", "A = y1\r\n");
    platform.AddFile("src/quest.erm", "$A$");
    t.setUp(platform);
    TTerminalCapture capture;
    EXPECT_EQ(1, zunt::Run(platform, t.argument, CommandLineOptions(), capture));
    EXPECT_EQ(t.expected, capture.Text);
  }

  struct TNoMemory : TFakePlatform {
    TLoadStatus Load(const std::string&, std::unique_ptr<TInputFile>*) override {
      throw std::bad_alloc();
    }
  } noMemory;
  noMemory.AddFile("quest.txt", "A = y1\r\n");
  TTerminalCapture capture;
  EXPECT_EQ(1, zunt::Run(noMemory, "quest", CommandLineOptions(), capture));
  EXPECT_EQ("zunt: error: Недостаточно памяти для компиляции!\n", capture.Text);
}

// A failed output gets a note with the system's reason: in Russian for the
// common ones, else in the system's words; none when the reason is not known.
TEST(Diagnostics, FailedOutputNamesTheReason) {
  struct {
    bool failCreate;
    int error;
    std::string_view note;
  } cases[] = {
      {true, EACCES, "нет прав на запись"},
      {true, EPERM, "нет прав на запись"},
      {true, ENOENT, "нет такой папки"},
      {true, ENOTDIR, "нет такой папки"},
      {true, EROFS, "файловая система только для чтения"},
      {false, ENOSPC, "на диске нет места"},
#ifdef EDQUOT
      {false, EDQUOT, "превышена дисковая квота"},
#endif
      {true, ENAMETOOLONG, "слишком длинное имя файла"},
      {true, ENXIO, "никто не читает из канала"},
      {true, EBUSY, "файл занят другой программой"},
      {false, EIO, std::strerror(EIO)},
      {true, 0, ""},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("src/quest.txt", "A = y1\r\n");
    platform.AddFile("src/quest.erm", "$A$");
    platform.AddFile("../quest.erm", "old");
    (t.failCreate ? platform.FailCreate : platform.FailWrite) = true;
    platform.FailError = t.error;
    TTerminalCapture capture;
    EXPECT_EQ(1, zunt::Run(platform, "src/quest", CommandLineOptions(), capture));
    std::string expected =
        t.failCreate ? "../quest.erm: error: Не могу создать выходной ЕРМ файл скрипта!\n"
                     : "../quest.erm: error: Не могу записать выходной ЕРМ файл скрипта!\n";
    if (!t.note.empty()) expected += "../quest.erm: note: " + std::string(t.note) + "\n";
    EXPECT_EQ(expected, capture.Text) << t.error;
    EXPECT_EQ("old", platform.Files["../quest.erm"].Data);
  }
  // The standard output's too.
  TFakePlatform platform;
  platform.AddFile("src/quest.txt", "A = y1\r\n");
  platform.AddFile("src/quest.erm", "$A$");
  platform.FailWrite = true;
  platform.FailError = ENOSPC;
  TRunOptions options = CommandLineOptions();
  options.Output = "-";
  TTerminalCapture capture;
  EXPECT_EQ(1, zunt::Run(platform, "src/quest", options, capture));
  EXPECT_EQ(
      "-: error: Не могу записать выходной ЕРМ файл скрипта!\n"
      "-: note: на диске нет места\n",
      capture.Text);
}

TEST(Diagnostics, Warnings) {
  struct TWarningCase : TCase {
    bool raw = false;
  };
  const TWarningCase cases[] = {
      {{kDecl, "\xEF\xBB\xBF$HERO$",
        "src/quest.erm:1:1: warning: файл начинается с метки порядка байтов (BOM), а читается в "
        "кодировке Windows-1251: метка останется в тексте [-Wbyte-order-mark]\n"
        "    1 | п»ї$HERO$\n"
        "      | ^\n"},
       true},
      {{kDecl, "ok\r\n!!MES Привет, герой\r\n",
        "src/quest.erm:2:7: warning: файл похож на текст в UTF-8, а читается в кодировке "
        "Windows-1251 [-Wutf8-text]\n"
        "    2 | !!MES РџСЂРёРІРµС‚, РіРµСЂРѕР№\n"
        "      |       ^\n"},
       true},
      {kDecl, "a\r\n`b c\r\nd",
       "src/quest.erm:2:1: warning: обратная кавычка не закрыта до конца скрипта: до конца "
       "файла пропущены пробелы и переводы строк [-Wopen-back-quote]\n"
       "    2 | `b c\n"
       "      | ^\n"},
      {"GOLD = в500\r\n", "$GOLD$",
       "src/quest.txt:1:8: warning: буква значения переменной $GOLD$ не латинская: «в» "
       "[-Wnon-latin-letter]\n"
       "    1 | GOLD = в500\n"
       "      |        ^\n"},
      {kDecl, "~T = 77\r\n$T$",
       "src/quest.erm:1:6: warning: буква значения переменной $T$ не латинская: «7» "
       "[-Wnon-latin-letter]\n"
       "    1 | ~T = 77\n"
       "      |      ^\n"},
      {kDecl, "$HERO[3]_EXP$",
       "src/quest.erm:1:9: warning: текст между «]» индекса и концом ссылки пропущен "
       "[-Wtext-after-index]\n"
       "    1 | $HERO[3]_EXP$\n"
       "      |         ^\n"},
      {kDecl, "x @HERO[2147483647]@",
       "src/quest.erm:1:8: warning: число с индексом выходит за 32 бита: 100 + 2147483647 дает "
       "-2147483549 [-Windex-overflow]\n"
       "    1 | x @HERO[2147483647]@\n"
       "      |        ^\n"},
      {"A = y1\n", "$A$",
       "src/quest.txt:1:7: warning: строка объявления переменной кончается LF без CR: значение "
       "переменной кончается только на CR или «;» [-Wlf-line-end]\n"
       "    1 | A = y1\n"
       "      |       ^\n"},
      {"(X) = 'a' b\r\n(Y) = 'c' ;; ok\r\n", "(X)(Y)",
       "src/quest.txt:1:11: warning: текст после закрывающей кавычки константы пропущен "
       "(комментарий начинают с «;») [-Wtext-after-constant]\n"
       "    1 | (X) = 'a' b\n"
       "      |           ^\n"},
      {"(X) = 'one\r\nA = y1\r\n(Y) = 'two'\r\n", "(X)",
       "src/quest.txt:1:7: warning: значение константы (X) продолжается на следующих строках, а "
       "там похоже на объявление: не пропущена ли закрывающая кавычка? [-Wmulti-line-constant]\n"
       "    1 | (X) = 'one\n"
       "      |       ^\n"
       "src/quest.txt:3:8: warning: текст после закрывающей кавычки константы пропущен "
       "(комментарий начинают с «;») [-Wtext-after-constant]\n"
       "    3 | (Y) = 'two'\n"
       "      |        ^\n"},
  };
  for (const TWarningCase& t : cases) {
    TDiagnosed got = Diagnose(t.txt, t.erm, CommandLineOptions(), t.raw);
    EXPECT_EQ(t.expected, got.Stderr) << t.txt << "\n---\n" << t.erm;
    EXPECT_EQ(0, got.Status) << "warnings never fail a run: " << t.erm;
    EXPECT_TRUE(got.Written) << t.erm;

    TRunOptions strict = CommandLineOptions();
    strict.Strict = true;
    got = Diagnose(t.txt, t.erm, strict, t.raw);
    EXPECT_EQ(1, got.Status) << "--strict fails on a warning: " << t.erm;
    EXPECT_FALSE(got.Written) << t.erm;
    EXPECT_NE(std::string::npos, got.Stderr.find(": error: ")) << got.Stderr;

    TRunOptions quiet = CommandLineOptions();
    quiet.Warnings = false;
    got = Diagnose(t.txt, t.erm, quiet, t.raw);
    EXPECT_EQ("", got.Stderr) << "-w: " << t.erm;
    EXPECT_EQ(0, got.Status);
  }
}

TEST(Diagnostics, EveryErrorInTheScript) {
  // Locals and the back-quote state outlive an error; each error is on its own line.
  TDiagnosed got = Diagnose(kDecl,
                            "~T=y7\n"
                            "x `y\n"
                            "$NOPE$ $T$\n"
                            "a b $T[$\n"
                            "(NOPE) $HERO$\n"
                            "~T=y8\n");
  EXPECT_EQ(
      "src/quest.erm:3:1: error: Переменной $NOPE$ не существует!\n"
      "    3 | $NOPE$ $T$\n"
      "      | ^\n"
      "src/quest.erm:4:7: error: Отсутствует закрывающая скобка индекса переменной!\n"
      "    4 | a b $T[$\n"
      "      |       ^\n"
      "src/quest.erm:5:1: error: Константы (NOPE) не существует!\n"
      "    5 | (NOPE) $HERO$\n"
      "      | ^\n"
      "src/quest.erm:6:1: error: Переменная $T$ уже была объявлена ранее!\n"
      "    6 | ~T=y8\n"
      "      | ^\n"
      "src/quest.erm:1:1: note: переменная $T$ впервые объявлена здесь\n"
      "    1 | ~T=y7\n"
      "      | ^\n"
      "src/quest.erm:2:3: warning: обратная кавычка не закрыта до конца скрипта: до конца "
      "файла пропущены пробелы и переводы строк [-Wopen-back-quote]\n"
      "    2 | x `y\n"
      "      |   ^\n",
      got.Stderr);
  EXPECT_EQ(1, got.Status);
  EXPECT_FALSE(got.Written);

  // At most twenty, then one line that says so.
  std::string many;
  for (int i = 0; i < 30; ++i) many += "$X$\r\n";
  got = Diagnose(kDecl, many);
  EXPECT_EQ(20u, static_cast<size_t>(std::count(got.Stderr.begin(), got.Stderr.end(), '^')));
  EXPECT_TRUE(
      got.Stderr.ends_with("src/quest.erm:20:1: error: Переменной $X$ не существует!\n"
                           "   20 | $X$\n"
                           "      | ^\n"
                           "src/quest.erm: note: после 20 ошибок проверка скрипта остановлена\n"))
      << got.Stderr;

  // The message box shows the first error only, exactly as before.
  TFakePlatform platform;
  platform.AddFile("quest.txt", W(kDecl));
  platform.AddFile("quest.erm", many);
  EXPECT_EQ(1, zunt::Run(platform, "quest"));
  EXPECT_EQ(ErmError(W("Переменной $X$ не существует!")) + OnLine(1), platform.Shown);
}

TEST(Diagnostics, IncludesAndChosenOutput) {
  struct TRecorded final : TReporter {
    std::string Text;
    void Report(const TFail& report) override { Text += TerminalText(report, false); }
    void Translated(const std::string& script, const std::string& output) override {
      Text += script + " -> " + output + "\n";
    }
  };
  auto run = [](TFakePlatform& platform, TRunOptions options, std::string* text) {
    // The usual files, unless the test has put others there.
    for (auto [path, data] : {std::pair{"mod/shared.txt", W("HERO = y1\r\n(HI) = 'привет'\r\n")},
                              {"mod/more.txt", "GOLD = v2\r\n"},
                              {"quest.txt", "X = w3\r\n"},
                              {"quest.erm", "$HERO$ @GOLD@ $X$ (HI)"}}) {
      if (!platform.Files.count(path)) platform.AddFile(path, data);
    }
    TRecorded recorded;
    int status = zunt::Run(platform, "quest", options, recorded);
    *text = recorded.Text;
    return status;
  };
  TRunOptions options = CommandLineOptions();
  options.Includes = {"mod/shared.txt", "mod/more.txt"};
  std::string text;

  // The included names are read before quest.txt, into the same tables.
  TFakePlatform platform;
  EXPECT_EQ(0, run(platform, options, &text));
  EXPECT_EQ(W("y1 2 w3 привет"), platform.Files["../quest.erm"].Data);
  EXPECT_EQ("quest.erm -> ../quest.erm\n", text);
  EXPECT_EQ((std::vector<std::string>{"probe mod/shared.txt", "load mod/shared.txt",
                                      "probe mod/more.txt", "load mod/more.txt", "probe quest.txt",
                                      "load quest.txt", "probe quest.erm", "load quest.erm",
                                      "write ../quest.erm", "sound"}),
            platform.Calls);

  // An error inside an included file names that file and its line.
  TFakePlatform broken;
  broken.AddFile("mod/more.txt", "\r\nGOLD = 2v\r\n");
  EXPECT_EQ(1, run(broken, options, &text));
  EXPECT_EQ(
      "mod/more.txt:2:8: error: Некорректное значение переменной $GOLD$ !\n"
      "    2 | GOLD = 2v\n"
      "      |        ^\n",
      text);

  // A name in both files is the usual duplicate, in the later file.
  TFakePlatform twice;
  twice.AddFile("quest.txt", "hero = w3\r\n");
  EXPECT_EQ(1, run(twice, options, &text));
  EXPECT_EQ(
      "quest.txt:1:1: error: Переменная $HERO$ уже была объявлена ранее!\n"
      "    1 | hero = w3\n"
      "      | ^\n"
      "mod/shared.txt:1:1: note: переменная $HERO$ впервые объявлена здесь\n"
      "    1 | HERO = y1\n"
      "      | ^\n",
      text);

  // -o: the chosen file, never an input (here the included file under another
  // name); "-": the standard output, and no file.
  options.Output = "out/quest.erm";
  TFakePlatform chosen;
  EXPECT_EQ(0, run(chosen, options, &text));
  EXPECT_EQ(1u, chosen.Files.count("out/quest.erm"));
  EXPECT_EQ(0u, chosen.Files.count("../quest.erm"));

  TFakePlatform linked;
  linked.Links["out/quest.erm"] = "mod/more.txt";
  EXPECT_EQ(1, run(linked, options, &text));
  EXPECT_EQ("out/quest.erm: error: Выходной ЕРМ файл совпадает с исходным файлом!\n", text);
  EXPECT_EQ("GOLD = v2\r\n", linked.Files["mod/more.txt"].Data);

  options.Output = "-";
  TFakePlatform piped;
  EXPECT_EQ(0, run(piped, options, &text));
  EXPECT_EQ(W("y1 2 w3 привет"), piped.Stdout);
  EXPECT_EQ("quest.erm -> -\n", text);
  EXPECT_EQ(0u, piped.Files.count("../quest.erm"));
  piped.Stdout.clear();
  piped.Files["quest.erm"].Data = "$NOPE$";
  EXPECT_EQ(1, run(piped, options, &text));
  EXPECT_EQ("", piped.Stdout) << "a failed run writes nothing to a pipe";
}

TEST(Diagnostics, TerminalForms) {
  TFail report(TSeverity::Error, TBoxPrefix::Script, W("Переменной $X$ не существует!"), 123456);
  report.File = "a:b.erm";
  report.Column = 3;
  report.SourceLine = "\t\x01"s + "\0$X$ \x98"s;
  EXPECT_EQ(
      "a:b.erm:123456:3: error: Переменной $X$ не существует!\n"
      "123456 | \t␁␀$X$ \xEF\xBF\xBD\n"
      "       | \t ^\n",
      TerminalText(report, false));
  EXPECT_EQ(
      "\033[01m\033[Ka:b.erm:123456:3:\033[m\033[K \033[01;31m\033[Kerror: \033[m\033[K"
      "Переменной $X$ не существует!\n"
      "123456 | \t␁␀$X$ \xEF\xBF\xBD\n"
      "       | \t \033[01;32m\033[K^\033[m\033[K\n",
      TerminalText(report, true));

  // A path in a message keeps its UTF-8, its other bytes shown safely; the
  // message's own line breaks become blanks, a lone CR its picture.
  TFail load(W("Не удалось (\r\n"), "п\xD1\x83\xFF\r\n", W(").\r\nконец ") + "\x98\r");
  EXPECT_EQ("zunt: error: Не удалось ( пу\\xFF␍␊). конец \xEF\xBF\xBD␍\n",
            TerminalText(load, false));
}

}  // namespace
}  // namespace zunt
