#include "reports/grid_print.h"

#include <algorithm>

namespace liga::reports {

bool PrintGrid(const GridModel& grid, const ReportSettings& settings, const ReportClock& clock) {
  ReportWriter w(settings, clock);
  if (!w.openJob(grid.title())) return false;
  w.pushFont('B');
  w.keepTogether("", 1);
  w.line(grid.title());
  w.popFont();
  w.rule();
  w.pushFont('S');
  const int columns = std::min(grid.columnCount(), kMaxPrintedGridColumns);
  std::vector<double> widths(columns, 0);
  for (int c = 0; c < columns; ++c)
    for (int r = 0; r < grid.rowCount(); ++r)
      widths[c] = std::max(widths[c], w.textWidth(grid.cell(c, r)));
  const double left = w.columnX(0), right = w.columnRight();
  for (int r = 0; r < grid.rowCount() && !w.aborted(); ++r) {
    // The lines this row takes, so the row is kept together.
    int lines = 1;
    double x = left;
    for (int c = 0; c < columns; ++c) {
      if (x + widths[c] > right && x > left) {
        ++lines;
        x = left;
      }
      x += widths[c];
    }
    w.keepTogether(grid.title(), lines);
    x = left;
    for (int c = 0; c < columns; ++c) {
      if (x + widths[c] > right && x > left) {
        w.line();
        x = left;
      }
      w.moveTo(x, w.currentY());
      w.text(grid.cell(c, r));
      x += widths[c];
    }
    w.line();
    w.rule();
    if (r == 0) {
      w.keepTogether(grid.title(), 1);
      w.line();
      w.rule();
    }
  }
  w.popFont();
  w.finish();
  return true;
}

}  // namespace liga::reports
