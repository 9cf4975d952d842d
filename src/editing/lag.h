// Teams: the team editor `TLagForm` with its contact grid `sgLagMedl`, and the team
// register `TlgLagRegForm`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "database/database.h"
#include "editing/editor_result.h"
#include "editing/register.h"

namespace liga {

class TLagForm {
 public:
  static constexpr int kGridRows = 24;  // heading + leader + 22 members
  static constexpr int kGridCols = 6;

  // Fills the fields from the current team; when adding, numbers the team from the current
  // class. Takes a copy of the team for Cancel.
  TLagForm(Database& db, bool adding);

  // The number arrow's position (0..9999); OK forms the key from it. setNummerText follows
  // the edit field as the arrow control does: a text that is a number in range moves it.
  int udNummer = 0;
  std::string edNummer;
  void setNummerText(const std::string& text);
  void setNummer(int number);

  std::string edNamn;
  std::string edRanking;
  std::string edLost;   // OpeningGoalsAgainst
  std::string edWin;    // OpeningGoalsFor
  std::string edPoint;  // OpeningPoints

  // The class box: its list (class names in name order, an empty name as "__") and text.
  std::vector<std::string> cbKlassItems;
  std::string cbKlass;
  // A new choice or text in the class box: the class check; when adding, the team is
  // renumbered from the class's first team number.
  void cbKlassChange();

  // sgLagMedl: row 0 headings, row 1 the leader ("LL"), rows 2..23 members 1..22.
  std::string cell(int row, int col) const;
  // An edit of a data cell (columns 1..5) goes straight into the team's contact row.
  void setCell(int row, int col, const std::string& text);

  // OK: team number unique, class check, then ranking and opening values must parse
  // (lost, won, points, ranking).
  OkResult okButtonClick();
  void cancelButtonClick();

  bool adding() const { return m_adding; }
  EditorClose closeState() const { return m_close; }
  static std::string Caption() { return "lag"; }

 private:
  // Makes the class named in cbKlass the current class, offering to create it. True when
  // the team has a class afterwards.
  bool classCheck(OkResult* refusal);

  Database& m_db;
  bool m_adding;
  TeamRec m_saved;
  EditorClose m_close = EditorClose::Open;
};

// "lagregister": the teams by team number.
class TlgLagRegForm : public TERegFormDlg {
 public:
  explicit TlgLagRegForm(Database& db);
  std::function<void(TLagForm&)> runEditor;

 protected:
  std::string FormRegStr() override;
  bool CheckBeforeAdding() override;
  // A team that still stands in a registered match is kept: play times refer to teams by
  // record number, and a deleted team's number is handed to the next new team.
  bool CheckBeforeDeleting() override;
  void DoTheDialog(bool add, int index, std::int32_t recNo) override;
  BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) override;
  bool PutRecSelect(std::int32_t recNo) override;
  bool AddRecSelect(bool add, std::int32_t& recNo) override;
  bool DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                    std::int32_t recNo) override;
};

// Resets the team buffer to the defaults of a new team (numbered from the current class)
// with its name converted for display and no current team record.
void ResetNewTeam(Database& db);

}  // namespace liga
