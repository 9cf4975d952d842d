// The row that closes an editor: its confirming and its cancelling button, and under them
// the status bar the editor shows its messages in.
#pragma once

#include <functional>

class QDialog;
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

}  // namespace liga::gui
