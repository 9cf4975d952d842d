// A power cut while result entry saves, and right after it: the next program finds the
// competition's totals equal to the sums of its classes, and the match either with its
// result in all three records or in none.
#include <filesystem>

#include "editing/result_form.h"
#include "storage/mem_env.h"
#include "support/db_fixture.h"

namespace liga::testing {
namespace {

namespace fs = std::filesystem;

class PowerCutTest : public DbFixture {
 protected:
  // The data directory is a folder of its own, so that copies of it can stand beside it.
  PowerCutTest() : DbFixture(LocalTime(2026, 12, 8, 20, 0), "data") {}

  void SetUp() override {
    DbFixture::SetUp();
    newCompetition("SERIEN");
    const auto a = addClass("A"), b = addClass("B");
    const auto a1 = addTeam("A1", a, 1), a2 = addTeam("A2", a, 2), a3 = addTeam("A3", a, 3);
    const auto b1 = addTeam("B1", b, 11), b2 = addTeam("B2", b, 12);
    const auto pt = addPlayTime("2027-04-10 10:00");
    addMatch(pt, a1, a2);
    addMatch(pt, b1, b2, 1, 1);
    addMatch(pt, a3, a1);
    m_db.closeAll();
    m_db.releaseDataDir();
  }

  struct Found {
    bool totalsAgree = false;
    bool homeEntry = false, awayEntry = false, slot = false;  // the result 4-2 is there
  };

  // What a program that opens the data directory afterwards finds.
  Found inspect(const fs::path& data) {
    Database d;
    OpenDatabase(d, data, m_clock);
    Found f;
    EXPECT_TRUE(d.readCatalogue());
    EXPECT_TRUE(d.selectCompetition(1, false));
    int teams = 0, matches = 0, open = 0;
    DivisionRec cls;
    for (const std::int32_t c : d.classesInKeyOrder()) {
      if (!d.readClassRecord(c, cls)) continue;
      teams += cls.teamCount();
      matches += cls.matchCount();
      open += cls.openMatches();
    }
    const CompetitionRec& comp = d.comp();
    f.totalsAgree = comp.totalTeams() == teams && comp.totalMatches() == matches &&
                    comp.totalOpenMatches() == open;
    PlayTimeRec pt;
    EXPECT_TRUE(d.readPlayTimeRecord(1, pt));
    const MatchEntry slot = pt.match(1);
    f.slot = slot.homeScore() == 4 && slot.awayScore() == 2;
    TeamRec team;
    f.homeEntry = d.readTeamRecord(slot.homeTeamRecNo(), team) && team.match(1).ownScore() == 4;
    f.awayEntry = d.readTeamRecord(slot.awayTeamRecNo(), team) && team.match(1).ownScore() == 2;
    d.closeAll();
    d.releaseDataDir();
    return f;
  }

  // Enters 4-2 for the first match with the power cut at storage call `cutAt` of the save
  // (-1: during the close that follows it, so nothing after the save reaches the files).
  // Returns whether the cut was reached.
  bool saveWithCut(const fs::path& data, long long cutAt, long long* calls = nullptr) {
    storage::FaultEnv fault(storage::posixEnv());
    storage::setCurrentEnv(&fault);
    Database d;
    OpenDatabase(d, data, m_clock);
    EXPECT_TRUE(d.readCatalogue());
    EXPECT_TRUE(d.selectCompetition(1, false));
    fault.resetCounts();
    if (cutAt >= 0) fault.cutAt(cutAt);
    {
      TResultForm form(d);
      form.setCell(1, TResultForm::kHomeCol, "4");
      form.setCell(1, TResultForm::kAwayCol, "2");
      form.klarClick();
    }
    if (calls != nullptr) *calls = fault.count(storage::FaultEnv::Kind::Any);
    const bool reached = fault.cut();
    if (cutAt < 0) fault.cutAt(fault.count(storage::FaultEnv::Kind::Any));
    d.closeAll();
    storage::setCurrentEnv(nullptr);
    d.releaseDataDir();
    return reached || cutAt < 0;
  }

  fs::path copyOfBase(const std::string& name) {
    const fs::path run = m_dir / name;
    fs::remove_all(run);
    fs::copy(dataDir(), run);
    return run;
  }
};

TEST_F(PowerCutTest, ACutAfterTheResultIsSavedKeepsTheTotalsOfTheClasses) {
  const fs::path run = copyOfBase("after");
  ASSERT_TRUE(saveWithCut(run, -1));
  const Found f = inspect(run);
  EXPECT_TRUE(f.slot && f.homeEntry && f.awayEntry) << "the saved result was lost";
  EXPECT_TRUE(f.totalsAgree);
}

// The blocks of one save commit as one across a crash (the super-journal names every block
// journal of the unit): a cut between two blocks' commits leaves all before or all after.
TEST_F(PowerCutTest, ACutAtEveryCallOfTheSaveLeavesAllOrNothing) {
  long long calls = 0;
  ASSERT_TRUE(saveWithCut(copyOfBase("count"), -1, &calls));
  ASSERT_GT(calls, 5);
  for (long long n = 0; n < calls; ++n) {
    SCOPED_TRACE("cut at call " + std::to_string(n));
    const fs::path run = copyOfBase("cut");
    ASSERT_TRUE(saveWithCut(run, n));
    const Found f = inspect(run);
    EXPECT_TRUE(f.totalsAgree);
    EXPECT_EQ(f.slot, f.homeEntry);
    EXPECT_EQ(f.slot, f.awayEntry);
  }
}

}  // namespace
}  // namespace liga::testing
