// Competition information: the editor `TInfoDlgForm` with its address editor `TadressDlg`,
// and `InputInfo`, which the main window's "&ny" and "&ändra" commands run.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "database/database.h"
#include "editing/editor_result.h"

namespace liga {

// Edits one contact block (five lines of at most 22 characters) through a memo text.
class TadressDlg {
 public:
  using Block = std::array<std::string, CompetitionRec::kContactLines>;
  explicit TadressDlg(const Block& block);

  // The memo: each line followed by CR LF, trailing line breaks removed; at most 114
  // characters are accepted by the control.
  std::string adressMemo;
  static constexpr std::size_t kMemoMax = 114;

  // OK: the memo's first five lines (CR LF or LF separated), each cut to 22 characters,
  // become the block; further lines are dropped.
  void okClick();
  void cancelClick() { m_close = EditorClose::Cancel; }
  EditorClose closeState() const { return m_close; }
  // The block as it is when the editor closes: the edited one after OK, the unchanged copy
  // otherwise.
  const Block& block() const { return m_block; }
  static std::string Caption() { return "adress"; }

 private:
  Block m_block;
  EditorClose m_close = EditorClose::Open;
};

// "tävling/turnering": edits the current competition record; in adding mode a new one.
class TInfoDlgForm {
 public:
  // In adding mode an open competition is closed first. Takes a copy of the competition
  // record for Cancel.
  TInfoDlgForm(Database& db, bool adding);

  std::string edArr;           // Organiser
  std::string edTvl;           // CompetitionName
  std::string edTyp;           // SportType
  std::string edOmg;           // DefaultRounds
  std::string edPostgiro;      // PostgiroNumber
  std::string edBankgiro;      // BankgiroNumber
  std::string edBetMottagare;  // Payee
  std::string edAvgift;        // Fee, right-aligned in 5 when filled
  bool cbAttbetala = false;    // AmountFilled
  std::array<std::string, CompetitionRec::kContactBlocks> edKontakt;  // first lines shown

  bool rbUsePG() const { return m_usePG; }
  bool rbUseBG() const { return !m_usePG; }
  // Choosing one radio button clears the other.
  void chooseUsePG() { m_usePG = true; }
  void chooseUseBG() { m_usePG = false; }

  // Contact button n (1..4): runs the address editor on block n and copies the block back
  // into the competition record whatever the button; edKontakt shows its first line.
  void btnKontaktClick(int n, const std::function<void(TadressDlg&)>& run);

  // OK: stores the texts, checks rounds and fee (in that order), stores the competition
  // and, for a new one, creates its files.
  OkResult okButtonClick();
  // Cancel: the saved record comes back; with no competition open the current competition
  // is opened again.
  void cancelButtonClick();

  bool adding() const { return m_adding; }
  EditorClose closeState() const { return m_close; }
  static std::string Caption();

 private:
  Database& m_db;
  bool m_adding;
  CompetitionRec m_saved;
  bool m_usePG = true;
  EditorClose m_close = EditorClose::Open;
};

// The main window's "&ny" (add) and "&ändra" commands: opens the editor through `run` (an
// editor left open counts as cancelled). Answers whether it closed with OK. Adding without
// a catalogue does nothing (the current competition becomes 0); with ten competitions in
// use it posts "Max antal tävlingar uppnått kan ej addera flera!" and opens nothing.
bool InputInfo(Database& db, bool add, const std::function<void(TInfoDlgForm&)>& run);

}  // namespace liga
