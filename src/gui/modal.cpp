#include "gui/modal.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>

#include "common/ui_port.h"
#include "gui/pick_form.h"
#include "gui/qt_ui.h"

namespace liga::gui {
namespace {

ModalRunner& Runner() {
  static ModalRunner runner;
  return runner;
}

}  // namespace

void RunModal(QDialog& dialog) {
  if (Runner()) {
    Runner()(dialog);
  } else if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    dialog.exec();
  }
  // Offscreen nobody could answer a modal loop: without a runner the window closes
  // unanswered, which every caller treats as Cancel.
}

ModalRunner SetModalRunner(ModalRunner runner) {
  ModalRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

void ShowOkResult(QWidget* form, QStatusBar* bar, const OkResult& r) {
  // The focus moves first: entering a control may show its own hint, which the answer's
  // message then replaces.
  if (!r.focus.empty() && form) {
    if (QWidget* target = form->findChild<QWidget*>(QString::fromStdString(r.focus))) {
      if (auto* grid = qobject_cast<QTableWidget*>(target); grid && r.row >= 0 && r.col >= 0) {
        grid->setCurrentCell(r.row, r.col);
      }
      if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
      target->setFocus(Qt::OtherFocusReason);
    }
  }
  if (!r.message.empty() && bar) bar->showMessage(FromCp1252(r.message));
  if (r.beep) Ui().beep(440, 100);
}

void LinkUpDown(QLineEdit* edit, QSpinBox* updown, int lo, int hi, int step) {
  updown->setRange(lo, hi);
  updown->setSingleStep(step);
  updown->setFixedWidth(18);
  // The arrows belong to the field beside them: Tab goes from field to field.
  updown->setFocusPolicy(Qt::NoFocus);
  if (auto* inner = updown->findChild<QLineEdit*>()) inner->setFocusPolicy(Qt::NoFocus);
  updown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  bool ok = false;
  const int v = edit->text().trimmed().toInt(&ok);
  updown->setValue(ok ? v : lo);
  QObject::connect(updown, &QSpinBox::valueChanged, edit, [edit](int value) {
    if (edit->text().trimmed().toInt() != value || edit->text().trimmed().isEmpty())
      edit->setText(QString::number(value));
  });
  QObject::connect(edit, &QLineEdit::textEdited, updown, [updown, lo, hi](const QString& t) {
    bool ok = false;
    const int v = t.trimmed().toInt(&ok);
    if (ok && v >= lo && v <= hi) {
      const QSignalBlocker block(updown);
      updown->setValue(v);
    }
  });
}

void QtPickWindows::run(TEPickForm& form) {
  TEPickFormDlg dialog(form, m_parent);
  RunModal(dialog);
  dialog.finish();
}

}  // namespace liga::gui
