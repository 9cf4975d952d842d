#include "common/save_pick.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/recording_ui.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

class SavePickTest : public ::testing::Test {
 protected:
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
  testing::TempDir m_dir{"save_pick"};
};

TEST_F(SavePickTest, ANewFileIsTakenWithItsExtensionWithoutAQuestion) {
  m_ui.pickerResults.push_back((m_dir / "lista").string());
  EXPECT_EQ(PickSaveFile("spara", "", "*.pdf", ".pdf"), (m_dir / "lista.pdf").string());
  EXPECT_TRUE(m_ui.shown.empty());
}

TEST_F(SavePickTest, AnExistingFileIsReplacedOnlyAfterYesAndNoPicksAgain) {
  const fs::path old = m_dir / "resultat.pdf";
  std::ofstream(old) << "old";
  m_ui.pickerResults = {(m_dir / "resultat").string(), old.string(), std::nullopt};
  m_ui.answers = {Answer::No, Answer::Yes};
  EXPECT_EQ(PickSaveFile("spara", "", "*.pdf", ".pdf"), old.string());
  ASSERT_EQ(m_ui.shown.size(), 2u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
  EXPECT_EQ(Cp1252ToUtf8(m_ui.shown[0].text),
            "Filen \"" + old.string() + "\" finns redan.\nVill du ersätta den?");
  // Cancelling the picker after a No writes nothing.
  m_ui.pickerResults = {old.string(), std::nullopt};
  m_ui.answers = {Answer::No};
  EXPECT_EQ(PickSaveFile("spara", "", "*.pdf", ".pdf"), std::nullopt);
}

TEST_F(SavePickTest, TheStatusLineNamesTheWrittenFileWhole) {
  const std::string deep = (m_dir / std::string(150, 'k') / "fil.htm").string();
  ReportWritten(deep);
  EXPECT_EQ(Cp1252ToUtf8(StatusMessage()), "skrev " + deep);
  EXPECT_EQ(WrittenText("rel.htm"), "skrev " + (fs::current_path() / "rel.htm").string());
}

}  // namespace
}  // namespace liga
