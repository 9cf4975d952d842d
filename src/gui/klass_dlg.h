// TklassDlg ("klass/division"): the class editor's window over editing's TklassDlg.
#pragma once

#include <QDialog>

#include "editing/klass.h"

class QLineEdit;
class QStatusBar;

namespace liga::gui {

class TklassDlg : public QDialog {
 public:
  TklassDlg(liga::TklassDlg& ctl, QWidget* parent = nullptr);
  QString statusText() const;
  // Escape, "Avbryt" and the close button: asks before unsaved changes are thrown away.
  void reject() override;
  void okClick();

 private:
  liga::TklassDlg& m_ctl;
  QLineEdit *m_klass, *m_omg, *m_win, *m_oavg, *m_start, *m_ordning;
  QStatusBar* m_status;
  QString m_opened;  // FormState at opening
};

}  // namespace liga::gui
