#include "platform/windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

#include "base/fail.h"
#include "driver/driver.h"
#include "scratch_test.h"
#include "test_util.h"

namespace zunt {
namespace {

namespace fs = std::filesystem;

// The Windows platform with the message box and the sound recorded instead.
struct TRecordingPlatform : TWindowsPlatform {
  std::optional<std::string> Shown;
  bool SoundPlayed = false;

  void ShowFailure(const TFail& fail) override { Shown = fail.Text(); }
  void PlaySuccessSound() override { SoundPlayed = true; }
};

// Keeps a file open with the given access and sharing while it lives.
struct THeldFile {
  HANDLE Handle;
  THeldFile(const std::string& path, DWORD access, DWORD share)
      : Handle(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~THeldFile() {
    if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  }
};

struct WindowsPlatformTest : TScratchTest {
  fs::path savedCwd;
  TWindowsPlatform platform;

  void SetUp() override {
    TScratchTest::SetUp();
    fs::create_directories(dir / "work");
    savedCwd = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(savedCwd);
    TScratchTest::TearDown();
  }
};

TEST_F(WindowsPlatformTest, PathRules) {
  EXPECT_EQ("\\/:", platform.PathSeparators());
  EXPECT_EQ("..\\", platform.ParentPrefix());
}

TEST_F(WindowsPlatformTest, ProbeAndLoad) {
  std::string bytes("a\0\xFF\r\n\x1A", 6);
  Put("file.txt", bytes);
  Put("empty.txt", "");
  fs::create_directory(PathOf("dir.txt"));

  EXPECT_EQ(TFileKind::Missing, platform.Probe(PathOf("none.txt")));
  EXPECT_EQ(TFileKind::Missing, platform.Probe(PathOf("dir.txt")));
  EXPECT_EQ(TFileKind::Missing, platform.Probe(PathOf("*.txt")));
  EXPECT_EQ(TFileKind::Regular, platform.Probe(PathOf("file.txt")));
  EXPECT_EQ(TFileKind::Regular, platform.Probe(PathOf("empty.txt")));

  std::string data = "stale";
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ(bytes, data);
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("empty.txt"), &data));
  EXPECT_EQ("", data);
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("none.txt"), &data));
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("dir.txt"), &data));

  platform.MaxInputSize = 5;
  EXPECT_EQ(TLoadStatus::TooLarge, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ("", data);
}

TEST_F(WindowsPlatformTest, OtherReadersAllowedWritersNot) {
  Put("file.txt", "data");
  std::string data;
  {
    THeldFile reader(PathOf("file.txt"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader.Handle);
    EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("file.txt"), &data));
  }
  THeldFile writer(PathOf("file.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer.Handle);
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("file.txt"), &data));
}

TEST_F(WindowsPlatformTest, WriteCreatesAndReplacesOutput) {
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), "first, longer\r\n", {}));
  EXPECT_EQ("first, longer\r\n", Get("out.erm"));
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), std::string("2\0", 2), {}));
  EXPECT_EQ(std::string("2\0", 2), Get("out.erm"));
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), "", {}));
  EXPECT_EQ("", Get("out.erm"));
  EXPECT_EQ((std::vector<std::string>{"out.erm", "work"}), Names());
}

TEST_F(WindowsPlatformTest, FailedCreateOrMoveKeepsOldOutput) {
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("no\\out.erm"), "x", {}));

  // The output's name is taken by a folder, which cannot be replaced.
  fs::create_directory(PathOf("dir.erm"));
  Put("dir.erm\\keep", "old");
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("dir.erm"), "x", {}));
  EXPECT_EQ("old", Get("dir.erm\\keep"));

  // The old output is open without leave to delete or rename it.
  Put("out.erm", "old output");
  {
    THeldFile holder(PathOf("out.erm"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder.Handle);
    EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("out.erm"), "x", {}));
  }
  EXPECT_EQ("old output", Get("out.erm"));
  EXPECT_EQ((std::vector<std::string>{"dir.erm", "out.erm", "work"}), Names());
}

// Written in pieces, the output replaces the old file only when finished,
// cut to what was written whatever room was expected; a stream given up
// unfinished leaves the old file and nothing else.
TEST_F(WindowsPlatformTest, StreamReplacesOutputOnlyWhenFinished) {
  const std::string big(3 << 20, '\xE9');
  for (uint64_t hint : {uint64_t{0}, uint64_t{3}, uint64_t{9}, uint64_t{64} << 20}) {
    Put("out.erm", "old");
    TWriteStatus status = TWriteStatus::CannotWrite;
    std::unique_ptr<TOutputStream> stream =
        platform.OpenOutput(PathOf("out.erm"), {}, hint, &status);
    ASSERT_NE(nullptr, stream) << hint;
    EXPECT_EQ(TWriteStatus::Ok, status);
    EXPECT_TRUE(stream->Write(std::string("new\0", 4)));
    EXPECT_TRUE(stream->Write(""));
    EXPECT_TRUE(stream->Write(big));
    EXPECT_TRUE(stream->Write("\r\n" + std::to_string(hint)));
    EXPECT_EQ("old", Get("out.erm"));
    EXPECT_EQ(TWriteStatus::Ok, stream->Finish());
    EXPECT_EQ(std::string("new\0", 4) + big + "\r\n" + std::to_string(hint), Get("out.erm"))
        << hint;
    EXPECT_EQ((std::vector<std::string>{"out.erm", "work"}), Names());

    Put("out.erm", "old");
    stream = platform.OpenOutput(PathOf("out.erm"), {}, hint, &status);
    ASSERT_NE(nullptr, stream);
    EXPECT_TRUE(stream->Write("unfinished"));
    EXPECT_EQ(3u, Names().size()) << "the temporary file is written as the pieces come";
    stream.reset();
    EXPECT_EQ("old", Get("out.erm"));
    EXPECT_EQ((std::vector<std::string>{"out.erm", "work"}), Names());
  }
}

// A run killed while it writes its output leaves the old output and no
// temporary file: the system removes it with the process's handles.
TEST_F(WindowsPlatformTest, KilledStreamLeavesNothingBehind) {
  Put("out.erm", "old output");
  // The child process runs the test again in a scratch folder of its own,
  // which it removes: it writes the output in this one, named to it.
  if (GetEnvironmentVariableA("ZUNT_TEST_OUTPUT", nullptr, 0) == 0) {
    SetEnvironmentVariableA("ZUNT_TEST_OUTPUT", PathOf("out.erm").c_str());
  }
  EXPECT_EXIT(
      {
        char path[MAX_PATH] = "";
        GetEnvironmentVariableA("ZUNT_TEST_OUTPUT", path, MAX_PATH);
        fs::remove_all(dir);
        TWriteStatus status;
        std::unique_ptr<TOutputStream> stream = platform.OpenOutput(path, {}, 1 << 20, &status);
        if (stream && stream->Write(std::string(100000, 'x'))) {
          TerminateProcess(GetCurrentProcess(), 3);
        }
        ExitProcess(4);
      },
      testing::ExitedWithCode(3), "");
  SetEnvironmentVariableA("ZUNT_TEST_OUTPUT", nullptr);
  EXPECT_EQ("old output", Get("out.erm"));
  EXPECT_EQ((std::vector<std::string>{"out.erm", "work"}), Names());
}

// A stream that fails at the end, after its pieces were written, leaves the
// old output whole and no temporary file.
TEST_F(WindowsPlatformTest, StreamFailingAtTheEndKeepsOldOutput) {
  Put("out.erm", "old output");
  TWriteStatus status;
  std::unique_ptr<TOutputStream> stream = platform.OpenOutput(PathOf("out.erm"), {}, 5, &status);
  ASSERT_NE(nullptr, stream);
  EXPECT_TRUE(stream->Write("first "));
  EXPECT_TRUE(stream->Write("second"));
  {
    THeldFile holder(PathOf("out.erm"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder.Handle);
    EXPECT_EQ(TWriteStatus::CannotCreate, stream->Finish());
  }
  stream.reset();
  EXPECT_EQ("old output", Get("out.erm"));
  EXPECT_EQ((std::vector<std::string>{"out.erm", "work"}), Names());
}

// What is refused is refused when the stream is opened, with the status that
// writing the whole output gets, and nothing is made or changed.
TEST_F(WindowsPlatformTest, StreamRefusesWhatTheWholeWriteRefuses) {
  Put("quest.erm", "script");
  Put("read-only.erm", "kept");
  ASSERT_TRUE(SetFileAttributesA(PathOf("read-only.erm").c_str(), FILE_ATTRIBUTE_READONLY));
  fs::create_directory(PathOf("dir.erm"));
  // A file that cannot be made is no refusal: its output fails at the end
  // too, with the system's reason.
  struct {
    std::string output;
    std::vector<std::string> inputs;
    TWriteStatus status;
    int reason;  // 0: refused, no output
  } cases[] = {
      {"quest.erm", {"none.txt", PathOf("quest.erm")}, TWriteStatus::SameAsInput, 0},
      {"read-only.erm", {PathOf("read-only.erm")}, TWriteStatus::SameAsInput, 0},
      {"read-only.erm", {}, TWriteStatus::CannotCreate, 0},
      {"dir.erm", {}, TWriteStatus::CannotCreate, 0},
      {"none\\out.erm", {}, TWriteStatus::CannotCreate, ENOENT},
  };
  for (const auto& t : cases) {
    TWriteStatus status = TWriteStatus::Ok;
    std::unique_ptr<TOutputStream> stream =
        platform.OpenOutput(PathOf(t.output), t.inputs, 10, &status);
    EXPECT_EQ(t.status, status) << t.output;
    if (t.reason == 0) {
      EXPECT_EQ(nullptr, stream) << t.output;
    } else if (stream) {
      EXPECT_EQ(t.status, stream->Finish()) << t.output;
      EXPECT_EQ(t.reason, stream->ErrorNumber()) << t.output;
    } else {
      ADD_FAILURE() << t.output << ": no output";
    }
    EXPECT_EQ(t.status, platform.WriteOutput(PathOf(t.output), "new", t.inputs)) << t.output;
  }
  EXPECT_EQ("script", Get("quest.erm"));
  EXPECT_EQ("kept", Get("read-only.erm"));
  SetFileAttributesA(PathOf("read-only.erm").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ((std::vector<std::string>{"dir.erm", "quest.erm", "read-only.erm", "work"}), Names());
}

TEST_F(WindowsPlatformTest, RunReadsBesideArgumentAndWritesToParent) {
  Put("work\\quest.txt", "; plain declarations\r\n");
  Put("work\\quest.erm", "plain text\r\n`a b\r\n c`\r\n");
  Put("quest.erm", "old output");
  fs::current_path(dir / "work");

  TRecordingPlatform recorder;
  EXPECT_EQ(0, zunt::Run(recorder, "quest.anything"));
  EXPECT_FALSE(recorder.Shown) << *recorder.Shown;
  EXPECT_TRUE(recorder.SoundPlayed);
  EXPECT_EQ("plain text\r\nab\rc\r\n", Get("quest.erm"));
  EXPECT_EQ((std::vector<std::string>{"quest.erm", "work"}), Names());
}

TEST_F(WindowsPlatformTest, RunFailuresShowMessageAndKeepOldOutput) {
  Put("work\\quest.txt", "; plain declarations\r\n");
  Put("work\\quest.erm", "plain text");
  Put("work\\empty.txt", "");
  Put("quest.erm", "old output");
  fs::create_directory(PathOf("work\\dir.txt"));
  fs::current_path(dir / "work");

  THeldFile writer(PathOf("work\\quest.erm"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer.Handle);

  struct TCase {
    std::string argument;
    std::string message;
  };
  const TCase cases[] = {
      {"", W("Не указан файл для компиляции!")},
      {"none", W("Указанный файл не существует! (none.txt).")},
      {"dir", W("Указанный файл не существует! (dir.txt).")},
      {"empty.erm", W("Указанный файл пуст!")},
      {"quest", W("Не удалось открыть указанный файл (quest.erm).\r\nФайл заблокирован или уже "
                  "используется")},
      {"sub/quest.txt", W("Указанный файл не существует! (sub/quest.txt).")},
  };
  for (const auto& t : cases) {
    TRecordingPlatform recorder;
    EXPECT_EQ(1, zunt::Run(recorder, t.argument)) << t.argument;
    EXPECT_EQ(t.message, recorder.Shown.value_or("(nothing shown)")) << t.argument;
    EXPECT_FALSE(recorder.SoundPlayed);
  }
  EXPECT_EQ("old output", Get("quest.erm"));
  EXPECT_EQ((std::vector<std::string>{"quest.erm", "work"}), Names());
}

// Returns the UTF-8 form of a path, as the program keeps it.
std::string U8(const fs::path& path) { return Utf8FromWide(path.wstring()); }

// Returns the "\\?\" form of an absolute path, which has no length limit.
std::wstring Long(const fs::path& path) { return L"\\\\?\\" + path.wstring(); }

// Writes a file of any name and length by its absolute path.
void PutLong(const fs::path& path, std::string_view data) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << U8(path);
  DWORD written = 0;
  WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
}

// Returns the bytes of a file of any name and length, or "(none)".
std::string GetLong(const fs::path& path) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(none)";
  std::string data(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(file);
  data.resize(got);
  return data;
}

// Removes a folder of any depth and length with everything in it.
void RemoveLong(const fs::path& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Long(folder) + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveLong(folder / name);
      } else {
        DeleteFileW(Long(folder / name).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(Long(folder).c_str());
}

TEST_F(WindowsPlatformTest, NamesOutsideTheAnsiCodePage) {
  // The tests run with the code page 1252, which has none of these letters.
  for (std::wstring base : {L"квест", L"αποστολή", L"任务 \U0001F3B5"}) {
    fs::path script = dir / "work" / (base + L".erm");
    PutLong(dir / "work" / (base + L".txt"), "HERO = y100\r\n");
    PutLong(script, "$HERO$");
    fs::current_path(dir / "work");
    std::string name = Utf8FromWide(base);

    EXPECT_EQ(TFileKind::Regular, platform.Probe(name + ".erm")) << name;
    std::string data;
    EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, U8(script), &data)) << name;
    EXPECT_EQ("$HERO$", data);

    TRecordingPlatform recorder;
    EXPECT_EQ(0, zunt::Run(recorder, name)) << name;
    EXPECT_FALSE(recorder.Shown) << Readable(*recorder.Shown);
    EXPECT_EQ("y100", GetLong(dir / (base + L".erm"))) << name;

    EXPECT_EQ(1, zunt::Run(recorder, name + "-none"));
    EXPECT_EQ(W("Указанный файл не существует! (") + name + "-none.txt).",
              recorder.Shown.value_or("(nothing shown)"));
    fs::current_path(savedCwd);
  }
}

TEST_F(WindowsPlatformTest, RefusesAnOutputThatIsAnInput) {
  Put("quest.erm", "script");
  Put("copy.erm", "script");
  Put("work\\quest.txt", "declarations");
  ASSERT_TRUE(CreateHardLinkW(Long(dir / "work" / "linked.erm").c_str(),
                              Long(dir / "quest.erm").c_str(), nullptr));
  ASSERT_TRUE(CreateHardLinkW(Long(dir / "work" / "linked.txt").c_str(),
                              Long(dir / "quest.erm").c_str(), nullptr));
  fs::current_path(dir / "work");

  struct {
    const char* what;
    std::string output;
    std::vector<std::string> inputs;
    TWriteStatus status;
  } cases[] = {
      {"the same path",
       "..\\quest.erm",
       {"..\\quest.txt", "..\\quest.erm"},
       TWriteStatus::SameAsInput},
      {"another spelling",
       "..\\quest.erm",
       {"quest.txt", U8(dir) + "/./WORK/../QUEST.ERM"},
       TWriteStatus::SameAsInput},
      {"a hard link to the script",
       "..\\quest.erm",
       {"quest.txt", "linked.erm"},
       TWriteStatus::SameAsInput},
      {"a hard link to the declarations",
       "..\\quest.erm",
       {"linked.txt", "none.erm"},
       TWriteStatus::SameAsInput},
      {"a copy", "..\\copy.erm", {"quest.txt", "linked.erm"}, TWriteStatus::Ok},
      {"no old output", "..\\new.erm", {"quest.txt", "linked.erm"}, TWriteStatus::Ok},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(t.status, platform.WriteOutput(t.output, "translated", t.inputs)) << t.what;
  }
  EXPECT_EQ("script", Get("quest.erm"));
  EXPECT_EQ("translated", Get("copy.erm"));
  EXPECT_EQ("translated", Get("new.erm"));
  EXPECT_EQ((std::vector<std::string>{"copy.erm", "new.erm", "quest.erm", "work"}), Names());
  EXPECT_EQ((std::vector<std::string>{"linked.erm", "linked.txt", "quest.txt"}), Names("work"));

  // The whole run: the script is the output when the argument names the parent folder.
  TRecordingPlatform recorder;
  Put("quest.txt", "; none\r\n");
  EXPECT_EQ(1, zunt::Run(recorder, "..\\quest"));
  EXPECT_EQ(W("Выходной ЕРМ файл совпадает с исходным файлом!"),
            recorder.Shown.value_or("(nothing shown)"));
  EXPECT_EQ("script", Get("quest.erm"));
}

TEST_F(WindowsPlatformTest, PathsLongerThanMaxPath) {
  fs::path deep = dir;
  std::string relative;
  for (char letter : std::string("abcde")) {
    std::string folder(60, letter);
    deep /= folder;
    relative += folder + "\\";
    ASSERT_TRUE(CreateDirectoryW(Long(deep).c_str(), nullptr));
  }
  ASSERT_GT(deep.wstring().size(), 300u);
  PutLong(deep / "quest.txt", "HERO = y100\r\n");
  PutLong(deep / "quest.erm", "$HERO$");
  PutLong(deep / "old.erm", "old");
  fs::current_path(dir / "work");

  EXPECT_EQ(TFileKind::Regular, platform.Probe(U8(deep / "quest.txt")));
  EXPECT_EQ(TFileKind::Missing, platform.Probe(U8(deep / "none.txt")));
  std::string data;
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, U8(deep / "quest.erm"), &data));
  EXPECT_EQ("$HERO$", data);
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(U8(deep / "old.erm"), "new", {}));
  EXPECT_EQ("new", GetLong(deep / "old.erm"));
  EXPECT_EQ(TWriteStatus::SameAsInput,
            platform.WriteOutput(U8(deep / "old.erm"), "x", {"..\\" + relative + "old.erm"}));

  // A relative argument whose full path is long; the output goes to the
  // working folder's parent as always.
  TRecordingPlatform recorder;
  EXPECT_EQ(0, zunt::Run(recorder, "..\\" + relative + "quest.erm"));
  EXPECT_FALSE(recorder.Shown) << Readable(*recorder.Shown);
  EXPECT_EQ("y100", Get("quest.erm"));
  fs::current_path(savedCwd);
  RemoveLong(dir / std::string(60, 'a'));
}

TEST_F(WindowsPlatformTest, LongOutputNameLeavesRoomForTheTemporaryFile) {
  // A name of 250 bytes: the file system takes 255 at most.
  std::string name = std::string(246, 'n') + ".erm";
  Put(name, "old");
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf(name), "new", {}));
  EXPECT_EQ("new", Get(name));
  EXPECT_EQ((std::vector<std::string>{name, "work"}), Names());
}

TEST(WindowsMessage, ConvertsTextFrom1251AndPathFromUtf8) {
  EXPECT_EQ(L"ZUNT 2B  version 1.0", WideCaption());
  EXPECT_EQ(L"Указанный файл пуст!", WideMessage(TFail(W("Указанный файл пуст!"))));

  // The path is UTF-8 whatever the ANSI code page: Greek has no place in
  // 1251 or 1252, and "а" would read as "à" in 1252.
  TFail fail(W("Файл \""), "C:\\αβ\\квест à.erm", W("\" не существует!\r\nконец"));
  EXPECT_EQ(L"Файл \"C:\\αβ\\квест à.erm\" не существует!\r\nконец", WideMessage(fail));
  EXPECT_EQ(L"", WideFromCodePage("", 1251));
  EXPECT_EQ("", Utf8FromWide(L""));
  EXPECT_EQ("\xF0\x9F\x8E\xB5 \xEF\xBF\xBD", Utf8FromWide(L"\U0001F3B5 \xD800"));
}

TEST(FirstWideArgument, SplitsLikeTheAnsiRule) {
  // Without characters above 127 the UTF-16 rule and the byte rule agree.
  const std::string lines[] = {
      "zunt.exe quest",
      "zunt.exe",
      "zunt.exe  \t ",
      "  zunt.exe \t  quest.erm  more",
      "\"C:\\Program Files\\zunt.exe\" \"my quest.erm\"",
      "zunt a\"b c\"d e",
      "zunt \"\" \"\" quest",
      "zunt \"open to the end",
      "zunt \x01\x1F\r\n quest",
      "\"\" zunt quest",
      "",
  };
  for (const auto& line : lines) {
    std::wstring wide(line.begin(), line.end());
    std::string first = FirstArgument(line);
    EXPECT_EQ(std::wstring(first.begin(), first.end()), FirstWideArgument(wide)) << line;
  }

  struct {
    std::wstring line, first;
  } cases[] = {
      {L"zunt.exe \"мой квест.erm\" x", L"мой квест.erm"},
      {L"zunt.exe αποστολή", L"αποστολή"},
      // Only characters 1 to 32 separate: not the no-break or the ideographic space.
      {L"zunt.exe a\u00A0b\u3000c d", L"a\u00A0b\u3000c"},
      {L"zunt.exe \U0001F3B5.erm", L"\U0001F3B5.erm"},
      {L"\"C:\\Програмы\\zunt.exe\"\t\"\"  \u0416", L"\u0416"},
  };
  for (const auto& t : cases) EXPECT_EQ(t.first, FirstWideArgument(t.line));
}

TEST(WidePath, KeepsShortPathsAndGivesLongOnesTheLongForm) {
  EXPECT_EQ(L"quest.erm", WidePath("quest.erm"));
  EXPECT_EQ(L"..\\квест\\αβ.txt", WidePath("..\\квест\\αβ.txt"));
  EXPECT_EQ(L"\\\\?\\C:\\x\\..\\y", WidePath("\\\\?\\C:\\x\\..\\y"));

  std::string name(250, 'n');
  std::wstring wideName(250, L'n');
  std::wstring full = WidePath("sub/../" + name + ".erm");
  EXPECT_EQ(L"\\\\?\\", full.substr(0, 4));
  EXPECT_EQ(L"\\" + wideName + L".erm", full.substr(full.size() - 255));
  EXPECT_EQ(std::wstring::npos, full.find(L"..")) << full;
  EXPECT_EQ(std::wstring::npos, full.find(L'/')) << full;
  EXPECT_EQ(L"\\\\?\\UNC\\host\\share\\" + wideName, WidePath("\\\\host\\share\\" + name));
}

}  // namespace
}  // namespace zunt
