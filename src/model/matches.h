// The matches of the open competition as values, and the operations that change them.
//
// A match lives in three records kept in step: a slot of its play time (MatchEntry) and one
// entry in each team's match list (TeamMatchEntry; the opponent's record number, negated
// when the team plays away). The class's and the competition's counters summarise them.
// This module is the one place that reads and writes that mirror:
//  * the reads return values and leave the database's current-record buffers alone;
//  * every operation keeps the three records in step, recomputes both teams' statistics,
//    keeps OpenMatches and TotalOpenMatches equal to the matches without a full result and
//    hands out match numbers from LastMatchNumber, inside a MatchUnit: the class, team and
//    play-time files and the competition record are committed together or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/write_unit.h"

namespace liga::model {

// One match of a play time.
struct MatchValue {
  int number = 0;
  std::int32_t playTimeRecNo = 0;
  int slot = 0;  // 1..16
  std::int32_t home = 0;
  std::int32_t away = 0;
  int homeScore = kNoResult;
  int awayScore = kNoResult;
  bool played() const { return ScorePresent(homeScore) && ScorePresent(awayScore); }
};

// One match seen from a team's side.
struct TeamMatch {
  int entry = 0;  // index in the team's match list, 1..480
  int number = 0;
  bool home = false;
  std::int32_t opponent = 0;  // the opponent's record number, positive
  std::int32_t playTimeRecNo = 0;
  int ownScore = kNoResult;
  int opponentScore = kNoResult;
  bool played() const { return ScorePresent(ownScore) && ScorePresent(opponentScore); }
  int homeScore() const { return home ? ownScore : opponentScore; }
  int awayScore() const { return home ? opponentScore : ownScore; }
};

// The registered matches of a team's list in list order (entries with a number and an
// opponent; entries 1..480).
std::vector<TeamMatch> TeamMatches(const TeamRec& team);
std::vector<TeamMatch> TeamMatches(Database& db, std::int32_t teamRecNo);
// The matches of a play time in slot order (slots with a number and a home team).
std::vector<MatchValue> PlayTimeMatches(const PlayTimeRec& pt, std::int32_t playTimeRecNo);
std::vector<MatchValue> PlayTimeMatches(Database& db, std::int32_t playTimeRecNo);
// The rows a play time lists, as schedules, exports and calendars show it: rows
// 1..UsedRows (at most 16) that name a home team, in row order. A row without a match
// number (one whose teams were never both registered) is listed too, with number 0.
// `playTimeRecNo` only fills the values' field (0 for a record read without its number).
std::vector<MatchValue> ListedMatches(const PlayTimeRec& pt, std::int32_t playTimeRecNo = 0);
// The match in slot `slot` of a play time; none when the slot holds no match or the play
// time cannot be read.
std::optional<MatchValue> SlotMatch(Database& db, std::int32_t playTimeRecNo, int slot);
// The match numbered `number`, searched in the play times; none when no slot holds it.
std::optional<MatchValue> Match(Database& db, int number);

// Entries of a team's match list.
// The index (1..TeamMatchCount) of the first entry with `matchNumber`, or 0.
int FindTeamEntry(const TeamRec& team, int matchNumber);
// The first free entry for a new match: the first with MatchNumber 0 among 1..TeamMatchCount,
// else the one after TeamMatchCount; 0 when that would be beyond the list's 480 entries.
int FreeTeamEntry(const TeamRec& team);
// How often the team meets `opponent` (home or away) in its list.
int Meetings(const TeamRec& team, std::int32_t opponent);

// Scores as stored: anything but 0..9998 is "no result" (10001).
int StoredScore(int score);
MatchEntry StoredScores(MatchEntry slot);

// One unit of work over the competition's files and its record (database/write_unit.h):
// every operation below is done inside one; the free functions without a unit make their
// own. Commit by commit() or, at the latest, by the destructor.
class MatchUnit {
 public:
  explicit MatchUnit(Database& db)
      : m_db(db), m_unit(db, {db.classFile(), db.teamFile(), db.playTimeFile()}) {}
  Database& db() { return m_db; }
  bool commit() { return m_unit.commit(); }

 private:
  Database& m_db;
  WriteUnit m_unit;
};

enum class PlaceOutcome {
  Placed,  // the slot holds the match, both teams have their entry
  NoRoom,  // a team's list is full: a new match is not placed; a kept one lost that side
  NoTeam,  // a team cannot be read: a new match is not placed
  Failed,  // a record could not be read or written (storage status set)
};

// Puts `home` against `away` into slot `slot` of play time `playTimeRecNo`. A slot without a
// match gets a new one (the next LastMatchNumber, no result); a slot with a match keeps its
// number and scores, the teams that left it lose their entry and the teams that came get
// one (the match's entry when they have it, else a free one).
PlaceOutcome PlaceMatch(MatchUnit& unit, std::int32_t playTimeRecNo, int slot, std::int32_t home,
                        std::int32_t away);
// Takes the match out of slot `slot`: both teams lose their entry (and their statistics
// follow) and the slot is free. A match that had a full result counts as open again, since
// the class's round robin still lacks it. False on a storage failure.
bool ClearMatch(MatchUnit& unit, std::int32_t playTimeRecNo, int slot);
// Sets the scores of the match in slot `slot` (any score outside 0..9998 is none) in the
// slot and both teams' entries, recomputes both teams' statistics and moves the open-match
// counters when the match crosses the line between with and without a full result.
bool RecordResult(MatchUnit& unit, std::int32_t playTimeRecNo, int slot, int homeScore,
                  int awayScore);
bool ClearResult(MatchUnit& unit, std::int32_t playTimeRecNo, int slot);

struct MoveOutcome {
  bool moved = false;
  std::string failure;  // code page 1252, empty when moved
};
// Moves the match of slot `slot` of play time `from` to the first slot after the used rows
// of play time `to`: the source closes the gap, both teams' entries point at `to` and their
// lists are re-sorted in play-time order. The match keeps its number, teams and scores.
MoveOutcome MoveMatch(MatchUnit& unit, std::int32_t from, int slot, std::int32_t to);

// The same, each as one unit of its own.
PlaceOutcome PlaceMatch(Database& db, std::int32_t playTimeRecNo, int slot, std::int32_t home,
                        std::int32_t away);
bool ClearMatch(Database& db, std::int32_t playTimeRecNo, int slot);
bool RecordResult(Database& db, std::int32_t playTimeRecNo, int slot, int homeScore, int awayScore);
bool ClearResult(Database& db, std::int32_t playTimeRecNo, int slot);
MoveOutcome MoveMatch(Database& db, std::int32_t from, int slot, std::int32_t to);

// Re-sorts the team's match entries 1..480 by the PlayTime text of their play time; free
// entries and entries whose play time cannot be read sort last. TeamMatchCount is kept.
void ResortTeamMatches(Database& db, TeamRec& team);

}  // namespace liga::model
