#include "scheduling/database_input.h"

#include "database/database.h"
#include "model/team_selection.h"

namespace liga::scheduling {

ScheduleInput ReadScheduleInput(Database& db, TeamSelection& selection) {
  ScheduleInput input;
  if (!db.competitionOpen()) return input;
  input.Organiser = db.comp().organiser();
  input.CompetitionName = db.comp().competitionName();
  input.TeamRecords = db.teamsInUse();

  for (std::int32_t recNo : db.classesInKeyOrder()) {
    if (!db.readClass(recNo)) continue;
    ClassInput c;
    c.RecNo = recNo;
    c.ClassName = db.cls().className();
    c.TeamCount = db.cls().teamCount();
    c.MatchCount = db.cls().matchCount();
    input.Classes.push_back(std::move(c));
  }

  for (ClassInput& c : input.Classes) {
    SelectionRequest request;
    request.classFilter = static_cast<std::int16_t>(c.RecNo);
    request.kind = kSortClassNumber;
    selection.invalidateRequest();
    selection.select(request);
    for (std::int32_t teamRecNo : selection.selected()) {
      if (!db.readTeam(teamRecNo)) continue;
      c.Teams.push_back({db.team().teamNumber(), db.team().teamNumberKey()});
    }
  }

  for (std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTime(recNo)) continue;
    input.PlayTimes.push_back({db.playTime().playTime(), db.playTime().gameLeader()});
  }
  return input;
}

}  // namespace liga::scheduling
