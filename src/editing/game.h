// Matches: the play-time editor `TGameForm` with its slot grid `sgGame`, and the play-time
// register `TlgGameRegForm`.
//
// Saving a play time keeps three things in step (invariants after every save):
//  1. every slot with a MatchNumber above 0 names two existing teams of one class, and each
//     of them has exactly one entry with that number, pointing at this play time, with the
//     slot's scores seen from its side (opponent positive at home, negated away);
//  2. no team stands in two slots of one play time;
//  3. LastMatchNumber is the highest match number handed out; UsedRows is the highest slot
//     holding a match.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "database/database.h"
#include "editing/editor_result.h"
#include "editing/register.h"

namespace liga {

class TGameForm {
 public:
  static constexpr int kRows = 17;  // heading + 16 slots
  static constexpr int kCols = 7;
  static constexpr int kHomePick = 1;
  static constexpr int kAwayPick = 3;

  // Works on the current play time; takes a copy of it for Cancel and to find changed
  // slots. Scores of 9999 and above are held as -1 while the editor is open.
  TGameForm(Database& db, bool adding);

  std::string edNummer;   // PlayTimeNumber
  std::string edSpeltid;  // PlayTime, 16 characters
  std::string edLedare;   // GameLeader, 56 characters

  std::string cell(int row, int col) const;
  // Only the pick cells (columns 1 and 3) of rows 1..16 can be selected.
  static bool selectable(int row, int col);
  // The status text shown on entering a pick cell.
  static std::string pickCellHint();

  // Double-click, or Tab / Enter / Space released, on a pick cell: the team pick list
  // ("välj lag", preset to the side's team); a choice fills the side.
  void pickCell(int row, int col);
  // Insert released on a pick cell: the side gets no team.
  void clearCell(int row, int col);
  // Puts team `teamRecNo` on the side of `col` in slot `row`, as a choice from the pick
  // list does. False when the team does not exist.
  bool setSide(int row, int col, std::int32_t teamRecNo);

  std::int32_t sideTeam(int row, int col) const;
  std::int32_t sideClass(int row, int col) const;

  // OK: the play time must be new, then the slot rules; stores the fields when all pass.
  // The team match lists are written by writeTeamMatchLists once the play time has its
  // record number.
  OkResult okButtonClick();
  void cancelButtonClick();

  // Writes both teams' match lists for every changed slot, hands out match numbers and
  // raises UsedRows; `playTimeRecNo` is the play time's record number. The play time
  // buffer then holds what is to be written.
  void writeTeamMatchLists(std::int32_t playTimeRecNo);

  bool adding() const { return m_adding; }
  EditorClose closeState() const { return m_close; }
  static std::string Caption() { return "lag"; }

 private:
  struct Side {
    std::string text;
    std::int32_t classRecNo = 0;
  };
  void fillSide(int row, int col, std::int32_t teamRecNo);
  Side& side(int row, int col) { return col == kHomePick ? m_home[row] : m_away[row]; }
  const Side& side(int row, int col) const { return col == kHomePick ? m_home[row] : m_away[row]; }

  Database& m_db;
  bool m_adding;
  PlayTimeRec m_saved;
  std::array<Side, kRows> m_home{};
  std::array<Side, kRows> m_away{};
  EditorClose m_close = EditorClose::Open;
};

// "spelregister": the play times by their date-and-time text.
class TlgGameRegForm : public TERegFormDlg {
 public:
  explicit TlgGameRegForm(Database& db);
  std::function<void(TGameForm&)> runEditor;

 protected:
  std::string FormRegStr() override;
  bool CheckBeforeAdding() override;
  bool CheckBeforeDeleting() override;
  void DoTheDialog(bool add, int index, std::int32_t recNo) override;
  BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) override;
  bool PutRecSelect(std::int32_t recNo) override;
  bool AddRecSelect(bool add, std::int32_t& recNo) override;
  bool DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                    std::int32_t recNo) override;
};

// How many matches a play time (or a team) holds, and how many of them have a score.
struct MatchCount {
  int matches = 0;
  int withResults = 0;
};
MatchCount CountMatches(const PlayTimeRec& pt);
// "9 matcher, 4 med resultat" (code page 1252).
std::string MatchCountText(const MatchCount& count);
// Clears the slots of play time `playTimeRecNo` that hold team `teamRecNo` (0: every slot)
// the way the play-time editor does, both teams' match entries included, and stores it.
bool ClearSlots(Database& db, std::int32_t playTimeRecNo, std::int32_t teamRecNo);

// Resets the play-time buffer to the defaults of a new play time with no current record.
void ResetNewPlayTime(Database& db);

}  // namespace liga
