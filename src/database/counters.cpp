// The competition record's totals checked against the records they summarise.
#include "database/counters.h"

#include <map>

#include "database/database.h"

namespace liga {
namespace {

// Every record in use of `file`, read into a fresh `Rec`, handed to `visit`. False after a
// read failure (status set).
template <typename Rec, typename Visit>
bool forEachRecord(FileBlockPtr file, Visit visit) {
  for (std::int32_t n = 1; n < FileLen(file); ++n) {
    Rec rec;
    GetRec(file, n, rec.data());
    if (!IsamOK) return false;
    if (rec.status() == 0) visit(n, rec);
  }
  return true;
}

std::string mismatch(const std::string& what, int stored, int counted) {
  return what + " " + std::to_string(stored) + ", summan " + std::to_string(counted);
}

}  // namespace

std::vector<std::string> CounterProblems(Database& db) {
  std::vector<std::string> problems;
  CompetitionRec comp;
  if (!db.competitionOpen() || !db.readCompetitionRecord(db.currentCompetition(), comp)) {
    problems.push_back("tävlingen kan inte läsas");
    return problems;
  }
  std::map<std::int32_t, int> teamsIn, playedIn;
  std::map<std::int32_t, std::int32_t> classOfTeam;
  bool read = forEachRecord<TeamRec>(db.teamFile(), [&](std::int32_t n, const TeamRec& t) {
    classOfTeam[n] = t.divisionRecNo();
    ++teamsIn[t.divisionRecNo()];
  });
  read =
      read &&
      forEachRecord<PlayTimeRec>(db.playTimeFile(), [&](std::int32_t, const PlayTimeRec& pt) {
        for (int row = 1; row <= PlayTimeRec::kMaxRows; ++row) {
          const MatchEntry e = pt.match(row);
          if (e.homeTeamRecNo() > 0 && ScorePresent(e.homeScore()) && ScorePresent(e.awayScore()))
            ++playedIn[classOfTeam[e.homeTeamRecNo()]];
        }
      });
  int teams = 0, matches = 0, open = 0;
  read =
      read && forEachRecord<DivisionRec>(db.classFile(), [&](std::int32_t n, const DivisionRec& c) {
        teams += c.teamCount();
        matches += c.matchCount();
        open += c.openMatches();
        const std::string name = "klass " + std::to_string(n) + ":";
        if (c.teamCount() != teamsIn[n])
          problems.push_back(mismatch(name + " lag", c.teamCount(), teamsIn[n]));
        const int expectedOpen = c.matchCount() - playedIn[n];
        if (expectedOpen >= 0 && c.openMatches() != expectedOpen)
          problems.push_back(mismatch(name + " ospelade matcher", c.openMatches(), expectedOpen));
      });
  if (!read) {
    problems.push_back("filerna kan inte läsas");
    return problems;
  }
  if (comp.totalTeams() != teams)
    problems.push_back(mismatch("lag totalt", comp.totalTeams(), teams));
  if (comp.totalMatches() != matches)
    problems.push_back(mismatch("matcher totalt", comp.totalMatches(), matches));
  if (comp.totalOpenMatches() != open)
    problems.push_back(mismatch("ospelade matcher totalt", comp.totalOpenMatches(), open));
  return problems;
}

}  // namespace liga
