// The row that closes an editor: its confirming and its cancelling button, and under them
// the status bar the editor shows its messages in.
#pragma once

#include <functional>

class QDialog;
class QString;
class QWidget;
class QPushButton;
class QStatusBar;
class QVBoxLayout;

namespace liga::gui {

struct RowButton {
  const char* caption;     // as shown ("OK", "Avbryt", "klar")
  const char* objectName;  // the name the tests and the original program's forms use
  std::function<void()> clicked;
};

struct ButtonRow {
  QPushButton* ok;
  QPushButton* cancel;
  QStatusBar* status;
};

// Adds the two buttons side by side and the status bar to `layout`. With `okIsDefault` Enter
// presses the confirming button; otherwise neither button takes Enter (the editor's grid or
// fields use it).
ButtonRow AddButtonRow(QDialog* dialog, QVBoxLayout* layout, RowButton ok, RowButton cancel,
                       bool okIsDefault);

// Shows the messages of `status` (which stays hidden) in a wrapped label added to `layout`,
// so a long message is never cut off; the dialog grows to show it whole.
void ShowStatusWrapped(QWidget* dialog, QVBoxLayout* layout, QStatusBar* status);

// What the person can change in `form`, as one text: every edit field, spin box, check box,
// radio button, combo box and grid cell, in widget order. Two equal texts mean nothing was
// changed between them.
QString FormState(const QWidget* form);
// Closing an editor without saving: when `changed`, asks "Ändringarna är inte sparade. Stäng
// utan att spara?" and answers whether the editor may close (always when nothing changed).
bool ConfirmDiscard(bool changed);

}  // namespace liga::gui
