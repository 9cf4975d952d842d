#include "model/match_totals.h"

#include "common/text.h"

namespace liga::model {

std::string MatchTotalsLine(int matches, int played, TotalsSpacing spacing) {
  const char* beforeRemaining = spacing == TotalsSpacing::SchedulePage ? "  kvar:" : " kvar:";
  return "Antal matcher:" + FormatInt(matches, 3) + " spelade:" + FormatInt(played, 3) +
         beforeRemaining + FormatInt(matches - played, 3);
}

}  // namespace liga::model
