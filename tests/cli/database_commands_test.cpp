// The `liga` database commands end to end: a competition built through the database,
// then the commands run as a separate process on the same data directory.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/db_fixture.h"
#include "support/run_liga.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

using CliRun = liga::testing::RunResult;

class CliTest : public testing::DbFixture {
 protected:
  // Runs `liga ARGS` on the fixture's data directory, made the configured one first (a
  // --data directory would not remember the selection from one command to the next).
  CliRun liga(const std::string& args) {
    if (!m_configured) {
      m_configured = true;
      run("datadir " + m_dir.string());
    }
    return run(args);
  }
  CliRun run(const std::string& args) {
    return liga::testing::RunCommand(std::string(LIGA_BINARY) + " --quiet --config " +
                                     (m_dir / "cfg" / "LigaWin32.P32").string() + " " + args);
  }

  // Closes the fixture's database and lets go of the data directory's lock, so the command
  // sees the files at rest and may use them.
  void release() {
    m_db.closeAll();
    m_db.releaseDataDir();
  }

  bool m_configured = false;
};

TEST_F(CliTest, ScenarioThroughTheCommands) {
  newCompetition("V\xE5rcupen");
  const auto c = addClass("P12", 1);
  const auto a = addTeam("IFK NORRBY", c), b = addTeam("BK ZEUS", c), gone = addTeam("X", c),
             d = addTeam("SK LEJON", c);
  const auto pt = addPlayTime("2026-05-01 10:00");
  addMatch(pt, a, b, 3, 1);
  addMatch(pt, d, a, 2, 2);
  ASSERT_TRUE(m_db.removeTeam("", gone, true));
  release();

  CliRun r = liga("select 1");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, " 1 V\xC3\xA5rcupen\n");
  r = liga("list");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), " 1 * V\xC3\xA5rcupen");

  r = liga("rebuild");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* block : {"cupfiles", "klass01", "lg01", "game01"}) {
    r = liga("isam-check " + (m_dir / block).string());
    EXPECT_EQ(r.status, 0) << r.out;
  }

  r = liga("standings --class p12");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("   1  IFK Norrby"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   2  SK Lejon"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   3  BK Zeus"), std::string::npos) << r.out;
  r = liga("teams");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0001  P12             IFK Norrby"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("X\n"), std::string::npos);  // the removed team is gone

  r = liga("info");
  EXPECT_NE(r.out.find("1a=2233 2=562 3a=11665 4=863 5=966 6=322 7=  9\n"), std::string::npos);
  EXPECT_NE(r.out.find("ospelade matcher: 1\n"), std::string::npos)
      << r.out;  // 3 matches, 2 played

  r = liga("backup " + (m_dir / "kopia").string());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::exists(m_dir / "kopia" / "lg01.DAT"));
  r = liga("backup " + (m_dir / "kopia").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("finns redan"), std::string::npos) << r.out;

  EXPECT_EQ(liga("teams --class OKAND").status, 1);
  EXPECT_EQ(liga("select 0").status, 2);
  EXPECT_EQ(liga("--no delete 1").status, 1);
  EXPECT_TRUE(fs::exists(m_dir / "lg01.DAT"));
  r = liga("--yes delete 1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(fs::exists(m_dir / "lg01.DAT"));
  EXPECT_EQ(liga("select 1").status, 1);  // "raderad"
}

TEST_F(CliTest, InitAsksBeforeReplacingACatalogue) {
  newCompetition("Cup");
  release();
  EXPECT_EQ(liga("--no init").status, 1);
  EXPECT_EQ(liga("list").out.substr(0, 7), " 1   Cu");
  EXPECT_EQ(liga("--yes init").status, 0);
  EXPECT_EQ(liga("list").out.substr(0, 11), " 1   vakant");
}

}  // namespace
}  // namespace liga

namespace liga {
namespace {

// Overwrites 4 bytes of `file` at `offset` with `value` (little-endian).
void Patch32(const std::filesystem::path& file, std::streamoff offset, std::int32_t value) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(f.good()) << file;
  f.seekp(offset);
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  f.write(reinterpret_cast<const char*>(bytes), 4);
}

// A data file damaged on disk is named as such, with the advice to restore a backup (no
// index rebuild repairs it); a rebuild lists every record it could not carry over and exits 1.
TEST_F(CliTest, DamagedDataFilesAreNamedAndRebuildListsTheRecordsItLeaves) {
  newCompetition("Cup");
  const auto c = addClass("P12", 1);
  for (const char* name : {"ETT", "TVA", "TRE"}) addTeam(name, c);
  release();
  ASSERT_EQ(liga("select 1").status, 0);

  // Team record 2's status is neither "in use" (0) nor a link of the free chain.
  Patch32(m_dir / "lg01.DAT", 2 * 11665, 0x7FFFFFF0);
  CliRun r = liga("rebuild");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("lg01.Dat post 2"), std::string::npos) << r.out;
  r = liga("teams");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("Tva"), std::string::npos) << r.out;

  // The class file's header gives a record length no block has.
  Patch32(m_dir / "klass01.DAT", 12, 7);
  r = liga("info");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("datafilen är skadad"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("säkerhetskopia"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("indexbygg reparerar index"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace liga
