// The log list printer of the import and export commands: plain lines in a fixed-pitch
// bold font on the default printer, in a print job titled "logglista".
#pragma once

#include <string>
#include <vector>

#include "reports/report_writer.h"

namespace liga::reports {

// The left margin is the width of "WWWWWW", a line 6/5 of the height of "WW", and two
// lines stay free at the top and the bottom of each page; a full page goes on on the next
// one, which starts with ". forts...". False when no job could be opened.
bool PrintLogList(const std::vector<std::string>& lines, const ReportClock& clock = {});

// A register's listing: a print job titled `jobName`, one line per entry in the normal font
// of the report settings, with the writer's page breaks, headers and footers.
bool PrintRegisterList(const std::string& jobName, const std::vector<std::string>& lines,
                       const ReportSettings& settings, const ReportClock& clock = {});

}  // namespace liga::reports
