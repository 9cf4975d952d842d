#include "editing/move_game.h"

#include <chrono>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "editing/select.h"
#include "editing/team_matches.h"
#include "model/matches.h"

namespace liga {
namespace {

std::vector<TMoveGameForm::ListItem> playTimeList(Database& db) {
  std::vector<TMoveGameForm::ListItem> items;
  OpenProgress(W("Vänta ... speltider"), kProgressRows, false);
  for (const std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTime(recNo)) continue;
    const std::string text = db.playTime().playTime();
    items.push_back({text.empty() ? "__" : text.substr(0, 16), recNo});
  }
  CloseProgress();
  return items;
}

std::string elapsedText(std::chrono::steady_clock::duration d) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  return std::to_string(ms / 60000) + " min " + std::to_string((ms / 1000) % 60) + " s";
}

}  // namespace

TMoveGameForm::TMoveGameForm(Database& db) : m_db(db) {
  m_list = playTimeList(db);
  for (int side = 1; side <= 2; ++side) {
    m_side[side - 1].index = m_list.empty() ? -1 : 0;
    load(side);
  }
}

void TMoveGameForm::selectPlayTime(int side, int index) {
  if (index < 0 || index >= static_cast<int>(m_list.size())) return;
  m_side[side - 1].index = index;
  load(side);
}

void TMoveGameForm::load(int side) {
  SideState& s = m_side[side - 1];
  if (s.index < 0) return;
  const std::int32_t recNo = m_list[s.index].recNo;
  if (!SelectPlayTimeNo(m_db, recNo)) return;
  s.recNo = recNo;
  s.copy = m_db.playTime();
  ShowScores(s.copy);
  for (int r = 1; r < kRows; ++r) {
    const MatchEntry e = s.copy.match(r);
    s.home[r] = TeamSideText(m_db, e.homeTeamRecNo(), 14);
    s.away[r] = TeamSideText(m_db, e.awayTeamRecNo(), 14);
  }
  if (side == 1) m_selectedRow = -1;
}

std::string TMoveGameForm::cell(int side, int row, int col) const {
  static const char* const kHeadings[kCols] = {"nr", "hemmalag....", "-", "bortalag....", "", "-",
                                               ""};
  if (row < 0 || row >= kRows || col < 0 || col >= kCols) return {};
  if (row == 0) return kHeadings[col];
  const SideState& s = m_side[side - 1];
  const MatchEntry e = s.copy.match(row);
  if (e.matchNumber() <= 0) return {};
  switch (col) {
    case 0:
      return FormatInt(e.matchNumber(), 4);
    case 1:
      return s.home[row];
    case 3:
      return s.away[row];
    case 4:
      return FormatInt(e.homeScore(), 2);
    case 6:
      return FormatInt(e.awayScore(), 2);
    default:
      return "-";
  }
}

OkResult TMoveGameForm::doubleClickLeft(int row) {
  m_selectedRow = row;
  return move();
}

std::string TMoveGameForm::sameDayPlayTime(std::int32_t team, const std::string& day,
                                           std::int32_t except, std::string& teamText) {
  if (!SelectTeamNo(m_db, team)) return {};
  const TeamRec t = m_db.team();
  teamText = t.teamNumberKey() + " " + t.teamName();
  PlayTimeRec pt;
  for (const model::TeamMatch& m : model::TeamMatches(t)) {
    if (m.number <= 0 || m.playTimeRecNo <= 0 || m.playTimeRecNo == except) continue;
    if (!m_db.readPlayTimeRecord(m.playTimeRecNo, pt)) continue;
    const std::string when = pt.playTime();
    if (when.compare(0, day.size(), day) == 0) return when;
  }
  return {};
}

// A move that puts a team on a day it already plays is allowed, but only when the person
// confirms it: true when the move may go on.
bool TMoveGameForm::confirmSameDay(const MatchEntry& slot) {
  const std::string destination = m_side[1].copy.playTime();
  if (destination.size() < 16 || !PlayTimeTextProblem(destination.substr(0, 16)).empty())
    return true;
  const std::string day = destination.substr(0, 10);
  for (const std::int32_t team : {slot.homeTeamRecNo(), slot.awayTeamRecNo()}) {
    std::string teamText;
    const std::string other = sameDayPlayTime(team, day, m_side[0].recNo, teamText);
    if (other.empty()) continue;
    const std::string question = "Laget \"" + teamText + W("\" spelar redan ") + other +
                                 W(". Efter flyttningen spelar det två matcher samma dag. "
                                   "Flytta ändå?");
    return Ui().showMessage(MessageKind::Question, "??", question) == Answer::Yes;
  }
  return true;
}

OkResult TMoveGameForm::move() {
  auto refuse = [](const char* text) { return OkResult::Refused(Utf8ToCp1252(text)); };
  SideState& left = m_side[0];
  SideState& right = m_side[1];
  const int r = m_selectedRow;
  if (r < 1 || r >= kRows) return refuse("Ingen match utvald för flyttning");
  if (left.copy.match(r).matchNumber() == 0) {
    m_selectedRow = -1;
    return refuse("Ingen match registrerad på speltiden här");
  }
  if (left.recNo == 0) return refuse("Ingen speltid vald att flytta från");
  if (right.recNo == 0) return refuse("Ingen speltid vald att flytta till");
  if (right.copy.usedRows() >= PlayTimeRec::kMaxRows)
    return refuse("Speltiden redan full flyttning ej möjlig");
  if (left.recNo == right.recNo) return refuse("Meningslöst att flytta till samma speltid");
  if (!confirmSameDay(left.copy.match(r))) {
    m_selectedRow = -1;
    OkResult declined = OkResult::Refused(W("ingen match flyttades"));
    declined.beep = false;
    return declined;
  }

  const auto started = std::chrono::steady_clock::now();
  OpenProgress(W("Vänta!! Sorterar in flyttningen.."), kProgressRows, false);
  m_selectedRow = -1;
  const int matchNumber = left.copy.match(r).matchNumber();
  const model::MoveOutcome outcome = model::MoveMatch(m_db, left.recNo, r, right.recNo);
  ProgressLine(2, "Tid: " + elapsedText(std::chrono::steady_clock::now() - started));
  CloseProgress();
  if (!outcome.moved) ShowMessage(201, outcome.failure);
  load(1);
  load(2);
  if (!outcome.moved) return OkResult::Refused(outcome.failure);
  OkResult moved = OkResult::Passed();
  moved.message =
      "match " + std::to_string(matchNumber) + W(" flyttad till ") + right.copy.playTime();
  return moved;
}

}  // namespace liga
