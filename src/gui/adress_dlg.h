// AdressDlgView ("adress"): the contact-block editor's window over editing's TadressDlg.
#pragma once

#include <QDialog>

#include "editing/info_dlg.h"

class QPlainTextEdit;

namespace liga::gui {

class AdressDlgView : public QDialog {
 public:
  AdressDlgView(liga::TadressDlg& ctl, QWidget* parent = nullptr);
  QPlainTextEdit* memo() const { return m_memo; }
  void okClick();

 private:
  liga::TadressDlg& m_ctl;
  QPlainTextEdit* m_memo;
};

}  // namespace liga::gui
