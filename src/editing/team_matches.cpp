#include "editing/team_matches.h"

#include "editing/editor_result.h"
#include "editing/select.h"

namespace liga {

MatchEntry WindowScores(MatchEntry slot) {
  if (slot.homeScore() >= kUnranked) slot.setHomeScore(-1);
  if (slot.awayScore() >= kUnranked) slot.setAwayScore(-1);
  return slot;
}

void StoreScores(PlayTimeRec& pt) {
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) pt.setMatch(s, StoredScores(pt.match(s)));
}

void ShowScores(PlayTimeRec& pt) {
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) pt.setMatch(s, WindowScores(pt.match(s)));
}

std::string TeamSideText(Database& db, std::int32_t recNo, std::size_t width) {
  return FitText(recNo > 0 ? TeamDisplayText(db, recNo) : std::string(), width);
}

}  // namespace liga
