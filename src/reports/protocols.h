// Match protocols: the paper form of one match, one print job per match of each chosen
// play time, in three layouts.
#pragma once

#include "reports/lists.h"

namespace liga::reports {

enum class ProtocolLayout {
  Individual,  // "individuellt": 5 numbered sections of 7 rows
  Team,        // "lag": 1 section of 32 rows
  Badminton,   // "vized badminton": 4 sections of 8 rows (" Dubbel", " Singel", " Singel", -)
};

// The four column positions (in average characters) of a layout on a line of `w` characters.
struct ProtocolColumns {
  int c1, c2, c3, c4;
};
ProtocolColumns ProtocolColumnsFor(ProtocolLayout layout, int w);

void PrintProtocols(ReportContext& ctx, ProtocolLayout layout, const RecNos& playTimes);

}  // namespace liga::reports
