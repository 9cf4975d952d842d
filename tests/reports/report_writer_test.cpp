// Layout of print jobs, checked on the recording surface: its fonts are fixed-pitch
// (a character 0.6 of the size wide, a line as high as the size, descent a fifth), at 72
// units per inch, and the settings below use margins of one inch all round.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/progress.h"
#include "common/recording_ui.h"
#include "reports/log_print.h"
#include "reports/picture.h"
#include "reports/recording_surface.h"
#include "reports/report_writer.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga::reports {
namespace {

class ReportWriterTest : public ::testing::Test {
 protected:
  ReportWriterTest() : m_scopedUi(m_ui), m_printerScope(m_printer) {
    m_settings.inch = true;
    m_settings.marginLeft = m_settings.marginTop = m_settings.marginRight =
        m_settings.marginBottom = 1000;
    m_settings.large = {"Mono", 10, true, false, 0};
    m_settings.normal = {"Mono", 10, false, false, 0};
    m_settings.bold = {"Mono", 10, true, false, 0};
    m_settings.small = {"Mono", 5, false, false, 0};
    m_settings.footerText = "fottext";
  }

  std::unique_ptr<ReportWriter> open(const std::string& name = "test") {
    auto w = std::make_unique<ReportWriter>(m_settings,
                                            [] { return std::string("2026-12-09 10:11:12"); });
    EXPECT_TRUE(w->openJob(name));
    return w;
  }
  const RecordedDocument& doc() const { return m_printer.documents.back(); }

  // Fills the page with announced normal lines until fewer than `left` lines of it remain.
  void fillUntil(ReportWriter& w, int left) {
    while (w.usedHeight() + (left + 1) * 10 + 3 * 5 < w.usableHeight()) {
      w.keepTogether("Rubrik", 1);
      w.line("rad");
    }
  }

  RecordingUi m_ui;
  RecordingPrinter m_printer;
  ReportSettings m_settings;
  ScopedUi m_scopedUi;
  ScopedPrinter m_printerScope;
};

TEST_F(ReportWriterTest, JobWithoutPrinterDoesNotOpen) {
  SetPrinter(nullptr);
  ReportWriter w(m_settings);
  EXPECT_FALSE(w.openJob("laglista"));
  EXPECT_TRUE(m_ui.shown.empty());
}

TEST_F(ReportWriterTest, PrinterThatCannotBeUsedIsReported) {
  m_printer.refuse = true;
  ReportWriter w(m_settings);
  EXPECT_FALSE(w.openJob("laglista"));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "Kan ej skapa vald skrivare enligt inst\xe4llningar");
}

TEST_F(ReportWriterTest, DocumentNameIsCutAndProgressWindowNamesJob) {
  {
    auto w = open("spelpgm: \"EN MYCKET L\xc5NG LAGNAMNSTEXT\"");
    EXPECT_EQ(OpenProgressWindows(), 1);
  }
  EXPECT_EQ(OpenProgressWindows(), 0);
  EXPECT_EQ(doc().name, "LigaWin32:spelpgm: \"EN MYCKET L\xc5");
  EXPECT_EQ(doc().name.size(), 32u);
  EXPECT_TRUE(doc().ended);
  bool named = false;
  for (const auto& p : m_ui.progress) named |= p.find("open 0 rapport") == 0;
  EXPECT_TRUE(named);
}

TEST_F(ReportWriterTest, ColumnsCountInAverageCharacterWidths) {
  auto w = open();
  w->column(10);
  w->text("ab");
  EXPECT_DOUBLE_EQ(w->currentX(), 72 + 10 * 6 + 2 * 6);
  w->column(-3);
  EXPECT_DOUBLE_EQ(w->currentX(), 72 + 15 * 6);
  w->pushFont('S');
  w->column(10);
  EXPECT_DOUBLE_EQ(w->currentX(), 72 + 10 * 3);
  w->pushFont('b');  // bold at half size
  EXPECT_DOUBLE_EQ(w->lineHeight(), 5);
  w->popFont();
  w->popFont();
  EXPECT_EQ(w->pushedFonts(), 0);
  EXPECT_EQ(w->charsPerLine(), static_cast<int>((595 - 144) / 6));
}

TEST_F(ReportWriterTest, TitleIsCentredInBold) {
  auto w = open();
  w->title("Laglista..");
  const auto texts = doc().texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0]->text, "Laglista..");
  EXPECT_TRUE(texts[0]->font.bold);
  const int cpl = (595 - 144) / 6;
  EXPECT_DOUBLE_EQ(texts[0]->x, 72 + ((cpl - 10) / 2) * 6);
}

TEST_F(ReportWriterTest, TwoColumnsShareAFivePercentGapAndStayInsideTheMargins) {
  m_settings.columns = 2;
  m_settings.normal.size = 20;  // scaled by 1/2 to 10
  m_settings.small.size = 10;
  auto w = open();
  EXPECT_DOUBLE_EQ(w->lineHeight(), 10);
  const double usable = 595 - 144;
  const double gap = 0.05 * usable / 2;
  const double columnWidth = (usable - gap) / 2;
  fillUntil(*w, 0);
  w->keepTogether("K", 3);
  EXPECT_EQ(w->textColumn(), 2);
  EXPECT_EQ(w->page(), 1);
  w->column(0);
  EXPECT_DOUBLE_EQ(w->currentX(), 72 + columnWidth + gap);
  EXPECT_DOUBLE_EQ(w->columnRight(), 595 - 72);
  fillUntil(*w, 0);
  w->keepTogether("K", 3);
  EXPECT_EQ(w->page(), 2);
  EXPECT_EQ(w->textColumn(), 1);
}

TEST_F(ReportWriterTest, BlockThatDoesNotFitMovesWholeWithContinuationTexts) {
  auto w = open();
  fillUntil(*w, 2);
  const double before = w->usedHeight();
  w->keepTogether("Rubrik", 3);
  EXPECT_EQ(w->page(), 2);
  w->line("block 1");
  w->line("block 2");
  w->line("block 3");
  w->finish();
  const RecordedDocument& d = doc();
  EXPECT_EQ(d.pages, 2);
  EXPECT_GT(before, 0);
  for (const DrawOp* t : d.texts()) {
    if (t->text.rfind("block", 0) == 0) {
      EXPECT_EQ(t->page, 2) << t->text;
    }
  }
  // Page 1 ends with the continuation footer, page 2 begins with the header.
  EXPECT_NE(d.pageText(1).find("\"Rubrik\" forts... "), std::string::npos);
  EXPECT_NE(d.pageText(1).find("fottext 2026-12-09 10:11:12  "), std::string::npos);
  const auto page2 = d.texts(2);
  ASSERT_FALSE(page2.empty());
  EXPECT_EQ(page2[0]->text, "forts.. \"Rubrik\" sida:   2");
  // Right-aligned: it ends at the right margin.
  EXPECT_DOUBLE_EQ(page2[0]->x2, 595 - 72);
  // The last page's footer does not continue.
  EXPECT_EQ(d.pageText(2).find("forts... "), std::string::npos);
  EXPECT_NE(d.pageText(2).find("fottext 2026-12-09 10:11:12"), std::string::npos);
}

TEST_F(ReportWriterTest, FooterSitsInTheLastThreeSmallLines) {
  auto w = open();
  w->finish();
  const double base = 72 + (842 - 144) - 3 * 5;
  bool rule = false;
  for (const DrawOp& op : doc().ops)
    if (op.kind == DrawOp::Line && op.y == base && op.x == 595 - 72 && op.x2 == 72) rule = true;
  EXPECT_TRUE(rule);
  const auto texts = doc().texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_DOUBLE_EQ(texts[0]->y, base + 1 + 5);
  EXPECT_EQ(texts[0]->font.size, 5);
}

TEST_F(ReportWriterTest, NeedLinesBreaksWithoutHeading) {
  auto w = open();
  fillUntil(*w, 5);
  EXPECT_FALSE(w->needLines(false, 3));
  EXPECT_TRUE(w->needLines(false, 13));
  EXPECT_EQ(w->page(), 1);
  EXPECT_TRUE(w->needLines(true, 13));
  EXPECT_EQ(w->page(), 2);
  EXPECT_DOUBLE_EQ(w->usedHeight(), 2 * 5 + 1);
  w->finish();
  EXPECT_EQ(doc().texts(2)[0]->text, "forts..  sida:   2");
}

TEST_F(ReportWriterTest, ABlockTallerThanAPageDoesNotLeaveEmptyPages) {
  auto w = open();
  w->keepTogether("x", 200);
  w->keepTogether("x", 200);
  EXPECT_EQ(w->page(), 2);
}

TEST_F(ReportWriterTest, RuleAddsTheSmallDescentOnly) {
  auto w = open();
  w->keepTogether("", 1);
  w->line("a");
  const double used = w->usedHeight();
  w->rule();
  EXPECT_DOUBLE_EQ(w->usedHeight(), used + 1);
  EXPECT_EQ(doc().count(DrawOp::Line), 1);
}

TEST_F(ReportWriterTest, AbortStopsDrawingButEndsTheDocument) {
  auto w = open();
  w->keepTogether("", 1);
  w->line("före");
  CancelProgress();
  EXPECT_TRUE(w->aborted());
  w->keepTogether("", 1);
  w->line("efter");
  w->rule();
  w->finish();
  EXPECT_TRUE(doc().ended);
  EXPECT_TRUE(doc().contains("före"));
  EXPECT_FALSE(doc().contains("efter"));
  EXPECT_FALSE(doc().contains("fottext"));
  EXPECT_EQ(doc().count(DrawOp::Line), 0);
  EXPECT_EQ(OpenProgressWindows(), 0);
  ClearProgressAbort();
}

TEST_F(ReportWriterTest, FontsLeftPushedAreReportedAndPopped) {
  auto w = open();
  w->pushFont('B');
  w->pushFont('S');
  w->finish();
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "  2 savefontc<>0 prexit");
  EXPECT_EQ(w->pushedFonts(), 0);
}

TEST_F(ReportWriterTest, FontStackHoldsTwelve) {
  auto w = open();
  for (int i = 0; i < 20; ++i) w->pushFont('S');
  EXPECT_EQ(w->pushedFonts(), 12);
  for (int i = 0; i < 12; ++i) w->popFont();
  EXPECT_DOUBLE_EQ(w->lineHeight(), 10);
}

TEST_F(ReportWriterTest, PicturesEndTheReportFramedAndScaledToTheColumn) {
  const liga::testing::TempDir tmp("pic");
  const std::string path = (tmp / "bild.jpg").string();
  Picture p;
  p.width = 40;
  p.height = 20;
  p.rgb.assign(40 * 20 * 3, 200);
  const auto bytes = EncodeJpeg(p);
  ASSERT_FALSE(bytes.empty());
  ASSERT_TRUE(liga::testing::WriteFile(path, bytes));
  m_settings.pictures[1] = {true, path, 2};
  m_settings.pictures[2] = {true, "/nonexistent/picture.jpg", 1};
  m_settings.pictures[3] = {false, path, 1};
  auto w = open();
  w->finish();
  ASSERT_EQ(doc().count(DrawOp::Picture), 1);
  ASSERT_EQ(doc().count(DrawOp::Rect), 1);
  for (const DrawOp& op : doc().ops) {
    if (op.kind != DrawOp::Picture) continue;
    EXPECT_EQ(op.text, "40x20");
    const double width = (595 - 144) / 2.0 - 4;
    EXPECT_DOUBLE_EQ(op.x2 - op.x, width);
    EXPECT_DOUBLE_EQ(op.y2 - op.y, width / 2);
  }
}

TEST_F(ReportWriterTest, LogListContinuesOnTheNextPage) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) lines.push_back("rad " + std::to_string(i));
  ASSERT_TRUE(PrintLogList(lines));
  const RecordedDocument& d = doc();
  EXPECT_EQ(d.name, "LigaWin32:logglista");
  // Courier New 10 on the recording surface: 12-point lines, 84 of them between the two
  // free lines at the top and the bottom of 842 points: 100 lines take two pages.
  EXPECT_EQ(d.pages, 2);
  const auto page2 = d.texts(2);
  ASSERT_FALSE(page2.empty());
  EXPECT_EQ(page2[0]->text, ". forts...");
  EXPECT_EQ(page2[1]->text, "rad " + std::to_string(100 - static_cast<int>(page2.size()) + 1));
  EXPECT_DOUBLE_EQ(page2[0]->x, 36);  // "WWWWWW"
  EXPECT_DOUBLE_EQ(page2[0]->y, 24);
  EXPECT_TRUE(page2[0]->font.bold);
  EXPECT_EQ(d.count(DrawOp::Line), 0);
}

TEST(PictureTest, JpegRoundTripKeepsSizeAndColour) {
  Picture p;
  p.width = 16;
  p.height = 8;
  for (int i = 0; i < 16 * 8; ++i) {
    p.rgb.push_back(250);
    p.rgb.push_back(10);
    p.rgb.push_back(10);
  }
  const auto bytes = EncodeJpeg(p, 95);
  int w = 0, h = 0;
  ASSERT_TRUE(JpegSize(bytes, w, h));
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 8);
  auto back = DecodeJpeg(bytes);
  ASSERT_TRUE(back);
  EXPECT_NEAR(back->rgb[0], 250, 8);
  EXPECT_NEAR(back->rgb[1], 10, 8);
  EXPECT_FALSE(DecodeJpeg({'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}));
  EXPECT_TRUE(IsJpegPath("a/B.JpEg"));
  EXPECT_FALSE(IsJpegPath("a/b.png"));
}

}  // namespace
}  // namespace liga::reports
