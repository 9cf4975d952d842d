// LagFormView ("lag"): the team editor's window over editing's TLagForm, with the contact grid
// sgLagMedl (row 0 headings, row 1 the leader, rows 2..23 the members).
#pragma once

#include <QDialog>

#include "editing/lag.h"

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QSpinBox;
class QStatusBar;
class QTableWidget;

namespace liga::gui {

class LagFormView : public QDialog {
 public:
  LagFormView(liga::TLagForm& ctl, QWidget* parent = nullptr);
  QString statusText() const;
  // Escape, "Avbryt" and the close button: asks before unsaved changes are thrown away.
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;
  QTableWidget* grid() const { return m_grid; }
  void okClick();
  // The class box's text was chosen or typed.
  void klassChanged();

 private:
  void store();

  liga::TLagForm& m_ctl;
  QLineEdit *m_nummer, *m_namn, *m_ranking, *m_lost, *m_win, *m_point;
  QSpinBox* m_udNummer;
  QComboBox* m_klass;
  QTableWidget* m_grid;
  QStatusBar* m_status;
  QString m_opened;  // FormState at opening
  bool m_filling = false;
};

}  // namespace liga::gui
