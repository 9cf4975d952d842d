// TInfoDlgForm ("tävling/turnering"): the competition editor's window over editing's
// TInfoDlgForm; the contact buttons open TadressDlg.
#pragma once

#include <QDialog>
#include <array>

#include "editing/info_dlg.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QStatusBar;

namespace liga::gui {

class TInfoDlgForm : public QDialog {
 public:
  TInfoDlgForm(liga::TInfoDlgForm& ctl, QWidget* parent = nullptr);
  QString statusText() const;
  // Escape, "Avbryt" and the close button: asks before unsaved changes are thrown away.
  void reject() override;
  void okClick();

 private:
  void kontaktClick(int n);
  void store();

  liga::TInfoDlgForm& m_ctl;
  QLineEdit *m_arr, *m_tvl, *m_typ, *m_omg, *m_pg, *m_bg, *m_payee, *m_fee;
  QRadioButton *m_usePG, *m_useBG;
  QCheckBox* m_attBetala;
  std::array<QLineEdit*, CompetitionRec::kContactBlocks> m_kontakt{};
  QStatusBar* m_status;
  QString m_opened;  // FormState at opening
};

}  // namespace liga::gui
