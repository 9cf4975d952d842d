#include "gui/qt_ui.h"

#include <thread>

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "common/messages.h"
#include "common/progress.h"
#include "gui/swedish.h"
#include "gui_test_env.h"

namespace liga::gui {
namespace {

using testing::App;

class QtUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    m_ui.setScripted(true);
    m_window = std::make_unique<QWidget>();
    m_ui.setMainWindow(m_window.get());
    ClearProgressAbort();
  }
  void TearDown() override {
    while (OpenProgressWindows() > 0) CloseProgress();
  }
  std::unique_ptr<QWidget> m_window;
  QtUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(QtUiTest, QuestionsAreAnsweredThroughTheSeam) {
  m_ui.setNextAnswer(Answer::Yes);
  EXPECT_EQ(ShowMessage(101, "Radera?"), Answer::Yes);
  EXPECT_EQ(ShowMessage(101, "Igen?"), Answer::No);  // empty queue: No
  ASSERT_EQ(m_ui.shown.size(), 2u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
  EXPECT_EQ(m_ui.shown[0].caption, "??");
  EXPECT_EQ(m_ui.shown[0].text, "Radera?");
  m_ui.setNextAnswer(Answer::Retry);
  EXPECT_EQ(ShowMessage(301, "fel"), Answer::Retry);
  EXPECT_EQ(m_ui.shown.back().kind, MessageKind::AbortRetryIgnore);
  EXPECT_EQ(ShowMessage(201, "obs"), Answer::Ok);
  EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Warning);
}

TEST_F(QtUiTest, StatusTextsGoToTheWindow) {
  std::string got;
  m_ui.onStatus = [&](const std::string& t) { got = t; };
  ShowMessage(1, "Filerna \xF6ppna....");
  EXPECT_EQ(got, "Filerna \xF6ppna....");
  EXPECT_TRUE(m_ui.shown.empty());
}

TEST_F(QtUiTest, CodePageConversionAtTheBoundary) {
  EXPECT_EQ(FromCp1252("\xE5\xE4\xF6 \xC5\xC4\xD6"), QString::fromUtf8("åäö ÅÄÖ"));
  EXPECT_EQ(ToCp1252(QString::fromUtf8("spelfördela")), "spelf\xF6rdela");
  EXPECT_EQ(QtFilter("*.lgw"), QStringLiteral("*.lgw (*.lgw);;alla (*)"));
  EXPECT_TRUE(QtFilter("").isEmpty());
}

TEST_F(QtUiTest, ProgressDisablesTheWindowAndCancelStopsTheUpdates) {
  ASSERT_TRUE(OpenProgress("spelf\xF6rdela", 8, true));
  EXPECT_FALSE(m_window->isEnabled());
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  ProgressWindow* w = m_ui.progressWindow(0);
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->cancelButton(), nullptr);
  EXPECT_EQ(w->cancelButton()->text(), QStringLiteral("avbryt"));

  // A second window stacks; closing it keeps the window disabled.
  ASSERT_TRUE(OpenProgress("sortering", 8, false));
  EXPECT_EQ(m_ui.progressWindow(1)->cancelButton(), nullptr);
  CloseProgress();
  EXPECT_FALSE(m_window->isEnabled());

  int updates = 0;
  m_ui.onPendingInput = [&] {
    if (++updates == 3) w->cancelButton()->click();
  };
  for (int line = 2; line <= 9; ++line) {
    ProgressLine(line, "rad " + std::to_string(line));
  }
  EXPECT_TRUE(ProgressAborted());
  w->flush();
  EXPECT_EQ(w->rowText(1), QStringLiteral("rad 2"));
  EXPECT_EQ(w->rowText(3), QStringLiteral("rad 4"));  // the update that saw the press
  EXPECT_EQ(w->rowText(4), QString());                // ignored after the cancel
  CloseProgress();
  EXPECT_TRUE(m_window->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(m_ui.progressWindow(0), nullptr);
}

TEST_F(QtUiTest, ManyUpdatesReachTheScreenAtAboutThirtyTimesASecond) {
  ASSERT_TRUE(OpenProgress("spelf\xF6rdela", 8, true));
  QElapsedTimer t;
  t.start();
  const int before = m_ui.progressFlushes();
  for (int i = 0; i < 20000; ++i) ProgressLine(2 + i % 8, "match " + std::to_string(i));
  const qint64 ms = t.elapsed();
  const int flushes = m_ui.progressFlushes() - before;
  EXPECT_LE(flushes, ms / 33 + 2) << ms << " ms";
  EXPECT_LT(ms, 3000);
  // What is shown at the end is the latest text of each row once flushed.
  m_ui.progressWindow(0)->flush();
  EXPECT_EQ(m_ui.progressWindow(0)->rowText(ProgressRowOfLine(2 + 19999 % 8)),
            QStringLiteral("match 19999"));
  CloseProgress();
}

TEST_F(QtUiTest, PickersTakeTheQueuedPaths) {
  m_ui.setNextPick(std::string("/a.lgw"));
  m_ui.setNextPick(std::string("/b.lot"));
  m_ui.setNextPick(std::nullopt);
  m_ui.setNextPick(std::string("/c"));
  EXPECT_EQ(m_ui.pickOpenFiles("v", "", "*.lgw"), (std::vector<std::string>{"/a.lgw", "/b.lot"}));
  EXPECT_EQ(m_ui.pickFolder("v\xE4lj bibliotek", "/nowhere"), std::optional<std::string>("/c"));
  EXPECT_EQ(m_ui.pickSaveFile("utfil", "", ""), std::nullopt);
}

TEST(QtUiPost, ATaskPostedFromAnotherThreadRunsOnTheUserInterfaceThread) {
  testing::App();
  QtUi ui;
  std::thread::id ranOn;
  bool ran = false;
  std::thread worker([&] {
    ui.postToUi([&] {
      ran = true;
      ranOn = std::this_thread::get_id();
    });
  });
  worker.join();
  EXPECT_FALSE(ran);  // not before the event loop turns
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace liga::gui

namespace liga::gui {
namespace {

QStringList buttonTexts(const QMessageBox& box) {
  QStringList out;
  for (QAbstractButton* b : box.buttons()) out << b->text();
  out.sort();
  return out;
}

TEST(MessageBoxTest, SwedishTitlesButtonsAndTheIconOfEachKind) {
  testing::App();
  struct Case {
    MessageKind kind;
    const char* caption;
    QMessageBox::Icon icon;
    const char* title;
    QStringList buttons;
  };
  const Case cases[] = {
      {MessageKind::Question, "??", QMessageBox::Question, "LigaWin32 – fråga", {"&Ja", "&Nej"}},
      {MessageKind::Information, "info", QMessageBox::Information, "LigaWin32", {"OK"}},
      {MessageKind::Warning, "info", QMessageBox::Warning, "LigaWin32 – varning", {"OK"}},
      {MessageKind::Error, "error", QMessageBox::Critical, "LigaWin32 – fel", {"OK"}},
      {MessageKind::AbortRetryIgnore,
       "error",
       QMessageBox::Critical,
       "LigaWin32 – fel",
       {"&Avbryt", "&Försök igen", "&Ignorera"}},
      {MessageKind::Error, "e-post", QMessageBox::Critical, "e-post", {"OK"}},
  };
  for (const Case& c : cases) {
    const auto box = MakeMessageBox(nullptr, c.kind, c.caption, "text");
    EXPECT_EQ(box->icon(), c.icon) << c.title;
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.title));
    EXPECT_NE(box->windowTitle(), QStringLiteral("error"));
    QStringList want;
    for (const QString& b : c.buttons) want << b;
    want.sort();
    EXPECT_EQ(buttonTexts(*box), want) << c.title;
  }
  // Escape on a question is "Nej"; its default is "Ja".
  const auto question = MakeMessageBox(nullptr, MessageKind::Question, "??", "?");
  question->escapeButton()->click();
  EXPECT_EQ(AnswerOf(*question), Answer::No);
  EXPECT_EQ(question->defaultButton()->text(), QStringLiteral("&Ja"));
}

TEST(MessageBoxTest, LongTextsAreShownWhole) {
  testing::App();
  const std::string longText =
      "Klassen/divisionen finns redan registrerad. \"HERRAR DIVISION 4 NORRA\" M\xE5ste vara "
      "unik, \xE4ndra namnet. " +
      std::string(300, 'x');
  const auto box = MakeMessageBox(nullptr, MessageKind::Warning, "info", longText);
  EXPECT_EQ(box->text(), FromCp1252(longText));
  QtUi ui;
  ui.setScripted(true);
  ScopedUi scoped(ui);
  ShowMessage(201, longText);
  EXPECT_EQ(ui.shown.back().text, longText);
}

TEST(SwedishTranslationsTest, QtsOwnTextsAreSwedish) {
  testing::App();
  ASSERT_TRUE(InstallSwedishTranslations(*QCoreApplication::instance()))
      << "qt6-translations-l10n is not installed";
  // The file dialog's own texts come from Qt's catalogue, the standard buttons from ours.
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"),
            QStringLiteral("File &name:"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Avbryt"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Avbryt"));
}

}  // namespace
}  // namespace liga::gui
