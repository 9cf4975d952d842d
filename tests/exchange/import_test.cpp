#include "exchange/format.h"
#include "exchange_fixture.h"

namespace liga::exchange::testing {
namespace {

const std::vector<std::string> kBase = {
    "; SERIEN 2027-01-01 10:00:00",
    "*Bas",
    "ARRANGÖREN,FOTBOLL",
    "SERIEN,3",
    "KLUBBEN,1234-5,5050-1234,750.00,BG,X",
    "K1,STORGATAN 1,STAD,031-1,",
    "K2,,,,",
    "K3,,,,",
    "K4,,,,",
    "*Klasser",
    "A-KLASS               ,2,2,1,0001",
    "B                     ,1,3,1,0101",
};

TEST_F(ExchangeTest, BaseSectionCreatesAndOpensACompetition) {
  const auto log = import(kBase);
  ASSERT_TRUE(m_db.competitionOpen());
  const CompetitionRec& c = m_db.comp();
  EXPECT_EQ(Cp1252ToUtf8(c.organiser()), "ARRANGÖREN");
  EXPECT_EQ(c.sportType(), "FOTBOLL");
  EXPECT_EQ(c.competitionName(), "SERIEN");
  EXPECT_EQ(c.defaultRounds(), 3);
  EXPECT_EQ(c.payee(), "KLUBBEN");
  EXPECT_EQ(c.postgiroNumber(), "1234-5");
  EXPECT_EQ(c.bankgiroNumber(), "5050-1234");
  EXPECT_EQ(c.fee(), 750);  // the exporter's "750.00" is a whole number
  EXPECT_EQ(c.giroType(), 4);
  EXPECT_TRUE(c.amountFilled());
  EXPECT_EQ(c.contact(0, 0), "K1");
  EXPECT_EQ(c.contact(0, 1), "STORGATAN 1");
  EXPECT_EQ(c.contact(0, 3), "031-1");
  EXPECT_EQ(c.contact(1, 0), "K2");
  EXPECT_EQ(classes(m_db), (std::vector<std::string>{"A-KLASS", "B"}));
  EXPECT_TRUE(logHas(log, "IMPORT KLAR!"));
  EXPECT_TRUE(logHas(log, "Klass^: A-KLASS Record:   1"));
  EXPECT_TRUE(logHas(log, "Adderade:   3 Modifierade:   0 Rader:  12"));
  // The comment lines are shown together with the file's summary, as information.
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown.front().kind, MessageKind::Information);
  EXPECT_EQ(m_ui.shown.front().text,
            "; SERIEN 2027-01-01 10:00:00\nImport/export av   12 rader 000");
  ASSERT_EQ(m_ui.texts.size(), 1u);
}

TEST_F(ExchangeTest, ImportingTwiceModifiesTheClasses) {
  import(kBase);
  const auto log = import({"*Klasser", "A-KLASS,2,2,1,0001", "B,1,3,1,0101"});
  EXPECT_EQ(classes(m_db).size(), 2u);
  EXPECT_TRUE(logHas(log, "Adderade:   0 Modifierade:   2"));
}

TEST_F(ExchangeTest, TeamsWithNumbersContactsAndFaults) {
  import(kBase);
  m_ui.answers = {Answer::No};
  const auto log = import({
      "*Lag",
      "0012,lag nord,A-KLASS,3,1,2,4",
      "*#0,a. ledare,STORGATAN 1,STAD,",
      "*#1,B. MEDLEM,,,",
      "*#1,C. MEDLEM,VÄG 2,,",
      "*#x,FEL,,,",
      "0012,DUBBLETT,A-KLASS,0,0,0,0",
      "*#1,IGNORERAS,,,",
      "0013,OKÄND KLASS,C-KLASS,0,0,0,0",
      "0014,LAG SYD,A-KLASS",
  });
  const TeamRec nord = teamByNumber(m_db, 12);
  EXPECT_EQ(nord.teamName(), "LAG NORD");
  EXPECT_EQ(nord.teamNumberKey(), "0012");
  EXPECT_EQ(nord.ranking(), 3);
  EXPECT_EQ(nord.openingPoints(), 1);
  EXPECT_EQ(nord.openingGoalsAgainst(), 2);
  EXPECT_EQ(nord.openingGoalsFor(), 4);
  EXPECT_EQ(nord.tablePoints(), 1);  // opening values count
  EXPECT_EQ(nord.contactRow(0).name(), "A. LEDARE");
  EXPECT_EQ(nord.contactRow(0).street(), "STORGATAN 1");
  EXPECT_EQ(nord.contactRow(1).name(), "B. MEDLEM");
  // Row 1 is taken: the second "*#1" goes to the next free member row.
  EXPECT_EQ(nord.contactRow(2).name(), "C. MEDLEM");
  EXPECT_EQ(nord.contactRow(2).rowNumber(), 2);
  EXPECT_EQ(teams(m_db).size(), 2u);  // the duplicate and the team without class are left out
  EXPECT_TRUE(logHas(log, "felaktig adderad  \"*#x,FEL,,,\""));
  EXPECT_TRUE(
      logHas(log, "        .passed Felaktig startnummer finns: A-KLASS dNr:  12  DUBBLETT"));
  EXPECT_TRUE(logHas(log, "        .passed Felaktig Klass^: C-KLASS dNr:"));
  ASSERT_FALSE(m_ui.shown.empty());
  bool asked = false;
  for (const auto& s : m_ui.shown)
    asked = asked || Cp1252ToUtf8(s.text) == "Klassen ej definierad...C-KLASS Addera person.";
  EXPECT_TRUE(asked);
  // No contact rows were written into the kept team by the "*#" after the duplicate.
  for (int r = 0; r < TeamRec::kContactRows; ++r)
    EXPECT_NE(teamByNumber(m_db, 12).contactRow(r).name(), "IGNORERAS");
  EXPECT_EQ(teamByNumber(m_db, 14).openingPoints(), 0);
}

TEST_F(ExchangeTest, ContactMarkerInsideAnotherStarLineIsAFaultyRow) {
  import(kBase);
  // "*#" stands later in the line: the line is taken as a contact row without a number.
  const auto log = import({"*Lag", "0001,T1,A-KLASS", "*,x *#1,NAMN", "*#", "*#1"});
  EXPECT_TRUE(logHas(log, "felaktig adderad  \"*,x *#1,NAMN\""));
  EXPECT_TRUE(logHas(log, "felaktig adderad  \"*#\""));
  EXPECT_EQ(teamByNumber(m_db, 1).contactRow(0).name(), "");
}

TEST_F(ExchangeTest, MissingClassIsCreatedOnYes) {
  import(kBase);
  m_ui.answers = {Answer::Yes};
  import({"*Lag", "0013,LAG,C-KLASS,0,0,0,0"});
  EXPECT_EQ(classes(m_db), (std::vector<std::string>{"A-KLASS", "B", "C-KLASS"}));
  EXPECT_EQ(teamByNumber(m_db, 13).teamName(), "LAG");
}

TEST_F(ExchangeTest, EmptyTeamNumberTakesTheFirstFreeCandidate) {
  import({"*Bas", "O,S", "N,4", "P,1,2,600,PL", ",,,,", ",,,,", ",,,,", ",,,,", "*Klasser",
          "A,2,2,1,0101", "*Lag", "0101,T1,A", "0102,T2,A", "0103,T3,A", "0104,T4,A"});
  // Team file length is now 5: the first candidate is 5 + 101 - 1 = 105.
  import({"*Lag", ",NY,A"});
  EXPECT_EQ(teamByNumber(m_db, 105).teamName(), "NY");
  import({"*Lag", "0107,T7,A", ",NY2,A"});
  // File length 7 (6 teams): candidate 107 is taken, 108 is free.
  EXPECT_EQ(teamByNumber(m_db, 108).teamName(), "NY2");
}

TEST_F(ExchangeTest, AccountingFollowsTheImportedTeams) {
  import(kBase);
  import({"*Lag", "0001,T1,A-KLASS", "0002,T2,A-KLASS", "0003,T3,A-KLASS", "0004,T4,A-KLASS"});
  std::string key = "A-KLASS";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(m_db.cls().teamCount(), 4);
  EXPECT_EQ(m_db.cls().matchCount(), 12);
  EXPECT_EQ(m_db.cls().openMatches(), 12);
  EXPECT_EQ(m_db.comp().totalTeams(), 4);
}

TEST_F(ExchangeTest, TheLogIsWrittenToAFile) {
  const std::string file = writeFile("x.txt", kBase);
  Importer importer(m_db, (m_dir / "text").string());
  const FakeClock logClock(1800000000);
  importer.clock = &logClock;
  importer.importFiles({file});
  ASSERT_FALSE(importer.logFile().empty());
  const auto lines = readLines(importer.logFile());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "importlogg");
  EXPECT_EQ(lines.back(), "IMPORT KLAR!");
}

}  // namespace
}  // namespace liga::exchange::testing

namespace liga::exchange::testing {
namespace {

// Every file block of the data directory passes the structural check.
void expectSoundBlocks(const fs::path& data) {
  int blocks = 0;
  for (const auto& entry : fs::directory_iterator(data)) {
    if (entry.path().extension() != ".DAT") continue;
    ++blocks;
    const auto r = storage::checkBlock((entry.path().parent_path() / entry.path().stem()).string());
    EXPECT_TRUE(r.ok) << entry.path() << ": " << (r.problems.empty() ? "" : r.problems.front());
  }
  EXPECT_GT(blocks, 0);
}

TEST_F(ExchangeTest, StopFromTheProgressWindowEndsTheImportAndKeepsWhatWasRead) {
  import(kBase);
  std::vector<std::string> lines = {"*Lag"};
  for (int t = 1; t <= 60; ++t)
    lines.push_back(ZeroPad(t, 4) + ",T" + std::to_string(t) + ",A-KLASS");
  const std::string first = writeFile("first.txt", lines);
  const std::string second = writeFile("second.txt", {"*Klasser", "C,1,2,1,0001"});
  int updates = 0;
  m_ui.onPendingInput = [&] {
    if (++updates == 3) CancelProgress();  // after the first twenty lines
  };
  Importer importer(m_db, "");
  importer.importFiles({first, second});
  m_ui.onPendingInput = nullptr;
  EXPECT_TRUE(logHas(importer.log(), "<< avbrutet >>"));
  EXPECT_TRUE(logHas(importer.log(), "IMPORT KLAR!"));
  ASSERT_EQ(importer.summaries().size(), 1u);  // the second file was never started
  const auto stored = teams(m_db).size();
  EXPECT_GT(stored, 0u);
  EXPECT_LT(stored, 60u);
  EXPECT_EQ(classes(m_db).size(), 2u);
  m_db.closeAll();
  expectSoundBlocks(m_dir / "data");
}

TEST_F(ExchangeTest, HostileInputNeverBreaksTheFiles) {
  import(kBase);
  import({"*Lag", "0001,T1,A-KLASS", "0002,T2,A-KLASS", "*Speldag", "D1,"});

  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  std::string sections;
  for (int i = 0; i < 20000; ++i) sections += (i % 2 ? "*Speldag\r\n" : "*Lag\r\n");
  const std::vector<std::string> hostile = {
      garbage,
      "*Lag\r\n0003," + std::string(100000, 'X') + ",A-KLASS\r\n" + std::string(100000, ';'),
      sections,
      "*Klasser\r\nA-KLASS,99999999999,-99999999999,x,\r\n*Lag\r\n99999,T,A-KLASS\r\n-5,T,A-"
      "KLASS\r\n"
      "0004,T4,A-KLASS,99999999,-99999999,1e9,0x10\r\n",
      "*Lag\r\n,\r\n,,\r\n*#\r\n*#,\r\n*Speldag\r\n,\r\n*!\r\n*!-\r\n*!=\r\n*!1-\r\n*!-1=1-\r\n",
      "*!1-2,3-4,\r\n",
      "*Speldag\r\nD2,\r\n*!1-2=99999-1,2-1=-1--1,\r\n",
  };
  int i = 0;
  for (const auto& content : hostile) {
    const fs::path p = m_dir / ("hostile" + std::to_string(i++) + ".txt");
    std::ofstream(p, std::ios::binary) << content;
    importFiles(m_db, {p.string()});
    ASSERT_TRUE(m_db.competitionOpen()) << p;
  }
  // Whatever was taken is consistent between play times and teams.
  matches(m_db);
  m_db.closeAll();
  expectSoundBlocks(m_dir / "data");
}

TEST_F(ExchangeTest, LongClassNamesAreCutBeforeTheyAreLookedUp) {
  import({"*Bas", "ORG,FOTBOLL", "SERIEN,2", "P,1,2,600,PL", ",,,,", ",,,,", ",,,,", ",,,,",
          "*Klasser", "EN MYCKET LÅNG KLASSBETECKNING,2,2,1,0001"});
  import({"*Klasser", "EN MYCKET LÅNG KLASSBETECKNING,2,2,1,0001", "*Lag",
          "0001,LAG ETT,EN MYCKET LÅNG KLASSBETECKNING,0,0,0,0"});
  EXPECT_EQ(classes(m_db), (std::vector<std::string>{Utf8ToCp1252("EN MYCKET LÅNG KLASSBE")}));
  EXPECT_EQ(teams(m_db).size(), 1u);
  for (const auto& s : m_ui.shown) EXPECT_NE(s.kind, MessageKind::Question);
}

TEST_F(ExchangeTest, AFileWithNulBytesIsRefusedBeforeAnythingIsStored) {
  const fs::path p = m_dir / "binary.lgw";
  {
    std::ofstream f(p, std::ios::binary);
    f << "*Bas\r\nORG,X\r\n"
      << std::string(
             "\0\x7f"
             "ELF\0\0*Speldag\n1,2\n",
             16);
  }
  Importer importer(m_db, "");
  importer.importFiles({p.string()});
  EXPECT_TRUE(importer.failed());
  EXPECT_TRUE(logHas(importer.log(), "är ingen textfil"));
  EXPECT_FALSE(m_db.competitionOpen());
  EXPECT_EQ(m_db.catalogueUsedRecs(), 0);
}

// The imports of golden/numbered-section-lines and golden/utf8-file rest on these.
TEST(ImportInput, LettersBeforeTheStarMakeADataLine) {
  EXPECT_EQ(SectionLineStart("AB*Lag"), std::nullopt);
  EXPECT_EQ(SectionLineStart("  *Lag"), std::nullopt);
  EXPECT_EQ(SectionLineStart("*Lag"), 0u);
}

TEST(ImportInput, ACodePage1252FileIsNotTakenForUtf8) {
  EXPECT_FALSE(LooksLikeUtf8(Utf8ToCp1252("MÖLNDALS DFF")));
  EXPECT_FALSE(LooksLikeUtf8("ASCII ONLY"));
}

TEST_F(ExchangeTest, AFileThatCannotBeOpenedIsAFailedImport) {
  Importer importer(m_db, "");
  importer.importFiles({(m_dir / "missing.lgw").string()});
  EXPECT_TRUE(importer.failed());
}

}  // namespace
}  // namespace liga::exchange::testing
