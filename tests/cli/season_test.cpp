// A whole season from the command line: a new catalogue, the demo competition, a schedule,
// its import, results from a file, and the standings they give.
#include <gtest/gtest.h>
#include <sys/wait.h>
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

using liga::testing::RunResult;

class SeasonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "data");
    // The season's data directory is the configured one: --data would last one command.
    const RunResult configured = run("datadir '" + (m_root / "data").string() + "'");
    ASSERT_EQ(configured.status, 0) << configured.out;
  }

  RunResult run(const std::string& args) {
    return liga::testing::RunCommand("XDG_CONFIG_HOME='" + (m_root / "config").string() +
                                     "' XDG_DOCUMENTS_DIR='" + (m_root / "docs").string() + "' " +
                                     LIGA_BINARY + " " + args);
  }
  RunResult liga(const std::string& args) { return run("--quiet " + args); }

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

  liga::testing::TempDir m_root{"season"};
};

struct Standing {
  int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0, points = 0;
  bool operator==(const Standing&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Standing& s) {
  return os << s.played << "/" << s.won << "/" << s.drawn << "/" << s.lost << " " << s.goalsFor
            << "-" << s.goalsAgainst << " " << s.points << "p";
}

TEST_F(SeasonTest, DemoCreatesACatalogueOnlyInAnEmptyDataDirectory) {
  const RunResult first = run("--verbose demo");
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_NE(first.out.find("importerar \""), std::string::npos);
  EXPECT_NE(first.out.find("demo.lgw\""), std::string::npos);
  EXPECT_NE(first.out.find("IMPORT KLAR!"), std::string::npos);
  const RunResult list = liga("list");
  EXPECT_NE(list.out.find(" 1 * DEMOSERIEN 2027"), std::string::npos) << list.out;
  const RunResult again = liga("demo");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("redan en tävlingskatalog"), std::string::npos) << again.out;
  EXPECT_EQ(liga("list").out, list.out);
}

TEST_F(SeasonTest, DemoSeasonFromScheduleToStandings) {
  ASSERT_EQ(liga("init").status, 0);
  const std::string demo = std::string(LIGA_SOURCE_DIR) + "/examples/demo.lgw";
  ASSERT_EQ(liga("import '" + demo + "'").status, 0);
  const fs::path schedule = m_root / "SPELDAG.LOT";
  const RunResult run = liga("schedule --seed 1 --out '" + schedule.string() + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_TRUE(fs::exists(schedule));
  ASSERT_EQ(liga("import '" + schedule.string() + "'").status, 0);

  // Teams: number -> (name, class); classes: name -> win and draw points.
  ASSERT_EQ(liga("export lag '" + (m_root / "lag.lgw").string() + "'").status, 0);
  ASSERT_EQ(liga("export klasser '" + (m_root / "klasser.lgw").string() + "'").status, 0);
  ASSERT_EQ(liga("export spelmoten '" + (m_root / "spel.lgw").string() + "'").status, 0);
  std::map<std::string, std::pair<int, int>> classPoints;
  for (const auto& l : fileLines(m_root / "klasser.lgw")) {
    if (l.empty() || l[0] == ';' || l[0] == '*') continue;
    std::stringstream ss(l);
    std::string name, rounds, win, draw;
    std::getline(ss, name, ',');
    std::getline(ss, rounds, ',');
    std::getline(ss, win, ',');
    std::getline(ss, draw, ',');
    classPoints[liga::Cp1252ToUtf8(liga::TrimRight(liga::Utf8ToCp1252(name)))] = {std::stoi(win),
                                                                                  std::stoi(draw)};
  }
  std::map<std::string, std::pair<std::string, std::string>> teams;  // key -> name, class
  for (const auto& l : fileLines(m_root / "lag.lgw")) {
    if (l.empty() || l[0] == ';' || l[0] == '*') continue;
    std::stringstream ss(l);
    std::string key, name, cls;
    std::getline(ss, key, ',');
    std::getline(ss, name, ',');
    std::getline(ss, cls, ',');
    teams[key] = {name, cls};
  }
  ASSERT_EQ(teams.size(), 26u);

  // Results for every scheduled match, computed here, and the standings they must give.
  std::map<std::string, Standing> expected;  // "class|display name" -> standing
  std::vector<std::string> results;
  int matchCount = 0;
  for (const auto& l : fileLines(m_root / "spel.lgw")) {
    if (l.rfind("*!", 0) != 0) {
      results.push_back(l);
      continue;
    }
    const std::string home = l.substr(2, 4), away = l.substr(7, 4);
    const int hs = (matchCount * 7) % 4, as = (matchCount * 3) % 3;
    ++matchCount;
    results.push_back(l + "=" + std::to_string(hs) + "-" + std::to_string(as));
    const auto [win, draw] = classPoints.at(teams.at(home).second);
    auto add = [&, win = win, draw = draw](const std::string& key, int own, int other) {
      const std::string shown = liga::Cp1252ToUtf8(
          liga::TeamDisplayName(liga::Utf8ToCp1252(teams.at(key).first), false, true));
      Standing& s = expected[teams.at(key).second + "|" + shown];
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
  ASSERT_GT(matchCount, 90);
  {
    std::ofstream f(m_root / "resultat.lgw", std::ios::binary);
    for (const auto& l : results) f << liga::Utf8ToCp1252(l) << "\r\n";
  }
  // The results file carries the schedule again: replacing it needs a Yes.
  ASSERT_EQ(liga("--yes import '" + (m_root / "resultat.lgw").string() + "'").status, 0);

  const RunResult standings = liga("standings");
  ASSERT_EQ(standings.status, 0);
  std::map<std::string, Standing> actual;
  std::istringstream in(standings.out);
  std::string line;
  std::string currentClass;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != ' ') {
      currentClass = line;  // a class heading
      continue;
    }
    std::vector<std::string> tokens;
    std::istringstream ls(line);
    std::string t;
    while (ls >> t) tokens.push_back(t);
    if (tokens.size() < 8 || tokens[0].find_first_not_of("0123456789") != std::string::npos)
      continue;
    const std::size_t n = tokens.size();
    Standing s;
    s.points = std::stoi(tokens[n - 1]);
    const std::string goals = tokens[n - 2];
    s.goalsFor = std::stoi(goals.substr(0, goals.find('-')));
    s.goalsAgainst = std::stoi(goals.substr(goals.find('-') + 1));
    s.lost = std::stoi(tokens[n - 3]);
    s.drawn = std::stoi(tokens[n - 4]);
    s.won = std::stoi(tokens[n - 5]);
    s.played = std::stoi(tokens[n - 6]);
    std::string name;
    for (std::size_t i = 1; i < n - 6; ++i) name += (i > 1 ? " " : "") + tokens[i];
    actual[currentClass + "|" + name] = s;
  }
  EXPECT_EQ(actual.size(), 26u);
  for (const auto& [name, s] : expected) {
    auto it = actual.find(name);
    ASSERT_NE(it, actual.end()) << name;
    EXPECT_EQ(it->second, s) << name;
  }
  // Every file block is sound after the season.
  for (const auto& entry : fs::directory_iterator(m_root / "data")) {
    if (entry.path().extension() != ".DAT") continue;
    const RunResult check = liga("isam-check '" + entry.path().string() + "'");
    EXPECT_EQ(check.status, 0) << check.out;
  }
}

}  // namespace
