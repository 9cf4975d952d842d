// The match mover `TMoveGameForm`: moves one registered match at a time from the play time
// on the left to the one on the right. The match keeps its number, teams and scores; the
// source closes the gap, the destination takes it in slot UsedRows + 1, and both teams'
// match lists point at the destination and are re-sorted in play-time order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"
#include "editing/editor_result.h"

namespace liga {

class TMoveGameForm {
 public:
  static constexpr int kRows = 17;
  static constexpr int kCols = 7;

  struct ListItem {
    std::string text;  // PlayTime, "__" when empty
    std::int32_t recNo;
  };

  // Open: both lists get every play time in key order, the first entry is selected on
  // both sides and both sides are loaded.
  explicit TMoveGameForm(Database& db);

  // side 1 = left ("speltid 1"), 2 = right ("speltid 2").
  const std::vector<ListItem>& list() const { return m_list; }
  int listIndex(int side) const { return m_side[side - 1].index; }
  // A change of the side's list: that side is loaded.
  void selectPlayTime(int side, int index);
  std::int32_t loaded(int side) const { return m_side[side - 1].recNo; }
  const PlayTimeRec& working(int side) const { return m_side[side - 1].copy; }
  std::string cell(int side, int row, int col) const;

  int selectedRow() const { return m_selectedRow; }
  // Double-click in the left grid on `row`: checks, moves, saves and reloads. A move that
  // puts a team twice on one day is asked about first. Every answer carries the text for
  // the status line ("match 12 flyttad till ...", or why nothing moved).
  OkResult doubleClickLeft(int row);

  static std::string Caption() { return "matchflyttare"; }

 private:
  struct SideState {
    int index = -1;
    std::int32_t recNo = 0;
    PlayTimeRec copy;
    std::array<std::string, kRows> home{};
    std::array<std::string, kRows> away{};
  };
  void load(int side);
  OkResult move();
  // The play time other than `except` on `day` ("YYYY-MM-DD") where `team` plays, or empty;
  // `teamText` gets the team's number and name.
  std::string sameDayPlayTime(std::int32_t team, const std::string& day, std::int32_t except,
                              std::string& teamText);
  bool confirmSameDay(const MatchEntry& slot);

  Database& m_db;
  std::vector<ListItem> m_list;
  std::array<SideState, 2> m_side;
  int m_selectedRow = -1;
};

}  // namespace liga
