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

namespace liga::gui {
namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

TLottnDlgForm::TLottnDlgForm(scheduling::ScheduleDialog& controller, QWidget* parent)
    : QDialog(parent), m_c(controller) {
  setObjectName(QStringLiteral("LottnDlgForm"));
  setWindowTitle(FromCp1252(scheduling::kDialogCaption));
  auto* outer = new QVBoxLayout(this);

  auto* grid = new QGridLayout;
  const char* headings[] = {"aktuella värden", "önskade", "tillåtna"};
  for (int c = 0; c < 3; ++c) {
    auto* h = new QLabel(U(headings[c]), this);
    QFont f = h->font();
    f.setBold(true);
    h->setFont(f);
    grid->addWidget(h, 0, c + 1);
  }
  m_playTimes = new QSpinBox(this);
  m_playTimes->setObjectName(QStringLiteral("Edit8"));
  m_playTimes->setRange(1, kPlayTimeSlots);
  m_perPlayTime = new QSpinBox(this);
  m_perPlayTime->setObjectName(QStringLiteral("Edit10"));
  m_perPlayTime->setRange(1, kMaxMatchesPerPlayTime);
  // The P/M rule applies to a whole number, not to each digit typed.
  m_playTimes->setKeyboardTracking(false);
  m_perPlayTime->setKeyboardTracking(false);
  for (int r = 0; r < 5; ++r) {
    const scheduling::DialogRow row = m_c.row(r);
    grid->addWidget(new QLabel(FromCp1252(row.label), this), r + 1, 0);
    m_current[r] = new QLabel(this);
    m_current[r]->setObjectName(QStringLiteral("lbAktuell%1").arg(r));
    m_current[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_current[r], r + 1, 1);
    if (r == 2) grid->addWidget(m_playTimes, r + 1, 2);
    if (r == 4) grid->addWidget(m_perPlayTime, r + 1, 2);
    auto* allowed = new QLabel(QString::number(row.allowed), this);
    allowed->setObjectName(QStringLiteral("lbTillatna%1").arg(r));
    allowed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(allowed, r + 1, 3);
  }
  outer->addLayout(grid);

  auto* sort = new QGroupBox(U("sorteringar"), this);
  sort->setObjectName(QStringLiteral("gbSorteringar"));
  auto* sortLayout = new QGridLayout(sort);
  m_oneMatch = new QCheckBox(U("endast en match/dag och lag"), sort);
  m_oneMatch->setObjectName(QStringLiteral("cbEnMatchPerDag"));
  sortLayout->addWidget(m_oneMatch, 0, 0, 1, 2);
  sortLayout->addWidget(new QLabel(U("antal steg att  försöka förfina"), sort), 1, 0);
  m_refine = new QSpinBox(sort);
  m_refine->setObjectName(QStringLiteral("udForfina"));
  m_refine->setRange(0, 10);
  sortLayout->addWidget(m_refine, 1, 1);
  auto* rounds = new QGroupBox(U("spelomgångar"), sort);
  rounds->setObjectName(QStringLiteral("rgSpelomgangar"));
  auto* roundsLayout = new QVBoxLayout(rounds);
  auto* homeAway = new QGroupBox(U("hemma/borta matcher"), sort);
  homeAway->setObjectName(QStringLiteral("rgHemmaBorta"));
  auto* homeAwayLayout = new QVBoxLayout(homeAway);
  for (int i = 0; i < 2; ++i) {
    m_roundOrder[i] = new QRadioButton(FromCp1252(scheduling::kRoundOrderItems[i]), rounds);
    m_roundOrder[i]->setObjectName(QStringLiteral("rbSpelomgang%1").arg(i + 1));
    roundsLayout->addWidget(m_roundOrder[i]);
    m_homeAway[i] = new QRadioButton(FromCp1252(scheduling::kHomeAwayItems[i]), homeAway);
    m_homeAway[i]->setObjectName(QStringLiteral("rbHemmaBorta%1").arg(i + 1));
    homeAwayLayout->addWidget(m_homeAway[i]);
  }
  sortLayout->addWidget(rounds, 2, 0);
  sortLayout->addWidget(homeAway, 2, 1);
  m_improve = new QCheckBox(FromCp1252(scheduling::kImproveLabel), sort);
  m_improve->setObjectName(QStringLiteral("cbForbattra"));
  sortLayout->addWidget(m_improve, 3, 0);
  auto* secondsRow = new QHBoxLayout;
  m_improveSeconds = new QSpinBox(sort);
  m_improveSeconds->setObjectName(QStringLiteral("udForbattraSekunder"));
  m_improveSeconds->setRange(scheduling::kMinImproveSeconds, scheduling::kMaxImproveSeconds);
  secondsRow->addWidget(m_improveSeconds);
  secondsRow->addWidget(new QLabel(FromCp1252(scheduling::kImproveSecondsLabel), sort));
  secondsRow->addStretch(1);
  sortLayout->addLayout(secondsRow, 3, 1);
  outer->addWidget(sort);

  auto* files = new QGridLayout;
  auto* maskButton = new QPushButton(U("maskfil"), this);
  maskButton->setObjectName(QStringLiteral("maskfilButton"));
  m_maskFile = new QLineEdit(this);
  m_maskFile->setObjectName(QStringLiteral("edMaskfil"));
  m_maskFile->setMaxLength(1024);
  auto* outButton = new QPushButton(U("utfil"), this);
  outButton->setObjectName(QStringLiteral("utfilButton"));
  m_outFile = new QLineEdit(this);
  m_outFile->setObjectName(QStringLiteral("edUtfil"));
  m_outFile->setMaxLength(1024);
  files->addWidget(maskButton, 0, 0);
  files->addWidget(m_maskFile, 0, 1);
  files->addWidget(outButton, 1, 0);
  files->addWidget(m_outFile, 1, 1);
  outer->addLayout(files);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(U("OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(U("Avbryt"), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);

  m_status = new QStatusBar(this);
  m_status->setObjectName(QStringLiteral("StatusBar1"));
  m_status->setSizeGripEnabled(false);
  outer->addWidget(m_status);

  connect(m_playTimes, &QSpinBox::valueChanged, this, [this](int p) {
    m_c.setPlayTimes(p);
    showValues();
  });
  connect(m_perPlayTime, &QSpinBox::valueChanged, this, [this](int m) {
    m_c.setMatchesPerPlayTime(m);
    showValues();
  });
  connect(ok, &QPushButton::clicked, this, [this] { okButtonClick(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(outButton, &QPushButton::clicked, this, [this] { utfilButtonClick(); });
  connect(maskButton, &QPushButton::clicked, this, [this] { maskfilButtonClick(); });

  m_oneMatch->setChecked(m_c.oneMatchPerDay());
  m_refine->setValue(m_c.refineSteps());
  m_improve->setChecked(m_c.improve());
  m_improveSeconds->setValue(m_c.improveSeconds());
  m_improveSeconds->setEnabled(m_c.improve());
  connect(m_improve, &QCheckBox::toggled, m_improveSeconds, &QWidget::setEnabled);
  m_roundOrder[m_c.roundOrderIndex() == 1 ? 1 : 0]->setChecked(true);
  m_homeAway[m_c.homeAwayIndex() == 1 ? 1 : 0]->setChecked(true);
  m_maskFile->setText(QString::fromStdString(m_c.maskFile()));
  m_outFile->setText(QString::fromStdString(m_c.outFile()));
  showValues();
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
