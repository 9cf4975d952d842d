#include "gui/info_dlg_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/adress_dlg.h"
#include "gui/button_row.h"
#include "gui/qt_ui.h"
#include "gui/reg_form_dlg.h"

namespace liga::gui {
namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const std::string& text, const char* hint,
                int maxLength) {
  auto* e = new QLineEdit(FromCp1252(text), parent);
  e->setObjectName(QString::fromLatin1(name));
  if (hint) e->setToolTip(QString::fromUtf8(hint));
  e->setMaxLength(maxLength);
  return e;
}

QHBoxLayout* WithUpDown(QWidget* parent, QLineEdit* edit, const char* name, int lo, int hi,
                        int step) {
  auto* row = new QHBoxLayout;
  row->addWidget(edit);
  auto* ud = new QSpinBox(parent);
  ud->setObjectName(QString::fromLatin1(name));
  LinkUpDown(edit, ud, lo, hi, step);
  row->addWidget(ud);
  row->addStretch();
  return row;
}

}  // namespace

TInfoDlgForm::TInfoDlgForm(liga::TInfoDlgForm& ctl, QWidget* parent) : QDialog(parent), m_ctl(ctl) {
  setObjectName(QStringLiteral("TInfoDlgForm"));
  setWindowTitle(FromCp1252(liga::TInfoDlgForm::Caption()));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_arr = Edit(this, "edArr", ctl.edArr, "tävlingens/turneringens arrangör", 40);
  m_tvl = Edit(this, "edTvl", ctl.edTvl, "tävlingens namn", 40);
  m_typ = Edit(this, "edTyp", ctl.edTyp,
               "tävlingstyp, (badminton, bowling, fotboll, basket, volleyball, ishockey, handboll "
               "etc)",
               30);
  m_omg = Edit(this, "edOmg", ctl.edOmg, "antal default spelomgångar som lagen möts", 2);
  form->addRow(QString::fromUtf8("arrangör"), m_arr);
  form->addRow(QString::fromUtf8("tävling"), m_tvl);
  form->addRow(QString::fromUtf8("tävlingstyp"), m_typ);
  form->addRow(QString::fromUtf8("omgångar"), WithUpDown(this, m_omg, "updownOmg", 0, 4, 1));
  layout->addLayout(form);

  auto* giro = new QGroupBox(QString::fromUtf8("tävlingens giro"), this);
  auto* giroForm = new QFormLayout(giro);
  m_pg = Edit(giro, "edPostgiro", ctl.edPostgiro, nullptr, 32);
  m_bg = Edit(giro, "edBankgiro", ctl.edBankgiro, nullptr, 32);
  m_usePG = new QRadioButton(QString::fromUtf8("använd"), giro);
  m_usePG->setObjectName(QStringLiteral("rbUsePG"));
  m_useBG = new QRadioButton(QString::fromUtf8("använd"), giro);
  m_useBG->setObjectName(QStringLiteral("rbUseBG"));
  auto* group = new QButtonGroup(giro);
  group->addButton(m_usePG);
  group->addButton(m_useBG);
  (ctl.rbUsePG() ? m_usePG : m_useBG)->setChecked(true);
  auto* pgRow = new QHBoxLayout;
  pgRow->addWidget(m_pg);
  pgRow->addWidget(m_usePG);
  auto* bgRow = new QHBoxLayout;
  bgRow->addWidget(m_bg);
  bgRow->addWidget(m_useBG);
  giroForm->addRow(QString::fromUtf8("postgironummer"), pgRow);
  giroForm->addRow(QString::fromUtf8("bankgironummer"), bgRow);
  m_payee = Edit(giro, "edBetMottagare", ctl.edBetMottagare, nullptr, 32);
  giroForm->addRow(QString::fromUtf8("betalningsmottagare"), m_payee);
  m_fee = Edit(giro, "edAvgift", ctl.edAvgift, nullptr, 5);
  giroForm->addRow(QString::fromUtf8("avgift"),
                   WithUpDown(giro, m_fee, "updownAvgift", 0, 9999, 10));
  m_attBetala = new QCheckBox(QString::fromUtf8("\"att betala\" ifyllt"), giro);
  m_attBetala->setObjectName(QStringLiteral("cbAttbetala"));
  m_attBetala->setToolTip(
      QString::fromUtf8("används för skidklubbar mm där medllemmarna har tävlingslicens"));
  m_attBetala->setChecked(ctl.cbAttbetala);
  giroForm->addRow(m_attBetala);
  layout->addWidget(giro);

  auto* contacts = new QGroupBox(QString::fromUtf8("kontakter"), this);
  auto* contactRows = new QVBoxLayout(contacts);
  for (int n = 1; n <= CompetitionRec::kContactBlocks; ++n) {
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit(FromCp1252(ctl.edKontakt[n - 1]), contacts);
    edit->setObjectName(QStringLiteral("edKontakt%1").arg(n));
    edit->setReadOnly(true);
    edit->setMaxLength(23);
    m_kontakt[n - 1] = edit;
    auto* button = new QPushButton(QStringLiteral(" %1 ").arg(n), contacts);
    button->setObjectName(QStringLiteral("btnKontakt%1").arg(n));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, n] { kontaktClick(n); });
    row->addWidget(edit);
    row->addWidget(button);
    contactRows->addLayout(row);
  }
  layout->addWidget(contacts);

  const ButtonRow row = AddButtonRow(this, layout, {"OK", "okButton", [this] { okClick(); }},
                                     {"Avbryt", "cancelButton", [this] { reject(); }}, true);
  m_status = row.status;
  m_opened = FormState(this);
}

void TInfoDlgForm::reject() {
  if (!ConfirmDiscard(FormState(this) != m_opened)) return;
  QDialog::reject();
}

QString TInfoDlgForm::statusText() const {
  return m_status->currentMessage();
}

void TInfoDlgForm::store() {
  m_ctl.edArr = ToCp1252(m_arr->text());
  m_ctl.edTvl = ToCp1252(m_tvl->text());
  m_ctl.edTyp = ToCp1252(m_typ->text());
  m_ctl.edOmg = ToCp1252(m_omg->text());
  m_ctl.edPostgiro = ToCp1252(m_pg->text());
  m_ctl.edBankgiro = ToCp1252(m_bg->text());
  m_ctl.edBetMottagare = ToCp1252(m_payee->text());
  m_ctl.edAvgift = ToCp1252(m_fee->text());
  m_ctl.cbAttbetala = m_attBetala->isChecked();
  if (m_usePG->isChecked()) {
    m_ctl.chooseUsePG();
  } else {
    m_ctl.chooseUseBG();
  }
}

void TInfoDlgForm::kontaktClick(int n) {
  m_ctl.btnKontaktClick(n, [this](liga::TadressDlg& c) {
    TadressDlg dialog(c, this);
    RunModal(dialog);
  });
  m_kontakt[n - 1]->setText(FromCp1252(m_ctl.edKontakt[n - 1]));
}

void TInfoDlgForm::okClick() {
  store();
  const OkResult r = m_ctl.okButtonClick();
  ShowOkResult(this, m_status, r);
  if (r.ok) accept();
}

}  // namespace liga::gui
