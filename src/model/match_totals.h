// The totals line that ends a team's match list: how many matches the team has, how many
// of them are played and how many remain.
#pragma once

#include <string>

namespace liga::model {

enum class TotalsSpacing {
  Report,        // printed reports and grid views: one blank before "kvar:"
  SchedulePage,  // the team's schedule page (mail): two blanks before "kvar:"
};

// "Antal matcher:" + matches (3) + " spelade:" + played (3) + " kvar:" (two blanks before
// it on a schedule page) + matches - played (3); numbers right-aligned with blanks.
std::string MatchTotalsLine(int matches, int played, TotalsSpacing spacing);

}  // namespace liga::model
