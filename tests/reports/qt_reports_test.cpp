// The Qt Widgets side of the reports, offscreen: the printer that does not exist, the grid
// window's controls and exports, and the JPEG picture of a grid.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/encoding.h"
#include "common/recording_ui.h"
#include "gui/reports/etikett_reg_form.h"
#include "gui/reports/giro_dlg.h"
#include "gui/reports/grid_form.h"
#include "gui/reports/qt_surface.h"
#include "reports/picture.h"
#include "reports/report_writer.h"
#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

// fontconfig keeps a cache for the life of the process, which the leak checker of the
// sanitizer build would report; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace liga::gui {
namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_reports_test";
  static char* argv[] = {name, nullptr};
  static QApplication* a = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *a;
}

class QtReportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    m_grid.setTitle(Utf8ToCp1252("visning: Vårcupen"));
    m_grid.addCell("LgNr");
    m_grid.addCell("Lagnamn");
    m_grid.endRow();
    m_grid.addCell("1");
    m_grid.addCell("A & <B>");
    m_grid.endRow();
  }
  std::string path(const char* n) const { return (m_dir / n).string(); }

  liga::testing::TempDir m_dir{"qtrep"};
  GridModel m_grid;
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(QtReportsTest, APrinterThatDoesNotExistRefusesTheJob) {
  QtReportPrinter printer("ingen-sadan-skrivare-finns");
  reports::ScopedPrinter scope(printer);
  reports::ReportWriter w(reports::ReportSettings{});
  EXPECT_FALSE(w.openJob("laglista"));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, Utf8ToCp1252("Kan ej skapa vald skrivare enligt inställningar"));
}

TEST_F(QtReportsTest, GridWindowShowsTheCellsAndExports) {
  Tgridform form(m_grid, {}, {});
  auto* table = form.findChild<QTableWidget*>("estringgrid");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->item(1, 1)->text(), QString(" A & <B>   "));
  for (const char* b : {"htm", "xml", "skriv", "pdf", "jpg", "stang"})
    EXPECT_NE(form.findChild<QPushButton*>(b), nullptr) << b;
  EXPECT_EQ(form.findChild<QPushButton*>("xml")->text(), QString("xml/xslt"));
  // The buttons ask for the file; a name without extension gets the format's.
  m_ui.pickerResults = {path("sida"), path("lista.xml"), path("bild")};
  form.findChild<QPushButton*>("htm")->click();
  form.findChild<QPushButton*>("xml")->click();
  form.findChild<QPushButton*>("jpg")->click();
  EXPECT_EQ(RunCommand("xmllint --html --noout '" + path("sida.htm") + "'").out, "");
  EXPECT_TRUE(fs::exists(path("lista.xsl")));
  ASSERT_TRUE(fs::exists(path("bild.jpg")));
  // A cancelled picker writes nothing.
  form.findChild<QPushButton*>("pdf")->click();
  EXPECT_FALSE(fs::exists(path("sida.pdf")));
  EXPECT_TRUE(form.exportPdf(path("sida.pdf")));
  EXPECT_EQ(RunCommand("qpdf --check '" + path("sida.pdf") + "'").status, 0);
}

TEST_F(QtReportsTest, JpegOfTheGridHoldsTheDrawnTable) {
  ASSERT_TRUE(ExportGridJpeg(m_grid, path("g.jpg")));
  const std::vector<std::uint8_t> bytes = liga::testing::ReadBytes(path("g.jpg"));
  const QImage expected = RenderGrid(m_grid);
  int w = 0, h = 0;
  ASSERT_TRUE(reports::JpegSize(bytes, w, h));
  EXPECT_EQ(w, expected.width());
  EXPECT_EQ(h, expected.height());
  const auto decoded = reports::DecodeJpeg(bytes);
  ASSERT_TRUE(decoded);
  // The heading band of row 0 is dark, the rest mostly white with dark text.
  int dark = 0;
  for (std::size_t i = 0; i < decoded->rgb.size(); i += 3) dark += decoded->rgb[i] < 128;
  EXPECT_GT(dark, 100);
  EXPECT_LT(dark, w * h / 2);
  EXPECT_FALSE(ExportGridJpeg(m_grid, path("saknas/g.jpg")));
}

TEST_F(QtReportsTest, GiroDialogStaysOpenUntilTheLayoutIsAccepted) {
  reports::GiroRegister reg;
  reports::GiroLayout layout;
  layout.form = reports::GiroForm::Bankgiro;
  GiroDlg dlg(reg, layout, "");
  EXPECT_EQ(dlg.objectName(), QString("TbankgiroDlg"));
  dlg.findChild<QLineEdit*>("edMottagare")->setText(QString::fromUtf8("KLUBBEN"));
  dlg.findChild<QLineEdit*>("edGironr")->setText("19");
  dlg.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(dlg.statusText(), QString::fromUtf8("fel på gironummer"));
  EXPECT_NE(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(reg.layouts().empty());
  dlg.findChild<QLineEdit*>("edGironr")->setText("18");
  dlg.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  ASSERT_EQ(reg.layouts().size(), 1u);
  EXPECT_EQ(reg.layouts()[0].form, reports::GiroForm::Bankgiro);

  GiroDlg again(reg, reports::GiroLayout{}, "");
  again.findChild<QLineEdit*>("edMottagare")->setText("KLUBBEN");
  again.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(again.statusText(),
            QString::fromUtf8(
                "Mottagare och littera finns redan registrerad. \"KLUBBEN\" Måste vara unik."));
  again.findChild<QLineEdit*>("edLittera")->setText("B");
  again.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(again.result(), QDialog::Accepted);
  EXPECT_EQ(reg.layouts().size(), 2u);
  EXPECT_EQ(m_ui.beeps, 2);
}

TEST_F(QtReportsTest, GiroRegisterWindowListsTheSavedLayouts) {
  reports::GiroRegister reg;
  reports::GiroLayout l;
  l.payee = "KLUBBEN";
  ASSERT_EQ(reg.store(l), "");
  ASSERT_TRUE(reg.save(path("giro.txt")));
  TEGiroRegForm form(path("giro.txt"));
  EXPECT_EQ(form.windowTitle(), QString("giroregister"));
  auto* list = form.findChild<QListWidget*>("giroLista");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->text().startsWith("plusgiroblankett: KLUBBEN"));
  list->setCurrentRow(0);
  form.findChild<QPushButton*>("radera")->click();
  EXPECT_EQ(list->count(), 0);
  reports::GiroRegister back;
  ASSERT_TRUE(back.load(path("giro.txt")));
  EXPECT_TRUE(back.layouts().empty());
}

TEST_F(QtReportsTest, LabelRegisterEditsTheSheetOfTheBlock) {
  LabelSettingsBlock block = DefaultLabelSettings(1);
  TEEtikettRegForm form(block);
  EXPECT_EQ(form.windowTitle(), QString("etikettregister"));
  auto* across = form.findChild<QSpinBox*>("EtXn");
  ASSERT_NE(across, nullptr);
  EXPECT_EQ(across->value(), 3);
  across->setValue(12);  // at most 8
  form.findChild<QSpinBox*>("EtYh")->setValue(-5);
  form.findChild<QSpinBox*>("EtYmarg")->setValue(-20);
  form.findChild<QPushButton*>("okButton")->click();
  EXPECT_EQ(block.across(), 8);
  EXPECT_EQ(block.labelHeight(), 0);
  EXPECT_EQ(block.topMargin(), -20);
  const reports::LabelSheet sheet = reports::LabelSheetFrom(block);
  EXPECT_EQ(sheet.across, 8);
  EXPECT_DOUBLE_EQ(sheet.top, -2.0);  // tenths of a millimetre
}

}  // namespace
}  // namespace liga::gui
