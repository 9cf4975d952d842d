#include "editing/result_form.h"

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "editing/select.h"
#include "editing/team_matches.h"
#include "model/matches.h"

namespace liga {
TResultForm::TResultForm(Database& db) : m_db(db) {
  OpenProgress(W("Vänta ... speltider"), kProgressRows, false);
  for (const std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTime(recNo)) continue;
    const std::string text = db.playTime().playTime();
    m_list.push_back({text.empty() ? "__" : text.substr(0, 16), recNo});
  }
  CloseProgress();
  if (!m_list.empty()) {
    m_index = 0;
    load(0);
  }
}

void TResultForm::load(int index) {
  const std::int32_t recNo = m_list[index].recNo;
  if (SelectPlayTimeNo(m_db, recNo)) {
    m_recNo = recNo;
    m_work = m_db.playTime();
    ShowScores(m_work);
    for (int r = 1; r < kRows; ++r) {
      const MatchEntry e = m_work.match(r);
      m_home[r] = TeamDisplayText(m_db, e.homeTeamRecNo()).substr(0, 14);
      m_away[r] = TeamDisplayText(m_db, e.awayTeamRecNo()).substr(0, 14);
      m_cells[r] = {FormatInt(e.homeScore(), 2), FormatInt(e.awayScore(), 2)};
    }
    m_lastLoaded = index;
  }
  m_loadedCells = m_cells;
  m_copy = m_work;
}

std::string TResultForm::cell(int row, int col) const {
  static const char* const kHeadings[kCols] = {"nr", "hemmalag....", "-", "bortalag....", "", "-",
                                               ""};
  if (row < 0 || row >= kRows || col < 0 || col >= kCols) return {};
  if (row == 0) return kHeadings[col];
  const MatchEntry e = m_work.match(row);
  if (e.matchNumber() <= 0) return {};
  switch (col) {
    case 0:
      return FormatInt(e.matchNumber(), 4);
    case 1:
      return m_home[row];
    case 3:
      return m_away[row];
    case kHomeCol:
      return m_cells[row][0];
    case kAwayCol:
      return m_cells[row][1];
    default:
      return "-";
  }
}

void TResultForm::setCell(int row, int col, const std::string& text) {
  if (row < 1 || row >= kRows || m_work.match(row).matchNumber() <= 0) return;
  if (col == kHomeCol) m_cells[row][0] = text;
  if (col == kAwayCol) m_cells[row][1] = text;
}

bool TResultForm::modified() const {
  return m_lastLoaded >= 0 && m_cells != m_loadedCells;
}

bool TResultForm::selectable(int row, int col) const {
  if (row < 1 || row >= kRows || m_work.match(row).matchNumber() <= 0) return false;
  return col >= kHomeCol && col <= kAwayCol;
}

// Why a score cell does not parse, or empty when it does: "match 12: bortaresultatet 'x'
// är inte ett tal".
std::string TResultForm::cellProblem(int row, int side) const {
  const std::string& text = m_cells[row][side];
  if (ParseScoreCell(text)) return {};
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.erase(trimmed.begin());
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  const std::string which = side == 0 ? "hemmaresultatet" : "bortaresultatet";
  const std::string head = "match " + std::to_string(m_work.match(row).matchNumber()) + ": ";
  if (trimmed.empty()) return head + which + " saknas (-1 = inget resultat)";
  return head + which + " '" + trimmed + W("' är inte ett tal");
}

// Every cell is checked before anything changes: a refusal leaves every typed text as it
// was and names the first faulty cell in grid order, so the person corrects it and goes on.
OkResult TResultForm::check() {
  for (int r = 1; r < kRows; ++r) {
    if (m_work.match(r).matchNumber() <= 0) continue;
    for (int side = 0; side < 2; ++side) {
      const std::string problem = cellProblem(r, side);
      if (problem.empty()) continue;
      m_index = m_lastLoaded;
      return OkResult::Refused(problem, "sgMatcher1", r, side == 0 ? kHomeCol : kAwayCol);
    }
  }
  for (int r = 1; r < kRows; ++r) {
    MatchEntry e = m_work.match(r);
    if (e.matchNumber() <= 0) continue;
    // Scores of 9999 and above are "no result" like a negative one.
    const int home = *ParseScoreCell(m_cells[r][0]);
    const int away = *ParseScoreCell(m_cells[r][1]);
    e.setHomeScore(home >= kUnranked ? -1 : home);
    e.setAwayScore(away >= kUnranked ? -1 : away);
    m_work.setMatch(r, e);
  }
  return OkResult::Passed();
}

void TResultForm::save() {
  // The play time's changed matches are one unit: all of them are stored, with the
  // counters, or none.
  model::MatchUnit unit(m_db);
  for (int r = 1; r < kRows; ++r) {
    const MatchEntry e = m_work.match(r);
    if (e.bytes() == m_copy.match(r).bytes()) continue;
    model::RecordResult(unit, m_recNo, r, e.homeScore(), e.awayScore());
  }
  unit.commit();
  m_db.readPlayTime(m_recNo);
  m_copy = m_work;
  m_loadedCells = m_cells;
}

OkResult TResultForm::cbSpeltider1Change(int index) {
  if (index < 0 || index >= static_cast<int>(m_list.size())) return OkResult::Passed();
  if (m_lastLoaded >= 0) {
    OkResult r = check();
    if (!r.ok) return r;
    save();
  }
  m_index = index;
  load(index);
  return OkResult::Passed();
}

OkResult TResultForm::klarClick() {
  if (m_lastLoaded >= 0) {
    OkResult r = check();
    if (!r.ok) return r;
    save();
  }
  m_close = EditorClose::Ok;
  return OkResult::Passed();
}

}  // namespace liga
