// MoveGameFormView ("matchflyttare"): the match mover's window over editing's TMoveGameForm.
// A double-click on a match in the left grid moves it to the play time on the right.
#pragma once

#include <QDialog>

#include "editing/move_game.h"

class QComboBox;
class QStatusBar;
class QTableWidget;

namespace liga::gui {

class MoveGameFormView : public QDialog {
 public:
  MoveGameFormView(Database& db, QWidget* parent = nullptr);
  QString statusText() const;
  liga::TMoveGameForm& controller() { return m_ctl; }
  // What a double-click on row `row` of the left grid does.
  void moveRow(int row);

 private:
  void fill(int side);

  liga::TMoveGameForm m_ctl;
  QComboBox* m_list[2];
  QTableWidget* m_grid[2];
  QStatusBar* m_status;
};

}  // namespace liga::gui
