// The results report: for each chosen class the matches played, the standings table and
// the matches still to play, printed (one print job per class) or as one grid per class.
#pragma once

#include <cstdint>
#include <vector>

#include "reports/grid.h"
#include "reports/lists.h"
#include "reports/report_data.h"

namespace liga::reports {

// One row of the standings table, as printed.
struct StandingsRow {
  std::string teamName;  // as stored
  int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0;
  int points = 0;  // 0 for an unranked team
};
// The standings of one class: its teams in table order, and under the table the notes
// that say why teams on equal points stand as they do ("IFK Norrby före Åsbo IF: inbördes
// möte 4–1 p", code page 1252), when the class's tie order decided it.
struct StandingsTable {
  std::vector<StandingsRow> rows;
  std::vector<std::string> notes;
  bool empty() const { return rows.empty(); }
};
// The table of `classRecNo` (the selection writes places and the class leader back).
StandingsTable Standings(ReportContext& ctx, std::int32_t classRecNo);

enum class MatchMode { Played, NotPlayed };

// One match of a play time belonging to a class and a mode.
struct ResultMatch {
  int matchNumber = 0;
  std::string homeText, awayText;  // number text + " " + display name, or the error text
  bool played = false;
  int homeScore = 0, awayScore = 0;
};
// The matches of play time `pt` whose two teams exist, whose away team is in class
// `classRecNo`, and whose scores fit `mode` (played: both scores present; not played:
// both missing; a match with one score fits neither).
std::vector<ResultMatch> ClassMatches(TeamInfoCache& teams, const PlayTimeRec& pt,
                                      std::int32_t classRecNo, MatchMode mode);

void PrintResults(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes);
std::vector<GridModel> ViewResults(ReportContext& ctx, const RecNos& classes,
                                   const RecNos& playTimes);
// The title of the results view shown as one window or file: the title of the first class's
// grid with every class named ("LigaWin32: resultattabell: P12, P14: ...").
std::string ResultsViewTitle(const std::vector<GridModel>& grids);

}  // namespace liga::reports
