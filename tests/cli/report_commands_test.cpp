// liga report and liga view on the demo season: a schedule, its import, results for every
// match, and then the standings of the results view against a count made here, and every
// report as a PDF checked by qpdf and pdftotext.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "common/text.h"
#include "support/run_liga.h"
#include "support/season.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;
using liga::testing::RunResult;

using liga::testing::SplitFields;
using liga::testing::Standing;
using liga::testing::Standings;
using liga::testing::TrimBlanks;

// The season is built once for all tests of this file.
class ReportCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_root = new liga::testing::TempDir("reportcmd");
    fs::create_directories(*m_root / "data");
    // The data directory is configured once; --data alone would be for one command.
    ASSERT_EQ(liga("datadir '" + (*m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
    const liga::testing::SeasonPlan plan = liga::testing::ThreeInFourPlayed();
    int matches = 0;
    m_expected = new Standings(liga::testing::PlaySeason(liga, *m_root, plan, &matches));
    ASSERT_GT(matches, 90);
  }
  static void TearDownTestSuite() {
    delete m_root;
    delete m_expected;
  }

  static RunResult liga(const std::string& args) {
    return liga::testing::RunCommand("XDG_CONFIG_HOME='" + (*m_root / "config").string() +
                                     "' XDG_DOCUMENTS_DIR='" + (*m_root / "docs").string() + "' " +
                                     LIGA_BINARY + " --quiet " + args);
  }
  static std::string file(const char* name) { return (*m_root / name).string(); }

  static liga::testing::TempDir* m_root;
  static Standings* m_expected;  // "class|team name" -> standing
};

liga::testing::TempDir* ReportCommandTest::m_root = nullptr;
Standings* ReportCommandTest::m_expected = nullptr;

TEST_F(ReportCommandTest, ResultsViewStandingsEqualTheCount) {
  const RunResult view = liga("view resultat --text");
  ASSERT_EQ(view.status, 0) << view.out;
  std::map<std::string, Standing> actual;
  std::string currentClass;
  bool inTable = false;
  int previousPoints = 1 << 30;
  std::istringstream in(view.out);
  std::string line;
  while (std::getline(in, line)) {
    const auto cells = SplitFields(line, '\t');
    if (line.rfind("LigaWin32: resultattabell: ", 0) == 0) {
      currentClass = TrimBlanks(line.substr(27, line.find(": ", 27) - 27));
      continue;
    }
    if (!cells.empty() && cells[0] == "Lagnamn") {
      inTable = true;
      previousPoints = 1 << 30;
      continue;
    }
    if (line == "--") inTable = false;
    if (!inTable || cells.size() != 7) continue;
    Standing s;
    s.played = std::stoi(cells[1]);
    s.won = std::stoi(cells[2]);
    s.drawn = std::stoi(cells[3]);
    s.lost = std::stoi(cells[4]);
    const auto goals = SplitFields(cells[5], '-');
    s.goalsFor = std::stoi(goals.at(0));
    s.goalsAgainst = std::stoi(goals.at(1));
    s.points = std::stoi(cells[6]);
    EXPECT_LE(s.points, previousPoints) << "rows in standings order";
    previousPoints = s.points;
    actual[currentClass + "|" + TrimBlanks(cells[0])] = s;
  }
  EXPECT_EQ(actual.size(), 26u);
  for (const auto& [team, s] : *m_expected) {
    const auto it = actual.find(team);
    ASSERT_NE(it, actual.end()) << team << "\n" << view.out;
    EXPECT_EQ(it->second, s) << team;
  }
}

TEST_F(ReportCommandTest, EveryReportPrintsToAValidPdf) {
  for (const char* kind :
       {"laglista", "lagspelprogram", "seriespelprogram", "haltmatcher", "resultat"}) {
    const std::string pdf = file((std::string(kind) + ".pdf").c_str());
    const RunResult r = liga(std::string("report ") + kind + " --pdf '" + pdf + "'");
    ASSERT_EQ(r.status, 0) << kind << "\n" << r.out;
    const auto check = RunCommand("qpdf --check '" + pdf + "'");
    EXPECT_EQ(check.status, 0) << kind << "\n" << check.out;
    const auto text = RunCommand("pdftotext '" + pdf + "' -");
    EXPECT_NE(text.out.find("DEMOSERIEN 2027"), std::string::npos) << kind;
    EXPECT_EQ(text.out.find("forts... \n\f\f"), std::string::npos);
  }
  // One job per team, all in one file, each on its own pages.
  const RunResult schedules =
      liga("report lagspelprogram --team 101 --team 1 --pdf '" + file("tva.pdf") + "'");
  ASSERT_EQ(schedules.status, 0) << schedules.out;
  EXPECT_NE(schedules.out.find("utskriftsjobb: 2"), std::string::npos) << schedules.out;
  const auto text = RunCommand("pdftotext '" + file("tva.pdf") + "' -").out;
  EXPECT_NE(text.find("spelpgm: \"IFK Norrby\""), std::string::npos) << text;
  EXPECT_NE(text.find("Antal matcher:"), std::string::npos);
}

TEST_F(ReportCommandTest, ViewsExportToEveryFormat) {
  ASSERT_EQ(liga("view laglista --html '" + file("l.htm") + "'").status, 0);
  EXPECT_EQ(RunCommand("xmllint --html --noout '" + file("l.htm") + "'").out, "");
  ASSERT_EQ(liga("view seriespelprogram --xml '" + file("s.xml") + "'").status, 0);
  const auto html = RunCommand("xsltproc '" + file("s.xsl") + "' '" + file("s.xml") + "'");
  EXPECT_EQ(html.status, 0) << html.out;
  EXPECT_NE(html.out.find("NORRBY IP"), std::string::npos);
  ASSERT_EQ(liga("view resultat --class 'herrar div 4' --pdf '" + file("r.pdf") + "'").status, 0);
  EXPECT_EQ(RunCommand("qpdf --check '" + file("r.pdf") + "'").status, 0);
  const auto text = RunCommand("pdftotext '" + file("r.pdf") + "' -").out;
  EXPECT_NE(text.find("HERRAR DIV 4"), std::string::npos);
  EXPECT_EQ(text.find("DAMER DIV 3"), std::string::npos);
}

TEST_F(ReportCommandTest, RelativeFileNamesAreTheCallersDirectory) {
  const RunResult r = liga::testing::RunCommand(
      "cd '" + m_root->string() + "' && export XDG_CONFIG_HOME='" + (*m_root / "config").string() +
      "' XDG_DOCUMENTS_DIR='" + (*m_root / "docs").string() + "' && " + LIGA_BINARY +
      " --quiet --data '" + (*m_root / "data").string() + "' report laglista --pdf rel.pdf && " +
      LIGA_BINARY + " --quiet --data '" + (*m_root / "data").string() +
      "' view laglista --html rel.htm");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::exists(*m_root / "rel.pdf"));
  EXPECT_TRUE(fs::exists(*m_root / "rel.htm"));
}

TEST_F(ReportCommandTest, BadPicksAndUsage) {
  const RunResult unknown = liga("view laglista --class NOSUCH --text");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.out.find("klassen finns inte: NOSUCH"), std::string::npos) << unknown.out;
  EXPECT_EQ(liga("view laglista").status, 2);
  EXPECT_EQ(liga("view laglista --text --html x.htm").status, 2);
  EXPECT_EQ(liga("report laglista").status, 2);
  EXPECT_EQ(liga("report nosuch --pdf x.pdf").status, 2);
}

}  // namespace
