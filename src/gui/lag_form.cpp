#include "gui/lag_form.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/button_row.h"
#include "gui/modal.h"
#include "gui/qt_ui.h"

namespace liga::gui {
namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const std::string& text, const char* hint,
                int maxLength) {
  auto* e = new QLineEdit(FromCp1252(text), parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setToolTip(QString::fromUtf8(hint));
  e->setMaxLength(maxLength);
  return e;
}

QHBoxLayout* WithUpDown(QWidget* parent, QLineEdit* edit, const char* name, int lo, int hi,
                        QSpinBox** out = nullptr) {
  auto* row = new QHBoxLayout;
  row->addWidget(edit);
  auto* ud = new QSpinBox(parent);
  ud->setObjectName(QString::fromLatin1(name));
  LinkUpDown(edit, ud, lo, hi);
  row->addWidget(ud);
  if (out) *out = ud;
  return row;
}

}  // namespace

LagFormView::LagFormView(liga::TLagForm& ctl, QWidget* parent) : QDialog(parent), m_ctl(ctl) {
  setObjectName(QStringLiteral("TLagForm"));
  setWindowTitle(FromCp1252(liga::TLagForm::Caption()));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* left = new QFormLayout;
  m_nummer = Edit(this, "edNummer", ctl.edNummer, "lagnummer", 5);
  left->addRow(QString::fromUtf8("lagnummer"),
               WithUpDown(this, m_nummer, "udNummer", 0, 9999, &m_udNummer));
  m_udNummer->setValue(ctl.udNummer);
  m_namn = Edit(this, "edNamn", ctl.edNamn, "lagnamnet", 30);
  left->addRow(QString::fromUtf8("lagnamn"), m_namn);
  m_klass = new QComboBox(this);
  m_klass->setObjectName(QStringLiteral("cbKlass"));
  m_klass->setToolTip(QString::fromUtf8("klasstillhörighet"));
  m_klass->setEditable(true);
  m_klass->setInsertPolicy(QComboBox::NoInsert);
  for (const auto& name : ctl.cbKlassItems) m_klass->addItem(FromCp1252(name));
  m_klass->setEditText(FromCp1252(ctl.cbKlass));
  m_klass->lineEdit()->setMaxLength(22);
  left->addRow(QString(), m_klass);
  m_ranking = Edit(this, "edRanking", ctl.edRanking, "rankingnummer", 8);
  left->addRow(QString::fromUtf8("ranking"), m_ranking);
  top->addLayout(left);
  auto* right = new QFormLayout;
  m_lost = Edit(this, "edLost", ctl.edLost, "ingående värde: förlorad målskillnad", 5);
  m_win = Edit(this, "edWin", ctl.edWin, "ingående värde: vunnen målskillnad", 5);
  m_point = Edit(this, "edPoint", ctl.edPoint, "ingående värde: antal poäng", 5);
  right->addRow(QString::fromUtf8("förlorad"), WithUpDown(this, m_lost, "udLost", 0, 999));
  right->addRow(QString::fromUtf8("vunnen"), WithUpDown(this, m_win, "udWin", 0, 999));
  right->addRow(QString::fromUtf8("poäng"), WithUpDown(this, m_point, "udPoint", 0, 999));
  top->addLayout(right);
  layout->addLayout(top);

  m_grid = new QTableWidget(liga::TLagForm::kGridRows, liga::TLagForm::kGridCols, this);
  m_grid->setObjectName(QStringLiteral("sgLagMedl"));
  m_grid->setToolTip(QString::fromUtf8(
      "övre raden lagledare, 1:a namn, 2:a adress, 3:e adress, 4: adress, 5:e email "
      "kontaktadress"));
  m_grid->horizontalHeader()->hide();
  m_grid->verticalHeader()->hide();
  const QFontMetrics fm(m_grid->font());
  const int widths[liga::TLagForm::kGridCols] = {6, 25, 25, 25, 25, 43};
  for (int c = 0; c < liga::TLagForm::kGridCols; ++c)
    m_grid->setColumnWidth(c, fm.horizontalAdvance(QString(widths[c], QLatin1Char('X'))));
  m_grid->verticalHeader()->setDefaultSectionSize(fm.height() * 3 / 2);
  m_filling = true;
  for (int r = 0; r < liga::TLagForm::kGridRows; ++r) {
    for (int c = 0; c < liga::TLagForm::kGridCols; ++c) {
      auto* item = new QTableWidgetItem(FromCp1252(ctl.cell(r, c)));
      if (r == 0 || c == 0) item->setFlags(Qt::ItemIsEnabled);
      m_grid->setItem(r, c, item);
    }
  }
  m_filling = false;
  m_grid->setMinimumSize(600, 240);
  layout->addWidget(m_grid, 1);
  // Every edit goes straight into the team's contact row.
  connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (m_filling) return;
    m_ctl.setCell(item->row(), item->column(), ToCp1252(item->text()));
  });
  connect(m_klass, &QComboBox::activated, this, [this] { klassChanged(); });
  connect(m_klass->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    if (ToCp1252(m_klass->currentText()) != m_ctl.cbKlass) klassChanged();
  });

  const ButtonRow row = AddButtonRow(this, layout, {"OK", "okButton", [this] { okClick(); }},
                                     {"Avbryt", "cancelButton", [this] { reject(); }}, true);
  m_status = row.status;
  row.cancel->setToolTip(QString::fromUtf8("avbryt och spara inget"));
  m_opened = FormState(this);
}

void LagFormView::keyPressEvent(QKeyEvent* event) {
  // Enter in the contact grid edits the current cell (or ends the edit) and never closes
  // the editor; everywhere else it presses OK, the default button.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  QWidget* focus = focusWidget();
  if (enter && focus && (focus == m_grid || m_grid->isAncestorOf(focus))) {
    // Focus on the grid itself means no cell editor is open.
    if (focus == m_grid) m_grid->edit(m_grid->currentIndex());
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void LagFormView::reject() {
  if (!ConfirmDiscard(FormState(this) != m_opened)) return;
  m_ctl.cancelButtonClick();
  QDialog::reject();
}

QString LagFormView::statusText() const {
  return m_status->currentMessage();
}

void LagFormView::klassChanged() {
  m_ctl.cbKlass = ToCp1252(m_klass->currentText());
  m_ctl.cbKlassChange();
  // A class created on the fly joins the list.
  const QString name = FromCp1252(m_ctl.cbKlass);
  if (!name.isEmpty() && m_klass->findText(name) < 0) m_klass->addItem(name);
  m_klass->setEditText(name);
  m_nummer->setText(FromCp1252(m_ctl.edNummer));
  const QSignalBlocker block(m_udNummer);
  m_udNummer->setValue(m_ctl.udNummer);
}

void LagFormView::store() {
  m_ctl.setNummerText(ToCp1252(m_nummer->text()));
  m_ctl.edNamn = ToCp1252(m_namn->text());
  m_ctl.edRanking = ToCp1252(m_ranking->text());
  m_ctl.edLost = ToCp1252(m_lost->text());
  m_ctl.edWin = ToCp1252(m_win->text());
  m_ctl.edPoint = ToCp1252(m_point->text());
  m_ctl.cbKlass = ToCp1252(m_klass->currentText());
}

void LagFormView::okClick() {
  store();
  const OkResult r = m_ctl.okButtonClick();
  ShowOkResult(this, m_status, r);
  if (r.ok) accept();
}

}  // namespace liga::gui
