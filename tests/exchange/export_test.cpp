#include "exchange_fixture.h"

namespace liga::exchange::testing {
namespace {

const std::time_t kNow = 1800000000;  // 2027-01-15 08:00:00 UTC

class ExportTest : public ExchangeTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    ExchangeTest::SetUp();
    import({"*Bas",
            "ORG,FOTBOLL",
            "SERIEN,2",
            "KLUBBEN,1234-5,5050-1234,600,PN,X",
            "K1,GATA 1,STAD,TEL,",
            ",,,,",
            ",,,,",
            "K4,,,,",
            "*Klasser",
            "B-KLASS,1,3,1,0101",
            "A-KLASS,2,2,1,0001",
            "*Lag",
            "0002,TVÅ,A-KLASS,1,0,0,0",
            "*#0,LEDARE,,STAD,",
            "*#3,MEDLEM,GATA,,EXTRA",
            "0001,ETT,A-KLASS,0,0,0,0",
            "0101,B-LAG,B-KLASS,0,0,0,0",
            "*Speldag",
            "2027-04-02 10:00,DOMARE,",
            "*!1-2=3-1,",
            "2027-04-01 10:00,,",
            "*!2-1,",
            "*Lottad"});
    ASSERT_TRUE(m_db.competitionOpen());
  }
  std::vector<std::string> exportLines(ExportKind kind) {
    const std::string path = (m_dir / "out.lgw").string();
    const ExportResult r = WriteExport(m_db, kind, path, FakeClock(kNow));
    EXPECT_TRUE(r.written);
    auto lines = readLines(path);
    EXPECT_EQ(r.lines, static_cast<int>(lines.size()));
    return lines;
  }
};

TEST_F(ExportTest, Competition) {
  EXPECT_EQ(exportLines(ExportKind::Competition), (std::vector<std::string>{
                                                      "; SERIEN 2027-01-15 08:00:00",
                                                      "; LigaWin32 utbytesfil, 2027-01-15",
                                                      "*Bas",
                                                      "ORG,FOTBOLL",
                                                      "SERIEN,4",
                                                      "KLUBBEN,1234-5,5050-1234,600.00,PN,X",
                                                      "K1,GATA 1,STAD,TEL,",
                                                      ",,,,",
                                                      ",,,,",
                                                      "K4,,,,",
                                                  }));
}

TEST_F(ExportTest, ClassesInKeyOrder) {
  const auto lines = exportLines(ExportKind::Classes);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "*Klasser");
  EXPECT_EQ(lines[3], "A-KLASS               ,2,2,1,0001");
  EXPECT_EQ(lines[4], "B-KLASS               ,1,3,1,0101");
}

TEST_F(ExportTest, TeamsInRecordOrderWithTheirContactRows) {
  const auto lines = exportLines(ExportKind::Teams);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{
                "*Lag",
                "0002,TVÅ,A-KLASS,1,0,0,0",
                "*#0,LEDARE,,STAD,",
                "*#3,MEDLEM,GATA,,EXTRA",
                "0001,ETT,A-KLASS,0,0,0,0",
                "0101,B-LAG,B-KLASS,0,0,0,0",
            }));
}

TEST_F(ExportTest, ScheduleWithAndWithoutResults) {
  const auto schedule = exportLines(ExportKind::Schedule);
  EXPECT_EQ(std::vector<std::string>(schedule.begin() + 2, schedule.end()),
            (std::vector<std::string>{"*Speldag", "2027-04-01 10:00,,", "*!0002-0001",
                                      "2027-04-02 10:00,DOMARE,", "*!0001-0002", "*Lottad"}));
  const auto results = exportLines(ExportKind::Results);
  EXPECT_EQ(results[4], "*!0002-0001");  // no result yet: scores 10001
  EXPECT_EQ(results[6], "*!0001-0002=3-1");
}

TEST_F(ExportTest, MatchOfADeletedTeamIsNotExported) {
  // Team 0002 goes; its matches stay in the play times but are no longer exported.
  std::string key = "0002";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseTeam(BrowseMode::Find, key, recNo).found);
  ASSERT_TRUE(m_db.removeTeam(key, recNo, true));
  const auto lines = exportLines(ExportKind::Schedule);
  for (const auto& l : lines) EXPECT_EQ(l.rfind("*!", 0), std::string::npos) << l;
}

TEST_F(ExportTest, UnwritableTargetIsReportedAndNothingIsLeft) {
  const std::string path = (m_dir / "no-such-dir" / "out.lgw").string();
  const ExportResult r = WriteExport(m_db, ExportKind::Classes, path, FakeClock(kNow));
  EXPECT_FALSE(r.written);
  EXPECT_EQ(Cp1252ToUtf8(m_ui.lastText()), "Kan ej öppna/skapa ixportfilen \"" + path + "\"");
}

TEST_F(ExportTest, RoundTripIntoAnEmptyDataDirectory) {
  std::vector<std::string> files;
  const ExportKind kinds[] = {ExportKind::Competition, ExportKind::Classes, ExportKind::Teams,
                              ExportKind::Results};
  int i = 0;
  for (ExportKind k : kinds) {
    const std::string path = (m_dir / ("export" + std::to_string(i++) + ".lgw")).string();
    ASSERT_TRUE(WriteExport(m_db, k, path, FakeClock(kNow)).written);
    files.push_back(path);
  }
  openDataDir(m_db2, m_dir / "data2");
  importFiles(m_db2, files);
  ASSERT_TRUE(m_db2.competitionOpen());
  EXPECT_EQ(classes(m_db2), classes(m_db));
  auto a = teams(m_db);
  auto b = teams(m_db2);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [n, t] : a) {
    const TeamRec u = teamByNumber(m_db2, t.teamNumber());
    EXPECT_EQ(u.teamName(), t.teamName());
    EXPECT_EQ(u.ranking(), t.ranking());
    for (int r = 0; r < TeamRec::kContactRows; ++r) {
      EXPECT_EQ(u.contactRow(r).name(), t.contactRow(r).name());
      EXPECT_EQ(u.contactRow(r).street(), t.contactRow(r).street());
      EXPECT_EQ(u.contactRow(r).town(), t.contactRow(r).town());
      EXPECT_EQ(u.contactRow(r).address4(), t.contactRow(r).address4());
    }
  }
  ASSERT_EQ(playTimes(m_db2).size(), playTimes(m_db).size());
  EXPECT_EQ(matches(m_db2), matches(m_db));
  EXPECT_TRUE(m_db2.comp().scheduled());
  EXPECT_EQ(m_db2.comp().fee(), 600);
  EXPECT_EQ(m_db2.comp().giroType(), 1);
  m_db2.closeAll();
  for (const auto& entry : fs::directory_iterator(m_dir / "data2")) {
    if (entry.path().extension() != ".DAT") continue;
    const auto check =
        storage::checkBlock((entry.path().parent_path() / entry.path().stem()).string());
    EXPECT_TRUE(check.ok) << entry.path();
  }
}

}  // namespace
}  // namespace liga::exchange::testing
