// Moving matches between play times and entering results.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/messages.h"
#include "editing/lag.h"
#include "editing/move_game.h"
#include "editing/result_form.h"
#include "editing_fixture.h"

namespace liga {
namespace {

class MatchesTest : public testing::EditingFixture {
 protected:
  void SetUp() override {
    EditingFixture::SetUp();
    m_a = addClass("A");
    for (int i = 0; i < 8; ++i) t[i] = addTeam("LAG" + std::to_string(i), m_a, i + 1);
  }
  TeamRec team(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readTeam(recNo));
    return m_db.team();
  }
  PlayTimeRec playTime(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readPlayTime(recNo));
    return m_db.playTime();
  }
  DivisionRec cls() {
    EXPECT_TRUE(m_db.readClass(m_a));
    return m_db.cls();
  }
  // The entry of `team` for `match`.
  TeamMatchEntry entry(std::int32_t team, int match) {
    const TeamRec r = this->team(team);
    for (int m = 1; m <= r.teamMatchCount(); ++m)
      if (r.match(m).matchNumber() == match) return r.match(m);
    ADD_FAILURE() << "no entry " << match;
    return {};
  }
  std::int32_t m_a = 0;
  std::int32_t t[8] = {};
};

// ---- mover ----

TEST_F(MatchesTest, MoveOntoADayATeamAlreadyPlaysIsAskedAndNoMovesNothing) {
  const std::int32_t p1 = addPlayTime("2027-01-10 18:00");
  const std::int32_t p2 = addPlayTime("2027-01-17 10:00");
  const std::int32_t p3 = addPlayTime("2027-01-17 18:00");
  addMatch(p1, t[0], t[1]);
  addMatch(p1, t[4], t[5]);
  addMatch(p2, t[2], t[1]);
  TMoveGameForm mover(m_db);
  mover.selectPlayTime(2, 2);  // 2027-01-17 18:00
  m_ui.answers = {Answer::No};
  OkResult r = mover.doubleClickLeft(1);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.beep);
  EXPECT_EQ(r.message, "ingen match flyttades");
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(Cp1252ToUtf8(m_ui.shown[0].text),
            "Laget \"0002 LAG1\" spelar redan 2027-01-17 10:00. Efter flyttningen spelar det två "
            "matcher samma dag. Flytta ändå?");
  EXPECT_EQ(playTime(p1).usedRows(), 2);
  EXPECT_EQ(playTime(p3).usedRows(), 0);
  // A team free that day moves without a question, and the status says what happened.
  r = mover.doubleClickLeft(2);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.message, "match 2 flyttad till 2027-01-17 18:00");
  EXPECT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(playTime(p3).usedRows(), 1);
}

TEST_F(MatchesTest, MovingCloseTheGapAndAppendsAtTheDestination) {
  const std::int32_t p1 = addPlayTime("2027-01-10 18:00"), p2 = addPlayTime("2027-01-17 18:00");
  addMatch(p1, t[0], t[1]);
  addMatch(p1, t[2], t[3], 3, 1);
  addMatch(p1, t[4], t[5]);
  addMatch(p1, t[6], t[7]);
  addMatch(p2, t[0], t[2]);
  TMoveGameForm mover(m_db);
  ASSERT_EQ(mover.list().size(), 2u);
  mover.selectPlayTime(2, 1);
  EXPECT_EQ(mover.cell(1, 2, 1), "0003 LAG2     ");
  EXPECT_EQ(mover.cell(1, 2, 4), " 3");
  // Team 3 already plays at the destination: the move is asked about first.
  m_ui.answers = {Answer::Yes};
  const OkResult r = mover.doubleClickLeft(2);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.message, "match 2 flyttad till 2027-01-17 18:00");
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
  const PlayTimeRec from = playTime(p1), to = playTime(p2);
  EXPECT_EQ(from.usedRows(), 3);
  EXPECT_EQ(from.match(1).matchNumber(), 1);
  EXPECT_EQ(from.match(2).matchNumber(), 3);
  EXPECT_EQ(from.match(3).matchNumber(), 4);
  EXPECT_EQ(from.match(4).matchNumber(), 0);
  EXPECT_EQ(from.match(4).homeScore(), kNoResult);
  EXPECT_EQ(to.usedRows(), 2);
  EXPECT_EQ(to.match(2).matchNumber(), 2);
  EXPECT_EQ(to.match(2).homeTeamRecNo(), t[2]);
  EXPECT_EQ(to.match(2).homeScore(), 3);
  EXPECT_EQ(to.match(2).awayScore(), 1);
  EXPECT_EQ(entry(t[2], 2).playTimeRecNo(), p2);
  EXPECT_EQ(entry(t[3], 2).playTimeRecNo(), p2);
  // The grids were reloaded from the files.
  EXPECT_EQ(mover.cell(2, 2, 0), "   2");
  EXPECT_EQ(mover.cell(1, 4, 0), "");
}

TEST_F(MatchesTest, TeamListIsResortedInPlayTimeOrderWithFreeEntriesLast) {
  const std::int32_t late = addPlayTime("2027-03-01 10:00"),
                     early = addPlayTime("2027-01-01 10:00"), mid = addPlayTime("2027-02-01 10:00");
  addMatch(early, t[0], t[1]);
  addMatch(late, t[0], t[2]);
  // A free entry between the two.
  ASSERT_TRUE(m_db.readTeam(t[0]));
  TeamMatchEntry first = m_db.team().match(1);
  m_db.team().setMatch(3, m_db.team().match(2));
  m_db.team().setMatch(2, TeamMatchEntry());
  m_db.team().setTeamMatchCount(3);
  ASSERT_TRUE(m_db.rewriteTeam(t[0]));
  (void)first;
  TMoveGameForm mover(m_db);
  // List order: early, mid, late. Move the early match to mid, then the late one to mid.
  mover.selectPlayTime(1, 0);
  mover.selectPlayTime(2, 1);
  // The team plays at "mid" already; both moves are confirmed.
  m_ui.answers = {Answer::Yes, Answer::Yes};
  ASSERT_TRUE(mover.doubleClickLeft(1).ok);
  mover.selectPlayTime(1, 2);
  ASSERT_TRUE(mover.doubleClickLeft(1).ok);
  const TeamRec r = team(t[0]);
  EXPECT_EQ(r.teamMatchCount(), 3);
  EXPECT_EQ(r.match(1).playTimeRecNo(), mid);
  EXPECT_EQ(r.match(2).playTimeRecNo(), mid);
  EXPECT_EQ(r.match(3).matchNumber(), 0);
  (void)late;
}

TEST_F(MatchesTest, MoverRefusalsInOrder) {
  const std::int32_t p1 = addPlayTime("2027-01-10 18:00"), p2 = addPlayTime("2027-01-17 18:00");
  addMatch(p1, t[0], t[1]);
  for (int i = 0; i < 16; ++i) addMatch(p2, t[2 + i % 6], t[(3 + i % 6) % 8]);
  TMoveGameForm mover(m_db);
  EXPECT_EQ(Cp1252ToUtf8(mover.doubleClickLeft(0).message), "Ingen match utvald för flyttning");
  EXPECT_EQ(Cp1252ToUtf8(mover.doubleClickLeft(5).message),
            "Ingen match registrerad på speltiden här");
  EXPECT_EQ(mover.selectedRow(), -1);
  EXPECT_EQ(Cp1252ToUtf8(mover.doubleClickLeft(1).message),
            "Meningslöst att flytta till samma speltid");
  mover.selectPlayTime(2, 1);
  const OkResult full = mover.doubleClickLeft(1);
  EXPECT_EQ(Cp1252ToUtf8(full.message), "Speltiden redan full flyttning ej möjlig");
  EXPECT_TRUE(full.beep);
  EXPECT_EQ(playTime(p1).usedRows(), 1);
}

TEST_F(MatchesTest, MissingTeamEntryMovesNothing) {
  const std::int32_t p1 = addPlayTime("2027-01-10 18:00"), p2 = addPlayTime("2027-01-17 18:00");
  addMatch(p1, t[0], t[1]);
  ASSERT_TRUE(m_db.readTeam(t[1]));
  m_db.team().setMatch(1, TeamMatchEntry());
  ASSERT_TRUE(m_db.rewriteTeam(t[1]));
  TMoveGameForm mover(m_db);
  mover.selectPlayTime(2, 1);
  const OkResult r = mover.doubleClickLeft(1);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Fel i filerna! Kan ej finna bortalaget!");
  EXPECT_EQ(playTime(p1).usedRows(), 1);
  EXPECT_EQ(playTime(p2).usedRows(), 0);
  EXPECT_EQ(entry(t[0], 1).playTimeRecNo(), p1);
}

TEST_F(MatchesTest, TeamWithMatchesIsDeletedOnlyWhenAskedAndTakesItsMatches) {
  const std::int32_t p1 = addPlayTime("2027-01-10 18:00");
  const std::int32_t p2 = addPlayTime("2027-01-17 18:00");
  addMatch(p1, t[0], t[1], 3, 1);
  addMatch(p2, t[2], t[0]);
  addMatch(p2, t[4], t[5]);
  TlgLagRegForm reg(m_db);
  reg.start();
  reg.setSelected(reg.indexOf(t[0]), true);
  reg.setSelected(reg.indexOf(t[7]), true);
  m_ui.answers = {Answer::No};
  reg.EraseEntry();
  EXPECT_GE(reg.indexOf(t[0]), 0);
  EXPECT_EQ(reg.indexOf(t[7]), -1);
  ASSERT_FALSE(m_ui.shown.empty());
  const std::string asked = Cp1252ToUtf8(m_ui.shown.back().text);
  EXPECT_NE(asked.find("har 2 matcher, 1 med resultat"), std::string::npos) << asked;
  EXPECT_EQ(playTime(p1).usedRows(), 1);

  reg.setSelected(reg.indexOf(t[0]), true);
  m_ui.answers = {Answer::Yes};
  reg.EraseEntry();
  EXPECT_EQ(reg.indexOf(t[0]), -1);
  // Its matches left both play times and the opponents' lists; other matches stay.
  EXPECT_EQ(playTime(p1).usedRows(), 0);
  EXPECT_EQ(playTime(p2).match(1).matchNumber(), 0);
  EXPECT_GT(playTime(p2).match(2).matchNumber(), 0);
  EXPECT_EQ(team(t[1]).match(1).matchNumber(), 0);
  EXPECT_EQ(team(t[2]).match(1).matchNumber(), 0);
  EXPECT_GT(team(t[4]).match(1).matchNumber(), 0);
}

// ---- result entry ----

class ResultTest : public MatchesTest {
 protected:
  void SetUp() override {
    MatchesTest::SetUp();
    m_pt = addPlayTime("2027-01-10 18:00");
    addMatch(m_pt, t[0], t[1]);
    addMatch(m_pt, t[2], t[3], 3, 1);
  }
  // Opens the window, types the scores of slot `row` and presses "klar".
  OkResult enter(int row, const std::string& home, const std::string& away) {
    TResultForm form(m_db);
    for (int r = 1; r <= 2; ++r) {
      form.setCell(r, TResultForm::kAwayCol, form.cell(r, TResultForm::kAwayCol));
    }
    form.setCell(row, TResultForm::kHomeCol, home);
    form.setCell(row, TResultForm::kAwayCol, away);
    return form.klarClick();
  }
  std::int32_t m_pt = 0;
};

TEST_F(ResultTest, NewResultLowersBothOpenCountersAndFillsBothEntries) {
  const int open = cls().openMatches(), total = m_db.comp().totalOpenMatches();
  ASSERT_TRUE(enter(1, "3", "1").ok);
  EXPECT_EQ(cls().openMatches(), open - 1);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), total - 1);
  EXPECT_EQ(entry(t[0], 1).ownScore(), 3);
  EXPECT_EQ(entry(t[0], 1).opponentScore(), 1);
  EXPECT_EQ(entry(t[1], 1).ownScore(), 1);
  EXPECT_EQ(entry(t[1], 1).opponentScore(), 3);
  EXPECT_EQ(playTime(m_pt).match(1).homeScore(), 3);
  const TeamRec winner = team(t[0]);
  EXPECT_EQ(winner.played(), 1);
  EXPECT_EQ(winner.wonCount(), 1);
  EXPECT_EQ(winner.tablePoints(), 2);
  EXPECT_EQ(team(t[1]).lostCount(), 1);
}

TEST_F(ResultTest, CorrectedResultChangesStatisticsNotCounters) {
  const int open = cls().openMatches();
  ASSERT_TRUE(enter(2, "2", "2").ok);
  EXPECT_EQ(cls().openMatches(), open);
  EXPECT_EQ(team(t[2]).drawnCount(), 1);
  EXPECT_EQ(team(t[2]).tablePoints(), 1);
  EXPECT_EQ(team(t[3]).tablePoints(), 1);
}

TEST_F(ResultTest, RemovedResultRaisesTheCountersAndStoresNoResult) {
  const int open = cls().openMatches(), total = m_db.comp().totalOpenMatches();
  ASSERT_TRUE(enter(2, "-1", "-1").ok);
  EXPECT_EQ(cls().openMatches(), open + 1);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), total + 1);
  EXPECT_EQ(playTime(m_pt).match(2).homeScore(), kNoResult);
  EXPECT_EQ(playTime(m_pt).match(2).awayScore(), kNoResult);
  EXPECT_EQ(entry(t[2], 2).ownScore(), kNoResult);
  EXPECT_EQ(team(t[2]).played(), 0);
}

TEST_F(ResultTest, PartialResultKeepsCountersAndStaysOutOfStatistics) {
  const int open = cls().openMatches();
  ASSERT_TRUE(enter(1, "3", "-1").ok);
  EXPECT_EQ(cls().openMatches(), open);
  EXPECT_EQ(playTime(m_pt).match(1).homeScore(), 3);
  EXPECT_EQ(playTime(m_pt).match(1).awayScore(), kNoResult);
  EXPECT_EQ(team(t[0]).played(), 0);
  EXPECT_EQ(team(t[1]).played(), 0);
}

TEST_F(ResultTest, CountersFollowPartialResultsBothWays) {
  const int open = cls().openMatches(), total = m_db.comp().totalOpenMatches();
  ASSERT_TRUE(enter(2, "3", "-1").ok);  // full -> partial: open again
  EXPECT_EQ(cls().openMatches(), open + 1);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), total + 1);
  ASSERT_TRUE(enter(1, "-1", "2").ok);  // none -> partial
  EXPECT_EQ(cls().openMatches(), open + 1);
  ASSERT_TRUE(enter(1, "1", "2").ok);  // partial -> full
  EXPECT_EQ(cls().openMatches(), open);
  EXPECT_EQ(m_db.comp().totalOpenMatches(), total);
}

TEST_F(ResultTest, OneFaultyScoreKeepsEveryTypedValueAndNamesItsMatch) {
  addPlayTime("2027-01-17 18:00");
  TResultForm form(m_db);
  form.setCell(1, TResultForm::kHomeCol, "0");
  form.setCell(1, TResultForm::kAwayCol, "1");
  form.setCell(2, TResultForm::kHomeCol, "3");
  form.setCell(2, TResultForm::kAwayCol, "x");
  EXPECT_TRUE(form.modified());
  const OkResult r = form.cbSpeltider1Change(1);
  EXPECT_FALSE(r.ok);
  const std::string number = std::to_string(playTime(m_pt).match(2).matchNumber());
  EXPECT_EQ(r.message, "match " + number + W(": bortaresultatet 'x' är inte ett tal"));
  EXPECT_EQ(r.row, 2);
  EXPECT_EQ(r.col, TResultForm::kAwayCol);
  EXPECT_EQ(form.listIndex(), 0);
  // Nothing typed is lost, and nothing was stored.
  EXPECT_EQ(form.cell(1, TResultForm::kHomeCol), "0");
  EXPECT_EQ(form.cell(1, TResultForm::kAwayCol), "1");
  EXPECT_EQ(form.cell(2, TResultForm::kHomeCol), "3");
  EXPECT_EQ(form.cell(2, TResultForm::kAwayCol), "x");
  EXPECT_EQ(playTime(m_pt).match(1).homeScore(), kNoResult);
  EXPECT_EQ(playTime(m_pt).match(2).awayScore(), 1);

  form.setCell(2, TResultForm::kAwayCol, "");
  EXPECT_EQ(form.klarClick().message,
            "match " + number + ": bortaresultatet saknas (-1 = inget resultat)");
  form.setCell(2, TResultForm::kAwayCol, "2");
  ASSERT_TRUE(form.cbSpeltider1Change(1).ok);
  EXPECT_EQ(playTime(m_pt).match(1).homeScore(), 0);
  EXPECT_EQ(playTime(m_pt).match(1).awayScore(), 1);
  EXPECT_EQ(playTime(m_pt).match(2).awayScore(), 2);
}

TEST_F(ResultTest, DiscardingRestoresThePlayTimeAsStored) {
  TResultForm form(m_db);
  form.setCell(2, TResultForm::kHomeCol, "x");
  form.discardChanges();
  EXPECT_FALSE(form.modified());
  EXPECT_EQ(form.cell(2, TResultForm::kHomeCol), " 3");
  EXPECT_TRUE(form.klarClick().ok);
}

TEST_F(ResultTest, RefusedCheckKeepsTheWindowOnItsPlayTime) {
  const std::int32_t next = addPlayTime("2027-01-17 18:00");
  (void)next;
  TResultForm form(m_db);
  form.setCell(2, TResultForm::kHomeCol, "x");
  const OkResult r = form.cbSpeltider1Change(1);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(form.listIndex(), 0);
  EXPECT_EQ(form.loadedRecNo(), m_pt);
  EXPECT_EQ(playTime(m_pt).match(2).homeScore(), 3);
}

TEST_F(ResultTest, UntouchedPlayTimeWritesNoTeam) {
  team(t[0]);
  m_db.team().setPlace(77);
  ASSERT_TRUE(m_db.rewriteTeam(t[0]));
  ASSERT_TRUE(enter(2, "3", " 1").ok);
  EXPECT_EQ(team(t[0]).place(), 77);
}

}  // namespace
}  // namespace liga
