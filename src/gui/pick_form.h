// TEPickForm: the pick window of a pick list, a view over editing's TEPickForm. The list's
// selection is handed to the controller as it changes; finish() closes the controller with
// OK or Cancel as the window closed.
#pragma once

#include <QDialog>

#include "editing/pick.h"

class QListWidget;
class QPushButton;
class QStatusBar;

namespace liga::gui {

class TEPickFormDlg : public QDialog {
 public:
  TEPickFormDlg(liga::TEPickForm& form, QWidget* parent = nullptr);

  QListWidget* list() const { return m_list; }
  QString statusText() const;
  // After the window has closed: the controller learns how (a window still open counts
  // as Cancel).
  void finish();

 private:
  void syncFromControl();
  void syncToControl();

  liga::TEPickForm& m_form;
  QListWidget* m_list = nullptr;
  QPushButton* m_all = nullptr;
  QStatusBar* m_status = nullptr;
  bool m_filling = false;
  bool m_ok = false;
};

}  // namespace liga::gui
