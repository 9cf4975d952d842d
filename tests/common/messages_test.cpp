#include "common/messages.h"

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/isam_error.h"
#include "common/recording_ui.h"

namespace liga {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
  std::string utf8(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }
};

TEST_F(MessagesTest, CatalogueLookup) {
  EXPECT_EQ(utf8(MessageText(325)), "Filerna öppna....");
  EXPECT_EQ(utf8(MessageText(526)), "Max antal tävlingar uppnått, kan ej addera fler!");
  EXPECT_EQ(MessageText(518), "Kan ej \"Rename\" fil ");
  EXPECT_EQ(utf8(MessageText(12345)), "Okänt nummer i msgtextanrop=  12345");
  EXPECT_EQ(utf8(MessageText(-3)), "Okänt nummer i msgtextanrop=     -3");
}

TEST_F(MessagesTest, StorageGroupHasItsPrefix) {
  EXPECT_EQ(MessageText(isam_error::kBusy), "Btree: errornr= " + std::to_string(isam_error::kBusy));
  EXPECT_EQ(MessageText(isam_error::kKeyNotFound), "Btree: FindKey: Ej funnen");
  // The engine's own restore errors for rewrites and batches.
  EXPECT_EQ(MessageText(isam_error::kPutRecRestored), "Btree: PutRec: IOerror, lyckad reparation");
  EXPECT_EQ(MessageText(isam_error::kBatchRestored),
            "Btree: CommitBatch: IOerror, lyckad reparation");
  EXPECT_EQ(utf8(MessageText(isam_error::kPathNotFound)), "Btree: Filvägen finns inte!");
  EXPECT_EQ(MessageText(9500), "Btree: IOresult=  0");
  EXPECT_EQ(utf8(MessageText(9499)), "Okänt nummer i msgtextanrop=   9499");
  EXPECT_EQ(utf8(MessageText(10500)), "Okänt nummer i msgtextanrop=  10500");
}

TEST_F(MessagesTest, DialogKindFollowsTheNumber) {
  ShowMessage(1, "status");
  EXPECT_EQ(StatusMessage(), "status");
  ASSERT_EQ(m_ui.statuses.size(), 1u);
  EXPECT_TRUE(m_ui.shown.empty());

  m_ui.answers = {Answer::Yes};
  EXPECT_EQ(ShowMessage(101, "fr\xE5ga"), Answer::Yes);
  EXPECT_EQ(ShowMessage(201, "varning"), Answer::Ok);
  m_ui.answers = {Answer::Retry};
  EXPECT_EQ(ShowMessage(301, "fel"), Answer::Retry);
  EXPECT_EQ(ShowMessage(512, "stopp"), Answer::Ok);
  ASSERT_EQ(m_ui.shown.size(), 4u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
  EXPECT_EQ(m_ui.shown[0].caption, "??");
  EXPECT_EQ(m_ui.shown[1].kind, MessageKind::Warning);
  EXPECT_EQ(m_ui.shown[1].caption, "info");
  EXPECT_EQ(m_ui.shown[2].kind, MessageKind::AbortRetryIgnore);
  EXPECT_EQ(m_ui.shown[2].caption, "error");
  EXPECT_EQ(m_ui.shown[3].kind, MessageKind::Error);
  EXPECT_EQ(m_ui.shown[3].caption, "error");
}

TEST_F(MessagesTest, ShownTextIsWholeAndDosLettersConverted) {
  const std::string path = "/home/kansliet/" + std::string(200, 'x') + "/backup";
  ShowMessage(201, "kopierad till " + path + " ..lyckad kopiering!!");
  EXPECT_EQ(m_ui.lastText(), "kopierad till " + path + " ..lyckad kopiering!!");
  ShowMessage(201, "G\x94teborg");
  EXPECT_EQ(m_ui.lastText(), "G\xF6teborg");
  ShowMessage(201, "\xE9t\x82");  // é in 850 (0x82) is not one of the six letters checked here
  EXPECT_EQ(m_ui.lastText(), "\xE9t\x82");
}

TEST_F(MessagesTest, AskFillsTheBufferForItsFixedTexts) {
  EXPECT_TRUE(Ask(31));
  EXPECT_EQ(utf8(StatusMessage()), "Filerna öppna....");
  EXPECT_TRUE(m_ui.shown.empty());

  SetMessageBuffer("Ta bort?");
  m_ui.answers = {Answer::No, Answer::Yes};
  EXPECT_FALSE(Ask(101));
  EXPECT_TRUE(Ask(101));
  EXPECT_EQ(m_ui.lastText(), "Ta bort?");

  m_ui.answers = {Answer::Abort, Answer::Ignore};
  EXPECT_FALSE(Ask(301));
  EXPECT_TRUE(Ask(301));

  EXPECT_TRUE(Ask(239));
  EXPECT_EQ(utf8(m_ui.lastText()), "Databas ej vald/ datafiler saknas!");
}

TEST_F(MessagesTest, BufferKeepsAComposedMessageWhole) {
  SetMessageBuffer(std::string(150, 'a'));
  AppendMessageBuffer(std::string(50, 'b'));
  EXPECT_EQ(MessageBuffer(), std::string(150, 'a') + std::string(50, 'b'));
}

}  // namespace
}  // namespace liga
