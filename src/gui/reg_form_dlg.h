// The register windows: `RegFormView` (the list of one file's records with new, change,
// delete and print) and its class, team and play-time registers. Each is a thin view over
// its controller in editing/: the window fills its list from the controller after every
// command and shows the controller's status text; the controller holds every rule. A
// register opens its editor windows; "S&kriv" prints in the report settings of the shell it
// was given (the defaults without one).
#pragma once

#include <QDialog>
#include <QString>

#include "editing/game.h"
#include "editing/klass.h"
#include "editing/lag.h"
#include "editing/register.h"

class QListWidget;
class QStatusBar;

namespace liga {
class Shell;
}  // namespace liga

namespace liga::gui {

class RegFormView : public QDialog {
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
  RegFormView(QWidget* parent, Shell* shell);
  // Builds the window on `reg` (called by the derived register once its controller exists)
  // and runs the register start.
  void init(liga::TERegFormDlg& reg);
  // What the register holds, in the names of the changes it makes ("ändra lag Åsbo IF").
  QString m_noun;

 private:
  void fill();
  void afterCommand();
  void selectionChanged();

  Shell* m_shell;
  liga::TERegFormDlg* m_reg = nullptr;
  QListWidget* m_list = nullptr;
  QStatusBar* m_status = nullptr;
  bool m_filling = false;
  QString changeLabel(const char* verb) const;
};

class KlassRegFormView : public RegFormView {
 public:
  explicit KlassRegFormView(Database& db, QWidget* parent = nullptr, Shell* shell = nullptr);

 private:
  liga::TlgKLassRegForm m_ctl;
};

class LagRegFormView : public RegFormView {
 public:
  explicit LagRegFormView(Database& db, QWidget* parent = nullptr, Shell* shell = nullptr);

 private:
  liga::TlgLagRegForm m_ctl;
};

class GameRegFormView : public RegFormView {
 public:
  explicit GameRegFormView(Database& db, QWidget* parent = nullptr, Shell* shell = nullptr);

 private:
  liga::TlgGameRegForm m_ctl;
};

}  // namespace liga::gui
