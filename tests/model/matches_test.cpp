// The match model: reads as values, and the operations keeping the play-time slot, both
// team entries and the counters in step.
#include "model/matches.h"

#include "model/match_totals.h"

#include <gtest/gtest.h>

#include "storage/mem_env.h"
#include "support/db_fixture.h"

namespace liga::model {
namespace {

class MatchModelTest : public liga::testing::DbFixture {
 protected:
  void SetUp() override {
    DbFixture::SetUp();
    newCompetition("SERIEN");
    m_class = addClass("A");
    for (int i = 0; i < 4; ++i) m_team[i] = addTeam("LAG" + std::to_string(i), m_class, i + 1);
    m_pt = addPlayTime("2027-04-10 10:00");
    m_pt2 = addPlayTime("2027-04-17 10:00");
  }

  TeamRec team(std::int32_t recNo) {
    TeamRec t;
    EXPECT_TRUE(m_db.readTeamRecord(recNo, t));
    return t;
  }
  DivisionRec cls() {
    DivisionRec c;
    EXPECT_TRUE(m_db.readClassRecord(m_class, c));
    return c;
  }
  // The competition's open total equals its one class's, on disk and in memory.
  void expectTotalsAgree() {
    CompetitionRec stored;
    ASSERT_TRUE(m_db.readCompetitionRecord(m_db.currentCompetition(), stored));
    EXPECT_EQ(stored.totalOpenMatches(), cls().openMatches());
    EXPECT_EQ(m_db.comp().totalOpenMatches(), cls().openMatches());
  }

  std::int32_t m_class = 0, m_pt = 0, m_pt2 = 0;
  std::int32_t m_team[4] = {};
};

TEST_F(MatchModelTest, ReadsReturnValuesAndLeaveTheBuffersAlone) {
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 3, m_team[0], m_team[1]), PlaceOutcome::Placed);
  ASSERT_TRUE(RecordResult(m_db, m_pt, 3, 2, 5));
  ASSERT_TRUE(m_db.readTeam(m_team[3]));
  ASSERT_TRUE(m_db.readPlayTime(m_pt2));
  const TeamRec teamBefore = m_db.team();

  const auto home = TeamMatches(m_db, m_team[0]);
  ASSERT_EQ(home.size(), 1u);
  EXPECT_TRUE(home[0].home);
  EXPECT_EQ(home[0].opponent, m_team[1]);
  EXPECT_EQ(home[0].playTimeRecNo, m_pt);
  EXPECT_EQ(home[0].homeScore(), 2);
  EXPECT_EQ(home[0].awayScore(), 5);
  const auto away = TeamMatches(m_db, m_team[1]);
  ASSERT_EQ(away.size(), 1u);
  EXPECT_FALSE(away[0].home);
  EXPECT_EQ(away[0].opponent, m_team[0]);
  EXPECT_EQ(away[0].ownScore, 5);
  const auto slots = PlayTimeMatches(m_db, m_pt);
  ASSERT_EQ(slots.size(), 1u);
  EXPECT_EQ(slots[0].slot, 3);
  EXPECT_EQ(slots[0].number, home[0].number);
  const auto match = Match(m_db, home[0].number);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->home, m_team[0]);
  EXPECT_TRUE(match->played());
  EXPECT_FALSE(Match(m_db, home[0].number + 1).has_value());

  EXPECT_EQ(m_db.teamRecNo(), m_team[3]);
  EXPECT_EQ(m_db.playTimeRecNo(), m_pt2);
  EXPECT_TRUE(m_db.team() == teamBefore);
}

TEST_F(MatchModelTest, ListedRowsStopAtUsedRowsAndKeepARowWithoutNumber) {
  PlayTimeRec pt;
  ASSERT_TRUE(m_db.readPlayTimeRecord(m_pt, pt));
  auto row = [](int number, std::int32_t home, std::int32_t away) {
    MatchEntry e;
    e.setMatchNumber(number);
    e.setHomeTeamRecNo(home);
    e.setAwayTeamRecNo(away);
    e.setHomeScore(1);
    e.setAwayScore(kNoResult);
    return e;
  };
  pt.setMatch(1, row(7, m_team[0], m_team[1]));
  pt.setMatch(2, row(8, 0, m_team[2]));          // no home team: not a row of the list
  pt.setMatch(3, row(0, m_team[2], m_team[3]));  // teams but no number yet
  pt.setMatch(4, row(9, m_team[1], m_team[0]));  // beyond UsedRows
  pt.setUsedRows(3);
  ASSERT_TRUE(m_db.writePlayTimeRecord(m_pt, pt));

  const std::vector<MatchValue> listed = ListedMatches(pt, m_pt);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].slot, 1);
  EXPECT_EQ(listed[0].number, 7);
  EXPECT_EQ(listed[0].playTimeRecNo, m_pt);
  EXPECT_FALSE(listed[0].played());
  EXPECT_EQ(listed[1].slot, 3);
  EXPECT_EQ(listed[1].number, 0);
  EXPECT_EQ(listed[1].home, m_team[2]);
  // The registered matches are another view: numbered slots with a home team, all 16.
  const std::vector<MatchValue> registered = PlayTimeMatches(m_db, m_pt);
  ASSERT_EQ(registered.size(), 2u);
  EXPECT_EQ(registered[1].slot, 4);
  // A slot read: the match there, or none.
  ASSERT_TRUE(SlotMatch(m_db, m_pt, 4).has_value());
  EXPECT_EQ(SlotMatch(m_db, m_pt, 4)->number, 9);
  EXPECT_FALSE(SlotMatch(m_db, m_pt, 3).has_value());
  EXPECT_FALSE(SlotMatch(m_db, m_pt, 5).has_value());
  EXPECT_FALSE(SlotMatch(m_db, 999, 1).has_value());
  // A damaged count never reads past the 16 rows.
  pt.setUsedRows(40);
  EXPECT_EQ(ListedMatches(pt).size(), 3u);
  pt.setUsedRows(-2);
  EXPECT_TRUE(ListedMatches(pt).empty());
}

TEST(MatchTotals, OneLineWithTheSchedulePagesWiderGap) {
  EXPECT_EQ(MatchTotalsLine(12, 5, TotalsSpacing::Report),
            "Antal matcher: 12 spelade:  5 kvar:  7");
  EXPECT_EQ(MatchTotalsLine(12, 5, TotalsSpacing::SchedulePage),
            "Antal matcher: 12 spelade:  5  kvar:  7");
  EXPECT_EQ(MatchTotalsLine(1000, 0, TotalsSpacing::Report),
            "Antal matcher:1000 spelade:  0 kvar:1000");
}

TEST_F(MatchModelTest, PlaceScoreReplaceAndClearKeepRecordsAndCountersInStep) {
  const int last = m_db.comp().lastMatchNumber();
  const int open = cls().openMatches();
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 1, m_team[0], m_team[1]), PlaceOutcome::Placed);
  const int number = last + 1;
  EXPECT_EQ(m_db.comp().lastMatchNumber(), number);
  CompetitionRec stored;
  ASSERT_TRUE(m_db.readCompetitionRecord(m_db.currentCompetition(), stored));
  EXPECT_EQ(stored.lastMatchNumber(), number) << "the number is stored with the match";

  ASSERT_TRUE(RecordResult(m_db, m_pt, 1, 3, 1));
  EXPECT_EQ(cls().openMatches(), open - 1);
  EXPECT_EQ(team(m_team[0]).tablePoints(), 2);
  expectTotalsAgree();

  // Another away team: the match keeps its number and result; the team that left loses its
  // entry and its points.
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 1, m_team[0], m_team[2]), PlaceOutcome::Placed);
  EXPECT_EQ(team(m_team[1]).match(1).matchNumber(), 0);
  EXPECT_EQ(team(m_team[1]).played(), 0);
  const TeamMatchEntry e = team(m_team[2]).match(1);
  EXPECT_EQ(e.matchNumber(), number);
  EXPECT_EQ(e.opponentRecNo(), -m_team[0]);
  EXPECT_EQ(e.ownScore(), 1);

  // Clearing a played match: it is open again for the class's round robin.
  ASSERT_TRUE(ClearMatch(m_db, m_pt, 1));
  EXPECT_EQ(cls().openMatches(), open);
  EXPECT_EQ(team(m_team[0]).match(1).matchNumber(), 0);
  EXPECT_EQ(team(m_team[0]).played(), 0);
  EXPECT_TRUE(PlayTimeMatches(m_db, m_pt).empty());
  expectTotalsAgree();

  // A partial result is no result for the counters.
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 2, m_team[2], m_team[3]), PlaceOutcome::Placed);
  ASSERT_TRUE(RecordResult(m_db, m_pt, 2, 1, -1));
  EXPECT_EQ(cls().openMatches(), open);
  ASSERT_TRUE(ClearResult(m_db, m_pt, 2));
  EXPECT_EQ(PlayTimeMatches(m_db, m_pt).at(0).homeScore, kNoResult);
  expectTotalsAgree();
}

TEST_F(MatchModelTest, AMatchIsPlacedOnlyWhenBothListsHaveRoom) {
  TeamRec full = team(m_team[1]);
  full.setTeamMatchCount(TeamRec::kMaxMatches);
  for (int m = 1; m <= TeamRec::kMaxMatches; ++m) {
    TeamMatchEntry e = full.match(m);
    e.setMatchNumber(9000);
    full.setMatch(m, e);
  }
  ASSERT_TRUE(m_db.writeTeamRecord(m_team[1], full));
  const int last = m_db.comp().lastMatchNumber();
  EXPECT_EQ(PlaceMatch(m_db, m_pt, 1, m_team[0], m_team[1]), PlaceOutcome::NoRoom);
  EXPECT_EQ(m_db.comp().lastMatchNumber(), last);
  EXPECT_TRUE(PlayTimeMatches(m_db, m_pt).empty());
  EXPECT_TRUE(TeamMatches(m_db, m_team[0]).empty());
}

TEST_F(MatchModelTest, MoveKeepsTheMatchAndPointsBothTeamsAtTheDestination) {
  ASSERT_EQ(PlaceMatch(m_db, m_pt2, 1, m_team[0], m_team[1]), PlaceOutcome::Placed);
  ASSERT_EQ(PlaceMatch(m_db, m_pt2, 2, m_team[2], m_team[3]), PlaceOutcome::Placed);
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 1, m_team[1], m_team[0]), PlaceOutcome::Placed);
  ASSERT_TRUE(RecordResult(m_db, m_pt2, 1, 2, 2));
  const int number = PlayTimeMatches(m_db, m_pt2).at(0).number;

  const MoveOutcome moved = MoveMatch(m_db, m_pt2, 1, m_pt);
  ASSERT_TRUE(moved.moved) << moved.failure;
  const auto source = PlayTimeMatches(m_db, m_pt2);
  ASSERT_EQ(source.size(), 1u);
  EXPECT_EQ(source[0].slot, 1) << "the source closes the gap";
  EXPECT_EQ(source[0].home, m_team[2]);
  const auto destination = PlayTimeMatches(m_db, m_pt);
  ASSERT_EQ(destination.size(), 2u);
  EXPECT_EQ(destination[1].number, number);
  EXPECT_EQ(destination[1].homeScore, 2);
  // Both teams' lists point at the destination, in play-time order.
  for (const std::int32_t t : {m_team[0], m_team[1]}) {
    for (const TeamMatch& m : TeamMatches(m_db, t)) EXPECT_EQ(m.playTimeRecNo, m_pt);
  }
  EXPECT_FALSE(MoveMatch(m_db, m_pt2, 5, m_pt).moved);
}

// A unit whose commit fails gives the competition record in memory its state from before,
// as the files are rolled back: the close does not store totals of undone work.
TEST_F(MatchModelTest, AFailedUnitLeavesTheTotalsAsTheFilesAre) {
  ASSERT_EQ(PlaceMatch(m_db, m_pt, 1, m_team[0], m_team[1]), PlaceOutcome::Placed);
  m_db.closeAll();
  storage::FaultEnv fault(storage::posixEnv());
  storage::setCurrentEnv(&fault);
  ASSERT_TRUE(m_db.readCatalogue());
  ASSERT_TRUE(m_db.selectCompetition(1, false));
  const int openBefore = m_db.comp().totalOpenMatches();
  fault.failAt(storage::FaultEnv::Kind::Sync, 0, true);
  EXPECT_FALSE(RecordResult(m_db, m_pt, 1, 1, 0));
  EXPECT_EQ(m_db.comp().totalOpenMatches(), openBefore);
  fault.disarm();
  m_db.closeAll();
  storage::setCurrentEnv(nullptr);
  ASSERT_TRUE(m_db.readCatalogue());
  ASSERT_TRUE(m_db.selectCompetition(1, false));
  EXPECT_FALSE(PlayTimeMatches(m_db, m_pt).at(0).played());
  expectTotalsAgree();
}

}  // namespace
}  // namespace liga::model
