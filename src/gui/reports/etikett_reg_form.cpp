#include "gui/reports/etikett_reg_form.h"

#include <QFormLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace liga::gui {

TEEtikettRegForm::TEEtikettRegForm(LabelSettingsBlock& block, QWidget* parent)
    : QDialog(parent), m_block(block) {
  setObjectName("TEEtikettRegForm");
  setWindowTitle("etikettregister");
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto spin = [&](const char* name, const char* label, int lo, int hi, int value) {
    auto* s = new QSpinBox(this);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    form->addRow(QString::fromUtf8(label), s);
    return s;
  };
  m_across = spin("EtXn", "antal kolumn", 1, 8, std::clamp(block.across(), 1, 8));
  m_rows = spin("EtYn", "antal rader", 1, 99, std::clamp(block.rows(), 1, 99));
  m_copies = spin("Etcopies", "antal kopior (0 = fråga)", 0, 99, std::clamp(block.copies(), 0, 99));
  m_top = spin("EtYmarg", "topmarginal", -999, 9999, block.topMargin());
  m_left = spin("EtXmarg", "vänstermarg", -999, 9999, block.leftMargin());
  // The unsigned fields take no negative values.
  m_height = spin("EtYh", "etiketthöjd", 0, 9999, block.labelHeight());
  m_width = spin("EtXw", "etikettbredd", 0, 9999, block.labelWidth());
  m_rowPitch = spin("EtYdeln", "raddelning", 0, 9999, block.rowPitch());
  m_columnPitch = spin("EtXdeln", "kolumndeln", 0, 9999, block.columnPitch());
  outer->addLayout(form);
  auto* ok = new QPushButton("ok", this);
  ok->setObjectName("okButton");
  connect(ok, &QPushButton::clicked, this, &TEEtikettRegForm::okButtonClick);
  outer->addWidget(ok);
}

void TEEtikettRegForm::okButtonClick() {
  m_block.setAcross(m_across->value());
  m_block.setRows(m_rows->value());
  m_block.setCopies(m_copies->value());
  m_block.setTopMargin(m_top->value());
  m_block.setLeftMargin(m_left->value());
  m_block.setLabelHeight(m_height->value());
  m_block.setLabelWidth(m_width->value());
  m_block.setRowPitch(m_rowPitch->value());
  m_block.setColumnPitch(m_columnPitch->value());
  if (!m_block.isSetUp()) m_block.markSetUp();
  accept();
}

std::optional<int> AskLabelCopies(QWidget* parent) {
  bool ok = false;
  const int n = QInputDialog::getInt(parent, "etiketter", "Antal kopior:", 1, 1, 99, 1, &ok);
  if (!ok) return std::nullopt;
  return n;
}

}  // namespace liga::gui
