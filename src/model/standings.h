// The standings of the open competition: one ordering rule and one query.
//
// The rule (for every class without a tie order of its own, and the first two rules of
// every tie order): ranked teams (TablePoints below 9999) before unranked ones; more
// points first; then the larger goal difference. Teams equal under it share a place and
// the next place skips (1, 2, 2, 4); unranked teams have place 999. The team selection's
// sort key and its places both come from TableScore, so the order and the places can
// never disagree.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"
#include "model/standings_order.h"

namespace liga {
class TeamSelection;
}

namespace liga::model {

struct TableScore {
  bool ranked = false;
  int points = 0;          // 0 when unranked
  int goalDifference = 0;  // 0 when unranked
  bool operator==(const TableScore&) const = default;
};

TableScore ScoreOf(const TeamRec& team);
// True when `a` stands before `b` in the table.
bool Ahead(const TableScore& a, const TableScore& b);
// The score as 12 bytes that compare byte by byte as Ahead does (the team ahead first),
// over the whole range of the record's 16-bit fields.
std::string TableScoreKey(const TableScore& score);

// One row of a class's table: the team's statistics as stored by the last standings run.
struct TableRow {
  std::int32_t recNo = 0;
  int place = 0;
  int teamNumber = 0;
  std::string teamName;  // as stored (code page 1252)
  int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0;
  int points = 0;  // 0 when unranked
};

struct ClassTable {
  std::int32_t classRecNo = 0;
  std::string className;
  std::vector<TableRow> rows;  // in table order
  // Why neighbours on equal points stand as they do (classes with a tie order of their
  // own), for teams of this class.
  std::vector<TieNote> notes;
};

// The tables of the classes in table order, each class with its teams in the order of the
// team selection's standings run, which also writes each team's Place and the class
// leader. `classFilter` 0: every class. The buffers are left alone.
std::vector<ClassTable> Standings(Database& db, TeamSelection& selection, std::int32_t classFilter);

}  // namespace liga::model
