#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "common/encoding.h"
#include "common/messages.h"
#include "database/block_snapshot.h"
#include "database/rename_log.h"
#include "storage/check.h"
#include "storage/mem_env.h"
#include "support/db_fixture.h"
#include "support/file_io.h"

namespace liga {
namespace {

namespace fs = std::filesystem;
using testing::DbFixture;

class RebuildTest : public DbFixture {
 protected:
  // (play time, match number) -> (home name, away name, home score, away score)
  using Matches =
      std::map<std::pair<std::string, int>, std::tuple<std::string, std::string, int, int>>;

  std::string teamName(std::int32_t recNo) {
    const TeamRec saved = m_db.team();
    std::string name = m_db.readTeam(recNo) ? m_db.team().teamName() : "?";
    m_db.team() = saved;
    return name;
  }

  Matches matchesByName() {
    Matches out;
    std::string key;
    std::int32_t recNo = 0;
    m_db.browsePlayTime(BrowseMode::Clear, key, recNo);
    while (true) {
      const BrowseResult r = m_db.browsePlayTime(BrowseMode::Next, key, recNo);
      if (r.atEnd) break;
      const PlayTimeRec p = m_db.playTime();
      for (int row = 1; row <= p.usedRows(); ++row) {
        const MatchEntry e = p.match(row);
        out[{p.playTime(), e.matchNumber()}] = {
            teamName(e.homeTeamRecNo()), teamName(e.awayTeamRecNo()), e.homeScore(), e.awayScore()};
      }
    }
    return out;
  }

  void expectConsistentTeamLists() {
    for (std::int32_t t = 1; t < FileLen(m_db.teamFile()); ++t) {
      ASSERT_TRUE(m_db.readTeam(t));
      const TeamRec team = m_db.team();
      EXPECT_EQ(team.teamRecNo(), t);
      for (int m = 1; m <= team.teamMatchCount(); ++m) {
        const TeamMatchEntry e = team.match(m);
        ASSERT_TRUE(m_db.readPlayTime(e.playTimeRecNo()));
        bool found = false;
        for (int row = 1; row <= m_db.playTime().usedRows(); ++row) {
          const MatchEntry pe = m_db.playTime().match(row);
          if (pe.matchNumber() != e.matchNumber()) continue;
          found = true;
          if (e.opponentRecNo() > 0) {
            EXPECT_EQ(pe.homeTeamRecNo(), t);
            EXPECT_EQ(pe.awayTeamRecNo(), e.opponentRecNo());
            EXPECT_EQ(pe.homeScore(), e.ownScore());
          } else {
            EXPECT_EQ(pe.awayTeamRecNo(), t);
            EXPECT_EQ(pe.homeTeamRecNo(), -e.opponentRecNo());
            EXPECT_EQ(pe.awayScore(), e.ownScore());
          }
        }
        EXPECT_TRUE(found) << team.teamName() << " match " << e.matchNumber();
      }
    }
  }

  // Open matches per class counted from the results in the play times.
  void expectOpenCountersFromResults() {
    std::map<std::int32_t, int> played;
    for (std::int32_t p = 1; p < FileLen(m_db.playTimeFile()); ++p) {
      if (!m_db.readPlayTime(p)) continue;
      const PlayTimeRec pt = m_db.playTime();
      for (int row = 1; row <= pt.usedRows(); ++row) {
        const MatchEntry e = pt.match(row);
        if (!ScorePresent(e.homeScore()) || !ScorePresent(e.awayScore())) continue;
        ASSERT_TRUE(m_db.readTeam(e.homeTeamRecNo()));
        ++played[m_db.team().divisionRecNo()];
      }
    }
    int total = 0;
    for (std::int32_t c = 1; c < FileLen(m_db.classFile()); ++c) {
      ASSERT_TRUE(m_db.readClass(c));
      const DivisionRec& cls = m_db.cls();
      EXPECT_EQ(cls.matchCount(), ClassMatchCount(cls.teamCount(), cls.rounds()));
      EXPECT_EQ(cls.openMatches(), cls.matchCount() - played[c]) << cls.className();
      total += cls.openMatches();
    }
    EXPECT_EQ(m_db.comp().totalOpenMatches(), total);
  }
};

TEST_F(RebuildTest, ScenarioWithDeletedRecords) {
  newCompetition("Scenario");
  const auto old = addClass("GAMMAL");
  const auto p12 = addClass("P12", 2);
  const auto f12 = addClass("F12", 1);
  ASSERT_TRUE(m_db.removeClass("", old, true));

  std::vector<std::int32_t> boys, girls;
  const auto gone1 = addTeam("BORTA ETT", p12);
  for (const char* n : {"IFK NORRBY", "BK ZEUS", "SK LEJON", "AIK"})
    boys.push_back(addTeam(n, p12));
  const auto gone2 = addTeam("BORTA TV\xC5", f12);
  for (const char* n : {"GIF", "OK ALFA", "IS BETA"}) girls.push_back(addTeam(n, f12));
  ASSERT_TRUE(m_db.removeTeam("", gone1, true));
  ASSERT_TRUE(m_db.removeTeam("", gone2, true));

  const auto emptyPt = addPlayTime("2026-04-01 09:00");
  const auto pt1 = addPlayTime("2026-04-02 09:00");
  const auto pt2 = addPlayTime("2026-04-03 09:00");
  ASSERT_TRUE(m_db.removePlayTime("", emptyPt, true));
  addMatch(pt1, boys[0], boys[1], 3, 1);
  addMatch(pt1, boys[2], boys[3]);
  addMatch(pt1, girls[0], girls[1], 2, 2);
  addMatch(pt2, boys[1], boys[2], 0, 4);
  addMatch(pt2, girls[2], girls[0]);
  addMatch(pt2, boys[3], boys[0], 1, kNoResult);  // partial result: still open
  const Matches before = matchesByName();
  ASSERT_EQ(before.size(), 6u);

  ASSERT_TRUE(m_db.rebuildCompetition()) << StatusMessage();
  ASSERT_TRUE(m_db.competitionOpen());
  for (const char* block : {"cupfiles", "klass01", "lg01", "game01"}) {
    const auto result = storage::checkBlock(path(block));
    EXPECT_TRUE(result.ok) << block << ": " << result.summary;
  }
  EXPECT_FALSE(fs::exists(path("filetmp.dat")));
  EXPECT_EQ(FileLen(m_db.classFile()), 3);  // deleted records dropped
  EXPECT_EQ(FileLen(m_db.teamFile()), 8);
  EXPECT_EQ(FileLen(m_db.playTimeFile()), 3);

  EXPECT_EQ(matchesByName(), before);
  expectConsistentTeamLists();
  expectOpenCountersFromResults();

  // Classes were renumbered 2,3 -> 1,2 and the teams followed them.
  std::string key = "F12";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(recNo, 2);
  EXPECT_EQ(m_db.cls().classNumber(), "02");
  EXPECT_EQ(m_db.cls().teamCount(), 3);
  EXPECT_EQ(m_db.cls().openMatches(), 3 - 1);
  ASSERT_TRUE(m_db.readTeam(5));
  EXPECT_EQ(m_db.team().teamName(), "GIF");
  EXPECT_EQ(m_db.team().divisionRecNo(), 2);
  EXPECT_EQ(m_db.comp().totalTeams(), 7);
  EXPECT_EQ(m_db.comp().totalMatches(), 12 + 3);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), (12 - 2) + (3 - 1));
}

TEST_F(RebuildTest, ReferenceToARemovedTeamBecomesZero) {
  newCompetition("Dangling");
  const auto c = addClass("A", 1);
  const auto gone = addTeam("GONE", c), stay = addTeam("STAY", c), last = addTeam("LAST", c);
  const auto pt = addPlayTime("2026-03-01 10:00");
  addMatch(pt, gone, stay);
  addMatch(pt, last, stay);
  ASSERT_TRUE(m_db.removeTeam("", gone, true));  // its matches stay behind
  ASSERT_TRUE(m_db.rebuildCompetition());
  // Record 1 is now LAST; without the mapping the orphaned row would name it.
  ASSERT_TRUE(m_db.readTeam(1));
  ASSERT_EQ(m_db.team().teamName(), "STAY");
  ASSERT_TRUE(m_db.readPlayTime(1));
  EXPECT_EQ(m_db.playTime().match(1).homeTeamRecNo(), 0);
  EXPECT_EQ(m_db.playTime().match(1).awayTeamRecNo(), 1);
  EXPECT_EQ(m_db.playTime().match(2).homeTeamRecNo(), 2);
  EXPECT_EQ(m_db.playTime().match(2).awayTeamRecNo(), 1);
  ASSERT_TRUE(m_db.readTeam(1));
  EXPECT_EQ(m_db.team().match(1).opponentRecNo(), 0);
  EXPECT_EQ(m_db.team().match(2).opponentRecNo(), -2);
  EXPECT_EQ(m_db.team().match(2).playTimeRecNo(), 1);
}

TEST_F(RebuildTest, OpenMatchesCountTheStoredResults) {
  newCompetition("Open");
  const auto c = addClass("A", 2);
  std::vector<std::int32_t> t;
  for (const char* n : {"A", "B", "C", "D"}) t.push_back(addTeam(n, c));
  const auto pt = addPlayTime("2026-02-01 10:00");
  addMatch(pt, t[0], t[1], 1, 0);
  addMatch(pt, t[2], t[3], 2, 2);
  addMatch(pt, t[1], t[2], 0, 5);
  ASSERT_TRUE(m_db.readClass(c));
  ASSERT_EQ(m_db.cls().openMatches(), 9);
  ASSERT_TRUE(m_db.rebuildCompetition());
  ASSERT_TRUE(m_db.readClass(1));
  EXPECT_EQ(m_db.cls().matchCount(), 12);
  EXPECT_EQ(m_db.cls().openMatches(), 9);  // not reset to 12
  EXPECT_EQ(m_db.comp().totalOpenMatches(), 9);
}

TEST_F(RebuildTest, LeftoverTemporaryBlockIsNeverReplaced) {
  newCompetition("Leftover");
  addClass("A");
  { std::ofstream(path("FILETMP.DAT"), std::ios::binary) << "earlier rebuild"; }
  EXPECT_FALSE(m_db.rebuildCompetition());
  EXPECT_EQ(StatusMessage(), "Kan ej \"Rename\" fil klass01 misslyckad \"indexBuild\" ");
  EXPECT_EQ(liga::testing::ReadFile(path("FILETMP.DAT")), "earlier rebuild");
  // The competition is untouched and open again.
  ASSERT_TRUE(m_db.competitionOpen());
  std::string key = "A";
  std::int32_t recNo = 0;
  EXPECT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_TRUE(fs::exists(path("klass01.DAT")));
}

// An index lost while the competition is open is written anew like the others.
TEST_F(RebuildTest, IndexLostWhileOpenIsRebuilt) {
  newCompetition("Broken");
  const auto old = addClass("OLD");
  addClass("NEW");
  ASSERT_TRUE(m_db.removeClass("", old, true));
  fs::remove(path("lg01.IX"));
  EXPECT_TRUE(m_db.rebuildCompetition());
  ASSERT_TRUE(m_db.competitionOpen());
  std::string key = "NEW";
  std::int32_t recNo = 0;
  EXPECT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(recNo, 1);  // renumbered: the deleted class is dropped
  EXPECT_TRUE(fs::exists(path("lg01.IX")));
  EXPECT_FALSE(fs::exists(path("filetmp.dat")));
}

TEST_F(RebuildTest, WithoutOpenCompetitionNothingChanges) {
  newCompetition("X");
  m_db.closeCompetition();
  const auto before = fs::last_write_time(path("klass01.DAT"));
  m_ui.progress.clear();
  EXPECT_FALSE(m_db.rebuildCompetition());
  bool reported = false;
  for (const auto& p : m_ui.progress)
    reported |=
        p.find("Kan ej bygga ytterligare index om inte \"TuBas\" vald!") != std::string::npos;
  EXPECT_TRUE(reported);
  EXPECT_EQ(fs::last_write_time(path("klass01.DAT")), before);

  m_db.closeAll();
  EXPECT_FALSE(m_db.rebuildCompetition());
  EXPECT_EQ(StatusMessage(), "Databas ej vald/ datafiler saknas!");
}

// The rebuild repairs what it exists to repair: a competition whose index file is missing
// or emptied does not open, and is rebuilt from its data files alone.
TEST_F(RebuildTest, RebuildsFromTheDataFilesWhenAnIndexIsMissingOrEmpty) {
  for (const char* damage : {"missing", "empty"}) {
    SCOPED_TRACE(damage);
    if (m_db.catalogueAvailable()) {
      m_db.closeAll();
      for (const auto& e : fs::directory_iterator(m_dir)) fs::remove(e.path());
    }
    const int n = newCompetition("Cup");
    const auto c = addClass("A");
    const auto a = addTeam("ETT", c), b = addTeam("TVA", c);
    const auto pt = addPlayTime("2026-05-01 10:00");
    addMatch(pt, a, b, 3, 1);
    const Matches before = matchesByName();
    m_db.closeCompetition();
    if (std::string(damage) == "missing") {
      fs::remove(m_dir / "lg01.IX");
    } else {
      std::ofstream(m_dir / "game01.IX", std::ios::trunc);
    }
    EXPECT_FALSE(m_db.selectCompetition(n, false));
    EXPECT_EQ(m_db.currentCompetition(), n);  // still the current competition

    EXPECT_TRUE(m_db.rebuildCompetition());
    ASSERT_TRUE(m_db.competitionOpen());
    EXPECT_EQ(matchesByName(), before);
    EXPECT_EQ(m_db.comp().totalTeams(), 2);
    std::string key = "0001";
    std::int32_t recNo = 0;
    EXPECT_TRUE(m_db.browseTeam(BrowseMode::Find, key, recNo).found);
    for (const char* block : {"klass01", "lg01", "game01"}) {
      std::ostringstream report;
      EXPECT_TRUE(storage::checkFileBlock(path(block), report)) << block << report.str();
    }
  }
}

// A write, sync or truncate fails at every call of a rebuild in turn, once or from then on:
// afterwards the competition is exactly as before or exactly rebuilt, never a mix of
// renumbered and old blocks, and a rebuild that did not finish says so.
TEST_F(RebuildTest, UnderFaultsARebuildIsAllOrNothing) {
  const int n = newCompetition("Cup");
  const auto gone = addClass("GONE");
  const auto c = addClass("A");
  const auto a = addTeam("ETT", c), x = addTeam("X", c), b = addTeam("TVA", c);
  addTeam("TRE", c);
  const auto p0 = addPlayTime("2026-04-01 10:00");
  const auto p1 = addPlayTime("2026-05-01 10:00");
  addMatch(p1, a, b, 3, 1);
  addMatch(p1, b, a);
  ASSERT_TRUE(m_db.removeTeam("", x, true));
  ASSERT_TRUE(m_db.removeClass("", gone, true));
  ASSERT_TRUE(m_db.removePlayTime("", p0, true));
  m_db.closeAll();
  m_db.releaseDataDir();
  const fs::path base = m_dir / "base";
  fs::create_directories(base);
  for (const auto& e : fs::directory_iterator(m_dir)) {
    if (e.is_regular_file()) fs::copy(e.path(), base / e.path().filename());
  }
  const std::string before = testing::Snapshot(base);

  // Returns whether the rebuild reported success; `state` is the directory afterwards.
  auto rebuild = [&](storage::FaultEnv::Kind kind, long long call, bool persistent,
                     std::string& state, bool& hit) {
    const fs::path data = m_dir / "run";
    fs::remove_all(data);
    fs::copy(base, data);
    storage::FaultEnv fault(storage::posixEnv());
    storage::setCurrentEnv(&fault);
    RecordingUi ui;
    ScopedUi scoped(ui);
    Database d;
    d.setDataDir(data.string());
    EXPECT_TRUE(d.readCatalogue());
    EXPECT_TRUE(d.selectCompetition(n, false));
    fault.resetCounts();
    fault.failAt(kind, call, persistent, ENOSPC);
    const bool ok = d.rebuildCompetition();
    hit = fault.failed();
    fault.disarm();
    d.closeAll();
    storage::setCurrentEnv(storage::posixEnv());
    d.releaseDataDir();
    // The next program to open the directory finishes what the log of a committed rebuild
    // still holds (its totals, when the disk had no room for them).
    Database next;
    next.setDataDir(data.string());
    EXPECT_TRUE(next.readCatalogue());
    next.closeAll();
    next.releaseDataDir();
    for (const auto& e : fs::directory_iterator(data)) {
      EXPECT_NE(e.path().filename().string().rfind("filetmp", 0), 0u) << e.path();
      EXPECT_NE(e.path().filename().string(), kRenameLogName);
    }
    state = testing::Snapshot(data, persistent);
    return ok;
  };

  std::string after;
  bool hit = false;
  ASSERT_TRUE(rebuild(storage::FaultEnv::Kind::Write, -1, false, after, hit));
  ASSERT_NE(after, before);
  int runs = 0, failures = 0;
  for (auto kind : {storage::FaultEnv::Kind::Write, storage::FaultEnv::Kind::Sync,
                    storage::FaultEnv::Kind::Truncate}) {
    // A full disk fails every later write; syncs and truncates fail one at a time.
    for (bool persistent : {false, true}) {
      if (persistent && kind != storage::FaultEnv::Kind::Write) continue;
      for (long long call = 0;; ++call) {
        std::string state;
        const bool ok = rebuild(kind, call, persistent, state, hit);
        if (!hit) break;
        ++runs;
        SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + " call " +
                     std::to_string(call) + (persistent ? " from then on" : " once"));
        EXPECT_TRUE(state == before || state == after);

        if (state != after) {
          EXPECT_FALSE(ok);
          ++failures;
        }
      }
    }
  }
  EXPECT_GT(runs, 20);
  EXPECT_GT(failures, 0);
}

// A full disk during a rebuild is said in words, with the file it hit, not as a rename that
// failed; nothing changed.
TEST_F(RebuildTest, AFullDiskIsSaidInWordsWithTheFile) {
  const int n = newCompetition("Cup");
  const auto c = addClass("A");
  for (const char* name : {"ETT", "TVA", "TRE"}) addTeam(name, c);
  m_db.closeAll();
  m_db.releaseDataDir();
  const std::string before = testing::Snapshot(m_dir);
  storage::FaultEnv fault(storage::posixEnv());
  storage::setCurrentEnv(&fault);
  RecordingUi ui;
  ScopedUi scoped(ui);
  Database d;
  d.setDataDir(m_dir.string());
  ASSERT_TRUE(d.readCatalogue());
  ASSERT_TRUE(d.selectCompetition(n, false));
  fault.setDiskFull(true);
  EXPECT_FALSE(d.rebuildCompetition());
  fault.disarm();
  d.closeAll();
  storage::setCurrentEnv(storage::posixEnv());
  d.releaseDataDir();
  std::string errors;
  for (const auto& shown : ui.shown) errors += shown.text + "\n";
  for (const auto& status : ui.statuses) errors += status + "\n";
  EXPECT_NE(errors.find(W("disken är full: ") + m_dir.string()), std::string::npos) << errors;
  EXPECT_EQ(errors.find("Rename"), std::string::npos) << errors;
  EXPECT_EQ(testing::Snapshot(m_dir), before);
}

}  // namespace
}  // namespace liga
