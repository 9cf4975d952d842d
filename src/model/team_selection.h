// The team selection every team-based report and the scheduler start from: the teams of
// one class (or of all classes) in one of a few orders.
//
// State (lives as long as the open competition):
//  * the team index: (record number, class record number) of every team record in use,
//    in record order; rebuilt when the database marks it stale or when it is empty;
//  * the selected list: team record numbers in report order;
//  * the remembered request, which is the cache key: asking again for the same class and
//    kind without any team change returns the selected list without reading the files.
// The standings order (kind 3) also writes each team's Place and the class leader back.
// A class with a tie order of its own (database/tie_order.h) is ordered by it; every other
// class keeps the order of points and goal difference.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "database/database.h"
#include "model/standings_order.h"

namespace liga {

enum SortKind : std::uint8_t {
  kSortRecordOrder = 0,  // any kind not listed below
  kSortStandings = 3,    // class, then the table order of model/standings.h
  kSortClassNumber = 6,  // class, then team number
};

struct SelectionRequest {
  std::int16_t classFilter = 0;  // class record number; 0 = all classes
  std::uint8_t kind = kSortRecordOrder;
  std::uint8_t spare[6] = {};  // zero in every request
  bool operator==(const SelectionRequest&) const = default;
};

// The width class names are padded to in the sort keys (a ClassName's capacity).
inline constexpr std::size_t kClassNameWidth = 22;

// The sort key of one team for `kind` (at most 40 bytes).
std::string TeamSortKey(std::uint8_t kind, const TeamRec& team, std::int32_t recNo,
                        const std::string& className);

class TeamSelection {
 public:
  explicit TeamSelection(Database& db) : m_db(db) {}

  // Fills the selected list for `request` and returns its count (0 when the team file has
  // no record in use). Shows progress in a window titled "sortering".
  int select(const SelectionRequest& request);

  // Every report run calls this before its first request, so that request is computed
  // afresh.
  void invalidateRequest() { m_haveRequest = false; }
  // Drops everything (a competition was closed or opened).
  void reset();

  const std::vector<std::int32_t>& selected() const { return m_selected; }
  int indexSize() const { return static_cast<int>(m_index.size()); }
  // How often the team file has been scanned; a cached answer does not scan.
  int indexBuilds() const { return m_indexBuilds; }
  // Why teams on equal points stand as they do, from the last standings order computed:
  // notes of classes with a tie order of their own.
  const std::vector<TieNote>& tieNotes() const { return m_tieNotes; }

 private:
  struct IndexEntry {
    std::int16_t recNo;
    std::int16_t classRecNo;
  };
  void buildIndex();
  // Reorders the classes that have a tie order of their own; returns their places.
  std::map<std::int32_t, int> applyTieOrders();
  void assignPlaces(const std::map<std::int32_t, int>& chosenPlaces);

  Database& m_db;
  std::vector<IndexEntry> m_index;
  std::vector<std::int32_t> m_selected;
  SelectionRequest m_request;
  bool m_haveRequest = false;
  int m_indexBuilds = 0;
  std::vector<TieNote> m_tieNotes;
};

}  // namespace liga
