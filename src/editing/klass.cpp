#include "editing/klass.h"

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "database/tie_order.h"
#include "editing/select.h"

namespace liga {

void ResetNewClass(Database& db) {
  db.resetClassBuffer();
  db.setClassRecNo(0);
}

TklassDlg::TklassDlg(Database& db, bool adding) : m_db(db), m_adding(adding), m_saved(db.cls()) {
  const DivisionRec& c = db.cls();
  edKlass = c.className();
  edOmg = std::to_string(c.rounds());
  edWin = std::to_string(c.winPoints());
  edOavg = std::to_string(c.drawPoints());
  edNummerStart = std::to_string(c.firstTeamNumber());
  if (!adding) m_oldName = c.className();
  const TieOrders orders = TieOrders::Load(db.dataDir(), db.currentCompetition());
  edOrdning = Utf8ToCp1252(TieOrderText(orders.get(m_oldName)));
}

namespace {

// Keeps the class's tie order under its (new) name. A refusal names the fault.
OkResult storeTieOrder(Database& db, const std::string& oldName, const std::string& name,
                       const std::string& text) {
  std::string error;
  const auto order = ParseTieOrder(Cp1252ToUtf8(text), &error);
  if (!order) return OkResult::Refused(W("Tabellordningen: " + error), "edOrdning");
  TieOrders orders = TieOrders::Load(db.dataDir(), db.currentCompetition());
  if (!oldName.empty()) orders.rename(oldName, name);
  if (orders.get(name) == *order && oldName == name) return OkResult::Passed();
  orders.set(name, *order);
  if (!orders.save(db.dataDir(), db.currentCompetition()))
    return OkResult::Refused(W("Tabellordningen kunde inte sparas i ") +
                                 TieOrders::FileName(db.dataDir(), db.currentCompetition()),
                             "edOrdning");
  return OkResult::Passed();
}

}  // namespace

OkResult TklassDlg::BitBtn1Click() {
  OkResult result;
  // The name is looked up as it will be stored (22 characters): a longer typed name that
  // differs only beyond the stored length is the same class.
  const std::string name = UpCase(edKlass).substr(0, 22);
  const bool taken = m_db.findClassKey(name) != 0;
  if (const std::string missing = MissingText(name, "klassens namn"); !missing.empty()) {
    result = OkResult::Refused(missing, "edKlass");
  } else if (taken) {
    result = OkResult::Refused(W("Klassen/divisionen finns redan registrerad. \"") + name +
                                   W("\" Måste vara unik, ändra namnet."),
                               "edKlass");
  } else {
    struct Field {
      const std::string* text;
      const char* control;
    };
    const Field order[] = {{&edOmg, "edOmg"},
                           {&edOavg, "edOavg"},
                           {&edWin, "edWin"},
                           {&edNummerStart, "edNummerStart"}};
    int values[4] = {};
    bool passed = true;
    for (int i = 0; i < 4 && passed; ++i) {
      const auto v = ParseEditorNumber(*order[i].text);
      if (!v) {
        result = OkResult::Refused(NumericInputError(), order[i].control);
        passed = false;
      } else {
        values[i] = *v;
      }
    }
    if (passed) {
      result = storeTieOrder(m_db, m_oldName, name, edOrdning);
      passed = result.ok;
    }
    if (passed) {
      DivisionRec& c = m_db.cls();
      c.setClassName(name);
      c.setRounds(values[0]);
      c.setDrawPoints(values[1]);
      c.setWinPoints(values[2]);
      c.setFirstTeamNumber(values[3]);
      m_close = EditorClose::Ok;
      result = OkResult::Passed();
    }
  }
  m_db.setClassRecNo(0);
  return result;
}

void TklassDlg::BitBtn2Click() {
  m_db.cls() = m_saved;
  m_close = EditorClose::Cancel;
}

// ---------------------------------------------------------------------------------------

TlgKLassRegForm::TlgKLassRegForm(Database& db) : TERegFormDlg(db, "register klass/division") {}

std::string TlgKLassRegForm::FormRegStr() {
  return m_db.cls().className();
}

bool TlgKLassRegForm::CheckBeforeAdding() {
  ResetNewClass(m_db);
  return m_db.classesInUse() < kMaxClassRecords;
}

bool TlgKLassRegForm::CheckBeforeDeleting() {
  const int teams = m_db.cls().teamCount();
  if (teams == 0) return true;
  // Teams carry their matches; a class goes only once its teams are gone, each deleted with
  // the question that says what goes with it.
  ShowMessage(1, "Klassen \"" + m_db.cls().className() + W("\" har ") + std::to_string(teams) +
                     W(" lag och kan inte raderas: radera lagen först."));
  return false;
}

void TlgKLassRegForm::DoTheDialog(bool add, int index, std::int32_t recNo) {
  TklassDlg dlg(m_db, add);
  preDialog(add, recNo);
  if (runEditor) runEditor(dlg);
  if (dlg.closeState() != EditorClose::Ok) dlg.BitBtn2Click();
  postDialog(add, index, recNo, dlg.closeState() == EditorClose::Ok);
}

BrowseResult TlgKLassRegForm::FixtSelect(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return SelectClass(m_db, mode, key, recNo);
}

bool TlgKLassRegForm::PutRecSelect(std::int32_t recNo) {
  return m_db.rewriteClass(recNo);
}

bool TlgKLassRegForm::AddRecSelect(bool add, std::int32_t& recNo) {
  m_db.setClassRecNo(add ? 0 : recNo);
  const bool ok = m_db.storeClass(add);
  recNo = m_db.classRecNo();
  return ok;
}

bool TlgKLassRegForm::DelRecSelect(BrowseMode mode, const std::string& key, bool deleteRecord,
                                   std::int32_t recNo) {
  (void)mode;
  const std::string name = m_db.cls().className();
  if (!m_db.removeClass(key, recNo, deleteRecord)) return false;
  // A deleted class takes its tie order with it; a failure here leaves an order that no
  // class uses, which is harmless.
  TieOrders orders = TieOrders::Load(m_db.dataDir(), m_db.currentCompetition());
  orders.remove(name);
  (void)orders.save(m_db.dataDir(), m_db.currentCompetition());
  return true;
}

}  // namespace liga
