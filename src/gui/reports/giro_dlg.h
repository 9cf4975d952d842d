// The giro register `TEGiroRegForm` ("giroregister") and its three dialogs `TplusgiroDlg`,
// `TpostgiroDlg`, `TbankgiroDlg`: thin views over reports::GiroRegister, whose "ok" step
// decides whether a layout is stored.
#pragma once

#include <QDialog>

#include "reports/labels.h"

class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QStatusBar;
class QListWidget;

namespace liga::gui {

class GiroDlg : public QDialog {
  Q_OBJECT
 public:
  // Edits `layout` (a new one when `replacing` is empty) of `reg`.
  GiroDlg(reports::GiroRegister& reg, reports::GiroLayout layout, std::string replacing,
          QWidget* parent = nullptr);
  const reports::GiroLayout& layout() const { return m_layout; }
  QString statusText() const;

 public Q_SLOTS:
  void okButtonClick();

 private:
  reports::GiroRegister& m_reg;
  reports::GiroLayout m_layout;
  std::string m_replacing;
  QLineEdit *m_payee, *m_number, *m_littera;
  QPlainTextEdit* m_message;
  QSpinBox *m_amount, *m_copies;
  QStatusBar* m_status;
};

class TEGiroRegForm : public QDialog {
  Q_OBJECT
 public:
  // The register is loaded from and saved to `path`.
  explicit TEGiroRegForm(std::string path, QWidget* parent = nullptr);
  reports::GiroRegister& reg() { return m_reg; }
  void refresh();

 private:
  void edit(reports::GiroForm form, int row);
  std::string m_path;
  reports::GiroRegister m_reg;
  QListWidget* m_list;
};

}  // namespace liga::gui
