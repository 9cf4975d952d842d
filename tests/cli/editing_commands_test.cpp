// The editing commands' refusals and usage errors: exit 1 with the system's message and
// nothing stored, exit 2 naming the usage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class EditingCommands : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(m_root / "data"); }

  // The data directory is the configured one, so that the competition a command selects is
  // the one the next command finds (--data lasts one command).
  RunResult liga(const std::string& args) { return liga::testing::RunConfiguredLiga(m_root, args); }
  void season() {
    ASSERT_EQ(liga("init").status, 0);
    ASSERT_EQ(liga("competition add --name Serien").status, 0);
    ASSERT_EQ(liga("class add A").status, 0);
    ASSERT_EQ(liga("team add --class A --name Ett").status, 0);
    ASSERT_EQ(liga("team add --class A --name Tva").status, 0);
    ASSERT_EQ(liga("playtime add '2027-01-10 18:00'").status, 0);
    ASSERT_EQ(liga("match set '2027-01-10 18:00' 1 1 2").status, 0);
  }

  liga::testing::TempDir m_root{"editcmd"};
};

TEST_F(EditingCommands, HelpListsEveryEditingCommand) {
  const std::string help = liga("help").out;
  for (const char* name :
       {"competition add|edit", "class add NAMN", "team add --class", "playtime add", "match set",
        "matches [--playtime", "move MATCHNR", "result MATCHNR"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST_F(EditingCommands, BadUsageExitsTwo) {
  for (const char* args :
       {"class", "class rename A", "class add A --colour red", "team add --name X",
        "team contact 1 23 --name X", "match set P 17 1 2", "match clear P",
        "competition add --giro xx", "competition add --contact 5 X", "result 1 2", "move x P"}) {
    const RunResult r = liga(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    EXPECT_NE(r.out.find("liga "), std::string::npos) << args;
  }
}

TEST_F(EditingCommands, WithoutACompetitionEveryCommandIsRefused) {
  ASSERT_EQ(liga("init").status, 0);
  for (const char* args : {"class add A", "team add --class A --name X", "playtime add P",
                           "matches", "move 1 P", "result 1 1 1", "competition edit --name X"}) {
    const RunResult r = liga(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_NE(r.out.find("<tävling ej vald/inmatad>"), std::string::npos) << args << r.out;
  }
}

TEST_F(EditingCommands, RefusedDeletionsKeepTheirRecords) {
  season();
  RunResult r = liga("class delete A");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Klassen \"A\" har 2 lag och kan inte raderas: radera lagen först."),
            std::string::npos)
      << r.out;
  // Deleting what holds matches asks, and says what goes with it; No keeps everything.
  r = liga("--no playtime delete '2027-01-10 18:00'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("speltiden har matcher och raderades inte (--yes"), std::string::npos)
      << r.out;
  r = liga("--no team delete 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("laget har matcher och raderades inte (--yes"), std::string::npos) << r.out;
  EXPECT_NE(liga("matches").out.find("0001 ETT"), std::string::npos);

  ASSERT_EQ(liga("match clear '2027-01-10 18:00' 1").status, 0);
  r = liga("team delete 1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("StNummer \"0001\", raderad..."), std::string::npos) << r.out;
  EXPECT_EQ(liga("playtime delete '2027-01-10 18:00'").status, 0);
  EXPECT_EQ(liga("matches").out, "");
}

TEST_F(EditingCommands, UnknownRecordsAreNamed) {
  season();
  EXPECT_NE(liga("result 9 1 1").out.find("matchen finns inte: 9"), std::string::npos);
  EXPECT_NE(liga("move 1 '2030-01-01 10:00'").out.find("speltiden finns inte"), std::string::npos);
  EXPECT_NE(liga("team edit 77 --name X").out.find("laget finns inte: 0077"), std::string::npos);
  EXPECT_NE(liga("class edit Z --win 3").out.find("klassen finns inte: Z"), std::string::npos);
  const RunResult r = liga("match set '2027-01-10 18:00' 2 1 99");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("laget finns inte: 0099"), std::string::npos);
}

TEST_F(EditingCommands, CompetitionEditKeepsWhatIsNotGiven) {
  season();
  ASSERT_EQ(liga("competition edit --organiser 'Nordic IF' --contact 3 'Rad ett|Rad två'").status,
            0);
  const RunResult r = liga("competition edit --fee 12x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("fel vid inmatning, endast numerer tillåtna"), std::string::npos);
  ASSERT_EQ(liga("export tavling '" + (m_root / "t.lgw").string() + "'").status, 0);
  const std::string text = liga::testing::ReadFile(m_root / "t.lgw");
  EXPECT_NE(text.find("Nordic IF"), std::string::npos);
  EXPECT_NE(text.find("Serien"), std::string::npos);
  EXPECT_NE(text.find("Rad ett"), std::string::npos);
}

}  // namespace

namespace {

// A class's tie order set through `liga class`: the table it gives, its note, the list
// checked, kept across a rename and carried by the class export.
TEST_F(EditingCommands, TieOrderOrdersTheStandingsAndSaysWhy) {
  season();
  ASSERT_EQ(liga("result 1 2 2").status, 0);
  RunResult table = liga("standings");
  EXPECT_EQ(table.out.find("före"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("   1  Tva"), std::string::npos) << table.out;  // a shared place

  const RunResult bad = liga("class edit A --tiebreak 'inbördes,måltal'");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("Tabellordningen: okänt ord 'måltal'"), std::string::npos) << bad.out;

  ASSERT_EQ(liga("class edit A --tiebreak inbordes,lagnummer").status, 0);
  ASSERT_EQ(liga("class edit A --name B").status, 0);
  table = liga("standings");
  EXPECT_NE(table.out.find("   1  Ett"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("   2  Tva"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("  Ett före Tva: lagnummer 1–2\n"), std::string::npos) << table.out;

  const fs::path file = m_root / "klasser.lgw";
  ASSERT_EQ(liga("export klasser '" + file.string() + "'").status, 0);
  EXPECT_NE(liga::testing::ReadFile(file.string())
                .find("; tabellordning B=po\xE4ng,inb\xF6rdes,lagnummer\r\n"),
            std::string::npos);

  // A backup takes the order along, and the competition restored from it has it.
  const fs::path backup = m_root / "backup";
  fs::create_directories(backup);
  ASSERT_EQ(liga("backup '" + backup.string() + "'").status, 0);
  ASSERT_EQ(liga("restore '" + backup.string() + "'").status, 0);
  ASSERT_EQ(liga("select 2").status, 0);
  EXPECT_NE(liga("standings").out.find("  Ett före Tva: lagnummer 1–2\n"), std::string::npos);
}

}  // namespace
