// The process stopped at every file call (a random subset for the large cases) of the
// operations that write several blocks: a results import, a match moved, a rebuild, a
// restore and a competition created. Each run ends in exactly the state before or the state after, with
// every block consistent and every total agreeing with what it counts.
#include "support/cut_loop.h"
#include "database/restore.h"
#include "exchange/demo.h"
#include "exchange_fixture.h"
#include "model/matches.h"

namespace liga::exchange::testing {
namespace {

using liga::testing::CutCounts;
using liga::testing::CutLoop;

const std::vector<std::string> kSeason = {"*Bas",         "ORG,FOTBOLL",  "SERIEN,2",
                                          "P,1,2,600,PL", ",,,,",         ",,,,",
                                          ",,,,",         ",,,,",         "*Klasser",
                                          "A,2,2,1,0001", "B,2,2,1,0101", "*Lag",
                                          "0003,T3,A",    "0007,T7,A",    "0012,T12,A",
                                          "0015,T15,A",   "0101,B1,B",    "0102,B2,B",
                                          "*Speldag",     "D1,",          "*!12-15,3-7,101-102,",
                                          "D2,",          "*!15-12,7-3,", "*Lottad"};

class CutLoopTest : public ExchangeTest {
 protected:
  fs::path makeBase() {
    import(kSeason);
    m_db.closeAll();
    m_db.releaseDataDir();
    return m_dir / "data";
  }
  CutLoop loop(const fs::path& base, int select = 1) {
    return CutLoop(base, m_dir / "run", m_clock, select);
  }
  static void expectBothStates(const CutCounts& c) {
    EXPECT_EQ(c.other, 0);
    EXPECT_GT(c.before, 0);
    EXPECT_GT(c.cuts, 10);
    EXPECT_GT(c.lossy, 0);  // the power cuts lost what was not synced
  }
};

TEST_F(CutLoopTest, AResultsImportEndsBeforeOrAfter) {
  const fs::path base = makeBase();
  m_ui.defaultAnswer = Answer::Yes;  // the schedule is there already: replace it
  const std::string file =
      writeFile("results.lot", {"*Speldag", "D1,", "*!12-15=2-1,3-7=0-0,101-102=3-3,", "D2,",
                                "*!15-12=1-1,7-3,", "*Lottad"});
  expectBothStates(loop(base).run("results import", [&](Database& d) {
    Importer importer(d, "");
    importer.importFiles({file});
  }));
}

TEST_F(CutLoopTest, AMatchMovedEndsBeforeOrAfter) {
  const fs::path base = makeBase();
  int moved = 0;
  expectBothStates(loop(base).run("match moved", [&](Database& d) {
    const std::vector<std::int32_t> times = d.playTimesInKeyOrder();
    if (times.size() < 2) return;  // the cut fell on reading them
    moved += model::MoveMatch(d, times[0], 1, times[1]).moved;
  }));
  EXPECT_GT(moved, 0);
}

TEST_F(CutLoopTest, ARebuildEndsBeforeOrAfter) {
  // A team deleted between others leaves a gap that the rebuild closes: the teams after it
  // and every match entry naming them are renumbered across the three files.
  std::vector<std::string> season = kSeason;
  season.insert(std::find(season.begin(), season.end(), "0101,B1,B"), "0016,T16,A");
  import(season);
  std::string key = "0016";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseTeam(BrowseMode::Find, key, recNo).found);
  ASSERT_TRUE(m_db.removeTeam(key, recNo, true));
  m_db.closeAll();
  m_db.releaseDataDir();
  CutLoop l = loop(m_dir / "data");
  l.sample(60);
  expectBothStates(l.run("rebuild", [&](Database& d) { (void)d.rebuildCompetition(); }));
}

TEST_F(CutLoopTest, ARestoreEndsBeforeOrAfter) {
  import(kSeason);
  const fs::path backup = m_dir / "backup";
  fs::create_directories(backup);
  m_ui.pickerResults = {backup.string()};
  ASSERT_TRUE(m_db.backupCompetition());
  m_db.closeAll();
  m_db.releaseDataDir();
  CutLoop l = loop(m_dir / "data");
  l.sample(60);
  expectBothStates(
      l.run("restore", [&](Database& d) { (void)RestoreCompetition(d, backup.string()); }));
}

TEST_F(CutLoopTest, TheDemoCompetitionCreatedEndsBeforeOrAfter) {
  const fs::path base = m_dir / "empty";
  fs::create_directories(base);
  CutLoop l = loop(base, 0);
  l.sample(60);
  expectBothStates(l.run("demo created", [&](Database& d) { (void)CreateDemoCompetition(d, ""); }));
}

}  // namespace
}  // namespace liga::exchange::testing
