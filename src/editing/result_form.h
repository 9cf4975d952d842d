// Result entry `TResultForm`: one play time at a time, only the two score columns editable.
// Saving a play time writes the scores into the play time and both teams' match entries,
// recomputes both teams' statistics and keeps the class's OpenMatches and the
// competition's TotalOpenMatches in step. A match is open until both of its scores are
// present:
//  * no full result before and a full result now: both counters fall by one;
//  * a full result before and none now (no score, or one score only): both rise by one;
//  * otherwise (a first partial score, a corrected result): the counters stay.
// So the counters always equal the matches without a full result, whatever the order in
// which partial and full results were typed.
// A score is "present" when it is 0..9998; anything negative or 9999 and above is none and
// stored as 10001.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"
#include "editing/editor_result.h"

namespace liga {

class TResultForm {
 public:
  static constexpr int kRows = 17;
  static constexpr int kCols = 7;
  static constexpr int kHomeCol = 4;
  static constexpr int kAwayCol = 6;

  struct ListItem {
    std::string text;
    std::int32_t recNo;
  };

  // Open: the list of play times in key order, the first one selected and loaded.
  explicit TResultForm(Database& db);

  const std::vector<ListItem>& list() const { return m_list; }
  int listIndex() const { return m_index; }
  int lastLoaded() const { return m_lastLoaded; }
  std::int32_t loadedRecNo() const { return m_recNo; }

  std::string cell(int row, int col) const;
  // Typing into a score cell of a match row (columns 4 and 6).
  void setCell(int row, int col, const std::string& text);
  // In rows that hold a match only columns 4, 5 and 6 can be selected.
  bool selectable(int row, int col) const;
  // Entering the grid puts the cursor in column 4.
  static int entryColumn() { return kHomeCol; }

  // A new play time chosen in the list: the one on screen is checked and saved first; on
  // a refusal the list returns to it and the refusal is answered.
  OkResult cbSpeltider1Change(int index);
  // "klar": check and save, then close with OK.
  OkResult klarClick();
  // "avbryt": close; play times saved earlier stay saved.
  void avbrytClick() { m_close = EditorClose::Cancel; }
  // Throws away what was typed into the play time on screen and shows it as stored.
  void discardChanges() {
    if (m_lastLoaded >= 0) load(m_lastLoaded);
  }
  // Whether a score cell differs from what the play time on screen holds.
  bool modified() const;
  EditorClose closeState() const { return m_close; }

  static std::string Caption() { return "resultatinmatning"; }

 private:
  void load(int index);
  OkResult check();
  std::string cellProblem(int row, int side) const;
  void save();

  Database& m_db;
  std::vector<ListItem> m_list;
  int m_index = -1;
  int m_lastLoaded = -1;
  std::int32_t m_recNo = 0;
  PlayTimeRec m_work;
  PlayTimeRec m_copy;
  std::array<std::string, kRows> m_home{};
  std::array<std::string, kRows> m_away{};
  std::array<std::array<std::string, 2>, kRows> m_cells{};        // home, away score texts
  std::array<std::array<std::string, 2>, kRows> m_loadedCells{};  // as loaded or last saved
  EditorClose m_close = EditorClose::Open;
};

}  // namespace liga
