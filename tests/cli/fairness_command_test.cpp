// liga fairness on the demo season: the summary lines must equal the figures this test
// computes by itself from the schedule file and the demo's team list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "demo_files.h"
#include "support/run_liga.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;
using namespace liga::testing::demo;

struct Match {
  std::optional<std::chrono::sys_days> day;
  bool placeholder;
  int home, away;
};

// The matches of each class in file order, straight from the schedule file's lines.
std::map<std::string, std::vector<Match>> ScheduleByClass(const fs::path& file,
                                                          const std::map<int, std::string>& cls) {
  std::map<std::string, std::vector<Match>> out;
  std::string playTime;
  bool inPlayTimes = false;
  for (const std::string& line : FileLines(file)) {
    if (line == "*Speldag") inPlayTimes = true;
    if (line == "*Lottad") inPlayTimes = false;
    if (!inPlayTimes || line.empty() || line[0] == ';' || line == "*Speldag") continue;
    if (line.rfind("*!", 0) != 0) {
      playTime = line.substr(0, line.find(','));
      continue;
    }
    for (const std::string& item : Split(line.substr(2), ',')) {
      if (item.empty()) continue;
      const std::size_t dash = item.find('-');
      Match m{std::nullopt, playTime.find("\xC4ndrtid") != std::string::npos,
              std::stoi(item.substr(0, dash)), std::stoi(item.substr(dash + 1))};
      if (!m.placeholder) {
        using namespace std::chrono;
        m.day = sys_days(year(std::stoi(playTime.substr(0, 4))) /
                         month(unsigned(std::stoi(playTime.substr(5, 2)))) /
                         day(unsigned(std::stoi(playTime.substr(8, 2)))));
      }
      out[cls.at(m.home)].push_back(m);
    }
  }
  return out;
}

// The summary figures of one class, computed from its matches.
std::string Summary(const std::vector<Match>& matches) {
  const std::size_t half = (matches.size() + 1) / 2;
  std::map<int, std::vector<std::pair<std::size_t, int>>> byTeam;  // (index, +1 home/-1 away)
  for (std::size_t i = 0; i < matches.size(); ++i) {
    byTeam[matches[i].home].push_back({i, +1});
    byTeam[matches[i].away].push_back({i, -1});
  }
  int breaks = 0, worst = 0, worstHalf = 0, consecutive = 0, placeholders = 0;
  std::optional<long> shortest;
  for (const Match& m : matches) placeholders += m.placeholder;
  for (const auto& [team, list] : byTeam) {
    int sum = 0, first = 0, second = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
      const auto [i, side] = list[k];
      sum += side;
      (i < half ? first : second) += side;
      if (k == 0) continue;
      const auto [j, previousSide] = list[k - 1];
      if (side == previousSide) ++breaks;
      if (matches[i].day && matches[j].day) {
        const long days = (*matches[i].day - *matches[j].day).count();
        if (!shortest || days < *shortest) shortest = days;
        if (days == 1) ++consecutive;
      }
    }
    worst = std::max(worst, std::abs(sum));
    worstHalf = std::max({worstHalf, std::abs(first), std::abs(second)});
  }
  // The floor of a schedule in rounds: n - 2 for an even number of teams, else 0.
  const std::size_t n = byTeam.size();
  const bool complete = n >= 2 && matches.size() % (n * (n - 1) / 2) == 0;
  const std::string floor = !complete ? "-" : std::to_string(n % 2 == 0 ? n - 2 : 0);
  return "brott " + std::to_string(breaks) + " (golv " + floor + "), värsta hemma/borta-skillnad " +
         std::to_string(worst) + " (per halva " + std::to_string(worstHalf) + "), kortaste vila " +
         (shortest ? std::to_string(*shortest) + (*shortest == 1 ? " dag" : " dagar") : "-") +
         ", dag efter dag " + std::to_string(consecutive) + ", ändrtider " +
         std::to_string(placeholders) + ", maskbrott 0";
}

// "CLASS" -> the rest of its "Summering CLASS: ..." line.
std::map<std::string, std::string> SummaryLines(const std::string& out) {
  std::map<std::string, std::string> lines;
  for (const std::string& line : Split(out, '\n')) {
    if (line.rfind("Summering ", 0) != 0) continue;
    const std::size_t colon = line.find(": brott");
    lines[Trim(line.substr(10, colon - 10))] = line.substr(colon + 2);
  }
  return lines;
}

class FairnessCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("liga_fairness_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "data");
    ASSERT_EQ(liga("datadir '" + (root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
  }
  void TearDown() override { fs::remove_all(root); }

  RunResult liga(const std::string& args) {
    return liga::testing::RunSplit("XDG_CONFIG_HOME='" + (root / "config").string() + "' " +
                                   LIGA_BINARY + " --quiet " + args);
  }

  fs::path root;
};

TEST_F(FairnessCommandTest, DemoSeasonSummariesMatchAnIndependentCount) {
  const fs::path demo = fs::path(LIGA_SOURCE_DIR) / "examples/demo.lgw";
  const fs::path mask = fs::path(LIGA_SOURCE_DIR) / "examples/demo.msk";
  const std::map<int, std::string> classes = DemoTeamClasses(demo);
  ASSERT_FALSE(classes.empty());
  for (int seed : {1, 2}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const fs::path file = root / ("SPELDAG" + std::to_string(seed) + ".LOT");
    const RunResult run = liga("--yes schedule --seed " + std::to_string(seed) + " --mask '" +
                               mask.string() + "' --out '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const RunResult report = liga("fairness '" + file.string() + "'");
    ASSERT_EQ(report.status, 0) << report.err;
    const std::map<std::string, std::string> got = SummaryLines(report.out);
    const auto byClass = ScheduleByClass(file, classes);
    ASSERT_EQ(got.size(), byClass.size()) << report.out;
    for (const auto& [name, matches] : byClass) {
      ASSERT_TRUE(got.count(name)) << name << "\n" << report.out;
      EXPECT_EQ(got.at(name), Summary(matches)) << name;
    }
    // The same schedule, imported, gives the same figures from the competition.
    ASSERT_EQ(liga("--yes import '" + file.string() + "'").status, 0);
    const RunResult imported = liga("fairness --mask '" + mask.string() + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(SummaryLines(imported.out), got);
  }
  // The grid view exports a summary row per class.
  const fs::path xml = root / "rattvisa.xml";
  const RunResult view = liga("view rättvisa --xml '" + xml.string() + "'");
  ASSERT_EQ(view.status, 0) << view.out << view.err;
  std::ifstream in(xml, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // One summary row per class, its worst balance written "±n" (the file is code page 1252).
  std::size_t summaries = 0;
  for (std::size_t at = text.find("\xB1"); at != std::string::npos; at = text.find("\xB1", at + 1))
    ++summaries;
  EXPECT_EQ(summaries, 3u * 4);  // under Hemma, Borta and both halves
}

TEST_F(FairnessCommandTest, UsageAndMissingFilesAreRefused) {
  EXPECT_EQ(liga("fairness a b").status, 2);
  EXPECT_EQ(liga("fairness --bogus").status, 2);
  EXPECT_EQ(liga("fairness --mask").status, 2);
  const RunResult missing = liga("fairness '" + (root / "nothere.lot").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothere.lot"), std::string::npos) << missing.err;
  // The demo has play times but no matches before a schedule is imported.
  const RunResult empty = liga("fairness");
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("inga matcher"), std::string::npos) << empty.err;
}

}  // namespace
