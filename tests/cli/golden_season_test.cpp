// What the demo season shows, byte for byte: the command tables, every text view, the
// exchange files and each team's schedule mail page, against files kept under
// tests/cli/golden/season. A change to how matches or standings are read or ordered shows
// here as a difference. LIGA_UPDATE_GOLDEN=1 writes the files anew.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "database/database.h"
#include "mail/schedule_mail.h"
#include "support/db_fixture.h"
#include "support/file_io.h"
#include "support/golden.h"
#include "support/season.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class GoldenSeason : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_root = new liga::testing::TempDir("golden");
    fs::create_directories(*s_root / "data");
    ASSERT_EQ(liga("datadir '" + (*s_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
    const liga::testing::SeasonPlan plan = liga::testing::ThreeInFourPlayed();
    liga::testing::PlaySeason(liga, *s_root, plan);
  }
  static void TearDownTestSuite() { delete s_root; }

  static RunResult liga(const std::string& args) {
    return liga::testing::RunCommand("XDG_CONFIG_HOME='" + (*s_root / "config").string() +
                                     "' XDG_DOCUMENTS_DIR='" + (*s_root / "docs").string() + "' " +
                                     LIGA_BINARY + " --quiet " + args);
  }

  static void expectGolden(const std::string& name, const std::string& bytes) {
    liga::testing::ExpectGolden("cli/golden/season/" + name, bytes);
  }

  static liga::testing::TempDir* s_root;
};

liga::testing::TempDir* GoldenSeason::s_root = nullptr;

using liga::testing::WithoutTitleDates;

TEST_F(GoldenSeason, CommandTablesAndTextViews) {
  const std::vector<std::pair<std::string, std::string>> outputs = {
      {"standings.txt", "standings"},
      {"matches.txt", "matches"},
      {"classes.txt", "classes"},
      {"teams.txt", "teams"},
      {"view-laglista.txt", "view laglista --text"},
      {"view-lagspelprogram.txt", "view lagspelprogram --text"},
      {"view-seriespelprogram.txt", "view seriespelprogram --text"},
      {"view-haltmatcher.txt", "view haltmatcher --text"},
      {"view-resultat.txt", "view resultat --text"},
  };
  for (const auto& [name, args] : outputs) {
    const RunResult r = liga(args);
    ASSERT_EQ(r.status, 0) << args << "\n" << r.out;
    expectGolden(name, WithoutTitleDates(r.out));
  }
}

TEST_F(GoldenSeason, ExchangeFiles) {
  for (const std::string kind : {"tavling", "klasser", "lag", "spelmoten", "resultat"}) {
    const fs::path file = *s_root / (kind + ".golden.lgw");
    ASSERT_EQ(liga("--yes export " + kind + " '" + file.string() + "'").status, 0) << kind;
    // Comment lines carry the date of the export.
    std::string kept;
    for (const auto& line : liga::testing::Cp1252FileLines(file))
      if (line.empty() || line[0] != ';') kept += line + "\n";
    expectGolden("export-" + kind + ".lgw", kept);
  }
}

TEST_F(GoldenSeason, ScheduleMailPages) {
  liga::Database db;
  const liga::FakeClock clock(0);
  db.setAccess(liga::DataDirAccess::Read);
  liga::testing::OpenDatabase(db, *s_root / "data", clock);
  ASSERT_TRUE(db.readCatalogue());
  ASSERT_TRUE(db.selectCompetition(1, false));
  ASSERT_TRUE(db.competitionOpen());
  std::vector<std::int32_t> teams;
  std::string key;
  std::int32_t recNo = 0;
  db.browseTeam(liga::BrowseMode::Clear, key, recNo);
  for (;;) {
    const liga::BrowseResult r = db.browseTeam(liga::BrowseMode::Next, key, recNo);
    if (!r.found || r.atEnd) break;
    teams.push_back(db.teamRecNo());
  }
  ASSERT_EQ(teams.size(), 26u);
  std::string pages;
  for (const std::int32_t t : teams)
    pages += liga::mail::TeamSchedulePage(db, t, "2027-01-10 12:00:00") + "\n";
  db.closeAll();
  expectGolden("mail-pages.html", pages);
}

}  // namespace
