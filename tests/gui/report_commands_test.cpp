// The window's report commands on the demo competition: the pick lists decide what is
// printed or shown, a cancelled pick list prints nothing, and printing goes through the
// preview's printer into a real PDF.
#include "gui/report_commands.h"

#include <QPdfWriter>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "common/encoding.h"
#include "editing/pick.h"
#include "gui_test_env.h"

namespace liga::gui {
namespace {

namespace fs = std::filesystem;

// Answers every pick window: all lines with OK, or Cancel.
class ScriptedPicks : public PickWindowRunner {
 public:
  bool cancel = false;
  std::vector<std::string> captions;
  void run(TEPickForm& form) override {
    captions.push_back(form.caption());
    if (cancel) return form.cancelBtnClick();
    for (int i = 0; i < form.count(); ++i) form.setSelected(i, true);
    form.okBtnClick();
  }
};

using testing::PdfText;

class ReportCommandsTest : public testing::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    start();
    m_ui.setNextAnswer(Answer::Yes);
    m_form->offerDemo();
    ASSERT_TRUE(m_shell->db().competitionOpen());
    m_picks = std::make_unique<ScopedPickWindows>(m_runner);
    m_pdf = m_dir / "preview.pdf";
    m_previousPreview =
        SetPreviewRunner([this](QWidget*, const std::function<void(QPrinter&)>& print) {
          ++m_previews;
          QPrinter printer(QPrinter::HighResolution);
          printer.setOutputFormat(QPrinter::PdfFormat);
          printer.setOutputFileName(QString::fromStdString(m_pdf.string()));
          print(printer);
        });
    m_previousGrid =
        SetGridRunner([this](QWidget*, const GridModel& grid) { m_grids.push_back(grid); });
  }
  void TearDown() override {
    SetPreviewRunner(m_previousPreview);
    SetGridRunner(m_previousGrid);
    m_picks.reset();
    GuiTest::TearDown();
  }
  void trigger(const char* name) { control<QAction>(name)->trigger(); }

  ScriptedPicks m_runner;
  std::unique_ptr<ScopedPickWindows> m_picks;
  fs::path m_pdf;
  int m_previews = 0;
  std::vector<GridModel> m_grids;
  PreviewRunner m_previousPreview;
  GridRunner m_previousGrid;
};

TEST_F(ReportCommandsTest, TeamListIsPrintedThroughThePreviewForThePickedClasses) {
  trigger("laglista");
  ASSERT_EQ(m_runner.captions.size(), 1u);
  EXPECT_EQ(m_runner.captions[0], Utf8ToCp1252("Välj Klass^(er)"));
  ASSERT_EQ(m_previews, 1);
  ASSERT_TRUE(fs::exists(m_pdf));
  const std::string text = PdfText(m_pdf);
  EXPECT_NE(text.find("HERRAR DIV 4"), std::string::npos) << text.substr(0, 400);
  EXPECT_NE(text.find("POJKAR 15"), std::string::npos);
}

TEST_F(ReportCommandsTest, ACancelledPickListPrintsNothing) {
  m_runner.cancel = true;
  for (const char* command :
       {"laglista", "lagspelpgm", "seriespelpgm", "resultat1", "matchprotokollI", "haltmatcher"})
    trigger(command);
  EXPECT_EQ(m_previews, 0);
  EXPECT_FALSE(fs::exists(m_pdf));
  EXPECT_TRUE(m_grids.empty());
}

TEST_F(ReportCommandsTest, SchedulesAskForClassesThenPlayTimes) {
  trigger("seriespelpgm");
  ASSERT_EQ(m_runner.captions.size(), 2u);
  EXPECT_EQ(m_runner.captions[1], Utf8ToCp1252("Välj speltid(er)"));
  EXPECT_EQ(m_previews, 1);
  EXPECT_NE(PdfText(m_pdf).find("2027-04-10"), std::string::npos);
}

TEST_F(ReportCommandsTest, ViewsFillTheGridWindow) {
  trigger("laglista1");
  ASSERT_EQ(m_grids.size(), 1u);
  bool found = false;
  const GridModel& g = m_grids[0];
  for (int r = 0; r < g.rowCount(); ++r)
    for (int c = 0; c < g.columnCount(); ++c)
      found |= g.text(c, r).find("NORRBY") != std::string::npos;
  EXPECT_TRUE(found);
  EXPECT_EQ(m_previews, 0);
}

TEST_F(ReportCommandsTest, ASheetWithoutCopiesAsksOnceAndIsOneCopyAfterwards) {
  m_shell->config().label().setCopies(0);
  int asked = 0;
  const CopiesAsker previous = SetCopiesAsker([&](QWidget*) {
    ++asked;
    return std::optional<int>(2);
  });
  trigger("etiketterLagledare");
  SetCopiesAsker(previous);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(m_previews, 1);
  EXPECT_EQ(m_shell->config().label().copies(), 1);
  // Two copies of each leader label: the first team's leader twice in the PDF.
  const std::string text = PdfText(m_pdf);
  std::size_t n = 0;
  for (std::size_t p = text.find("IFK Norrby"); p != std::string::npos;
       p = text.find("IFK Norrby", p + 1))
    ++n;
  EXPECT_GE(n, 2u) << text.substr(0, 600);
}

}  // namespace
}  // namespace liga::gui
