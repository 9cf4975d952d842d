// Labels and giro slips: who gets an item, the fee rules, the sheet placement, and the
// giro register's checks.
#include "reports/labels.h"

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "reports/recording_surface.h"
#include "support/db_fixture.h"

namespace liga::reports {
namespace {

class LabelsTest : public liga::testing::DbFixture {
 protected:
  void SetUp() override {
    DbFixture::SetUp();
    newCompetition("CUPEN");
    m_db.comp().setOrganiser(Utf8ToCp1252("ARRANGØREN"));
    m_db.comp().setTitleCaseNames(false);
    m_db.comp().setPayee("KLUBBEN");
    m_db.comp().setPostgiroNumber("18");
    m_db.comp().setGiroType(2);
    m_cls = addClass("SERIEN", 2, 1);
    for (int i = 1; i <= 6; ++i) m_teams.push_back(addTeam("LAG " + std::to_string(i), m_cls, i));
  }
  void contact(std::int32_t team, int row, const std::string& name,
               const std::string& street = "GATAN") {
    ASSERT_TRUE(m_db.readTeam(team));
    ContactRow r;
    r.setName(Utf8ToCp1252(name));
    r.setStreet(street);
    r.setTown("STADEN");
    m_db.team().setContactRow(row, r);
    ASSERT_TRUE(m_db.rewriteTeam(team));
  }
  ReportContext context() {
    return ReportContext{m_db, selection, {}, [] { return std::string("2027-01-01 00:00:00"); }};
  }

  RecordingUi m_ui;
  ScopedUi m_scopedUi{m_ui};
  RecordingPrinter m_printer;
  ScopedPrinter m_scope{m_printer};
  TeamSelection selection{m_db};
  std::int32_t m_cls = 0;
  std::vector<std::int32_t> m_teams;
};

TEST_F(LabelsTest, SetsChooseLeaderOrMembers) {
  contact(m_teams[0], 0, "LEDAREN");
  contact(m_teams[0], 1, "FÖRSTE");
  contact(m_teams[0], 2, "ANDRE");
  contact(m_teams[1], 3, "", "BARA GATA");  // a row with only an address still gets a label
  auto ctx = context();
  const auto leader = LabelTexts(ctx, {m_cls}, true, PersonSet::Leader);
  ASSERT_EQ(leader.size(), 3u);
  EXPECT_EQ(leader[0], Utf8ToCp1252("etiketter\r\nARRANGØREN\r\nCUPEN\r\nklassvis lagledare"));
  EXPECT_EQ(leader[1], "LAG 1\r\nLEDAREN\r\nGATAN\r\nSTADEN");
  EXPECT_EQ(leader[2], "Utskrivna etiketter:  1");
  const auto members = LabelTexts(ctx, {m_teams[0], m_teams[1]}, false, PersonSet::AllMembers);
  ASSERT_EQ(members.size(), 5u);
  EXPECT_EQ(members[0].substr(members[0].rfind('\n') + 1), "lagvis alla lagmedlemmar");
  EXPECT_EQ(members[1], Utf8ToCp1252("LAG 1\r\nFÖRSTE\r\nGATAN\r\nSTADEN"));
  EXPECT_EQ(members[3], "LAG 2\r\n\r\nBARA GATA\r\nSTADEN");
  EXPECT_EQ(members[4], "Utskrivna etiketter:  3");
  const auto rest = LabelTexts(ctx, {m_teams[0]}, false, PersonSet::OtherMembers);
  ASSERT_EQ(rest.size(), 3u);
  EXPECT_NE(rest[1].find("ANDRE"), std::string::npos);
}

TEST_F(LabelsTest, LabelsFillTheSheetAcrossThenDownWithCopies) {
  for (int i = 0; i < 6; ++i) contact(m_teams[i], 0, "LEDARE " + std::to_string(i));
  LabelSheet sheet;
  sheet.across = 2;
  sheet.rows = 2;
  sheet.copies = 0;  // asked for
  sheet.top = 10;
  sheet.left = 5;
  sheet.columnPitch = 80;
  sheet.rowPitch = 40;
  auto ctx = context();
  int asked = 0;
  const int n = PrintLabels(ctx, sheet, {m_cls}, true, PersonSet::Leader, [&] {
    ++asked;
    return std::optional<int>(2);
  });
  EXPECT_EQ(n, 6);
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(m_printer.documents.size(), 1u);
  const RecordedDocument& d = m_printer.documents[0];
  // 1 first + 6 x 2 copies + 1 last = 14 labels, 4 to a sheet.
  EXPECT_EQ(d.pages, 4);
  std::vector<const DrawOp*> firstLines;
  for (const DrawOp* t : d.texts())
    if (t->text == "etiketter" || t->text.rfind("LAG ", 0) == 0 ||
        t->text.rfind("Utskrivna", 0) == 0)
      firstLines.push_back(t);
  ASSERT_EQ(firstLines.size(), 14u);
  const double mm = 72 / 25.4;
  EXPECT_NEAR(firstLines[0]->x, 5 * mm + 2 * mm, 1e-9);
  EXPECT_NEAR(firstLines[0]->y, 10 * mm + 2 * mm, 1e-9);
  EXPECT_NEAR(firstLines[1]->x, 85 * mm + 2 * mm, 1e-9);  // across
  EXPECT_NEAR(firstLines[2]->y, 50 * mm + 2 * mm, 1e-9);  // then down
  EXPECT_EQ(firstLines[4]->page, 2);
  EXPECT_EQ(firstLines[1]->text, "LAG 1");
  EXPECT_EQ(firstLines[2]->text, "LAG 1");  // the second copy
  EXPECT_EQ(firstLines[13]->text, "Utskrivna etiketter:  6");
  EXPECT_TRUE(d.ended);
  EXPECT_EQ(d.count(DrawOp::Line), 0);  // no footers on label sheets
}

TEST_F(LabelsTest, GiroFeePerMatchIsSharedByTheNamedMembers) {
  m_db.comp().setFee(50);
  m_db.comp().setFeePerMatch(true);
  contact(m_teams[0], 1, "ETT");
  contact(m_teams[0], 2, "TVÅ");
  auto ctx = context();
  const auto run = ComputeGiroRun(ctx, {m_teams[0], m_teams[1]}, PersonSet::AllMembers);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->title, "PostGiroblanketter: med betalningsuppgift!");
  EXPECT_EQ(run->payee, "KLUBBEN");
  EXPECT_EQ(run->giroNumber, "18");
  ASSERT_EQ(run->slips.size(), 5u);  // first, two of LAG 1, one of LAG 2, last
  EXPECT_EQ(run->slips[0].message,
            (std::vector<std::string>{run->title, Utf8ToCp1252("ARRANGØREN"), "CUPEN",
                                      "Avgift/match:    50.00", "=========="}));
  // 6 teams meeting twice: 10 matches, 500 kronor, 250 each.
  EXPECT_EQ(run->slips[1].message,
            (std::vector<std::string>{"ETT", "Antal matcher :  10", "Avgift        :    50.00",
                                      "Lagavgift     :   500.00", "Delad avgift  :   250.00"}));
  EXPECT_EQ(run->slips[1].amount, "   250.00");
  EXPECT_EQ(run->slips[1].payer, (std::vector<std::string>{"ETT", "GATAN", "STADEN"}));
  // LAG 2 has no named contact: one slip with the whole fee, so that it is billed.
  EXPECT_EQ(run->slips[3].message[0], "Namnuppgift saknas!");
  EXPECT_EQ(run->slips[3].message.size(), 4u);
  EXPECT_EQ(run->slips[3].amount, "   500.00");
  EXPECT_EQ(run->count, 3);
  EXPECT_DOUBLE_EQ(run->sum, 1000);
  EXPECT_EQ(run->slips[4].message, (std::vector<std::string>{"Utskrivna blanketter:  3",
                                                             "Sammanlagda avgifter:  1000.00"}));
}

TEST_F(LabelsTest, GiroWithoutAmountsStillSumsTheShares) {
  m_db.comp().setFee(600);
  m_db.comp().setAmountFilled(true);
  m_db.comp().setGiroType(4);
  m_db.comp().setBankgiroNumber("5050-1234");
  contact(m_teams[2], 0, "LEDAREN");
  auto ctx = context();
  const auto run = ComputeGiroRun(ctx, {m_teams[2]}, PersonSet::Leader);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->title, "BankGiroblanketter: utan betalningsuppgift!");
  EXPECT_EQ(run->giroNumber, "5050-1234");
  EXPECT_EQ(run->slips[1].amount, "");
  EXPECT_EQ(run->slips.back().message[1], "Sammanlagda avgifter:   600.00");
  ASSERT_TRUE(PrintGiro(ctx, {m_teams[2]}, PersonSet::Leader));
  ASSERT_EQ(m_printer.documents.size(), 1u);
  EXPECT_EQ(m_printer.documents[0].pages, 3);
  EXPECT_FALSE(m_printer.documents[0].contains("Belopp kr:"));
}

TEST_F(LabelsTest, GiroRefusals) {
  m_db.comp().setPayee("");
  auto ctx = context();
  m_ui.answers = {Answer::Yes};
  EXPECT_FALSE(ComputeGiroRun(ctx, {m_teams[0]}, PersonSet::Leader));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "Betalningsmottagare/GiroNr ej angivna. Avbryta");
  m_ui.answers = {Answer::No};
  EXPECT_TRUE(ComputeGiroRun(ctx, {m_teams[0]}, PersonSet::Leader));
  for (auto t : m_teams) ASSERT_TRUE(m_db.removeTeam("", t, true));
  m_ui.shown.clear();
  EXPECT_FALSE(ComputeGiroRun(ctx, {}, PersonSet::Leader));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "Inga deltagande lag!");
}

TEST(GiroRegisterTest, KeysAreUniqueAndGiroNumbersPassTheCheck) {
  RecordingUi ui;
  ScopedUi scoped(ui);
  GiroRegister reg;
  GiroLayout a;
  a.payee = "KLUBBEN";
  a.giroNumber = "18";
  EXPECT_EQ(reg.store(a), "");
  EXPECT_EQ(
      reg.store(a),
      Utf8ToCp1252("Mottagare och littera finns redan registrerad. \"KLUBBEN\" Måste vara unik."));
  a.littera = Utf8ToCp1252("VÅR");
  EXPECT_EQ(GiroRegister::Key(a), Utf8ToCp1252("KLUBBEN_VÅR"));
  a.giroNumber = "19";
  EXPECT_EQ(reg.store(a), Utf8ToCp1252("fel på gironummer"));
  EXPECT_EQ(ui.beeps, 2);
  a.giroNumber = "";
  EXPECT_EQ(reg.store(a), "");
  GiroLayout b;
  b.payee = std::string(40, 'P');
  b.littera = "X";
  EXPECT_EQ(GiroRegister::Key(b).size(), 30u);
  EXPECT_EQ(reg.layouts().size(), 2u);
  // Storing a layout under its own key replaces it.
  a.amount = 125;
  EXPECT_EQ(reg.store(a, GiroRegister::Key(a)), "");
  ASSERT_EQ(reg.layouts().size(), 2u);

  const std::string path = ::testing::TempDir() + "/giroreg.txt";
  a.message = Utf8ToCp1252("rad ett\nrad\ttvå");
  ASSERT_EQ(reg.store(a, GiroRegister::Key(a)), "");
  ASSERT_TRUE(reg.save(path));
  GiroRegister back;
  ASSERT_TRUE(back.load(path));
  ASSERT_EQ(back.layouts().size(), 2u);
  EXPECT_EQ(back.layouts()[1].message, Utf8ToCp1252("rad ett\nrad två"));
  EXPECT_EQ(back.layouts()[1].amount, 125);
  EXPECT_EQ(GiroRegister::Key(back.layouts()[1]), GiroRegister::Key(a));
}

}  // namespace
}  // namespace liga::reports
