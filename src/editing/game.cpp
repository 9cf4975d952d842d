#include "editing/game.h"

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "editing/pick.h"
#include "editing/select.h"
#include "editing/team_matches.h"
#include "model/matches.h"

namespace liga {
namespace {

bool sameBytes(const MatchEntry& a, const MatchEntry& b) {
  return a.bytes() == b.bytes();
}

}  // namespace

void ResetNewPlayTime(Database& db) {
  db.resetPlayTimeBuffer();
  db.setPlayTimeRecNo(0);
}

TGameForm::TGameForm(Database& db, bool adding)
    : m_db(db), m_adding(adding), m_saved(db.playTime()) {
  PlayTimeRec& pt = db.playTime();
  edNummer = std::to_string(pt.playTimeNumber());
  edSpeltid = pt.playTime();
  edLedare = pt.gameLeader();
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    if (e.homeTeamRecNo() > 0) fillSide(s, kHomePick, e.homeTeamRecNo());
    if (e.awayTeamRecNo() > 0) fillSide(s, kAwayPick, e.awayTeamRecNo());
  }
  ShowScores(pt);
}

void TGameForm::fillSide(int row, int col, std::int32_t teamRecNo) {
  Side& s = side(row, col);
  if (SelectTeamNo(m_db, teamRecNo)) {
    s.text = m_db.team().teamNumberKey() + " " + m_db.team().teamName();
    s.classRecNo = m_db.team().divisionRecNo();
  }
}

std::string TGameForm::cell(int row, int col) const {
  static const char* const kHeadings[kCols] = {"match",      "+",   "hemmalag..", "+",
                                               "bortalag..", ".H.", ".B."};
  if (row < 0 || row >= kRows || col < 0 || col >= kCols) return {};
  if (row == 0) return kHeadings[col];
  const MatchEntry e = m_db.playTime().match(row);
  switch (col) {
    case 0:
      return FormatInt(e.matchNumber(), 3);
    case 1:
    case 3:
      return "..";
    case 2:
      return m_home[row].text;
    case 4:
      return m_away[row].text;
    case 5:
      return std::to_string(e.homeScore());
    default:
      return std::to_string(e.awayScore());
  }
}

bool TGameForm::selectable(int row, int col) {
  return row >= 1 && row < kRows && (col == kHomePick || col == kAwayPick);
}

std::string TGameForm::pickCellHint() {
  return Utf8ToCp1252(
      "dubbelklicka eller tryck tangent för att hämta lag, minustecken för inget lag");
}

std::int32_t TGameForm::sideTeam(int row, int col) const {
  const MatchEntry e = m_db.playTime().match(row);
  return col == kHomePick ? e.homeTeamRecNo() : e.awayTeamRecNo();
}

std::int32_t TGameForm::sideClass(int row, int col) const {
  return side(row, col).classRecNo;
}

bool TGameForm::setSide(int row, int col, std::int32_t teamRecNo) {
  if (!selectable(row, col) || !SelectTeamNo(m_db, teamRecNo)) return false;
  PlayTimeRec& pt = m_db.playTime();
  MatchEntry e = pt.match(row);
  if (col == kHomePick) {
    e.setHomeTeamRecNo(teamRecNo);
  } else {
    e.setAwayTeamRecNo(teamRecNo);
  }
  pt.setMatch(row, e);
  Side& s = side(row, col);
  s.text = (m_db.team().teamNumberKey() + "." + m_db.team().teamName()).substr(0, 30);
  s.classRecNo = m_db.team().divisionRecNo();
  return true;
}

void TGameForm::pickCell(int row, int col) {
  if (!selectable(row, col)) return;
  TClubPick pick(m_db, true, false, sideTeam(row, col), W("välj lag"));
  if (!pick.OkExec()) return;
  const std::int32_t recNo = pick.GetPickData(0);
  if (recNo > 0) setSide(row, col, recNo);
}

void TGameForm::clearCell(int row, int col) {
  if (!selectable(row, col)) return;
  PlayTimeRec& pt = m_db.playTime();
  MatchEntry e = pt.match(row);
  if (col == kHomePick) {
    e.setHomeTeamRecNo(0);
  } else {
    e.setAwayTeamRecNo(0);
  }
  pt.setMatch(row, e);
  side(row, col) = Side{};
}

OkResult TGameForm::okButtonClick() {
  // Looked up as stored (16 characters).
  const std::string when = UpCase(edSpeltid).substr(0, 16);
  // A play time kept as it was stored passes, so one written by an older version can still
  // be edited; a new or changed one must be a real date and time.
  if (m_adding || when != m_saved.playTime()) {
    if (const std::string problem = PlayTimeTextProblem(edSpeltid); !problem.empty())
      return OkResult::Refused(problem, "edSpeltid");
  }
  if (m_db.findPlayTimeKey(when) != 0) {
    return OkResult::Refused(
        W("speltiden finns redan registrerad. \"") + when + W("\" Måste vara unik."), "edSpeltid");
  }
  const PlayTimeRec& pt = m_db.playTime();
  auto refuse = [](const char* text, int row, int col) {
    return OkResult::Refused(Utf8ToCp1252(text), "sgGame", row, col);
  };
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    const bool home = e.homeTeamRecNo() > 0, away = e.awayTeamRecNo() > 0;
    if (home != away)
      return refuse("Två lag måste väljas för att spela match!", s, home ? kAwayPick : kHomePick);
  }
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    if (e.homeTeamRecNo() > 0 && e.homeTeamRecNo() == e.awayTeamRecNo())
      return refuse("Lag kan inte spela mot sig själva!", s, kHomePick);
  }
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    if (m_home[s].classRecNo != m_away[s].classRecNo)
      return refuse("Lagen måste spela i samma division/klass!!", s, kHomePick);
  }
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    for (const int col : {kHomePick, kAwayPick}) {
      const std::int32_t team = col == kHomePick ? e.homeTeamRecNo() : e.awayTeamRecNo();
      if (team <= 0) continue;
      for (int later = s + 1; later <= PlayTimeRec::kMaxRows; ++later) {
        const MatchEntry o = pt.match(later);
        if (o.homeTeamRecNo() == team || o.awayTeamRecNo() == team)
          return refuse("Lag kan inte spela olika matcher på samma tid!", s, col);
      }
    }
  }
  PlayTimeRec& w = m_db.playTime();
  if (const auto number = ParseEditorNumber(edNummer)) w.setPlayTimeNumber(*number);
  w.setPlayTime(when);
  w.setGameLeader(edLedare.substr(0, 56));
  m_close = EditorClose::Ok;
  return OkResult::Passed();
}

void TGameForm::cancelButtonClick() {
  m_db.playTime() = m_saved;
  m_db.setClassRecNo(0);
  m_db.setTeamRecNo(0);
  m_close = EditorClose::Cancel;
}

void TGameForm::writeTeamMatchLists(std::int32_t playTimeRecNo) {
  // The play time as edited; its slots are then taken as the model stored them.
  PlayTimeRec pt = m_db.playTime();
  {
    model::MatchUnit unit(m_db);
    for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
      const MatchEntry slot = StoredScores(pt.match(s));
      if (sameBytes(slot, StoredScores(m_saved.match(s)))) continue;
      const std::int32_t home = slot.homeTeamRecNo(), away = slot.awayTeamRecNo();
      if (home <= 0 && away <= 0) {
        model::ClearMatch(unit, playTimeRecNo, s);
      } else if (model::PlaceMatch(unit, playTimeRecNo, s, home, away) ==
                 model::PlaceOutcome::NoRoom) {
        ShowMessage(1, W("Får ej plats med fler matcher i lagfilen!"));
      }
    }
    unit.commit();
  }
  PlayTimeRec stored;
  if (m_db.readPlayTimeRecord(playTimeRecNo, stored)) {
    for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) pt.setMatch(s, stored.match(s));
    pt.setUsedRows(stored.usedRows());
  }
  m_db.playTime() = pt;
}

// ---------------------------------------------------------------------------------------

TlgGameRegForm::TlgGameRegForm(Database& db) : TERegFormDlg(db, "spelregister") {}

std::string TlgGameRegForm::FormRegStr() {
  return m_db.playTime().playTime();
}

bool TlgGameRegForm::CheckBeforeAdding() {
  ResetNewPlayTime(m_db);
  return m_db.playTimesInUse() < kMaxPlayTimeRecords;
}

MatchCount CountMatches(const PlayTimeRec& pt) {
  MatchCount c;
  for (int s = 1; s <= PlayTimeRec::kMaxRows; ++s) {
    const MatchEntry e = pt.match(s);
    if (e.matchNumber() <= 0) continue;
    ++c.matches;
    if (ScorePresent(e.homeScore()) || ScorePresent(e.awayScore())) ++c.withResults;
  }
  return c;
}

std::string MatchCountText(const MatchCount& c) {
  std::string text = std::to_string(c.matches) + (c.matches == 1 ? " match" : " matcher");
  if (c.withResults > 0) text += ", " + std::to_string(c.withResults) + " med resultat";
  return text;
}

bool ClearSlots(Database& db, std::int32_t playTimeRecNo, std::int32_t teamRecNo) {
  bool ok = true;
  {
    model::MatchUnit unit(db);
    for (const model::MatchValue& m : model::PlayTimeMatches(db, playTimeRecNo)) {
      if (teamRecNo != 0 && m.home != teamRecNo && m.away != teamRecNo) continue;
      ok = model::ClearMatch(unit, playTimeRecNo, m.slot) && ok;
    }
    ok = unit.commit() && ok;
  }
  return db.readPlayTime(playTimeRecNo) && ok;
}

bool TlgGameRegForm::CheckBeforeDeleting() {
  const PlayTimeRec pt = m_db.playTime();
  const MatchCount c = CountMatches(pt);
  if (c.matches == 0 && pt.usedRows() < 1) return true;
  // Says what goes with the play time, and takes it only when the person agrees: the
  // matches leave both teams' match lists first, so no team points at a deleted play time.
  const std::string question = W("Speltiden \"") + pt.playTime() + W("\" har ") +
                               MatchCountText(c) +
                               W(". Matcherna tas bort ur lagens matchlistor. Radera speltiden?");
  if (Ui().showMessage(MessageKind::Question, "??", question) != Answer::Yes) return false;
  const std::int32_t recNo = m_db.playTimeRecNo();
  return ClearSlots(m_db, recNo, 0) && m_db.readPlayTime(recNo);
}

void TlgGameRegForm::DoTheDialog(bool add, int index, std::int32_t recNo) {
  TGameForm dlg(m_db, add);
  preDialog(add, recNo);
  if (runEditor) runEditor(dlg);
  if (dlg.closeState() != EditorClose::Ok) dlg.cancelButtonClick();
  const bool ok = dlg.closeState() == EditorClose::Ok;
  if (ok && !add) dlg.writeTeamMatchLists(recNo);
  postDialog(add, index, recNo, ok);
  if (ok && add && m_db.playTimeRecNo() > 0) {
    // A new play time has its record number only once stored; its slots follow.
    const std::int32_t stored = m_db.playTimeRecNo();
    dlg.writeTeamMatchLists(stored);
    m_db.rewritePlayTime(stored);
    m_db.setPlayTimeRecNo(stored);
  }
}

BrowseResult TlgGameRegForm::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectPlayTime(m_db, mode, key, recNo);
}

bool TlgGameRegForm::PutRecSelect(std::int32_t recNo) {
  return m_db.rewritePlayTime(recNo);
}

bool TlgGameRegForm::AddRecSelect(bool add, std::int32_t& recNo) {
  m_db.setPlayTimeRecNo(add ? 0 : recNo);
  StoreScores(m_db.playTime());
  const bool ok = m_db.storePlayTime(add);
  recNo = m_db.playTimeRecNo();
  if (ok && add) m_db.playTime().setPlayTimeNumber(recNo);
  return ok;
}

bool TlgGameRegForm::DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                                  std::int32_t recNo) {
  (void)mode;
  return m_db.removePlayTime(key, recNo, deleteRecord);
}

}  // namespace liga
