// The demo competition made into a season for the mail tests and the benchmark: every
// contact row with a name gets an e-mail address, and every class a single round robin,
// placed on the demo's play times in order (at most 16 matches a play time).
#pragma once

#include <string>
#include <vector>

#include "database/database.h"
#include "exchange/demo.h"

namespace liga::testing {

// The address given to contact row `row` of team number `number`.
inline std::string DemoAddress(int number, int row) {
  return "lag" + std::to_string(number) + "-rad" + std::to_string(row) + "@example.se";
}

struct DemoSeason {
  int contactsWithAddress = 0;
  int teamsWithAddress = 0;
  int matches = 0;
};

// Creates the demo competition in `db`'s data directory (which must hold no catalogue)
// and fills it; false when a step failed.
inline bool MakeDemoSeason(Database& db, DemoSeason& season) {
  if (!exchange::CreateDemoCompetition(db, "")) return false;
  std::vector<std::int32_t> teams;
  std::string key;
  std::int32_t recNo = 0;
  db.browseTeam(BrowseMode::Clear, key, recNo);
  while (true) {
    const BrowseResult r = db.browseTeam(BrowseMode::Next, key, recNo);
    if (!r.found || r.atEnd) break;
    teams.push_back(db.teamRecNo());
  }
  for (std::int32_t t : teams) {
    if (!db.readTeam(t)) return false;
    bool any = false;
    for (int row = 0; row < TeamRec::kContactRows; ++row) {
      ContactRow c = db.team().contactRow(row);
      if (c.name().empty()) continue;
      c.setEmail(DemoAddress(db.team().teamNumber(), row));
      db.team().setContactRow(row, c);
      ++season.contactsWithAddress;
      any = true;
    }
    season.teamsWithAddress += any;
    if (!db.rewriteTeam(t)) return false;
  }
  // Round robin per class.
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  for (std::size_t i = 0; i < teams.size(); ++i) {
    for (std::size_t j = i + 1; j < teams.size(); ++j) {
      if (!db.readTeam(teams[i])) return false;
      const std::int32_t ci = db.team().divisionRecNo();
      if (!db.readTeam(teams[j])) return false;
      if (db.team().divisionRecNo() == ci) pairs.emplace_back(teams[i], teams[j]);
    }
  }
  const std::vector<std::int32_t> times = db.playTimesInKeyOrder();
  if (times.empty()) return false;
  std::size_t slot = 0;
  for (const auto& [home, away] : pairs) {
    const std::int32_t pt = times[slot % times.size()];
    ++slot;
    if (!db.readPlayTime(pt)) return false;
    const int row = db.playTime().usedRows() + 1;
    if (row > PlayTimeRec::kMaxRows) return false;
    const int number = db.comp().lastMatchNumber() + 1;
    db.comp().setLastMatchNumber(number);
    MatchEntry e;
    e.setMatchNumber(number);
    e.setHomeTeamRecNo(home);
    e.setAwayTeamRecNo(away);
    e.setHomeScore(kNoResult);
    e.setAwayScore(kNoResult);
    db.playTime().setMatch(row, e);
    db.playTime().setUsedRows(row);
    if (!db.rewritePlayTime(pt)) return false;
    for (int side = 0; side < 2; ++side) {
      const std::int32_t team = side == 0 ? home : away;
      if (!db.readTeam(team)) return false;
      const int m = db.team().teamMatchCount() + 1;
      TeamMatchEntry te;
      te.setMatchNumber(number);
      te.setOpponentRecNo(side == 0 ? away : -home);
      te.setPlayTimeRecNo(pt);
      te.setOwnScore(kNoResult);
      te.setOpponentScore(kNoResult);
      db.team().setMatch(m, te);
      db.team().setTeamMatchCount(m);
      if (!db.rewriteTeam(team)) return false;
    }
    ++season.matches;
  }
  db.setTeamIndexStale(true);
  return true;
}

}  // namespace liga::testing
