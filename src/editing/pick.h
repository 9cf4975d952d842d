// Pick lists: the user chooses one or several records of a competition file (classes,
// teams, play times) for reports, mail and the match editor.
//
// A pick list lives for one choice: constructing it collects the offered records and runs
// the pick window; the caller then asks OkExec() and reads the chosen record numbers.
//
//   TKlassPick pick(db, true, true, 0, "välj klasser");
//   if (pick.OkExec())
//     for (int i = 0; i < pick.Antal(); ++i) { std::int32_t recNo = pick.GetPickData(i); ... }
//
// The pick window itself is `TEPickForm`, a toolkit-free controller; a front end installs a
// `PickWindowRunner` that shows it modally (the desktop program a Qt dialog, tests a
// scripted runner). Without one every pick window closes with Cancel at once.
//
// Invariants:
//  1. entries() is in file key order and holds only records that passed the filter.
//  2. After a window that closed with OK, entries() holds exactly the chosen entries; after
//     Cancel it holds everything offered and nothing counts as chosen.
//  3. A pick list with nothing to offer opens no window and OkExec() is false.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"

namespace liga {

// The pick window's state: its lines, their selection and the "&Alla"/"&Ingen" toggle.
// Texts are code page 1252.
class TEPickForm {
 public:
  TEPickForm(std::string caption, bool multiSelect, bool sorted);

  const std::string& caption() const { return m_caption; }
  bool multiSelect() const { return m_multi; }
  bool sorted() const { return m_sorted; }

  // Inserts a line; a sorted list keeps its lines in text order (equal texts in insertion
  // order). Returns the line's index.
  int addItem(const std::string& text);
  int count() const { return static_cast<int>(m_items.size()); }
  const std::string& itemText(int i) const { return m_items.at(i).text; }
  bool isSelected(int i) const { return m_items.at(i).selected; }
  // In single-select mode selecting a line deselects every other line.
  void setSelected(int i, bool on);
  int selectedCount() const;

  // "&Alla": selects every line, the next press deselects every line; the caption
  // alternates between "&Alla" and "&Ingen". Only in multi-select mode.
  void allbtnClick();
  const std::string& allbtnCaption() const { return m_allCaption; }
  bool allbtnEnabled() const { return m_multi; }
  // The hint of "&Alla": "väljer alla respektive ingen".
  static const std::string& allbtnHint();

  // A double-click on line i: in single-select mode it selects the line and closes the
  // window with OK (returns true); otherwise nothing closes.
  bool doubleClick(int i);
  void okBtnClick() { m_close = Close::Ok; }
  void cancelBtnClick() { m_close = Close::Cancel; }
  bool closedWithOk() const { return m_close == Close::Ok; }
  bool closed() const { return m_close != Close::Open; }

  // The selected count right-aligned in 3 (left out when none is selected), " [", the
  // number of lines right-aligned in 3, "]".
  std::string statusText() const;

  // The list entry (index into the pick list's entries) behind line i.
  int entryOf(int i) const { return m_items.at(i).entry; }

 private:
  friend class TEPick;
  enum class Close { Open, Ok, Cancel };
  struct Item {
    std::string text;
    int entry;
    bool selected;
  };
  std::string m_caption;
  bool m_multi;
  bool m_sorted;
  std::vector<Item> m_items;
  std::string m_allCaption;
  bool m_allNext = true;  // the next press selects all
  Close m_close = Close::Open;
};

// Shows a pick window modally and returns when it has closed (form.closed()); a runner that
// returns with the window still open counts as Cancel.
class PickWindowRunner {
 public:
  virtual ~PickWindowRunner() = default;
  virtual void run(TEPickForm& form) = 0;
};

// The runner pick lists use; until a front end installs one, every window is cancelled.
PickWindowRunner& PickWindows();
// Installs `runner` (not owned; nullptr restores the cancelling runner); returns the previous.
PickWindowRunner* SetPickWindows(PickWindowRunner* runner);

class ScopedPickWindows {
 public:
  explicit ScopedPickWindows(PickWindowRunner& r) : m_previous(SetPickWindows(&r)) {}
  ~ScopedPickWindows() { SetPickWindows(m_previous); }
  ScopedPickWindows(const ScopedPickWindows&) = delete;
  ScopedPickWindows& operator=(const ScopedPickWindows&) = delete;

 private:
  PickWindowRunner* m_previous;
};

class TEPick {
 public:
  struct Entry {
    std::string text;    // FormPickStr, at most 255 characters
    std::int32_t recNo;  // negative while the entry is marked for preselection
  };

  virtual ~TEPick() = default;
  TEPick(const TEPick&) = delete;
  TEPick& operator=(const TEPick&) = delete;

  // True when the window closed with OK and at least one entry is chosen.
  bool OkExec() const { return m_confirmed && !m_entries.empty(); }
  // The number of chosen entries (0 unless the window closed with OK).
  int Antal() const { return m_confirmed ? static_cast<int>(m_entries.size()) : 0; }
  // Every offered entry is chosen.
  bool Alla() const { return OkExec() && Antal() == m_offered; }
  // The record number of chosen entry i (0-based), or -1 when i is out of range or that
  // record no longer exists. An existing record is selected: it is the file's current record.
  std::int32_t GetPickData(int i);
  // The index of the entry holding record `recNo`, or -1.
  int CheckPickItem(std::int32_t recNo) const;
  // Finds the record with exactly `key` and answers its entry index, or -1.
  int CheckPickStr(const std::string& key);

  const std::vector<Entry>& entries() const { return m_entries; }
  int offered() const { return m_offered; }
  const std::string& title() const { return m_title; }

 protected:
  // `preset`: the record whose entry starts selected (0: none). `title` empty: "välj".
  TEPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset, std::string title);

  virtual std::string FormPickStr() = 0;
  virtual BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) = 0;
  // Which records are offered; the current record is in the file's buffer. The base offers
  // all. A filter may mark a record for preselection by setting `preselect`.
  virtual bool doTheFilter(bool& preselect) {
    (void)preselect;
    return true;
  }

  // Collects the offered records and runs the window. Derived constructors call this last,
  // once their own FormPickStr / FixtSelect / doTheFilter can run.
  void run();

  Database& m_db;

 private:
  void InitTheListData();
  void PickDlg();

  bool m_sorted;
  bool m_multi;
  std::int32_t m_preset;
  std::string m_title;
  std::vector<Entry> m_entries;
  int m_offered = 0;
  bool m_confirmed = false;
};

// Classes; entry text ClassName.
class TKlassPick : public TEPick {
 public:
  TKlassPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
             std::string title = {});

 protected:
  std::string FormPickStr() override;
  BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) override;
};

// Teams; entry text TeamNumberKey, a blank, TeamName. With `emailonly` only teams with a
// non-empty Email in any of their 23 contact rows are offered.
class TClubPick : public TEPick {
 public:
  TClubPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
            std::string title = {}, bool emailonly = false);

 protected:
  std::string FormPickStr() override;
  BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) override;
  bool doTheFilter(bool& preselect) override;

 private:
  bool m_emailOnly;
};

// Play times; entry text PlayTime.
class TGamePick : public TEPick {
 public:
  TGamePick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
            std::string title = {});

 protected:
  std::string FormPickStr() override;
  BrowseResult FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) override;
};

}  // namespace liga
