// The standings of one class under a chosen tie order: the order of the teams, their
// places, and the notes that say why two teams on equal points stand as they do.
//
// Plain values in, plain values out: the caller reads the teams and the played matches
// between them, so the order is tested without a database.
//
// How a group of teams is ordered, rule by rule:
//  * a value rule (points, goal difference, goals scored, wins, away goals) sorts the
//    group by its value, highest first, and splits it where the value changes; each part
//    goes on to the next rule;
//  * head-to-head builds a table of the group's matches with each other only (the class's
//    points for a win and a draw, then goal difference, then goals scored); where it
//    splits the group, each smaller part that is still tied is compared again by its own
//    matches; a part it cannot split goes on to the next rule;
//  * "lottning" orders a group by a draw seeded with the class, so the same table comes
//    out every time; "lagnummer" by team number, lowest first;
//  * teams still tied after the last rule keep their given order and share a place.
// Unranked teams (points 9999 or more) come last with place 999, in their given order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/tie_order.h"

namespace liga {

struct StandingTeam {
  std::int32_t recNo = 0;
  int teamNumber = 0;
  int points = 0;  // 9999 or more: unranked
  int goalsFor = 0;
  int goalsAgainst = 0;
  int wins = 0;
  int awayGoals = 0;
};

// A played match between two teams of the class.
struct MutualMatch {
  std::int32_t home = 0;
  std::int32_t away = 0;
  int homeScore = 0;
  int awayScore = 0;
};

// Why `ahead` stands before `behind` (neighbours in the table, equal on points), when a
// rule after goal difference decided it. `reason` is UTF-8, e.g. "inbördes möte 4–1 p".
struct TieNote {
  std::int32_t ahead = 0;
  std::int32_t behind = 0;
  std::string reason;
};

struct RankedStandings {
  std::vector<std::int32_t> order;  // team record numbers
  std::vector<int> places;          // per position of `order`
  std::vector<TieNote> notes;
};

struct StandingsInput {
  std::vector<StandingTeam> teams;  // in the order a full tie keeps
  std::vector<MutualMatch> matches;
  TieOrder order;
  int winPoints = 2;
  int drawPoints = 1;
  std::string drawSeed;  // seeds "lottning"; the class's name
};

RankedStandings RankStandings(const StandingsInput& input);

// "IFK Norrby före Åsbo IF: inbördes möte 4–1 p" from the two display names (UTF-8).
std::string TieNoteLine(std::string_view ahead, std::string_view behind, const TieNote& note);

}  // namespace liga
