#include <gtest/gtest.h>

#include "common/encoding.h"
#include "editing/pick.h"
#include "editing_fixture.h"

namespace liga {
namespace {

using testing::EditingFixture;

TEST(PickForm, AllTogglesBetweenAllAndNone) {
  TEPickForm form("", true, true);
  form.addItem("B");
  form.addItem("A");
  form.addItem("C");
  EXPECT_EQ(form.caption(), Utf8ToCp1252("välj"));
  EXPECT_EQ(form.itemText(0), "A");  // sorted
  EXPECT_EQ(form.statusText(), " [  3]");
  form.allbtnClick();
  EXPECT_EQ(form.selectedCount(), 3);
  EXPECT_EQ(form.allbtnCaption(), "&Ingen");
  EXPECT_EQ(form.statusText(), "  3 [  3]");
  form.allbtnClick();
  EXPECT_EQ(form.selectedCount(), 0);
  EXPECT_EQ(form.allbtnCaption(), "&Alla");
  EXPECT_EQ(form.statusText(), " [  3]");
}

TEST(PickForm, SingleSelectKeepsOneLineAndClosesOnDoubleClick) {
  TEPickForm form("lag", false, false);
  form.addItem("B");
  form.addItem("A");
  EXPECT_EQ(form.itemText(0), "B");  // unsorted keeps insertion order
  EXPECT_FALSE(form.allbtnEnabled());
  form.allbtnClick();
  EXPECT_EQ(form.selectedCount(), 0);
  form.setSelected(0, true);
  form.setSelected(1, true);
  EXPECT_FALSE(form.isSelected(0));
  EXPECT_TRUE(form.doubleClick(0));
  EXPECT_TRUE(form.closedWithOk());
  EXPECT_TRUE(form.isSelected(0));
  EXPECT_FALSE(form.isSelected(1));

  TEPickForm multi("", true, false);
  multi.addItem("X");
  EXPECT_FALSE(multi.doubleClick(0));
  EXPECT_FALSE(multi.closed());
}

class PickTest : public EditingFixture {
 protected:
  void SetUp() override {
    EditingFixture::SetUp();
    m_a = addClass("A-KLASS");
    m_b = addClass("B-KLASS", 2, 101);
    m_t1 = addTeam("IFK NORD", m_a, 1);
    m_t2 = addTeam("GAIS", m_b, 101);
    m_t3 = addTeam("AIK", m_b, 102);
    ASSERT_TRUE(m_db.readTeam(m_t2));
    ContactRow row = m_db.team().contactRow(5);
    row.setEmail("kansli@gais.se");
    m_db.team().setContactRow(5, row);
    ASSERT_TRUE(m_db.rewriteTeam(m_t2));
  }
  std::int32_t m_a = 0, m_b = 0, m_t1 = 0, m_t2 = 0, m_t3 = 0;
};

TEST_F(PickTest, ChosenEntriesInKeyOrderAndTheirRecords) {
  m_picks.script = [](TEPickForm& f) {
    f.setSelected(lineOf(f, "0102"), true);
    f.setSelected(lineOf(f, "0001"), true);
    f.okBtnClick();
  };
  TClubPick pick(m_db, true, true, 0, "välj lag");
  ASSERT_EQ(m_picks.windows.size(), 1u);
  EXPECT_EQ(m_picks.windows[0],
            (std::vector<std::string>{"0001 IFK NORD", "0101 GAIS", "0102 AIK"}));
  ASSERT_TRUE(pick.OkExec());
  EXPECT_EQ(pick.Antal(), 2);
  EXPECT_FALSE(pick.Alla());
  EXPECT_EQ(pick.GetPickData(0), m_t1);
  EXPECT_EQ(pick.GetPickData(1), m_t3);
  // Getting the data selects the record, and its class with it.
  EXPECT_EQ(m_db.teamRecNo(), m_t3);
  EXPECT_EQ(m_db.classRecNo(), m_b);
  EXPECT_EQ(pick.GetPickData(2), -1);
  EXPECT_EQ(pick.GetPickData(-1), -1);
  EXPECT_EQ(pick.CheckPickItem(m_t3), 1);
  EXPECT_EQ(pick.CheckPickItem(m_t2), -1);
  EXPECT_EQ(pick.CheckPickStr("0001"), 0);
  EXPECT_EQ(pick.CheckPickStr("0101"), -1);  // exists but not chosen
  EXPECT_EQ(pick.CheckPickStr("0999"), -1);
}

TEST_F(PickTest, AllChosenAndARecordDeletedMeanwhile) {
  m_picks.script = [](TEPickForm& f) {
    f.allbtnClick();
    f.okBtnClick();
  };
  TKlassPick pick(m_db, true, true, 0);
  EXPECT_EQ(m_picks.captions[0], Utf8ToCp1252("välj"));
  ASSERT_TRUE(pick.Alla());
  EXPECT_EQ(pick.Antal(), 2);
  EXPECT_EQ(pick.entries()[0].text, "A-KLASS");
  // A record deleted by another operation is no longer handed out.
  ASSERT_TRUE(m_db.removeTeam("", m_t1, true));
  ASSERT_TRUE(m_db.removeClass("", m_a, true));
  EXPECT_EQ(pick.GetPickData(0), -1);
  EXPECT_EQ(pick.GetPickData(1), m_b);
}

TEST_F(PickTest, CancelChoosesNothing) {
  m_picks.script = [](TEPickForm& f) {
    f.allbtnClick();
    f.cancelBtnClick();
  };
  TGamePick pick(m_db, true, true, 0);
  EXPECT_TRUE(m_picks.windows.empty());  // no play time: no window at all
  EXPECT_FALSE(pick.OkExec());

  addPlayTime("2027-01-10 18:00");
  TGamePick again(m_db, true, true, 0);
  ASSERT_EQ(m_picks.windows.size(), 1u);
  EXPECT_FALSE(again.OkExec());
  EXPECT_EQ(again.Antal(), 0);
  EXPECT_EQ(again.GetPickData(0), -1);
}

TEST_F(PickTest, OkWithNothingSelectedIsNoChoice) {
  m_picks.script = [](TEPickForm& f) { f.okBtnClick(); };
  TKlassPick pick(m_db, true, true, 0);
  EXPECT_FALSE(pick.OkExec());
  EXPECT_FALSE(pick.Alla());
}

TEST_F(PickTest, EmailOnlyOffersTeamsWithAnAddressInAnyRow) {
  m_picks.script = [](TEPickForm& f) { f.okBtnClick(); };
  TClubPick pick(m_db, true, true, 0, "", true);
  ASSERT_EQ(m_picks.windows.size(), 1u);
  EXPECT_EQ(m_picks.windows[0], std::vector<std::string>{"0101 GAIS"});
}

TEST_F(PickTest, PresetRecordStartsSelected) {
  bool presetSeen = false;
  m_picks.script = [&](TEPickForm& f) {
    presetSeen = f.selectedCount() == 1 && f.isSelected(lineOf(f, "0101"));
    f.okBtnClick();
  };
  TClubPick pick(m_db, true, false, m_t2, "välj lag");
  EXPECT_TRUE(presetSeen);
  ASSERT_TRUE(pick.OkExec());
  EXPECT_EQ(pick.GetPickData(0), m_t2);
}

TEST_F(PickTest, WithoutARunnerEveryWindowIsCancelled) {
  SetPickWindows(nullptr);
  TKlassPick pick(m_db, true, true, m_a);
  EXPECT_FALSE(pick.OkExec());
  SetPickWindows(&m_picks);
}

}  // namespace
}  // namespace liga
