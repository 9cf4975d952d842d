#include "model/standings.h"

#include <memory>

#include "common/text.h"
#include "model/team_selection.h"

namespace liga::model {

TableScore ScoreOf(const TeamRec& team) {
  if (team.tablePoints() >= kUnranked) return {};
  return {true, team.tablePoints(), team.goalsFor() - team.goalsAgainst()};
}

bool Ahead(const TableScore& a, const TableScore& b) {
  if (a.ranked != b.ranked) return a.ranked;
  if (a.points != b.points) return a.points > b.points;
  return a.goalDifference > b.goalDifference;
}

std::string TableScoreKey(const TableScore& score) {
  if (!score.ranked) return "1" + std::string(11, '0');
  // Points are 16-bit and below 9999, a goal difference lies within +-65535: both biased
  // to non-negative numbers that fall as the score rises, in fixed widths.
  return "0" + FormatInt(kUnranked - 1 - score.points, 5, '0') +
         FormatInt(65535 - score.goalDifference, 6, '0');
}

std::vector<ClassTable> Standings(Database& db, TeamSelection& selection,
                                  std::int32_t classFilter) {
  SelectionRequest request;
  request.classFilter = static_cast<std::int16_t>(classFilter);
  request.kind = kSortStandings;
  selection.invalidateRequest();
  selection.select(request);
  std::vector<ClassTable> tables;
  auto team = std::make_unique<TeamRec>();
  for (const std::int32_t recNo : selection.selected()) {
    if (!db.readTeamRecord(recNo, *team)) continue;
    if (tables.empty() || tables.back().classRecNo != team->divisionRecNo()) {
      ClassTable t;
      t.classRecNo = team->divisionRecNo();
      if (DivisionRec cls; db.readClassRecord(t.classRecNo, cls)) t.className = cls.className();
      tables.push_back(std::move(t));
    }
    const bool ranked = team->tablePoints() < kUnranked;
    tables.back().rows.push_back({recNo, team->place(), team->teamNumber(), team->teamName(),
                                  team->played(), team->wonCount(), team->drawnCount(),
                                  team->lostCount(), team->goalsFor(), team->goalsAgainst(),
                                  ranked ? team->tablePoints() : 0});
  }
  for (const TieNote& n : selection.tieNotes()) {
    if (!db.readTeamRecord(n.ahead, *team)) continue;
    for (ClassTable& t : tables)
      if (t.classRecNo == team->divisionRecNo()) t.notes.push_back(n);
  }
  return tables;
}

}  // namespace liga::model
