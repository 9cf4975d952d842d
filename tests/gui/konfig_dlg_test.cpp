#include "gui/konfig_dlg.h"

#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "gui_test_env.h"
#include "support/file_io.h"

namespace liga::gui {
namespace {

namespace fs = std::filesystem;

using liga::testing::ReadBytes;

class KonfigDlgTest : public testing::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    fs::create_directories(m_dir / "cfg");
    m_file = (m_dir / "cfg" / "LigaWin32.P32").string();
    ASSERT_TRUE(m_config.writeDefaults(m_file, "/data"));
  }
  template <typename T>
  T* field(TEKonfigDlg& d, const char* name) {
    T* c = d.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  Configuration m_config;
  std::string m_file;
};

TEST_F(KonfigDlgTest, SwitchingReportTabsWritesTheShownBlockAndReadsTheNext) {
  m_config.selectReportBlock(3);
  TEKonfigDlg d(m_config);
  auto* tabs = field<QTabBar>(d, "tcRapport");
  ASSERT_EQ(tabs->count(), 10);
  EXPECT_EQ(tabs->currentIndex(), 2);
  EXPECT_EQ(tabs->tabTextColor(2), QColor(Qt::red));
  field<QSpinBox>(d, "RaKolumnEdit")->setValue(9);  // 9 is accepted
  EXPECT_EQ(field<QSpinBox>(d, "RaKolumnEdit")->value(), 9);
  field<QSpinBox>(d, "RaKolumnEdit")->setValue(0);  // the spin does not go below 1
  EXPECT_EQ(field<QSpinBox>(d, "RaKolumnEdit")->value(), 1);
  field<QSpinBox>(d, "RaKolumnEdit")->setValue(4);
  field<QLineEdit>(d, "fottext")->setText(QString::fromUtf8("Föreningen"));

  tabs->setCurrentIndex(4);
  const auto bytes = ReadBytes(m_file);
  ASSERT_EQ(bytes.size(), kConfigFileSize);
  EXPECT_EQ(bytes[ReportBlockOffset(3) + ReportSettingsBlock::kColumns], 4);
  EXPECT_EQ(bytes[ReportBlockOffset(3) + ReportSettingsBlock::kFooter], 10);  // length
  EXPECT_EQ(bytes[ReportBlockOffset(5) + ReportSettingsBlock::kColumns], 1);
  EXPECT_EQ(m_config.main().reportSettingsNo(), 5);
  EXPECT_EQ(field<QSpinBox>(d, "RaKolumnEdit")->value(), 1);  // block 5 shown
  EXPECT_EQ(field<QLineEdit>(d, "fottext")->text(), QStringLiteral("LigaWin32"));
  EXPECT_EQ(tabs->tabTextColor(4), QColor(Qt::red));
  EXPECT_NE(tabs->tabTextColor(2), QColor(Qt::red));

  tabs->setCurrentIndex(2);  // back: block 3 read from the file
  EXPECT_EQ(field<QSpinBox>(d, "RaKolumnEdit")->value(), 4);
  EXPECT_EQ(field<QLineEdit>(d, "fottext")->text(), QString::fromUtf8("Föreningen"));
}

TEST_F(KonfigDlgTest, EscapeAndAvbrytThrowEveryChangeAway) {
  m_config.selectReportBlock(3);
  const auto before = ReadBytes(m_file);
  for (const bool escape : {true, false}) {
    TEKonfigDlg d(m_config);
    field<QSpinBox>(d, "RaKolumnEdit")->setValue(7);
    field<QLineEdit>(d, "rapportnamn")->setText(QStringLiteral("NYTT"));
    field<QTabBar>(d, "tcRapport")->setCurrentIndex(5);  // writes block 3 into the file
    ASSERT_NE(ReadBytes(m_file), before);
    if (escape) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&d, &press);
    } else {
      field<QPushButton>(d, "cancelButton")->click();
    }
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(ReadBytes(m_file), before) << (escape ? "Escape" : "Avbryt");
    EXPECT_EQ(m_config.main().reportSettingsNo(), 3);
    EXPECT_NE(m_config.main().reportSettingsName(3), "NYTT");
    EXPECT_NE(m_config.report().columns(), 7);
  }
  // OK keeps them.
  TEKonfigDlg d(m_config);
  field<QSpinBox>(d, "RaKolumnEdit")->setValue(7);
  field<QPushButton>(d, "okButton")->click();
  EXPECT_EQ(m_config.report().columns(), 7);
  EXPECT_EQ(ReadBytes(m_file)[ReportBlockOffset(3) + ReportSettingsBlock::kColumns], 7);
}

TEST_F(KonfigDlgTest, RenamingABlockChangesItsTabCaption) {
  TEKonfigDlg d(m_config);
  auto* tabs = field<QTabBar>(d, "tcEtikett");
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("Etikettinställning01 default"));
  field<QLineEdit>(d, "etikettnamn")->setText(QString::fromUtf8("Avery 3×8"));
  tabs->setCurrentIndex(1);
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("Avery 3×8").left(40));
  EXPECT_EQ(m_config.main().labelSettingsName(1), ToCp1252(QString::fromUtf8("Avery 3×8")));
  EXPECT_EQ(m_config.main().labelSettingsNo(), 2);
}

TEST_F(KonfigDlgTest, NegativeLabelLengthsAreRefusedAndKeepTheDialogOpen) {
  TEKonfigDlg d(m_config);
  d.show();
  field<QSpinBox>(d, "EtYh")->setValue(-5);
  const int beeps = m_ui.beeps;
  field<QTabBar>(d, "tcEtikett")->setCurrentIndex(3);
  EXPECT_EQ(field<QTabBar>(d, "tcEtikett")->currentIndex(), 0);  // the change is refused
  EXPECT_EQ(m_config.main().labelSettingsNo(), 1);
  EXPECT_TRUE(d.statusText().contains(QString::fromUtf8("etiketthöjd")));
  EXPECT_EQ(m_ui.beeps, beeps + 1);
  field<QPushButton>(d, "okButton")->click();
  EXPECT_TRUE(d.isVisible());
  field<QSpinBox>(d, "EtYh")->setValue(380);
  field<QSpinBox>(d, "EtYmarg")->setValue(-20);  // margins may be negative
  field<QPushButton>(d, "okButton")->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m_config.label().labelHeight(), 380);
  EXPECT_EQ(m_config.label().topMargin(), -20);
  const auto bytes = ReadBytes(m_file);
  LabelSettingsBlock onDisk;
  std::memcpy(onDisk.data(), bytes.data() + LabelBlockOffset(1), kLabelBlockSize);
  EXPECT_EQ(onDisk.labelHeight(), 380);
}

TEST_F(KonfigDlgTest, PicturesFontsAndPrinterGoIntoTheBlock) {
  const fs::path png = m_dir / "logo.png";
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  ASSERT_TRUE(image.save(QString::fromStdString(png.string())));
  const fs::path broken = m_dir / "trasig.jpg";
  std::ofstream(broken) << "not a picture";

  TEKonfigDlg d(m_config);
  d.chooseFont = [](const QFont&) { return std::optional<QFont>(QFont("DejaVu Serif", 13)); };
  d.choosePrinter = [](PrinterSpec& p, PageLayoutSpec& page, bool) {
    p.name = "Kontoret";
    page.landscape = true;
    return true;
  };
  EXPECT_FALSE(field<QPushButton>(d, "RaUtskriftsformat")->isEnabled());
  field<QPushButton>(d, "RaSkrivare")->click();
  EXPECT_EQ(field<QLineEdit>(d, "RaSkrivarval")->text(), QStringLiteral("Kontoret"));
  EXPECT_TRUE(field<QPushButton>(d, "RaUtskriftsformat")->isEnabled());
  field<QPushButton>(d, "RaMellan")->click();
  EXPECT_EQ(field<QLineEdit>(d, "RaEditMellanFont")->text(), QStringLiteral("13 \"DejaVu Serif\""));

  m_ui.setNextPick(png.string());
  d.pictureClick(3);
  EXPECT_FALSE(field<QLabel>(d, "PrBild3")->pixmap().isNull());
  m_ui.setNextPick(broken.string());
  d.pictureClick(2);
  EXPECT_EQ(d.statusText(), QStringLiteral("kan ej ladda filen \"") +
                                QString::fromStdString(broken.string()) + QStringLiteral("\""));
  // The message is shown whole under the buttons, however long the path.
  EXPECT_EQ(field<QLabel>(d, "statusText")->text(), d.statusText());
  field<QCheckBox>(d, "cbAktiv3")->setChecked(true);
  field<QSpinBox>(d, "PrBildSize3")->setValue(2);
  d.accept();

  const ReportSettingsBlock& b = m_config.report();
  EXPECT_EQ(b.printer().name, "Kontoret");
  EXPECT_TRUE(b.pageLayout().landscape);
  EXPECT_EQ(b.font(FontSize::Medium).name, "DejaVu Serif");
  EXPECT_EQ(b.font(FontSize::Medium).size, 13);
  EXPECT_EQ(b.picture(3), (PictureSpec{true, 2, png.string()}));
  EXPECT_EQ(b.picture(2).path, broken.string());  // the path stays although it did not load
}

TEST_F(KonfigDlgTest, ThePageShownLastIsRemembered) {
  {
    TEKonfigDlg d(m_config);
    EXPECT_EQ(field<QTabWidget>(d, "PageControl1")->currentIndex(), 0);
    field<QTabWidget>(d, "PageControl1")->setCurrentIndex(1);
    d.accept();
  }
  EXPECT_EQ(m_config.main().konfigPage(), 1);
  TEKonfigDlg again(m_config);
  EXPECT_EQ(field<QTabWidget>(again, "PageControl1")->currentIndex(), 1);
}

// Through the main window: a renamed block shows on the settings panel after the dialog.
TEST_F(KonfigDlgTest, TheMainWindowShowsTheRenamedBlock) {
  start();
  m_form->runKonfigDialog = [](TEKonfigDlg& d) {
    d.findChild<QLineEdit*>("rapportnamn")->setText(QStringLiteral("A4 liggande"));
    d.accept();
  };
  control<QPushButton>("buttonKonfig")->click();
  EXPECT_EQ(control<QLabel>("sbRapportInst")->text(), QStringLiteral("A4 liggande"));
}

}  // namespace
}  // namespace liga::gui
