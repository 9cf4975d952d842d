#include "gui/button_row.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

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
  return row;
}

}  // namespace liga::gui
