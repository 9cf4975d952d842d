#include "database/database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/messages.h"
#include "database/block_snapshot.h"
#include "storage/check.h"
#include "storage/mem_env.h"
#include "support/db_fixture.h"

namespace liga {
namespace {

namespace fs = std::filesystem;
using testing::DbFixture;

class DatabaseTest : public DbFixture {};

// A data directory assembled record by record from raw bytes, with texts in both code
// pages, opens, lists, browses and converts.
TEST_F(DatabaseTest, HandBuiltDataDirectory) {
  CreateFileBlock(path("cupfiles"), 2233, 0, {});
  ASSERT_TRUE(IsamOK);
  FileBlockPtr cat = nullptr;
  OpenFileBlock(cat, path("cupfiles"));
  ASSERT_TRUE(IsamOK);
  CompetitionRec comp;  // raw bytes, not the defaults of a new record
  comp.setU8(4, 2);
  comp.setU8(5, '0');
  comp.setU8(6, '1');
  comp.setStr(48, 40, "G\x94teborgscupen");  // ö in code page 850
  comp.setStr(99, 30, "Fotboll");
  comp.setI16(93, 2);
  std::int32_t n = 0;
  AddRec(cat, n, comp.data());
  ASSERT_EQ(n, 1);
  comp.setStr(48, 40, "Borttagen");
  AddRec(cat, n, comp.data());
  DeleteRec(cat, 2);
  comp.setStr(48, 40, "V\xE5rcupen");  // å in code page 1252
  AddRec(cat, n, comp.data());         // takes the freed record 2
  AddRec(cat, n, comp.data());
  DeleteRec(cat, 2);
  CloseFileBlock(cat);

  CreateFileBlock(path("klass01"), 562, 1, {{23, true}});
  CreateFileBlock(path("lg01"), 11665, 1, {{5, true}});
  CreateFileBlock(path("game01"), 863, 1, {{17, true}});
  FileBlockPtr cls = nullptr, lg = nullptr, game = nullptr;
  OpenFileBlock(cls, path("klass01"));
  OpenFileBlock(lg, path("lg01"));
  OpenFileBlock(game, path("game01"));
  ASSERT_TRUE(IsamOK);
  for (const char* name : {"P14",
                           "\x8E"
                           "LDRE"}) {  // Ä in code page 850
    DivisionRec d;
    d.setStr(7, 22, name);
    d.setI16(40, 1);
    AddRec(cls, n, d.data());
    AddKey(cls, 1, n, name);
  }
  TeamRec t;
  t.setStr(4, 30, "IFK G\x99TEBORG");  // Ö in code page 850
  t.setI32(35, 2);
  t.setStr(39, 4, "0007");
  t.setI16(46, 7);
  ContactRow leader;
  leader.setName(
      "\x8F"
      "SA");  // Å in code page 850
  t.setContactRow(0, leader);
  AddRec(lg, n, t.data());
  AddKey(lg, 1, n, "0007");
  PlayTimeRec p;
  p.setStr(6, 16, "2026-05-01 10:00");
  p.setStr(56, 56, "Domare Bj\x94rk");
  AddRec(game, n, p.data());
  AddKey(game, 1, n, "2026-05-01 10:00");
  CloseFileBlock(cls);
  CloseFileBlock(lg);
  CloseFileBlock(game);

  ASSERT_TRUE(m_db.readCatalogue());
  EXPECT_EQ(m_db.catalogueFileLen(), 4);
  EXPECT_EQ(m_db.catalogueUsedRecs(), 2);
  EXPECT_EQ(StatusMessage(), "Filerna \xF6ppna....");
  ASSERT_TRUE(m_db.selectCompetition(1, false));
  const auto menu = m_db.refreshCompetitionMenus();
  EXPECT_EQ(menu[0].caption, "G\xF6teborgscupen");
  EXPECT_TRUE(menu[0].checked && menu[0].enabled);
  EXPECT_EQ(menu[1].caption, "raderad");
  EXPECT_FALSE(menu[1].enabled);
  EXPECT_EQ(menu[2].caption, "V\xE5rcupen");
  EXPECT_FALSE(menu[2].checked);
  for (int k = 3; k < 10; ++k) {
    EXPECT_EQ(menu[k].caption, "vakant");
    EXPECT_FALSE(menu[k].enabled);
  }

  // Classes come in key order: P14 (0x50) before the DOS-coded ÄLDRE (0x8E).
  std::string key;
  std::int32_t recNo = 0;
  m_db.browseClass(BrowseMode::Clear, key, recNo);
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Next, key, recNo).found);
  EXPECT_EQ(m_db.cls().className(), "P14");
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Next, key, recNo).found);
  EXPECT_EQ(m_db.cls().className(), "\xC4LDRE");
  EXPECT_EQ(m_db.classRecNo(), 2);
  EXPECT_TRUE(m_db.browseClass(BrowseMode::Next, key, recNo).atEnd);

  key = "0007";
  ASSERT_TRUE(m_db.browseTeam(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(m_db.team().teamName(), "IFK G\xD6TEBORG");
  EXPECT_EQ(m_db.team().contactRow(0).name(), "\xC5SA");
  key = "2026";
  ASSERT_TRUE(m_db.browsePlayTime(BrowseMode::Search, key, recNo).found);
  EXPECT_EQ(key, "2026-05-01 10:00");
  EXPECT_EQ(m_db.playTime().gameLeader(), "Domare Bj\xF6rk");
  recNo = 1;
  EXPECT_TRUE(m_db.browsePlayTime(BrowseMode::ByNumber, key, recNo).found);
  recNo = 2;
  EXPECT_TRUE(m_db.browsePlayTime(BrowseMode::ByNumber, key, recNo).atEnd);
}

TEST_F(DatabaseTest, SelectingAnotherCompetitionWritesTheFirstBack) {
  const int first = newCompetition("Cup ett");
  m_db.comp().setTotalTeams(33);  // held in the buffer only
  const int second = newCompetition("Cup tv\xE5");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
  EXPECT_TRUE(fs::exists(path("klass02.DAT")));
  ASSERT_TRUE(m_db.selectCompetition(1, false));
  EXPECT_EQ(m_db.comp().totalTeams(), 33);
  EXPECT_EQ(m_db.comp().competitionNumber(), "01");
  EXPECT_TRUE(m_db.competitionOpen());
}

TEST_F(DatabaseTest, MissingFileLeavesTheCompetitionClosed) {
  newCompetition("A");
  m_db.closeCompetition();
  DeleteFileBlock(path("game01"));
  EXPECT_FALSE(m_db.selectCompetition(1, false));
  EXPECT_FALSE(m_db.competitionOpen());
  EXPECT_EQ(m_db.teamFile(), nullptr);
  EXPECT_EQ(m_db.classFile(), nullptr);
}

TEST_F(DatabaseTest, NewCompetitionRefusedBeyondTen) {
  for (int i = 1; i <= 10; ++i) newCompetition("C" + std::to_string(i));
  EXPECT_EQ(m_db.catalogueFileLen(), 11);
  m_ui.shown.clear();
  EXPECT_FALSE(m_db.selectCompetition(0, true));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(m_ui.shown[0].text, "Max antal t\xE4vlingar uppn\xE5tt, kan ej addera fler!");
  EXPECT_TRUE(m_db.competitionOpen());  // nothing changed
}

TEST_F(DatabaseTest, ClassGuardAndRename) {
  newCompetition("Cup");
  const auto u12 = addClass("U12");
  addTeam("A", u12);
  addTeam("B", u12);
  EXPECT_FALSE(m_db.removeClass("U12", 0, true));
  EXPECT_EQ(StatusMessage(), "Klassen \"U12\" \xE4r inte utan deltagare!");
  std::string key = "U12";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(recNo, u12);

  // Rename: drop the key, store again; the record keeps its number.
  ASSERT_TRUE(m_db.removeClass("U12", 0, false));
  m_db.cls().setClassName("U13");
  ASSERT_TRUE(m_db.storeClass(false));
  key = "U13";
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(recNo, u12);
  EXPECT_EQ(m_db.cls().teamCount(), 2);
  key = "U12";
  EXPECT_FALSE(m_db.browseClass(BrowseMode::Find, key, recNo).found);

  const auto empty = addClass("");
  EXPECT_EQ(m_db.cls().className(), "XXX");
  ASSERT_TRUE(m_db.removeClass("", empty, true));
  EXPECT_EQ(StatusMessage(), "KlassRecord \"XXX\", raderad...");
  EXPECT_EQ(m_db.classRecNo(), 0);
  EXPECT_FALSE(m_db.removeClass("", 99, true));  // outside the file: fails silently
}

TEST_F(DatabaseTest, TeamStoreAndRemoveKeepTheAccounting) {
  newCompetition("Cup");
  const auto cls = addClass("P10", 2, 1);
  for (const char* name : {"A", "B", "C"}) addTeam(name, cls);
  const auto seventh = addTeam("D", cls, 7);
  ASSERT_TRUE(m_db.readClass(cls));
  EXPECT_EQ(m_db.cls().teamCount(), 4);
  EXPECT_EQ(m_db.cls().matchCount(), 12);
  EXPECT_EQ(m_db.cls().openMatches(), 12);
  EXPECT_EQ(m_db.comp().totalTeams(), 4);
  EXPECT_EQ(m_db.comp().totalMatches(), 12);

  ASSERT_TRUE(m_db.readTeam(1));
  EXPECT_EQ(m_db.team().teamNumber(), 1);  // file length + FirstTeamNumber - 1
  EXPECT_EQ(m_db.team().teamRecNo(), 1);

  ASSERT_TRUE(m_db.removeTeam("0007", 0, true));
  EXPECT_EQ(StatusMessage(), "StNummer \"0007\", raderad...");
  ASSERT_TRUE(m_db.readClass(cls));
  EXPECT_EQ(m_db.cls().teamCount(), 3);
  EXPECT_EQ(m_db.cls().matchCount(), 6);
  EXPECT_EQ(m_db.comp().totalTeams(), 3);
  EXPECT_EQ(m_db.comp().totalMatches(), 6);
  std::int32_t recNo = seventh;
  std::string key;
  EXPECT_FALSE(m_db.browseTeam(BrowseMode::ByNumber, key, recNo).found);
  EXPECT_TRUE(m_db.teamIndexStale());
}

TEST_F(DatabaseTest, CountsInUseLeaveOutDeletedRecordsAndLengthsDoNot) {
  EXPECT_EQ(m_db.classesInUse(), 0);  // nothing open yet
  EXPECT_EQ(m_db.teamFileLength(), 0);
  newCompetition("Cup");
  const auto cls = addClass("P10", 2, 1);
  addClass("P12", 2, 1);
  for (const char* name : {"A", "B", "C"}) addTeam(name, cls);
  addPlayTime("2027-05-01 10:00");
  EXPECT_EQ(m_db.classesInUse(), 2);
  EXPECT_EQ(m_db.teamsInUse(), 3);
  EXPECT_EQ(m_db.playTimesInUse(), 1);
  EXPECT_EQ(m_db.classFileLength(), 3);  // record numbers 1..2 in use
  EXPECT_EQ(m_db.teamFileLength(), 4);
  EXPECT_EQ(m_db.playTimeFileLength(), 2);

  ASSERT_TRUE(m_db.removeTeam("0002", 0, true));
  ASSERT_TRUE(m_db.removeClass("P12", 0, true));
  EXPECT_EQ(m_db.teamsInUse(), 2);
  EXPECT_EQ(m_db.classesInUse(), 1);
  EXPECT_EQ(m_db.teamFileLength(), 4);  // a scan still reaches the last record
  EXPECT_EQ(m_db.classFileLength(), 3);
}

TEST_F(DatabaseTest, SixteenthTeamWarnsButIsAdded) {
  newCompetition("Cup");
  const auto cls = addClass("STOR", 1);
  for (int i = 0; i < 15; ++i) addTeam("T" + std::to_string(i), cls);
  EXPECT_TRUE(m_ui.shown.empty());
  addTeam("T15", cls);
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(m_ui.shown[0].text.rfind("Antalet i klassen [ 16] \"STOR\"\n", 0), 0u);
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 16);
}

TEST_F(DatabaseTest, PlayTimeGuard) {
  newCompetition("Cup");
  const auto cls = addClass("A");
  const auto a = addTeam("A", cls), b = addTeam("B", cls);
  const auto pt = addPlayTime("2026-01-10 10:00");
  EXPECT_EQ(m_db.playTime().playTimeNumber(), 1);
  const auto free = addPlayTime("2026-01-11 10:00");
  addMatch(pt, a, b);
  EXPECT_FALSE(m_db.removePlayTime("2026-01-10 10:00", 0, true));
  EXPECT_EQ(StatusMessage(), "Speldagen \"2026-01-10 10:00\" \xE4r inte utan spelm\xF6ten!");
  ASSERT_TRUE(m_db.removePlayTime("2026-01-11 10:00", 0, true));
  EXPECT_EQ(StatusMessage(), "Speltiden\"2026-01-11 10:00\", raderad...");
  std::int32_t recNo = free;
  std::string key;
  EXPECT_FALSE(m_db.browsePlayTime(BrowseMode::ByNumber, key, recNo).found);
}

TEST_F(DatabaseTest, RemoveAllTeams) {
  newCompetition("Cup");
  const auto c1 = addClass("B"), c2 = addClass("A");
  addTeam("X", c1);
  addTeam("Y", c2);
  m_db.comp().setScheduled(true);

  m_ui.answers = {Answer::No};
  EXPECT_FALSE(m_db.removeAllTeams());
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 2);

  m_ui.answers = {Answer::Yes};
  m_ui.progress.clear();
  ASSERT_TRUE(m_db.removeAllTeams());
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 0);
  EXPECT_EQ(FileLen(m_db.teamFile()), 1);
  EXPECT_EQ(m_db.comp().totalTeams(), 0);
  EXPECT_FALSE(m_db.comp().scheduled());
  for (auto c : {c1, c2}) {
    ASSERT_TRUE(m_db.readClass(c));
    EXPECT_EQ(m_db.cls().teamCount(), 0);
    EXPECT_EQ(m_db.cls().matchCount(), 0);
    EXPECT_EQ(m_db.cls().leaderPoints(), 10001);
  }
  // Classes are reset in key order: A before B.
  std::vector<std::string> rows;
  for (const auto& p : m_ui.progress)
    if (p.find("Nollst") != std::string::npos) rows.push_back(p.substr(p.size() - 1));
  EXPECT_EQ(rows, (std::vector<std::string>{"A", "B"}));
  EXPECT_FALSE(m_db.removeAllTeams());  // nothing left: no question
}

TEST_F(DatabaseTest, BackupNeverOverwrites) {
  newCompetition("Cup");
  addClass("A");
  const fs::path target = m_dir / "backup";
  fs::create_directories(target);
  m_ui.pickerResults = {target.string() + "/"};
  ASSERT_TRUE(m_db.backupCompetition());
  EXPECT_EQ(m_ui.lastText(),
            "TuDataBas nr.01 kopierad till " + target.string() + " ..lyckad kopiering!!");
  for (const char* f : {"cupfiles.DAT", "klass01.DAT", "klass01.IX", "lg01.DAT", "game01.IX"})
    EXPECT_TRUE(fs::exists(target / f)) << f;
  EXPECT_FALSE(fs::exists(target / "cupfiles.IX"));  // the catalogue has no index
  EXPECT_TRUE(m_db.competitionOpen());
  EXPECT_EQ(m_db.comp().backupDir(), target.string());

  const auto before = fs::file_size(target / "cupfiles.DAT");
  m_ui.pickerResults = {target.string()};
  EXPECT_FALSE(m_db.backupCompetition());
  // The cause and the file that stopped the copy follow the catalogue text.
  EXPECT_EQ(m_ui.lastText().rfind(
                "Fel vid kopiering!!Btree: Skrivning av fel antal bytes (finns redan: " +
                    (target / "cupfiles.").string(),
                0),
            0u)
      << m_ui.lastText();
  EXPECT_EQ(fs::file_size(target / "cupfiles.DAT"), before);
  EXPECT_TRUE(m_db.competitionOpen());  // reopened in every case

  m_ui.pickerResults = {};  // cancelled
  EXPECT_FALSE(m_db.backupCompetition());
}

TEST_F(DatabaseTest, DeleteCompetition) {
  newCompetition("Ett");
  newCompetition("Two");
  newCompetition("Tre");
  ASSERT_TRUE(m_db.selectCompetition(3, false));
  m_ui.answers = {Answer::Yes};
  ASSERT_TRUE(m_db.deleteCompetition(2));
  EXPECT_EQ(m_ui.shown.back().text, "LGDataBas: Two raderas ");
  EXPECT_EQ(StatusMessage(), "\"klass02\" \"lg02\" \"game02\" ");
  EXPECT_FALSE(fs::exists(path("klass02.DAT")));
  EXPECT_EQ(m_db.currentCompetition(), 3);  // the other competition is open again
  EXPECT_TRUE(m_db.competitionOpen());
  EXPECT_EQ(m_db.refreshCompetitionMenus()[1].caption, "raderad");

  m_ui.answers = {Answer::Yes};
  ASSERT_TRUE(m_db.deleteCompetition(3));
  EXPECT_EQ(m_db.currentCompetition(), 0);
  EXPECT_FALSE(m_db.competitionOpen());
  EXPECT_FALSE(m_db.deleteCompetition(2));  // already deleted
}

TEST_F(DatabaseTest, NewCatalogueAsksOnlyWhenCompetitionsExist) {
  ASSERT_TRUE(m_db.createCatalogue());
  EXPECT_TRUE(m_db.createNewCatalogue());
  EXPECT_TRUE(m_ui.shown.empty());
  newCompetition("Cup");
  m_ui.answers = {Answer::No};
  EXPECT_FALSE(m_db.createNewCatalogue());
  EXPECT_TRUE(m_db.competitionOpen());
  m_ui.answers = {Answer::Yes};
  EXPECT_TRUE(m_db.createNewCatalogue());
  EXPECT_EQ(m_ui.shown.back().text, "Befintliga datafiler kommer att f\xF6rst\xF6ras. OK?");
  EXPECT_EQ(m_db.catalogueUsedRecs(), 0);
  EXPECT_FALSE(m_db.competitionOpen());
  EXPECT_TRUE(fs::exists(path("klass01.DAT")));  // old files stay, unlisted
}

TEST_F(DatabaseTest, ChangeDataDirectory) {
  newCompetition("Cup");
  const fs::path other = m_dir / "other";
  fs::create_directories(other);
  m_ui.pickerResults = {other.string() + "/"};
  EXPECT_TRUE(m_db.changeDataDirectory());
  EXPECT_EQ(m_db.dataDir(), other.string());
  EXPECT_FALSE(m_db.catalogueAvailable());
  EXPECT_EQ(StatusMessage(), "Datafiler saknas/ ej i aktuellt bibliotek");
  m_ui.pickerResults = {};
  EXPECT_FALSE(m_db.changeDataDirectory());
  EXPECT_EQ(m_db.dataDir(), other.string());
}

TEST_F(DatabaseTest, BlocksOfAForeignRecordLengthAreRefused) {
  // A catalogue whose records would overrun the competition buffer.
  CreateFileBlock(path("cupfiles"), 300000, 0, {});
  ASSERT_TRUE(IsamOK);
  EXPECT_FALSE(m_db.readCatalogue());
  EXPECT_EQ(IsamError, isam_error::kBadDataFile);
  m_db.refreshCompetitionMenus();  // the menu refresh reads no record of it either
  EXPECT_EQ(m_db.catalogueFileLen(), 0);

  // A class file whose records are shorter than a class record: the competition stays shut.
  DeleteFileBlock(path("cupfiles"));
  const int n = newCompetition("Cup");
  m_db.closeCompetition();
  CreateFileBlock(path("klass01"), 300, 1, {{23, true}});
  EXPECT_FALSE(m_db.selectCompetition(n, false));
  EXPECT_EQ(IsamError, isam_error::kBadDataFile);
  EXPECT_FALSE(m_db.competitionOpen());
  EXPECT_FALSE(m_db.playTimeFile());
}

// A competition is created with its files or not at all: with a write, sync or truncate
// failing at any call, once or from then on (a full disk), the catalogue lists no
// competition whose files are missing or empty.
TEST_F(DatabaseTest, CreatingACompetitionUnderFaultsLeavesNoHalfMadeOne) {
  newCompetition("Cup");
  m_db.closeAll();
  m_db.releaseDataDir();
  const fs::path base = m_dir / "base";
  fs::create_directories(base);
  for (const auto& e : fs::directory_iterator(m_dir)) {
    if (e.is_regular_file()) fs::copy(e.path(), base / e.path().filename());
  }
  const std::string before = testing::Snapshot(base);
  int runs = 0, refused = 0;
  for (auto kind : {storage::FaultEnv::Kind::Write, storage::FaultEnv::Kind::Sync,
                    storage::FaultEnv::Kind::Truncate}) {
    for (bool persistent : {false, true}) {
      for (long long call = 0;; ++call) {
        SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + " call " +
                     std::to_string(call) + (persistent ? " from then on" : " once"));
        const fs::path data = m_dir / "run";
        fs::remove_all(data);
        fs::copy(base, data);
        storage::FaultEnv fault(storage::posixEnv());
        storage::setCurrentEnv(&fault);
        Database d;
        d.setDataDir(data.string());
        ASSERT_TRUE(d.readCatalogue());
        ASSERT_TRUE(d.selectCompetition(0, true));
        d.comp().setCompetitionName("Andra");
        fault.resetCounts();
        fault.failAt(kind, call, persistent, ENOSPC);
        const bool created = d.createCompetition();
        const bool hit = fault.failed();
        fault.disarm();
        d.closeAll();
        storage::setCurrentEnv(storage::posixEnv());
        d.releaseDataDir();
        if (!hit) break;
        ++runs;
        const bool untouched = testing::Snapshot(data, persistent) == before;
        if (!created && untouched) {
          ++refused;
          EXPECT_FALSE(fs::exists(data / "klass02.DAT"));
          EXPECT_FALSE(fs::exists(data / "lg02.DAT"));
        } else {
          // Created although a call failed (one the engine could do without), or, on a full
          // disk, created but no longer removable when opening it failed: either way whole,
          // it opens once the disk has room again.
          EXPECT_TRUE(created || persistent);
          Database check;
          check.setDataDir(data.string());
          ASSERT_TRUE(check.readCatalogue());
          EXPECT_TRUE(check.selectCompetition(2, false));
          check.closeAll();
          check.releaseDataDir();
        }
      }
    }
  }
  EXPECT_GT(runs, 10);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace liga
