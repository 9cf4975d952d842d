// Printing the grid window ("skriv"): the title, then every row with its cells side by
// side, each column as wide as its widest cell in the small font.
#pragma once

#include "common/grid.h"
#include "reports/report_writer.h"

namespace liga::reports {

inline constexpr int kMaxPrintedGridColumns = 1025;

// One print job named after the grid's title. A row whose next cell would pass the usable
// width continues on a new line. Returns false when the job could not be opened.
bool PrintGrid(const GridModel& grid, const ReportSettings& settings,
               const ReportClock& clock = {});

}  // namespace liga::reports
