// ResultFormView ("resultatinmatning"): the result entry's window over editing's TResultForm.
// Only the two score columns of match rows can be edited; entering the grid puts the cursor
// in the home-score column.
#pragma once

#include <QDialog>
#include <QSet>
#include <QString>

#include "editing/result_form.h"

class QComboBox;
class QStatusBar;
class QTableWidget;

namespace liga::gui {

class ResultFormView : public QDialog {
 public:
  ResultFormView(Database& db, QWidget* parent = nullptr);
  QString statusText() const;
  // Escape, "Avbryt" and the close button: asks before unsaved changes are thrown away.
  void reject() override;
  liga::TResultForm& controller() { return m_ctl; }
  void klarClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fill();
  void show(const OkResult& r);

  liga::TResultForm m_ctl;
  QComboBox* m_list;
  QTableWidget* m_grid;
  QStatusBar* m_status;
  bool m_filling = false;
  QSet<QString> m_edited;  // match numbers typed into since the last store
  void markStored();
};

}  // namespace liga::gui
