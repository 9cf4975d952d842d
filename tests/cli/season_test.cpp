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
#include "support/season.h"
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

  liga::testing::TempDir m_root{"season"};
};

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
  // Scheduled and imported, then results for every match; the table shows display names.
  liga::testing::SeasonPlan plan;
  plan.score = [](int i) -> std::optional<std::pair<int, int>> {
    return std::pair{(i * 7) % 4, (i * 3) % 3};
  };
  plan.shownName = [](const std::string& name) {
    return liga::Cp1252ToUtf8(liga::TeamDisplayName(liga::Utf8ToCp1252(name), false, true));
  };
  int matches = 0;
  const liga::testing::Standings expected = liga::testing::PlaySeason(
      [this](const std::string& a) { return liga(a); }, m_root, plan, &matches);
  ASSERT_GT(matches, 90);

  const RunResult standings = liga("standings");
  ASSERT_EQ(standings.status, 0);
  const liga::testing::Standings actual = liga::testing::ParseStandingsTable(standings.out);
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
