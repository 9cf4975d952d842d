#include "common/progress.h"

#include <gtest/gtest.h>

#include "common/recording_ui.h"

namespace liga {
namespace {

class ProgressTest : public ::testing::Test {
 protected:
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
  void TearDown() override {
    while (OpenProgressWindows() > 0) CloseProgress();
    ClearProgressAbort();
  }
};

TEST_F(ProgressTest, LineNumbersWrapOverEightRows) {
  EXPECT_EQ(ProgressRowOfLine(1), 0);
  EXPECT_EQ(ProgressRowOfLine(2), 1);
  EXPECT_EQ(ProgressRowOfLine(9), 8);
  EXPECT_EQ(ProgressRowOfLine(10), 1);
  EXPECT_EQ(ProgressRowOfLine(17), 8);
}

TEST_F(ProgressTest, AtMostFourWindowsStack) {
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(OpenProgress("w" + std::to_string(i)));
  EXPECT_FALSE(OpenProgress("fifth"));
  EXPECT_EQ(OpenProgressWindows(), 4);
  ProgressLine(2, "top");
  EXPECT_EQ(m_ui.progress.back(), "row 3 1 top");
  CloseProgress();
  ProgressLine(3, "next");
  EXPECT_EQ(m_ui.progress.back(), "row 2 2 next");
}

TEST_F(ProgressTest, CancelStopsLineUpdatesUntilTheNextFirstWindow) {
  int pending = 0;
  m_ui.onPendingInput = [&] { ++pending; };
  ASSERT_TRUE(OpenProgress("Import"));
  ProgressLine(2, "post 1");
  CancelProgress();
  EXPECT_TRUE(ProgressAborted());
  const auto before = m_ui.progress.size();
  ProgressLine(2, "post 2");
  EXPECT_EQ(m_ui.progress.size(), before);
  EXPECT_GE(pending, 2);
  CloseProgress();
  ASSERT_TRUE(OpenProgress("Export"));
  EXPECT_FALSE(ProgressAborted());
}

TEST_F(ProgressTest, DosLettersAreConverted) {
  ASSERT_TRUE(OpenProgress("S\x94k"));
  ProgressLine(2, "\x8Frhus");
  EXPECT_EQ(m_ui.progress[0], "open 0 S\xF6k");
  EXPECT_EQ(m_ui.progress[1], "row 0 1 \xC5rhus");
}

TEST_F(ProgressTest, LineWithoutWindowIsIgnored) {
  ProgressLine(2, "nobody");
  CloseProgress();
  EXPECT_TRUE(m_ui.progress.empty());
}

}  // namespace
}  // namespace liga
