#include "editing/pick.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/text.h"
#include "editing/editor_result.h"
#include "editing/select.h"

namespace liga {
namespace {

class CancellingRunner final : public PickWindowRunner {
 public:
  void run(TEPickForm& form) override { form.cancelBtnClick(); }
};

CancellingRunner g_cancelling;
PickWindowRunner* g_runner = &g_cancelling;

constexpr std::size_t kPickTextMax = 255;

}  // namespace

PickWindowRunner& PickWindows() {
  return *g_runner;
}

PickWindowRunner* SetPickWindows(PickWindowRunner* runner) {
  PickWindowRunner* previous = g_runner;
  g_runner = runner != nullptr ? runner : &g_cancelling;
  return previous == &g_cancelling ? nullptr : previous;
}

// ---------------------------------------------------------------------------------------

TEPickForm::TEPickForm(std::string caption, bool multiSelect, bool sorted)
    : m_caption(caption.empty() ? W("välj") : std::move(caption)),
      m_multi(multiSelect),
      m_sorted(sorted),
      m_allCaption("&Alla") {}

int TEPickForm::addItem(const std::string& text) {
  Item item{text, static_cast<int>(m_items.size()), false};
  auto at = m_items.end();
  if (m_sorted) {
    at = std::upper_bound(m_items.begin(), m_items.end(), text,
                          [](const std::string& t, const Item& i) { return TextLess(t, i.text); });
  }
  // The insertion may reallocate: take the position from the iterator it returns.
  const auto inserted = m_items.insert(at, std::move(item));
  return static_cast<int>(inserted - m_items.begin());
}

void TEPickForm::setSelected(int i, bool on) {
  if (on && !m_multi) {
    for (Item& item : m_items) item.selected = false;
  }
  m_items.at(i).selected = on;
}

int TEPickForm::selectedCount() const {
  return static_cast<int>(
      std::count_if(m_items.begin(), m_items.end(), [](const Item& i) { return i.selected; }));
}

void TEPickForm::allbtnClick() {
  if (!m_multi) return;
  for (Item& item : m_items) item.selected = m_allNext;
  m_allNext = !m_allNext;
  m_allCaption = m_allNext ? "&Alla" : "&Ingen";
}

const std::string& TEPickForm::allbtnHint() {
  static const std::string hint = W("väljer alla respektive ingen");
  return hint;
}

bool TEPickForm::doubleClick(int i) {
  if (m_multi || i < 0 || i >= count()) return false;
  setSelected(i, true);
  m_close = Close::Ok;
  return true;
}

std::string TEPickForm::statusText() const {
  const int n = selectedCount();
  std::string s = n > 0 ? FormatInt(n, 3) : std::string();
  return s + " [" + FormatInt(count(), 3) + "]";
}

// ---------------------------------------------------------------------------------------

TEPick::TEPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset, std::string title)
    : m_db(db),
      m_sorted(sorted),
      m_multi(multiSelect),
      m_preset(preset),
      m_title(std::move(title)) {}

void TEPick::run() {
  InitTheListData();
  PickDlg();
}

void TEPick::InitTheListData() {
  m_entries.clear();
  std::string key;
  std::int32_t recNo = 0;
  FixtSelect(BrowseMode::Clear, key, recNo);
  for (;;) {
    const BrowseResult r = FixtSelect(BrowseMode::Next, key, recNo);
    if (r.atEnd) break;
    if (!r.found) continue;
    bool preselect = false;
    if (!doTheFilter(preselect)) continue;
    std::string text = FormPickStr();
    if (text.size() > kPickTextMax) text.resize(kPickTextMax);
    m_entries.push_back({std::move(text), preselect ? -recNo : recNo});
  }
  m_offered = static_cast<int>(m_entries.size());
}

void TEPick::PickDlg() {
  m_confirmed = false;
  if (m_entries.empty()) {
    return;
  }
  TEPickForm form(m_title, m_multi, m_sorted);
  for (std::size_t e = 0; e < m_entries.size(); ++e) {
    Entry& entry = m_entries[e];
    const int line = form.addItem(entry.text);
    form.m_items[line].entry = static_cast<int>(e);
    bool select = m_preset != 0 && entry.recNo == m_preset;
    if (entry.recNo < 0) {
      entry.recNo = -entry.recNo;
      select = true;
    }
    if (select) form.setSelected(line, true);
  }
  PickWindows().run(form);
  m_confirmed = form.closedWithOk();
  if (!m_confirmed) return;
  std::vector<bool> keep(m_entries.size(), false);
  for (const auto& item : form.m_items) {
    if (item.selected) keep[item.entry] = true;
  }
  std::vector<Entry> chosen;
  for (std::size_t e = 0; e < m_entries.size(); ++e) {
    if (keep[e]) chosen.push_back(std::move(m_entries[e]));
  }
  m_entries = std::move(chosen);
}

std::int32_t TEPick::GetPickData(int i) {
  if (!m_confirmed || i < 0 || i >= static_cast<int>(m_entries.size())) return -1;
  std::string key;
  std::int32_t recNo = m_entries[i].recNo;
  if (!FixtSelect(BrowseMode::ByNumber, key, recNo).found) return -1;
  return recNo;
}

int TEPick::CheckPickItem(std::int32_t recNo) const {
  for (std::size_t e = 0; e < m_entries.size(); ++e) {
    if (m_entries[e].recNo == recNo) return static_cast<int>(e);
  }
  return -1;
}

int TEPick::CheckPickStr(const std::string& key) {
  std::string k = key;
  std::int32_t recNo = 0;
  if (!FixtSelect(BrowseMode::Find, k, recNo).found) return -1;
  return CheckPickItem(recNo);
}

// ---------------------------------------------------------------------------------------

TKlassPick::TKlassPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
                       std::string title)
    : TEPick(db, sorted, multiSelect, preset, std::move(title)) {
  run();
}

std::string TKlassPick::FormPickStr() {
  return m_db.cls().className();
}

BrowseResult TKlassPick::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectClass(m_db, mode, key, recNo);
}

TClubPick::TClubPick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
                     std::string title, bool emailonly)
    : TEPick(db, sorted, multiSelect, preset, std::move(title)), m_emailOnly(emailonly) {
  run();
}

std::string TClubPick::FormPickStr() {
  return m_db.team().teamNumberKey() + " " + m_db.team().teamName();
}

BrowseResult TClubPick::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectTeam(m_db, mode, key, recNo);
}

bool TClubPick::doTheFilter(bool& preselect) {
  (void)preselect;
  if (!m_emailOnly) return true;
  for (int r = 0; r < TeamRec::kContactRows; ++r) {
    if (!m_db.team().contactRow(r).email().empty()) return true;
  }
  return false;
}

TGamePick::TGamePick(Database& db, bool sorted, bool multiSelect, std::int32_t preset,
                     std::string title)
    : TEPick(db, sorted, multiSelect, preset, std::move(title)) {
  run();
}

std::string TGamePick::FormPickStr() {
  return m_db.playTime().playTime();
}

BrowseResult TGamePick::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectPlayTime(m_db, mode, key, recNo);
}

}  // namespace liga
