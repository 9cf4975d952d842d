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
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;
using liga::testing::RunResult;

struct Standing {
  int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0, points = 0;
  bool operator==(const Standing&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Standing& s) {
  return os << s.played << "/" << s.won << "/" << s.drawn << "/" << s.lost << " " << s.goalsFor
            << "-" << s.goalsAgainst << " " << s.points << "p";
}

std::vector<std::string> split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::stringstream ss(line);
  std::string field;
  while (std::getline(ss, field, sep)) out.push_back(field);
  return out;
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The season is built once for all tests of this file.
class ReportCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_root = new liga::testing::TempDir("reportcmd");
    fs::create_directories(*m_root / "data");
    m_expected = new std::map<std::string, Standing>;
    // The data directory is configured once; --data alone would be for one command.
    ASSERT_EQ(liga("datadir '" + (*m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
    const fs::path schedule = *m_root / "SPELDAG.LOT";
    ASSERT_EQ(liga("schedule --seed 1 --out '" + schedule.string() + "'").status, 0);
    ASSERT_EQ(liga("import '" + schedule.string() + "'").status, 0);
    ASSERT_EQ(liga("export lag '" + (*m_root / "lag.lgw").string() + "'").status, 0);
    ASSERT_EQ(liga("export klasser '" + (*m_root / "klasser.lgw").string() + "'").status, 0);
    ASSERT_EQ(liga("export spelmoten '" + (*m_root / "spel.lgw").string() + "'").status, 0);
    std::map<std::string, std::pair<int, int>> classPoints;
    for (const auto& l : fileLines(*m_root / "klasser.lgw")) {
      if (l.empty() || l[0] == ';' || l[0] == '*') continue;
      const auto f = split(l, ',');
      classPoints[trim(f.at(0))] = {std::stoi(f.at(2)), std::stoi(f.at(3))};
    }
    std::map<std::string, std::pair<std::string, std::string>> teams;  // key -> name, class
    for (const auto& l : fileLines(*m_root / "lag.lgw")) {
      if (l.empty() || l[0] == ';' || l[0] == '*') continue;
      const auto f = split(l, ',');
      teams[f.at(0)] = {f.at(1), trim(f.at(2))};
    }
    // Results for three of four matches; the fourth stays unplayed.
    std::vector<std::string> results;
    int n = 0;
    for (const auto& l : fileLines(*m_root / "spel.lgw")) {
      if (l.rfind("*!", 0) != 0) {
        results.push_back(l);
        continue;
      }
      const int i = n++;
      if (i % 4 == 3) {
        results.push_back(l);
        continue;
      }
      const std::string home = l.substr(2, 4), away = l.substr(7, 4);
      const int hs = (i * 5) % 4, as = (i * 3) % 3;
      results.push_back(l + "=" + std::to_string(hs) + "-" + std::to_string(as));
      const auto [win, draw] = classPoints.at(teams.at(home).second);
      auto add = [&, win = win, draw = draw](const std::string& key, int own, int other) {
        Standing& s = (*m_expected)[teams.at(key).second + "|" + trim(teams.at(key).first)];
        ++s.played;
        s.goalsFor += own;
        s.goalsAgainst += other;
        if (own > other) {
          ++s.won;
          s.points += win;
        } else if (own == other) {
          ++s.drawn;
          s.points += draw;
        } else {
          ++s.lost;
        }
      };
      add(home, hs, as);
      add(away, as, hs);
    }
    ASSERT_GT(n, 90);
    std::ofstream f(*m_root / "resultat.lgw", std::ios::binary);
    for (const auto& l : results) f << liga::Utf8ToCp1252(l) << "\r\n";
    f.close();
    ASSERT_EQ(liga("--yes import '" + (*m_root / "resultat.lgw").string() + "'").status, 0);
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
  static std::vector<std::string> fileLines(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(f, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.push_back(liga::Cp1252ToUtf8(line));
    }
    return out;
  }
  static std::string file(const char* name) { return (*m_root / name).string(); }

  static liga::testing::TempDir* m_root;
  static std::map<std::string, Standing>* m_expected;  // "class|team name" -> standing
};

liga::testing::TempDir* ReportCommandTest::m_root = nullptr;
std::map<std::string, Standing>* ReportCommandTest::m_expected = nullptr;

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
    const auto cells = split(line, '\t');
    if (line.rfind("LigaWin32: resultattabell: ", 0) == 0) {
      currentClass = trim(line.substr(27, line.find(": ", 27) - 27));
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
    const auto goals = split(cells[5], '-');
    s.goalsFor = std::stoi(goals.at(0));
    s.goalsAgainst = std::stoi(goals.at(1));
    s.points = std::stoi(cells[6]);
    EXPECT_LE(s.points, previousPoints) << "rows in standings order";
    previousPoints = s.points;
    actual[currentClass + "|" + trim(cells[0])] = s;
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
