// The label register `TEEtikettRegForm` ("etikettregister"): the sheet geometry and copies
// of the selected label settings block, and the "Antal kopior:" question of a label run.
#pragma once

#include <QDialog>
#include <optional>

#include "config/settings_blocks.h"

class QSpinBox;

namespace liga::gui {

class TEEtikettRegForm : public QDialog {
  Q_OBJECT
 public:
  // Edits `block` in place when "ok" is pressed.
  explicit TEEtikettRegForm(LabelSettingsBlock& block, QWidget* parent = nullptr);

 public Q_SLOTS:
  void okButtonClick();

 private:
  LabelSettingsBlock& m_block;
  QSpinBox *m_across, *m_rows, *m_copies, *m_top, *m_left, *m_height, *m_width, *m_rowPitch,
      *m_columnPitch;
};

// Asks "Antal kopior:" (1..99); nullopt when cancelled.
std::optional<int> AskLabelCopies(QWidget* parent);

}  // namespace liga::gui
