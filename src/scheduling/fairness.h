// The fairness figures of a schedule: how evenly home and away matches, breaks and rest
// fall on the teams of each class.
//
// Works on a plain list of matches in play-time order, so the same figures come from the
// open competition and from a schedule file that has not been imported yet. Texts are code
// page 1252 bytes as stored.
//
// Definitions the figures guarantee:
//  - a class's matches are taken in the order given (play-time key order); its first half
//    is its first ceil(M/2) matches, the second half the rest; a team's balance in a part
//    is |home - away| over its matches in that part;
//  - a break is two consecutive matches of a team (in that order) both at home or both
//    away;
//  - rest is the number of calendar days between two consecutive matches of a team that
//    both have a date ("yyyy-mm-dd" at the start of the play time); a pair with a
//    placeholder play time between or at either end is not a rest pair;
//  - a mask violation is a match whose play time a mask line of one of its teams hits.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scheduling/mask.h"

namespace liga::scheduling {

struct FairnessMatch {
  std::string playTime;  // the play time text ("yyyy-mm-dd hh:mm" or a placeholder)
  int home = 0;          // team numbers
  int away = 0;
};

struct FairnessClassInput {
  std::string className;
  std::vector<FairnessMatch> matches;  // in play-time order
};

struct TeamFairness {
  int team = 0;
  int home = 0, away = 0;
  int homeFirst = 0, awayFirst = 0;    // in the class's first half
  int homeSecond = 0, awaySecond = 0;  // in the second half
  int breaks = 0;
  int restPairs = 0;           // consecutive dated matches
  std::optional<int> minRest;  // days; nullopt without a rest pair
  double meanRest = 0;         // days; 0 without a rest pair
  int consecutiveDays = 0;     // rest pairs one day apart
  int placeholderMatches = 0;
  int maskViolations = 0;
  int balance() const;  // |home - away|
  int worstHalfBalance() const;
};

struct ClassFairness {
  std::string className;
  int matches = 0;
  int placeholderMatches = 0;
  int maskViolations = 0;           // matches hit by a mask line of either team
  std::vector<TeamFairness> teams;  // ascending team number
  std::optional<int> breakFloor;    // BreakFloor (bounds.h) of its teams and matches
  std::optional<int> breaksBefore;  // before the improvement pass, when the file logs it
  int totalBreaks() const;
  int worstBalance() const;      // the largest balance of a team over all its matches
  int worstHalfBalance() const;  // the largest balance of a team in either half
  std::optional<int> shortestRest() const;
  int consecutiveDays() const;
};

// The calendar day number of a play time that starts with a valid "yyyy-mm-dd"; nullopt
// for placeholders and any other text.
std::optional<long> PlayTimeDay(const std::string& playTime);
// True when the play time is a placeholder ("Ändrtid" anywhere in it).
bool IsPlaceholderPlayTime(const std::string& playTime);

// The competition's figures beside the classes': its placeholder matches (before the
// improvement pass too, when known) and the capacity lower bound (bounds.h).
struct CompetitionFigures {
  int placeholderMatches = 0;
  std::optional<int> placeholdersBefore;
  std::optional<int> capacityBound;  // nullopt when the matches per play time are unknown
};

// `mask` is null when no mask is known; the mask figures are then 0 and the report says
// that nothing was checked.
ClassFairness ComputeFairness(const FairnessClassInput& input, const Mask* mask);

// The report as UTF-8 text lines: per class a table of its teams followed by the summary
// line; `maskKnown` decides whether the mask line says "0" or "ingen mask".
std::vector<std::string> FairnessReportLines(const std::vector<ClassFairness>& classes,
                                             bool maskKnown);
// The competition's lines after the classes (UTF-8): its placeholders and the bound, and
// how the floors and the bound are derived.
std::vector<std::string> CompetitionReportLines(const CompetitionFigures& figures);
// The summary line of one class (UTF-8), e.g.
// "Herr A: brott 12 (golv 6), värsta hemma/borta-skillnad 1 (per halva 2), kortaste vila 6 dagar,
// ..."
std::string FairnessSummaryLine(const ClassFairness& c, bool maskKnown);

}  // namespace liga::scheduling
