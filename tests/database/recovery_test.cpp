// A writer stopped at every file call of a save (the process killed: nothing after that call
// reaches the files) leaves journals behind; the next program, a reader, finishes the
// rollback under the data directory's lock taken exclusively for that moment and reads the
// state before the save, the catalogue's own journal included. The totals then agree.
#include <gtest/gtest.h>

#include <filesystem>

#include "database/counters.h"
#include "database/rename_log.h"
#include "storage/check.h"
#include "storage/mem_env.h"
#include "support/db_fixture.h"
#include "support/file_io.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

// Copies the files (not the folders) of `from` into a fresh `to`.
void CopyFiles(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(from)) {
    if (e.is_regular_file()) fs::copy(e.path(), to / e.path().filename());
  }
}

class RecoveryTest : public testing::DbFixture {
 protected:
  // The competition's name and its classes' open-match counts, as a reader sees them.
  std::string readerView(const fs::path& data) {
    Database r;
    testing::OpenDatabase(r, data, m_clock);
    r.setAccess(DataDirAccess::Read);
    EXPECT_TRUE(r.readCatalogue());
    if (!r.selectCompetition(1, false)) {
      ADD_FAILURE() << "the reader could not open the competition: " << IsamError;
      return {};
    }
    std::string view =
        r.comp().competitionName() + " " + std::to_string(r.comp().totalOpenMatches());
    for (std::int32_t c : r.classesInKeyOrder()) {
      EXPECT_TRUE(r.readClass(c));
      view += " " + r.cls().className() + ":" + std::to_string(r.cls().openMatches());
    }
    const auto problems = CounterProblems(r);
    for (const auto& p : problems) ADD_FAILURE() << p;
    r.closeAll();
    r.releaseDataDir();
    return view;
  }
};

TEST_F(RecoveryTest, AReaderRollsBackWhatAKilledWriterLeftAndReadsTheStateBefore) {
  newCompetition("Cup");
  const std::int32_t cls = addClass("A");
  std::int32_t teams[4];
  for (int i = 0; i < 4; ++i) teams[i] = addTeam("Lag " + std::to_string(i), cls);
  const std::int32_t pt = addPlayTime("2027-04-10 10:00");
  addMatch(pt, teams[0], teams[1]);
  ASSERT_TRUE(m_db.readClass(cls));
  m_db.cls().setTeamCount(4);
  m_db.cls().setMatchCount(12);
  m_db.cls().setOpenMatches(12);
  ASSERT_TRUE(m_db.rewriteClass(cls));
  m_db.comp().setTotalTeams(4);
  m_db.comp().setTotalMatches(12);
  m_db.comp().setTotalOpenMatches(12);
  m_db.closeAll();
  m_db.releaseDataDir();
  const fs::path base = m_dir / "base";
  CopyFiles(dataDir(), base);
  const std::string before = readerView(base);

  // The save: a result in the play time lowers the class's and the competition's open
  // matches, all in one unit.
  auto save = [&](const fs::path& data) {
    Database w;
    testing::OpenDatabase(w, data, m_clock);
    if (!w.readCatalogue() || !w.selectCompetition(1, false)) return false;
    if (!w.readClass(cls) || !w.readPlayTime(pt)) return false;
    BeginBatch(w.classFile());
    BeginBatch(w.playTimeFile());
    MatchEntry e = w.playTime().match(1);
    e.setHomeScore(3);
    e.setAwayScore(1);
    w.playTime().setMatch(1, e);
    ResultEntered(w.cls(), w.comp());
    w.comp().setCompetitionName("Cup efter");
    return w.rewritePlayTime(pt) && w.rewriteClass(cls) &&
           w.commitWithCompetition({w.classFile(), w.playTimeFile()});
  };
  const fs::path data = m_dir / "run";
  storage::FaultEnv fault(storage::posixEnv());
  CopyFiles(base, data);
  storage::setCurrentEnv(&fault);
  fault.resetCounts();
  ASSERT_TRUE(save(data));
  storage::setCurrentEnv(nullptr);
  const long long calls = fault.count(storage::FaultEnv::Kind::Any);
  const std::string after = readerView(data);
  ASSERT_NE(before, after);

  int inBefore = 0, inAfter = 0, catalogueLive = 0, competitionLive = 0;
  for (long long n = 0; n < calls; ++n) {
    CopyFiles(base, data);
    storage::setCurrentEnv(&fault);
    fault.resetCounts();
    fault.cutAt(n);
    (void)save(data);
    fault.disarm();
    storage::setCurrentEnv(nullptr);
    catalogueLive += BlockNeedsRecovery((data / "cupfiles").string());
    competitionLive += BlockNeedsRecovery((data / "klass01").string());
    const std::string now = readerView(data);
    if (now == before) {
      ++inBefore;
    } else {
      EXPECT_EQ(now, after) << "cut at call " << n;
      ++inAfter;
    }
    for (const char* block : {"cupfiles", "klass01", "lg01", "game01"}) {
      EXPECT_FALSE(BlockNeedsRecovery((data / block).string())) << block << " cut " << n;
      EXPECT_TRUE(storage::checkBlock((data / block).string()).ok) << block << " cut " << n;
    }
  }
  EXPECT_GT(inBefore, 0);
  EXPECT_GT(catalogueLive, 0);
  EXPECT_GT(competitionLive, 0);
}

}  // namespace
}  // namespace liga

namespace liga {
namespace {

class RenameLogTest : public testing::DbFixture {
 protected:
  // A competition with one class, closed; its class block's data file bytes.
  std::string setUpCompetition() {
    newCompetition("Cup");
    addClass("A");
    m_db.closeAll();
    m_db.releaseDataDir();
    return testing::ReadFile(path("klass01.DAT"));
  }
  // What a rebuild killed after its first pass leaves: the log, the old class files under
  // their temporary names and a new class block under the real one.
  void leaveFirstPassDone() {
    ASSERT_EQ(
        WriteRenameLog(dataDir().string(), 1, {0, 0, 0},
                       {{"klass01", "filetmp"}, {"game01", "filetmp2"}, {"lg01", "filetmp3"}}),
        0);
    for (const auto& [from, to] :
         {std::pair{"klass01.DAT", "filetmp.dat"}, std::pair{"klass01.IX", "filetmp.ix"},
          std::pair{"klass01.DIA", "filetmp.dia"}})
      ASSERT_EQ(storage::currentEnv()->rename(path(from), path(to)), 0);
    CreateFileBlock(path("klass01"), kClassRecLen, 1, {{kClassKeyLen, true}});
    ASSERT_TRUE(IsamOK);
  }
};

TEST_F(RenameLogTest, AnUnfinishedRebuildIsUndoneAndAFinishedOneCompleted) {
  const std::string oldClasses = setUpCompetition();
  leaveFirstPassDone();
  ASSERT_NE(testing::ReadFile(path("klass01.DAT")), oldClasses);
  // The next program to open the catalogue, a reader here, undoes the swap.
  Database r;
  testing::OpenDatabase(r, dataDir(), m_clock);
  r.setAccess(DataDirAccess::Read);
  ASSERT_TRUE(r.readCatalogue());
  EXPECT_EQ(testing::ReadFile(path("klass01.DAT")), oldClasses);
  EXPECT_FALSE(fs::exists(path("filetmp.dat")));
  EXPECT_FALSE(RenameLogExists(dataDir().string()));
  ASSERT_TRUE(r.selectCompetition(1, false));
  EXPECT_EQ(UsedRecs(r.classFile()), 1);
  r.closeAll();
  r.releaseDataDir();

  // Committed with its totals: the new blocks stay, the totals are stored, the old files go.
  leaveFirstPassDone();
  bool undecided = false;
  ASSERT_EQ(CommitRenameLog(dataDir().string(), {7, 42, 40}, &undecided), 0);
  Database w;
  testing::OpenDatabase(w, dataDir(), m_clock);
  ASSERT_TRUE(w.readCatalogue());
  EXPECT_FALSE(fs::exists(path("filetmp.dat")));
  EXPECT_FALSE(fs::exists(path("filetmp.ix")));
  EXPECT_FALSE(RenameLogExists(dataDir().string()));
  ASSERT_TRUE(w.selectCompetition(1, false));
  EXPECT_EQ(UsedRecs(w.classFile()), 0);
  EXPECT_EQ(w.comp().totalTeams(), 7);
  EXPECT_EQ(w.comp().totalOpenMatches(), 40);
  w.closeAll();
}

}  // namespace
}  // namespace liga
