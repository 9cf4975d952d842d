#include "gui/result_form.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
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
using Ctl = liga::TResultForm;
}

ResultFormView::ResultFormView(Database& db, QWidget* parent) : QDialog(parent), m_ctl(db) {
  setObjectName(QStringLiteral("TResultForm"));
  setWindowTitle(FromCp1252(Ctl::Caption()));
  auto* layout = new QVBoxLayout(this);
  m_list = new QComboBox(this);
  m_list->setObjectName(QStringLiteral("cbSpeltider1"));
  m_list->setToolTip(QString::fromUtf8("välj speltid för resultatinmatning"));
  for (const auto& item : m_ctl.list()) m_list->addItem(FromCp1252(item.text));
  m_list->setCurrentIndex(m_ctl.listIndex());
  layout->addWidget(m_list);

  m_grid = new QTableWidget(Ctl::kRows, Ctl::kCols, this);
  m_grid->setObjectName(QStringLiteral("sgMatcher1"));
  m_grid->setToolTip(QString::fromUtf8("mata in resultat för speltiden"));
  m_grid->horizontalHeader()->hide();
  m_grid->verticalHeader()->hide();
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  m_grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                          QAbstractItemView::EditKeyPressed);
  const QFontMetrics fm(m_grid->font());
  const int widths[Ctl::kCols] = {4, 16, 1, 16, 4, 1, 4};
  for (int c = 0; c < Ctl::kCols; ++c)
    m_grid->setColumnWidth(c, fm.horizontalAdvance(QString(widths[c], QLatin1Char('X'))));
  m_grid->verticalHeader()->setDefaultSectionSize(fm.height() * 3 / 2);
  m_grid->setMinimumSize(460, 320);
  m_grid->installEventFilter(this);
  layout->addWidget(m_grid, 1);
  fill();

  connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (m_filling) return;
    m_ctl.setCell(item->row(), item->column(), ToCp1252(item->text()));
    m_edited.insert(FromCp1252(m_ctl.cell(item->row(), 0)).trimmed());
  });
  connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int r, int) {
    const QString number = FromCp1252(m_ctl.cell(r, 0)).trimmed();
    m_grid->setToolTip(number.isEmpty() ? QString::fromUtf8("mata in resultat för speltiden")
                                        : number);
  });
  connect(m_list, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0 || index == m_ctl.listIndex()) return;
    const OkResult r = m_ctl.cbSpeltider1Change(index);
    markStored();
    show(r);
  });

  const ButtonRow row = AddButtonRow(this, layout, {"klar", "klarBtn", [this] { klarClick(); }},
                                     {"avbryt", "avbrytBtn", [this] { reject(); }}, false);
  m_status = row.status;
}

// Play times saved earlier stay saved; what was typed into the one on screen is thrown
// away only when the person says so.
void ResultFormView::reject() {
  if (!ConfirmDiscard(m_ctl.modified())) return;
  m_ctl.avbrytClick();
  QDialog::reject();
}

QString ResultFormView::statusText() const {
  return m_status->currentMessage();
}

void ResultFormView::fill() {
  m_filling = true;
  const QBrush tint = palette().alternateBase();
  for (int r = 0; r < Ctl::kRows; ++r) {
    const bool match = r > 0 && m_ctl.selectable(r, Ctl::kHomeCol);
    for (int c = 0; c < Ctl::kCols; ++c) {
      QTableWidgetItem* item = m_grid->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        m_grid->setItem(r, c, item);
      }
      item->setText(FromCp1252(m_ctl.cell(r, c)));
      Qt::ItemFlags flags = Qt::ItemIsEnabled;
      if (match && m_ctl.selectable(r, c)) flags |= Qt::ItemIsSelectable;
      if (match && (c == Ctl::kHomeCol || c == Ctl::kAwayCol)) flags |= Qt::ItemIsEditable;
      item->setFlags(flags);
      item->setBackground(match && c != Ctl::kHomeCol && c != Ctl::kAwayCol ? tint
                                                                            : palette().base());
      if (c >= Ctl::kHomeCol) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  m_filling = false;
}

void ResultFormView::show(const OkResult& r) {
  {
    const QSignalBlocker block(m_list);
    m_list->setCurrentIndex(m_ctl.listIndex());
  }
  fill();
  ShowOkResult(this, m_status, r);
  if (!r.ok && r.row >= 0 && r.col >= 0) m_grid->editItem(m_grid->item(r.row, r.col));
}

void ResultFormView::klarClick() {
  // A cell still being edited is committed first.
  if (QWidget* editor = m_grid->focusWidget(); editor && editor != m_grid) m_grid->setFocus();
  const OkResult r = m_ctl.klarClick();
  markStored();
  if (r.ok) {
    accept();
    return;
  }
  show(r);
}

// The play time just stored is one entry of the window's undo history, named after the
// matches whose results were typed.
void ResultFormView::markStored() {
  QStringList numbers(m_edited.begin(), m_edited.end());
  numbers.removeAll(QString());
  numbers.sort();
  const QString label = numbers.size() == 1 ? QString::fromUtf8("resultat match ") + numbers.front()
                        : numbers.isEmpty() ? QString::fromUtf8("resultat")
                                            : QString::fromUtf8("resultat matcher ") +
                                                  numbers.join(QStringLiteral(", "));
  UndoMark(label);
  m_edited.clear();
}

bool ResultFormView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_grid && event->type() == QEvent::FocusIn) {
    const int row = m_grid->currentRow() < 1 ? 1 : m_grid->currentRow();
    if (!m_ctl.selectable(row, m_grid->currentColumn()))
      m_grid->setCurrentCell(row, Ctl::entryColumn());
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace liga::gui
