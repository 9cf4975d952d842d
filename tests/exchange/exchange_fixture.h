// A data directory with a catalogue, and helpers to import text and read the competition
// back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/progress.h"
#include "common/recording_ui.h"
#include "database/database.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "storage/check.h"
#include "storage/isam.h"
#include "support/db_fixture.h"
#include "support/file_io.h"

namespace liga::exchange::testing {

namespace fs = std::filesystem;

// One match as both teams and the play time see it.
struct MatchView {
  std::string playTime;
  std::string home;
  std::string away;
  int homeScore;
  int awayScore;
  bool operator<(const MatchView& o) const {
    return std::tie(playTime, home, away) < std::tie(o.playTime, o.home, o.away);
  }
  bool operator==(const MatchView& o) const {
    return std::tie(playTime, home, away, homeScore, awayScore) ==
           std::tie(o.playTime, o.home, o.away, o.homeScore, o.awayScore);
  }
};

// The data directory is data/ in the temporary folder; the files to import are written
// beside it.
class ExchangeTest : public liga::testing::DbFixture {
 protected:
  // New play times start at "2027-01-01 12:00".
  ExchangeTest() : DbFixture(LocalTime(2027, 1, 1, 12, 0), "data") {}

  static void SetUpTestSuite() {
    if (!IsamInitialised()) InitIsam({}, 200);
  }

  void SetUp() override {
    DbFixture::SetUp();
    ASSERT_TRUE(m_db.createCatalogue());
  }

  void TearDown() override {
    m_db2.closeAll();
    DbFixture::TearDown();
  }

  // A second database on `data` with its own catalogue.
  void openDataDir(Database& d, const fs::path& data) {
    liga::testing::OpenDatabase(d, data, m_clock);
    ASSERT_TRUE(d.createCatalogue());
  }

  // Writes `utf8Lines` as a code page 1252 file with CR LF and returns its path.
  std::string writeFile(const std::string& name, const std::vector<std::string>& utf8Lines) {
    const fs::path p = m_dir / name;
    std::string bytes;
    for (const auto& l : utf8Lines) bytes += Utf8ToCp1252(l) + "\r\n";
    EXPECT_TRUE(liga::testing::WriteFile(p, bytes)) << p;
    return p.string();
  }

  std::vector<std::string> importFiles(Database& d, const std::vector<std::string>& files) {
    Importer importer(d, "");
    importer.importFiles(files);
    return importer.log();
  }
  std::vector<std::string> import(const std::vector<std::string>& utf8Lines) {
    return importFiles(m_db,
                       {writeFile("in" + std::to_string(++m_fileCounter) + ".txt", utf8Lines)});
  }

  static bool logHas(const std::vector<std::string>& log, const std::string& utf8) {
    const std::string w = Utf8ToCp1252(utf8);
    for (const auto& l : log) {
      if (l.find(w) != std::string::npos) return true;
    }
    return false;
  }

  // Class names in key order.
  std::vector<std::string> classes(Database& d) {
    std::vector<std::string> out;
    for (std::int32_t n : d.classesInKeyOrder()) {
      if (d.readClass(n)) out.push_back(d.cls().className());
    }
    return out;
  }

  // Every team in use by record number.
  std::map<std::int32_t, TeamRec> teams(Database& d) {
    std::map<std::int32_t, TeamRec> out;
    for (std::int32_t n = 1; n < FileLen(d.teamFile()); ++n) {
      if (d.readTeam(n)) out.emplace(n, d.team());
    }
    return out;
  }

  TeamRec teamByNumber(Database& d, int number) {
    for (auto& [n, t] : teams(d)) {
      if (t.teamNumber() == number) return t;
    }
    ADD_FAILURE() << "no team " << number;
    return TeamRec();
  }

  // Every play time in key order.
  std::vector<PlayTimeRec> playTimes(Database& d) {
    std::vector<PlayTimeRec> out;
    for (std::int32_t n : d.playTimesInKeyOrder()) {
      if (d.readPlayTime(n)) out.push_back(d.playTime());
    }
    return out;
  }

  // All matches named by play time and team names, checked for agreement between the play
  // time rows and both teams' match lists.
  std::vector<MatchView> matches(Database& d) {
    auto all = teams(d);
    std::vector<MatchView> out;
    std::map<std::int32_t, std::string> playTimeText;
    for (std::int32_t n = 1; n < FileLen(d.playTimeFile()); ++n) {
      if (!d.readPlayTime(n)) continue;
      const PlayTimeRec p = d.playTime();
      playTimeText[n] = p.playTime();
      for (int row = 1; row <= p.usedRows(); ++row) {
        const MatchEntry e = p.match(row);
        if (e.homeTeamRecNo() <= 0) continue;
        const TeamRec& home = all.at(e.homeTeamRecNo());
        const TeamRec& away = all.at(e.awayTeamRecNo());
        out.push_back(
            {p.playTime(), home.teamName(), away.teamName(), e.homeScore(), e.awayScore()});
        // Both teams list the match with the same number, play time and scores.
        auto entryOf = [&](const TeamRec& t) {
          for (int m = 1; m <= t.teamMatchCount(); ++m) {
            if (t.match(m).matchNumber() == e.matchNumber()) return t.match(m);
          }
          ADD_FAILURE() << "match " << e.matchNumber() << " missing in " << t.teamName();
          return TeamMatchEntry();
        };
        const TeamMatchEntry h = entryOf(home);
        const TeamMatchEntry a = entryOf(away);
        EXPECT_EQ(h.opponentRecNo(), e.awayTeamRecNo());
        EXPECT_EQ(a.opponentRecNo(), -e.homeTeamRecNo());
        EXPECT_EQ(h.playTimeRecNo(), n);
        EXPECT_EQ(a.playTimeRecNo(), n);
        EXPECT_EQ(h.ownScore(), e.homeScore());
        EXPECT_EQ(h.opponentScore(), e.awayScore());
        EXPECT_EQ(a.ownScore(), e.awayScore());
        EXPECT_EQ(a.opponentScore(), e.homeScore());
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  static std::vector<std::string> readLines(const std::string& path) {
    const std::string all = liga::testing::ReadFile(path);
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < all.size()) {
      const std::size_t end = all.find("\r\n", start);
      if (end == std::string::npos) {
        out.push_back(Cp1252ToUtf8(all.substr(start)));
        break;
      }
      out.push_back(Cp1252ToUtf8(all.substr(start, end - start)));
      start = end + 2;
    }
    return out;
  }

  Database m_db2;
  int m_fileCounter = 0;
};

}  // namespace liga::exchange::testing
