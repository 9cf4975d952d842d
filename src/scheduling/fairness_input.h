// Where the fairness figures get their matches: the open competition's play times, or a
// schedule file ("SPELDAG.LOT") before it is imported. Both only read.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scheduling/fairness.h"
#include "scheduling/mask.h"

namespace liga {
class Database;
}

namespace liga::scheduling {

struct FairnessInput {
  std::vector<FairnessClassInput> classes;  // in class key order
  // The mask a schedule file logged (its "; lagens ej spelbara speltillfällen" lines);
  // nullopt when the file names none.
  std::optional<Mask> loggedMask;
  int matchesWithoutClass = 0;  // matches whose home team is in no class of the competition

  // For the capacity bound: the real play times in key order, the matches a play time
  // takes (the file's "; Antal spel/tid"; for a competition the most any play time holds;
  // 0 when unknown) and the period rule (the file's log line; for a competition, on when
  // no team plays twice on one date).
  std::vector<std::string> realPlayTimes;
  int perPlayTime = 0;
  std::optional<bool> oneMatchPerDay;
  // What an improved run's file logs about the schedule before the pass.
  std::optional<int> placeholdersBefore;
  std::map<std::string, int> breaksBefore;  // class name without trailing blanks -> breaks
};

// The figures of every class with matches and of the competition.
struct FairnessReport {
  std::vector<ClassFairness> classes;
  CompetitionFigures competition;
};
FairnessReport BuildFairnessReport(const FairnessInput& input, const Mask* mask);

// Every class of the open competition with its matches in play-time key order.
FairnessInput ReadFairnessFromDatabase(Database& db);

// The matches of a schedule file's text. Schedule files name teams by number only, so the
// classes come from the open competition (a team number names one team there); matches of
// team numbers the competition does not know are collected in a class of their own named
// kNoClassName. `db` may have no competition open: then every match lands there.
FairnessInput ReadFairnessFromScheduleText(const std::string& text, Database& db);

// "(utan klass)" in code page 1252.
inline constexpr const char* kNoClassName = "(utan klass)";

}  // namespace liga::scheduling
