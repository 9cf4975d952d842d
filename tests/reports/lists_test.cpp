// The team lists, schedules and results, printed on the recording printer and filled into
// grids, over a small competition built with the database fixture.
#include "reports/lists.h"

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/progress.h"
#include "common/text.h"
#include "reports/grid_export.h"
#include "reports/protocols.h"
#include "reports/recording_surface.h"
#include "reports/results.h"
#include "support/db_fixture.h"
#include "support/run_liga.h"

namespace liga::reports {
namespace {

class ListsTest : public liga::testing::DbFixture {
 protected:
  void SetUp() override {
    DbFixture::SetUp();
    m_settings.normal = {"Mono", 10, false, false, 0};
    m_settings.bold = {"Mono", 10, true, false, 0};
    m_settings.large = {"Mono", 12, true, false, 0};
    m_settings.small = {"Mono", 6, false, false, 0};
    newCompetition("VINTERCUPEN");
    m_db.comp().setOrganiser("ORGANISATIONEN");
    m_db.comp().setTitleCaseNames(false);
    m_a = addClass("A-KLASS", 2, 1);
    m_b = addClass("B-KLASS", 2, 1);
    m_norr = addTeam("NORR", m_a, 1);
    m_syd = addTeam("SYD", m_a, 2);
    m_vast = addTeam(W("VÄST"), m_a, 3);
    m_ost = addTeam(W("ÖST"), m_b, 1);
    m_p1 = addPlayTime("2027-01-10 10:00");
    m_p2 = addPlayTime("2027-01-10 12:00");
    m_p3 = addPlayTime("2027-01-17 10:00");
    addMatch(m_p1, m_norr, m_syd, 3, 1);          // played
    addMatch(m_p2, m_vast, m_norr);               // not played: NORR away
    addMatch(m_p3, m_syd, m_vast, 2, kNoResult);  // one score only
  }

  ReportContext context() {
    return ReportContext{m_db, selection, m_settings,
                         [] { return std::string("2027-01-20 08:00:00"); }};
  }
  const RecordedDocument& job(std::size_t i = 0) {
    EXPECT_GT(m_printer.documents.size(), i);
    return m_printer.documents.at(i);
  }
  // Texts of the document whose y is the same, joined, in drawing order.
  static std::vector<std::string> lines(const RecordedDocument& d) {
    std::vector<std::string> out;
    double y = -1;
    int page = 0;
    for (const DrawOp* t : d.texts()) {
      if (t->y != y || t->page != page) out.emplace_back();
      out.back() += t->text;
      y = t->y;
      page = t->page;
    }
    return out;
  }
  static bool hasLine(const RecordedDocument& d, const std::string& s) {
    for (const auto& l : lines(d))
      if (l.find(s) != std::string::npos) return true;
    return false;
  }
  static std::string W(const char* s) { return Utf8ToCp1252(s); }

  ReportSettings m_settings;
  RecordingPrinter m_printer;
  ScopedPrinter m_scope{m_printer};
  TeamSelection selection{m_db};
  std::int32_t m_a = 0, m_b = 0, m_norr = 0, m_syd = 0, m_vast = 0, m_ost = 0, m_p1 = 0, m_p2 = 0,
               m_p3 = 0;
};

TEST_F(ListsTest, TeamScheduleShowsHomeAndAwayWithTheHomeScoreFirst) {
  auto ctx = context();
  PrintTeamSchedules(ctx, {m_syd, m_ost});
  ASSERT_EQ(m_printer.documents.size(), 2u);
  const RecordedDocument& d = job(0);
  EXPECT_EQ(d.name, "LigaWin32:spelpgm: \"SYD\"");
  // SYD lost 1-3 away at NORR: shown " B" with NORR's 3 first.
  EXPECT_TRUE(d.contains("  1 B"));
  EXPECT_TRUE(d.contains(" 3- 1"));
  EXPECT_FALSE(d.contains(" 1- 3"));
  // At home against VÄST with one score: listed, no result, not played.
  EXPECT_TRUE(d.contains("  3 H"));
  EXPECT_FALSE(d.contains(" 2-"));
  EXPECT_TRUE(hasLine(d, "Antal matcher:  2 spelade:  1 kvar:  1"));
  // ÖST has no match: no match lines and no totals.
  EXPECT_FALSE(job(1).contains("Antal matcher:"));
  EXPECT_FALSE(job(1).contains(" H"));
  EXPECT_EQ(OpenProgressWindows(), 0);
}

TEST_F(ListsTest, TeamScheduleDropsAnEntryWhosePlayTimeIsGone) {
  // NORR's second entry names a play time the file does not hold.
  ASSERT_TRUE(m_db.readTeam(m_norr));
  TeamMatchEntry e = m_db.team().match(2);
  ASSERT_EQ(e.playTimeRecNo(), m_p2);
  e.setPlayTimeRecNo(999);
  m_db.team().setMatch(2, e);
  ASSERT_TRUE(m_db.rewriteTeam(m_norr));
  auto ctx = context();
  PrintTeamSchedules(ctx, {m_norr});
  EXPECT_TRUE(hasLine(job(), "Antal matcher:  1 spelade:  1 kvar:  0"));
}

TEST_F(ListsTest, TeamListPrintsContactRowsWithAnyField) {
  ASSERT_TRUE(m_db.readTeam(m_norr));
  ContactRow leader;
  leader.setName("LEDARE LEDARSSON");
  leader.setStreet("GATAN 1");
  m_db.team().setContactRow(0, leader);
  ContactRow phoneOnly;
  phoneOnly.setAddress4("070-123");
  m_db.team().setContactRow(5, phoneOnly);
  m_db.team().setRanking(7);
  ASSERT_TRUE(m_db.rewriteTeam(m_norr));
  auto ctx = context();
  PrintTeamList(ctx, {m_a, m_b});
  const RecordedDocument& d = job();
  EXPECT_EQ(d.name, "LigaWin32:laglista");
  EXPECT_TRUE(hasLine(d, "Laglista.."));
  EXPECT_TRUE(hasLine(d, " LL LEDARE LEDARSSON GATAN 1"));
  EXPECT_TRUE(hasLine(d, "  5    070-123")) << ::testing::PrintToString(lines(d));
  EXPECT_TRUE(hasLine(d, "   1 NORR  7"));
  EXPECT_TRUE(hasLine(d, "A-KLASSLag:  3"));
  EXPECT_TRUE(hasLine(d, "B-KLASSLag:  1"));
  // Team number order within the class.
  const auto l = lines(d);
  auto at = [&](const std::string& s) {
    return std::find_if(l.begin(), l.end(),
                        [&](const std::string& x) { return x.find(s) != std::string::npos; }) -
           l.begin();
  };
  EXPECT_LT(at("   1 NORR"), at("   2 SYD"));
  EXPECT_LT(at("   2 SYD"), at(W("   3 VÄST")));
  EXPECT_LT(at(W("   3 VÄST")), at(W("   1 ÖST")));
  // The final footer does not continue.
  EXPECT_FALSE(d.contains("forts... "));
}

TEST_F(ListsTest, TeamListPrintsARowOfBlanksAsTheSchedulePageAndExportDo) {
  ASSERT_TRUE(m_db.readTeam(m_norr));
  ContactRow blanks;
  blanks.setName("   ");
  m_db.team().setContactRow(4, blanks);
  ASSERT_TRUE(m_db.rewriteTeam(m_norr));
  auto ctx = context();
  PrintTeamList(ctx, {m_a});
  const auto l = lines(job());
  EXPECT_EQ(
      std::count_if(l.begin(), l.end(), [](const std::string& s) { return TrimRight(s) == "  4"; }),
      1)
      << ::testing::PrintToString(l);
}

TEST_F(ListsTest, RemainingMatchesSkipTeamsThatHavePlayedEverything) {
  const auto played = addTeam("KLAR", m_b, 2);
  const auto pt = addPlayTime("2027-02-01 10:00");
  addMatch(pt, played, m_ost, 1, 1);
  auto ctx = context();
  PrintRemainingMatches(ctx, {m_a, m_b});
  const RecordedDocument& d = job();
  EXPECT_EQ(d.name, "LigaWin32:\"kvar-att-spela\"");
  EXPECT_FALSE(d.contains("KLAR"));
  EXPECT_FALSE(d.contains(W("ÖST")));
  EXPECT_TRUE(d.contains(" NORR"));
  // Totals count every team's matches, the finished ones too: NORR 1+1, SYD 1+1, VÄST 0+2,
  // ÖST 1+0, KLAR 1+0.
  EXPECT_TRUE(hasLine(d, "Antal spelade:   4 kvar:   4"));
}

TEST_F(ListsTest, LeagueScheduleWithSomeClassesJoinsPlayTimesOfOneDayAndLeader) {
  auto ctx = context();
  PrintLeagueSchedule(ctx, {m_a}, {m_p1, m_p2, m_p3}, false);
  const RecordedDocument& d = job();
  EXPECT_EQ(d.name, "LigaWin32:spelschema");
  int dateLines = 0;
  for (const auto& l : lines(d)) dateLines += l.rfind("2027-01-10", 0) == 0;
  EXPECT_EQ(dateLines, 1);
  EXPECT_TRUE(hasLine(d, "A-KLASS                 10:00     1 NORR <-> SYD"));
  EXPECT_TRUE(hasLine(d, "A-KLASS                 12:00     2"));
  EXPECT_TRUE(hasLine(d, "2027-01-17"));
  // The played match carries its result 60 characters (of the small font) after the line.
  const DrawOp *line = nullptr, *score = nullptr;
  for (const DrawOp* t : d.texts()) {
    if (t->text == "A-KLASS                 10:00     1 NORR <-> SYD") line = t;
    if (t->text == "   3- 1") score = t;
  }
  ASSERT_TRUE(line && score);
  EXPECT_EQ(line->y, score->y);
  EXPECT_DOUBLE_EQ(score->x - line->x, 60 * 6 * 0.6);
}

TEST_F(ListsTest, ResultsListPlayedAndUnplayedMatchesAndTheTable) {
  auto ctx = context();
  PrintResults(ctx, {m_a, m_b}, {m_p1, m_p2, m_p3});
  ASSERT_EQ(m_printer.documents.size(), 2u);
  const RecordedDocument& d = job(0);
  EXPECT_EQ(d.name, "LigaWin32:resultat");
  EXPECT_TRUE(hasLine(d, "Resultattabell.."));
  EXPECT_TRUE(hasLine(d, W("A-KLASS Anmälda:  3")));
  const auto l = lines(d);
  const auto playedAt = std::find(l.begin(), l.end(), "Spelade matcher...") - l.begin();
  const auto comingAt =
      std::find(l.begin(), l.end(), "Kommande/kvarvarande matcher...") - l.begin();
  ASSERT_LT(playedAt, comingAt);
  ASSERT_LT(comingAt, static_cast<long>(l.size()));
  // The played match with its dotted fill and score at column 69.
  // The away text is formed like the home text, with its own leading blank.
  std::string text = " 0001 NORR <->  0002 SYD";
  std::string pattern;
  while (pattern.size() < 64) pattern += "  .";
  text += pattern.substr(text.size(), 64 - text.size());
  auto find = [&](const std::string& s) { return std::find(l.begin(), l.end(), s) - l.begin(); };
  EXPECT_GT(find(text + "  3- 1"), playedAt);
  EXPECT_LT(find(text + "  3- 1"), comingAt) << ::testing::PrintToString(l);
  // The unplayed match is under the coming matches; the one with one score nowhere.
  EXPECT_GT(find(W(" 0003 VÄST <->  0001 NORR")), comingAt);
  EXPECT_FALSE(d.contains(W(" 0002 SYD <->  0003 VÄST")));
  // 2027-01-17 holds only the half-entered match: its heading is not printed at all.
  EXPECT_FALSE(d.contains("2027-01-17 10:00"));
  // The table in standings order, the unranked team last with 0 points.
  EXPECT_TRUE(hasLine(d, W("LagnamnSpeVunOavFörDiffer.Poäng")));
  const auto norrRow = find("NORR 1 1 0 0  3-  1 2");
  const auto sydRow = find("SYD 1 0 0 1  1-  3 0");
  EXPECT_LT(norrRow, sydRow);
  EXPECT_LT(sydRow, static_cast<long>(l.size()));
  // B-KLASS: ÖST has no match; both match sections still print.
  EXPECT_TRUE(job(1).contains("Spelade matcher..."));
  EXPECT_TRUE(job(1).contains("Kommande/kvarvarande matcher..."));
}

TEST_F(ListsTest, AbortedResultsStopTheClassLoop) {
  auto ctx = context();
  RecordingUi ui;
  ScopedUi scopedUi(ui);
  ui.onPendingInput = [] { CancelProgress(); };
  PrintResults(ctx, {m_a, m_b}, {m_p1, m_p2, m_p3});
  EXPECT_EQ(m_printer.documents.size(), 1u);
  EXPECT_TRUE(job().ended);
  ClearProgressAbort();
}

TEST_F(ListsTest, ResultsViewHoldsTheStandingsAndBothMatchLists) {
  auto ctx = context();
  const auto grids = ViewResults(ctx, {m_a}, {m_p1, m_p2, m_p3});
  ASSERT_EQ(grids.size(), 1u);
  const GridModel& g = grids[0];
  EXPECT_EQ(g.title(), "LigaWin32: resultattabell: A-KLASS: VINTERCUPEN 2027-01-20 08:00:00");
  const std::string text = GridText(g);
  EXPECT_NE(
      text.find("Spelade matcher...\n\t2027-01-10 10:00\n\t0001 NORR\t - \t0002 SYD\t 3- 1\n\n"),
      std::string::npos)
      << text;
  EXPECT_NE(
      text.find(
          W("Lagnamn\tSpe\tVun\tOav\tFör\tDiffer.\tPoäng\nNORR\t 1\t 1\t 0\t 0\t  3-  1\t 2\n")),
      std::string::npos)
      << text;
  EXPECT_NE(
      text.find(W("Kvarvarande matcher...\n\t2027-01-10 12:00\n\t0003 VÄST\t - \t0001 NORR\n")),
      std::string::npos)
      << text;
}

TEST_F(ListsTest, ResultsViewOfSeveralClassesIsTitledWithEveryClass) {
  auto ctx = context();
  const auto grids = ViewResults(ctx, {m_a, m_b}, {m_p1, m_p2, m_p3});
  ASSERT_EQ(grids.size(), 2u);
  const std::string title = ResultsViewTitle(grids);
  EXPECT_EQ(title, "LigaWin32: resultattabell: A-KLASS, B-KLASS: VINTERCUPEN 2027-01-20 08:00:00");
  // The joined grid (the window and its exports) carries it.
  EXPECT_EQ(JoinGrids(grids, title).title(), title);
  EXPECT_EQ(ResultsViewTitle({grids[0]}), grids[0].title());
}

TEST_F(ListsTest, ViewsSeparateClassGroupsAndNameMissingTeams) {
  auto ctx = context();
  const GridModel list = ViewTeamList(ctx, {m_a, m_b});
  EXPECT_NE(GridText(list).find("\n--\nB-KLASS"), std::string::npos) << GridText(list);
  // A match whose away team is not in the team file.
  const auto pt = addPlayTime("2027-03-01 10:00");
  ASSERT_TRUE(m_db.readPlayTime(pt));
  MatchEntry e;
  e.setMatchNumber(9);
  e.setHomeTeamRecNo(m_norr);
  e.setAwayTeamRecNo(999);
  e.setHomeScore(kNoResult);
  e.setAwayScore(kNoResult);
  m_db.playTime().setMatch(1, e);
  m_db.playTime().setUsedRows(1);
  ASSERT_TRUE(m_db.rewritePlayTime(pt));
  const GridModel schedule = ViewLeagueSchedule(ctx, {m_a, m_b}, {pt});
  EXPECT_NE(GridText(schedule).find("NORR\t - \tFelifilenkanejfinnalag"), std::string::npos)
      << GridText(schedule);
}

TEST_F(ListsTest, ANameWithMarkupThroughEveryExport) {
  ASSERT_TRUE(m_db.readTeam(m_ost));
  m_db.team().setTeamName("A & <B>");
  ASSERT_TRUE(m_db.rewriteTeam(m_ost));
  auto ctx = context();
  const GridModel g = ViewTeamList(ctx, {m_a, m_b});
  const std::string base = path("lista");
  ASSERT_TRUE(ExportHtml(g, base + ".htm", {}, true).written);
  ASSERT_TRUE(ExportXml(g, base + ".xml", {}, true).written);
  ASSERT_TRUE(ExportPdf(g, base + ".pdf", {}, {}, true).written);
  using liga::testing::RunCommand;
  const auto lint = RunCommand("xmllint --html --noout '" + base + ".htm'");
  EXPECT_EQ(lint.out, "");
  const auto html =
      RunCommand("xmllint --html --xpath '//td[contains(., \"A & <B>\")]' '" + base + ".htm'");
  EXPECT_NE(html.out.find("A &amp; &lt;B&gt;"), std::string::npos) << html.out;
  const auto xslt = RunCommand("xsltproc '" + base + ".xsl' '" + base + ".xml'");
  EXPECT_EQ(xslt.status, 0) << xslt.out;
  EXPECT_NE(xslt.out.find(" A &amp; &lt;B&gt;    "), std::string::npos) << xslt.out;
  EXPECT_EQ(RunCommand("qpdf --check '" + base + ".pdf'").status, 0);
  EXPECT_NE(RunCommand("pdftotext '" + base + ".pdf' -").out.find("A & <B>"), std::string::npos);
  // The printed report draws the name as it is.
  PrintTeamList(ctx, {m_b});
  EXPECT_TRUE(job().contains(" A & <B>"));
}

TEST_F(ListsTest, ProtocolColumnsAreFractionsOfTheLine) {
  const ProtocolColumns i = ProtocolColumnsFor(ProtocolLayout::Individual, 100);
  EXPECT_EQ((std::vector<int>{i.c1, i.c2, i.c3, i.c4}), (std::vector<int>{6, 42, 78, 89}));
  const ProtocolColumns b = ProtocolColumnsFor(ProtocolLayout::Badminton, 75);
  EXPECT_EQ((std::vector<int>{b.c1, b.c2, b.c3, b.c4}), (std::vector<int>{9, 34, 59, 67}));
}

TEST_F(ListsTest, ProtocolsOnePerMatchWithPlayersAndResult) {
  ASSERT_TRUE(m_db.readTeam(m_norr));
  for (int r = 1; r <= 5; ++r) {
    ContactRow row;
    row.setName("SPELARE " + std::to_string(r));
    m_db.team().setContactRow(r, row);
  }
  ASSERT_TRUE(m_db.rewriteTeam(m_norr));
  addMatch(m_p1, m_vast, m_syd);
  {
    // A third match whose away team is not in the team file.
    ASSERT_TRUE(m_db.readPlayTime(m_p1));
    MatchEntry e;
    e.setMatchNumber(9);
    e.setHomeTeamRecNo(m_ost);
    e.setAwayTeamRecNo(999);
    e.setHomeScore(kNoResult);
    e.setAwayScore(kNoResult);
    m_db.playTime().setMatch(3, e);
    m_db.playTime().setUsedRows(3);
    ASSERT_TRUE(m_db.rewritePlayTime(m_p1));
  }
  auto ctx = context();
  PrintProtocols(ctx, ProtocolLayout::Individual, {m_p1});
  ASSERT_EQ(m_printer.documents.size(), 3u);
  const RecordedDocument& played = job(0);
  EXPECT_EQ(played.name, "LigaWin32:protokoll 2027-01-10 1");
  EXPECT_TRUE(hasLine(played, "..spelprotokoll.."));
  EXPECT_TRUE(hasLine(played, "A-KLASS Matchnr:   1"));
  EXPECT_TRUE(hasLine(played, " \"0001\" NORR \"0002\" SYD Delresultat"));
  // Rows 1 to 5 of the four player sections carry NORR's players; row 6 stays empty.
  int players = 0;
  for (const DrawOp* t : played.texts())
    players += t->text.rfind("0", 0) == 0 && t->text.find("SPELARE") != std::string::npos;
  EXPECT_EQ(players, 4 * 5);
  EXPECT_FALSE(played.contains("06 "));
  EXPECT_TRUE(played.contains(" 3 --  1"));
  EXPECT_FALSE(job(1).contains(" -- "));
  EXPECT_TRUE(job(1).contains("   --"));
  EXPECT_TRUE(job(2).contains(std::string(" ") + kMissingClub));
  // The five vertical rules.
  int vertical = 0;
  for (const DrawOp& op : played.ops) vertical += op.kind == DrawOp::Line && op.x == op.x2;
  EXPECT_EQ(vertical, 5);
}

TEST_F(ListsTest, TeamAndBadmintonProtocolLayouts) {
  auto count = [](const RecordedDocument& d, const std::string& text) {
    int n = 0;
    for (const DrawOp* t : d.texts()) n += t->text == text;
    return n;
  };
  auto ctx = context();
  PrintProtocols(ctx, ProtocolLayout::Team, {m_p1});
  PrintProtocols(ctx, ProtocolLayout::Badminton, {m_p1});
  PrintProtocols(ctx, ProtocolLayout::Individual, {m_p1});
  ASSERT_EQ(m_printer.documents.size(), 3u);
  EXPECT_EQ(job(0).name, "LigaWin32:spelschema");
  EXPECT_EQ(count(job(0), "--"), 1);  // row 16 of the one section
  EXPECT_EQ(count(job(0), "1"), 1);
  EXPECT_EQ(count(job(1), " Dubbel"), 1);
  EXPECT_EQ(count(job(1), " Singel"), 2);
  EXPECT_EQ(count(job(1), "--"), 8);  // rows 2 and 6 of four sections
  EXPECT_EQ(count(job(2), "--"), 5);  // row 3 of five sections
  for (const char* n : {" 1", " 2", " 3", " 4", " 5"}) EXPECT_EQ(count(job(2), n), 1) << n;
  // Badminton: four short rules from c3 to the right margin at the middle of the sections.
  auto horizontal = [](const RecordedDocument& d) {
    int n = 0;
    for (const DrawOp& op : d.ops) n += op.kind == DrawOp::Line && op.y == op.y2;
    return n;
  };
  EXPECT_EQ(horizontal(job(1)) - horizontal(job(0)),
            3 + 3 + 4);  // 3 section rules, 3 c3..c4 lines, 4 mid rules
}

}  // namespace
}  // namespace liga::reports
