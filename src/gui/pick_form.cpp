#include "gui/pick_form.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/encoding.h"
#include "gui/qt_ui.h"

namespace liga::gui {

TEPickFormDlg::TEPickFormDlg(liga::TEPickForm& form, QWidget* parent)
    : QDialog(parent), m_form(form) {
  setObjectName(QStringLiteral("TEPickForm"));
  setWindowTitle(FromCp1252(form.caption()));
  auto* layout = new QVBoxLayout(this);
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("EPickListBox"));
  m_list->setSelectionMode(form.multiSelect() ? QAbstractItemView::MultiSelection
                                              : QAbstractItemView::SingleSelection);
  m_list->setMinimumWidth(300);
  layout->addWidget(m_list, 1);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("okBtn"));
  m_all = new QPushButton(this);
  m_all->setObjectName(QStringLiteral("allbtn"));
  m_all->setToolTip(FromCp1252(liga::TEPickForm::allbtnHint()));
  m_all->setEnabled(form.allbtnEnabled());
  m_all->setAutoDefault(false);
  auto* cancel = new QPushButton(QString::fromUtf8("Avbryt"), this);
  cancel->setObjectName(QStringLiteral("cancelBtn"));
  cancel->setToolTip(QString::fromUtf8("avbryt utan att fortsätta"));
  cancel->setAutoDefault(false);
  buttons->addWidget(ok);
  buttons->addWidget(m_all);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  m_status = new QStatusBar(this);
  m_status->setSizeGripEnabled(false);
  layout->addWidget(m_status);

  syncFromControl();
  connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { syncToControl(); });
  connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    syncToControl();
    if (m_form.doubleClick(m_list->row(item))) {
      m_ok = true;
      accept();
    }
  });
  connect(ok, &QPushButton::clicked, this, [this] {
    syncToControl();
    m_ok = true;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    m_ok = false;
    reject();
  });
  connect(m_all, &QPushButton::clicked, this, [this] {
    m_form.allbtnClick();
    syncFromControl();
  });
}

QString TEPickFormDlg::statusText() const {
  return m_status->currentMessage();
}

void TEPickFormDlg::syncFromControl() {
  m_filling = true;
  m_list->clear();
  for (int i = 0; i < m_form.count(); ++i) {
    auto* item = new QListWidgetItem(FromCp1252(m_form.itemText(i)), m_list);
    item->setSelected(m_form.isSelected(i));
  }
  m_all->setText(FromCp1252(m_form.allbtnCaption()));
  m_status->showMessage(FromCp1252(m_form.statusText()));
  m_filling = false;
}

void TEPickFormDlg::syncToControl() {
  if (m_filling) return;
  for (int i = 0; i < m_list->count(); ++i) {
    if (m_list->item(i)->isSelected() != m_form.isSelected(i))
      m_form.setSelected(i, m_list->item(i)->isSelected());
  }
  m_status->showMessage(FromCp1252(m_form.statusText()));
}

void TEPickFormDlg::finish() {
  if (m_ok) {
    m_form.okBtnClick();
  } else {
    m_form.cancelBtnClick();
  }
}

}  // namespace liga::gui
