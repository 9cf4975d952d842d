// The e-mail window against the loopback SMTP servers: what its fields put into the
// message, the team schedule mail from a pick, the log page, the settings file, a refused
// login, the background send and the keyboard.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "common/encoding.h"
#include "gui/form_send_email.h"
#include "gui/gui_test_env.h"
#include "gui/reg_form_dlg.h"
#include "mail/demo_season.h"
#include "mail/smtp_fixture.h"
#include "support/db_fixture.h"

namespace liga::gui {
namespace {

using liga::testing::kServerPassword;
using liga::testing::SmtpServers;

[[maybe_unused]] auto* const g_env =
    ::testing::AddGlobalTestEnvironment(new liga::testing::SmtpServersEnvironment);
SmtpServers* Servers() {
  return liga::testing::SmtpServersEnvironment::servers();
}

// Chooses the given lines of every pick window and presses OK.
class LinePicker : public PickWindowRunner {
 public:
  std::vector<int> lines;
  std::vector<std::string> captions;
  void run(TEPickForm& form) override {
    captions.push_back(form.caption());
    for (int i : lines) {
      if (i < form.count()) form.setSelected(i, true);
    }
    form.okBtnClick();
  }
};

class MailWindowTest : public liga::testing::DbFixture {
 protected:
  void SetUp() override {
    testing::App();
    DbFixture::SetUp();
    Servers()->clear();
    setenv("XDG_CONFIG_HOME", (m_dir / "cfg").c_str(), 1);
    std::filesystem::create_directories(m_dir / "cfg" / "LigaWin32");
    m_ui.setScripted(true);
    m_scoped = std::make_unique<ScopedUi>(m_ui);
    m_picks = std::make_unique<ScopedPickWindows>(m_picker);
  }
  void TearDown() override {
    m_window.reset();
    m_picks.reset();
    m_scoped.reset();
    unsetenv("XDG_CONFIG_HOME");
    DbFixture::TearDown();
  }

  TFormSendEmail& open() {
    m_window = std::make_unique<TFormSendEmail>(m_db, m_sender);
    m_window->runOptions.dateTime = [] { return std::string("2027-01-10 12:00:00"); };
    return *m_window;
  }

  // Server fields for the plain loopback server with authentication.
  static mail::MailSettings server(const std::string& password = kServerPassword) {
    mail::MailSettings s;
    s.from = "kansliet@example.se";
    s.fromName = "Kansliet";
    s.smtpHost = "127.0.0.1";
    s.smtpPort = std::to_string(Servers()->plain());
    s.encrypted = 0;
    s.smtpAuth = 1;
    s.smtpUser = "liga";
    s.smtpPassword = password;
    s.typeLog = mail::lmAll;
    return s;
  }

  template <typename T>
  T* child(const char* name) {
    T* c = m_window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

  QtUi m_ui;
  std::unique_ptr<ScopedUi> m_scoped;
  LinePicker m_picker;
  std::unique_ptr<ScopedPickWindows> m_picks;
  mail::TSendEmail m_sender;
  std::unique_ptr<TFormSendEmail> m_window;
};

TEST_F(MailWindowTest, FieldsReachTheServerAndTheLogHidesThePassword) {
  TFormSendEmail& w = open();
  mail::MailSettings s = server();
  s.to = "anna@example.se";
  s.toName = "Anna Ek";
  s.cc = "bo@example.se";
  s.bcc = "dold@example.se";
  s.subject = "Årsmöte i maj";
  s.message = "<p>Välkomna</p>";
  s.priority = mail::mpHigh;
  w.setFields(s);
  const std::string file = path("kallelse.txt");
  std::ofstream(file) << "dagordning\n";
  m_ui.setNextPick(file);
  child<QPushButton>("btnAttachment")->click();
  m_ui.setNextPick(path("borta.txt"));
  child<QPushButton>("btnInline")->click();
  // An added line can be removed again.
  m_ui.setNextPick(file);
  child<QPushButton>("btnAttachment")->click();
  child<QPushButton>("btnRemoveAttachment")->click();
  EXPECT_EQ(w.attachments(),
            (mail::AttachmentLines{"ATTACHMENTS=" + file, "INLINE=" + path("borta.txt")}));

  child<QPushButton>("btnSend")->click();
  EXPECT_TRUE(m_ui.shown.empty()) << m_ui.shown.front().text;
  const auto got = Servers()->received();
  ASSERT_EQ(got.size(), 1u);
  const auto& m = got[0];
  EXPECT_EQ(m.mailFrom, "kansliet@example.se");
  EXPECT_EQ(std::multiset<std::string>(m.rcpt.begin(), m.rcpt.end()),
            (std::multiset<std::string>{"anna@example.se", "bo@example.se", "dold@example.se"}));
  EXPECT_FALSE(m.hasHeader("bcc"));
  EXPECT_EQ(m.subject, "Årsmöte i maj");
  EXPECT_NE(m.headers.at("to").find("anna@example.se"), std::string::npos);
  EXPECT_NE(m.headers.at("cc").find("bo@example.se"), std::string::npos);
  ASSERT_NE(m.part("text/html"), nullptr);
  EXPECT_EQ(m.part("text/html")->payload, "<p>Välkomna</p>");
  bool attached = false;
  for (const auto& p : m.parts)
    attached |= p.fileName == "kallelse.txt" && p.payload == "dagordning\n";
  EXPECT_TRUE(attached);

  // The log page: one dated line per log text, the password never.
  EXPECT_EQ(child<QTabWidget>("PageControl")->currentIndex(), 2);
  const QStringList log = w.logLines();
  ASSERT_FALSE(log.isEmpty());
  const QRegularExpression dated(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d "));
  for (const QString& line : log) EXPECT_TRUE(dated.match(line).hasMatch()) << line.toStdString();
  const QString all = log.join(QLatin1Char('\n'));
  EXPECT_TRUE(all.contains(QStringLiteral("LIB: Password: ********")));
  EXPECT_TRUE(all.contains(QStringLiteral("LIB: Attachment: Not found - borta.txt")));
  EXPECT_TRUE(all.contains(QStringLiteral("LIB: Email sent")));
  EXPECT_TRUE(all.contains(QStringLiteral("SMTP: ")));
  EXPECT_FALSE(all.contains(QString::fromLatin1(kServerPassword)));
  // The progress bar ends full.
  auto* bar = child<QProgressBar>("ProgressBar");
  EXPECT_GT(bar->maximum(), 1);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(MailWindowTest, APasswordWithoutEncryptionIsWarnedAboutWhileItIsSo) {
  TFormSendEmail& w = open();
  QLabel* warning = child<QLabel>("lblClearTextPassword");
  ASSERT_NE(warning, nullptr);
  w.setFields(server());  // encryption "None", login with a password
  EXPECT_FALSE(warning->isHidden());
  EXPECT_TRUE(warning->text().contains(QString::fromUtf8("okrypterat")));
  child<QComboBox>("cmbEncrypted")->setCurrentIndex(1);
  EXPECT_TRUE(warning->isHidden());
  child<QComboBox>("cmbEncrypted")->setCurrentIndex(0);
  child<QLineEdit>("edtPassword")->clear();
  EXPECT_TRUE(warning->isHidden());
}

TEST_F(MailWindowTest, ScheduleButtonMailsEveryContactOfTheChosenTeams) {
  liga::testing::DemoSeason season;
  ASSERT_TRUE(liga::testing::MakeDemoSeason(m_db, season));
  TFormSendEmail& w = open();
  mail::MailSettings s = server();
  s.typeLog = mail::lmLib;
  w.setFields(s);
  m_picker.lines = {0, 2};
  child<QPushButton>("lagspelprogramBtn")->click();
  ASSERT_EQ(m_picker.captions, std::vector<std::string>{"Emaila lagspelprogram"});
  for (const auto& shown : m_ui.shown) EXPECT_NE(shown.kind, MessageKind::Error) << shown.text;

  // Mails by team number, from the recipients' addresses "lagN-radR@example.se".
  std::map<int, int> perTeam;
  const auto got = Servers()->received();
  for (const auto& m : got) {
    ASSERT_EQ(m.rcpt.size(), 1u);
    const int number = std::stoi(m.rcpt[0].substr(3));
    ++perTeam[number];
    const std::int32_t team = mail::FindTeamByNumber(m_db, number);
    ASSERT_GT(team, 0);
    ASSERT_NE(m.part("text/html"), nullptr);
    EXPECT_EQ(m.part("text/html")->payload,
              Cp1252ToUtf8(mail::TeamSchedulePage(m_db, team, "2027-01-10 12:00:00")));
    EXPECT_EQ(m.subject.rfind("spelprogram för lag ", 0), 0u) << m.subject;
  }
  ASSERT_EQ(perTeam.size(), 2u);
  for (const auto& [number, mails] : perTeam) {
    ASSERT_TRUE(m_db.readTeam(mail::FindTeamByNumber(m_db, number)));
    int contacts = 0;
    for (int row = 0; row < TeamRec::kContactRows; ++row) {
      contacts += !m_db.team().contactRow(row).email().empty();
    }
    EXPECT_EQ(mails, contacts) << "team " << number;
  }
  EXPECT_FALSE(w.sending());
  EXPECT_TRUE(child<QPushButton>("btnSend")->isEnabled());

  // Escape during the run ends it before the next message; the window stays open.
  Servers()->clear();
  w.show();
  int polls = 0;
  m_ui.onPendingInput = [&] {
    if (++polls == 3) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&w, &escape);
    }
  };
  child<QPushButton>("lagspelprogramBtn")->click();
  m_ui.onPendingInput = nullptr;
  EXPECT_EQ(Servers()->received().size(), 2u);
  EXPECT_TRUE(w.isVisible());
  // The next run is not aborted by the earlier Escape.
  Servers()->clear();
  child<QPushButton>("lagspelprogramBtn")->click();
  EXPECT_EQ(Servers()->received().size(), got.size());
}

TEST_F(MailWindowTest, MailingListSendsOneMessageToAllContacts) {
  liga::testing::DemoSeason season;
  ASSERT_TRUE(liga::testing::MakeDemoSeason(m_db, season));
  TFormSendEmail& w = open();
  w.setFields(server());
  m_picker.lines = {1};
  child<QPushButton>("maillistBtn")->click();
  ASSERT_EQ(m_picker.captions, std::vector<std::string>{"Emaila lag"});
  const auto got = Servers()->received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].subject, "meddelande till lagen");
  EXPECT_GE(got[0].rcpt.size(), 1u);
  const std::string first = got[0].rcpt[0].substr(0, got[0].rcpt[0].find('-'));
  for (const auto& r : got[0].rcpt) EXPECT_EQ(r.rfind(first + "-", 0), 0u) << r;
}

TEST_F(MailWindowTest, SettingsRoundTripThroughTheConfigurationFolder) {
  TFormSendEmail& w = open();
  // The window opens on the first preset.
  EXPECT_TRUE(child<QRadioButton>("ragLoadSettings0")->isChecked());
  EXPECT_EQ(w.fields().smtpHost, mail::Preset(0).host);
  mail::MailSettings s = server("lösen;#\\ med blank ");
  s.encrypted = 3;
  s.readConfirmation = true;
  s.typeLog = mail::lmComponent;
  s.caFile = "/etc/klubb/ca.pem";
  s.verifyCertificate = false;
  s.to = "a@example.se";
  s.toName = "Å Ö";
  s.cc = "c@example.se";
  s.ccName = "C";
  s.bcc = "b@example.se";
  s.bccName = "B";
  s.subject = "Ämne";
  s.priority = mail::mpLowest;
  s.message = "rad 1\nrad 2";
  w.setFields(s);
  child<QPushButton>("btnSaveConfig")->click();
  const std::string file = mail::DefaultMailSettingsPath();
  ASSERT_EQ(file, (m_dir / "cfg" / "LigaWin32" / "sendemail.ini").string());
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  m_window.reset();
  TFormSendEmail& again = open();
  EXPECT_NE(again.fields(), s);
  child<QPushButton>("btnLoadConfig")->click();
  EXPECT_EQ(again.fields(), s);

  // A preset changes only the server fields; a missing file changes nothing.
  child<QRadioButton>("ragLoadSettings7")->click();
  mail::MailSettings expected = s;
  mail::ApplyPreset(expected, 7);
  EXPECT_EQ(again.fields(), expected);
  again.setSettingsPath(path("saknas.ini"));
  child<QPushButton>("btnLoadConfig")->click();
  EXPECT_EQ(again.fields(), expected);
}

TEST_F(MailWindowTest, ClosingWithChangedServerSettingsAsksToSaveThem) {
  const std::string file = path("server.ini");
  {
    TFormSendEmail& w = open();
    w.setSettingsPath(file);
    // Only the recipient changed: no question.
    mail::MailSettings s = w.fields();
    s.to = "anna@example.se";
    w.setFields(s);
    static_cast<QDialog&>(w).reject();
    EXPECT_TRUE(m_ui.shown.empty());
  }
  {
    TFormSendEmail& w = open();
    w.setSettingsPath(file);
    w.setFields(server());
    m_ui.setNextAnswer(Answer::No);
    static_cast<QDialog&>(w).reject();
    ASSERT_EQ(m_ui.shown.size(), 1u);
    EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
    EXPECT_FALSE(std::filesystem::exists(file));
  }
  TFormSendEmail& w = open();
  w.setSettingsPath(file);
  w.setFields(server());
  m_ui.setNextAnswer(Answer::Yes);
  static_cast<QDialog&>(w).reject();
  ASSERT_TRUE(std::filesystem::exists(file));
  mail::MailSettings saved;
  ASSERT_TRUE(mail::LoadMailSettings(file, saved));
  EXPECT_EQ(saved.smtpHost, "127.0.0.1");
}

TEST_F(MailWindowTest, RefusedLoginShowsTheTranslatedErrorAndTheWindowStaysUsable) {
  TFormSendEmail& w = open();
  mail::MailSettings s = server("fel-lösen");
  s.to = "anna@example.se";
  w.setFields(s);
  child<QPushButton>("btnSend")->click();
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(m_ui.shown[0].text, "Incorrect authentication!");
  EXPECT_TRUE(Servers()->received().empty());
  EXPECT_TRUE(w.logLines().join(QLatin1Char('\n')).contains(QStringLiteral("535 5.7.8")));
  EXPECT_FALSE(w.logLines().join(QLatin1Char('\n')).contains(QStringLiteral("fel-lösen")));

  EXPECT_TRUE(child<QPushButton>("btnSend")->isEnabled());
  child<QLineEdit>("edtPassword")->setText(QString::fromLatin1(kServerPassword));
  child<QPushButton>("btnSend")->click();
  EXPECT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(Servers()->received().size(), 1u);
}

TEST_F(MailWindowTest, BackgroundSendReportsOnTheUserInterfaceThread) {
  TFormSendEmail& w = open();
  mail::MailSettings s = server();
  s.to = "anna@example.se";
  s.subject = "bakgrund";
  w.setFields(s);
  child<QPushButton>("btnSendAsync")->click();
  EXPECT_TRUE(w.sending());
  EXPECT_FALSE(child<QPushButton>("btnSend")->isEnabled());
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (w.sending() && std::chrono::steady_clock::now() < until) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_FALSE(w.sending());
  QApplication::processEvents();
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "Message sent!");
  EXPECT_TRUE(child<QPushButton>("btnSend")->isEnabled());
  ASSERT_EQ(Servers()->received().size(), 1u);
  EXPECT_EQ(Servers()->received()[0].subject, "bakgrund");
  EXPECT_TRUE(w.logLines().join(QLatin1Char('\n')).contains(QStringLiteral("LIB: Email sent")));
}

TEST_F(MailWindowTest, KeyboardUse) {
  TFormSendEmail& w = open();
  EXPECT_TRUE(child<QPushButton>("btnSend")->isDefault());
  EXPECT_EQ(child<QLineEdit>("edtPassword")->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(child<QCheckBox>("chkVerifyCertificate")->isChecked());
  EXPECT_NE(child<QLineEdit>("edtCaFile"), nullptr);
  // Tab walks the message page's address fields in reading order.
  std::vector<std::string> order;
  QWidget* f = child<QLineEdit>("edtFrom");
  while (order.size() < 7) {
    if (f->focusPolicy() & Qt::TabFocus) order.push_back(f->objectName().toStdString());
    f = f->nextInFocusChain();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"edtFrom", "edtFromName", "edtTo", "edtToName",
                                             "edtCc", "edtCcName", "edtBcc"}));
  w.show();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&w, &escape);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.result(), QDialog::Rejected);
}

// The main menu's "email" opens the window modally.
class MailMenuTest : public testing::GuiTest {};

TEST_F(MailMenuTest, EmailMenuOpensTheWindow) {
  TMainForm& form = start();
  QStringList titles;
  const ModalRunner previous = SetModalRunner([&](QDialog& d) {
    titles << d.windowTitle();
    auto* schedule = d.findChild<QPushButton*>(QStringLiteral("lagspelprogramBtn"));
    ASSERT_NE(schedule, nullptr);
    EXPECT_EQ(schedule->text(), QStringLiteral("lag-email-message"));
  });
  form.findChild<QAction*>(QStringLiteral("email1"))->trigger();
  SetModalRunner(previous);
  EXPECT_EQ(titles, QStringList{QStringLiteral("SendEmail")});
  EXPECT_TRUE(m_ui.shown.empty());
}

}  // namespace
}  // namespace liga::gui
