#include "gui/button_row.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/encoding.h"
#include "common/ui_port.h"

namespace liga::gui {

ButtonRow AddButtonRow(QDialog* dialog, QVBoxLayout* layout, RowButton ok, RowButton cancel,
                       bool okIsDefault) {
  auto* buttons = new QHBoxLayout;
  auto make = [dialog, buttons](const RowButton& button) {
    auto* b = new QPushButton(QString::fromUtf8(button.caption), dialog);
    b->setObjectName(QString::fromLatin1(button.objectName));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, dialog, button.clicked);
    buttons->addWidget(b);
    return b;
  };
  ButtonRow row{make(ok), make(cancel), new QStatusBar(dialog)};
  if (okIsDefault) row.ok->setDefault(true);
  layout->addLayout(buttons);
  row.status->setSizeGripEnabled(false);
  layout->addWidget(row.status);
  ShowStatusWrapped(dialog, layout, row.status);
  return row;
}

void ShowStatusWrapped(QWidget* dialog, QVBoxLayout* layout, QStatusBar* status) {
  // The status bar keeps the dialog's messages (the tests read them there) but is not shown:
  // a status bar cuts a long text at its width. A label under it shows the whole message,
  // wrapped, and the dialog grows with it.
  status->hide();
  auto* shown = new QLabel(dialog);
  shown->setObjectName(QStringLiteral("statusText"));
  shown->setWordWrap(true);
  shown->setTextFormat(Qt::PlainText);
  shown->setFrameShape(QFrame::StyledPanel);
  shown->setFrameShadow(QFrame::Sunken);
  shown->setMinimumHeight(shown->fontMetrics().height() + 6);
  layout->addWidget(shown);
  QObject::connect(status, &QStatusBar::messageChanged, shown, [shown, dialog](const QString& t) {
    shown->setText(t);
    if (QLayout* l = dialog->layout()) l->activate();
    const QSize want = dialog->sizeHint();
    if (dialog->height() < want.height()) dialog->resize(dialog->width(), want.height());
  });
}

QString FormState(const QWidget* form) {
  QStringList parts;
  for (const QWidget* w : form->findChildren<QWidget*>()) {
    if (const auto* e = qobject_cast<const QLineEdit*>(w)) {
      parts << e->objectName() + QLatin1Char('=') + e->text();
    } else if (const auto* p = qobject_cast<const QPlainTextEdit*>(w)) {
      parts << p->objectName() + QLatin1Char('=') + p->toPlainText();
    } else if (const auto* s = qobject_cast<const QSpinBox*>(w)) {
      parts << s->objectName() + QLatin1Char('=') + QString::number(s->value());
    } else if (const auto* c = qobject_cast<const QComboBox*>(w)) {
      parts << c->objectName() + QLatin1Char('=') + c->currentText();
    } else if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable()) {
      parts << b->objectName() + QLatin1Char('=') + (b->isChecked() ? u'1' : u'0');
    } else if (const auto* t = qobject_cast<const QTableWidget*>(w)) {
      for (int r = 0; r < t->rowCount(); ++r) {
        for (int c = 0; c < t->columnCount(); ++c) {
          const QTableWidgetItem* item = t->item(r, c);
          parts << (item ? item->text() : QString());
        }
      }
    }
  }
  return parts.join(QLatin1Char('\n'));
}

bool ConfirmDiscard(bool changed) {
  if (!changed) return true;
  return Ui().showMessage(MessageKind::Question, "??",
                          W("Ändringarna är inte sparade. Stäng utan att spara?")) == Answer::Yes;
}

}  // namespace liga::gui
