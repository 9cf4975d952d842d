#include "model/team_selection.h"

#include <algorithm>
#include <memory>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "database/tie_order.h"
#include "database/write_unit.h"
#include "model/sort_engine.h"
#include "model/standings.h"

namespace liga {
namespace {

std::string n4(long v) {
  return FormatInt(v, 4);
}

bool readTeamRec(Database& db, std::int32_t recNo, TeamRec& team) {
  return db.readTeamRecord(recNo, team);
}

bool readClassRec(Database& db, std::int32_t recNo, DivisionRec& cls) {
  return db.readClassRecord(recNo, cls);
}

StandingTeam StandingOf(const TeamRec& team, std::int32_t recNo) {
  StandingTeam s;
  s.recNo = recNo;
  s.teamNumber = team.teamNumber();
  s.points = team.tablePoints();
  s.goalsFor = team.goalsFor();
  s.goalsAgainst = team.goalsAgainst();
  s.wins = team.wonCount();
  const int last = std::clamp<std::int32_t>(team.teamMatchCount(), 0, TeamRec::kMaxMatches);
  for (int m = 1; m <= last; ++m) {
    const TeamMatchEntry e = team.match(m);
    if (e.opponentRecNo() < 0 && ScorePresent(e.ownScore()) && ScorePresent(e.opponentScore()))
      s.awayGoals += e.ownScore();
  }
  return s;
}

// The team's played home matches; every match is some team's home match exactly once.
void AppendHomeMatches(const TeamRec& team, std::int32_t recNo, std::vector<MutualMatch>& out) {
  const int last = std::clamp<std::int32_t>(team.teamMatchCount(), 0, TeamRec::kMaxMatches);
  for (int m = 1; m <= last; ++m) {
    const TeamMatchEntry e = team.match(m);
    if (e.opponentRecNo() > 0 && ScorePresent(e.ownScore()) && ScorePresent(e.opponentScore()))
      out.push_back({recNo, e.opponentRecNo(), e.ownScore(), e.opponentScore()});
  }
}

}  // namespace

std::string TeamSortKey(std::uint8_t kind, const TeamRec& team, std::int32_t recNo,
                        const std::string& className) {
  // Class names are padded to their full width so that one class's keys never interleave
  // with those of a class whose name extends it ("U1" and "U12"). A ClassName holds at
  // most 22 bytes, so the standings key (22 + 12) stays within the sort engine's 40.
  switch (kind) {
    case kSortStandings:
      return PadRight(className, kClassNameWidth).substr(0, kClassNameWidth) +
             model::TableScoreKey(model::ScoreOf(team));
    case kSortClassNumber:
      return PadRight(className, 36).substr(0, 36) + FormatInt(team.teamNumber(), 4, '0');
    default:
      return FormatInt(recNo, 4, '0');
  }
}

void TeamSelection::reset() {
  m_index.clear();
  m_selected.clear();
  m_haveRequest = false;
}

void TeamSelection::buildIndex() {
  m_db.setTeamIndexStale(false);
  m_index.clear();
  ++m_indexBuilds;
  const std::int32_t last = m_db.teamFileLength() - 1;
  const auto team = std::make_unique<TeamRec>();
  for (std::int32_t recNo = 1; recNo <= last; ++recNo) {
    if (m_db.readTeamRecord(recNo, *team, false))
      m_index.push_back(
          {static_cast<std::int16_t>(recNo), static_cast<std::int16_t>(team->divisionRecNo())});
    if (recNo % 50 == 0 || recNo == last)
      ProgressLine(2, "RamBuildRec:-" + n4(recNo) + "- [" + n4(static_cast<long>(m_index.size())) +
                          "] (" + n4(last) + ")");
  }
}

int TeamSelection::select(const SelectionRequest& request) {
  if (!m_db.competitionOpen() || UsedRecs(m_db.teamFile()) == 0) {
    m_selected.clear();
    return 0;
  }
  OpenProgress("sortering", 7, false);
  bool rebuilt = false;
  if (m_db.teamIndexStale() || m_index.empty()) {
    buildIndex();
    rebuilt = true;
  }
  if (m_haveRequest && request == m_request && !rebuilt) {
    CloseProgress();
    return static_cast<int>(m_selected.size());
  }
  const bool filterChanged = !m_haveRequest || request.classFilter != m_request.classFilter;
  m_request = request;
  m_haveRequest = true;

  if (filterChanged || rebuilt) {
    m_selected.clear();
    const int size = static_cast<int>(m_index.size());
    for (int i = 0; i < size; ++i) {
      const IndexEntry& e = m_index[i];
      if (request.classFilter == 0 || e.classRecNo == request.classFilter) {
        m_selected.push_back(e.recNo);
        const int count = static_cast<int>(m_selected.size());
        if (count % 25 == 0 || i == size - 1)
          ProgressLine(3, "ScanNdx:" + n4(i + 1) + " FoundRec:" + n4(e.recNo) + " Cls:" +
                              n4(e.classRecNo) + " Antal:" + n4(count) + " Totalt:" + n4(size));
      } else if (i == size - 1) {
        ProgressLine(
            3, "ScanNdx:" + n4(i + 1) + " FoundRec:" + n4(e.recNo) + " Cls:" + n4(e.classRecNo) +
                   " Antal:" + n4(static_cast<long>(m_selected.size())) + " Totalt:" + n4(size));
      }
    }
  }

  // A rebuilt list is in index order; it is sorted again even when the request itself is
  // unchanged, so a report never gets record order where it asked for another.
  const int n = static_cast<int>(m_selected.size());
  if (n > 0) {
    if (!BeginSort(n)) {
      ShowMessage(401, W("Minnet fullt inför sortering..dela upp i flera baser"));
      m_haveRequest = false;
      CloseProgress();
      return n;
    }
    TeamRec team;
    DivisionRec cls;
    std::int32_t lastClass = -1;
    for (int pos = 1; pos <= n; ++pos) {
      const std::int32_t recNo = m_selected[pos - 1];
      if (!readTeamRec(m_db, recNo, team)) team = TeamRec();
      if (team.divisionRecNo() != lastClass) {
        lastClass = team.divisionRecNo();
        if (!readClassRec(m_db, lastClass, cls)) cls = DivisionRec();
      }
      AddSortItem({recNo, TeamSortKey(request.kind, team, recNo, cls.className())});
      if (pos % 25 == 0 || pos == n)
        ProgressLine(4, "SortRec:" + n4(pos) + " SNr:" + n4(team.teamNumber()) +
                            " Klass:" + cls.className() +
                            " Klubb:" + team.teamName().substr(0, 15) + " Totalt:" + n4(n));
    }
    DoSort();
    for (int pos = 1; pos <= n; ++pos) {
      m_selected[pos - 1] = NextSortItem().value;
      if (pos % 25 == 0 || pos == n) ProgressLine(5, "Utvalda Antal:" + n4(pos));
    }
    if (request.kind == kSortStandings) assignPlaces(applyTieOrders());
    EndSort();
  }
  CloseProgress();
  m_db.resetClassBuffer();
  m_db.setClassRecNo(0);
  return n;
}

std::map<std::int32_t, int> TeamSelection::applyTieOrders() {
  std::map<std::int32_t, int> places;
  m_tieNotes.clear();
  const TieOrders orders = TieOrders::Load(m_db.dataDir(), m_db.currentCompetition());
  if (orders.empty()) return places;
  auto team = std::make_unique<TeamRec>();
  DivisionRec cls;
  std::size_t begin = 0;
  while (begin < m_selected.size()) {
    std::size_t end = begin;
    std::int32_t classRecNo = -1;
    StandingsInput input;
    // The selected list holds each class's teams together; one class at a time.
    for (; end < m_selected.size(); ++end) {
      if (!readTeamRec(m_db, m_selected[end], *team)) *team = TeamRec();
      if (end > begin && team->divisionRecNo() != classRecNo) break;
      classRecNo = team->divisionRecNo();
      input.teams.push_back(StandingOf(*team, m_selected[end]));
      AppendHomeMatches(*team, m_selected[end], input.matches);
    }
    if (readClassRec(m_db, classRecNo, cls) && !orders.get(cls.className()).isDefault()) {
      input.order = orders.get(cls.className());
      input.winPoints = cls.winPoints();
      input.drawPoints = cls.drawPoints();
      input.drawSeed = m_db.comp().competitionName() + "/" + cls.className();
      RankedStandings ranked = RankStandings(input);
      for (std::size_t i = 0; i < ranked.order.size(); ++i) {
        m_selected[begin + i] = ranked.order[i];
        places[ranked.order[i]] = ranked.places[i];
      }
      m_tieNotes.insert(m_tieNotes.end(), ranked.notes.begin(), ranked.notes.end());
    }
    begin = end;
  }
  return places;
}

void TeamSelection::assignPlaces(const std::map<std::int32_t, int>& chosenPlaces) {
  const auto team = std::make_unique<TeamRec>();
  DivisionRec cls;
  std::int32_t classRecNo = -1;
  int counter = 0, place = 0;
  model::TableScore previous;
  bool havePrevious = false;
  bool leaderWritten = false;
  // The places and leaders are written as one unit of the two files: a handful of syncs
  // for the whole table instead of one per team.
  WriteUnit unit(m_db, {m_db.teamFile(), m_db.classFile()});
  for (const std::int32_t recNo : m_selected) {
    // Read and written as stored, so the stored texts keep their bytes.
    if (!m_db.readTeamRecord(recNo, *team, false)) continue;
    if (team->divisionRecNo() != classRecNo) {
      classRecNo = team->divisionRecNo();
      counter = place = 0;
      havePrevious = false;
      leaderWritten = false;
      if (!readClassRec(m_db, classRecNo, cls)) cls = DivisionRec();
    }
    if (team->place() < 0) continue;  // a negative place is set by hand and kept
    const model::TableScore score = model::ScoreOf(*team);
    if (!score.ranked) {
      place = 999;
    } else {
      ++counter;
      if (const auto chosen = chosenPlaces.find(recNo); chosen != chosenPlaces.end()) {
        place = chosen->second;
      } else if (!havePrevious || score != previous) {
        place = counter;
        previous = score;
        havePrevious = true;
      }
      if (!leaderWritten) {
        DivisionRec stored;
        if (m_db.readClassRecord(classRecNo, stored, false)) {
          stored.setLeaderPoints(team->tablePoints());
          stored.setLeaderTeamRecNo(recNo);
          m_db.writeClassRecord(classRecNo, stored);
        }
        leaderWritten = true;
      }
    }
    // The index does not change and is not marked stale.
    team->setPlace(place);
    m_db.writeTeamRecord(recNo, *team, true);
    ProgressLine(6, "Klass:" + cls.className() + " Plats:" + n4(place));
  }
  unit.commitFiles();
}

}  // namespace liga
