// The play-time register and match editor: slot rules and both teams' match lists.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/messages.h"
#include "editing/game.h"
#include "editing_fixture.h"

namespace liga {
namespace {

class GameTest : public testing::EditingFixture {
 protected:
  void SetUp() override {
    EditingFixture::SetUp();
    m_a = addClass("A");
    m_b = addClass("B", 2, 101);
    m_ta = addTeam("ALFA", m_a, 1);
    m_tb = addTeam("BETA", m_a, 2);
    m_tc = addTeam("CEDER", m_a, 3);
    m_td = addTeam("DELTA", m_a, 4);
    m_other = addTeam("ANNAN", m_b, 101);
  }
  // Adds a play time through the register with `slots` (home, away) filled in order.
  OkResult addPlayTime(const std::string& when,
                       const std::vector<std::pair<std::int32_t, std::int32_t>>& slots) {
    TlgGameRegForm reg(m_db);
    reg.start();
    OkResult result;
    reg.runEditor = [&](TGameForm& f) {
      f.edSpeltid = when;
      int row = 1;
      for (auto [h, w] : slots) {
        if (h) {
          EXPECT_TRUE(f.setSide(row, TGameForm::kHomePick, h));
        }
        if (w) {
          EXPECT_TRUE(f.setSide(row, TGameForm::kAwayPick, w));
        }
        ++row;
      }
      result = f.okButtonClick();
    };
    reg.EditEntry(true);
    return result;
  }
  // Changes play time `pt` through the register with `edit` at the editor.
  OkResult changePlayTime(std::int32_t pt, const std::function<void(TGameForm&)>& edit) {
    TlgGameRegForm reg(m_db);
    reg.start();
    reg.setSelected(reg.indexOf(pt), true);
    OkResult result;
    reg.runEditor = [&](TGameForm& f) {
      edit(f);
      result = f.okButtonClick();
    };
    reg.EditEntry(false);
    return result;
  }
  std::int32_t ptNo(const std::string& when) {
    std::string key = when;
    std::int32_t recNo = 0;
    return m_db.browsePlayTime(BrowseMode::Find, key, recNo).found ? recNo : 0;
  }
  TeamRec team(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readTeam(recNo));
    return m_db.team();
  }
  PlayTimeRec playTime(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readPlayTime(recNo));
    return m_db.playTime();
  }
  std::int32_t m_a = 0, m_b = 0, m_ta = 0, m_tb = 0, m_tc = 0, m_td = 0, m_other = 0;
};

TEST_F(GameTest, NewMatchIsEnteredInBothTeamsLists) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}}).ok);
  const std::int32_t pt = ptNo("2027-01-10 18:00");
  ASSERT_NE(pt, 0);
  const PlayTimeRec p = playTime(pt);
  EXPECT_EQ(p.playTimeNumber(), pt);
  EXPECT_EQ(p.usedRows(), 1);
  const MatchEntry slot = p.match(1);
  EXPECT_EQ(slot.matchNumber(), 1);
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 1);
  EXPECT_EQ(slot.homeScore(), kNoResult);
  const TeamMatchEntry home = team(m_ta).match(1), away = team(m_tb).match(1);
  EXPECT_EQ(team(m_ta).teamMatchCount(), 1);
  EXPECT_EQ(home.matchNumber(), 1);
  EXPECT_EQ(home.opponentRecNo(), m_tb);
  EXPECT_EQ(away.opponentRecNo(), -m_ta);
  EXPECT_EQ(home.playTimeRecNo(), pt);
  EXPECT_EQ(away.playTimeRecNo(), pt);
  EXPECT_EQ(home.ownScore(), kNoResult);
  EXPECT_EQ(away.opponentScore(), kNoResult);
  // The number handed out is in the catalogue already, not only in memory.
  CompetitionRec stored = m_db.comp();
  ASSERT_TRUE(m_db.readCompetition(m_db.currentCompetition()));
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 1);
  m_db.comp() = stored;
}

TEST_F(GameTest, SlotRulesInOrderWithTheCursorOnTheOffendingCell) {
  struct Case {
    std::vector<std::pair<std::int32_t, std::int32_t>> slots;
    const char* message;
    int row, col;
  };
  const Case cases[] = {
      {{{0, m_tb}}, "Två lag måste väljas för att spela match!", 1, TGameForm::kHomePick},
      {{{m_ta, m_tb}, {m_tc, 0}},
       "Två lag måste väljas för att spela match!",
       2,
       TGameForm::kAwayPick},
      {{{m_ta, m_ta}}, "Lag kan inte spela mot sig själva!", 1, TGameForm::kHomePick},
      {{{m_ta, m_other}}, "Lagen måste spela i samma division/klass!!", 1, TGameForm::kHomePick},
      {{{m_ta, m_tb}, {m_tc, m_ta}},
       "Lag kan inte spela olika matcher på samma tid!",
       1,
       TGameForm::kHomePick},
      {{{m_tc, m_tb}, {m_ta, m_tb}},
       "Lag kan inte spela olika matcher på samma tid!",
       1,
       TGameForm::kAwayPick},
  };
  for (const Case& c : cases) {
    const OkResult r = addPlayTime("2027-02-01 10:00", c.slots);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.beep);
    EXPECT_EQ(Cp1252ToUtf8(r.message), c.message);
    EXPECT_EQ(r.focus, "sgGame");
    EXPECT_EQ(r.row, c.row) << c.message;
    EXPECT_EQ(r.col, c.col) << c.message;
  }
  EXPECT_EQ(UsedRecs(m_db.playTimeFile()), 0);
  EXPECT_EQ(team(m_ta).teamMatchCount(), 0);
  // Empty slots between pass every rule.
  EXPECT_TRUE(addPlayTime("2027-02-01 10:00", {{0, 0}, {m_ta, m_tb}}).ok);
  EXPECT_EQ(playTime(ptNo("2027-02-01 10:00")).usedRows(), 2);
}

TEST_F(GameTest, DuplicatePlayTimeIsRefused) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {}).ok);
  const OkResult r = addPlayTime("2027-01-10 18:00", {});
  EXPECT_EQ(Cp1252ToUtf8(r.message),
            "speltiden finns redan registrerad. \"2027-01-10 18:00\" Måste vara unik.");
  EXPECT_EQ(r.focus, "edSpeltid");
  // A changed play time keeps its own text.
  EXPECT_TRUE(changePlayTime(ptNo("2027-01-10 18:00"), [](TGameForm&) {}).ok);
}

TEST_F(GameTest, ReplacingTheHomeTeamMovesTheEntry) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}}).ok);
  const std::int32_t pt = ptNo("2027-01-10 18:00");
  ASSERT_TRUE(changePlayTime(pt, [&](TGameForm& f) {
                EXPECT_EQ(f.cell(1, 2), "0001 ALFA");
                f.setSide(1, TGameForm::kHomePick, m_tc);
                EXPECT_EQ(f.cell(1, 2), "0003.CEDER");
              }).ok);
  EXPECT_EQ(team(m_ta).match(1).matchNumber(), 0);
  EXPECT_EQ(team(m_ta).teamMatchCount(), 0);
  EXPECT_EQ(team(m_tc).match(1).matchNumber(), 1);
  EXPECT_EQ(team(m_tc).match(1).opponentRecNo(), m_tb);
  EXPECT_EQ(team(m_tb).match(1).opponentRecNo(), -m_tc);
  EXPECT_EQ(m_db.comp().lastMatchNumber(), 1);
  EXPECT_EQ(playTime(pt).match(1).homeTeamRecNo(), m_tc);
}

TEST_F(GameTest, UntouchedSlotsWriteNoTeam) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}}).ok);
  // A marker only a write of the team would overwrite.
  team(m_ta);
  m_db.team().setPlace(77);
  ASSERT_TRUE(m_db.rewriteTeam(m_ta));
  ASSERT_TRUE(changePlayTime(ptNo("2027-01-10 18:00"), [](TGameForm& f) { f.edLedare = "X"; }).ok);
  EXPECT_EQ(team(m_ta).place(), 77);
}

TEST_F(GameTest, ClearingBothSidesFreesTheSlot) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}, {m_tc, m_td}}).ok);
  const std::int32_t pt = ptNo("2027-01-10 18:00");
  ASSERT_TRUE(changePlayTime(pt, [](TGameForm& f) {
                f.clearCell(2, TGameForm::kHomePick);
                f.clearCell(2, TGameForm::kAwayPick);
              }).ok);
  const PlayTimeRec p = playTime(pt);
  EXPECT_EQ(p.usedRows(), 1);
  EXPECT_EQ(p.match(2).matchNumber(), 0);
  EXPECT_EQ(p.match(2).homeScore(), kNoResult);
  EXPECT_EQ(team(m_tc).teamMatchCount(), 0);
  EXPECT_EQ(team(m_td).teamMatchCount(), 0);
}

TEST_F(GameTest, CancelLeavesThePlayTimeAndItsKey) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}}).ok);
  const std::int32_t pt = ptNo("2027-01-10 18:00");
  const PlayTimeRec before = playTime(pt);
  TlgGameRegForm reg(m_db);
  reg.start();
  reg.setSelected(0, true);
  reg.runEditor = [&](TGameForm& f) {
    f.edSpeltid = "2027-01-11 18:00";
    f.clearCell(1, TGameForm::kHomePick);
    f.cancelButtonClick();
  };
  reg.EditEntry(false);
  EXPECT_EQ(playTime(pt).bytes(), before.bytes());
  EXPECT_EQ(playTimeKeys(), (Keys{{"2027-01-10 18:00", pt}}));
  EXPECT_EQ(team(m_ta).teamMatchCount(), 1);
}

TEST_F(GameTest, PlayTimeWithMatchesIsDeletedOnlyWhenAskedAndTakesItsMatches) {
  ASSERT_TRUE(addPlayTime("2027-01-10 18:00", {{m_ta, m_tb}, {m_tc, m_td}}).ok);
  const std::int32_t pt = ptNo("2027-01-10 18:00");
  ASSERT_TRUE(addPlayTime("2027-01-11 18:00", {}).ok);
  TlgGameRegForm reg(m_db);
  reg.start();
  reg.setSelected(0, true);
  m_ui.answers = {Answer::No};
  reg.EraseEntry();
  ASSERT_EQ(reg.count(), 2);
  EXPECT_EQ(Cp1252ToUtf8(m_ui.shown[0].text),
            "Speltiden \"2027-01-10 18:00\" har 2 matcher. Matcherna tas bort ur lagens "
            "matchlistor. Radera speltiden?");
  EXPECT_EQ(team(m_ta).teamMatchCount(), 1);

  reg.setSelected(0, true);
  m_ui.answers = {Answer::Yes};
  reg.EraseEntry();
  ASSERT_EQ(reg.count(), 1);
  EXPECT_EQ(reg.list()[0].text, "2027-01-11 18:00");
  EXPECT_EQ(ptNo("2027-01-10 18:00"), 0);
  (void)pt;
  // No team keeps an entry that points at the deleted play time.
  for (const std::int32_t t : {m_ta, m_tb, m_tc, m_td}) {
    EXPECT_EQ(team(t).teamMatchCount(), 0) << t;
    EXPECT_EQ(team(t).match(1).matchNumber(), 0) << t;
  }
}

TEST_F(GameTest, NewPlayTimeMustBeARealDateAndTime) {
  for (const char* wrong : {"5/4 kl 10", "2027-13-01 10:00", "2027-02-29 10:00", "2027-01-10 24:00",
                            "2027-01-10 10.00", ""}) {
    const OkResult r = addPlayTime(wrong, {});
    EXPECT_FALSE(r.ok) << wrong;
    EXPECT_EQ(r.focus, "edSpeltid") << wrong;
  }
  EXPECT_EQ(Cp1252ToUtf8(addPlayTime("5/4 kl 10", {}).message),
            "speltiden ska skrivas ÅÅÅÅ-MM-DD TT:MM, inte \"5/4 kl 10\"");
  EXPECT_EQ(UsedRecs(m_db.playTimeFile()), 0);
  EXPECT_TRUE(addPlayTime("2028-02-29 09:30", {}).ok);
  EXPECT_TRUE(addPlayTime("2027-01-09 18:00", {}).ok);
  // Play times list in time order.
  TlgGameRegForm reg(m_db);
  reg.start();
  ASSERT_EQ(reg.count(), 2);
  EXPECT_EQ(reg.list()[0].text, "2027-01-09 18:00");
  EXPECT_EQ(reg.list()[1].text, "2028-02-29 09:30");
}

TEST_F(GameTest, PickCellUsesTheTeamPickList) {
  m_picks.script = [&](TEPickForm& f) { f.doubleClick(lineOf(f, "0002")); };
  TlgGameRegForm reg(m_db);
  reg.start();
  reg.runEditor = [&](TGameForm& f) {
    f.edSpeltid = "2027-03-01 09:00";
    f.pickCell(1, TGameForm::kHomePick);
    EXPECT_EQ(f.sideTeam(1, TGameForm::kHomePick), m_tb);
    m_picks.script = [](TEPickForm& p) { p.cancelBtnClick(); };
    f.pickCell(1, TGameForm::kHomePick);
    EXPECT_EQ(f.sideTeam(1, TGameForm::kHomePick), m_tb);  // closed without a choice
    f.okButtonClick();
  };
  reg.EditEntry(true);
  ASSERT_EQ(m_picks.captions.size(), 2u);
  EXPECT_EQ(Cp1252ToUtf8(m_picks.captions[0]), "välj lag");
}

}  // namespace
}  // namespace liga
