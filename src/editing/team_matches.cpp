#include "editing/team_matches.h"

#include <algorithm>
#include <map>
#include <vector>

#include "editing/editor_result.h"
#include "editing/select.h"

namespace liga {

int StoredScore(int score) {
  return ScorePresent(score) ? score : kNoResult;
}

MatchEntry StoredScores(MatchEntry slot) {
  slot.setHomeScore(StoredScore(slot.homeScore()));
  slot.setAwayScore(StoredScore(slot.awayScore()));
  return slot;
}

MatchEntry WindowScores(MatchEntry slot) {
  if (slot.homeScore() >= kUnranked) slot.setHomeScore(-1);
  if (slot.awayScore() >= kUnranked) slot.setAwayScore(-1);
  return slot;
}

void StoreScores(PlayTimeRec& pt) {
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) pt.setMatch(s, StoredScores(pt.match(s)));
}

void ShowScores(PlayTimeRec& pt) {
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) pt.setMatch(s, WindowScores(pt.match(s)));
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

FileBatches::FileBatches(Database& db, std::initializer_list<FileBlockPtr> files) : m_db(db) {
  for (FileBlockPtr f : files) {
    if (f == nullptr) continue;
    BeginBatch(f);
    if (IsamOK) m_files.push_back(f);
  }
}

bool FileBatches::commit() {
  if (m_files.empty()) return true;
  const bool ok = m_db.commitWithCompetition(m_files);
  m_files.clear();
  return ok;
}

void ResortTeamMatches(Database& db, TeamRec& team) {
  const PlayTimeRec savedPt = db.playTime();
  const std::int32_t savedPtNo = db.playTimeRecNo();
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
        const bool ok = db.readPlayTime(pt);
        it = texts.emplace(pt, ok ? db.playTime().playTime() : last).first;
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
  db.playTime() = savedPt;
  db.setPlayTimeRecNo(savedPtNo);
}

std::string TeamSideText(Database& db, std::int32_t recNo, std::size_t width) {
  return FitText(recNo > 0 ? TeamDisplayText(db, recNo) : std::string(), width);
}

}  // namespace liga
