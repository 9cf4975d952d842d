#include "scheduling/fairness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "common/encoding.h"
#include "scheduling/bounds.h"
#include "scheduling/placement.h"

namespace liga::scheduling {
namespace {

bool Digits(const std::string& s, std::size_t from, std::size_t n) {
  for (std::size_t i = from; i < from + n; ++i)
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2 ? 1 : 0;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool LeapYear(long y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The per-team walk over the class's matches in order.
struct TeamWalk {
  TeamFairness f;
  int lastSide = 0;               // +1 home, -1 away, 0 before the first match
  std::optional<long> lastDay;    // the day of the previous match, when it had one
  bool previousWasDated = false;  // the previous match had a date
  long restSum = 0;
};

void AddMatch(TeamWalk& w, int side, bool firstHalf, std::optional<long> day, bool placeholder,
              bool masked) {
  TeamFairness& f = w.f;
  (side > 0 ? f.home : f.away)++;
  if (firstHalf)
    (side > 0 ? f.homeFirst : f.awayFirst)++;
  else
    (side > 0 ? f.homeSecond : f.awaySecond)++;
  if (w.lastSide == side) ++f.breaks;
  w.lastSide = side;
  if (placeholder) ++f.placeholderMatches;
  if (masked) ++f.maskViolations;
  if (day && w.previousWasDated && w.lastDay) {
    const int rest = static_cast<int>(*day - *w.lastDay);
    ++f.restPairs;
    w.restSum += rest;
    if (!f.minRest || rest < *f.minRest) f.minRest = rest;
    if (rest == 1) ++f.consecutiveDays;
  }
  w.previousWasDated = day.has_value();
  w.lastDay = day;
}

std::string Fixed1(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string RestText(const std::optional<int>& days) {
  return days ? std::to_string(*days) : std::string("-");
}

// Class names are stored padded with blanks to their field width.
std::string ClassText(std::string name) {
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return Cp1252ToUtf8(name);
}

std::string Pad(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

}  // namespace

int TeamFairness::balance() const {
  return std::abs(home - away);
}
int TeamFairness::worstHalfBalance() const {
  return std::max(std::abs(homeFirst - awayFirst), std::abs(homeSecond - awaySecond));
}

int ClassFairness::totalBreaks() const {
  int n = 0;
  for (const TeamFairness& t : teams) n += t.breaks;
  return n;
}
int ClassFairness::worstBalance() const {
  int n = 0;
  for (const TeamFairness& t : teams) n = std::max(n, t.balance());
  return n;
}
int ClassFairness::worstHalfBalance() const {
  int n = 0;
  for (const TeamFairness& t : teams) n = std::max(n, t.worstHalfBalance());
  return n;
}
std::optional<int> ClassFairness::shortestRest() const {
  std::optional<int> r;
  for (const TeamFairness& t : teams)
    if (t.minRest && (!r || *t.minRest < *r)) r = t.minRest;
  return r;
}
int ClassFairness::consecutiveDays() const {
  int n = 0;
  for (const TeamFairness& t : teams) n += t.consecutiveDays;
  return n;
}

std::optional<long> PlayTimeDay(const std::string& p) {
  if (!Digits(p, 0, 4) || p.size() < 10 || p[4] != '-' || !Digits(p, 5, 2) || p[7] != '-' ||
      !Digits(p, 8, 2))
    return std::nullopt;
  const long y = std::stol(p.substr(0, 4)), m = std::stol(p.substr(5, 2)),
             d = std::stol(p.substr(8, 2));
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return std::nullopt;
  if (d > kDays[m - 1] + (m == 2 && LeapYear(y) ? 1 : 0)) return std::nullopt;
  return DaysFromCivil(y, m, d);
}

bool IsPlaceholderPlayTime(const std::string& p) {
  return p.find(kPlaceholderTime) != std::string::npos;
}

ClassFairness ComputeFairness(const FairnessClassInput& input, const Mask* mask) {
  ClassFairness c;
  c.className = input.className;
  c.matches = static_cast<int>(input.matches.size());
  const int firstHalf = (c.matches + 1) / 2;
  std::map<int, TeamWalk> walks;
  for (int i = 0; i < c.matches; ++i) {
    const FairnessMatch& m = input.matches[static_cast<std::size_t>(i)];
    const bool placeholder = IsPlaceholderPlayTime(m.playTime);
    const std::optional<long> day = placeholder ? std::nullopt : PlayTimeDay(m.playTime);
    const bool homeMasked = mask && mask->hits(m.home, m.playTime);
    const bool awayMasked = mask && mask->hits(m.away, m.playTime);
    if (placeholder) ++c.placeholderMatches;
    if (homeMasked || awayMasked) ++c.maskViolations;
    walks[m.home].f.team = m.home;
    walks[m.away].f.team = m.away;
    AddMatch(walks[m.home], +1, i < firstHalf, day, placeholder, homeMasked);
    AddMatch(walks[m.away], -1, i < firstHalf, day, placeholder, awayMasked);
  }
  for (auto& [team, w] : walks) {
    if (w.f.restPairs > 0) w.f.meanRest = static_cast<double>(w.restSum) / w.f.restPairs;
    c.teams.push_back(w.f);
  }
  c.breakFloor = BreakFloor(static_cast<int>(c.teams.size()), c.matches);
  return c;
}

std::string FairnessSummaryLine(const ClassFairness& c, bool maskKnown) {
  const std::optional<int> rest = c.shortestRest();
  std::string line =
      ClassText(c.className) + ": brott " + std::to_string(c.totalBreaks()) + " (" +
      (c.breaksBefore ? "före förbättring " + std::to_string(*c.breaksBefore) + ", " : "") +
      "golv " + (c.breakFloor ? std::to_string(*c.breakFloor) : std::string("-")) + ")" +
      ", värsta hemma/borta-skillnad " + std::to_string(c.worstBalance()) + " (per halva " +
      std::to_string(c.worstHalfBalance()) + "), kortaste vila " +
      (rest ? std::to_string(*rest) + (*rest == 1 ? " dag" : " dagar") : std::string("-")) +
      ", dag efter dag " + std::to_string(c.consecutiveDays()) + ", ändrtider " +
      std::to_string(c.placeholderMatches) + ", maskbrott ";
  line += maskKnown ? std::to_string(c.maskViolations) : std::string("ingen mask");
  return line;
}

std::vector<std::string> FairnessReportLines(const std::vector<ClassFairness>& classes,
                                             bool maskKnown) {
  std::vector<std::string> lines;
  for (const ClassFairness& c : classes) {
    lines.push_back("Klass " + ClassText(c.className) + ", " + std::to_string(c.matches) +
                    " matcher");
    lines.push_back(
        "   Lag Hemma Borta  H1/B1  H2/B2 Brott Minvila Medelvila Dag-efter-dag "
        "Ändrtid Mask");
    for (const TeamFairness& t : c.teams) {
      lines.push_back(Pad(std::to_string(t.team), 6) + Pad(std::to_string(t.home), 6) +
                      Pad(std::to_string(t.away), 6) +
                      Pad(std::to_string(t.homeFirst) + "/" + std::to_string(t.awayFirst), 7) +
                      Pad(std::to_string(t.homeSecond) + "/" + std::to_string(t.awaySecond), 7) +
                      Pad(std::to_string(t.breaks), 6) + Pad(RestText(t.minRest), 8) +
                      Pad(t.restPairs > 0 ? Fixed1(t.meanRest) : "-", 10) +
                      Pad(std::to_string(t.consecutiveDays), 14) +
                      Pad(std::to_string(t.placeholderMatches), 8) +
                      Pad(maskKnown ? std::to_string(t.maskViolations) : "-", 5));
    }
    if (maskKnown && c.maskViolations == 0)
      lines.push_back("Maskbrott: 0 (ingen match på en spärrad speltid)");
    else if (!maskKnown)
      lines.push_back("Maskbrott: ej kontrollerade (ingen mask)");
    else
      lines.push_back("Maskbrott: " + std::to_string(c.maskViolations) + " matcher");
    lines.push_back("Summering " + FairnessSummaryLine(c, maskKnown));
    lines.push_back("");
  }
  return lines;
}

std::vector<std::string> CompetitionReportLines(const CompetitionFigures& f) {
  std::string line = "Tävlingen: ändrtider " + std::to_string(f.placeholderMatches);
  if (f.placeholdersBefore)
    line += " (före förbättring " + std::to_string(*f.placeholdersBefore) + ")";
  line += ", undre gräns från kapaciteten " +
          (f.capacityBound ? std::to_string(*f.capacityBound) : std::string("-"));
  return {line,
          "Golv för brott: det minsta antalet ett schema i omgångar kan ha (varje lag en match "
          "per omgång): n - 2 för ett jämnt antal lag n, hur många gånger lagen än möts, "
          "eftersom bara två lag kan växla hemma och borta utan brott; 0 för ett udda antal, "
          "där vilan tar upp brottet. Ett schema vars matcher inte följer omgångarna kan "
          "komma under golvet.",
          "Undre gräns från kapaciteten: matcher som inget schema kan lägga på riktiga "
          "speltider, räknat per period (platser och lag som får spela) och per lag (matcher "
          "mot perioder laget får spela).",
          ""};
}

}  // namespace liga::scheduling
