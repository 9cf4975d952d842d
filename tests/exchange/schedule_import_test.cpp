#include "exchange_fixture.h"

namespace liga::exchange::testing {
namespace {

class ScheduleImportTest : public ExchangeTest {
 protected:
  void SetUp() override {
    ExchangeTest::SetUp();
    import({"*Bas", "ORG,FOTBOLL", "SERIEN,2", "P,1,2,600,PL", ",,,,", ",,,,", ",,,,", ",,,,",
            "*Klasser", "A,2,2,1,0001", "B,2,2,1,0101", "*Lag", "0003,T3,A", "0007,T7,A",
            "0012,T12,A", "0015,T15,A", "0101,B1,B"});
    ASSERT_TRUE(m_db.competitionOpen());
  }
  int openMatchesOf(const std::string& name) {
    std::string key = name;
    std::int32_t recNo = 0;
    EXPECT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
    return m_db.cls().openMatches();
  }
  bool logged(const std::vector<std::string>& log, const std::string& text) {
    return logHas(log, text);
  }
};

TEST_F(ScheduleImportTest, ScheduleFileCreatesPlayTimesAndBothMatchLists) {
  import({"; schema", "*Speldag", "2027-04-01 10:00,DOMARE", "*!12-15,3-7,", "2027-04-02 10:00,",
          "*!15-12=2-1,", "*Lottad"});
  EXPECT_TRUE(m_ui.shown.size() >= 1);
  for (const auto& s : m_ui.shown) EXPECT_NE(s.kind, MessageKind::Question);
  EXPECT_TRUE(m_db.comp().scheduled());
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0], (MatchView{"2027-04-01 10:00", "T12", "T15", kNoResult, kNoResult}));
  EXPECT_EQ(m[1], (MatchView{"2027-04-01 10:00", "T3", "T7", kNoResult, kNoResult}));
  EXPECT_EQ(m[2], (MatchView{"2027-04-02 10:00", "T15", "T12", 2, 1}));
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 3);
  // One result entered: one match fewer open.
  EXPECT_EQ(openMatchesOf("A"), 12 - 1);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), 12 + 0 - 1);
  const TeamRec t15 = teamByNumber(m_db, 15);
  EXPECT_EQ(t15.played(), 1);
  EXPECT_EQ(t15.wonCount(), 1);
  EXPECT_EQ(t15.tablePoints(), 2);
}

TEST_F(ScheduleImportTest, ItemFaults) {
  const auto log = import({"*Speldag", "D1,", "*!12-12,", "*!12-99,", "*!12-0101,", "*!12-15=2,",
                           "*!3-7=a-1,", "*!1215,3-7", "*!3-x"});
  EXPECT_TRUE(logged(log, "felaktig 12-12 Lag inte spela mot sig själv!"));
  EXPECT_TRUE(logged(log, "felaktig 12-99 Hittar ej lag enligt nummer!"));
  EXPECT_TRUE(logged(log, "felaktig 12-0101 Olika klasser!"));
  EXPECT_TRUE(logged(log, "felaktig 12-15=2 Syntaxfel (resultat)! (-)"));
  EXPECT_TRUE(logged(log, "felaktig 3-7=a-1 Otillåtna tecken (resultat), numerer!"));
  EXPECT_TRUE(logged(log, "felaktig 1215 Syntaxfel (lagnummer)! (-)"));
  EXPECT_TRUE(logged(log, "felaktig 3-x Otillåtna tecken (lagnummer), numerer!"));
  // Faulty results are dropped, the matches kept; "3-7" after "1215" was never read.
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].home, "T12");
  EXPECT_EQ(m[0].homeScore, kNoResult);
  EXPECT_EQ(m[1].home, "T3");
}

TEST_F(ScheduleImportTest, ScoresBeyondTheRecordsAreRefusedNotCut) {
  Importer importer(m_db, "");
  importer.importFiles(
      {writeFile("scores.lot", {"*Speldag", "D1,", "*!12-15=70000-1,3-7=2-65537,15-12=32768-0,",
                                "*!7-3=10001-3,3-12=9998-0,"})});
  const auto& log = importer.log();
  for (const char* item : {"12-15=70000-1", "3-7=2-65537", "15-12=32768-0", "7-3=10001-3"})
    EXPECT_TRUE(logged(log, std::string("felaktig ") + item + " Resultatet ska vara 0..9998!"))
        << item;
  EXPECT_EQ(importer.rejected(), 4);
  EXPECT_TRUE(logged(log, "4 rader avvisade"));
  // Only the match with a score the records can hold is stored, with that score.
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0], (MatchView{"D1", "T3", "T12", 9998, 0}));
}

TEST_F(ScheduleImportTest, EveryRefusedItemIsCounted) {
  Importer importer(m_db, "");
  importer.importFiles(
      {writeFile("faults.lot", {"*Speldag", "D1,", "*!12-12,12-99,12-15=2,3-7,"})});
  // The self-match and the unknown team are dropped; the faulty result is dropped from a
  // match that is kept: three lines of the log, three refusals.
  EXPECT_EQ(importer.rejected(), 3);
  EXPECT_EQ(matches(m_db).size(), 2u);
  EXPECT_FALSE(importer.failed());
}

TEST_F(ScheduleImportTest, PairsMeetAtMostRoundsTimes) {
  const auto log = import({"*Speldag", "D1,", "*!12-15,", "D2,", "*!15-12,", "D3,", "*!12-15,"});
  EXPECT_TRUE(logged(log, "felaktig 12-15 Alla borta- och hemmamatcher förekommer redan!"));
  EXPECT_EQ(matches(m_db).size(), 2u);
}

TEST_F(ScheduleImportTest, MatchesWithoutPlayTimeAreIgnoredAndRowsReused) {
  import({"*Speldag", "*!12-15,", "D1,", "*!12-15,", "*!12-15=1-1,"});
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].homeScore, 1);
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 1);
  EXPECT_EQ(teamByNumber(m_db, 12).drawnCount(), 1);
}

TEST_F(ScheduleImportTest, SixteenRowsFillAPlayTime) {
  std::vector<std::string> lines = {"*Bas", "O,S",  "N,4",      "P,1,2,600,PL", ",,,,", ",,,,",
                                    ",,,,", ",,,,", "*Klasser", "A,4,2,1,0001", "*Lag"};
  for (int t = 1; t <= 12; ++t) lines.push_back(ZeroPad(t, 4) + ",T" + std::to_string(t) + ",A");
  lines.push_back("*Speldag");
  lines.push_back("FULL,");
  std::string items = "*!";
  for (int i = 0; i < 17; ++i)
    items += std::to_string(1 + i % 6) + "-" + std::to_string(7 + i / 6) + ",";
  lines.push_back(items);
  const auto log = import(lines);
  EXPECT_TRUE(logged(log, "Speltiden har redan 16 matcher!"));
  EXPECT_EQ(matches(m_db).size(), 16u);
}

TEST_F(ScheduleImportTest, ReimportAsksAndYesLeavesExactlyTheNewSchedule) {
  import({"*Speldag", "D1,", "*!12-15=2-1,3-7,", "*Lottad"});
  m_ui.shown.clear();
  m_ui.answers = {Answer::Yes};
  import({"*Speldag", "D2,", "*!7-3,", "*Lottad"});
  bool asked = false;
  for (const auto& s : m_ui.shown) {
    if (s.kind == MessageKind::Question) {
      asked = true;
      EXPECT_EQ(Cp1252ToUtf8(s.text),
                "Filen innehåller spelfördelning. Den gamla lottningen förstörs. OK?");
    }
  }
  EXPECT_TRUE(asked);
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0], (MatchView{"D2", "T7", "T3", kNoResult, kNoResult}));
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 1);
  // The destroyed result no longer counts anywhere.
  EXPECT_EQ(teamByNumber(m_db, 12).played(), 0);
  EXPECT_EQ(openMatchesOf("A"), 12);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), 12);
}

TEST_F(ScheduleImportTest, ReimportWithNoKeepsTheDatabaseButEarlierPlayTimeLines) {
  import({"*Speldag", "D1,", "*!12-15=2-1,3-7,", "*Lottad"});
  const auto before = matches(m_db);
  m_ui.answers = {Answer::No};
  import({"*Speldag", "D0,", "*!7-3,", "D3,", "*!12-3,"});
  EXPECT_EQ(matches(m_db), before);
  std::vector<std::string> names;
  for (const auto& p : playTimes(m_db)) names.push_back(p.playTime());
  EXPECT_EQ(names, (std::vector<std::string>{"D0", "D1"}));
}

TEST_F(ScheduleImportTest, EveryFileOfAnImportAsksAndKeepsPlayTimesAndTeamsInStep) {
  import({"*Speldag", "D1,", "*!12-15=2-1,", "*Lottad"});
  const std::string file =
      writeFile("s.lot", {"*Speldag", "D1,", "*!12-15,3-7,", "D2,", "*!15-12,7-3,", "*Lottad"});
  m_ui.shown.clear();
  m_ui.defaultAnswer = Answer::Yes;
  Importer importer(m_db, "");
  importer.importFiles({file, file});
  int questions = 0;
  for (const auto& s : m_ui.shown) questions += s.kind == MessageKind::Question;
  EXPECT_EQ(questions, 2);
  EXPECT_FALSE(importer.failed());
  // Exactly the file's schedule, each match once, in the play times and both match lists.
  const auto m = matches(m_db);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0], (MatchView{"D1", "T12", "T15", kNoResult, kNoResult}));
  EXPECT_EQ(m[3], (MatchView{"D2", "T7", "T3", kNoResult, kNoResult}));
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 4);
  for (int number : {3, 7, 12, 15}) EXPECT_EQ(teamByNumber(m_db, number).teamMatchCount(), 2);
}

TEST_F(ScheduleImportTest, ADeclinedReplacementIsAFailedImport) {
  import({"*Speldag", "D1,", "*!12-15,", "*Lottad"});
  m_ui.answers = {Answer::No};
  Importer importer(m_db, "");
  importer.importFiles({writeFile("s.lot", {"*Speldag", "D1,", "*!3-7,"})});
  EXPECT_TRUE(importer.failed());
}

TEST_F(ScheduleImportTest, ExistingPlayTimeKeepsOneRecord) {
  import({"*Speldag", "D1,A", "D1,B"});
  const auto p = playTimes(m_db);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].gameLeader(), "B");
}

}  // namespace
}  // namespace liga::exchange::testing
