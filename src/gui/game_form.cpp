#include "gui/game_form.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/button_row.h"
#include "gui/modal.h"
#include "gui/qt_ui.h"

namespace liga::gui {
namespace {

using Ctl = liga::TGameForm;

bool PickKey(int key) {
  return key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter ||
         key == Qt::Key_Space;
}

}  // namespace

GameFormView::GameFormView(liga::TGameForm& ctl, QWidget* parent) : QDialog(parent), m_ctl(ctl) {
  setObjectName(QStringLiteral("TGameForm"));
  setWindowTitle(FromCp1252(Ctl::Caption()));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto edit = [this](const char* name, const std::string& text, const char* hint, int max) {
    auto* e = new QLineEdit(FromCp1252(text), this);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(QString::fromUtf8(hint));
    e->setMaxLength(max);
    return e;
  };
  m_nummer = edit("edNummer", ctl.edNummer, "matchnummer", 5);
  m_speltid = edit("edSpeltid", ctl.edSpeltid,
                   "matchens speldatum och tid, ÅÅÅÅ-MM-DD TT:MM (2027-04-10 10:00)", 16);
  // The form the play time is typed in, shown while the field is empty.
  m_speltid->setPlaceholderText(FromCp1252(kPlayTimeForm));
  m_ledare = edit("edLedare", ctl.edLedare, "matchledare", 56);
  form->addRow(QString::fromUtf8("matchnumm."), m_nummer);
  form->addRow(QString::fromUtf8("match datum tid (ÅÅÅÅ-MM-DD TT:MM)"), m_speltid);
  form->addRow(QString::fromUtf8("spelledare, domare, ansvarig, mm"), m_ledare);
  layout->addLayout(form);

  m_grid = new QTableWidget(Ctl::kRows, Ctl::kCols, this);
  m_grid->setObjectName(QStringLiteral("sgGame"));
  m_grid->horizontalHeader()->hide();
  m_grid->verticalHeader()->hide();
  m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  m_grid->setTabKeyNavigation(false);
  const QFontMetrics fm(m_grid->font());
  const int widths[Ctl::kCols] = {5, 2, 33, 2, 33, 4, 4};
  for (int c = 0; c < Ctl::kCols; ++c)
    m_grid->setColumnWidth(c, fm.horizontalAdvance(QString(widths[c], QLatin1Char('X'))));
  m_grid->verticalHeader()->setDefaultSectionSize(fm.height() * 3 / 2);
  m_grid->setMinimumSize(720, 300);
  fillGrid();
  m_grid->installEventFilter(this);
  layout->addWidget(m_grid, 1);
  connect(m_grid, &QTableWidget::currentCellChanged, this,
          [this](int r, int c, int pr, int pc) { cellEntered(r, c, pr, pc); });
  connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int r, int c) {
    if (!Ctl::selectable(r, c)) return;
    m_ctl.pickCell(r, c);
    fillGrid();
  });

  const ButtonRow row = AddButtonRow(this, layout, {"OK", "okButton", [this] { okClick(); }},
                                     {"Avbryt", "cancelButton", [this] { reject(); }}, true);
  m_status = row.status;
  m_opened = FormState(this);
}

void GameFormView::reject() {
  if (!ConfirmDiscard(FormState(this) != m_opened)) return;
  m_ctl.cancelButtonClick();
  QDialog::reject();
}

QString GameFormView::statusText() const {
  return m_status->currentMessage();
}

void GameFormView::fillGrid() {
  for (int r = 0; r < Ctl::kRows; ++r) {
    for (int c = 0; c < Ctl::kCols; ++c) {
      QTableWidgetItem* item = m_grid->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        m_grid->setItem(r, c, item);
      }
      item->setText(FromCp1252(m_ctl.cell(r, c)));
      item->setFlags(Ctl::selectable(r, c) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                           : Qt::ItemIsEnabled);
      if (c == 5 || c == 6) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      // Rows holding a registered match are drawn on a filled background.
      const bool match = r > 0 && m_ctl.cell(r, 0).find_first_not_of(" 0") != std::string::npos;
      item->setBackground(match ? palette().alternateBase() : palette().base());
    }
  }
}

void GameFormView::cellEntered(int row, int col, int previousRow, int previousCol) {
  if (m_moving || row < 0 || col < 0) return;
  if (!Ctl::selectable(row, col)) {
    // The cursor goes to the pick cell in the direction it moved (the nearest one when it
    // jumped), so the arrow keys step from pick cell to pick cell.
    const int r = row < 1 ? 1 : row;
    int c = Ctl::kAwayPick;
    if (col < Ctl::kHomePick) {
      c = Ctl::kHomePick;
    } else if (col == Ctl::kHomePick + 1) {
      c = previousRow == row && previousCol > col ? Ctl::kHomePick : Ctl::kAwayPick;
    }
    m_moving = true;
    m_grid->setCurrentCell(r, c);
    m_moving = false;
  }
  m_status->showMessage(FromCp1252(Ctl::pickCellHint()));
}

bool GameFormView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_grid &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (PickKey(k) || k == Qt::Key_Insert) {
      if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) {
        const int r = m_grid->currentRow(), c = m_grid->currentColumn();
        if (Ctl::selectable(r, c)) {
          if (k == Qt::Key_Insert) {
            m_ctl.clearCell(r, c);
          } else {
            m_ctl.pickCell(r, c);
          }
          fillGrid();
        }
      }
      return true;  // the grid never moves on these keys
    }
  }
  return QDialog::eventFilter(watched, event);
}

void GameFormView::okClick() {
  m_ctl.edNummer = ToCp1252(m_nummer->text());
  m_ctl.edSpeltid = ToCp1252(m_speltid->text());
  m_ctl.edLedare = ToCp1252(m_ledare->text());
  const OkResult r = m_ctl.okButtonClick();
  ShowOkResult(this, m_status, r);
  if (r.ok) accept();
}

}  // namespace liga::gui
