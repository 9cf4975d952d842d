#include "gui/reg_form_dlg.h"
#include "gui/undo_history.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/ui_port.h"
#include "gui/game_form.h"
#include "gui/klass_dlg.h"
#include "gui/lag_form.h"
#include "gui/modal.h"
#include "gui/qt_ui.h"
#include "gui/report_commands.h"

namespace liga::gui {

RegFormView::RegFormView(QWidget* parent, Shell* shell) : QDialog(parent), m_shell(shell) {}

void RegFormView::init(liga::TERegFormDlg& reg) {
  m_reg = &reg;
  setWindowTitle(FromCp1252(reg.caption()));
  auto* layout = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("ERegListBox"));
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setToolTip(FromCp1252(liga::TERegFormDlg::ListHint()));
  m_list->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
  m_list->setMinimumWidth(360);
  body->addWidget(m_list, 1);
  auto* buttons = new QVBoxLayout;
  for (const auto& b : liga::TERegFormDlg::Buttons()) {
    auto* button = new QPushButton(FromCp1252(b.caption), this);
    button->setObjectName(QString::fromStdString(b.name));
    button->setToolTip(FromCp1252(b.hint));
    button->setAutoDefault(false);
    buttons->addWidget(button);
    if (b.name == "closebtn") connect(button, &QPushButton::clicked, this, &QDialog::accept);
    if (b.name == "changebtn")
      connect(button, &QPushButton::clicked, this, [this] { changeClick(); });
    if (b.name == "deletebtn")
      connect(button, &QPushButton::clicked, this, [this] { deleteClick(); });
    if (b.name == "newbtn") connect(button, &QPushButton::clicked, this, [this] { newClick(); });
    if (b.name == "printbtn")
      connect(button, &QPushButton::clicked, this, [this] { printClick(); });
  }
  buttons->addStretch();
  body->addLayout(buttons);
  layout->addLayout(body);
  m_status = new QStatusBar(this);
  m_status->setSizeGripEnabled(false);
  layout->addWidget(m_status);

  connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
  connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { changeClick(); });
  connect(m_list, &QListWidget::itemClicked, this, [this] {
    m_reg->listClick();
    m_status->showMessage(FromCp1252(m_reg->statusText()));
  });

  QApplication::setOverrideCursor(Qt::WaitCursor);
  reg.start();
  QApplication::restoreOverrideCursor();
  fill();
  m_status->showMessage(FromCp1252(reg.statusText()));
}

QString RegFormView::statusText() const {
  return m_status->currentMessage();
}

void RegFormView::fill() {
  m_filling = true;
  m_list->clear();
  for (const auto& e : m_reg->list()) {
    auto* item = new QListWidgetItem(FromCp1252(e.text), m_list);
    item->setSelected(e.selected);
  }
  if (m_reg->focused() >= 0 && m_reg->focused() < m_list->count())
    m_list->setCurrentRow(m_reg->focused(), QItemSelectionModel::NoUpdate);
  m_filling = false;
}

void RegFormView::selectionChanged() {
  if (m_filling) return;
  for (int i = 0; i < m_list->count(); ++i) m_reg->setSelected(i, m_list->item(i)->isSelected());
  m_reg->setFocused(m_list->currentRow());
}

void RegFormView::afterCommand() {
  if (m_reg->takeBeep()) Ui().beep(440, 100);
  fill();
  m_status->showMessage(FromCp1252(m_reg->statusText()));
}

QString RegFormView::changeLabel(const char* verb) const {
  QString label = QString::fromUtf8(verb) + QLatin1Char(' ') + m_noun;
  const QList<QListWidgetItem*> chosen = m_list->selectedItems();
  const QListWidgetItem* item = chosen.size() == 1 ? chosen.front() : m_list->currentItem();
  if (chosen.size() > 1) return label + QString::fromUtf8(" (%1 st)").arg(chosen.size());
  if (item) label += QLatin1Char(' ') + item->text().simplified().left(32);
  return label;
}

// Each stored change is one entry of the window's undo history.
void RegFormView::newClick() {
  selectionChanged();
  m_reg->EditEntry(true);
  UndoMark(QString::fromUtf8("ny ") + m_noun);
  afterCommand();
}

void RegFormView::changeClick() {
  selectionChanged();
  const QString label = changeLabel("ändra");
  m_reg->EditEntry(false);
  UndoMark(label);
  afterCommand();
}

void RegFormView::deleteClick() {
  selectionChanged();
  const QString label = changeLabel("radera");
  m_reg->EraseEntry();
  UndoMark(label);
  afterCommand();
}

void RegFormView::printClick() {
  selectionChanged();
  QString title = parentWidget() ? parentWidget()->window()->windowTitle() : QString();
  const std::vector<std::string> lines = m_reg->Print(ToCp1252(title));
  if (!lines.empty()) {
    // The first line is the job's title; the report writer prints the rest.
    std::vector<std::string> body(lines.begin() + 1, lines.end());
    PrintListCommand(this, m_shell, lines.front(), body);
  }
  afterCommand();
}

KlassRegFormView::KlassRegFormView(Database& db, QWidget* parent, Shell* shell)
    : RegFormView(parent, shell), m_ctl(db) {
  m_noun = QString::fromUtf8("klass");
  m_ctl.runEditor = [this](liga::TklassDlg& c) {
    KlassDlgView dialog(c, this);
    RunModal(dialog);
  };
  init(m_ctl);
}

LagRegFormView::LagRegFormView(Database& db, QWidget* parent, Shell* shell)
    : RegFormView(parent, shell), m_ctl(db) {
  m_noun = QString::fromUtf8("lag");
  m_ctl.runEditor = [this](liga::TLagForm& c) {
    LagFormView dialog(c, this);
    RunModal(dialog);
  };
  init(m_ctl);
}

GameRegFormView::GameRegFormView(Database& db, QWidget* parent, Shell* shell)
    : RegFormView(parent, shell), m_ctl(db) {
  m_noun = QString::fromUtf8("speltid");
  m_ctl.runEditor = [this](liga::TGameForm& c) {
    GameFormView dialog(c, this);
    RunModal(dialog);
  };
  init(m_ctl);
}

}  // namespace liga::gui
