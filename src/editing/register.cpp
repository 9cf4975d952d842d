#include "editing/register.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "editing/editor_result.h"

namespace liga {
namespace {
std::string g_lastShown;
}

const std::string& LastShownMessage() {
  return g_lastShown;
}
void SetLastShownMessage(const std::string& text) {
  g_lastShown = text;
}

TERegFormDlg::TERegFormDlg(Database& db, std::string caption)
    : m_db(db), m_caption(std::move(caption)) {}

const std::string& TERegFormDlg::ListHint() {
  static const std::string hint = W("dubbelklicka för att ändra vald registerpost");
  return hint;
}

const std::vector<TERegFormDlg::Button>& TERegFormDlg::Buttons() {
  static const std::vector<Button> buttons = {
      {"closebtn", W("&Stäng"), W("stäng och återgå")},
      {"changebtn", W("&Ändra"), W("ändra den valda  registerposten")},
      {"deletebtn", "&Radera", "radera den valda registerposten"},
      {"newbtn", "&Ny", W("lägg in en ny registerpost")},
      {"printbtn", "S&kriv", "skriv ut valda etiketter"},
  };
  return buttons;
}

void TERegFormDlg::start() {
  m_list.clear();
  std::string key;
  std::int32_t recNo = 0;
  FixtSelect(BrowseMode::Clear, key, recNo);
  for (;;) {
    const BrowseResult r = FixtSelect(BrowseMode::Next, key, recNo);
    if (r.atEnd) break;
    if (r.found) insertSorted({FormRegStr(), recNo, false});
  }
  showMessageLine();
}

int TERegFormDlg::insertSorted(ListEntry entry) {
  const auto at = std::upper_bound(
      m_list.begin(), m_list.end(), entry.text,
      [](const std::string& t, const ListEntry& e) { return TextLess(t, e.text); });
  const auto inserted = m_list.insert(at, std::move(entry));
  return static_cast<int>(inserted - m_list.begin());
}

int TERegFormDlg::selectedCount() const {
  return static_cast<int>(
      std::count_if(m_list.begin(), m_list.end(), [](const ListEntry& e) { return e.selected; }));
}

void TERegFormDlg::setSelected(int index, bool on) {
  if (index >= 0 && index < count()) m_list[index].selected = on;
}

void TERegFormDlg::clearSelection() {
  for (ListEntry& e : m_list) e.selected = false;
}

int TERegFormDlg::indexOf(std::int32_t recNo) const {
  for (int i = 0; i < count(); ++i)
    if (m_list[i].recNo == recNo) return i;
  return -1;
}

void TERegFormDlg::listClick() {
  m_status = FormatInt(count(), 4) + " [" + FormatInt(selectedCount(), 4) + "]";
}

bool TERegFormDlg::takeBeep() {
  const bool b = m_beep;
  m_beep = false;
  return b;
}

void TERegFormDlg::showMessageLine() {
  if (StatusMessage() != g_lastShown) {
    m_status = StatusMessage();
    g_lastShown = StatusMessage();
  }
}

void TERegFormDlg::EditEntry(bool add) {
  if (add) {
    if (!CheckBeforeAdding()) {
      m_beep = true;
      Ui().beep(440, 100);
      m_status = W("maxantalet uppnått kan ej addera registerpost!");
      return;
    }
    DoTheDialog(true, -1, 0);
  } else {
    int index = -1;
    for (int i = 0; i < count() && index < 0; ++i)
      if (m_list[i].selected) index = i;
    if (index < 0) index = m_focused;
    if (index < 0 || index >= count()) return;
    std::string key;
    std::int32_t recNo = m_list[index].recNo;
    if (FixtSelect(BrowseMode::ByNumber, key, recNo).found) DoTheDialog(false, index, recNo);
  }
  showMessageLine();
}

void TERegFormDlg::preDialog(bool add, std::int32_t recNo) {
  if (!add) DelRecSelect(BrowseMode::ByNumber, {}, false, recNo);
}

void TERegFormDlg::postDialog(bool add, int index, std::int32_t recNo, bool ok) {
  if (!add || ok) {
    if (!AddRecSelect(add, recNo)) {
      // A store that failed must not show up as a listed record.
      ShowMessage(401, IsamErrorText());
      return;
    }
  }
  if (!ok) return;
  if (!add && index >= 0 && index < count()) m_list.erase(m_list.begin() + index);
  if (add) clearSelection();
  const int at = insertSorted({FormRegStr(), recNo, true});
  m_focused = at;
}

void TERegFormDlg::EraseEntry() {
  for (ListEntry& entry : m_list) {
    if (!entry.selected) continue;
    std::string key;
    std::int32_t recNo = entry.recNo;
    if (!FixtSelect(BrowseMode::ByNumber, key, recNo).found) continue;
    // An entry whose record stays (refused before or by the delete step) stays listed.
    if (!CheckBeforeDeleting() || !DelRecSelect(BrowseMode::ByNumber, {}, true, recNo))
      entry.selected = false;
  }
  std::erase_if(m_list, [](const ListEntry& e) { return e.selected; });
  m_focused = -1;
  showMessageLine();
}

std::vector<std::string> TERegFormDlg::Print(const std::string& title) {
  std::vector<std::string> lines;
  if (selectedCount() == 0) return lines;
  lines.push_back(title + ": " + m_caption);
  for (const ListEntry& entry : m_list) {
    if (!entry.selected) continue;
    std::string key;
    std::int32_t recNo = entry.recNo;
    if (FixtSelect(BrowseMode::ByNumber, key, recNo).found) lines.push_back(FormRegStr());
  }
  showMessageLine();
  return lines;
}

}  // namespace liga
