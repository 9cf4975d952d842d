#include "gui/klass_dlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/button_row.h"
#include "gui/qt_ui.h"
#include "gui/reg_form_dlg.h"

namespace liga::gui {
namespace {

QLineEdit* Field(QWidget* parent, QFormLayout* form, const char* name, const char* label,
                 const char* hint, const std::string& text, int maxLength, const char* updown,
                 int lo, int hi) {
  auto* edit = new QLineEdit(FromCp1252(text), parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setToolTip(QString::fromUtf8(hint));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  if (!updown) {
    form->addRow(QString::fromUtf8(label), edit);
    return edit;
  }
  auto* row = new QHBoxLayout;
  row->addWidget(edit);
  auto* ud = new QSpinBox(parent);
  ud->setObjectName(QString::fromLatin1(updown));
  LinkUpDown(edit, ud, lo, hi);
  row->addWidget(ud);
  form->addRow(QString::fromUtf8(label), row);
  return edit;
}

}  // namespace

TklassDlg::TklassDlg(liga::TklassDlg& ctl, QWidget* parent) : QDialog(parent), m_ctl(ctl) {
  setObjectName(QStringLiteral("TklassDlg"));
  setWindowTitle(FromCp1252(liga::TklassDlg::Caption()));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_klass = Field(this, form, "edKlass", "klass/division",
                  "klass/division inomtävlingen/turneringen", ctl.edKlass, 22, nullptr, 0, 0);
  m_omg = Field(this, form, "edOmg", "omgångar",
                "antal omgångar i klassen (inbördes möten, normalt två, hemma och borta)",
                ctl.edOmg, 0, "udOmg", 1, 4);
  m_win = Field(this, form, "edWin", "vinstpoäng", "antal poäng för vunnen match", ctl.edWin, 0,
                "udWin", 0, 99);
  m_oavg = Field(this, form, "edOavg", "poängoavg", "antal poäng för ovagjord match", ctl.edOavg, 0,
                 "udOavg", 0, 99);
  m_start = Field(this, form, "edNummerStart", "nrstart",
                  "starta på detta nummer för lagets nummer för identifikation mm",
                  ctl.edNummerStart, 0, "udNummerStart", 1, DivisionRec::kMaxFirstTeamNumber);
  m_ordning = Field(this, form, "edOrdning", "tabellordning",
                    "vid lika poäng, i tur och ordning: poäng, målskillnad, gjorda, vunna, "
                    "inbördes, bortamål, och sist lottning eller lagnummer",
                    ctl.edOrdning, 0, nullptr, 0, 0);
  layout->addLayout(form);
  const ButtonRow row = AddButtonRow(this, layout, {"OK", "BitBtn1", [this] { okClick(); }},
                                     {"Avbryt", "BitBtn2", [this] { reject(); }}, true);
  m_status = row.status;
  m_opened = FormState(this);
}

void TklassDlg::reject() {
  if (!ConfirmDiscard(FormState(this) != m_opened)) return;
  m_ctl.BitBtn2Click();
  QDialog::reject();
}

QString TklassDlg::statusText() const {
  return m_status->currentMessage();
}

void TklassDlg::okClick() {
  m_ctl.edKlass = ToCp1252(m_klass->text());
  m_ctl.edOmg = ToCp1252(m_omg->text());
  m_ctl.edWin = ToCp1252(m_win->text());
  m_ctl.edOavg = ToCp1252(m_oavg->text());
  m_ctl.edNummerStart = ToCp1252(m_start->text());
  m_ctl.edOrdning = ToCp1252(m_ordning->text());
  const OkResult r = m_ctl.BitBtn1Click();
  ShowOkResult(this, m_status, r);
  if (r.ok) accept();
}

}  // namespace liga::gui
