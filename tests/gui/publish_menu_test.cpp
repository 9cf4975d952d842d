// "arkiv" -> "publicera": the folder picker, the site written there, and the message that
// says where; enabled only with a competition open.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/encoding.h"
#include "gui_test_env.h"
#include "support/file_io.h"

namespace liga::gui::testing {
namespace {

namespace fs = std::filesystem;

class PublishMenuTest : public GuiTest {};

TEST_F(PublishMenuTest, PublishesIntoThePickedFolderAndSaysWhere) {
  start();
  EXPECT_FALSE(control("publicera1")->isEnabled());  // no competition yet
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  ASSERT_TRUE(control("publicera1")->isEnabled());

  // A folder name with a Swedish letter, as the picker gives it (UTF-8).
  const fs::path folder = m_dir / "webb för klubben";
  m_ui.setNextPick(folder.string());
  m_ui.shown.clear();
  control("publicera1")->trigger();
  EXPECT_TRUE(fs::exists(folder / "index.html"));
  EXPECT_TRUE(fs::exists(folder / "style.css"));
  ASSERT_FALSE(m_ui.shown.empty());
  const std::string said = Cp1252ToUtf8(m_ui.shown.back().text);
  EXPECT_NE(said.find(folder.string() + "/index.html"), std::string::npos) << said;

  // Cancelled: nothing written, nothing said.
  const fs::path other = m_dir / "annan";
  m_ui.setNextPick(std::nullopt);
  m_ui.shown.clear();
  control("publicera1")->trigger();
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_FALSE(fs::exists(other));
}

TEST_F(PublishMenuTest, AFolderThatCannotBeMadeIsReported) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  liga::testing::WriteFile(m_dir / "fil", "a file, not a folder");
  m_ui.setNextPick((m_dir / "fil").string());
  m_ui.shown.clear();
  control("publicera1")->trigger();
  ASSERT_FALSE(m_ui.shown.empty());
  EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Error);
  EXPECT_NE(Cp1252ToUtf8(m_ui.shown.back().text).find("Kan ej publicera"), std::string::npos);
}

}  // namespace
}  // namespace liga::gui::testing
