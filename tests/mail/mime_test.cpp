// The encoders of the MIME message and the two error translation tables.
#include <gtest/gtest.h>

#include "mail/mime.h"
#include "mail/send_email.h"

namespace liga::mail {
namespace {

TEST(MimeTest, Base64KnownVectorsAndLineLength) {
  EXPECT_EQ(Base64("", false), "");
  EXPECT_EQ(Base64("f", false), "Zg==");
  EXPECT_EQ(Base64("fo", false), "Zm8=");
  EXPECT_EQ(Base64("foobar", false), "Zm9vYmFy");
  EXPECT_EQ(Base64(std::string("\0\xff", 2), false), "AP8=");
  const std::string wrapped = Base64(std::string(200, 'a'), true);
  EXPECT_EQ(wrapped.substr(76, 2), "\r\n");
  EXPECT_EQ(wrapped.substr(wrapped.size() - 2), "\r\n");
  EXPECT_EQ(wrapped.find("\r\n", 78), 154u);
}

TEST(MimeTest, HeaderTextIsEncodedOnlyWhenNotAscii) {
  EXPECT_EQ(EncodeHeaderText("meddelande till lagen"), "meddelande till lagen");
  EXPECT_EQ(EncodeHeaderText("f\xC3\xB6r"), "=?utf-8?B?ZsO2cg==?=");
  // A long text is split into words of whole characters, each at most 75 characters.
  std::string longText;
  for (int i = 0; i < 40; ++i) longText += "\xC3\xA5";  // 80 bytes of "å"
  const std::string e = EncodeHeaderText(longText);
  std::size_t start = 0, words = 0;
  while (start < e.size()) {
    std::size_t end = e.find("\r\n ", start);
    if (end == std::string::npos) end = e.size();
    const std::string word = e.substr(start, end - start);
    EXPECT_LE(word.size(), 75u);
    EXPECT_EQ(word.substr(0, 10), "=?utf-8?B?");
    ++words;
    start = end == e.size() ? end : end + 3;
  }
  EXPECT_EQ(words, 2u);
  EXPECT_EQ(e.substr(0, e.find("\r\n")),
            "=?utf-8?B?" + Base64(longText.substr(0, 44), false) + "?=");
}

TEST(MimeTest, AddressesAndFileNames) {
  EXPECT_EQ(FormatAddress({"a@b.se", ""}), "a@b.se");
  EXPECT_EQ(FormatAddress({"a@b.se", "Anna Ek"}), "Anna Ek <a@b.se>");
  EXPECT_EQ(FormatAddress({"a@b.se", "ANNA: IFK (a@b.se)"}), "\"ANNA: IFK (a@b.se)\" <a@b.se>");
  EXPECT_EQ(FormatAddress({"a@b.se", "Say \"hi\""}), "\"Say \\\"hi\\\"\" <a@b.se>");
  EXPECT_EQ(FormatAddress({"a@b.se", "\xC3\x85sa"}), "=?utf-8?B?w4VzYQ==?= <a@b.se>");
  EXPECT_EQ(FileNameParameter("tabell.pdf"), "filename=\"tabell.pdf\"");
  EXPECT_EQ(FileNameParameter("\xC3\xA5r 1.txt"), "filename*=utf-8''%C3%A5r%201.txt");
  EXPECT_EQ(ContentTypeFor("LOGO.JPG"), "image/jpeg");
  EXPECT_EQ(ContentTypeFor("noext"), "application/octet-stream");
  EXPECT_EQ(FormatMailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
}

TEST(MimeTest, BlindCopiesNeverReachTheHeaders) {
  MimeMessage m;
  m.from = {"a@b.se", ""};
  m.to = {{"c@d.se", ""}};
  m.bcc = {{"secret@d.se", "Secret"}};
  m.subject = "x";
  m.body = "y";
  m.hasBody = true;
  const std::string text = BuildMessage(m, 1);
  EXPECT_EQ(text.find("secret"), std::string::npos);
  EXPECT_NE(text.find("To: c@d.se\r\n"), std::string::npos);
  EXPECT_EQ(text.find("X-Priority"), std::string::npos);  // normal priority writes none
}

TEST(TranslationTest, ConnectErrors) {
  EXPECT_EQ(TranslateConnectError("Login denied: 535 5.7.8 Incorrect authentication data",
                                  "535 5.7.8 Incorrect authentication data"),
            "Incorrect authentication!");
  EXPECT_EQ(TranslateConnectError("Socket Error # 10013\r\nx", ""),
            "Firewall is blocking access to the internet!");
  EXPECT_EQ(TranslateConnectError("Socket Error # 10054\r\nx", ""), "Connection terminated!");
  EXPECT_EQ(TranslateConnectError("Socket Error # 11001\r\nx", ""), "Host not found!");
  EXPECT_EQ(TranslateConnectError("Socket Error # 10061\r\nx", ""), "Socket Error # 10061\r\nx");
  EXPECT_EQ(TranslateConnectError("unusual", "554 no"), "unusual");
  EXPECT_EQ(TranslateConnectError("554 no", "554 no thanks"), "554 no thanks\r\nMessage: 554 no");
}

TEST(TranslationTest, SendErrors) {
  for (const char* t : {"421 closing connection", "too many messages", "Connection closed"}) {
    EXPECT_TRUE(TranslateSendError(t).retry) << t;
  }
  EXPECT_EQ(TranslateSendError("not connected").message, "Not connected to internet!");
  for (const char* t : {"550 No such user here", "550 User unknown", "550 Mailbox unavailable"}) {
    EXPECT_NE(TranslateSendError(t).message.find("mailbox does not exist"), std::string::npos);
  }
  for (const char* t : {"552 Mailbox is full", "mail quota exceeded", "552 mailbox full",
                        "Disk quota exceeded", "user is over the quota"}) {
    EXPECT_NE(TranslateSendError(t).message.find("inbox is full"), std::string::npos) << t;
  }
  const SendErrorAction other = TranslateSendError("554 rejected");
  EXPECT_FALSE(other.retry);
  EXPECT_EQ(other.message, "554 rejected");
}

}  // namespace
}  // namespace liga::mail
