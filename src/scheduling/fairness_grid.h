// The fairness report as grids of the report window ("visningar" -> "rättvisa"): one grid
// per class with a heading row, one row per team and the class's summary line, so the
// window's print and its HTML, XML and PDF exports carry it like any other view.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "scheduling/fairness.h"

namespace liga {
class Database;
}

namespace liga::scheduling {

// `title` is code page 1252 text.
std::vector<GridModel> FairnessGrids(const std::vector<ClassFairness>& classes, bool maskKnown,
                                     const std::string& title);

// The figures of every class of the open competition that has matches; an empty vector
// when it has none. No mask is known for a competition, so mask figures say so.
std::vector<ClassFairness> CompetitionFairness(Database& db);

// The grids of the open competition's schedule, titled with the competition's name.
std::vector<GridModel> CompetitionFairnessGrids(Database& db);

// The summary line of every class of the schedule file at `path` (code page 1252), checked
// against the mask the file logged; empty when the file cannot be read or holds no matches.
// The classes come from the open competition, as for `ReadFairnessFromScheduleText`.
std::vector<std::string> ScheduleFileSummaryLines(const std::string& path, Database& db);

}  // namespace liga::scheduling
