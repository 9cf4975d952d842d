#include "reports/log_print.h"

namespace liga::reports {

bool PrintLogList(const std::vector<std::string>& lines, const ReportClock& clock) {
  ReportSettings settings;
  settings.marginLeft = settings.marginTop = settings.marginRight = settings.marginBottom = 0;
  settings.normal = {"Courier New", 10, true, false, 0};
  ReportWriter w(settings, clock);
  w.setPlain(true);
  if (!w.openJob("logglista")) return false;
  w.pushFont('N');
  const double left = w.textWidth("WWWWWW");
  const double step = w.lineHeight() * 6 / 5;
  const double top = 2 * step;
  const double bottom = w.pageHeight() - 2 * step;
  double y = top;
  for (const std::string& l : lines) {
    if (w.aborted()) break;
    if (y + step > bottom) {
      w.newPage();
      y = top;
      w.moveTo(left, y);
      w.text(". forts...");
      y += step;
    }
    w.moveTo(left, y);
    w.text(l);
    y += step;
  }
  w.popFont();
  w.finish();
  return true;
}

bool PrintRegisterList(const std::string& jobName, const std::vector<std::string>& lines,
                       const ReportSettings& settings, const ReportClock& clock) {
  ReportWriter w(settings, clock);
  if (!w.openJob(jobName)) return false;
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n && !w.aborted(); ++i) {
    w.progress(i + 1, n);
    w.line(lines[i]);
  }
  w.finish();
  return true;
}

}  // namespace liga::reports
