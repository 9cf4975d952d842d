// Classes: the class editor `TklassDlg` and the class register `TlgKLassRegForm`.
#pragma once

#include <functional>
#include <string>

#include "database/database.h"
#include "editing/editor_result.h"
#include "editing/register.h"

namespace liga {

// Edits the current class record. Created with the adding flag; takes a copy of the class
// record for Cancel. The fields hold the controls' texts (code page 1252).
class TklassDlg {
 public:
  TklassDlg(Database& db, bool adding);

  std::string edKlass;        // at most 22 characters
  std::string edOmg;          // Rounds
  std::string edWin;          // WinPoints
  std::string edOavg;         // DrawPoints
  std::string edNummerStart;  // FirstTeamNumber
  // The class's tie order as words ("poäng,målskillnad,inbördes"); kept in the
  // competition's tie-order file, not in the class record.
  std::string edOrdning;

  // OK: the name must be new, then the four numbers must parse (rounds, draw, win, first
  // number, in that order), then the tie order. Stores into the class buffer and the
  // tie-order file, and closes only when all pass.
  OkResult BitBtn1Click();
  // Cancel: the class buffer gets back the copy taken at creation.
  void BitBtn2Click();

  bool adding() const { return m_adding; }
  EditorClose closeState() const { return m_close; }
  static std::string Caption() { return "klass/division"; }

 private:
  Database& m_db;
  bool m_adding;
  DivisionRec m_saved;
  std::string m_oldName;  // the name the class had when the editor opened ("" when adding)
  EditorClose m_close = EditorClose::Open;
};

// "register klass/division": the classes by name.
class TlgKLassRegForm : public TERegFormDlg {
 public:
  explicit TlgKLassRegForm(Database& db);

  // Shows the editor modally: fills it from the user, presses OK or Cancel. An editor that
  // is left open counts as cancelled. Without a runner the editor is cancelled.
  std::function<void(TklassDlg&)> runEditor;

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

// Resets the class buffer to the defaults of a new class (every byte zero, "XXX",
// LeaderPoints 9999, first team number 1, the class file's length as ClassNumber, the
// competition's default rounds, 2 and 1 points) with no current class record.
void ResetNewClass(Database& db);

}  // namespace liga
