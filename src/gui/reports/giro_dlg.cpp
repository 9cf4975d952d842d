#include "gui/reports/giro_dlg.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/encoding.h"

namespace liga::gui {
namespace {

QString toQt(const std::string& cp1252) {
  return QString::fromStdString(Cp1252ToUtf8(cp1252));
}
std::string fromQt(const QString& s) {
  return Utf8ToCp1252(s.toStdString());
}

const char* dialogName(reports::GiroForm f) {
  switch (f) {
    case reports::GiroForm::Plusgiro:
      return "TplusgiroDlg";
    case reports::GiroForm::Postgiro:
      return "TpostgiroDlg";
    case reports::GiroForm::Bankgiro:
      return "TbankgiroDlg";
  }
  return "TplusgiroDlg";
}

const char* caption(reports::GiroForm f) {
  switch (f) {
    case reports::GiroForm::Plusgiro:
      return "plusgiroblankett";
    case reports::GiroForm::Postgiro:
      return "postgiroblankett";
    case reports::GiroForm::Bankgiro:
      return "bankgiro";
  }
  return "";
}

}  // namespace

GiroDlg::GiroDlg(reports::GiroRegister& reg, reports::GiroLayout layout, std::string replacing,
                 QWidget* parent)
    : QDialog(parent), m_reg(reg), m_layout(std::move(layout)), m_replacing(std::move(replacing)) {
  setObjectName(dialogName(m_layout.form));
  setWindowTitle(caption(m_layout.form));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto line = [&](const char* name, const char* label, const std::string& value, int max) {
    auto* e = new QLineEdit(toQt(value), this);
    e->setObjectName(name);
    e->setMaxLength(max);
    form->addRow(QString::fromUtf8(label), e);
    return e;
  };
  m_payee = line("edMottagare", "betalningsmottagare", m_layout.payee, 32);
  m_number = line("edGironr", "gironummer", m_layout.giroNumber, 32);
  m_littera = line("edLittera", "littera", m_layout.littera, 20);
  m_message = new QPlainTextEdit(toQt(m_layout.message), this);
  m_message->setObjectName("meddelandeMemo");
  form->addRow(QString::fromUtf8("meddelande"), m_message);
  m_amount = new QSpinBox(this);
  m_amount->setObjectName("udBelopp");
  m_amount->setRange(0, 9999999);
  m_amount->setValue(m_layout.amount);
  form->addRow(QString::fromUtf8("belopp kr"), m_amount);
  m_copies = new QSpinBox(this);
  m_copies->setObjectName("udKopior");
  m_copies->setRange(1, 99);
  m_copies->setValue(std::max(1, m_layout.copies));
  form->addRow(QString::fromUtf8("antal kopior"), m_copies);
  outer->addLayout(form);
  auto* ok = new QPushButton("ok", this);
  ok->setObjectName("okButton");
  connect(ok, &QPushButton::clicked, this, &GiroDlg::okButtonClick);
  auto* cancel = new QPushButton("avbryt", this);
  cancel->setObjectName("cancelButton");
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);
  m_status = new QStatusBar(this);
  m_status->setObjectName("StatusBar");
  outer->addWidget(m_status);
}

QString GiroDlg::statusText() const {
  return m_status->currentMessage();
}

void GiroDlg::okButtonClick() {
  reports::GiroLayout l = m_layout;
  l.payee = fromQt(m_payee->text());
  l.giroNumber = fromQt(m_number->text());
  l.littera = fromQt(m_littera->text());
  l.message = fromQt(m_message->toPlainText());
  l.amount = m_amount->value();
  l.copies = m_copies->value();
  const std::string refusal = m_reg.store(l, m_replacing);
  if (!refusal.empty()) {
    m_status->showMessage(toQt(refusal));
    return;
  }
  m_layout = l;
  accept();
}

TEGiroRegForm::TEGiroRegForm(std::string path, QWidget* parent)
    : QDialog(parent), m_path(std::move(path)) {
  setObjectName("TEGiroRegForm");
  setWindowTitle("giroregister");
  m_reg.load(m_path);
  auto* outer = new QVBoxLayout(this);
  m_list = new QListWidget(this);
  m_list->setObjectName("giroLista");
  outer->addWidget(m_list);
  auto* buttons = new QHBoxLayout;
  auto add = [&](const char* name, const char* text, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
  };
  add("nyPlusgiro", "ny plusgiro", [this] { edit(reports::GiroForm::Plusgiro, -1); });
  add("nyPostgiro", "ny postgiro", [this] { edit(reports::GiroForm::Postgiro, -1); });
  add("nyBankgiro", "ny bankgiro", [this] { edit(reports::GiroForm::Bankgiro, -1); });
  add("andra", "ändra", [this] {
    const int row = m_list->currentRow();
    if (row >= 0) edit(m_reg.layouts()[row].form, row);
  });
  add("radera", "radera", [this] {
    const int row = m_list->currentRow();
    if (row < 0) return;
    m_reg.remove(reports::GiroRegister::Key(m_reg.layouts()[row]));
    m_reg.save(m_path);
    refresh();
  });
  add("stang", "stäng", [this] { accept(); });
  outer->addLayout(buttons);
  refresh();
}

void TEGiroRegForm::refresh() {
  m_list->clear();
  for (const auto& l : m_reg.layouts())
    m_list->addItem(QString::fromUtf8(caption(l.form)) + ": " +
                    toQt(reports::GiroRegister::Key(l)) + "  " + toQt(l.giroNumber));
}

void TEGiroRegForm::edit(reports::GiroForm form, int row) {
  reports::GiroLayout layout;
  std::string replacing;
  if (row >= 0) {
    layout = m_reg.layouts()[row];
    replacing = reports::GiroRegister::Key(layout);
  }
  layout.form = form;
  GiroDlg dialog(m_reg, layout, replacing, this);
  if (dialog.exec() == QDialog::Accepted) {
    m_reg.save(m_path);
    refresh();
  }
}

}  // namespace liga::gui
