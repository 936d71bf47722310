// The language server's projects: which declarations files a script reads,
// with which settings, and when the settings file is read again.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/fake.h"
#include "server/projects.h"

namespace zunt {
namespace {

TEST(ProjectsTest, NormalPaths) {
  struct {
    const char* Path;
    const char* Normal;
  } cases[] = {
      {"/mod/src/../common.txt", "/mod/common.txt"},
      {"/mod/./common.txt", "/mod/common.txt"},
      {"/mod/a/b/../../c.txt", "/mod/c.txt"},
      {"mod/../../shared/x.txt", "../shared/x.txt"},
      {"c:/mod/../x.txt", "c:/x.txt"},
      {"c:\\mod\\..\\x.txt", "c:/x.txt"},
      {"/mod/..x/y.txt", "/mod/..x/y.txt"},
      {"../x.txt", "../x.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalPath(c.Path, "/\\"), c.Normal) << c.Path;
  EXPECT_EQ(NormalPath("/a\\b/./c", "/"), "/a\\b/c");  // a name's backslash on POSIX
  for (auto [path, is] : {std::pair{"/mod/zunt.toml", true},
                          {"c:\\m\\zunt.toml", true},
                          {"zunt.toml", true},
                          {"/mod/myzunt.toml", false},
                          {"/m/zunt.tom", false}}) {
    EXPECT_EQ(IsProjectFile(path), is) << path;
  }
}

// A mod in the fake platform's files, whose stamps the test sets.
struct TMod {
  TFakePlatform Platform;
  std::map<std::string, uint64_t> Stamps;
  TProjects Projects{&Platform, [this](const std::string& path) {
                       return Platform.Files.count(path) ? Stamps[path] + 1 : 0;
                     }};
  TMod() {
    Platform.AddFile("mod/common.txt", "HERO = y100");
    Platform.AddFile("shared/more.txt", "GOLD = v5");
    Platform.AddFile("mod/../shared/more.txt", "GOLD = v5");  // the fake follows no ".."
    Platform.AddFile("mod/src/a.erm", "!!VR$HERO$:S0;");
    Platform.AddFile("other/b.erm", "");
  }
};

TEST(ProjectsTest, InputsAndSettingsAsTheCommandLineMergesThem) {
  struct {
    const char* Settings;
    const char* Script;
    std::vector<std::string> Inputs;
    bool Valid, Warnings, Strict;
  } cases[] = {
      {"include = [\"common.txt\", \"../shared/more.txt\"]",
       "mod/src/a.erm",
       {"mod/common.txt", "shared/more.txt", "mod/src/a.txt"},
       true,
       true,
       false},
      {"strict = true", "mod/src/a.erm", {"mod/src/a.txt"}, true, true, true},
      {"warnings = false\nstrict = true", "mod/src/a.erm", {"mod/src/a.txt"}, true, false, true},
      // What could be read of a wrong file still counts.
      {"include = [\"common.txt\"]\nwrong = 1",
       "mod/src/a.erm",
       {"mod/common.txt", "mod/src/a.txt"},
       false,
       true,
       false},
      {"include = [\"gone.txt\"]",
       "mod/src/a.erm",
       {"mod/gone.txt", "mod/src/a.txt"},
       false,
       true,
       false},
      {"include = [", "mod/src/a.erm", {"mod/src/a.txt"}, false, true, false},
  };
  for (const auto& c : cases) {
    TMod mod;
    mod.Platform.AddFile("mod/zunt.toml", c.Settings);
    TServerProject* project = mod.Projects.Of(c.Script);
    ASSERT_NE(project, nullptr) << c.Settings;
    EXPECT_EQ(project->File, "mod/zunt.toml");
    EXPECT_EQ(ProjectInputs(project, c.Script), c.Inputs) << c.Settings;
    EXPECT_EQ(project->Valid, c.Valid) << c.Settings;
    EXPECT_EQ(project->Reports.empty(), c.Valid) << c.Settings;
    EXPECT_EQ(project->Warnings, c.Warnings) << c.Settings;
    EXPECT_EQ(project->Strict, c.Strict) << c.Settings;
    // A script outside the mod has none.
    EXPECT_EQ(mod.Projects.Of("other/b.erm"), nullptr);
    EXPECT_EQ(ProjectInputs(nullptr, "other/b.erm"), std::vector<std::string>{"other/b.txt"});
  }
}

TEST(ProjectsTest, ReadAgainWhenTheFileOrAnIncludeChanges) {
  TMod mod;
  mod.Platform.AddFile("mod/zunt.toml", "include = [\"common.txt\", \"late.txt\"]");
  TServerProject* project = mod.Projects.Of("mod/src/a.erm");
  ASSERT_NE(project, nullptr);
  EXPECT_FALSE(project->Valid);
  uint64_t first = project->Generation;
  project->Published = true;
  EXPECT_EQ(mod.Projects.Of("mod/src/a.erm")->Generation, first);  // nothing changed
  EXPECT_TRUE(project->Published);
  mod.Platform.AddFile("mod/late.txt", "");  // the missing include comes
  EXPECT_GT(mod.Projects.Of("mod/src/a.erm")->Generation, first);
  EXPECT_TRUE(project->Valid);
  EXPECT_FALSE(project->Published);
  uint64_t second = project->Generation;
  mod.Platform.AddFile("mod/zunt.toml", "scripts = [\"src/*.erm\"]");
  EXPECT_EQ(mod.Projects.Of("mod/src/a.erm")->Generation, second);  // the stamp is the same
  mod.Stamps["mod/zunt.toml"] = 1;
  project = mod.Projects.Of("mod/src/a.erm");
  EXPECT_GT(project->Generation, second);
  EXPECT_TRUE(project->Project.Includes.empty());
  EXPECT_EQ(mod.Projects.ScriptsOf(*project), std::vector<std::string>{"mod/src/a.erm"});
  mod.Platform.AddFile("mod/src/b.erm", "");  // listed again only when told
  EXPECT_EQ(mod.Projects.ScriptsOf(*project).size(), 1u);
  mod.Projects.Relist();
  EXPECT_EQ(mod.Projects.ScriptsOf(*project),
            (std::vector<std::string>{"mod/src/a.erm", "mod/src/b.erm"}));
  // Removed: no project, until one is found again.
  mod.Platform.Files.erase("mod/zunt.toml");
  EXPECT_EQ(mod.Projects.Of("mod/src/a.erm"), nullptr);
  EXPECT_TRUE(mod.Projects.All().empty());
  // No path: no search from the working folder, whose settings are no file's.
  mod.Platform.AddFile("zunt.toml", "");
  EXPECT_EQ(mod.Projects.Of(""), nullptr);
  EXPECT_NE(mod.Projects.Of("a.erm"), nullptr);
}

TEST(ProjectsTest, ASettingsFileOthersMayWriteIsShownNotRead) {
  for (TTrust trust : {TTrust::OtherOwner, TTrust::WritableByOthers}) {
    TMod mod;
    mod.Platform.AddFile("mod/zunt.toml", "include = [\"common.txt\"]\nstrict = true");
    mod.Platform.Files["mod/zunt.toml"].Trust = trust;
    TServerProject* project = mod.Projects.Of("mod/src/a.erm");
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->File, "mod/zunt.toml");  // where its warning is shown
    ASSERT_EQ(project->Reports.size(), 1u);
    EXPECT_EQ(project->Reports[0].Severity, TSeverity::Warning);
    EXPECT_EQ(ProjectInputs(project, "mod/src/a.erm"), std::vector<std::string>{"mod/src/a.txt"});
    EXPECT_FALSE(project->Strict);
    EXPECT_TRUE(mod.Projects.ScriptsOf(*project).empty());
    mod.Stamps["mod/zunt.toml"] = 1;  // changed, and still not read
    EXPECT_TRUE(mod.Projects.Of("mod/src/a.erm")->Project.Includes.empty());
    // Made safe, and looked for again: read.
    mod.Platform.Files["mod/zunt.toml"].Trust = TTrust::Trusted;
    mod.Projects.Forget();
    project = mod.Projects.Of("mod/src/a.erm");
    EXPECT_TRUE(project->Reports.empty());
    EXPECT_TRUE(project->Strict);
    EXPECT_EQ(ProjectInputs(project, "mod/src/a.erm"),
              (std::vector<std::string>{"mod/common.txt", "mod/src/a.txt"}));
  }
}

}  // namespace
}  // namespace zunt
