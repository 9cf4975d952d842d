// Helpers shared by the match editor, the match mover and result entry for the two sides
// of a match: a play-time slot and the entries in both teams' match lists.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "database/database.h"

namespace liga {

// The slot with "no result" (10001) for every negative score.
MatchEntry StoredScores(MatchEntry slot);
// The slot as a window holds it: scores of 9999 and above as -1.
MatchEntry WindowScores(MatchEntry slot);
// Every slot of `pt` through StoredScores / WindowScores.
void StoreScores(PlayTimeRec& pt);
void ShowScores(PlayTimeRec& pt);

// A score as stored: negative (and 9999 or more) becomes 10001.
int StoredScore(int score);

// The index (1..TeamMatchCount) of the first entry of `team` with `matchNumber`, or 0.
int FindTeamEntry(const TeamRec& team, int matchNumber);
// The first free entry for a new match: the first with MatchNumber 0 among 1..TeamMatchCount,
// else the one after TeamMatchCount; 0 when that would be beyond the list's 480 entries.
int FreeTeamEntry(const TeamRec& team);

// Reads team `recNo`, lets `change` alter it, recomputes its statistics with its class's
// points and writes it back. The team and its class become current. False when the team
// does not exist, `change` declines, or the write fails.
template <typename Change>
bool UpdateTeam(Database& db, std::int32_t recNo, Change change) {
  if (recNo <= 0 || !db.readTeam(recNo)) return false;
  if (!change(db.team())) return false;
  if (db.readClass(db.team().divisionRecNo())) db.computeTeamStatistics();
  return db.rewriteTeam(recNo);
}

// Groups the writes of one save into one batch per file and commits them with the
// competition record (its match numbers and open-match totals) as one unit: a crash or a
// failure leaves every file and the totals either before or after the save. The batches are
// committed by commit() or, at the latest, by the destructor.
class FileBatches {
 public:
  FileBatches(Database& db, std::initializer_list<FileBlockPtr> files);
  ~FileBatches() { commit(); }
  FileBatches(const FileBatches&) = delete;
  FileBatches& operator=(const FileBatches&) = delete;
  // True when every batch was committed.
  bool commit();

 private:
  Database& m_db;
  std::vector<FileBlockPtr> m_files;
};

// Re-sorts the team's match entries 1..480 by the PlayTime text of their play time; free
// entries and entries whose play time cannot be read sort last. TeamMatchCount is kept.
// The play-time buffer is left as it was.
void ResortTeamMatches(Database& db, TeamRec& team);

// "TeamNumberKey TeamName" of team `recNo` cut or padded to `width`, blanks when the team
// does not exist.
std::string TeamSideText(Database& db, std::int32_t recNo, std::size_t width);

}  // namespace liga
