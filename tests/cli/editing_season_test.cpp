// A whole season entered by hand through `liga` alone: competition, classes, teams with
// contacts, play times and matches, a move, results (full, partial, corrected, removed),
// then the files checked, the standings compared with a count made here, and every export
// kind read back into an empty data directory.
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
#include "support/golden.h"
#include "support/run_liga.h"
#include "support/season.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class HandEnteredSeason : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "data");
    fs::create_directories(m_root / "copy");
  }

  // Each data directory is the configured one of a configuration of its own, so that the
  // competition a command selects is the one the next command finds (--data lasts one
  // command and remembers nothing).
  RunResult liga(const std::string& args, const std::string& data = "data") {
    const std::string env = "XDG_CONFIG_HOME='" + (m_root / ("config-" + data)).string() +
                            "' XDG_DOCUMENTS_DIR='" + (m_root / "docs").string() + "' " +
                            LIGA_BINARY + " --quiet ";
    if (!fs::exists(m_root / ("config-" + data))) {
      const RunResult configured =
          liga::testing::RunCommand(env + "datadir '" + (m_root / data).string() + "'");
      EXPECT_EQ(configured.status, 0) << configured.out;
    }
    return liga::testing::RunCommand(env + args);
  }
  // Runs a command that must succeed and returns its output.
  std::string ok(const std::string& args) {
    const RunResult r = liga(args);
    EXPECT_EQ(r.status, 0) << "liga " << args << "\n" << r.out;
    return r.out;
  }
  // Runs a command that must be refused with `message` and leave `check` output unchanged.
  void refused(const std::string& args, const std::string& message, const std::string& check) {
    const std::string before = liga(check).out;
    const RunResult r = liga(args);
    EXPECT_EQ(r.status, 1) << "liga " << args << "\n" << r.out;
    EXPECT_NE(r.out.find(message), std::string::npos) << "liga " << args << "\n" << r.out;
    EXPECT_EQ(liga(check).out, before) << "liga " << args << " stored something";
  }

  static std::vector<std::string> records(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(f, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != ';') out.push_back(line);  // comments carry dates
    }
    return out;
  }

  // The lines of `liga matches` without the slot and match number, a partial result shown
  // as none.
  static std::vector<std::string> carried(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] != ' ') {
        lines.push_back(line);
        continue;
      }
      std::string match = line.substr(12);
      const std::size_t n = match.size();
      // ... home score (3) " -" away score (3)
      const std::string home = match.substr(n - 8, 3), away = match.substr(n - 3);
      if ((home == "  -") != (away == "  -")) match = match.substr(0, n - 8) + "  - -  -";
      lines.push_back(match);
    }
    return lines;
  }

  liga::testing::TempDir m_root{"hand"};
};

TEST_F(HandEnteredSeason, FromTheFirstClassToExportedStandings) {
  ok("init");
  ok("competition add --name 'Höstserien 2027' --organiser 'Nordic IF' --sport fotboll "
     "--rounds 2 --fee 450 --giro bg --bankgiro 123-4567 "
     "--contact 1 'Kansliet|Box 12|123 45 Norrby' --contact 2 'Domaransvarig|Eva Ek'");

  struct ClassDef {
    std::string name, options;
    int win, draw;
  };
  const std::vector<ClassDef> classes = {{"Herrar A", "", 2, 1},
                                         {"Damer", "--first 101 --win 3", 3, 1},
                                         {"Pojkar 15", "--first 201 --rounds 1 --draw 0", 2, 0}};
  for (const auto& c : classes) ok("class add '" + c.name + "' " + c.options);
  refused("class add 'herrar a'", "Måste vara unik", "classes");
  refused("class add P16 --win x", "fel vid inmatning, endast numerer tillåtna", "classes");

  // Twelve teams, four per class, numbered by the editor from the class's first number.
  struct Team {
    std::string number, name, cls;
  };
  std::vector<Team> teams;
  const char* names[] = {"IFK Alfa", "Bk Beta", "Ceder IF", "Delta FF", "Echo DFF", "Fox IK",
                         "Gamma IF", "Hugo BK", "Iris IK",  "Jota FK",  "Kappa IF", "Lamda SK"};
  for (int i = 0; i < 12; ++i) {
    const std::string cls = classes[i / 4].name;
    std::string options = "--class '" + cls + "' --name '" + names[i] + "'";
    if (i == 1) options += " --points 3 --goals-for 2 --goals-against 1";
    const std::string out = ok("team add " + options);
    teams.push_back({out.substr(0, 4), names[i], cls});
  }
  EXPECT_EQ(teams[0].number, "0001");
  EXPECT_EQ(teams[4].number, "0105");  // file length 5 + 101 - 1
  EXPECT_EQ(teams[8].number, "0209");
  refused("team add --class Damer --name Dubbel --number 105", "lagnumret finns redan registrerad",
          "teams");
  refused("--no team add --class Okand --name X", "Klassen\"OKAND\" saknas.", "classes");
  for (const Team& t : teams) {
    ok("team contact " + t.number + " 0 --name 'Ledare " + t.number +
       "' --street 'Gatan 1' "
       "--town Norrby --email ledare" +
       t.number + "@example.se");
    ok("team contact " + t.number + " 3 --name 'Spelare Tre' --line4 '070-123'");
  }
  ok("team edit " + teams[11].number + " --name 'Lambda SK'");
  teams[11].name = "Lambda SK";

  // Play times; slots 1, a middle slot after a gap, and the last slot.
  const std::string p1 = "2027-09-01 18:00", p2 = "2027-09-08 18:00", p3 = "2027-09-15 18:00";
  ok("playtime add '" + p1 + "' --leader 'Eva Ek'");
  ok("playtime add '" + p2 + "'");
  ok("playtime add '" + p3 + "'");
  refused("playtime add '" + p1 + "'", "speltiden finns redan registrerad", "matches");

  struct Match {
    int home, away;  // indexes into teams
  };
  std::map<int, Match> matches;
  int lastNumber = 0;
  auto set = [&](const std::string& pt, int slot, int home, int away) {
    ok("match set '" + pt + "' " + std::to_string(slot) + " " + teams[home].number + " " +
       teams[away].number);
    matches[++lastNumber] = {home, away};
  };
  set(p1, 1, 0, 1);
  set(p1, 2, 4, 5);
  set(p1, 7, 8, 9);
  set(p1, 16, 2, 3);
  set(p2, 1, 1, 2);
  set(p2, 2, 6, 7);
  set(p2, 3, 10, 11);
  set(p3, 1, 0, 3);
  refused("match set '" + p2 + "' 4 " + teams[0].number + " " + teams[4].number,
          "Lagen måste spela i samma division/klass!!", "matches");
  refused("match set '" + p2 + "' 4 " + teams[1].number + " " + teams[3].number,
          "Lag kan inte spela olika matcher på samma tid!", "matches");
  refused("match set '" + p2 + "' 4 " + teams[3].number + " " + teams[3].number,
          "Lag kan inte spela mot sig själva!", "matches");
  // A slot that is filled and cleared again leaves no match behind.
  ok("match set '" + p3 + "' 2 " + teams[5].number + " " + teams[6].number + "");
  ok("match clear '" + p3 + "' 2");
  ++lastNumber;  // the cleared match had its number

  ok("move 2 '" + p3 + "'");
  refused("move 3 '" + p1 + "'", "Meningslöst att flytta till samma speltid", "matches");

  // Results: number -> (home, away); negative is no result.
  std::map<int, std::pair<int, int>> results = {{1, {3, 1}}, {2, {0, 0}}, {3, {2, 4}}, {4, {1, 1}},
                                                {5, {2, 0}}, {6, {5, 2}}, {7, {1, 3}}, {8, {4, 4}}};
  for (const auto& [n, r] : results)
    ok("result " + std::to_string(n) + " " + std::to_string(r.first) + " " +
       std::to_string(r.second));
  ok("result 1 2 2");  // corrected
  results[1] = {2, 2};
  ok("result 8 -1 -1");  // removed
  results.erase(8);
  ok("result 6 3 -1");  // partial
  results.erase(6);
  {
    // A malformed score is a usage error that names the value.
    const std::string before = liga("matches").out;
    const RunResult r = liga("result 7 x 1");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("HEMMA måste vara ett heltal"), std::string::npos) << r.out;
    EXPECT_EQ(liga("matches").out, before);
  }

  // The count made here.
  liga::testing::Standings expected;
  auto key = [](const Team& t) {
    const std::string cls = liga::UpCase(liga::Utf8ToCp1252(t.cls));
    const std::string name =
        liga::TeamDisplayName(liga::UpCase(liga::Utf8ToCp1252(t.name)), false, true);
    return liga::Cp1252ToUtf8(cls) + "|" + liga::Cp1252ToUtf8(name);
  };
  for (const Team& t : teams) expected[key(t)];
  expected[key(teams[1])].points += 3;
  expected[key(teams[1])].goalsFor += 2;
  expected[key(teams[1])].goalsAgainst += 1;
  for (const auto& [n, r] : results) {
    const Match m = matches.at(n);
    const ClassDef& c = classes[m.home / 4];
    expected[key(teams[m.home])].add(r.first, r.second, c.win, c.draw);
    expected[key(teams[m.away])].add(r.second, r.first, c.win, c.draw);
  }
  const std::string table = ok("standings");
  const auto actual = liga::testing::ParseStandingsTable(table);
  EXPECT_EQ(actual.size(), 12u) << table;
  for (const auto& [name, s] : expected) {
    auto it = actual.find(name);
    ASSERT_NE(it, actual.end()) << name << "\n" << table;
    EXPECT_EQ(it->second, s) << name;
  }
  // Open matches per class: all of a class's round robin less its full results
  // (Herrar A: 1, 4, 5; Damer: 2 — 6 is partial, 8 was removed; Pojkar: 3, 7).
  const std::string classList = ok("classes");
  for (const char* line : {"DAMER                     4   2      12    11",
                           "HERRAR A                  4   2      12     9",
                           "POJKAR 15                 4   1       6     4"})
    EXPECT_NE(classList.find(line), std::string::npos) << line << "\n" << classList;

  for (const auto& entry : fs::directory_iterator(m_root / "data")) {
    if (entry.path().extension() != ".DAT") continue;
    const RunResult check = liga("isam-check '" + entry.path().string() + "'");
    EXPECT_EQ(check.status, 0) << check.out;
  }
  // What the season shows, byte for byte.
  for (const std::string view : {"matches", "standings", "classes", "teams",
                                 "view lagspelprogram --text", "view resultat --text"}) {
    std::string name = view.substr(0, view.find(" --"));
    for (char& c : name)
      if (c == ' ') c = '_';
    liga::testing::ExpectGolden("cli/golden/hand-entered/" + name + ".txt",
                                liga::testing::WithoutTitleDates(ok(view)));
  }

  // Every export kind, read back into an empty data directory.
  const std::vector<std::string> kinds = {"tavling", "klasser", "lag", "spelmoten", "resultat"};
  std::string files;
  for (const auto& k : kinds) {
    ok("export " + k + " '" + (m_root / (k + ".lgw")).string() + "'");
    files += " '" + (m_root / (k + ".lgw")).string() + "'";
  }
  ASSERT_EQ(liga("init", "copy").status, 0);
  const RunResult imported = liga("--yes import" + files, "copy");
  ASSERT_EQ(imported.status, 0) << imported.out;
  for (const auto& k : kinds) {
    const fs::path again = m_root / (k + ".copy.lgw");
    ASSERT_EQ(liga("export " + k + " '" + again.string() + "'", "copy").status, 0);
    EXPECT_EQ(records(m_root / (k + ".lgw")), records(again)) << k;
  }
  for (const std::string view : {"standings", "classes", "teams"})
    EXPECT_EQ(liga(view, "copy").out, liga(view).out) << view;
  // The exchange format carries each play time's matches in slot order with their full
  // results, not slot positions, match numbers or a partial result.
  EXPECT_EQ(carried(liga("matches", "copy").out), carried(liga("matches").out));
}

}  // namespace
