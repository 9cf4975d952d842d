#include "model/matches.h"

#include <algorithm>
#include <map>
#include <memory>

namespace liga::model {
namespace {

// Team records are 11,665 bytes: kept on the heap.
using TeamPtr = std::unique_ptr<TeamRec>;

TeamPtr readTeam(Database& db, std::int32_t recNo) {
  auto team = std::make_unique<TeamRec>();
  if (recNo <= 0 || !db.readTeamRecord(recNo, *team)) return nullptr;
  return team;
}

// Writes `team` back with its statistics recomputed from its class's points; `cls` gets the
// class (record number in `classRecNo`, 0 when it cannot be read).
bool writeTeam(Database& db, std::int32_t recNo, TeamRec& team, DivisionRec& cls,
               std::int32_t& classRecNo) {
  classRecNo = db.readClassRecord(team.divisionRecNo(), cls) ? team.divisionRecNo() : 0;
  if (classRecNo != 0) ComputeTeamStatistics(team, cls);
  return db.writeTeamRecord(recNo, team);
}

bool writeTeam(Database& db, std::int32_t recNo, TeamRec& team) {
  DivisionRec cls;
  std::int32_t classRecNo = 0;
  return writeTeam(db, recNo, team, cls, classRecNo);
}

TeamMatchEntry freeEntry() {
  TeamMatchEntry e;
  e.setOwnScore(kNoResult);
  e.setOpponentScore(kNoResult);
  return e;
}

MatchEntry freeSlot() {
  MatchEntry e;
  e.setHomeScore(kNoResult);
  e.setAwayScore(kNoResult);
  return e;
}

// Drops the team's entry of match `number`; the list's count shrinks when it was the last.
bool dropEntry(Database& db, std::int32_t recNo, int number) {
  TeamPtr team = readTeam(db, recNo);
  if (!team) return false;
  const int m = FindTeamEntry(*team, number);
  if (m == 0) return false;
  team->setMatch(m, freeEntry());
  if (m == team->teamMatchCount()) team->setTeamMatchCount(m - 1);
  return writeTeam(db, recNo, *team);
}

// The highest slot holding a match.
int usedRows(const PlayTimeRec& pt) {
  int used = 0;
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s)
    if (pt.match(s).matchNumber() > 0) used = s;
  return used;
}

bool validSlot(int slot) {
  return slot >= 1 && slot <= PlayTimeRec::kMaxRows;
}

// Moves the open-match counters of the team's class and of the competition for a match
// that crosses the line between with and without a full result.
bool countCrossing(MatchUnit& unit, std::int32_t classRecNo, bool wasFull, bool isFull) {
  if (wasFull == isFull || classRecNo == 0) return true;
  Database& db = unit.db();
  DivisionRec cls;
  if (!db.readClassRecord(classRecNo, cls)) return false;
  if (isFull) {
    ResultEntered(cls, db.comp());
  } else {
    ResultRemoved(cls, db.comp());
  }
  return db.writeClassRecord(classRecNo, cls);
}

// Writes one side of a match into the team's entry `m`.
bool writeSide(Database& db, std::int32_t recNo, int m, int number, std::int32_t opponent,
               std::int32_t playTimeRecNo, int own, int theirs) {
  TeamPtr team = readTeam(db, recNo);
  if (!team) return false;
  TeamMatchEntry e;
  e.setMatchNumber(number);
  e.setOpponentRecNo(opponent);
  e.setPlayTimeRecNo(playTimeRecNo);
  e.setOwnScore(own);
  e.setOpponentScore(theirs);
  team->setMatch(m, e);
  if (m > team->teamMatchCount()) team->setTeamMatchCount(m);
  return writeTeam(db, recNo, *team);
}

}  // namespace

int StoredScore(int score) {
  return ScorePresent(score) ? score : kNoResult;
}

MatchEntry StoredScores(MatchEntry slot) {
  slot.setHomeScore(StoredScore(slot.homeScore()));
  slot.setAwayScore(StoredScore(slot.awayScore()));
  return slot;
}

int FindTeamEntry(const TeamRec& team, int matchNumber) {
  const int count = std::min<std::int32_t>(team.teamMatchCount(), TeamRec::kMaxMatches);
  for (int m = 1; m <= count; ++m)
    if (team.match(m).matchNumber() == matchNumber) return m;
  return 0;
}

int FreeTeamEntry(const TeamRec& team) {
  const int count = std::clamp<std::int32_t>(team.teamMatchCount(), 0, TeamRec::kMaxMatches);
  for (int m = 1; m <= count; ++m)
    if (team.match(m).matchNumber() == 0) return m;
  return count + 1 <= TeamRec::kMaxMatches ? count + 1 : 0;
}

int Meetings(const TeamRec& team, std::int32_t opponent) {
  const int count = std::clamp<std::int32_t>(team.teamMatchCount(), 0, TeamRec::kMaxMatches);
  int meetings = 0;
  for (int m = 1; m <= count; ++m) {
    const TeamMatchEntry e = team.match(m);
    if (e.matchNumber() != 0 && (e.opponentRecNo() == opponent || e.opponentRecNo() == -opponent))
      ++meetings;
  }
  return meetings;
}

// ---- reads ----

std::vector<TeamMatch> TeamMatches(const TeamRec& team) {
  std::vector<TeamMatch> out;
  for (int i = 1; i <= TeamRec::kMaxMatches; ++i) {
    const TeamMatchEntry e = team.match(i);
    if (e.matchNumber() == 0 || e.opponentRecNo() == 0) continue;
    TeamMatch m;
    m.entry = i;
    m.number = e.matchNumber();
    m.home = e.opponentRecNo() > 0;
    m.opponent = m.home ? e.opponentRecNo() : -e.opponentRecNo();
    m.playTimeRecNo = e.playTimeRecNo();
    m.ownScore = e.ownScore();
    m.opponentScore = e.opponentScore();
    out.push_back(m);
  }
  return out;
}

std::vector<TeamMatch> TeamMatches(Database& db, std::int32_t teamRecNo) {
  TeamPtr team = readTeam(db, teamRecNo);
  return team ? TeamMatches(*team) : std::vector<TeamMatch>{};
}

std::vector<MatchValue> PlayTimeMatches(const PlayTimeRec& pt, std::int32_t playTimeRecNo) {
  std::vector<MatchValue> out;
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    if (e.matchNumber() <= 0 || e.homeTeamRecNo() <= 0) continue;
    out.push_back({e.matchNumber(), playTimeRecNo, s, e.homeTeamRecNo(), e.awayTeamRecNo(),
                   e.homeScore(), e.awayScore()});
  }
  return out;
}

std::vector<MatchValue> PlayTimeMatches(Database& db, std::int32_t playTimeRecNo) {
  PlayTimeRec pt;
  if (!db.readPlayTimeRecord(playTimeRecNo, pt)) return {};
  return PlayTimeMatches(pt, playTimeRecNo);
}

std::vector<MatchValue> ListedMatches(const PlayTimeRec& pt, std::int32_t playTimeRecNo) {
  std::vector<MatchValue> out;
  const int used = std::min(pt.usedRows(), PlayTimeRec::kMaxRows);
  for (int s = 1; s <= used; ++s) {
    const MatchEntry e = pt.match(s);
    if (e.homeTeamRecNo() <= 0) continue;
    out.push_back({e.matchNumber(), playTimeRecNo, s, e.homeTeamRecNo(), e.awayTeamRecNo(),
                   e.homeScore(), e.awayScore()});
  }
  return out;
}

std::optional<MatchValue> SlotMatch(Database& db, std::int32_t playTimeRecNo, int slot) {
  for (const MatchValue& m : PlayTimeMatches(db, playTimeRecNo))
    if (m.slot == slot) return m;
  return std::nullopt;
}

std::optional<MatchValue> Match(Database& db, int number) {
  if (number <= 0) return std::nullopt;
  // By record number: a walk of the index would move the key position a register's
  // browsing goes on from.
  for (std::int32_t recNo = 1; recNo < db.playTimeFileLength(); ++recNo) {
    for (const MatchValue& m : PlayTimeMatches(db, recNo))
      if (m.number == number) return m;
  }
  return std::nullopt;
}

// ---- operations ----

PlaceOutcome PlaceMatch(MatchUnit& unit, std::int32_t playTimeRecNo, int slot, std::int32_t home,
                        std::int32_t away) {
  Database& db = unit.db();
  PlayTimeRec pt;
  if (!validSlot(slot) || !db.readPlayTimeRecord(playTimeRecNo, pt)) return PlaceOutcome::Failed;
  MatchEntry e = StoredScores(pt.match(slot));
  const bool isNew = e.matchNumber() <= 0;
  if (!isNew) {
    if (e.homeTeamRecNo() > 0 && e.homeTeamRecNo() != home)
      dropEntry(db, e.homeTeamRecNo(), e.matchNumber());
    if (e.awayTeamRecNo() > 0 && e.awayTeamRecNo() != away)
      dropEntry(db, e.awayTeamRecNo(), e.matchNumber());
  }
  // The entry each team gets: its entry of this match, else a free one. A new match is
  // registered only when both teams exist and both have room, so a match number is never
  // handed to one side alone.
  auto entryFor = [&](std::int32_t team) -> int {
    TeamPtr t = readTeam(db, team);
    if (!t) return -1;
    const int m = isNew ? 0 : FindTeamEntry(*t, e.matchNumber());
    return m != 0 ? m : FreeTeamEntry(*t);
  };
  const int homeEntry = entryFor(home);
  const int awayEntry = entryFor(away);
  PlaceOutcome outcome = PlaceOutcome::Placed;
  if (isNew && (homeEntry < 0 || awayEntry < 0)) outcome = PlaceOutcome::NoTeam;
  if (homeEntry == 0 || awayEntry == 0) outcome = PlaceOutcome::NoRoom;
  if (isNew && (homeEntry <= 0 || awayEntry <= 0)) {
    pt.setMatch(slot, freeSlot());
  } else {
    const int number = isNew ? db.comp().lastMatchNumber() + 1 : e.matchNumber();
    if (homeEntry > 0)
      writeSide(db, home, homeEntry, number, away, playTimeRecNo, e.homeScore(), e.awayScore());
    if (awayEntry > 0)
      writeSide(db, away, awayEntry, number, -home, playTimeRecNo, e.awayScore(), e.homeScore());
    if (isNew) db.comp().setLastMatchNumber(number);
    e.setMatchNumber(number);
    e.setHomeTeamRecNo(home);
    e.setAwayTeamRecNo(away);
    pt.setMatch(slot, e);
  }
  pt.setUsedRows(usedRows(pt));
  if (!db.writePlayTimeRecord(playTimeRecNo, pt)) return PlaceOutcome::Failed;
  return outcome;
}

bool ClearMatch(MatchUnit& unit, std::int32_t playTimeRecNo, int slot) {
  Database& db = unit.db();
  PlayTimeRec pt;
  if (!validSlot(slot) || !db.readPlayTimeRecord(playTimeRecNo, pt)) return false;
  const MatchEntry e = StoredScores(pt.match(slot));
  if (e.matchNumber() > 0) {
    std::int32_t classRecNo = 0;
    if (TeamPtr home = readTeam(db, e.homeTeamRecNo())) classRecNo = home->divisionRecNo();
    const bool homeDropped =
        e.homeTeamRecNo() > 0 && dropEntry(db, e.homeTeamRecNo(), e.matchNumber());
    const bool awayDropped =
        e.awayTeamRecNo() > 0 && dropEntry(db, e.awayTeamRecNo(), e.matchNumber());
    const bool full = ScorePresent(e.homeScore()) && ScorePresent(e.awayScore());
    if (homeDropped && awayDropped && !countCrossing(unit, classRecNo, full, false)) return false;
  }
  pt.setMatch(slot, freeSlot());
  pt.setUsedRows(usedRows(pt));
  return db.writePlayTimeRecord(playTimeRecNo, pt);
}

bool RecordResult(MatchUnit& unit, std::int32_t playTimeRecNo, int slot, int homeScore,
                  int awayScore) {
  Database& db = unit.db();
  PlayTimeRec pt;
  if (!validSlot(slot) || !db.readPlayTimeRecord(playTimeRecNo, pt)) return false;
  MatchEntry e = pt.match(slot);
  if (e.matchNumber() <= 0) return false;
  const int home = StoredScore(homeScore), away = StoredScore(awayScore);
  const bool wasFull = ScorePresent(e.homeScore()) && ScorePresent(e.awayScore());
  DivisionRec cls;
  std::int32_t classRecNo = 0;
  // One side seen from `team`; false when the team or its entry of the match is missing.
  auto side = [&](std::int32_t team, int own, int theirs) {
    TeamPtr t = readTeam(db, team);
    if (!t) return false;
    const int m = FindTeamEntry(*t, e.matchNumber());
    if (m == 0) return false;
    TeamMatchEntry te = t->match(m);
    te.setOwnScore(own);
    te.setOpponentScore(theirs);
    t->setMatch(m, te);
    return writeTeam(db, team, *t, cls, classRecNo);
  };
  const bool homeFound = side(e.homeTeamRecNo(), home, away);
  const bool awayFound = side(e.awayTeamRecNo(), away, home);
  // A match is open until both its scores are present; the counters follow every crossing
  // of that line, a partial result included. The class is the away team's, as read last.
  if (homeFound && awayFound &&
      !countCrossing(unit, classRecNo, wasFull, ScorePresent(home) && ScorePresent(away)))
    return false;
  e.setHomeScore(home);
  e.setAwayScore(away);
  pt.setMatch(slot, e);
  return db.writePlayTimeRecord(playTimeRecNo, pt);
}

bool ClearResult(MatchUnit& unit, std::int32_t playTimeRecNo, int slot) {
  return RecordResult(unit, playTimeRecNo, slot, kNoResult, kNoResult);
}

MoveOutcome MoveMatch(MatchUnit& unit, std::int32_t from, int slot, std::int32_t to) {
  Database& db = unit.db();
  PlayTimeRec source, destination;
  if (!validSlot(slot) || !db.readPlayTimeRecord(from, source) ||
      !db.readPlayTimeRecord(to, destination))
    return {false, "Fel i filerna!"};
  const MatchEntry e = StoredScores(source.match(slot));
  const int target = destination.usedRows() + 1;
  if (e.matchNumber() <= 0 || from == to || !validSlot(target)) return {false, "Fel i filerna!"};
  // Each team's entry of the match at the source play time.
  auto findEntry = [&](std::int32_t team, TeamPtr& t) -> int {
    t = readTeam(db, team);
    if (!t) return 0;
    const int count = std::min<std::int32_t>(t->teamMatchCount(), TeamRec::kMaxMatches);
    for (int m = 1; m <= count; ++m) {
      const TeamMatchEntry te = t->match(m);
      if (te.matchNumber() == e.matchNumber() && te.playTimeRecNo() == from) return m;
    }
    return 0;
  };
  TeamPtr home, away;
  const int homeEntry = findEntry(e.homeTeamRecNo(), home);
  if (homeEntry == 0) return {false, "Fel i filerna! Kan ej finna hemmalaget!"};
  const int awayEntry = findEntry(e.awayTeamRecNo(), away);
  if (awayEntry == 0) return {false, "Fel i filerna! Kan ej finna bortalaget!"};
  // The destination takes the match before the teams are re-sorted by play time.
  destination.setUsedRows(target);
  destination.setMatch(target, e);
  const int used = source.usedRows();
  source.setUsedRows(used - 1);
  for (int s = slot; s < used; ++s) source.setMatch(s, source.match(s + 1));
  source.setMatch(used, freeSlot());
  bool ok = db.writePlayTimeRecord(to, destination) && db.writePlayTimeRecord(from, source);
  for (auto [team, entry, recNo] : {std::tuple{home.get(), homeEntry, e.homeTeamRecNo()},
                                    std::tuple{away.get(), awayEntry, e.awayTeamRecNo()}}) {
    TeamMatchEntry te = team->match(entry);
    te.setPlayTimeRecNo(to);
    team->setMatch(entry, te);
    ResortTeamMatches(db, *team);
    ok = db.writeTeamRecord(recNo, *team) && ok;
  }
  if (!ok) return {false, "Fel i filerna!"};
  return {true, {}};
}

void ResortTeamMatches(Database& db, TeamRec& team) {
  std::map<std::int32_t, std::string> texts;
  struct Item {
    std::string key;
    TeamMatchEntry entry;
  };
  std::vector<Item> items;
  items.reserve(TeamRec::kMaxMatches);
  const std::string last(16, 'z');
  for (int m = 1; m <= TeamRec::kMaxMatches; ++m) {
    const TeamMatchEntry e = team.match(m);
    std::string key = last;
    const std::int32_t pt = e.playTimeRecNo();
    if (pt >= 1 && e.opponentRecNo() != 0) {
      auto it = texts.find(pt);
      if (it == texts.end()) {
        PlayTimeRec rec;
        it = texts.emplace(pt, db.readPlayTimeRecord(pt, rec) ? rec.playTime() : last).first;
      }
      key = it->second;
    }
    items.push_back({key, e});
  }
  // Equal keys keep their order, as the report sort engine does.
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return std::lexicographical_compare(
        a.key.begin(), a.key.end(), b.key.begin(), b.key.end(), [](char x, char y) {
          return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
  });
  for (int m = 1; m <= TeamRec::kMaxMatches; ++m) team.setMatch(m, items[m - 1].entry);
}

// ---- one unit each ----

namespace {
template <typename Op>
auto inOwnUnit(Database& db, Op op) {
  MatchUnit unit(db);
  auto result = op(unit);
  const bool committed = unit.commit();
  return std::pair{result, committed};
}
}  // namespace

PlaceOutcome PlaceMatch(Database& db, std::int32_t playTimeRecNo, int slot, std::int32_t home,
                        std::int32_t away) {
  const auto [outcome, committed] =
      inOwnUnit(db, [&](MatchUnit& u) { return PlaceMatch(u, playTimeRecNo, slot, home, away); });
  return committed ? outcome : PlaceOutcome::Failed;
}

bool ClearMatch(Database& db, std::int32_t playTimeRecNo, int slot) {
  const auto [ok, committed] =
      inOwnUnit(db, [&](MatchUnit& u) { return ClearMatch(u, playTimeRecNo, slot); });
  return ok && committed;
}

bool RecordResult(Database& db, std::int32_t playTimeRecNo, int slot, int homeScore,
                  int awayScore) {
  const auto [ok, committed] = inOwnUnit(
      db, [&](MatchUnit& u) { return RecordResult(u, playTimeRecNo, slot, homeScore, awayScore); });
  return ok && committed;
}

bool ClearResult(Database& db, std::int32_t playTimeRecNo, int slot) {
  return RecordResult(db, playTimeRecNo, slot, kNoResult, kNoResult);
}

MoveOutcome MoveMatch(Database& db, std::int32_t from, int slot, std::int32_t to) {
  auto [outcome, committed] =
      inOwnUnit(db, [&](MatchUnit& u) { return MoveMatch(u, from, slot, to); });
  if (!committed && outcome.moved) outcome = {false, "Fel i filerna!"};
  return outcome;
}

}  // namespace liga::model
