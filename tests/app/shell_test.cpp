#include "app/shell.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/recording_ui.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

using liga::testing::ReadBytes;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_cwd = fs::current_path();
    setenv("HOME", m_dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir / "cfg").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (m_dir / "docs").c_str(), 1);
    m_config = m_dir / "cfg" / "LigaWin32" / "LigaWin32.P32";
    m_data = m_dir / "docs" / "LigaWin32" / "data";
  }
  void TearDown() override {
    fs::current_path(m_cwd);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DOCUMENTS_DIR");
  }

  // Creates a catalogue with `count` competitions in the default data directory through a
  // full start-up and shutdown; the last one stays current.
  void makeCompetitions(int count) {
    Shell shell;
    shell.startup(m_ui, {});
    ScopedUi scoped(m_ui);
    Database& db = shell.db();
    ASSERT_TRUE(db.createCatalogue());
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(db.selectCompetition(0, true));
      db.comp().setCompetitionName("Cup " + std::to_string(i + 1));
      ASSERT_TRUE(db.storeCompetition(true));
      ASSERT_TRUE(db.createCompetitionFiles());
    }
    shell.shutdown(m_ui);
  }

  liga::testing::TempDir m_dir{"shell"};
  fs::path m_cwd, m_config, m_data;
  RecordingUi m_ui;
};

TEST_F(ShellTest, FirstStartCreatesFoldersAndADefaultFile) {
  Shell shell;
  shell.startup(m_ui, {});
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_EQ(fs::file_size(m_config), kConfigFileSize);
  EXPECT_TRUE(fs::is_directory(m_dir / "docs" / "LigaWin32" / "text"));
  EXPECT_EQ(shell.db().dataDir(), m_data.string());
  EXPECT_EQ(fs::current_path(), m_data);
  EXPECT_EQ(shell.window().width, 545);
  EXPECT_EQ(shell.window().height, 312);
  EXPECT_FALSE(shell.db().catalogueAvailable());
  EXPECT_EQ(StatusMessage(), "Datafiler saknas/ ej i aktuellt bibliotek");
  EXPECT_EQ(shell.statusTexts().reportSettings, "Utskriftsinst\xE4llning01 default");
  shell.shutdown(m_ui);
  // A front end without a window leaves the window unplaced: the desktop program's first
  // start then sizes it to the screen.
  Configuration c;
  ASSERT_TRUE(c.load(m_config.string(), m_data.string()));
  EXPECT_EQ(c.main().windowWidth(), 0);
  EXPECT_EQ(c.main().windowHeight(), 0);
}

TEST_F(ShellTest, VersionConflictOnEitherSideOfTheSize) {
  fs::create_directories(m_config.parent_path());
  for (std::size_t size : {kConfigFileSize - 1, kConfigFileSize + 1}) {
    { std::ofstream(m_config, std::ios::binary) << std::string(size, '\x7F'); }
    m_ui.shown.clear();
    Shell shell;
    shell.startup(m_ui, {});
    ASSERT_EQ(m_ui.shown.size(), 2u);
    EXPECT_EQ(m_ui.shown[0].text.rfind("Versionskonflikt av konfigurationsfilen \"", 0), 0u);
    EXPECT_NE(m_ui.shown[1].text.find(W("datakatalogen är nu \"") + shell.folders().defaultDataDir +
                                      "\""),
              std::string::npos)
        << m_ui.shown[1].text;
    EXPECT_EQ(fs::file_size(m_config), kConfigFileSize);
    shell.shutdown(m_ui);
    EXPECT_EQ(fs::file_size(m_config), kConfigFileSize);
  }
}

TEST_F(ShellTest, LastCompetitionReopensAndShutdownWritesSlotSix) {
  makeCompetitions(2);
  Shell shell;
  shell.startup(m_ui, {});
  EXPECT_TRUE(shell.db().competitionOpen());
  EXPECT_EQ(shell.db().currentCompetition(), 2);
  EXPECT_EQ(shell.db().comp().competitionName(), "Cup 2");
  ScopedUi scoped(m_ui);
  ASSERT_TRUE(shell.db().selectCompetition(1, false));
  shell.shutdown(m_ui, WindowGeometry{120, 10, 20, 800, 600});
  EXPECT_EQ(StatusMessage(), "Filerna st\xE4ngda..");

  const auto bytes = ReadBytes(m_config);
  MainConfig main;
  std::copy(bytes.begin(), bytes.begin() + kMainConfigSize, main.data());
  EXPECT_EQ(main.slotCompetition(kProgramSlot), 1);
  EXPECT_EQ(main.currentCompetition(), 1);
  EXPECT_EQ(main.slotDataDir(kProgramSlot), m_data.string());
  EXPECT_EQ(main.windowScale(), 120);
  EXPECT_EQ(main.windowWidth(), 800);
  EXPECT_EQ(main.windowTop(), 20);
}

TEST_F(ShellTest, SavedCompetitionBeyondTheCatalogueOpensNothing) {
  makeCompetitions(1);
  Configuration config;
  ASSERT_TRUE(config.load(m_config.string(), ""));
  config.main().setSlotCompetition(kProgramSlot, 5);
  ASSERT_TRUE(config.save());
  Shell shell;
  shell.startup(m_ui, {});
  EXPECT_TRUE(shell.db().catalogueAvailable());
  EXPECT_FALSE(shell.db().competitionOpen());
  EXPECT_EQ(shell.db().currentCompetition(), 0);
  EXPECT_EQ(shell.config().main().currentCompetition(), 0);
  shell.shutdown(m_ui);
}

TEST_F(ShellTest, ShutdownLeavesTheOtherSettingsBlocks) {
  Shell first;
  first.startup(m_ui, {});
  first.shutdown(m_ui);
  // Give every settings block a recognisable content and select blocks 4 and 9.
  auto bytes = ReadBytes(m_config);
  for (std::size_t i = kLabelBlocksOffset; i < kConfigFileSize; ++i)
    bytes[i] = static_cast<unsigned char>(i % 253);
  bytes[8] = 4;
  bytes[9] = 9;
  {
    std::ofstream(m_config, std::ios::binary)
        .write(reinterpret_cast<char*>(bytes.data()), bytes.size());
  }

  Shell shell;
  shell.startup(m_ui, {});
  shell.config().label().setU8(100, 0xAB);
  shell.config().report().setU8(200, 0xCD);
  shell.shutdown(m_ui);
  const auto after = ReadBytes(m_config);
  ASSERT_EQ(after.size(), kConfigFileSize);
  for (int i = 1; i <= kSettingsBlocks; ++i) {
    const auto label = LabelBlockOffset(i), report = ReportBlockOffset(i);
    if (i != 4) {
      EXPECT_TRUE(std::equal(after.begin() + label, after.begin() + label + kLabelBlockSize,
                             bytes.begin() + label))
          << "label block " << i;
    }
    if (i != 9) {
      EXPECT_TRUE(std::equal(after.begin() + report, after.begin() + report + kReportBlockSize,
                             bytes.begin() + report))
          << "report block " << i;
    }
  }
  EXPECT_EQ(after[LabelBlockOffset(4) + 100], 0xAB);
  EXPECT_EQ(after[ReportBlockOffset(9) + 200], 0xCD);
}

TEST_F(ShellTest, UnreachableDataDirectoryFallsBackToTheWorkingDirectory) {
  Shell first;
  first.startup(m_ui, {});
  first.shutdown(m_ui);
  {
    Configuration c;
    ASSERT_TRUE(c.load(m_config.string(), ""));
    c.main().setSlotDataDir(kProgramSlot, "/nonexistent/liga");
    ASSERT_TRUE(c.save());
  }
  fs::current_path(m_dir);
  Shell shell;
  shell.startup(m_ui, {});
  EXPECT_FALSE(shell.dataDirEntered());
  EXPECT_EQ(shell.db().dataDir(), m_dir.string());
  bool reported = false;
  for (const auto& s : m_ui.statuses)
    reported |= s == "Kan ej byta till biblioteket \"/nonexistent/liga\"   2";
  EXPECT_TRUE(reported);
  shell.shutdown(m_ui, false);
}

TEST_F(ShellTest, DataDirectoryGivenForOneRunLeavesTheConfiguredOne) {
  makeCompetitions(2);
  const fs::path other = m_dir / "other";
  fs::create_directories(other);
  fs::current_path(m_dir);
  StartupOptions options;
  options.dataDir = other.string();
  options.keepWorkingDirectory = true;
  {
    Shell shell;
    shell.startup(m_ui, options);
    EXPECT_TRUE(shell.dataDirEntered());
    EXPECT_TRUE(shell.dataDirForThisRunOnly());
    EXPECT_EQ(shell.db().dataDir(), other.string());
    EXPECT_EQ(fs::current_path(), m_dir.path());
    EXPECT_FALSE(shell.db().catalogueAvailable());
    shell.shutdown(m_ui);
  }
  Configuration c;
  ASSERT_TRUE(c.load(m_config.string(), ""));
  EXPECT_EQ(c.main().slotDataDir(kProgramSlot), m_data.string());
  EXPECT_EQ(c.main().dataDir(), m_data.string());
  EXPECT_EQ(c.main().slotCompetition(kProgramSlot), 2);

  // The configured directory given explicitly is simply the configured one.
  options.dataDir = m_data.string() + "/";
  Shell shell;
  shell.startup(m_ui, options);
  EXPECT_FALSE(shell.dataDirForThisRunOnly());
  EXPECT_EQ(shell.db().currentCompetition(), 2);
  shell.shutdown(m_ui);
}

TEST_F(ShellTest, KeepingTheWorkingDirectoryNeverFallsBack) {
  fs::current_path(m_dir);
  StartupOptions options;
  options.dataDir = (m_dir / "missing").string();
  options.keepWorkingDirectory = true;
  Shell shell;
  shell.startup(m_ui, options);
  EXPECT_FALSE(shell.dataDirEntered());
  EXPECT_EQ(shell.dataDirError(), ENOENT);
  EXPECT_EQ(shell.db().dataDir(), (m_dir / "missing").string());
  EXPECT_EQ(fs::current_path(), m_dir.path());
  EXPECT_FALSE(fs::exists(m_dir / "missing"));
  shell.shutdown(m_ui, false);
}

TEST(WindowCaptionTest, CutTo74) {
  EXPECT_EQ(WindowCaption(""), "LigaWin32.2025 250228");
  EXPECT_EQ(WindowCaption(std::string(100, 'x')).size(), 74u);
}

}  // namespace
}  // namespace liga
