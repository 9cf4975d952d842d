// TGameForm: the play-time editor's window over editing's TGameForm, with the slot grid
// sgGame. Only the pick cells (columns 1 and 3 of rows 1..16) take the cursor; on a pick
// cell a double-click or a released Tab, Enter or Space opens the team pick list, a
// released Insert clears the side.
#pragma once

#include <QDialog>

#include "editing/game.h"

class QLineEdit;
class QStatusBar;
class QTableWidget;

namespace liga::gui {

class TGameForm : public QDialog {
 public:
  TGameForm(liga::TGameForm& ctl, QWidget* parent = nullptr);
  QString statusText() const;
  // Escape, "Avbryt" and the close button: asks before unsaved changes are thrown away.
  void reject() override;
  QTableWidget* grid() const { return m_grid; }
  void okClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillGrid();
  void cellEntered(int row, int col, int previousRow, int previousCol);

  liga::TGameForm& m_ctl;
  QLineEdit *m_nummer, *m_speltid, *m_ledare;
  QTableWidget* m_grid;
  QStatusBar* m_status;
  QString m_opened;  // FormState at opening
  bool m_moving = false;
};

}  // namespace liga::gui
