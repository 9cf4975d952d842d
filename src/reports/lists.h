// Team lists and schedules, printed and as grid views: the team list by class
// ("laglista"), the schedule of each chosen team ("lagspelpgm"), the league schedule by
// play time ("seriespelpgm") and the matches each team has still to play ("haltmatcher").
// The chosen classes, teams and play times are record numbers in pick order.
#pragma once

#include <cstdint>
#include <vector>

#include "common/grid.h"
#include "reports/report_data.h"

namespace liga::reports {

using RecNos = std::vector<std::int32_t>;

void PrintTeamList(ReportContext& ctx, const RecNos& classes);
void PrintTeamSchedules(ReportContext& ctx, const RecNos& teams);
// `allClasses`: every class was chosen (the schedule then shows every match).
void PrintLeagueSchedule(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes,
                         bool allClasses);
void PrintRemainingMatches(ReportContext& ctx, const RecNos& classes);

GridModel ViewTeamList(ReportContext& ctx, const RecNos& classes);
GridModel ViewTeamSchedules(ReportContext& ctx, const RecNos& teams);
GridModel ViewLeagueSchedule(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes);
GridModel ViewRemainingMatches(ReportContext& ctx, const RecNos& classes);

// One match of a team's schedule as that team sees it.
struct TeamMatchLine {
  int matchNumber = 0;
  bool home = false;
  std::string playTime, opponentKey, opponentName, gameLeader;
  bool played = false;
  int homeScore = 0, awayScore = 0;  // the home team's score first
};
// The entries of `team` whose opponent and play time can both be read, in stored order.
std::vector<TeamMatchLine> ScheduleLines(TeamInfoCache& teams, const TeamRec& team);

}  // namespace liga::reports
