// The sender against real SMTP servers on 127.0.0.1: what arrives, how failures read, what
// the log shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <queue>
#include <thread>

#include "common/recording_ui.h"
#include "mail/mime.h"
#include "mail/send_email.h"
#include "mail/smtp_fixture.h"

namespace liga::mail {
namespace {

using liga::testing::kServerPassword;
using liga::testing::ReceivedMail;
using liga::testing::SmtpServers;

class SendEmailTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_servers = new SmtpServers;
    ASSERT_TRUE(m_servers->start()) << "the loopback SMTP servers did not start";
  }
  static void TearDownTestSuite() {
    m_servers->stop();
    delete m_servers;
  }
  void SetUp() override {
    m_servers->clear();
    m_mail = std::make_unique<TSendEmail>();
    m_mail->OnLog([this](const std::string& s) { m_log.push_back(s); }, lmAll);
  }

  // A plain connection with AUTH to the plain server.
  void plainServer(int port = 0) {
    m_mail->Host("127.0.0.1").Port(port ? port : m_servers->plain()).Auth(true);
    m_mail->UserName("liga").Password(kServerPassword);
  }
  void simpleMessage(const std::string& to = "anna@example.se") {
    m_mail->From("kansliet@example.se", "Kansliet").AddTo(to, "Anna");
    m_mail->Subject("Hej").Message("<p>hej</p>", true);
  }
  std::string sendError(bool disconnect = true) {
    try {
      m_mail->Send(disconnect);
    } catch (const SendEmailError& e) {
      return e.what();
    }
    return "";
  }
  bool logHas(const std::string& text) const {
    for (const auto& l : m_log) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }

  static SmtpServers* m_servers;
  std::unique_ptr<TSendEmail> m_mail;
  std::vector<std::string> m_log;
};
SmtpServers* SendEmailTest::m_servers = nullptr;

TEST_F(SendEmailTest, PlainWithAuthDeliversHeadersBodyAndEnvelope) {
  plainServer();
  const std::string html = "<html><body>Spelprogram f\xC3\xB6r \xC3\x85sbo IF</body></html>";
  m_mail->From("kansliet@example.se", "V\xC3\xA4stra F\xC3\xB6rbundet")
      .AddTo("anna@example.se", "Anna Andersson")
      .AddCC("erik@example.se", "")
      .AddBCC("hemlig@example.se", "Hemlig Mottagare")
      .AddReplyTo("svar@example.se", "")
      .Priority(mpHigh)
      .Subject("spelprogram f\xC3\xB6r lag \xC3\x85SBO IF")
      .Message(html, true);
  ASSERT_EQ(sendError(), "");
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 1u);
  const ReceivedMail& m = got[0];
  EXPECT_EQ(m.subject, "spelprogram f\xC3\xB6r lag \xC3\x85SBO IF");
  EXPECT_EQ(m.mailFrom, "kansliet@example.se");
  EXPECT_EQ(m.rcpt,
            (std::vector<std::string>{"anna@example.se", "erik@example.se", "hemlig@example.se"}));
  // The blind copy is an envelope recipient only.
  EXPECT_FALSE(m.hasHeader("Bcc"));
  EXPECT_EQ(m.raw.find("hemlig"), std::string::npos);
  EXPECT_EQ(m.headers.at("to"), "Anna Andersson <anna@example.se>");
  EXPECT_EQ(m.headers.at("from"), "V\xC3\xA4stra F\xC3\xB6rbundet <kansliet@example.se>");
  EXPECT_EQ(m.headers.at("reply-to"), "svar@example.se");
  EXPECT_EQ(m.headers.at("x-priority"), "2 (High)");
  EXPECT_TRUE(m.hasHeader("Date"));
  EXPECT_TRUE(m.hasHeader("Message-ID"));
  ASSERT_EQ(m.parts.size(), 1u);
  EXPECT_EQ(m.parts[0].type, "text/html");
  EXPECT_EQ(m.parts[0].payload, html);
  EXPECT_NE(m.raw.find("charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64"),
            std::string::npos);
}

TEST_F(SendEmailTest, AttachmentsInlineFilesAndAMissingFile) {
  const std::string dir = m_servers->dir().string();
  const std::string pdf = dir + "/tabell.pdf", png = dir + "/logo.png",
                    sv = dir + "/resultat_\xC3\xA5r.txt";
  std::ofstream(pdf, std::ios::binary) << std::string("%PDF-1.4\0\x01\xff", 11);
  std::ofstream(png, std::ios::binary) << "PNGDATA";
  std::ofstream(sv, std::ios::binary) << "1-0";
  plainServer();
  simpleMessage();
  m_mail->Message("<img src=\"cid:logo.png\">", true)
      .AddAttachment(pdf, adAttachment)
      .AddAttachment(sv, adAttachment)
      .AddAttachment(png, adInline)
      .AddAttachment(dir + "/saknas.doc", adAttachment);
  EXPECT_TRUE(logHas("LIB: Attachment: Not found - saknas.doc"));
  EXPECT_TRUE(logHas("LIB: Attachment(adAttachment)(2): " + sv));
  EXPECT_TRUE(logHas("LIB: Attachment(adInline)(1): " + png));
  ASSERT_EQ(sendError(), "");
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 1u);
  const ReceivedMail& m = got[0];
  EXPECT_EQ(m.multiparts, (std::vector<std::string>{"multipart/mixed", "multipart/related"}));
  ASSERT_EQ(m.parts.size(), 4u);
  EXPECT_EQ(m.parts[0].type, "text/html");
  EXPECT_EQ(m.parts[1].type, "image/png");
  EXPECT_EQ(m.parts[1].disposition, "inline");
  EXPECT_EQ(m.parts[1].contentId, "<logo.png>");
  EXPECT_EQ(m.parts[1].payload, "PNGDATA");
  EXPECT_EQ(m.parts[2].type, "application/pdf");
  EXPECT_EQ(m.parts[2].disposition, "attachment");
  EXPECT_EQ(m.parts[2].fileName, "tabell.pdf");
  EXPECT_EQ(m.parts[2].payload, std::string("%PDF-1.4\0\x01\xff", 11));
  EXPECT_EQ(m.parts[3].fileName, "resultat_\xC3\xA5r.txt");
  EXPECT_EQ(m.parts[3].payload, "1-0");
}

TEST_F(SendEmailTest, StartTlsIsRequiredAndTheCertificateIsVerified) {
  m_mail->startTlsPorts.push_back(m_servers->starttls());
  m_mail->Host("127.0.0.1").Port(m_servers->starttls()).UserName("liga").Password(kServerPassword);
  simpleMessage();
  // Without encryption the server refuses to go on.
  EXPECT_NE(sendError().find("530"), std::string::npos);
  // A self-signed certificate is refused by default ...
  m_mail->TLS(true);
  const std::string refused = sendError();
  EXPECT_NE(refused, "");
  EXPECT_TRUE(m_servers->received().empty());
  // ... and accepted with its CA named.
  m_mail->CaFile(m_servers->cert().string());
  ASSERT_EQ(sendError(), "") << refused;
  EXPECT_EQ(m_servers->received().size(), 1u);
  EXPECT_TRUE(logHas("LIB: Defining encryption: TLS"));
  EXPECT_TRUE(logHas("SMTP: > STARTTLS"));
}

TEST_F(SendEmailTest, TurningVerificationOffIsLoggedInComponentMode) {
  m_mail->OnLog([this](const std::string& s) { m_log.push_back(s); }, lmComponent);
  m_mail->Host("127.0.0.1").Port(m_servers->implicit()).UserName("liga").Password(kServerPassword);
  m_mail->SSL(true).VerifyCertificate(false);
  simpleMessage();
  ASSERT_EQ(sendError(), "");
  EXPECT_TRUE(logHas("LIB: Certificate verification turned off"));
  EXPECT_EQ(m_servers->received().size(), 1u);
}

TEST_F(SendEmailTest, ImplicitTlsOnAnyOtherPort) {
  m_mail->Host("127.0.0.1").Port(m_servers->implicit()).UserName("liga").Password(kServerPassword);
  m_mail->SSL(true).TLS(true);
  simpleMessage();
  EXPECT_NE(sendError(), "");  // self-signed, not trusted
  m_mail->CaFile(m_servers->cert().string());
  ASSERT_EQ(sendError(), "");
  EXPECT_TRUE(logHas("LIB: Defining encryption: SSL/TLS"));
  EXPECT_FALSE(logHas("STARTTLS"));
  EXPECT_EQ(m_servers->received().size(), 1u);
  // The STARTTLS server on a port outside the STARTTLS list gets a TLS hello and fails.
  m_mail->Port(m_servers->starttls()).TLS(false);
  EXPECT_NE(sendError(), "");
}

TEST_F(SendEmailTest, WrongPasswordIsIncorrectAuthentication) {
  plainServer();
  m_mail->Password("fel");
  simpleMessage();
  EXPECT_EQ(sendError(), "Incorrect authentication!");
  EXPECT_TRUE(logHas("LIB: Except: Incorrect authentication!"));
  EXPECT_TRUE(logHas("LIB: Email not connected!"));
  EXPECT_TRUE(logHas("LIB: Last Result: 535 5.7.8 Incorrect authentication data"));
  EXPECT_TRUE(m_servers->received().empty());
}

TEST_F(SendEmailTest, RefusedRecipientsReadAsTheTablesSay) {
  plainServer();
  simpleMessage("unknown@example.se");
  EXPECT_EQ(sendError(),
            "The recipient's mailbox does not exist in the destination domain. It was probably "
            "typed incorrectly!");
  m_mail->Clear();
  simpleMessage("full@example.se");
  EXPECT_EQ(sendError(),
            "It means that the recipient's inbox is full and cannot receive any more messages!");
  EXPECT_TRUE(m_servers->received().empty());
}

TEST_F(SendEmailTest, ClosingConnectionReconnectsFiveTimesThenRaisesTheReply) {
  plainServer();
  simpleMessage("closing@example.se");
  const int before = m_mail->connectionsOpened();
  const std::string error = sendError();
  EXPECT_NE(error.find("421 4.3.0 Service not available, closing connection"), std::string::npos)
      << error;
  EXPECT_EQ(m_mail->connectionsOpened() - before, 1 + TSendEmail::kMaxAttempts);
  EXPECT_TRUE(logHas("LIB: Reconnecting: 5"));
  EXPECT_FALSE(logHas("LIB: Reconnecting: 6"));
  // The counter starts again: the next good message goes out at once.
  m_mail->Clear();
  simpleMessage();
  m_log.clear();
  ASSERT_EQ(sendError(), "");
  EXPECT_FALSE(logHas("Reconnecting"));
}

TEST_F(SendEmailTest, SocketErrorsCarryTheirNumbers) {
  plainServer(m_servers->reset());
  simpleMessage();
  EXPECT_EQ(sendError(), "Connection terminated!");
  // A port nobody listens on: the reset server's port is taken, so ask the kernel for one
  // that was free a moment ago.
  m_mail->Port(1);
  const std::string refused = sendError();
  EXPECT_NE(refused.find("Socket Error # 10061"), std::string::npos) << refused;
}

TEST_F(SendEmailTest, APasswordIsAbsentFromEveryLogMode) {
  const std::string b64 = Base64(std::string("\0liga\0", 6) + kServerPassword, false);
  for (TLogMode mode : {lmComponent, lmLib, lmAll, lmNone}) {
    for (bool tls : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "mode " << mode << " tls " << tls);
      m_log.clear();
      m_mail = std::make_unique<TSendEmail>();
      m_mail->OnLog([this](const std::string& s) { m_log.push_back(s); }, mode);
      m_mail->startTlsPorts.push_back(m_servers->starttls());
      m_mail->Host("127.0.0.1").Port(tls ? m_servers->starttls() : m_servers->plain());
      m_mail->UserName("liga")
          .Password(kServerPassword)
          .TLS(tls)
          .CaFile(m_servers->cert().string());
      simpleMessage();
      ASSERT_EQ(sendError(), "");
      m_mail->Password("fel");  // and a failed login
      EXPECT_NE(sendError(), "");
      for (const auto& l : m_log) {
        EXPECT_EQ(l.find(kServerPassword), std::string::npos) << l;
        EXPECT_EQ(l.find(b64), std::string::npos) << l;
        EXPECT_EQ(l.find("fel"), std::string::npos) << l;
      }
      if (mode == lmLib || mode == lmAll) {
        EXPECT_TRUE(logHas("LIB: Password: ********"));
      }
      if (mode == lmNone) {
        EXPECT_TRUE(m_log.empty());
      }
      if (mode == lmAll) {
        EXPECT_TRUE(logHas("SMTP: > AUTH"));
      }
    }
  }
}

TEST_F(SendEmailTest, LogModesSelectTheLines) {
  std::map<TLogMode, std::vector<std::string>> logs;
  for (TLogMode mode : {lmComponent, lmLib, lmAll}) {
    m_mail = std::make_unique<TSendEmail>();
    m_mail->OnLog([&logs, mode](const std::string& s) { logs[mode].push_back(s); }, mode);
    plainServer();
    simpleMessage();
    m_mail->Send(true);
  }
  auto has = [&](TLogMode m, const std::string& prefix) {
    for (const auto& l : logs[m]) {
      if (l.rfind(prefix, 0) == 0) return true;
    }
    return false;
  };
  EXPECT_FALSE(has(lmComponent, "LIB: "));  // no error line in a good send
  EXPECT_TRUE(has(lmComponent, "SMTP: "));
  EXPECT_TRUE(has(lmLib, "LIB: Email sent"));
  EXPECT_FALSE(has(lmLib, "SMTP: "));
  EXPECT_TRUE(has(lmAll, "LIB: Email sent"));
  EXPECT_TRUE(has(lmAll, "SMTP: 250"));
  const auto& lib = logs[lmLib];
  const std::vector<std::string> expected{"LIB: Defining encryption: None",
                                          "LIB: Connecting",
                                          "LIB: Connected",
                                          "LIB: Authenticating",
                                          "LIB: Authenticated",
                                          "LIB: Sending email",
                                          "LIB: Starting transmission",
                                          "LIB: Transmission completed",
                                          "LIB: Email sent",
                                          "LIB: Disconnecting",
                                          "LIB: Disconnected"};
  std::vector<std::string> tail;
  for (const auto& l : lib) {
    if (std::find(expected.begin(), expected.end(), l) != expected.end()) tail.push_back(l);
  }
  EXPECT_EQ(tail, expected);
}

TEST_F(SendEmailTest, TheConnectionIsKeptUntilASettingChanges) {
  plainServer();
  simpleMessage();
  m_mail->Connect();
  EXPECT_TRUE(m_mail->IsConnected());
  ASSERT_EQ(sendError(false), "");
  m_mail->Host("127.0.0.1");  // the same host keeps it
  ASSERT_EQ(sendError(false), "");
  EXPECT_EQ(m_mail->connectionsOpened(), 1);
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].peerPort, got[1].peerPort);
  m_mail->Host("localhost");  // another host disconnects
  EXPECT_FALSE(m_mail->IsConnected());
  EXPECT_TRUE(logHas("LIB: Disconnected"));
}

TEST_F(SendEmailTest, AConnectionTheServerClosedIsReplacedOnce) {
  plainServer(m_servers->idle());
  simpleMessage();
  m_mail->Connect();
  // The server drops the idle connection; the next send must not fail on it but open
  // exactly one new connection.
  std::this_thread::sleep_for(std::chrono::milliseconds(900));
  ASSERT_EQ(sendError(), "");
  EXPECT_EQ(m_mail->connectionsOpened(), 2);
  EXPECT_FALSE(logHas("Reconnecting"));
  EXPECT_EQ(m_servers->received().size(), 1u);
}

TEST_F(SendEmailTest, A421OnAReusedConnectionIsRetriedOnceOnAFreshOne) {
  plainServer();
  m_mail->From("stale@example.se", "")
      .AddTo("anna@example.se", "")
      .Subject("x")
      .Message("y", false);
  ASSERT_EQ(sendError(false), "");
  ASSERT_EQ(sendError(false), "");
  EXPECT_EQ(m_mail->connectionsOpened(), 2);
  EXPECT_TRUE(logHas("LIB: Connection lost, opening a new one"));
  EXPECT_FALSE(logHas("Reconnecting"));
  EXPECT_EQ(m_servers->received().size(), 2u);
}

TEST_F(SendEmailTest, ProgressReportsTheMessageSize) {
  std::int64_t total = -1, last = -1;
  int ends = 0;
  m_mail->OnWorkBegin([&](std::int64_t t) { total = t; })
      .OnWork([&](std::int64_t d) { last = d; })
      .OnWorkEnd([&] { ++ends; });
  plainServer();
  simpleMessage();
  m_mail->Message(std::string(50000, 'x'), false);
  ASSERT_EQ(sendError(), "");
  const auto got = m_servers->received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_GT(total, 50000);
  EXPECT_EQ(last, total);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(got[0].parts.at(0).type, "text/plain");
  EXPECT_EQ(got[0].parts.at(0).payload, std::string(50000, 'x'));
}

// A port whose posted tasks wait in a queue until the "user-interface thread" runs them.
class QueueUi : public RecordingUi {
 public:
  void postToUi(std::function<void()> task) override {
    std::lock_guard<std::mutex> g(m);
    tasks.push(std::move(task));
  }
  int runPending() {
    std::lock_guard<std::mutex> g(m);
    int n = 0;
    while (!tasks.empty()) {
      tasks.front()();
      tasks.pop();
      ++n;
    }
    return n;
  }
  std::mutex m;
  std::queue<std::function<void()>> tasks;
};

TEST_F(SendEmailTest, BackgroundSendCompletesThroughThePort) {
  QueueUi ui;
  ScopedUi scoped(ui);
  plainServer();
  simpleMessage();
  std::vector<std::pair<bool, std::string>> done;
  m_mail->SendAsync([&](bool e, const std::string& s) { done.emplace_back(e, s); }, true);
  m_mail->WaitAsync();
  EXPECT_TRUE(done.empty());  // not before the user-interface thread runs it
  EXPECT_EQ(ui.runPending(), 1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_FALSE(done[0].first);
  EXPECT_EQ(m_servers->received().size(), 1u);

  m_mail->Clear();
  simpleMessage("full@example.se");
  m_mail->SendAsync([&](bool e, const std::string& s) { done.emplace_back(e, s); }, true);
  m_mail->WaitAsync();
  ui.runPending();
  ASSERT_EQ(done.size(), 2u);
  EXPECT_TRUE(done[1].first);
  EXPECT_NE(done[1].second.find("inbox is full"), std::string::npos);

  // Without a handler the error is shown as an error box.
  m_mail->SendAsync(nullptr, true);
  m_mail->WaitAsync();
  ui.runPending();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].kind, MessageKind::Error);
}

TEST_F(SendEmailTest, AnAddressThatCouldEndItsCommandIsRefusedBeforeConnecting) {
  plainServer();
  for (const char* bad : {"a@b.c>\r\nRCPT TO:<evil@x.example", "utan-snabel-a", "a@b.se\nx"}) {
    m_mail->Clear();
    simpleMessage();
    m_mail->AddBCC(bad, "");
    const std::string error = sendError();
    EXPECT_NE(error.find("ogiltig e-postadress"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  m_mail->Clear();
  m_mail->From("kansliet@example.se\r\nRSET", "").AddTo("anna@example.se", "Anna");
  EXPECT_NE(sendError().find("ogiltig e-postadress"), std::string::npos);
  EXPECT_TRUE(m_servers->received().empty());
  EXPECT_FALSE(logHas("LIB: Connecting"));
}

TEST_F(SendEmailTest, SettersIgnoreEmptyAddressesAndChain) {
  m_mail->AddTo("  ", "x").AddCC("", "").AddBCC(" ", "").AddReceiptRecipient("", "");
  EXPECT_TRUE(m_mail->message().to.empty());
  EXPECT_TRUE(m_mail->message().cc.empty());
  EXPECT_TRUE(m_log.empty());
  m_mail->Subject("spelprogram f\xC3\xB6r lag IFK NORRBY")
      .Subject("spelprogram f\xC3\xB6r lag IFK");
  EXPECT_EQ(m_mail->message().subject, "spelprogram f\xC3\xB6r lag IFK");
  m_mail->Priority(mpLowest).Clear();
  EXPECT_EQ(m_mail->priority(), mpNormal);
  EXPECT_TRUE(logHas("LIB: Priority: mpLowest"));
  EXPECT_TRUE(logHas("LIB: Priority: mpNormal"));
}

}  // namespace
}  // namespace liga::mail
