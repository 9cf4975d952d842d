// The register window's logic (`TERegFormDlg`): the records of one file in a sorted list,
// and the new, change, delete and print commands on the selected entries. The class, team
// and play-time registers derive from it and supply the record-specific operations.
//
// Invariants:
//  1. Every list entry names a record that existed when it was listed; its text is the
//     register's FormRegStr of that record.
//  2. While an existing record is being edited its own key is out of the index (the
//     pre-dialog step) and is put back afterwards whatever the editor's outcome (the
//     post-dialog step), so a uniqueness check inside the editor finds only other records.
//  3. An entry leaves the list only when its record was deleted.
// Texts are code page 1252.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"

namespace liga {

// The text last shown in any status bar from the shared message line (the main window
// compares with the same text).
const std::string& LastShownMessage();
void SetLastShownMessage(const std::string& text);

class TERegFormDlg {
 public:
  struct ListEntry {
    std::string text;
    std::int32_t recNo = 0;  // the attached record number (Ttherec)
    bool selected = false;
  };

  virtual ~TERegFormDlg() = default;
  TERegFormDlg(const TERegFormDlg&) = delete;
  TERegFormDlg& operator=(const TERegFormDlg&) = delete;

  const std::string& caption() const { return m_caption; }

  // Register start: lists every record in key order and shows the shared message line.
  void start();

  const std::vector<ListEntry>& list() const { return m_list; }
  int count() const { return static_cast<int>(m_list.size()); }
  int selectedCount() const;
  void setSelected(int index, bool on);
  void clearSelection();
  int focused() const { return m_focused; }
  void setFocused(int index) { m_focused = index; }
  // The index of the entry of record `recNo`, or -1.
  int indexOf(std::int32_t recNo) const;

  // A click in the list: the status bar shows the number of entries right-aligned in 4,
  // " [", the number selected right-aligned in 4, "]".
  void listClick();
  const std::string& statusText() const { return m_status; }
  // True once a command beeped (a refused new command); the view beeps and clears it.
  bool takeBeep();

  // "&Ny" (add) and "&Ändra" (change the first selected entry, else the focused one).
  void EditEntry(bool add);
  // "&Radera": every selected entry whose record may be deleted.
  void EraseEntry();
  // "S&kriv": one line per selected entry whose record exists, in list order, under the
  // heading `title` + ": " + caption(). Returns the lines printed (heading first); nothing
  // when no entry is selected.
  std::vector<std::string> Print(const std::string& title);

  // The list's hint, and the buttons' component names, captions and hints.
  static const std::string& ListHint();
  struct Button {
    std::string name, caption, hint;
  };
  static const std::vector<Button>& Buttons();

 protected:
  TERegFormDlg(Database& db, std::string caption);

  // ---- supplied by the register ----
  virtual std::string FormRegStr() = 0;
  // Prepares the defaults of a new record; true when adding is allowed.
  virtual bool CheckBeforeAdding() { return true; }
  // True when the current record may be deleted.
  virtual bool CheckBeforeDeleting() { return true; }
  // Runs the record's editor between preDialog and postDialog.
  virtual void DoTheDialog(bool add, int index, std::int32_t recNo) = 0;
  virtual BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) = 0;
  virtual bool PutRecSelect(std::int32_t recNo) = 0;
  // Stores the current record (appended when `add`, else rewritten at `recNo`) with its key;
  // `recNo` becomes the stored record's number.
  virtual bool AddRecSelect(bool add, std::int32_t& recNo) = 0;
  virtual bool DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                            std::int32_t recNo) = 0;

  // ---- the framework's steps around an editor ----
  void preDialog(bool add, std::int32_t recNo);
  void postDialog(bool add, int index, std::int32_t recNo, bool ok);

  void showMessageLine();

  Database& m_db;

 private:
  int insertSorted(ListEntry entry);

  std::string m_caption;
  std::vector<ListEntry> m_list;
  int m_focused = -1;
  std::string m_status;
  bool m_beep = false;
};

}  // namespace liga
