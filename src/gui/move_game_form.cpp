#include "gui/move_game_form.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/button_row.h"
#include "gui/modal.h"
#include "gui/qt_ui.h"
#include "gui/undo_history.h"

namespace liga::gui {
namespace {

using Ctl = liga::TMoveGameForm;

QTableWidget* MatchGrid(QWidget* parent, const char* name) {
  auto* grid = new QTableWidget(Ctl::kRows, Ctl::kCols, parent);
  grid->setObjectName(QString::fromLatin1(name));
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  const QFontMetrics fm(grid->font());
  const int widths[Ctl::kCols] = {4, 16, 1, 16, 4, 1, 4};
  for (int c = 0; c < Ctl::kCols; ++c)
    grid->setColumnWidth(c, fm.horizontalAdvance(QString(widths[c], QLatin1Char('X'))));
  grid->verticalHeader()->setDefaultSectionSize(fm.height() * 3 / 2);
  grid->setMinimumSize(420, 300);
  return grid;
}

}  // namespace

MoveGameFormView::MoveGameFormView(Database& db, QWidget* parent) : QDialog(parent), m_ctl(db) {
  setObjectName(QStringLiteral("TMoveGameForm"));
  setWindowTitle(FromCp1252(Ctl::Caption()));
  setToolTip(QString::fromUtf8("flytta match från vänster speltid till höger speltid"));
  auto* layout = new QVBoxLayout(this);
  auto* sides = new QGridLayout;
  const char* hints[2] = {"välj speltid där matchen för flyttning finns",
                          "speltid för att flytta matchen till "};
  for (int s = 0; s < 2; ++s) {
    m_list[s] = new QComboBox(this);
    m_list[s]->setObjectName(QStringLiteral("cbSpeltider%1").arg(s + 1));
    m_list[s]->setToolTip(QString::fromUtf8(hints[s]));
    for (const auto& item : m_ctl.list()) m_list[s]->addItem(FromCp1252(item.text));
    m_list[s]->setCurrentIndex(m_ctl.listIndex(s + 1));
    m_grid[s] = MatchGrid(this, s == 0 ? "sgMatcher1" : "sgMatcher2");
    sides->addWidget(new QLabel(QStringLiteral("speltid %1").arg(s + 1), this), 0, s);
    sides->addWidget(m_list[s], 1, s);
    sides->addWidget(m_grid[s], 2, s);
    connect(m_list[s], &QComboBox::currentIndexChanged, this, [this, s](int index) {
      if (index < 0 || index == m_ctl.listIndex(s + 1)) return;
      m_ctl.selectPlayTime(s + 1, index);
      fill(s + 1);
      // A message about the earlier choice is no longer true.
      m_status->clearMessage();
    });
    fill(s + 1);
  }
  m_grid[0]->setToolTip(
      QString::fromUtf8("dubbelklicka på match för att flytta till speltiden till höger"));
  connect(m_grid[0], &QTableWidget::cellDoubleClicked, this, [this](int r, int) { moveRow(r); });
  layout->addLayout(sides, 1);
  auto* klar = new QPushButton(QStringLiteral("klar"), this);
  klar->setObjectName(QStringLiteral("klarBtn"));
  klar->setAutoDefault(false);
  connect(klar, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(klar, 0, Qt::AlignRight);
  m_status = new QStatusBar(this);
  m_status->setSizeGripEnabled(false);
  layout->addWidget(m_status);
  ShowStatusWrapped(this, layout, m_status);
}

QString MoveGameFormView::statusText() const {
  return m_status->currentMessage();
}

void MoveGameFormView::fill(int side) {
  QTableWidget* grid = m_grid[side - 1];
  for (int r = 0; r < Ctl::kRows; ++r) {
    for (int c = 0; c < Ctl::kCols; ++c) {
      QTableWidgetItem* item = grid->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid->setItem(r, c, item);
      }
      item->setText(FromCp1252(m_ctl.cell(side, r, c)));
    }
  }
}

void MoveGameFormView::moveRow(int row) {
  const QString number = FromCp1252(m_ctl.cell(1, row, 0)).trimmed();
  const OkResult r = m_ctl.doubleClickLeft(row);
  UndoMark(QString::fromUtf8("flytta match ") + number);
  ShowOkResult(this, m_status, r);
  fill(1);
  fill(2);
}

}  // namespace liga::gui
