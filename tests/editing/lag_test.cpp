// The team register and editor: numbering, the class check, the contact grid, Cancel.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "editing/lag.h"
#include "editing_fixture.h"

namespace liga {
namespace {

class LagTest : public testing::EditingFixture {
 protected:
  void SetUp() override {
    EditingFixture::SetUp();
    m_a = addClass("A");
    m_b = addClass("B", 2, 101);
  }
  // Runs the new command with `fill` as the person at the editor.
  OkResult addTeam(TlgLagRegForm& reg, const std::function<void(TLagForm&)>& fill) {
    OkResult result;
    reg.runEditor = [&](TLagForm& f) {
      fill(f);
      result = f.okButtonClick();
    };
    reg.EditEntry(true);
    return result;
  }
  std::int32_t teamNo(int number) {
    std::string key = ZeroPad(number, 4);
    std::int32_t recNo = 0;
    return m_db.browseTeam(BrowseMode::Find, key, recNo).found ? recNo : 0;
  }
  DivisionRec classRec(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readClass(recNo));
    return m_db.cls();
  }
  std::int32_t m_a = 0, m_b = 0;
};

TEST_F(LagTest, NewTeamsAreNumberedFromTheClassFirstNumber) {
  TlgLagRegForm reg(m_db);
  reg.start();
  const OkResult r = addTeam(reg, [](TLagForm& f) {
    f.cbKlass = "b";
    f.cbKlassChange();
    EXPECT_EQ(f.udNummer, 101);  // file length 1 + 101 - 1
    f.edNamn = "ifk nord";
  });
  ASSERT_TRUE(r.ok) << r.message;
  addTeam(reg, [](TLagForm& f) {
    f.cbKlass = "A";
    f.cbKlassChange();
    EXPECT_EQ(f.udNummer, 2);
    f.cbKlass = "B";
    f.cbKlassChange();
    EXPECT_EQ(f.udNummer, 102);
    f.edNamn = "GAIS";
  });
  ASSERT_NE(teamNo(101), 0);
  ASSERT_NE(teamNo(102), 0);
  ASSERT_TRUE(m_db.readTeam(teamNo(101)));
  EXPECT_EQ(m_db.team().teamName(), "IFK NORD");
  EXPECT_EQ(m_db.team().divisionRecNo(), m_b);
  EXPECT_EQ(classRec(m_b).teamCount(), 2);
  ASSERT_EQ(reg.count(), 2);
  EXPECT_EQ(reg.list()[0].text, "0101 B IFK Nord");  // title-cased display form
}

TEST_F(LagTest, ExistingTeamKeepsItsNumberWhenTheClassChanges) {
  const std::int32_t t = testing::DbFixture::addTeam("LAGET", m_a, 7);
  TlgLagRegForm reg(m_db);
  reg.start();
  reg.setSelected(reg.indexOf(t), true);
  OkResult r;
  reg.runEditor = [&](TLagForm& f) {
    EXPECT_EQ(f.cbKlass, "A");
    f.cbKlass = "B";
    f.cbKlassChange();
    EXPECT_EQ(f.udNummer, 7);
    r = f.okButtonClick();
  };
  reg.EditEntry(false);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(classRec(m_a).teamCount(), 0);
  EXPECT_EQ(classRec(m_b).teamCount(), 1);
  ASSERT_TRUE(m_db.readTeam(t));
  EXPECT_EQ(m_db.team().divisionRecNo(), m_b);
  EXPECT_EQ(teamKeys(), (Keys{{"0007", t}}));
}

TEST_F(LagTest, UsedNumberIsRefusedOwnNumberIsNot) {
  const std::int32_t t1 = testing::DbFixture::addTeam("ETT", m_a, 1);
  testing::DbFixture::addTeam("TVA", m_a, 2);
  TlgLagRegForm reg(m_db);
  reg.start();
  reg.setSelected(reg.indexOf(t1), true);
  std::vector<OkResult> results;
  reg.runEditor = [&](TLagForm& f) {
    f.setNummerText("2");
    results.push_back(f.okButtonClick());
    f.setNummerText("1");
    results.push_back(f.okButtonClick());
  };
  reg.EditEntry(false);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(Cp1252ToUtf8(results[0].message),
            "lagnumret finns redan registrerad. \"0002\" Måste vara unik.");
  EXPECT_EQ(results[0].focus, "edNummer");
  EXPECT_TRUE(results[1].ok);
}

TEST_F(LagTest, UnknownClassIsCreatedOnYesAndRefusedOnNo) {
  TlgLagRegForm reg(m_db);
  reg.start();
  m_ui.answers = {Answer::No};
  OkResult no = addTeam(reg, [](TLagForm& f) {
    f.cbKlass = "ny klass";
    f.edNamn = "X";
  });
  EXPECT_FALSE(no.ok);
  EXPECT_TRUE(no.message.empty());
  ASSERT_FALSE(m_ui.shown.empty());
  EXPECT_EQ(m_ui.shown.back().caption, "??");
  EXPECT_EQ(m_ui.shown.back().text, "Klassen\"NY KLASS\" saknas.\r\nAddera till registret");
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 0);

  m_ui.answers = {Answer::Yes};
  OkResult yes = addTeam(reg, [](TLagForm& f) {
    f.cbKlass = "ny klass";
    f.edNamn = "X";
  });
  ASSERT_TRUE(yes.ok) << yes.message;
  std::string key = "NY KLASS";
  std::int32_t recNo = 0;
  ASSERT_TRUE(m_db.browseClass(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(m_db.cls().winPoints(), 2);
  EXPECT_EQ(m_db.cls().drawPoints(), 1);
  EXPECT_EQ(m_db.cls().rounds(), m_db.comp().defaultRounds());
  EXPECT_EQ(m_db.cls().teamCount(), 1);
}

TEST_F(LagTest, ContactGridStoresUpperCaseAndMailInItsOwnCase) {
  TlgLagRegForm reg(m_db);
  reg.start();
  ASSERT_TRUE(addTeam(reg, [](TLagForm& f) {
                f.cbKlass = "A";
                EXPECT_EQ(f.cell(0, 5), "mail.....");
                EXPECT_EQ(f.cell(1, 0), "LL");
                EXPECT_EQ(f.cell(23, 0), "22");
                f.setCell(1, 1, "anna andersson");
                f.setCell(1, 5, "Anna.Andersson@Example.se");
                f.setCell(23, 3, Utf8ToCp1252("göteborg"));
              }).ok);
  ASSERT_TRUE(m_db.readTeam(1));
  const ContactRow leader = m_db.team().contactRow(0);
  EXPECT_EQ(leader.name(), "ANNA ANDERSSON");
  EXPECT_EQ(leader.email(), "Anna.Andersson@Example.se");
  EXPECT_EQ(leader.address5(), "ANNA.ANDERSSON@EXAMPLE");
  EXPECT_EQ(m_db.team().contactRow(22).town(), Utf8ToCp1252("GÖTEBORG"));
}

TEST_F(LagTest, MalformedNumberAndEmptyNameAreRefusedAndNothingIsStored) {
  TlgLagRegForm reg(m_db);
  reg.start();
  std::vector<OkResult> answers;
  const OkResult last = addTeam(reg, [&](TLagForm& f) {
    f.cbKlass = "A";
    f.edNamn = "ALFA";
    f.setNummerText("1a2");
    answers.push_back(f.okButtonClick());
    f.setNummerText("");
    answers.push_back(f.okButtonClick());
    f.setNummerText("12");
    f.edNamn = "  ";
    answers.push_back(f.okButtonClick());
    f.cancelButtonClick();
  });
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(Cp1252ToUtf8(answers[0].message), "lagnumret måste vara ett tal 0–9999, inte \"1a2\"");
  EXPECT_EQ(answers[0].focus, "edNummer");
  EXPECT_EQ(answers[1].focus, "edNummer");
  EXPECT_EQ(answers[2].message, "lagnamnet saknas");
  EXPECT_EQ(answers[2].focus, "edNamn");
  EXPECT_FALSE(last.ok);
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 0);
  EXPECT_EQ(reg.count(), 0);
}

TEST_F(LagTest, AMailAddressThatIsNotLocalAtDomainIsRefusedAtItsCell) {
  TlgLagRegForm reg(m_db);
  reg.start();
  const OkResult r = addTeam(reg, [](TLagForm& f) {
    f.cbKlass = "A";
    f.setCell(3, 1, "ANNA");
    f.setCell(3, 5, "a@b.c>\r\nRCPT TO:<evil@x.example");
  });
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.focus, "sgLagMedl");
  EXPECT_EQ(r.row, 3);
  EXPECT_EQ(r.col, 5);
  EXPECT_NE(r.message.find("a@b.c>\\r\\nRCPT"), std::string::npos) << r.message;
  EXPECT_EQ(r.message.find('\n'), std::string::npos);
  EXPECT_EQ(UsedRecs(m_db.teamFile()), 0);
}

TEST_F(LagTest, NumericFieldsAreCheckedInOrder) {
  TlgLagRegForm reg(m_db);
  reg.start();
  std::vector<std::string> focus;
  addTeam(reg, [&](TLagForm& f) {
    f.cbKlass = "A";
    f.edNamn = "ALFA";
    f.edLost = "a";
    f.edRanking = "b";
    focus.push_back(f.okButtonClick().focus);
    f.edLost = "";
    f.edWin = "1x";
    focus.push_back(f.okButtonClick().focus);
    f.edWin = "3";
    f.edPoint = "-";
    focus.push_back(f.okButtonClick().focus);
    f.edPoint = "4";
    focus.push_back(f.okButtonClick().focus);
    f.edRanking = "";
  });
  EXPECT_EQ(focus, (std::vector<std::string>{"edLost", "edWin", "edPoint", "edRanking"}));
  ASSERT_TRUE(m_db.readTeam(1));
  EXPECT_EQ(m_db.team().openingGoalsAgainst(), 0);
  EXPECT_EQ(m_db.team().openingGoalsFor(), 3);
  EXPECT_EQ(m_db.team().openingPoints(), 4);
}

TEST_F(LagTest, CancelAfterMovingToAnotherClassChangesNothing) {
  const std::int32_t t = testing::DbFixture::addTeam("LAGET", m_a, 7);
  const DivisionRec beforeA = classRec(m_a), beforeB = classRec(m_b);
  ASSERT_TRUE(m_db.readTeam(t));
  const TeamRec before = m_db.team();
  TlgLagRegForm reg(m_db);
  reg.start();
  reg.setSelected(reg.indexOf(t), true);
  reg.runEditor = [&](TLagForm& f) {
    f.cbKlass = "B";
    f.cbKlassChange();
    f.edNamn = "ANNAT";
    f.cancelButtonClick();
  };
  reg.EditEntry(false);
  EXPECT_EQ(classRec(m_a).bytes(), beforeA.bytes());
  EXPECT_EQ(classRec(m_b).bytes(), beforeB.bytes());
  ASSERT_TRUE(m_db.readTeam(t));
  EXPECT_EQ(m_db.team().bytes(), before.bytes());
  EXPECT_EQ(teamKeys(), (Keys{{"0007", t}}));
}

TEST_F(LagTest, TeamLimitRefusesTheNewCommand) {
  // One batch per file keeps the 159 stores fast.
  BeginBatch(m_db.teamFile());
  BeginBatch(m_db.classFile());
  for (int i = 1; i <= kMaxTeamRecords; ++i) testing::DbFixture::addTeam("T", m_a, i);
  CommitBatch(m_db.classFile());
  CommitBatch(m_db.teamFile());
  TlgLagRegForm reg(m_db);
  reg.start();
  EXPECT_EQ(reg.count(), kMaxTeamRecords);
  bool opened = false;
  reg.runEditor = [&](TLagForm&) { opened = true; };
  reg.EditEntry(true);
  EXPECT_FALSE(opened);
  EXPECT_EQ(Cp1252ToUtf8(reg.statusText()), "maxantalet uppnått kan ej addera registerpost!");
}

TEST_F(LagTest, DeleteRemovesTheTeamAndItsCount) {
  const std::int32_t t = testing::DbFixture::addTeam("LAGET", m_a, 7);
  TlgLagRegForm reg(m_db);
  reg.start();
  reg.setSelected(0, true);
  reg.EraseEntry();
  EXPECT_EQ(reg.count(), 0);
  EXPECT_EQ(classRec(m_a).teamCount(), 0);
  EXPECT_FALSE(m_db.readTeam(t));
  EXPECT_EQ(Cp1252ToUtf8(reg.statusText()), "StNummer \"0007\", raderad...");
}

}  // namespace
}  // namespace liga
