// TLottnDlgForm ("spelfördelning"): the view of the scheduling dialog. Every edit goes to the
// controller (scheduling/dialog.h), which holds the rules; the form shows what it returns.
#pragma once

#include <QDialog>
#include <array>

#include "scheduling/dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QStatusBar;

namespace liga::gui {

class TLottnDlgForm : public QDialog {
 public:
  TLottnDlgForm(scheduling::ScheduleDialog& controller, QWidget* parent = nullptr);

  // OK: the fields go to the controller, its checks run; a failure shows its text in the
  // status bar and moves the focus, and the dialog stays open.
  void okButtonClick();
  void utfilButtonClick();
  void maskfilButtonClick();

  QString statusText() const;

 private:
  void showValues();
  void pushFields();

  scheduling::ScheduleDialog& m_c;
  std::array<QLabel*, 5> m_current{};
  QSpinBox* m_playTimes = nullptr;    // Edit8
  QSpinBox* m_perPlayTime = nullptr;  // Edit10
  QCheckBox* m_oneMatch = nullptr;
  QSpinBox* m_refine = nullptr;
  QCheckBox* m_improve = nullptr;        // "förbättra schemat"
  QSpinBox* m_improveSeconds = nullptr;  // its budget in seconds
  std::array<QRadioButton*, 2> m_roundOrder{};
  std::array<QRadioButton*, 2> m_homeAway{};
  QLineEdit* m_maskFile = nullptr;
  QLineEdit* m_outFile = nullptr;
  QStatusBar* m_status = nullptr;
};

}  // namespace liga::gui
