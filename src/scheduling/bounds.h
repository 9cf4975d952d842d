// Lower bounds beside the fairness figures: the fewest breaks any schedule of a class can
// have, and the fewest matches that cannot find a real play time.
//
// Break floor of a class of n teams that plays complete round robins (every pair meets
// the same number of times R >= 1), for schedules played in rounds (each team at most one
// match per round, the pairing tables' structure):
//  - n even: n - 2. Every team plays in every round, so a team's k-th match is in round k
//    for every team. A team without a break alternates home and away, and there are only
//    two alternating patterns (starting at home or away). Two teams with the same pattern
//    are both at home or both away in every round, so they could never meet: at most two
//    teams have no break, and each of the other n - 2 has at least one. The bound does not
//    depend on R, and it is reached for a single round robin (de Werra 1981).
//  - n odd: 0. One team rests in every round; a break that would fall beside the rest
//    disappears, and the circle schedule with alternating sides has no break at all.
// A class whose matches are not complete round robins has no floor (nullopt).
//
// Capacity bound of a competition: matches that no schedule can put on a real play time.
// With P the real play times grouped into periods (a date with one match per day and
// team, else one play time), M matches per play time and the mask:
//  - per period d: at most min(M x play times of d, sum over classes of floor(teams of the
//    class free in d / 2)) matches, a team being free in d when the mask leaves it at least
//    one play time of d; the bound is G minus the sum of these;
//  - per team t with m(t) matches and f(t) free periods: e(t) = max(0, m(t) - f(t)) of its
//    matches must go elsewhere; each such match serves at most two teams, so at least
//    max(max e(t), ceil(sum e(t) / 2));
// the larger of the two, and never below 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scheduling/mask.h"

namespace liga::scheduling {

std::optional<int> BreakFloor(int teams, int matches);

struct CapacityInput {
  std::vector<std::string> playTimes;  // the real play times in key order
  int perPlayTime = 1;                 // M
  bool oneMatchPerDay = true;
  std::vector<std::vector<int>> classes;     // team numbers of each class
  std::vector<std::pair<int, int>> matches;  // (home, away) of every match of the schedule
  const Mask* mask = nullptr;
};

int CapacityLowerBound(const CapacityInput& input);

}  // namespace liga::scheduling
