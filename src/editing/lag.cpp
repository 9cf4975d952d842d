#include "editing/lag.h"

#include "common/email_address.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "editing/game.h"
#include "editing/klass.h"
#include "editing/select.h"
#include "model/matches.h"

namespace liga {
namespace {

std::string newClassRefusal() {
  return W("maxantalet uppnått kan ej addera registerpost!");
}

int newTeamNumber(Database& db) {
  return db.teamFileLength() + db.cls().firstTeamNumber() - 1;
}

}  // namespace

void ResetNewTeam(Database& db) {
  db.resetTeamBuffer();
  db.team().convertDosTexts();
  db.setTeamRecNo(0);
}

TLagForm::TLagForm(Database& db, bool adding) : m_db(db), m_adding(adding), m_saved(db.team()) {
  TeamRec& t = db.team();
  if (adding) t.setNumberAndKey(newTeamNumber(db));
  t.setNumberAndKey(t.teamNumber());
  setNummer(t.teamNumber());
  edNamn = t.teamName();
  edRanking = std::to_string(t.ranking());

  // The class list is read without disturbing the current class.
  const DivisionRec savedClass = db.cls();
  const std::int32_t savedClassNo = db.classRecNo();
  OpenProgress(W("Vänta ... klasser"), kProgressRows, false);
  for (const std::int32_t recNo : db.classesInKeyOrder()) {
    if (!db.readClass(recNo)) continue;
    const std::string name = db.cls().className();
    cbKlassItems.push_back(name.empty() ? "__" : name);
    if (recNo == t.divisionRecNo()) cbKlass = cbKlassItems.back();
  }
  CloseProgress();
  db.cls() = savedClass;
  db.setClassRecNo(savedClassNo);

  edLost = std::to_string(t.openingGoalsAgainst());
  edWin = std::to_string(t.openingGoalsFor());
  edPoint = std::to_string(t.openingPoints());
  if (t.divisionRecNo() > 0) SelectClassNo(db, t.divisionRecNo());
}

void TLagForm::setNummer(int number) {
  udNummer = number;
  edNummer = std::to_string(number);
}

void TLagForm::setNummerText(const std::string& text) {
  edNummer = text.substr(0, 5);
  const auto v = ParseEditorNumber(edNummer);
  if (v && *v >= 0 && *v <= 9999 && !edNummer.empty()) udNummer = *v;
}

bool TLagForm::classCheck(OkResult* refusal) {
  const std::string text = UpCase(cbKlass).substr(0, 30);
  // Looked up as stored (22 characters), so a longer text finds its class.
  std::string key = text.substr(0, 22);
  std::int32_t recNo = 0;
  TeamRec& t = m_db.team();
  if (!text.empty() && SelectClass(m_db, BrowseMode::Find, key, recNo).found) {
    t.setDivisionRecNo(m_db.classRecNo());
    return true;
  }
  const std::string question = "Klassen\"" + text + "\" saknas.\r\n" + "Addera till registret";
  if (ShowMessage(101, question) != Answer::Yes) {
    t.setDivisionRecNo(0);
    return false;
  }
  // The class register's limit holds for classes made here too.
  if (m_db.classesInUse() >= kMaxClassRecords) {
    if (refusal != nullptr) *refusal = OkResult::Refused(newClassRefusal(), "cbKlass");
    t.setDivisionRecNo(0);
    return false;
  }
  ResetNewClass(m_db);
  m_db.cls().setClassName(text.substr(0, 22));
  if (!m_db.storeClass(true)) {
    if (refusal != nullptr) *refusal = OkResult::Refused(IsamErrorText(), "cbKlass");
    t.setDivisionRecNo(0);
    return false;
  }
  cbKlassItems.push_back(m_db.cls().className());
  cbKlass = m_db.cls().className();
  t.setDivisionRecNo(m_db.classRecNo());
  return true;
}

void TLagForm::cbKlassChange() {
  classCheck(nullptr);
  if (m_adding) setNummer(newTeamNumber(m_db));
}

std::string TLagForm::cell(int row, int col) const {
  static const char* const kHeadings[kGridCols] = {"rad",       "namn.....", "gata.....",
                                                   "ort......", "telefon..", "mail....."};
  if (row < 0 || row >= kGridRows || col < 0 || col >= kGridCols) return {};
  if (row == 0) return kHeadings[col];
  const ContactRow r = m_db.team().contactRow(row - 1);
  switch (col) {
    case 0:
      return row == 1 ? "LL" : FormatInt(row - 1, 2);
    case 1:
      return r.name();
    case 2:
      return r.street();
    case 3:
      return r.town();
    case 4:
      return r.address4();
    default:
      return r.email();
  }
}

void TLagForm::setCell(int row, int col, const std::string& text) {
  if (row < 1 || row >= kGridRows || col < 1 || col >= kGridCols) return;
  TeamRec& t = m_db.team();
  ContactRow r = t.contactRow(row - 1);
  const std::string s22 = text.substr(0, 22);
  switch (col) {
    case 1:
      r.setName(s22);
      break;
    case 2:
      r.setStreet(s22);
      break;
    case 3:
      r.setTown(s22);
      break;
    case 4:
      r.setAddress4(s22);
      break;
    default:
      r.setEmail(text.substr(0, 40));
      break;
  }
  t.setContactRow(row - 1, r);
}

OkResult TLagForm::okButtonClick() {
  // The number field is the key: a text that is not a whole number 0..9999 is refused, never
  // read as the arrow's last position.
  const auto number = ParseEditorNumber(edNummer);
  if (edNummer.find_first_not_of(' ') == std::string::npos || !number || *number < 0 ||
      *number > 9999) {
    return OkResult::Refused(W("lagnumret måste vara ett tal 0–9999, inte \"") + edNummer + "\"",
                             "edNummer");
  }
  udNummer = *number;
  if (const std::string missing = MissingText(edNamn, "lagnamnet"); !missing.empty())
    return OkResult::Refused(missing, "edNamn");
  // An address goes into SMTP commands as it is: one that is not plainly local@domain (a
  // line break above all) is refused here, before anything (a new class either) is stored.
  for (int row = 0; row < TeamRec::kContactRows; ++row) {
    const std::string email = m_db.team().contactRow(row).email();
    if (email.empty() || ValidEmailAddress(email)) continue;
    return OkResult::Refused(W("ogiltig e-postadress på rad ") + cell(row + 1, 0) + ": \"" +
                                 ShownEmailAddress(email) + W("\" (ska vara namn@domän)"),
                             "sgLagMedl", row + 1, 5);
  }
  const std::string key = ZeroPad(udNummer, 4);
  if (m_db.findTeamKey(key) != 0) {
    return OkResult::Refused(
        W("lagnumret finns redan registrerad. \"") + key + W("\" Måste vara unik."), "edNummer");
  }
  OkResult refusal;
  if (!classCheck(&refusal)) return refusal;
  struct Field {
    const std::string* text;
    const char* control;
  };
  const Field order[] = {
      {&edLost, "edLost"}, {&edWin, "edWin"}, {&edPoint, "edPoint"}, {&edRanking, "edRanking"}};
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const auto v = ParseEditorNumber(*order[i].text);
    if (!v) return OkResult::Refused(NumericInputError(), order[i].control);
    values[i] = *v;
  }
  TeamRec& t = m_db.team();
  t.setNumberAndKey(udNummer);
  t.setTeamName(UpCase(edNamn).substr(0, 30));
  t.setRanking(values[3]);
  t.setDivisionRecNo(m_db.classRecNo());
  t.setOpeningGoalsAgainst(values[0]);
  t.setOpeningGoalsFor(values[1]);
  t.setOpeningPoints(values[2]);
  for (int row = 0; row < TeamRec::kContactRows; ++row) {
    ContactRow r = t.contactRow(row);
    r.setName(UpCase(r.name()).substr(0, 22));
    r.setStreet(UpCase(r.street()).substr(0, 22));
    r.setTown(UpCase(r.town()).substr(0, 22));
    r.setAddress4(UpCase(r.address4()).substr(0, 22));
    r.setAddress5(UpCase(r.email()).substr(0, 22));
    r.setEmail(r.email().substr(0, 40));
    t.setContactRow(row, r);
  }
  m_close = EditorClose::Ok;
  return OkResult::Passed();
}

void TLagForm::cancelButtonClick() {
  m_db.team() = m_saved;
  m_db.setClassRecNo(0);
  m_db.setTeamRecNo(0);
  m_close = EditorClose::Cancel;
}

// ---------------------------------------------------------------------------------------

TlgLagRegForm::TlgLagRegForm(Database& db) : TERegFormDlg(db, "lagregister") {}

std::string TlgLagRegForm::FormRegStr() {
  const TeamRec& t = m_db.team();
  const std::string head = (t.teamNumberKey() + " " + m_db.cls().className()).substr(0, 27);
  return head + " " + TeamDisplayName(t.teamName(), false, m_db.comp().titleCaseNames());
}

bool TlgLagRegForm::CheckBeforeAdding() {
  ResetNewTeam(m_db);
  return m_db.teamsInUse() < kMaxTeamRecords;
}

bool TlgLagRegForm::CheckBeforeDeleting() {
  const TeamRec t = m_db.team();
  const std::int32_t teamRecNo = m_db.teamRecNo();
  MatchCount c;
  std::vector<std::int32_t> playTimes;
  for (const model::TeamMatch& m : model::TeamMatches(t)) {
    if (m.number <= 0) continue;
    ++c.matches;
    if (ScorePresent(m.ownScore) || ScorePresent(m.opponentScore)) ++c.withResults;
    if (std::find(playTimes.begin(), playTimes.end(), m.playTimeRecNo) == playTimes.end())
      playTimes.push_back(m.playTimeRecNo);
  }
  if (c.matches == 0) return true;
  // A team is deleted only with its matches: play times refer to teams by record number,
  // and a deleted team's number is handed to the next new team.
  const std::string question =
      "Laget \"" + t.teamNumberKey() + " " + t.teamName() + W("\" har ") + MatchCountText(c) +
      W(". Matcherna tas bort ur speltiderna och motståndarnas matchlistor. Radera laget?");
  if (Ui().showMessage(MessageKind::Question, "??", question) != Answer::Yes) return false;
  for (const std::int32_t pt : playTimes) {
    if (!ClearSlots(m_db, pt, teamRecNo)) return false;
  }
  return m_db.readTeam(teamRecNo);
}

void TlgLagRegForm::DoTheDialog(bool add, int index, std::int32_t recNo) {
  TLagForm dlg(m_db, add);
  preDialog(add, recNo);
  if (runEditor) runEditor(dlg);
  if (dlg.closeState() != EditorClose::Ok) dlg.cancelButtonClick();
  postDialog(add, index, recNo, dlg.closeState() == EditorClose::Ok);
}

BrowseResult TlgLagRegForm::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectTeam(m_db, mode, key, recNo);
}

bool TlgLagRegForm::PutRecSelect(std::int32_t recNo) {
  return m_db.rewriteTeam(recNo);
}

bool TlgLagRegForm::AddRecSelect(bool add, std::int32_t& recNo) {
  m_db.setTeamRecNo(add ? 0 : recNo);
  const bool ok = m_db.storeTeam(add);
  recNo = m_db.teamRecNo();
  return ok;
}

bool TlgLagRegForm::DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                                 std::int32_t recNo) {
  (void)mode;
  return m_db.removeTeam(key, recNo, deleteRecord);
}

}  // namespace liga
