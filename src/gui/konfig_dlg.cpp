#include "gui/konfig_dlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <fstream>
#include <functional>
#include <iterator>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/ui_port.h"
#include "gui/button_row.h"
#include "gui/qt_ui.h"

namespace liga::gui {
namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

const char* kPictureFilter = "*.bmp *.ico *.emf *.wmf *.jpg *.jpeg *.png";

QSpinBox* spin(QWidget* parent, const char* name, int lo, int hi, const char* hint) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(lo, hi);
  if (hint != nullptr) s->setToolTip(U(hint));
  return s;
}

// The printer set-up through Qt's dialogs; page set-up only when asked.
bool qtChoosePrinter(QWidget* owner, PrinterSpec& printer, PageLayoutSpec& page, bool pageSetup) {
  QPrinter p(QPrinter::HighResolution);
  if (!printer.name.empty()) p.setPrinterName(FromCp1252(printer.name));
  p.setPageOrientation(page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (page.pageSizeId >= 0 && page.pageSizeId < QPageSize::LastPageSize) {
    p.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(page.pageSizeId)));
  }
  bool accepted;
  if (pageSetup) {
    QPageSetupDialog dialog(&p, owner);
    accepted = dialog.exec() == QDialog::Accepted;
  } else {
    QPrintDialog dialog(&p, owner);
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) return false;
  printer.name = ToCp1252(p.printerName());
  printer.driver = p.outputFormat() == QPrinter::PdfFormat ? "pdf" : "cups";
  printer.port = ToCp1252(p.outputFileName());
  const QPageLayout layout = p.pageLayout();
  const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
  page.width = static_cast<std::int32_t>(mm.width() * 100 + 0.5);
  page.height = static_cast<std::int32_t>(mm.height() * 100 + 0.5);
  page.landscape = layout.orientation() == QPageLayout::Landscape;
  page.pageSizeId = layout.pageSize().id() == QPageSize::Custom ? -1 : layout.pageSize().id();
  page.pageSizeName = ToCp1252(layout.pageSize().name());
  return true;
}

}  // namespace

QFont ToQFont(const FontSpec& font) {
  QFont f(FromCp1252(font.name));
  if (font.size > 0) f.setPointSize(font.size);
  f.setBold((font.style & FontSpec::Bold) != 0);
  f.setItalic((font.style & FontSpec::Italic) != 0);
  f.setUnderline((font.style & FontSpec::Underline) != 0);
  f.setStrikeOut((font.style & FontSpec::StrikeOut) != 0);
  if (font.pitch == 1) f.setFixedPitch(true);
  return f;
}

FontSpec FromQFont(const QFont& font, std::uint32_t colour) {
  FontSpec s;
  s.name = ToCp1252(font.family());
  s.size = font.pointSize() > 0 ? font.pointSize() : 10;
  s.height = font.pixelSize() > 0 ? font.pixelSize() : 0;
  s.style = (font.bold() ? FontSpec::Bold : 0) | (font.italic() ? FontSpec::Italic : 0) |
            (font.underline() ? FontSpec::Underline : 0) |
            (font.strikeOut() ? FontSpec::StrikeOut : 0);
  s.pitch = font.fixedPitch() ? 1 : 0;
  s.colour = colour;
  return s;
}

TEKonfigDlg::TEKonfigDlg(Configuration& config, QWidget* parent)
    : QDialog(parent),
      m_config(config),
      m_mainAtOpen(config.main()),
      m_reportAtOpen(config.report()),
      m_labelAtOpen(config.label()) {
  setObjectName(QStringLiteral("EKonfigDlg"));
  if (!config.path().empty()) {
    std::ifstream in(config.path(), std::ios::binary);
    if (in) m_fileAtOpen = std::string(std::istreambuf_iterator<char>(in), {});
  }
  setWindowTitle(U("inställningar"));
  chooseFont = [this](const QFont& current) -> std::optional<QFont> {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, current, this);
    if (!ok) return std::nullopt;
    return f;
  };
  choosePrinter = [this](PrinterSpec& p, PageLayoutSpec& page, bool pageSetup) {
    return qtChoosePrinter(this, p, page, pageSetup);
  };

  auto* outer = new QVBoxLayout(this);
  m_pages = new QTabWidget(this);
  m_pages->setObjectName(QStringLiteral("PageControl1"));
  m_pages->addTab(buildReportPage(), U("rapporter"));
  m_pages->addTab(buildLabelPage(), U("etiketter"));
  outer->addWidget(m_pages);
  outer->addLayout(buildButtons());
  m_status = new QStatusBar(this);
  m_status->setObjectName(QStringLiteral("StatusBar1"));
  m_status->setSizeGripEnabled(false);
  outer->addWidget(m_status);
  ShowStatusWrapped(this, outer, m_status);
  openShownBlocks();
  connectTabs();
}

QHBoxLayout* TEKonfigDlg::buildButtons() {
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* ok = new QPushButton(U("OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setToolTip(U("acceptera ändringarna och återvänd"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { okButtonClick(); });
  bottom->addWidget(ok);
  auto* cancel = new QPushButton(U("Avbryt"), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  cancel->setToolTip(U("släpp ändringarna och återvänd"));
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, [this] { cancelButtonClick(); });
  bottom->addWidget(cancel);
  return bottom;
}

// Opening: the selected blocks and the remembered page, scaled as the main window is when
// the user chose a scale.
void TEKonfigDlg::openShownBlocks() {
  MainConfig& main = m_config.main();
  if (main.windowScale() > 100 && main.windowScale() <= 400) {
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * main.windowScale() / 100.0);
    setFont(f);
  }
  m_shownReport = main.reportBlock();
  m_shownLabel = main.labelBlock();
  m_switching = true;
  m_reportTabs->setCurrentIndex(m_shownReport - 1);
  m_labelTabs->setCurrentIndex(m_shownLabel - 1);
  m_switching = false;
  m_pages->setCurrentIndex(main.konfigPage() == 1 ? 1 : 0);
  m_config.selectReportBlock(m_shownReport);
  m_config.selectLabelBlock(m_shownLabel);
  showReport();
  showLabel();
  markTabs();
}

void TEKonfigDlg::connectTabs() {
  connect(m_reportTabs, &QTabBar::currentChanged, this, [this](int index) {
    if (m_switching) return;
    if (!selectReportTab(index)) {
      m_switching = true;
      m_reportTabs->setCurrentIndex(m_shownReport - 1);
      m_switching = false;
    }
  });
  connect(m_labelTabs, &QTabBar::currentChanged, this, [this](int index) {
    if (m_switching) return;
    if (!selectLabelTab(index)) {
      m_switching = true;
      m_labelTabs->setCurrentIndex(m_shownLabel - 1);
      m_switching = false;
    }
  });
}

QLineEdit* TEKonfigDlg::fontField(QWidget* parent, const char* name, const char* hint) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setReadOnly(true);
  e->setMaxLength(80);
  e->setToolTip(U(hint));
  e->setMinimumHeight(30);
  return e;
}

// The rows both settings pages share: the setting's name, the printer with its two buttons
// and the three fonts. Object names and hints per page.
struct SettingsPageSpec {
  const char* tabs;
  const char* nameField;
  const char* printerField;
  const char* printerHint;
  const char* printerButton;
  const char* pageSetupButton;
  std::array<const char*, 3> fontFields, fontHints, fontButtons;
};

namespace {

const SettingsPageSpec kReportPage = {
    "tcRapport",
    "rapportnamn",
    "RaSkrivarval",
    "visar vald skrivare för rapporten",
    "RaSkrivare",
    "RaUtskriftsformat",
    {"RaEditStorFont", "RaEditMellanFont", "RaEditLitenFont"},
    {"visar vald font enligt knappen  \"stor\" för överskrifter mm",
     "visar vald font enligt knappen  \"mellan\" för brödtext mm",
     "visar vald font enligt knappen  \"liten\" för fottexter mm"},
    {"RaStor", "RaMellan", "RaLiten"}};

const SettingsPageSpec kLabelPage = {
    "tcEtikett",
    "etikettnamn",
    "EtSkrivarval",
    "visar vald skrivare för etiketterna",
    "EtSkrivare",
    "EtUtskriftsformat",
    {"EtEditStorFont", "EtEditMellanFont", "EtEditLitenFont"},
    {"visar vald font för största texten ", "visar vald font för mellanstorleken av texten",
     "visar vald font för den minsta textstorleken"},
    {"EtStor", "EtMellan", "EtLiten"}};

constexpr std::array<const char*, 3> kFontCaptions = {"stor", "mellan", "liten"};

QTabBar* settingsTabs(QWidget* page, const char* name,
                      const std::function<std::string(int)>& tabName) {
  auto* tabs = new QTabBar(page);
  tabs->setObjectName(QString::fromLatin1(name));
  tabs->setExpanding(false);
  tabs->setUsesScrollButtons(true);
  for (int i = 1; i <= kSettingsBlocks; ++i) tabs->addTab(FromCp1252(tabName(i)));
  return tabs;
}

QLineEdit* lineField(QWidget* parent, const char* name, int maxLength, const char* hint) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaxLength(maxLength);
  e->setToolTip(U(hint));
  return e;
}

}  // namespace

QLineEdit* TEKonfigDlg::addNameRow(QGridLayout* grid, QWidget* page, const char* name) {
  grid->addWidget(new QLabel(U("namn"), page), 0, 0);
  QLineEdit* field = lineField(page, name, 40, "namn för inställningen");
  grid->addWidget(field, 0, 1, 1, 3);
  return field;
}

void TEKonfigDlg::addPrinterRow(QGridLayout* grid, int row, QWidget* page,
                                const SettingsPageSpec& spec, bool labels) {
  grid->addWidget(new QLabel(U("skrivarval"), page), row, 0);
  QLineEdit* field = lineField(page, spec.printerField, 63, spec.printerHint);
  field->setReadOnly(true);
  grid->addWidget(field, row, 1);
  auto* printerButton = new QPushButton(U("skrivare"), page);
  printerButton->setObjectName(QString::fromLatin1(spec.printerButton));
  grid->addWidget(printerButton, row, 2);
  auto* pageSetup = new QPushButton(U("utskriftsformat"), page);
  pageSetup->setObjectName(QString::fromLatin1(spec.pageSetupButton));
  pageSetup->setEnabled(false);
  grid->addWidget(pageSetup, row, 3);
  if (labels) {
    m_etPrinter = field;
    m_etPageSetup = pageSetup;
    connect(printerButton, &QPushButton::clicked, this, [this] { labelPrinterClick(false); });
    connect(pageSetup, &QPushButton::clicked, this, [this] { labelPrinterClick(true); });
  } else {
    m_raPrinter = field;
    m_raPageSetup = pageSetup;
    connect(printerButton, &QPushButton::clicked, this, [this] { reportPrinterClick(false); });
    connect(pageSetup, &QPushButton::clicked, this, [this] { reportPrinterClick(true); });
  }
}

void TEKonfigDlg::addFontRows(QGridLayout* grid, int firstRow, int fieldColumns, QWidget* parent,
                              const SettingsPageSpec& spec, bool labels) {
  for (int k = 0; k < 3; ++k) {
    auto* b = new QPushButton(U(kFontCaptions[k]), parent);
    b->setObjectName(QString::fromLatin1(spec.fontButtons[k]));
    b->setToolTip(U("dialog för val av font"));
    connect(b, &QPushButton::clicked, this,
            [this, k, labels] { labels ? labelFontClick(k) : reportFontClick(k); });
    grid->addWidget(b, firstRow + k, 0);
    QLineEdit* field = fontField(parent, spec.fontFields[k], spec.fontHints[k]);
    (labels ? m_etFonts : m_raFonts)[k] = field;
    grid->addWidget(field, firstRow + k, 1, 1, fieldColumns);
  }
}

QWidget* TEKonfigDlg::buildReportPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tsRapporter"));
  auto* layout = new QVBoxLayout(page);
  m_reportTabs = settingsTabs(page, kReportPage.tabs,
                              [this](int i) { return m_config.main().reportSettingsName(i); });
  layout->addWidget(m_reportTabs);

  auto* grid = new QGridLayout;
  m_rapportnamn = addNameRow(grid, page, kReportPage.nameField);
  grid->addWidget(new QLabel(U("fottext"), page), 1, 0);
  m_fottext = lineField(page, "fottext", 64, "fottext vid rapportutskrifter");
  grid->addWidget(m_fottext, 1, 1, 1, 3);
  addPrinterRow(grid, 2, page, kReportPage, false);
  addFontRows(grid, 3, 3, page, kReportPage, false);
  layout->addLayout(grid);

  auto* lower = new QHBoxLayout;
  auto* cols = new QGroupBox(U("kolumner"), page);
  auto* colsLayout = new QVBoxLayout(cols);
  m_columns = spin(cols, "RaKolumnEdit", 1, 9, "antal kolumner för uppdelning av rapportens sida");
  colsLayout->addWidget(m_columns);
  colsLayout->addStretch(1);
  lower->addWidget(cols);
  lower->addWidget(buildPictureTabs(page), 1);
  layout->addLayout(lower);
  return page;
}

QWidget* TEKonfigDlg::buildPictureTabs(QWidget* page) {
  auto* pictures = new QTabWidget(page);
  pictures->setObjectName(QStringLiteral("tcBilder"));
  for (int n = 0; n < kReportPictures; ++n) {
    auto* tab = new QWidget;
    auto* tl = new QHBoxLayout(tab);
    auto* options = new QVBoxLayout;
    if (n >= 1) {
      m_active[n] = new QCheckBox(U("aktiv"), tab);
      m_active[n]->setObjectName(QStringLiteral("cbAktiv%1").arg(n));
      m_active[n]->setToolTip(U("bilden aktiv för utskrift på rapporten"));
      options->addWidget(m_active[n]);
      options->addWidget(new QLabel(U("storlek"), tab));
      m_pictureSize[n] =
          spin(tab, "", 1, 9, "del av rapportens bredd som tilldelas bilden vid utskriften (1/n)");
      m_pictureSize[n]->setObjectName(QStringLiteral("PrBildSize%1").arg(n));
      options->addWidget(m_pictureSize[n]);
    }
    options->addStretch(1);
    tl->addLayout(options);
    m_pictures[n] = new QLabel(tab);
    m_pictures[n]->setObjectName(QStringLiteral("PrBild%1").arg(n));
    m_pictures[n]->setFrameShape(QFrame::Box);
    m_pictures[n]->setAlignment(Qt::AlignCenter);
    m_pictures[n]->setFixedSize(180, 110);
    m_pictures[n]->setCursor(Qt::PointingHandCursor);
    m_pictures[n]->setToolTip(
        n == 3 ? U("klicka för att välja bildfil")
               : U("avslutningsbild för rapporterna om plats finns kvar på sista sidan"));
    m_pictures[n]->installEventFilter(this);
    tl->addWidget(m_pictures[n], 1);
    pictures->addTab(tab, QStringLiteral("bild%1").arg(n));
  }
  return pictures;
}

QWidget* TEKonfigDlg::buildLabelPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tsEtiketter"));
  auto* layout = new QVBoxLayout(page);
  m_labelTabs = settingsTabs(page, kLabelPage.tabs,
                             [this](int i) { return m_config.main().labelSettingsName(i); });
  layout->addWidget(m_labelTabs);

  auto* grid = new QGridLayout;
  m_etikettnamn = addNameRow(grid, page, kLabelPage.nameField);
  addPrinterRow(grid, 1, page, kLabelPage, true);
  layout->addLayout(grid);

  auto* fonts = new QGroupBox(U("fonter"), page);
  fonts->setToolTip(
      U("vid etikettutskrifter gör programmet försök med att få plats med den i tur och ordning "
        "största,  mellersta  för att till slut välja den minsta texten"));
  addFontRows(new QGridLayout(fonts), 0, 1, fonts, kLabelPage, true);
  layout->addWidget(fonts);
  layout->addLayout(buildLabelGeometry(page));
  layout->addWidget(
      new QLabel(U("längder i tiondels millimeter (hundradels tum med tumflagga)"), page));
  return page;
}

QGridLayout* TEKonfigDlg::buildLabelGeometry(QWidget* page) {
  struct Field {
    QSpinBox** target;
    const char* name;
    const char* caption;
    const char* hint;
    int lo, hi;
  };
  const Field fields[] = {
      {&m_xn, "EtXn", "antal kolumn", "antal i bredd per rad", 1, 9},
      {&m_yn, "EtYn", "antal rader", nullptr, 1, 99},
      {&m_copies, "Etcopies", "antal kopior", "antal kopior av varje etikett i följd", 1, 99},
      {&m_ymarg, "EtYmarg", "topmarginal", "topmarginalen för översta etikettraden på arken", -999,
       9999},
      {&m_xmarg, "EtXmarg", "vänstermarg", "vänstermarginalen för första etiketterna på varje rad",
       -999, 9999},
      {&m_yh, "EtYh", "etiketthöjd", "höjden på en etikett", -999, 9999},
      {&m_xw, "EtXw", "etikettbredd", "bredden på en etikett", -999, 9999},
      {&m_ydeln, "EtYdeln", "raddelning", "delningen för varje etikettrad", -999, 9999},
      {&m_xdeln, "EtXdeln", "kolumndeln", "delningen för varje kolumn", -999, 9999},
  };
  auto* geometry = new QGridLayout;
  int i = 0;
  for (const Field& f : fields) {
    auto* box = new QGroupBox(U(f.caption), page);
    auto* bl = new QVBoxLayout(box);
    *f.target = spin(box, f.name, f.lo, f.hi, f.hint);
    bl->addWidget(*f.target);
    geometry->addWidget(box, i / 5, i % 5);
    ++i;
  }
  return geometry;
}

void TEKonfigDlg::showFont(QLineEdit* field, const FontSpec& font) {
  field->setText(FromCp1252(FontDisplayText(font)));
  QFont f = ToQFont(font);
  if (f.pointSize() > 18) f.setPointSize(18);  // the field shows the face, not the full size
  field->setFont(f);
}

void TEKonfigDlg::showReport() {
  const ReportSettingsBlock b = EffectiveReportSettings(m_config.report());
  m_rapportnamn->setText(FromCp1252(m_config.main().reportSettingsName(m_shownReport)));
  m_fottext->setText(FromCp1252(b.footerText()));
  m_raPrinterSpec = b.printer();
  m_raPage = b.pageLayout();
  m_raPrinter->setText(m_raPrinterSpec.name.empty() ? U("(standardskrivare)")
                                                    : FromCp1252(m_raPrinterSpec.name));
  for (int k = 0; k < 3; ++k) {
    m_raFontSpecs[k] = b.font(static_cast<FontSize>(k));
    showFont(m_raFonts[k], m_raFontSpecs[k]);
  }
  m_columns->setValue(b.columns());
  for (int n = 0; n < kReportPictures; ++n) {
    const PictureSpec p = b.picture(n);
    if (m_active[n]) m_active[n]->setChecked(p.active);
    if (m_pictureSize[n]) m_pictureSize[n]->setValue(p.size);
    m_picturePaths[n] = QString::fromStdString(p.path);
    loadPreview(n);
  }
}

void TEKonfigDlg::showLabel() {
  const LabelSettingsBlock b = EffectiveLabelSettings(m_config.label());
  m_etikettnamn->setText(FromCp1252(m_config.main().labelSettingsName(m_shownLabel)));
  m_etPrinterSpec = b.printer();
  m_etPage = b.pageLayout();
  m_etPrinter->setText(m_etPrinterSpec.name.empty() ? U("(standardskrivare)")
                                                    : FromCp1252(m_etPrinterSpec.name));
  for (int k = 0; k < 3; ++k) {
    m_etFontSpecs[k] = b.font(static_cast<FontSize>(k));
    showFont(m_etFonts[k], m_etFontSpecs[k]);
  }
  m_xn->setValue(b.across());
  m_yn->setValue(b.rows());
  m_copies->setValue(b.copies());
  m_ymarg->setValue(b.topMargin());
  m_xmarg->setValue(b.leftMargin());
  m_yh->setValue(b.labelHeight());
  m_xw->setValue(b.labelWidth());
  m_ydeln->setValue(b.rowPitch());
  m_xdeln->setValue(b.columnPitch());
}

void TEKonfigDlg::loadPreview(int n) {
  QLabel* view = m_pictures[n];
  const QString path = m_picturePaths[n];
  if (path.isEmpty()) {
    view->setPixmap(QPixmap());
    view->setText(U("(ingen bild)"));
    return;
  }
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QImage image = reader.read();
  if (image.isNull()) {
    view->setPixmap(QPixmap());
    view->setText(QFileInfo(path).fileName());
    status(U("kan ej ladda filen \"") + path + QStringLiteral("\""));
    return;
  }
  view->setPixmap(QPixmap::fromImage(
      image.scaled(view->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TEKonfigDlg::markTabs() {
  for (QTabBar* bar : {m_reportTabs, m_labelTabs}) {
    for (int i = 0; i < bar->count(); ++i)
      bar->setTabTextColor(i, i == bar->currentIndex() ? QColor(Qt::red) : QColor());
  }
}

void TEKonfigDlg::status(const QString& text) {
  m_status->showMessage(text);
}

QString TEKonfigDlg::statusText() const {
  return m_status->currentMessage();
}

bool TEKonfigDlg::storeReport() {
  ReportSettingsBlock& b = m_config.report();
  if (!b.isSetUp()) b = DefaultReportSettings(m_shownReport);
  b.setFooterText(ToCp1252(m_fottext->text()));
  b.setPrinter(m_raPrinterSpec);
  b.setPageLayout(m_raPage);
  for (int k = 0; k < 3; ++k) b.setFont(static_cast<FontSize>(k), m_raFontSpecs[k]);
  b.setColumns(m_columns->value());
  for (int n = 0; n < kReportPictures; ++n) {
    PictureSpec p = b.picture(n);
    if (m_active[n]) p.active = m_active[n]->isChecked();
    if (m_pictureSize[n]) p.size = m_pictureSize[n]->value();
    p.path = m_picturePaths[n].toStdString();
    b.setPicture(n, p);
  }
  const std::string name = ToCp1252(m_rapportnamn->text());
  m_config.main().setReportSettingsName(m_shownReport, name);
  m_reportTabs->setTabText(m_shownReport - 1,
                           FromCp1252(m_config.main().reportSettingsName(m_shownReport)));
  // Without a configuration file only the memory copy changes.
  m_config.storeReportBlock();
  return true;
}

bool TEKonfigDlg::storeLabel() {
  // The unsigned fields of the block take no negative value.
  const std::pair<QSpinBox*, const char*> unsignedFields[] = {{m_yh, "etiketthöjd"},
                                                              {m_xw, "etikettbredd"},
                                                              {m_ydeln, "raddelning"},
                                                              {m_xdeln, "kolumndeln"}};
  for (const auto& [field, caption] : unsignedFields) {
    if (field->value() < 0) {
      m_pages->setCurrentIndex(1);
      status(U("negativt värde ej tillåtet för ") + U(caption));
      Ui().beep(440, 100);
      field->setFocus();
      return false;
    }
  }
  LabelSettingsBlock& b = m_config.label();
  if (!b.isSetUp()) b = DefaultLabelSettings(m_shownLabel);
  b.setPrinter(m_etPrinterSpec);
  b.setPageLayout(m_etPage);
  for (int k = 0; k < 3; ++k) b.setFont(static_cast<FontSize>(k), m_etFontSpecs[k]);
  b.setAcross(m_xn->value());
  b.setRows(m_yn->value());
  b.setCopies(m_copies->value());
  b.setTopMargin(m_ymarg->value());
  b.setLeftMargin(m_xmarg->value());
  b.setLabelHeight(m_yh->value());
  b.setLabelWidth(m_xw->value());
  b.setRowPitch(m_ydeln->value());
  b.setColumnPitch(m_xdeln->value());
  m_config.main().setLabelSettingsName(m_shownLabel, ToCp1252(m_etikettnamn->text()));
  m_labelTabs->setTabText(m_shownLabel - 1,
                          FromCp1252(m_config.main().labelSettingsName(m_shownLabel)));
  m_config.storeLabelBlock();
  return true;
}

bool TEKonfigDlg::selectReportTab(int index) {
  if (index < 0 || index >= kSettingsBlocks) return false;
  if (index + 1 == m_shownReport) return true;
  if (!storeReport()) return false;
  m_shownReport = index + 1;
  m_config.selectReportBlock(m_shownReport);
  if (m_reportTabs->currentIndex() != index) {
    m_switching = true;
    m_reportTabs->setCurrentIndex(index);
    m_switching = false;
  }
  showReport();
  markTabs();
  return true;
}

bool TEKonfigDlg::selectLabelTab(int index) {
  if (index < 0 || index >= kSettingsBlocks) return false;
  if (index + 1 == m_shownLabel) return true;
  if (!storeLabel()) return false;
  m_shownLabel = index + 1;
  m_config.selectLabelBlock(m_shownLabel);
  if (m_labelTabs->currentIndex() != index) {
    m_switching = true;
    m_labelTabs->setCurrentIndex(index);
    m_switching = false;
  }
  showLabel();
  markTabs();
  return true;
}

void TEKonfigDlg::reportFontClick(int kind) {
  if (kind < 0 || kind > 2 || !chooseFont) return;
  const auto chosen = chooseFont(ToQFont(m_raFontSpecs[kind]));
  if (!chosen) return;
  m_raFontSpecs[kind] = FromQFont(*chosen, m_raFontSpecs[kind].colour);
  showFont(m_raFonts[kind], m_raFontSpecs[kind]);
}

void TEKonfigDlg::labelFontClick(int kind) {
  if (kind < 0 || kind > 2 || !chooseFont) return;
  const auto chosen = chooseFont(ToQFont(m_etFontSpecs[kind]));
  if (!chosen) return;
  m_etFontSpecs[kind] = FromQFont(*chosen, m_etFontSpecs[kind].colour);
  showFont(m_etFonts[kind], m_etFontSpecs[kind]);
}

void TEKonfigDlg::reportPrinterClick(bool pageSetup) {
  if (!choosePrinter || !choosePrinter(m_raPrinterSpec, m_raPage, pageSetup)) return;
  m_raPrinter->setText(FromCp1252(m_raPrinterSpec.name));
  m_raPageSetup->setEnabled(true);
}

void TEKonfigDlg::labelPrinterClick(bool pageSetup) {
  if (!choosePrinter || !choosePrinter(m_etPrinterSpec, m_etPage, pageSetup)) return;
  m_etPrinter->setText(FromCp1252(m_etPrinterSpec.name));
  m_etPageSetup->setEnabled(true);
}

void TEKonfigDlg::pictureClick(int n) {
  if (n < 0 || n >= kReportPictures) return;
  const auto chosen = Ui().pickOpenFile("bild", m_picturePaths[n].toStdString(), kPictureFilter);
  if (!chosen) return;
  m_picturePaths[n] = QString::fromStdString(*chosen);
  loadPreview(n);
}

bool TEKonfigDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    for (int n = 0; n < kReportPictures; ++n) {
      if (watched == m_pictures[n]) {
        pictureClick(n);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TEKonfigDlg::okButtonClick() {
  accept();
}

void TEKonfigDlg::cancelButtonClick() {
  reject();
}

// Tab changes wrote blocks into the file as they went; cancelling puts the file back as it
// was (only when it changed) and the blocks in memory with it.
void TEKonfigDlg::restoreOpening() {
  if (m_fileAtOpen) {
    std::ifstream in(m_config.path(), std::ios::binary);
    const std::string now(std::istreambuf_iterator<char>(in), {});
    if (now != *m_fileAtOpen) ReplaceFile(m_config.path(), *m_fileAtOpen);
  }
  m_config.main() = m_mainAtOpen;
  m_config.report() = m_reportAtOpen;
  m_config.label() = m_labelAtOpen;
}

void TEKonfigDlg::done(int result) {
  if (result != QDialog::Accepted) {
    restoreOpening();
    QDialog::done(result);
    return;
  }
  // OK stores both shown blocks; a refused field keeps the dialog open.
  if (!storeReport() || !storeLabel()) return;
  m_config.main().setKonfigPage(m_pages->currentIndex());
  QDialog::done(result);
}

}  // namespace liga::gui
