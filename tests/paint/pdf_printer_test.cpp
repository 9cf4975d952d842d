// PDF files through QPdfWriter with Qt Gui alone (no QApplication, no Widgets), checked by
// qpdf, pdfinfo and pdftotext.
#include "paint/pdf_printer.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>

#include "common/encoding.h"
#include "common/recording_ui.h"
#include "reports/report_writer.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

// fontconfig keeps a cache for the life of the process, which the leak checker of the
// sanitizer build would report; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace liga::paint {
namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;

QGuiApplication& app() {
  static int argc = 1;
  static char name[] = "pdf_printer_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* a = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  return *a;
}

class PdfPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override { app(); }
  std::string path(const char* n) const { return (m_dir / n).string(); }

  // One job of one line; false when the printer refused it.
  static bool writeJob(const std::string& title, const std::string& text) {
    reports::ReportWriter w(reports::ReportSettings{});
    if (!w.openJob(title)) return false;
    w.title(title);
    w.keepTogether("", 1);
    w.line(text);
    w.finish();
    return true;
  }

  liga::testing::TempDir m_dir{"pdfprn"};
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(PdfPrinterTest, WritesEachJobOrAllJobsIntoOneFile) {
  {
    PdfReportPrinter printer(path("ett.pdf"));
    reports::ScopedPrinter scope(printer);
    ASSERT_TRUE(writeJob("laglista", Utf8ToCp1252("Åsa Öberg")));
  }
  EXPECT_EQ(RunCommand("qpdf --check '" + path("ett.pdf") + "'").status, 0);
  EXPECT_NE(RunCommand("pdftotext '" + path("ett.pdf") + "' -").out.find("Åsa Öberg"),
            std::string::npos);
  const auto one = RunCommand("pdfinfo '" + path("ett.pdf") + "'").out;
  EXPECT_NE(one.find("Title:           LigaWin32:laglista"), std::string::npos) << one;
  EXPECT_NE(one.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << one;
  {
    PdfReportPrinter printer(path("alla.pdf"), true);
    reports::ScopedPrinter scope(printer);
    ASSERT_TRUE(writeJob("jobb ett", "forsta"));
    ASSERT_TRUE(writeJob("jobb tva", "andra"));
    EXPECT_EQ(printer.jobs(), 2);
  }
  const auto info = RunCommand("pdfinfo '" + path("alla.pdf") + "'").out;
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  const auto text = RunCommand("pdftotext '" + path("alla.pdf") + "' -").out;
  EXPECT_LT(text.find("forsta"), text.find("andra"));
}

TEST_F(PdfPrinterTest, AFileThatCannotBeWrittenRefusesTheJob) {
  PdfReportPrinter printer(path("saknas/rapport.pdf"));
  reports::ScopedPrinter scope(printer);
  EXPECT_FALSE(writeJob("laglista", "text"));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, Utf8ToCp1252("Kan ej skapa vald skrivare enligt inställningar"));
  EXPECT_FALSE(fs::exists(path("saknas/rapport.pdf")));
  EXPECT_EQ(printer.jobs(), 0);
}

}  // namespace
}  // namespace liga::paint
