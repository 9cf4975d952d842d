// A season played through `liga` for the command tests, and the standings oracle they
// compare the program's tables with: the points and goals counted here from the results the
// test itself chose, never read back from the program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/encoding.h"
#include "support/run_liga.h"

namespace liga::testing {

struct Standing {
  int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0, points = 0;
  bool operator==(const Standing&) const = default;

  // One match seen from this team's side, with its class's points for a win and a draw.
  void add(int own, int other, int winPoints, int drawPoints) {
    ++played;
    goalsFor += own;
    goalsAgainst += other;
    if (own > other) {
      ++won;
      points += winPoints;
    } else if (own == other) {
      ++drawn;
      points += drawPoints;
    } else {
      ++lost;
    }
  }
};

inline std::ostream& operator<<(std::ostream& os, const Standing& s) {
  return os << s.played << "/" << s.won << "/" << s.drawn << "/" << s.lost << " " << s.goalsFor
            << "-" << s.goalsAgainst << " " << s.points << "p";
}

// "class|team" -> standing.
using Standings = std::map<std::string, Standing>;

inline std::vector<std::string> SplitFields(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::stringstream ss(line);
  std::string field;
  while (std::getline(ss, field, sep)) out.push_back(field);
  return out;
}

inline std::string TrimBlanks(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The lines of a CR LF or LF file in code page 1252, as UTF-8 without their line ends.
inline std::vector<std::string> Cp1252FileLines(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::vector<std::string> out;
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(Cp1252ToUtf8(line));
  }
  return out;
}

// "class|display name" -> standing, read from the output of `liga standings`: a line that
// does not start with a blank names a class; a team row starts with its place and ends
// with played, won, drawn, lost, goals "for-against" and points.
inline Standings ParseStandingsTable(const std::string& out) {
  Standings actual;
  std::istringstream in(out);
  std::string line, currentClass;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != ' ') {
      currentClass = line;
      continue;
    }
    std::vector<std::string> tokens;
    std::istringstream ls(line);
    for (std::string t; ls >> t;) tokens.push_back(t);
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
  return actual;
}

// Runs `liga` with the given arguments (the caller's configuration and data directory).
using LigaRunner = std::function<RunResult(const std::string& args)>;

struct SeasonPlan {
  // The result of the i-th match of the exported schedule (0-based), or none to leave it
  // unplayed.
  std::function<std::optional<std::pair<int, int>>(int i)> score;
  // The key a team's row has in the program's table, from the team name as exported.
  std::function<std::string(const std::string& exportedName)> shownName;
};

// Three of every four matches played (the fourth stays open), draws now and then; rows
// keyed by the exported name without its blanks.
inline SeasonPlan ThreeInFourPlayed() {
  SeasonPlan plan;
  plan.score = [](int i) -> std::optional<std::pair<int, int>> {
    if (i % 4 == 3) return std::nullopt;
    return std::pair{(i * 5) % 4, (i * 3) % 3};
  };
  plan.shownName = TrimBlanks;
  return plan;
}

// Schedules the competition that is open (seed 1), imports the schedule, exports teams,
// classes and matches into `root`, writes a results file with the plan's scores, imports
// it (with a Yes, as it carries the schedule again) and returns the standings counted from
// those scores, "class|shown name" -> standing. Failures are reported to GoogleTest; the
// count of matches is `*matches`.
inline Standings PlaySeason(const LigaRunner& liga, const std::filesystem::path& root,
                            const SeasonPlan& plan, int* matches = nullptr) {
  Standings expected;
  const std::string schedule = (root / "SPELDAG.LOT").string();
  const RunResult scheduled = liga("schedule --seed 1 --out '" + schedule + "'");
  EXPECT_EQ(scheduled.status, 0) << scheduled.out;
  EXPECT_EQ(liga("import '" + schedule + "'").status, 0);
  for (const char* kind : {"lag", "klasser", "spelmoten"}) {
    const RunResult r = liga(std::string("export ") + kind + " '" +
                             (root / (std::string(kind) + ".lgw")).string() + "'");
    EXPECT_EQ(r.status, 0) << r.out;
  }
  std::map<std::string, std::pair<int, int>> classPoints;
  for (const auto& l : Cp1252FileLines(root / "klasser.lgw")) {
    if (l.empty() || l[0] == ';' || l[0] == '*') continue;
    const auto f = SplitFields(l, ',');
    classPoints[TrimBlanks(f.at(0))] = {std::stoi(f.at(2)), std::stoi(f.at(3))};
  }
  std::map<std::string, std::pair<std::string, std::string>> teams;  // key -> name, class
  for (const auto& l : Cp1252FileLines(root / "lag.lgw")) {
    if (l.empty() || l[0] == ';' || l[0] == '*') continue;
    const auto f = SplitFields(l, ',');
    teams[f.at(0)] = {f.at(1), TrimBlanks(f.at(2))};
  }
  std::vector<std::string> results;
  int n = 0;
  for (const auto& l : Cp1252FileLines(root / "spelmoten.lgw")) {
    if (l.rfind("*!", 0) != 0) {
      results.push_back(l);
      continue;
    }
    const auto score = plan.score(n++);
    if (!score) {
      results.push_back(l);
      continue;
    }
    const auto [hs, as] = *score;
    const std::string home = l.substr(2, 4), away = l.substr(7, 4);
    results.push_back(l + "=" + std::to_string(hs) + "-" + std::to_string(as));
    const auto [win, draw] = classPoints.at(teams.at(home).second);
    auto key = [&](const std::string& team) {
      return teams.at(team).second + "|" + plan.shownName(teams.at(team).first);
    };
    expected[key(home)].add(hs, as, win, draw);
    expected[key(away)].add(as, hs, win, draw);
  }
  if (matches != nullptr) *matches = n;
  {
    std::ofstream f(root / "resultat.lgw", std::ios::binary);
    for (const auto& l : results) f << Utf8ToCp1252(l) << "\r\n";
  }
  const RunResult imported = liga("--yes import '" + (root / "resultat.lgw").string() + "'");
  EXPECT_EQ(imported.status, 0) << imported.out;
  return expected;
}

}  // namespace liga::testing
