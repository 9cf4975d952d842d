#include "scheduling/bounds.h"

#include <algorithm>
#include <map>

#include "scheduling/placement.h"

namespace liga::scheduling {

std::optional<int> BreakFloor(int teams, int matches) {
  if (teams < 2) return std::nullopt;
  const int perRound = teams * (teams - 1) / 2;
  if (matches <= 0 || matches % perRound != 0) return std::nullopt;
  return teams % 2 == 0 ? teams - 2 : 0;
}

namespace {

// The play times grouped into periods: consecutive play times with equal period keys.
std::vector<std::vector<std::string>> Periods(const CapacityInput& in) {
  std::vector<std::vector<std::string>> periods;
  std::string previous;
  for (const std::string& p : in.playTimes) {
    const std::string key = PeriodKey(p, in.oneMatchPerDay);
    if (periods.empty() || key != previous) periods.emplace_back();
    periods.back().push_back(p);
    previous = key;
  }
  return periods;
}

bool FreeIn(const CapacityInput& in, int team, const std::vector<std::string>& period) {
  if (!in.mask) return true;
  return std::any_of(period.begin(), period.end(),
                     [&](const std::string& p) { return !in.mask->hits(team, p); });
}

bool InAnyClass(const CapacityInput& in, int team) {
  return std::any_of(in.classes.begin(), in.classes.end(), [&](const std::vector<int>& c) {
    return std::find(c.begin(), c.end(), team) != c.end();
  });
}

}  // namespace

int CapacityLowerBound(const CapacityInput& in) {
  const int matchTotal = static_cast<int>(in.matches.size());
  std::map<int, int> matchesOf;
  for (const auto& [home, away] : in.matches) {
    ++matchesOf[home];
    ++matchesOf[away];
  }
  std::map<int, int> freePeriods;
  long capacity = 0;
  for (const std::vector<std::string>& period : Periods(in)) {
    long pairs = 0;
    for (const std::vector<int>& klass : in.classes) {
      int free = 0;
      for (int team : klass) {
        if (!FreeIn(in, team, period)) continue;
        ++free;
        ++freePeriods[team];
      }
      pairs += free / 2;
    }
    capacity += std::min<long>(static_cast<long>(in.perPlayTime) * period.size(), pairs);
  }
  int byCount = static_cast<int>(std::max<long>(0, matchTotal - capacity));
  int worst = 0, sum = 0;
  for (const auto& [team, m] : matchesOf) {
    // A team of no listed class is not bounded by the periods.
    if (!freePeriods.count(team) && !InAnyClass(in, team)) continue;
    const int excess = std::max(0, m - freePeriods[team]);
    worst = std::max(worst, excess);
    sum += excess;
  }
  return std::max({0, byCount, worst, (sum + 1) / 2});
}

}  // namespace liga::scheduling
