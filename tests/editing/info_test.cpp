// The competition editor and its address editor.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/messages.h"
#include "editing/info_dlg.h"
#include "editing_fixture.h"

namespace liga {
namespace {

using InfoTest = testing::EditingFixture;

TEST(AdressDlg, SixLinesKeepTheFirstFiveEachCutTo22) {
  TadressDlg dlg({"A", "B", "", "", ""});
  EXPECT_EQ(dlg.adressMemo, "A\r\nB");
  dlg.adressMemo =
      "rad ett\r\nrad tva som ar langre an tjugotva\nrad 3\r\nrad 4\r\nrad 5\r\nrad 6\r\n";
  dlg.okClick();
  EXPECT_EQ(dlg.block(),
            (TadressDlg::Block{"rad ett", "rad tva som ar langre ", "rad 3", "rad 4", "rad 5"}));
  TadressDlg cancelled({"X", "", "", "", ""});
  cancelled.adressMemo = "Y";
  cancelled.cancelClick();
  EXPECT_EQ(cancelled.block()[0], "X");
}

TEST_F(InfoTest, GiroTypeOneShowsPostalGiroAndIsStoredAsZero) {
  m_db.comp().setGiroType(1);
  ASSERT_TRUE(InputInfo(m_db, false, [](TInfoDlgForm& f) {
    EXPECT_TRUE(f.rbUsePG());
    EXPECT_EQ(f.edAvgift, "  600");
    f.edAvgift = "";
    EXPECT_TRUE(f.okButtonClick().ok);
  }));
  EXPECT_EQ(m_db.comp().giroType(), 0);
  EXPECT_EQ(m_db.comp().fee(), 0);
  m_db.comp().setGiroType(4);
  ASSERT_TRUE(InputInfo(m_db, false, [](TInfoDlgForm& f) {
    EXPECT_TRUE(f.rbUseBG());
    EXPECT_TRUE(f.okButtonClick().ok);
  }));
  EXPECT_EQ(m_db.comp().giroType(), 3);
}

TEST_F(InfoTest, BadRoundsOrFeeKeepTheEditorOpenAndCancelRestores) {
  const CompetitionRec before = m_db.comp();
  EXPECT_FALSE(InputInfo(m_db, false, [](TInfoDlgForm& f) {
    f.edTvl = "ANNAT NAMN";
    f.edOmg = "två";
    OkResult r = f.okButtonClick();
    EXPECT_EQ(r.focus, "edOmg");
    EXPECT_EQ(r.message, NumericInputError());
    f.edOmg = "3";
    f.edAvgift = "12a";
    r = f.okButtonClick();
    EXPECT_EQ(r.focus, "edAvgift");
  }));
  EXPECT_EQ(m_db.comp().bytes(), before.bytes());
  EXPECT_TRUE(m_db.competitionOpen());
}

TEST_F(InfoTest, AddingClosesTheOpenOneAndTheNewBecomesCurrent) {
  const int first = m_db.currentCompetition();
  ASSERT_TRUE(InputInfo(m_db, true, [&](TInfoDlgForm& f) {
    EXPECT_FALSE(m_db.competitionOpen());
    f.edTvl = "ANDRA";
    f.btnKontaktClick(2, [](TadressDlg& d) {
      d.adressMemo = "KANSLIET\r\nBOX 1";
      d.okClick();
    });
    EXPECT_EQ(f.edKontakt[1], "KANSLIET");
    EXPECT_TRUE(f.okButtonClick().ok);
  }));
  EXPECT_NE(m_db.currentCompetition(), first);
  EXPECT_TRUE(m_db.competitionOpen());
  EXPECT_EQ(m_db.comp().competitionName(), "ANDRA");
  EXPECT_EQ(m_db.comp().contact(1, 1), "BOX 1");
  ASSERT_TRUE(m_db.readCompetition(first));
  EXPECT_EQ(m_db.comp().competitionName(), "SERIEN");
}

TEST_F(InfoTest, TenCompetitionsAreTheLimit) {
  for (int i = 2; i <= kMaxCompetitions; ++i) newCompetition("T" + std::to_string(i));
  bool opened = false;
  EXPECT_FALSE(InputInfo(m_db, true, [&](TInfoDlgForm&) { opened = true; }));
  EXPECT_FALSE(opened);
  EXPECT_EQ(Cp1252ToUtf8(StatusMessage()), "Max antal tävlingar uppnått kan ej addera flera!");
}

}  // namespace
}  // namespace liga
