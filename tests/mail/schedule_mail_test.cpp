// The team schedule page byte for byte, and the two competition commands against the
// loopback server.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "mail/demo_season.h"
#include "mail/schedule_mail.h"
#include "mail/smtp_fixture.h"
#include "support/db_fixture.h"
#include "support/temp_dir.h"

namespace liga::mail {
namespace {

using liga::testing::kServerPassword;
using liga::testing::SmtpServers;

[[maybe_unused]] auto* const g_env =
    ::testing::AddGlobalTestEnvironment(new liga::testing::SmtpServersEnvironment);
SmtpServers* Servers() {
  return liga::testing::SmtpServersEnvironment::servers();
}

class ScheduleMailTest : public liga::testing::DbFixture {
 protected:
  void SetUp() override {
    DbFixture::SetUp();
    Servers()->clear();
    newCompetition("VARSERIEN");
    m_db.comp().setOrganiser("IDROTTSF\xD6RBUNDET");
    m_db.comp().setTitleCaseNames(false);
    m_db.comp().setContact(0, 0, "KANSLIET");
    m_db.comp().setContact(0, 3, "031-12 34 56");
    m_db.comp().setContact(2, 0, "KARIN");
    m_herrar = addClass("HERRAR");
    m_norrby = addTeam("IFK NORRBY", m_herrar, 7);
    m_sodra = addTeam(
        "S\xD6"
        "DRA & <BK>",
        m_herrar, 12);
    m_tom = addTeam("TOMMA IF", m_herrar, 13);
    ASSERT_TRUE(m_db.readTeam(m_norrby));
    m_db.team().setRanking(3);
    setContact(0, "ANNA", "STORGATAN 1", "anna@example.se");
    setContact(2, "ERIK", "", "erik@example.se");
    setContact(5, "MARIA", "SKOLGATAN 7", "maria@example.se");
    ASSERT_TRUE(m_db.rewriteTeam(m_norrby));
    ASSERT_TRUE(m_db.readTeam(m_sodra));
    setContact(0, "BO", "", "bo@example.se");
    ASSERT_TRUE(m_db.rewriteTeam(m_sodra));
    const std::int32_t pt1 = addPlayTime("2027-04-10 10:00");
    const std::int32_t pt2 = addPlayTime("2027-04-17 14:00");
    ASSERT_TRUE(m_db.readPlayTime(pt2));
    m_db.playTime().setGameLeader("PER");
    ASSERT_TRUE(m_db.rewritePlayTime(pt2));
    addMatch(pt1, m_norrby, m_sodra);
    addMatch(pt2, m_sodra, m_norrby, 3, 1);

    m_fields.from = "kansliet@example.se";
    m_fields.fromName = "Kansliet";
    m_fields.smtpHost = "127.0.0.1";
    m_fields.smtpPort = std::to_string(Servers()->plain());
    m_fields.smtpUser = "liga";
    m_fields.smtpPassword = kServerPassword;
    m_fields.cc = "arkiv@example.se";
    m_fields.typeLog = lmLib;
    m_options.dateTime = [] { return std::string("2027-01-10 12:00:00"); };
  }

  void setContact(int row, const std::string& name, const std::string& street,
                  const std::string& email) {
    ContactRow c = m_db.team().contactRow(row);
    c.setName(name);
    c.setStreet(street);
    c.setEmail(email);
    c.setRowNumber(row);
    m_db.team().setContactRow(row, c);
  }

  std::int32_t m_herrar = 0, m_norrby = 0, m_sodra = 0, m_tom = 0;
  MailSettings m_fields;
  MailRunOptions m_options;
  TSendEmail m_mail;
  std::vector<std::string> m_log;
  TSendEmail::LogHandler m_logger = [this](const std::string& l) { m_log.push_back(l); };
};

const char kHead[] =
    "<HTML><HEAD><title> LigaWin32: spelprogram: VARSERIEN 2027-01-10 12:00:00</title>"
    "<meta name=\"generator\" content=\"viraxxxVisa\">"
    "<meta name=\"description\" content=\"vira publikation till internet f\xF6r "
    "idrottst\xE4vlingar mm\"></HEAD>"
    "<body alink=\"#ff00ff\" text=\"#000000\" link=\"#0000ff\" vlink=\"#008000\" "
    "bgcolor=\"#ffffff\">"
    "<h1><b><font color=\"#000000\" face=\"Arial\">LigaWin32: spelprogram: VARSERIEN "
    "2027-01-10 12:00:00</font></b></h1>"
    "<table width=\"100%\" bgcolor=\"#ccccc0\" border=\"2\">";

std::string DarkRow() {
  std::string s = "<tr>";
  for (int i = 0; i < 7; ++i) {
    s += "<td bgcolor=\"#707070\" width=\"700*\"><font size=\"+1\" color=\"#FFFFFF\" "
         "face=\"Arial\"><b></b></font></td>";
  }
  return s + "</tr><tr><td></td><td></td><td></td><td></td><td></td><td></td><td></td></tr>";
}

const char kFoot[] =
    "IDROTTSF\xD6RBUNDET VARSERIEN<br>KANSLIETTfn: 031-12 34 56<br>KARIN<br><br><br>"
    "</body></html>";

const char kMatchHeading[] =
    "<tr><td> mNr.</td><td> Speldatumtid</td><td> LgNr</td><td> Lagnamn</td><td> "
    "Ansv.ledare</td><td> ev.resultat</td><td></td></tr>";

TEST_F(ScheduleMailTest, TheTeamPageByteForByte) {
  const std::string expected =
      std::string(kHead) + DarkRow() +
      "<tr><td></td><td>\"IFK NORRBY\"</td><td></td><td></td><td></td><td></td><td></td></tr>"
      "<tr><td></td><td>HERRAR</td><td></td><td>  3</td><td></td><td></td><td></td></tr>"
      "<tr><td>   7</td><td>IFK NORRBY</td><td></td><td></td><td></td><td></td><td></td></tr>"
      "<tr><td>  3</td>"
      "<td>LL</td><td>ANNA</td><td>STORGATAN 1</td><td></td><td></td></tr>"
      "<td> 2</td><td>ERIK</td><td></td><td></td><td></td></tr>"
      "<td> 5</td><td>MARIA</td><td>SKOLGATAN 7</td><td></td><td></td></tr>" +
      kMatchHeading +
      "<tr><td>  1 H</td><td>2027-04-10 10:00</td><td>0012</td><td>S\xD6"
      "DRA &amp; "
      "&lt;BK&gt;</td><td></td><td></td>"
      "<tr><td>  2 B</td><td>2027-04-17 14:00</td><td>0012</td><td>S\xD6"
      "DRA &amp; "
      "&lt;BK&gt;</td><td>PER</td><td> 3- 1</td>"
      "</tr></table><br><br>Antal matcher:  2 spelade:  1  kvar:  1<br><br>" +
      kFoot;
  EXPECT_EQ(TeamSchedulePage(m_db, m_norrby, "2027-01-10 12:00:00"), expected);
}

TEST_F(ScheduleMailTest, APageLoadsNothingUnlessTheOrganiserGivesAddresses) {
  const std::string page = TeamSchedulePage(m_db, m_norrby, "2027-01-10 12:00:00");
  EXPECT_EQ(page.find("http"), std::string::npos);
  EXPECT_EQ(page.find("IMG"), std::string::npos);
  MakerInfo own;
  own.companyLogoUrl = "https://klubben.example/logo.png";
  own.webAddress = "https://klubben.example";
  const std::string withOwn = TeamSchedulePage(m_db, m_norrby, "2027-01-10 12:00:00", own);
  EXPECT_NE(withOwn.find("<IMG SRC=\"https://klubben.example/logo.png\""), std::string::npos);
  EXPECT_NE(withOwn.find("<center>https://klubben.example</center>"), std::string::npos);
}

TEST_F(ScheduleMailTest, ATeamWithoutMatchesHasNoTotals) {
  const std::string page = TeamSchedulePage(m_db, m_tom, "2027-01-10 12:00:00");
  const std::string expected =
      std::string(kHead) + DarkRow() +
      "<tr><td></td><td>\"TOMMA IF\"</td><td></td><td></td><td></td><td></td><td></td></tr>"
      "<tr><td></td><td>HERRAR</td><td></td><td>  3</td><td></td><td></td><td></td></tr>"
      "<tr><td>  13</td><td>TOMMA IF</td><td></td><td></td><td></td><td></td><td></td></tr>"
      "<tr><td>  0</td>" +
      kMatchHeading + kFoot;
  EXPECT_EQ(page, expected);
}

TEST_F(ScheduleMailTest, ARowOfBlanksIsListedAsTheTeamListListsIt) {
  ASSERT_TRUE(m_db.readTeam(m_tom));
  setContact(4, "   ", "", "");
  ASSERT_TRUE(m_db.rewriteTeam(m_tom));
  const std::string page = TeamSchedulePage(m_db, m_tom, "2027-01-10 12:00:00");
  EXPECT_NE(page.find("<tr><td>  0</td><td> 4</td><td>   </td><td></td><td></td><td></td></tr>"),
            std::string::npos)
      << page;
}

TEST_F(ScheduleMailTest, TitleCaseNamesShowInPageAndRecipient) {
  m_db.comp().setTitleCaseNames(true);
  ASSERT_TRUE(m_db.readTeam(m_norrby));
  const auto team = std::make_unique<TeamRec>(m_db.team());
  EXPECT_EQ(ContactRecipientName(team->contactRow(0), *team, true),
            "Anna: IFK Norrby (anna@example.se)");
  const std::string page = TeamSchedulePage(m_db, m_norrby, "2027-01-10 12:00:00");
  EXPECT_NE(page.find("<td>\"IFK Norrby\"</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>LL</td><td>Anna</td>"), std::string::npos);
}

TEST_F(ScheduleMailTest, EveryContactGetsItsOwnMailWithThePage) {
  const std::vector<std::int32_t> teams = TeamsWithEmail(m_db);
  EXPECT_EQ(teams, (std::vector<std::int32_t>{m_norrby, m_sodra}));
  const MailRunResult r = SendTeamSchedules(m_db, m_mail, m_fields, {}, teams, m_logger, m_options);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.sent, 4);
  const auto got = Servers()->received();
  ASSERT_EQ(got.size(), 4u);
  const std::string page = TeamSchedulePage(m_db, m_norrby, "2027-01-10 12:00:00");
  const char* expectedTo[] = {"anna@example.se", "erik@example.se", "maria@example.se"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(got[i].rcpt, (std::vector<std::string>{expectedTo[i], "arkiv@example.se"}));
    EXPECT_EQ(got[i].subject, "spelprogram f\xC3\xB6r lag IFK NORRBY");
    ASSERT_NE(got[i].part("text/html"), nullptr);
    EXPECT_EQ(got[i].part("text/html")->payload, Cp1252ToUtf8(page));
  }
  EXPECT_EQ(got[0].headers.at("to"), "\"ANNA: IFK NORRBY (anna@example.se)\" <anna@example.se>");
  // One connection per team.
  EXPECT_EQ(got[0].peerPort, got[2].peerPort);
  EXPECT_NE(got[2].peerPort, got[3].peerPort);
  EXPECT_EQ(m_mail.connectionsOpened(), 2);
  EXPECT_EQ(got[3].subject,
            "spelprogram f\xC3\xB6r lag S\xC3\x96"
            "DRA & <BK>");
}

TEST_F(ScheduleMailTest, AnErrorEndsTheRunAndKeepsWhatWasSent) {
  ASSERT_TRUE(m_db.readTeam(m_norrby));
  setContact(2, "ERIK", "", "unknown@example.se");
  ASSERT_TRUE(m_db.rewriteTeam(m_norrby));
  const MailRunResult r =
      SendTeamSchedules(m_db, m_mail, m_fields, {}, {m_norrby, m_sodra}, m_logger, m_options);
  EXPECT_EQ(r.sent, 1);
  EXPECT_NE(r.error.find("mailbox does not exist"), std::string::npos);
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(Servers()->received().size(), 1u);
}

TEST_F(ScheduleMailTest, AbortStopsBeforeTheNextMail) {
  int polls = 0;
  m_options.aborted = [&] { return ++polls > 2; };
  const MailRunResult r =
      SendTeamSchedules(m_db, m_mail, m_fields, {}, {m_norrby, m_sodra}, m_logger, m_options);
  EXPECT_EQ(r.sent, 2);
  EXPECT_EQ(Servers()->received().size(), 2u);
}

TEST_F(ScheduleMailTest, TheMailingListIsOneMessageToEveryone) {
  m_fields.cc.clear();
  m_fields.message = "<p>Årsmöte</p>";
  const MailRunResult r =
      SendMailingList(m_db, m_mail, m_fields, {}, {m_norrby, m_sodra}, m_logger, m_options);
  ASSERT_EQ(r.error, "");
  const auto got = Servers()->received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].subject, "meddelande till lagen");
  EXPECT_EQ(got[0].rcpt, (std::vector<std::string>{"anna@example.se", "erik@example.se",
                                                   "maria@example.se", "bo@example.se"}));
  EXPECT_NE(got[0].headers.at("to").find("\"BO: S\xC3\x96"
                                         "DRA & <BK> (bo@example.se)\""),
            std::string::npos);
  EXPECT_EQ(got[0].part("text/html")->payload, "<p>Årsmöte</p>");
}

TEST(DemoSeasonMailTest, EveryContactWithAnAddressGetsItsTeamsPage) {
  const liga::testing::TempDir tmp("demo_mail");
  const std::string dir = tmp.string();
  RecordingUi ui;
  ScopedUi scoped(ui);
  {
    Database db;
    db.initialise({});
    db.setDataDir(dir);
    liga::testing::DemoSeason season;
    ASSERT_TRUE(liga::testing::MakeDemoSeason(db, season));
    ASSERT_GT(season.contactsWithAddress, 26);
    Servers()->clear();
    MailSettings fields;
    fields.from = "kansliet@example.se";
    fields.smtpHost = "127.0.0.1";
    fields.smtpPort = std::to_string(Servers()->plain());
    fields.smtpUser = "liga";
    fields.smtpPassword = kServerPassword;
    MailRunOptions options;
    options.dateTime = [] { return std::string("2027-01-10 12:00:00"); };
    TSendEmail mail;
    const std::vector<std::int32_t> teams = TeamsWithEmail(db);
    ASSERT_EQ(static_cast<int>(teams.size()), season.teamsWithAddress);
    const MailRunResult r = SendTeamSchedules(db, mail, fields, {}, teams, nullptr, options);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.sent, season.contactsWithAddress);
    EXPECT_LE(mail.connectionsOpened(), season.teamsWithAddress);
    const auto got = Servers()->received();
    ASSERT_EQ(static_cast<int>(got.size()), season.contactsWithAddress);
    // Each mail carries the page of the team its recipient belongs to.
    std::size_t k = 0;
    for (std::int32_t t : teams) {
      ASSERT_TRUE(db.readTeam(t));
      const auto team = std::make_unique<TeamRec>(db.team());
      const std::string page = Cp1252ToUtf8(TeamSchedulePage(db, t, "2027-01-10 12:00:00"));
      EXPECT_NE(page.find("Antal matcher:"), std::string::npos);
      for (int row = 0; row < TeamRec::kContactRows; ++row) {
        if (team->contactRow(row).email().empty()) continue;
        ASSERT_LT(k, got.size());
        EXPECT_EQ(got[k].rcpt, std::vector<std::string>{team->contactRow(row).email()});
        EXPECT_EQ(got[k].part("text/html")->payload, page);
        ++k;
      }
    }
    db.closeAll();
  }
}

}  // namespace
}  // namespace liga::mail
