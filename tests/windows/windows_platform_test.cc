#include "platform/windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>

#include "driver/driver.h"
#include "base/fail.h"
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
  EXPECT_EQ(TLoadStatus::ReadShort, LoadText(platform, PathOf("file.txt"), &data));
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

TEST(WindowsMessage, ConvertsTextFrom1251AndPathFromAnsiCodePage) {
  EXPECT_EQ(L"ZUNT 2B  version 1.0", WideCaption());
  EXPECT_EQ(L"Указанный файл пуст!", WideMessage(TFail(W("Указанный файл пуст!"))));

  // The path byte 0xE0 is "а" in code page 1251 and "à" in 1252.
  TFail fail(W("Файл \""), "C:\\\xE0.erm", W("\" не существует!\r\nконец"));
  std::wstring path = GetACP() == 1251 ? L"C:\\а.erm" : L"C:\\à.erm";
  if (GetACP() == 1251 || GetACP() == 1252) {
    EXPECT_EQ(L"Файл \"" + path + L"\" не существует!\r\nконец", WideMessage(fail));
  }
  EXPECT_EQ(L"", WideFromCodePage("", 1251));
}

}  // namespace
}  // namespace zunt
