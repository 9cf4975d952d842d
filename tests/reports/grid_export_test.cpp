// The grid window's exports, each checked by the tool a reader of the file would use:
// qpdf and pdftotext for PDF, xsltproc for the XML + XSL pair, xmllint for HTML.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/encoding.h"
#include "common/grid.h"
#include "common/recording_ui.h"
#include "reports/grid_export.h"
#include "reports/grid_print.h"
#include "reports/picture.h"
#include "reports/recording_surface.h"
#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace liga::reports {
namespace {

namespace fs = std::filesystem;

using liga::testing::RunCommand;

// The page size pdfinfo reports, "W x H".
std::pair<double, double> pageSize(const std::string& info) {
  const std::size_t at = info.find("Page size:");
  double w = 0, h = 0;
  if (at != std::string::npos) std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
  return {w, h};
}

using liga::testing::ReadFile;

class GridExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPdfPageHeight();
    m_grid.setTitle(W("LigaWin32: laglista klassvis: Vårserien & <Cup>"));
    m_grid.addCell("LgNr");
    m_grid.addCell("Lagnamn");
    m_grid.endRow();
    m_grid.addCell("1");
    m_grid.addCell("A & <B>");
    m_grid.endRow();
    m_grid.addCell("2");
    m_grid.addCell(W("Åby (IF) \\ Öster"));
    m_grid.endRow();
    m_grid.endRow("--");
    m_grid.addCell("3");
    m_grid.addCell(W("Lag \"tre\" ÄÖ"));
    m_grid.endRow();
  }
  static std::string W(const char* s) { return Utf8ToCp1252(s); }
  std::string path(const char* name) const { return (m_dir / name).string(); }

  liga::testing::TempDir m_dir{"grid"};
  GridModel m_grid;
  RecordingUi m_ui;
  ScopedUi m_scope{m_ui};
  PublishSettings m_publish;
};

TEST(GridModelTest, CellsArePaddedAndColumnsWidenToTheirText) {
  GridModel g("t", 10);
  g.addCell("kort");
  g.addCell(std::string(30, 'x'));
  g.endRow();
  g.endRow();
  g.endRow("ensam");
  EXPECT_EQ(g.rowCount(), 3);
  EXPECT_EQ(g.columnCount(), 2);
  EXPECT_EQ(g.cell(0, 0), " kort   ");
  EXPECT_EQ(g.text(1, 0), std::string(30, 'x'));
  EXPECT_EQ(g.columnWidth(0), GridModel::kDefaultColumnWidth);
  EXPECT_EQ(g.columnWidth(1), 204);  // 34 characters of 6 points
  EXPECT_EQ(g.text(0, 2), "ensam");
  EXPECT_EQ(g.cell(5, 9), "");
  EXPECT_EQ(GridText(g), "kort\t" + std::string(30, 'x') + "\n\nensam\n");
}

TEST_F(GridExportTest, HtmlIsWellFormedAndEscapesNames) {
  const std::string file = path("lista.htm");
  ASSERT_TRUE(ExportHtml(m_grid, file, m_publish).written);
  const std::string html = ReadFile(file);
  EXPECT_EQ(html.find("<B>"), std::string::npos);
  EXPECT_NE(html.find("A &amp; &lt;B&gt;"), std::string::npos);
  EXPECT_NE(html.find("&Aring;by (IF)"), std::string::npos);
  EXPECT_NE(html.find("charset=windows-1252"), std::string::npos);
  EXPECT_EQ(html.find("://"), std::string::npos);  // no maker's address by default
  EXPECT_NE(html.find("\r\n"), std::string::npos);
  const liga::testing::RunResult lint = RunCommand("xmllint --html --noout '" + file + "'");
  EXPECT_EQ(lint.status, 0) << lint.out;
  EXPECT_EQ(lint.out, "");
  // The message of the export-file writer.
  ASSERT_FALSE(m_ui.statuses.empty());
  EXPECT_EQ(m_ui.statuses.back().rfind("Import/export av ", 0), 0u);
}

TEST_F(GridExportTest, HtmlNamesConfiguredAddresses) {
  m_publish.webAddress = "https://liga.example";
  m_publish.programLogoUrl = "logo.png";
  const std::string file = path("lista.htm");
  ASSERT_TRUE(ExportHtml(m_grid, file, m_publish).written);
  const std::string html = ReadFile(file);
  EXPECT_NE(html.find("<IMG SRC=\"logo.png\""), std::string::npos);
  EXPECT_NE(html.find("<a href=\"https://liga.example\">"), std::string::npos);
  EXPECT_EQ(RunCommand("xmllint --html --noout '" + file + "'").out, "");
}

TEST_F(GridExportTest, XmlAndStylesheetGiveEveryCell) {
  const std::string file = path("lista.xml");
  ASSERT_TRUE(ExportXml(m_grid, file, m_publish).written);
  const std::string xml = ReadFile(file);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n", 0), 0u);
  EXPECT_NE(xml.find("<?xml-stylesheet href=\"lista.xsl\" type=\"text/xsl\" ?>"),
            std::string::npos);
  // The "--" row splits the table and is in neither part.
  EXPECT_EQ(xml.find(" --   "), std::string::npos);
  std::size_t tables = 0;
  for (std::size_t i = 0; (i = xml.find("<tabell>", i)) != std::string::npos; ++i) ++tables;
  EXPECT_EQ(tables, 2u);
  ASSERT_TRUE(fs::exists(path("lista.xsl")));
  EXPECT_EQ(RunCommand("xmllint --noout '" + file + "' '" + path("lista.xsl") + "'").out, "");
  const liga::testing::RunResult html =
      RunCommand("xsltproc '" + path("lista.xsl") + "' '" + file + "'");
  ASSERT_EQ(html.status, 0) << html.out;
  for (const char* cell :
       {"LgNr", "Lagnamn", "A &amp; &lt;B&gt;", "Åby (IF) \\ Öster", "Lag \"tre\" ÄÖ"})
    EXPECT_NE(html.out.find(cell), std::string::npos) << cell << "\n" << html.out;
  EXPECT_NE(html.out.find("<h2>LigaWin32: laglista klassvis: Vårserien &amp; &lt;Cup&gt;</h2>"),
            std::string::npos)
      << html.out;
}

TEST_F(GridExportTest, PdfPassesQpdfAndGivesBackTheCells) {
  const std::string file = path("lista.pdf");
  ASSERT_TRUE(ExportPdf(m_grid, file, m_publish).written);
  const liga::testing::RunResult check = RunCommand("qpdf --check '" + file + "'");
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_NE(check.out.find("No syntax or stream encoding errors"), std::string::npos) << check.out;
  const liga::testing::RunResult text = RunCommand("pdftotext -layout '" + file + "' -");
  ASSERT_EQ(text.status, 0) << text.out;
  for (const char* cell : {"Sida 1", "LgNr", "Lagnamn", "A & <B>", "Åby (IF) \\ Öster",
                           "Lag \"tre\" ÄÖ", "Vårserien &", "<Cup>"})
    EXPECT_NE(text.out.find(cell), std::string::npos) << cell << "\n" << text.out;
  // The page is 40 wider than the columns and 1.375 times as high as it is wide.
  const liga::testing::RunResult info = RunCommand("pdfinfo '" + file + "'");
  const double width = 40 + m_grid.totalWidth();
  EXPECT_EQ(pageSize(info.out), std::make_pair(width, width * 1.375)) << info.out;
}

TEST_F(GridExportTest, PdfEmbedsJpegPicturesAsTheyAre) {
  Picture p;
  p.width = 30;
  p.height = 20;
  p.rgb.assign(30 * 20 * 3, 90);
  const auto bytes = EncodeJpeg(p);
  const std::string jpeg = path("bild.jpg");
  std::ofstream(jpeg, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  PdfOptions options;
  options.jpegPictures = {jpeg, path("saknas.jpg")};
  const std::string file = path("bild.pdf");
  ASSERT_TRUE(ExportPdf(m_grid, file, m_publish, options).written);
  const liga::testing::RunResult check = RunCommand("qpdf --check '" + file + "'");
  EXPECT_EQ(check.status, 0) << check.out;
  const liga::testing::RunResult images = RunCommand("pdfimages -list '" + file + "'");
  EXPECT_NE(images.out.find("    30    20  rgb     3   8  jpeg"), std::string::npos) << images.out;
  // The stream holds the file's bytes unchanged.
  EXPECT_NE(ReadFile(file).find(std::string(bytes.begin(), bytes.end())), std::string::npos);
}

TEST_F(GridExportTest, PdfOfOneColumnAndManyPages) {
  GridModel g("lang", 10);
  for (int i = 0; i < 300; ++i) {
    g.addCell("rad " + std::to_string(i));
    g.endRow();
  }
  const std::string file = path("lang.pdf");
  ASSERT_TRUE(ExportPdf(g, file, m_publish).written);
  EXPECT_EQ(RunCommand("qpdf --check '" + file + "'").status, 0);
  const liga::testing::RunResult info = RunCommand("pdfinfo '" + file + "'");
  const double width = 40 + g.columnWidth(0);
  EXPECT_EQ(width, 106);  // " rad 299   " is 11 characters of 6 points
  EXPECT_EQ(pageSize(info.out), std::make_pair(width, width * 1.375)) << info.out;
  // A narrow page holds few rows, so 300 rows need many pages; every row is there.
  const liga::testing::RunResult text = RunCommand("pdftotext '" + file + "' -");
  for (int i : {0, 1, 150, 299})
    EXPECT_NE(text.out.find("rad " + std::to_string(i) + "\n"), std::string::npos) << i;
  // The next export starts from this page's height.
  EXPECT_DOUBLE_EQ(PdfCurrentPageHeight(), width * 1.375);
}

TEST_F(GridExportTest, PdfWiderThanHighTurnsLandscape) {
  GridModel g("bred", 10);
  for (int c = 0; c < 12; ++c) g.addCell(std::string(20, 'a' + c));
  g.endRow();
  const std::string file = path("bred.pdf");
  ASSERT_TRUE(ExportPdf(g, file, m_publish).written);
  const double width = 40 + g.totalWidth();
  ASSERT_GT(width, 792);
  EXPECT_DOUBLE_EQ(PdfCurrentPageHeight(), width / 1.375);
  EXPECT_EQ(RunCommand("qpdf --check '" + file + "'").status, 0);
}

TEST_F(GridExportTest, AFileThatCannotBeCreatedIsReportedAndNothingIsLeft) {
  const std::string file = (m_dir / "saknas" / "lista.htm").string();
  EXPECT_FALSE(ExportHtml(m_grid, file, m_publish).written);
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, Utf8ToCp1252("Kan ej öppna/skapa ixportfilen \"") + file + "\"");
  EXPECT_FALSE(fs::exists(m_dir / "saknas"));
}

TEST_F(GridExportTest, PrintedGridPutsCellsSideBySideAndWrapsWideRows) {
  RecordingPrinter printer;
  ScopedPrinter scope(printer);
  ReportSettings settings;
  settings.inch = true;
  settings.marginLeft = settings.marginRight = settings.marginTop = settings.marginBottom = 1000;
  settings.small = {"Mono", 5, false, false, 0};
  GridModel wide("bred", 10);
  wide.addCell("A");
  wide.addCell(std::string(140, 'x'));
  wide.addCell("C");
  wide.endRow();
  ASSERT_TRUE(PrintGrid(m_grid, settings));
  ASSERT_TRUE(PrintGrid(wide, settings));
  ASSERT_EQ(printer.documents.size(), 2u);
  const RecordedDocument& d = printer.documents[0];
  EXPECT_EQ(d.name, "LigaWin32:" + m_grid.title().substr(0, 22));
  // Row 1: its cells on one line, each column as wide as its widest cell (" Lagnamn   ").
  const DrawOp *number = nullptr, *name = nullptr;
  for (const DrawOp* t : d.texts()) {
    if (t->text == " 1   ") number = t;
    if (t->text == " A & <B>   ") name = t;
  }
  ASSERT_TRUE(number && name);
  EXPECT_EQ(number->y, name->y);
  EXPECT_DOUBLE_EQ(name->x - number->x, 8 * 3.0);  // " LgNr   " in 3-point characters
  // " A   " and the 144-character cell fill 447 of the 451 points: " C   " goes below.
  const auto texts = printer.documents[1].texts();
  const DrawOp* a = nullptr;
  const DrawOp* c = nullptr;
  for (const DrawOp* t : texts) {
    if (t->text == " A   ") a = t;
    if (t->text == " C   ") c = t;
  }
  ASSERT_TRUE(a && c);
  EXPECT_GT(c->y, a->y);
  EXPECT_DOUBLE_EQ(c->x, 72);
}

TEST(PdfStringTest, EscapesDelimitersAndBackslash) {
  EXPECT_EQ(PdfString("a(b)c\\d\n"), "a\\(b\\)c\\\\d ");
}

}  // namespace
}  // namespace liga::reports
