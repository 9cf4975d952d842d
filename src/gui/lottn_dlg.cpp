#include "gui/lottn_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/limits.h"
#include "gui/qt_ui.h"
#include "ui_lottn_dlg.h"

namespace liga::gui {
TLottnDlgForm::TLottnDlgForm(scheduling::ScheduleDialog& controller, QWidget* parent)
    : QDialog(parent), m_c(controller), m_ui(std::make_unique<Ui::LottnDlgForm>()) {
  m_ui->setupUi(this);
  m_current = {m_ui->lbAktuell0, m_ui->lbAktuell1, m_ui->lbAktuell2, m_ui->lbAktuell3,
               m_ui->lbAktuell4};
  m_playTimes = m_ui->Edit8;
  m_perPlayTime = m_ui->Edit10;
  m_oneMatch = m_ui->cbEnMatchPerDag;
  m_refine = m_ui->udForfina;
  m_improve = m_ui->cbForbattra;
  m_improveSeconds = m_ui->udForbattraSekunder;
  m_roundOrder = {m_ui->rbSpelomgang1, m_ui->rbSpelomgang2};
  m_homeAway = {m_ui->rbHemmaBorta1, m_ui->rbHemmaBorta2};
  m_maskFile = m_ui->edMaskfil;
  m_outFile = m_ui->edUtfil;
  m_status = m_ui->StatusBar1;
  showControllerTexts();
  connectControls();
  m_oneMatch->setChecked(m_c.oneMatchPerDay());
  m_refine->setValue(m_c.refineSteps());
  m_improve->setChecked(m_c.improve());
  m_improveSeconds->setValue(m_c.improveSeconds());
  m_improveSeconds->setEnabled(m_c.improve());
  m_roundOrder[m_c.roundOrderIndex() == 1 ? 1 : 0]->setChecked(true);
  m_homeAway[m_c.homeAwayIndex() == 1 ? 1 : 0]->setChecked(true);
  m_maskFile->setText(QString::fromStdString(m_c.maskFile()));
  m_outFile->setText(QString::fromStdString(m_c.outFile()));
  showValues();
}

TLottnDlgForm::~TLottnDlgForm() = default;

void TLottnDlgForm::showControllerTexts() {
  setWindowTitle(FromCp1252(scheduling::kDialogCaption));
  const std::array<QLabel*, 5> labels = {m_ui->lbRad0, m_ui->lbRad1, m_ui->lbRad2, m_ui->lbRad3,
                                         m_ui->lbRad4};
  const std::array<QLabel*, 5> allowed = {m_ui->lbTillatna0, m_ui->lbTillatna1, m_ui->lbTillatna2,
                                          m_ui->lbTillatna3, m_ui->lbTillatna4};
  for (int r = 0; r < 5; ++r) {
    const scheduling::DialogRow row = m_c.row(r);
    labels[r]->setText(FromCp1252(row.label));
    allowed[r]->setText(QString::number(row.allowed));
  }
  // The P/M rule applies to a whole number, not to each digit typed (keyboard tracking is
  // off in the form).
  m_playTimes->setRange(1, kPlayTimeSlots);
  m_perPlayTime->setRange(1, kMaxMatchesPerPlayTime);
  m_improveSeconds->setRange(scheduling::kMinImproveSeconds, scheduling::kMaxImproveSeconds);
  for (int i = 0; i < 2; ++i) {
    m_roundOrder[i]->setText(FromCp1252(scheduling::kRoundOrderItems[i]));
    m_homeAway[i]->setText(FromCp1252(scheduling::kHomeAwayItems[i]));
  }
  m_improve->setText(FromCp1252(scheduling::kImproveLabel));
  m_ui->lbSekunder->setText(FromCp1252(scheduling::kImproveSecondsLabel));
}

void TLottnDlgForm::connectControls() {
  connect(m_playTimes, &QSpinBox::valueChanged, this, [this](int p) {
    m_c.setPlayTimes(p);
    showValues();
  });
  connect(m_perPlayTime, &QSpinBox::valueChanged, this, [this](int m) {
    m_c.setMatchesPerPlayTime(m);
    showValues();
  });
  connect(m_ui->okButton, &QPushButton::clicked, this, [this] { okButtonClick(); });
  connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_ui->utfilButton, &QPushButton::clicked, this, [this] { utfilButtonClick(); });
  connect(m_ui->maskfilButton, &QPushButton::clicked, this, [this] { maskfilButtonClick(); });
  connect(m_improve, &QCheckBox::toggled, m_improveSeconds, &QWidget::setEnabled);
}

void TLottnDlgForm::showValues() {
  for (int r = 0; r < 5; ++r) m_current[r]->setText(QString::number(m_c.row(r).current));
  const QSignalBlocker b1(m_playTimes);
  const QSignalBlocker b2(m_perPlayTime);
  m_playTimes->setValue(m_c.playTimes());
  m_perPlayTime->setValue(m_c.matchesPerPlayTime());
}

void TLottnDlgForm::pushFields() {
  m_c.setOneMatchPerDay(m_oneMatch->isChecked());
  m_c.setRefineSteps(m_refine->value());
  m_c.setImprove(m_improve->isChecked());
  m_c.setImproveSeconds(m_improveSeconds->value());
  m_c.setRoundOrderIndex(m_roundOrder[1]->isChecked() ? 1 : 0);
  m_c.setHomeAwayIndex(m_homeAway[1]->isChecked() ? 1 : 0);
  m_c.setMaskFile(m_maskFile->text().toStdString());
  m_c.setOutFile(m_outFile->text().toStdString());
}

void TLottnDlgForm::okButtonClick() {
  // A number still being typed counts as entered.
  m_playTimes->interpretText();
  m_perPlayTime->interpretText();
  m_improveSeconds->interpretText();
  pushFields();
  if (m_c.ok()) {
    m_status->clearMessage();
    accept();
    return;
  }
  m_status->showMessage(FromCp1252(m_c.statusText()));
  switch (m_c.focus()) {
    case scheduling::DialogField::PlayTimes:
      m_playTimes->setFocus();
      break;
    case scheduling::DialogField::MatchesPerPlayTime:
      m_perPlayTime->setFocus();
      break;
    case scheduling::DialogField::OutFile:
      m_outFile->setFocus();
      break;
    case scheduling::DialogField::None:
      break;
  }
}

void TLottnDlgForm::utfilButtonClick() {
  pushFields();
  if (m_c.chooseOutFile()) m_outFile->setText(QString::fromStdString(m_c.outFile()));
}

void TLottnDlgForm::maskfilButtonClick() {
  pushFields();
  if (m_c.chooseMaskFile()) m_maskFile->setText(QString::fromStdString(m_c.maskFile()));
}

QString TLottnDlgForm::statusText() const {
  return m_status->currentMessage();
}

}  // namespace liga::gui
