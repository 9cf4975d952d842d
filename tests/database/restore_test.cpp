// Restoring a backup as a new competition: the restored files equal the backup's record by
// record, and every refusal leaves the data directory as it was.
#include "database/restore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "database/database.h"
#include "exchange/export.h"
#include "storage/isam.h"
#include "support/db_fixture.h"
#include "support/file_io.h"

namespace liga {
namespace {

namespace fs = std::filesystem;
using testing::DbFixture;

// Every record of a block, free ones included, as raw bytes.
std::vector<std::string> Records(FileBlockPtr block, std::size_t length) {
  std::vector<std::string> out;
  for (std::int32_t n = 1; n < FileLen(block); ++n) {
    std::string r(length, '\0');
    GetRec(block, n, r.data());
    EXPECT_TRUE(IsamOK) << n;
    out.push_back(r);
  }
  return out;
}

class RestoreTest : public DbFixture {
 protected:
  // Competition 1 with classes, teams, play times and a result; competition 2 beside it;
  // competition 1 backed up into backup/.
  void SetUp() override {
    DbFixture::SetUp();
    newCompetition("Vårcupen");
    const std::int32_t a = addClass("HERRAR");
    const std::int32_t b = addClass("DAMER");
    const std::int32_t t1 = addTeam("IFK Norrby", a, 101);
    const std::int32_t t2 = addTeam("Åsbo IF", a, 102);
    addTeam("Hälleby", b, 201);
    const std::int32_t pt = addPlayTime("2027-04-10 10:00");
    addPlayTime("2027-04-17 10:00");
    addMatch(pt, t1, t2, 3, 1);
    m_backup = m_dir / "backup";
    fs::create_directories(m_backup);
    m_ui.pickerResults = {m_backup.string()};
    ASSERT_TRUE(m_db.backupCompetition());
    m_original = snapshot();
    newCompetition("Höstcupen");
  }

  struct Competition {
    std::string name;
    std::vector<std::string> classes, teams, playTimes;
    std::vector<std::int32_t> classOrder, playTimeOrder;  // through the indexes
  };
  Competition snapshot() {
    Competition c;
    c.name = m_db.comp().competitionName();
    c.classes = Records(m_db.classFile(), kClassRecLen);
    c.teams = Records(m_db.teamFile(), kTeamRecLen);
    c.playTimes = Records(m_db.playTimeFile(), kPlayTimeRecLen);
    c.classOrder = m_db.classesInKeyOrder();
    c.playTimeOrder = m_db.playTimesInKeyOrder();
    return c;
  }
  // Names and sizes of every file in the data directory.
  std::map<std::string, std::uintmax_t> dataFiles() {
    std::map<std::string, std::uintmax_t> out;
    for (const auto& e : fs::directory_iterator(dataDir()))
      if (e.is_regular_file()) out[e.path().filename().string()] = e.file_size();
    return out;
  }

  fs::path m_backup;
  Competition m_original;
};

TEST_F(RestoreTest, RestoredCompetitionEqualsTheOriginalRecordByRecord) {
  const RestoreResult r = RestoreCompetition(m_db, m_backup.string());
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.backupNumber, 1);
  EXPECT_EQ(r.number, 3);  // the next free number beside competitions 1 and 2
  ASSERT_EQ(m_db.currentCompetition(), 3);
  const Competition restored = snapshot();
  EXPECT_EQ(restored.name, m_original.name);
  EXPECT_EQ(restored.classes, m_original.classes);
  EXPECT_EQ(restored.teams, m_original.teams);
  EXPECT_EQ(restored.playTimes, m_original.playTimes);
  // The keys were copied too.
  EXPECT_EQ(restored.classOrder, m_original.classOrder);
  EXPECT_EQ(restored.playTimeOrder, m_original.playTimeOrder);
  EXPECT_EQ(restored.classOrder.size(), 2u);
  // It exports as the original does, byte for byte.
  auto exports = [&](int competition) {
    EXPECT_TRUE(m_db.selectCompetition(competition, false));
    std::string all;
    for (auto kind : {exchange::ExportKind::Competition, exchange::ExportKind::Classes,
                      exchange::ExportKind::Teams, exchange::ExportKind::Results}) {
      const fs::path out = m_dir / "export.lgw";
      EXPECT_TRUE(exchange::WriteExport(m_db, kind, out.string(), m_clock).written);
      all += testing::ReadFile(out);
    }
    return all;
  };
  EXPECT_EQ(exports(3), exports(1));
  // The two competitions that were there are untouched.
  ASSERT_TRUE(m_db.selectCompetition(1, false));
  EXPECT_EQ(snapshot().teams, m_original.teams);
  ASSERT_TRUE(m_db.selectCompetition(2, false));
  EXPECT_EQ(m_db.comp().competitionName(), "Höstcupen");  // stored as the fixture gave it
}

TEST_F(RestoreTest, RefusalsLeaveTheDataDirectoryAsItWas) {
  const auto before = dataFiles();

  const fs::path empty = m_dir / "empty";
  fs::create_directories(empty);
  RestoreResult r = RestoreCompetition(m_db, empty.string());
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.message.empty());
  EXPECT_EQ(dataFiles(), before);

  // A damaged index block fails the check before anything is stored.
  const fs::path damaged = m_dir / "damaged";
  fs::copy(m_backup, damaged);
  std::string ix = testing::ReadFile(damaged / "lg01.IX");
  ASSERT_GT(ix.size(), 40u);
  for (std::size_t i = 12; i < 20; ++i) ix[i] = '\x7F';
  ASSERT_TRUE(testing::WriteFile(damaged / "lg01.IX", ix));
  r = RestoreCompetition(m_db, damaged.string());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(dataFiles(), before);
  EXPECT_TRUE(m_db.competitionOpen());  // the competition open before is open again

  // Ten competitions: no number is free.
  for (int i = 3; i <= 10; ++i) newCompetition("Fler " + std::to_string(i));
  const auto full = dataFiles();
  r = RestoreCompetition(m_db, m_backup.string());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(dataFiles(), full);
}

}  // namespace
}  // namespace liga
