// "sendemail.ini": every field kept, any text kept, the file mode, the whole-file
// replacement, presets and the port field.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "mail/mail_settings.h"
#include "mail/schedule_mail.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga::mail {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { m_path = (m_dir / "sendemail.ini").string(); }
  void write(const std::string& text) { std::ofstream(m_path) << text; }
  std::string read() { return liga::testing::ReadFile(m_path); }

  static MailSettings full() {
    MailSettings s;
    s.from = "kansliet@example.se";
    s.fromName = "V\xC3\xA4stra F\xC3\xB6rbundet";
    s.encrypted = 3;
    s.smtpHost = "smtp.example.se";
    s.smtpPort = "2587";
    s.smtpAuth = 0;
    s.smtpUser = "liga";
    s.smtpPassword = " p;a#s\\s=w:o ;rd ";
    s.readConfirmation = true;
    s.typeLog = 2;
    s.caFile = "/etc/klubb-ca.pem";
    s.verifyCertificate = false;
    s.to = "a@example.se";
    s.toName = "Anna";
    s.cc = "b@example.se";
    s.ccName = "Bo";
    s.bcc = "c@example.se";
    s.bccName = "Cia";
    s.subject = "[Viktigt] ; inte en kommentar";
    s.priority = 4;
    for (int i = 0; i < 30; ++i) s.message += "Rad " + std::to_string(i) + ": ;#\\ hej \r\n";
    return s;
  }

  liga::testing::TempDir m_dir{"mailini"};
  std::string m_path;
};

TEST_F(SettingsTest, SavingAndLoadingKeepsEveryField) {
  const MailSettings saved = full();
  std::string error;
  ASSERT_TRUE(SaveMailSettings(m_path, saved, &error)) << error;
  MailSettings loaded;
  ASSERT_TRUE(LoadMailSettings(m_path, loaded));
  EXPECT_EQ(loaded, saved);
  // No line is longer than the INI reader takes.
  std::istringstream lines(read());
  std::string line;
  while (std::getline(lines, line)) EXPECT_LT(line.size(), 200u) << line;
}

TEST_F(SettingsTest, TheFileIsPrivateAndReplacedWhole) {
  write("[CONFIGURATION]\nfrom=old@example.se\n");
  ::chmod(m_path.c_str(), 0644);
  ASSERT_TRUE(SaveMailSettings(m_path, full(), nullptr));
  struct stat st {};
  ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(read(), FormatMailSettings(full()));
  // Nothing is left beside it.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(m_dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(SettingsTest, AFailedSaveLeavesTheOldFile) {
  write("[CONFIGURATION]\nfrom=old@example.se\n");
  // The target is a folder: rename fails, so the temporary file must go and the old
  // contents stay where they were.
  const std::string blocked = (m_dir / "blocked").string();
  std::filesystem::create_directories(blocked + "/inner");
  std::string error;
  EXPECT_FALSE(SaveMailSettings(blocked, full(), &error));
  EXPECT_NE(error, "");
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(m_dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
  EXPECT_EQ(read(), "[CONFIGURATION]\nfrom=old@example.se\n");
}

TEST_F(SettingsTest, MissingKeysSectionsAndFileKeepTheFields) {
  const MailSettings before = full();
  MailSettings s = before;
  EXPECT_FALSE(LoadMailSettings((m_dir / "saknas.ini").string(), s));
  EXPECT_EQ(s, before);
  write("[CONFIGURATION]\nsmtp_host=mail.klubb.se\nencrypted=9\ntype_log=x\n");
  ASSERT_TRUE(LoadMailSettings(m_path, s));
  EXPECT_EQ(s.smtpHost, "mail.klubb.se");
  EXPECT_EQ(s.encrypted, before.encrypted);  // out of range: kept
  EXPECT_EQ(s.typeLog, before.typeLog);
  EXPECT_EQ(s.to, before.to);
  EXPECT_EQ(s.message, before.message);
  EXPECT_EQ(s.smtpPassword, before.smtpPassword);
}

TEST(SettingsPlainTest, PresetsAndThePortField) {
  MailSettings s;
  ApplyPreset(s, 0);
  EXPECT_EQ(s.smtpPort, "465");
  EXPECT_EQ(s.encrypted, 3);
  EXPECT_EQ(s.smtpAuth, 1);
  const int ports[] = {465, 587, 587, 587, 465, 465, 587, 587, 465};
  const int enc[] = {3, 2, 2, 2, 2, 2, 2, 0, 2};
  for (int i = 0; i < kServerPresets; ++i) {
    ApplyPreset(s, i);
    EXPECT_EQ(s.smtpPort, std::to_string(ports[i])) << i;
    EXPECT_EQ(s.encrypted, enc[i]) << i;
  }
  EXPECT_EQ(PortNumber("2525"), 2525);
  EXPECT_EQ(PortNumber("abc"), 587);
  EXPECT_EQ(PortNumber(""), 587);
  EXPECT_EQ(PortNumber("70000"), 587);
}

TEST(SettingsPlainTest, PrepareMessageTakesTheFields) {
  MailSettings s;
  s.from = "k@example.se";
  s.to = "a@example.se";
  s.bcc = "";
  s.smtpPort = "inte";
  s.encrypted = 3;
  s.readConfirmation = true;
  s.priority = 0;
  s.subject = "Hej";
  TSendEmail mail;
  std::vector<std::string> log;
  PrepareMessage(mail, s, {"attachments=/saknas/fil.pdf", "INLINE=/saknas/bild.png", "annat"},
                 [&](const std::string& l) { log.push_back(l); });
  EXPECT_EQ(mail.port(), 587);
  EXPECT_TRUE(mail.ssl());
  EXPECT_TRUE(mail.tls());
  EXPECT_EQ(mail.priority(), mpHighest);
  EXPECT_EQ(mail.message().receiptTo.address, "k@example.se");
  EXPECT_EQ(mail.message().to.size(), 1u);
  EXPECT_TRUE(mail.message().bcc.empty());
  EXPECT_TRUE(mail.message().bodyIsHtml);
  EXPECT_NE(std::find(log.begin(), log.end(), "LIB: Attachment: Not found - fil.pdf"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "LIB: Attachment: Not found - bild.png"), log.end());
  s.encrypted = 2;
  PrepareMessage(mail, s, {}, nullptr);
  EXPECT_FALSE(mail.ssl());
  EXPECT_TRUE(mail.tls());
}

}  // namespace
}  // namespace liga::mail
