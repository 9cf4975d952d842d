// A database on a temporary data directory, a recording UI, and helper verbs that build
// competitions the way the editors and the schedule import do. The database's clock is
// fixed, so that what it stamps into records, logs and exports is the same on every run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/clock.h"
#include "common/recording_ui.h"
#include "database/database.h"
#include "storage/isam.h"
#include "support/temp_dir.h"

namespace liga::testing {

// Starts `db` on `dataDir` (made when missing) with `clock`.
inline void OpenDatabase(Database& db, const std::filesystem::path& dataDir, const Clock& clock) {
  std::filesystem::create_directories(dataDir);
  db.clock = &clock;
  db.initialise({});
  db.setDataDir(dataDir.string());
}

class DbFixture : public ::testing::Test {
 protected:
  DbFixture() = default;
  // The data directory is `dataSub` inside the temporary folder ("" for the folder itself),
  // so that a fixture can keep input files beside it. `now` is the fixed clock's time.
  DbFixture(std::time_t now, std::string dataSub) : m_dataSub(std::move(dataSub)), m_clock(now) {}

  void SetUp() override { OpenDatabase(m_db, dataDir(), m_clock); }
  void TearDown() override { m_db.closeAll(); }

  std::filesystem::path dataDir() const {
    return m_dataSub.empty() ? m_dir.path() : m_dir / m_dataSub;
  }
  std::string path(const std::string& name) const { return (dataDir() / name).string(); }

  // A new catalogue and a competition with its files open; returns its number.
  int newCompetition(const std::string& name, int defaultRounds = 2) {
    if (!m_db.catalogueAvailable()) {
      EXPECT_TRUE(m_db.createCatalogue());
    }
    EXPECT_TRUE(m_db.selectCompetition(0, true));
    m_db.comp().setCompetitionName(name);
    m_db.comp().setDefaultRounds(defaultRounds);
    EXPECT_TRUE(m_db.storeCompetition(true));
    EXPECT_TRUE(m_db.createCompetitionFiles());
    return m_db.currentCompetition();
  }

  std::int32_t addClass(const std::string& name, int rounds = 2, int firstTeamNumber = 1) {
    m_db.resetClassBuffer();
    m_db.cls().setClassName(name);
    m_db.cls().setRounds(rounds);
    m_db.cls().setFirstTeamNumber(firstTeamNumber);
    m_db.setClassRecNo(0);
    EXPECT_TRUE(m_db.storeClass(true));
    return m_db.classRecNo();
  }

  std::int32_t addTeam(const std::string& name, std::int32_t classRecNo, int number = 0) {
    EXPECT_TRUE(m_db.readClass(classRecNo));
    m_db.resetTeamBuffer();
    m_db.team().setTeamName(name);
    m_db.team().setDivisionRecNo(classRecNo);
    if (number != 0) m_db.team().setNumberAndKey(number);
    m_db.setTeamRecNo(0);
    EXPECT_TRUE(m_db.storeTeam(true));
    return m_db.teamRecNo();
  }

  std::int32_t addPlayTime(const std::string& when) {
    m_db.resetPlayTimeBuffer();
    m_db.playTime().setPlayTime(when);
    m_db.setPlayTimeRecNo(0);
    EXPECT_TRUE(m_db.storePlayTime(true));
    return m_db.playTimeRecNo();
  }

  // Places a match on play time `pt` and enters it in both teams' match lists, as the
  // schedule import does; with scores, the result is entered as result entry does.
  void addMatch(std::int32_t pt, std::int32_t home, std::int32_t away, int homeScore = kNoResult,
                int awayScore = kNoResult) {
    ASSERT_TRUE(m_db.readPlayTime(pt));
    const int number = m_db.comp().lastMatchNumber() + 1;
    m_db.comp().setLastMatchNumber(number);
    PlayTimeRec& p = m_db.playTime();
    const int row = p.usedRows() + 1;
    ASSERT_LE(row, PlayTimeRec::kMaxRows);
    MatchEntry e;
    e.setMatchNumber(number);
    e.setHomeTeamRecNo(home);
    e.setAwayTeamRecNo(away);
    e.setHomeScore(homeScore);
    e.setAwayScore(awayScore);
    p.setMatch(row, e);
    p.setUsedRows(row);
    ASSERT_TRUE(m_db.rewritePlayTime(pt));
    addTeamEntry(home, away, pt, number, homeScore, awayScore);
    addTeamEntry(away, -home, pt, number, awayScore, homeScore);
    if (ScorePresent(homeScore) && ScorePresent(awayScore)) {
      ASSERT_TRUE(m_db.readTeam(home));
      ASSERT_TRUE(m_db.readClass(m_db.team().divisionRecNo()));
      ResultEntered(m_db.cls(), m_db.comp());
      ASSERT_TRUE(m_db.rewriteClass(m_db.classRecNo()));
    }
  }

  void addTeamEntry(std::int32_t team, std::int32_t opponent, std::int32_t pt, int number, int own,
                    int theirs) {
    ASSERT_TRUE(m_db.readTeam(team));
    TeamRec& t = m_db.team();
    const int m = t.teamMatchCount() + 1;
    TeamMatchEntry e;
    e.setMatchNumber(number);
    e.setOpponentRecNo(opponent);
    e.setPlayTimeRecNo(pt);
    e.setOwnScore(own);
    e.setOpponentScore(theirs);
    t.setMatch(m, e);
    t.setTeamMatchCount(m);
    ASSERT_TRUE(m_db.readClass(t.divisionRecNo()));
    m_db.computeTeamStatistics();
    ASSERT_TRUE(m_db.rewriteTeam(team));
  }

  const std::string m_dataSub;
  TempDir m_dir{CurrentTestName()};
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
  FakeClock m_clock{LocalTime(2026, 12, 8, 20, 0)};  // new play times: "2026-12-08 20:00"
  Database m_db;
};

}  // namespace liga::testing
