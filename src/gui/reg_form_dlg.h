// The register windows: `TERegFormDlg` (the list of one file's records with new, change,
// delete and print) and its class, team and play-time registers. Each is a thin view over
// its controller in editing/: the window fills its list from the controller after every
// command and shows the controller's status text; the controller holds every rule.
//
// Also here, shared by every editing window:
//  * RunModal: how a window is shown modally. The desktop program runs exec(); tests
//    install a runner that types into the window and presses its buttons, so no modal
//    loop ever runs offscreen.
//  * ShowOkResult: an editor's answer shown as the window's status text, beep and focus.
//  * QtPickWindows: the pick windows of the pick lists, shown through RunModal.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "editing/editor_result.h"
#include "editing/game.h"
#include "editing/klass.h"
#include "editing/lag.h"
#include "editing/pick.h"
#include "editing/register.h"

class QListWidget;
class QStatusBar;
class QLineEdit;
class QSpinBox;

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

class TERegFormDlg : public QDialog {
 public:
  // The status text shown (UTF-8).
  QString statusText() const;
  QListWidget* list() const { return m_list; }
  // Commands as the buttons run them.
  void newClick();
  void changeClick();
  void deleteClick();
  void printClick();

 protected:
  explicit TERegFormDlg(QWidget* parent);
  // Builds the window on `reg` (called by the derived register once its controller exists)
  // and runs the register start.
  void init(liga::TERegFormDlg& reg);
  // What the register holds, in the names of the changes it makes ("ändra lag Åsbo IF").
  QString m_noun;

 private:
  void fill();
  void afterCommand();
  void selectionChanged();

  liga::TERegFormDlg* m_reg = nullptr;
  QListWidget* m_list = nullptr;
  QStatusBar* m_status = nullptr;
  bool m_filling = false;
  QString changeLabel(const char* verb) const;
};

class TlgKLassRegForm : public TERegFormDlg {
 public:
  TlgKLassRegForm(Database& db, QWidget* parent = nullptr);

 private:
  liga::TlgKLassRegForm m_ctl;
};

class TlgLagRegForm : public TERegFormDlg {
 public:
  TlgLagRegForm(Database& db, QWidget* parent = nullptr);

 private:
  liga::TlgLagRegForm m_ctl;
};

class TlgGameRegForm : public TERegFormDlg {
 public:
  TlgGameRegForm(Database& db, QWidget* parent = nullptr);

 private:
  liga::TlgGameRegForm m_ctl;
};

}  // namespace liga::gui
