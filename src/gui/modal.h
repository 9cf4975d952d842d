// How the editing windows are shown and answer, shared by every window of the program:
//  * RunModal: how a window is shown modally. The desktop program runs exec(); tests
//    install a runner that types into the window and presses its buttons, so no modal
//    loop ever runs offscreen.
//  * ShowOkResult: an editor's answer shown as the window's status text, beep and focus.
//  * LinkUpDown: a number field and its arrow control.
//  * QtPickWindows: the pick windows of the pick lists, shown through RunModal.
#pragma once

#include <QDialog>
#include <functional>

#include "editing/editor_result.h"
#include "editing/pick.h"

class QLineEdit;
class QSpinBox;
class QStatusBar;

namespace liga::gui {

using ModalRunner = std::function<void(QDialog&)>;
// Shows `dialog` modally through the installed runner (default: exec()).
void RunModal(QDialog& dialog);
// Installs `runner` (empty: exec() again); returns the previous one.
ModalRunner SetModalRunner(ModalRunner runner);

// Shows `r` in `bar` (message converted from code page 1252; an empty message leaves the
// bar as it is), beeps when asked and focuses the control named r.focus inside `form`;
// for a grid (QTableWidget) the cursor goes to r.row, r.col.
void ShowOkResult(QWidget* form, QStatusBar* bar, const OkResult& r);

// A number field with its arrow control: the arrows step the number shown in the field
// within [lo, hi]; a typed text is not bounded (the editor's OK checks it).
void LinkUpDown(QLineEdit* edit, QSpinBox* updown, int lo, int hi, int step = 1);

class QtPickWindows : public PickWindowRunner {
 public:
  explicit QtPickWindows(QWidget* parent) : m_parent(parent) {}
  void run(TEPickForm& form) override;

 private:
  QWidget* m_parent;
};

}  // namespace liga::gui
