// The language server's analyses of a mod's scripts: the includes read once
// and shared, read again when one changes, each script's own names after them.
#include <memory>
#include <string>
#include <vector>

#include "platform/posix.h"
#include "scratch_test.h"
#include "server/analysis.h"
#include "server/names.h"

namespace zunt {
namespace {

struct SharedTablesTest : TScratchTest {
  TPosixPlatform Platform;
};

TEST_F(SharedTablesTest, ScriptsOfAModShareTheIncludesTables) {
  Put("zunt.toml", "include = [\"common.txt\"]\n");
  Put("common.txt", "HERO = y100\r\n(HI) = 'x'\r\n");
  Put("a.txt", "OWN = v1\r\nHERO = y5\r\n");
  Put("a.erm", "!!VR$HERO$:S$OWN$;(HI)\r\n");
  Put("b.erm", "!!VR$HERO$:S0;(HI)\r\n");
  TWorkspace workspace(&Platform);
  TAnalyses analyses(workspace, kFixedHashSeed);
  // The name each reference met, and the file and line of its declaration.
  struct TMet {
    std::string Name, File;
    uint64_t Line;
  };
  auto met = [&](const std::string& script) {
    TAnalysis& analysis = analyses.Analyse(PathOf(script));
    std::vector<TMet> all;
    uint64_t generation = 0;
    const TText* text = workspace.Text(PathOf(script), &generation);
    analyses.Visit(
        analysis, *text,
        [&](const TSeenItem& item, const TSeenItem*) {
          bool constant = item.Kind == TSeen::Constant;
          const TSymbolTable& table = constant ? analysis.State.Constants : analysis.State.Vars;
          TSite site = SiteOf(workspace, analysis, constant, item.Entry);
          all.push_back({std::string(table.Name(table.At(item.Entry))),
                         site.Path.substr(site.Path.rfind('/') + 1), site.Line});
          return true;
        },
        [] {});
    return all;
  };
  auto same = [](const std::vector<TMet>& got, const std::vector<TMet>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].Name + " " + got[i].File + ":" + std::to_string(got[i].Line),
                want[i].Name + " " + want[i].File + ":" + std::to_string(want[i].Line));
    }
  };
  for (const char* include :
       {"HERO = y100\r\n(HI) = 'x'\r\n", ";;\r\n(HI) = 'x'\r\nHERO = y1\r\n"}) {
    SCOPED_TRACE(include);
    Put("common.txt", include);
    uint64_t line = include[0] == ';' ? 3 : 1;
    same(met("a.erm"),
         {{"HERO", "common.txt", line}, {"OWN", "a.txt", 1}, {"HI", "common.txt", 2}});
    same(met("b.erm"), {{"HERO", "common.txt", line}, {"HI", "common.txt", 2}});
    const TAnalysis& a = *analyses.All()[PathOf("a.erm")];
    const TAnalysis& b = *analyses.All()[PathOf("b.erm")];
    // One read of the include for both, and only a's own names in its tables.
    ASSERT_NE(a.Shared, nullptr);
    EXPECT_EQ(a.Shared, b.Shared);
    EXPECT_EQ(a.Shared.use_count(), 2);
    EXPECT_EQ(a.State.Vars.size(), 1u);
    EXPECT_EQ(b.State.Vars.size(), 0u);
    EXPECT_EQ(a.Globals, 2u);
    // a.txt repeats a name of the include: its error, as the command line's.
    ASSERT_EQ(a.TableReports.size(), 1u);
    EXPECT_EQ(a.TableReports[0].File, PathOf("a.txt"));
    EXPECT_TRUE(b.TableReports.empty());
    // A change of the include lets go of its tables before they are read again.
    std::weak_ptr<const TSharedTables> kept = a.Shared;
    analyses.Unread(PathOf("b.txt"));
    EXPECT_FALSE(kept.expired());
    analyses.Unread(PathOf("common.txt"));
    EXPECT_TRUE(kept.expired());
  }
}

}  // namespace
}  // namespace zunt
