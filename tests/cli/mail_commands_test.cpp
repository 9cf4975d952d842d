// `liga mail ...` run as a separate process against the loopback server, on a data
// directory holding the demo season.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/recording_ui.h"
#include "mail/demo_season.h"
#include "mail/mail_settings.h"
#include "mail/schedule_mail.h"
#include "mail/send_email.h"
#include "mail/smtp_fixture.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace liga::mail {
namespace {

namespace fs = std::filesystem;
using liga::testing::kServerPassword;
using liga::testing::RunResult;
using liga::testing::SmtpServers;

class CliMailTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_servers = new SmtpServers;
    ASSERT_TRUE(m_servers->start());
    m_root = new liga::testing::TempDir("cli_mail");
    fs::create_directories(*m_root / "data");
    RecordingUi ui;
    ScopedUi scoped(ui);
    Database db;
    db.initialise({});
    db.setDataDir((*m_root / "data").string());
    ASSERT_TRUE(liga::testing::MakeDemoSeason(db, m_season));
    db.closeAll();
    db.releaseDataDir();
    // The program opens the competition named in its configuration; the data directory is
    // configured once (--data alone would be for one command).
    const RunResult configured = liga("datadir '" + (*m_root / "data").string() + "'");
    ASSERT_EQ(configured.status, 0) << configured.out;
    const RunResult selected = liga("select 1");
    ASSERT_EQ(selected.status, 0) << selected.out;
  }
  static void TearDownTestSuite() {
    m_servers->stop();
    delete m_servers;
    delete m_root;
  }
  void SetUp() override {
    m_servers->clear();
    m_settings.from = "kansliet@example.se";
    m_settings.smtpHost = "127.0.0.1";
    m_settings.smtpPort = std::to_string(m_servers->plain());
    m_settings.smtpUser = "liga";
    m_settings.smtpPassword = kServerPassword;
    m_settings.typeLog = lmLib;
    save();
  }
  void save() { ASSERT_TRUE(SaveMailSettings(settingsPath(), m_settings, nullptr)); }
  static std::string settingsPath() { return (*m_root / "mail.ini").string(); }

  static RunResult liga(const std::string& args) {
    return liga::testing::RunCommand("XDG_CONFIG_HOME='" + (*m_root / "config").string() +
                                     "' XDG_DOCUMENTS_DIR='" + (*m_root / "docs").string() + "' " +
                                     LIGA_BINARY + " --quiet " + args);
  }

  static SmtpServers* m_servers;
  static liga::testing::TempDir* m_root;
  static liga::testing::DemoSeason m_season;
  MailSettings m_settings;
};
SmtpServers* CliMailTest::m_servers = nullptr;
liga::testing::TempDir* CliMailTest::m_root = nullptr;
liga::testing::DemoSeason CliMailTest::m_season;

TEST_F(CliMailTest, ScheduleMailsEveryContactOfTheChosenTeam) {
  const RunResult r = liga("mail schedule --team 1 --settings '" + settingsPath() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto got = m_servers->received();
  // Team 1 of the demo has three named contacts.
  ASSERT_EQ(got.size(), 3u) << r.out;
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(got[row].rcpt, std::vector<std::string>{liga::testing::DemoAddress(1, row)});
    EXPECT_EQ(got[row].subject, "spelprogram f\xC3\xB6r lag IFK Norrby");
    ASSERT_NE(got[row].part("text/html"), nullptr);
  }
  EXPECT_NE(r.out.find("skickade: 3"), std::string::npos);
  EXPECT_NE(r.out.find(" LIB: Email sent"), std::string::npos);
  EXPECT_NE(r.out.find(" LIB: Password: ********"), std::string::npos);
  EXPECT_EQ(r.out.find(kServerPassword), std::string::npos);
}

TEST_F(CliMailTest, EveryTeamWhenNoneIsNamed) {
  const RunResult r = liga("mail schedule --settings '" + settingsPath() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(static_cast<int>(m_servers->received().size()), m_season.contactsWithAddress);
}

TEST_F(CliMailTest, MessageGoesOnceToAllContacts) {
  const std::string body = (*m_root / "body.txt").string();
  std::ofstream(body, std::ios::binary) << "Välkomna till årsmötet!\n";
  const RunResult r = liga("mail message --subject 'Årsmöte' --body '" + body +
                           "' --team 1 --team 2 --settings '" + settingsPath() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].subject, "Årsmöte");
  EXPECT_EQ(got[0].rcpt.size(), 5u);
  ASSERT_NE(got[0].part("text/plain"), nullptr);
  EXPECT_EQ(got[0].part("text/plain")->payload, "Välkomna till årsmötet!\n");
}

TEST_F(CliMailTest, TestMessageWithTheWholeLogAndNoPassword) {
  m_settings.typeLog = lmAll;
  save();
  const RunResult r = liga("mail test prov@example.se --settings '" + settingsPath() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].rcpt, std::vector<std::string>{"prov@example.se"});
  EXPECT_NE(r.out.find(" SMTP: 250"), std::string::npos);
  EXPECT_NE(r.out.find(" SMTP: > AUTH"), std::string::npos);
  EXPECT_EQ(r.out.find(kServerPassword), std::string::npos);
}

TEST_F(CliMailTest, FailuresAreRefusals) {
  m_settings.smtpPassword = "fel-losen";
  save();
  RunResult r = liga("mail test prov@example.se --settings '" + settingsPath() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Incorrect authentication!"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("fel-losen"), std::string::npos);
  r = liga("mail schedule --team 1 --settings '" + settingsPath() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Incorrect authentication!"), std::string::npos) << r.out;
  r = liga("mail schedule --team 4711 --settings '" + settingsPath() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Lag 4711 finns inte"), std::string::npos) << r.out;
  r = liga("mail test a@b.se --settings '" + (*m_root / "saknas.ini").string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Kan ej läsa e-postinställningarna"), std::string::npos) << r.out;
  EXPECT_EQ(liga("mail").status, 2);
  r = liga("mail test \"$(printf 'a@b.se>\\r\\nRCPT TO:<evil@x.example')\" --settings '" +
           settingsPath() + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("ogiltig e-postadress \"a@b.se>\\r\\nRCPT"), std::string::npos) << r.out;
  EXPECT_EQ(liga("mail message --subject x").status, 2);
  EXPECT_TRUE(m_servers->received().empty());
}

// Stores `email` as the address of team `number`'s contact row `row`, past the editor (as a
// database written by an older program may hold it).
void StoreAddress(const fs::path& dataDir, int number, int row, const std::string& email) {
  RecordingUi ui;
  ScopedUi scoped(ui);
  Database db;
  db.initialise({});
  db.setDataDir(dataDir.string());
  ASSERT_TRUE(db.readCatalogue());
  ASSERT_TRUE(db.selectCompetition(1, false));
  const std::int32_t recNo = FindTeamByNumber(db, number);
  ASSERT_TRUE(db.readTeam(recNo));
  ContactRow c = db.team().contactRow(row);
  c.setEmail(email);
  db.team().setContactRow(row, c);
  ASSERT_TRUE(db.rewriteTeam(recNo));
  db.closeAll();
  db.releaseDataDir();
}

TEST_F(CliMailTest, AStoredAddressCarryingACommandIsNeverSentTo) {
  const std::string injected = "a@b.c>\r\nRCPT TO:<evil@x.example";
  StoreAddress(*m_root / "data", 1, 1, injected);
  const RunResult r = liga("mail schedule --team 1 --settings '" + settingsPath() + "'");
  StoreAddress(*m_root / "data", 1, 1, liga::testing::DemoAddress(1, 1));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ogiltig e-postadress"), std::string::npos) << r.out;
  const auto got = m_servers->received();
  for (const auto& mail : got) {
    for (const std::string& rcpt : mail.rcpt) EXPECT_EQ(rcpt.find("evil"), std::string::npos);
    EXPECT_EQ(mail.raw.find("evil@x.example"), std::string::npos);
  }
  // The other two contacts of the team get their mail.
  EXPECT_EQ(got.size(), 2u);
}

TEST_F(CliMailTest, APasswordSentWithoutEncryptionIsWarnedAbout) {
  const RunResult r = liga("mail test prov@example.se --settings '" + settingsPath() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("lösenordet skickas okrypterat"), std::string::npos) << r.out;
  m_settings.smtpAuth = 0;
  save();
  const RunResult without = liga("mail test prov@example.se --settings '" + settingsPath() + "'");
  EXPECT_EQ(without.out.find("okrypterat"), std::string::npos) << without.out;
}

}  // namespace
}  // namespace liga::mail
