#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zunt {
namespace {

// Parses "zunt" followed by the words.
TCommandLine Parse(std::vector<std::string> words) {
  words.insert(words.begin(), "zunt");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(words.size()), argv.data());
}

TEST(CommandLine, OptionsBeforeAndAfterNames) {
  TCommandLine line = Parse({"-v", "heroes", "--include=shared.txt", "", "-i", "more.txt",
                             "--strict", "towns", "-w", "--color=never"});
  EXPECT_EQ((std::vector<std::string>{"heroes", "towns"}), line.Names);
  EXPECT_EQ((std::vector<std::string>{"shared.txt", "more.txt"}), line.Run.Includes);
  EXPECT_TRUE(line.Verbose);
  EXPECT_TRUE(line.Run.Strict);
  EXPECT_FALSE(line.Run.Warnings);
  EXPECT_EQ(TColor::Never, line.Color);
  EXPECT_EQ("", line.UsageError);

  line = Parse({"-o", "-", "quest"});
  EXPECT_EQ("-", line.Run.Output);
  EXPECT_EQ(std::vector<std::string>{"quest"}, line.Names);

  // After "--" every word is a name; a lone "-" is a name too.
  line = Parse({"--output=out.erm", "--", "-h"});
  EXPECT_EQ("out.erm", line.Run.Output);
  EXPECT_EQ(std::vector<std::string>{"-h"}, line.Names);
  EXPECT_FALSE(line.Help);

  line = Parse({});
  EXPECT_TRUE(line.Names.empty());
  EXPECT_TRUE(line.Run.Warnings);
  EXPECT_EQ(20u, line.Run.MaxErrors);
  EXPECT_EQ(TColor::Auto, line.Color);
  EXPECT_TRUE(Parse({"--color"}).Color == TColor::Always);
  EXPECT_TRUE(Parse({"quest", "--help"}).Help);
  EXPECT_TRUE(Parse({"--version"}).Version);

  // The settings file and the names at a time; -w and --strict win over it.
  line = Parse({"-j3", "--project=mod/zunt.toml", "--no-project", "quest"});
  EXPECT_EQ(3u, line.Run.Jobs);
  EXPECT_EQ("mod/zunt.toml", line.Run.Project);
  EXPECT_TRUE(line.Run.NoProject);
  EXPECT_FALSE(line.Run.WarningsGiven || line.Run.StrictGiven);
  EXPECT_TRUE(line.Run.ScriptsWithoutName);
  EXPECT_GE(Parse({}).Run.Jobs, 1u);
  line = Parse({"-w", "--strict", "--jobs", "12"});
  EXPECT_TRUE(line.Run.WarningsGiven && line.Run.StrictGiven);
  EXPECT_EQ(12u, line.Run.Jobs);

  // Warnings by name, the last word for one winning; the named ones win over the settings.
  line = Parse({"-Wno-alias", "-Wno-overlap", "-Woverlap", "quest"});
  EXPECT_FALSE(line.Run.Wanted.Has(TWarning::Alias));
  EXPECT_TRUE(line.Run.Wanted.Has(TWarning::Overlap) && line.Run.Wanted.Has(TWarning::Utf8Text));
  TWarningSet named = TWarningSet::None();
  named.Set(TWarning::Alias, true);
  named.Set(TWarning::Overlap, true);
  EXPECT_TRUE(line.Run.WantedGiven == named);
}

TEST(CommandLine, UsageErrors) {
  struct {
    std::vector<std::string> words;
    std::string error;
  } cases[] = {
      {{"--hlep"}, "неизвестный параметр «--hlep»"},
      {{"quest", "--hlep=3"}, "неизвестный параметр «--hlep»"},
      {{"-x", "quest"}, "неизвестный параметр «-x»"},
      {{"-wx"}, "неизвестный параметр «-x»"},
      {{"quest", "-o"}, "параметру «-o» нужно значение"},
      {{"--output"}, "параметру «--output» нужно значение"},
      {{"-i"}, "параметру «-i» нужно значение"},
      {{"-o", "", "quest"}, "у параметра -o пустое имя файла"},
      {{"--include=", "quest"}, "у параметра -i пустое имя файла"},
      {{"-o", "x.erm", "a", "b"}, "с параметром -o можно указать только одно ИМЯ"},
      {{"--color=yes"}, "у --color бывает значение auto, always или never, а не «yes»"},
      {{"--verbose=yes", "quest"}, "параметр «--verbose» не принимает значения"},
      {{"quest", "--verb=1"}, "параметр «--verbose» не принимает значения"},
      {{"--strict=", "quest"}, "параметр «--strict» не принимает значения"},
      {{"--help=x"}, "параметр «--help» не принимает значения"},
      {{"--version=2"}, "параметр «--version» не принимает значения"},
      {{"-j", "0", "quest"}, "у параметра -j бывает число от 1, а не «0»"},
      {{"--jobs=2x"}, "у параметра -j бывает число от 1, а не «2x»"},
      {{"-j", "99999999999999999999"},
       "у параметра -j бывает число от 1, а не «99999999999999999999»"},
      {{"--project="}, "у параметра --project пустое имя файла"},
      {{"--project"}, "параметру «--project» нужно значение"},
      {{"-W"}, "параметру «-W» нужно значение"},
      {{"--vars=xml"}, "у --vars бывает значение text или json, а не «xml»"},
      {{"--against=a", "quest"}, "параметр --against бывает только с --vars"},
      {{"--vars", "-o", "x.erm", "quest"},
       "с --vars скрипты не записываются: параметр -o не нужен"},
      {{"--vars", "--against="}, "у параметра --against пустое имя"},
      {{"-Wno-nope", "quest"},
       "неизвестное предупреждение «-Wno-nope»: бывают byte-order-mark, utf8-text, "
       "open-back-quote, non-latin-letter, text-after-index, index-overflow, lf-line-end, "
       "text-after-constant, multi-line-constant, alias, overlap, project-settings, и каждое с "
       "no- перед ним"},
  };
  for (auto& t : cases) EXPECT_EQ(t.error, Parse(t.words).UsageError) << t.words[0];
}

TEST(CommandLine, HelpNamesTheProgramAndItsParentFolder) {
  struct {
    std::string program, parent, usage, output;
  } cases[] = {
      {"zunt", "../", "Использование: zunt [ПАРАМЕТР]...", "а не в ../ИМЯ.erm\n"},
      {"zunt-cli.exe", "..\\", "Использование: zunt-cli.exe [ПАРАМЕТР]...", "а не в ..\\ИМЯ.erm\n"},
  };
  for (auto& t : cases) {
    std::string help = HelpText(t.program, t.parent);
    EXPECT_TRUE(help.starts_with(t.usage)) << help;
    EXPECT_NE(std::string::npos, help.find(t.output)) << help;
    EXPECT_EQ(t.parent == "../", help.find("..\\") == std::string::npos) << help;
    EXPECT_EQ(t.parent != "../", help.find("../") == std::string::npos) << help;
  }
}

}  // namespace
}  // namespace zunt
