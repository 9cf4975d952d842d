#include "app/config.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <stdlib.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/encoding.h"
#include "common/recording_ui.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

using liga::testing::ReadBytes;
using liga::testing::WriteFile;

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { m_file = m_dir / "LigaWin32.P32"; }

  // A file of `size` bytes where byte i holds i * 13 mod 251, so any block can be told
  // apart from its neighbours.
  std::vector<unsigned char> patterned(std::size_t size) {
    std::vector<unsigned char> b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(i * 13 % 251);
    return b;
  }

  liga::testing::TempDir m_dir{"config"};
  fs::path m_file;
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(ConfigTest, WrongSizeIsAVersionConflictAndGetsADefaultFile) {
  for (std::size_t size : {kConfigFileSize - 1, kConfigFileSize + 1, std::size_t{0}}) {
    WriteFile(m_file, patterned(size));
    m_ui.shown.clear();
    Configuration config;
    EXPECT_FALSE(config.load(m_file.string(), "/data"));
    ASSERT_EQ(m_ui.shown.size(), 2u) << size;
    EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(m_ui.shown[0].text, "Versionskonflikt av konfigurationsfilen \"" + m_file.string() +
                                      "\" Nollst\xE4ller.");
    // The data directory the damaged file named is gone with it; the one now used is said.
    EXPECT_EQ(m_ui.shown[1].kind, MessageKind::Warning);
    EXPECT_EQ(m_ui.shown[1].text,
              "Inst\xE4llningarna nollst\xE4lldes; datakatalogen \xE4r nu \"/data\"");
    const auto bytes = ReadBytes(m_file);
    ASSERT_EQ(bytes.size(), kConfigFileSize);
    MainConfig expected = MainConfig::makeDefault("/data");
    EXPECT_TRUE(std::equal(expected.data(), expected.data() + kMainConfigSize, bytes.begin()));
    EXPECT_EQ(config.main(), expected);
  }
}

TEST_F(ConfigTest, MissingFileIsWrittenWithoutAMessage) {
  Configuration config;
  EXPECT_FALSE(config.load(m_file.string(), "/data"));
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_EQ(fs::file_size(m_file), kConfigFileSize);
  EXPECT_FALSE(fs::exists(m_file.string() + ".tmp"));
  Configuration again;
  EXPECT_TRUE(again.load(m_file.string(), "/other"));
  EXPECT_EQ(again.main().dataDir(), "/data");
}

TEST_F(ConfigTest, DefaultMainRecord) {
  const MainConfig c = MainConfig::makeDefault("/home/u/Documents/LigaWin32/data");
  EXPECT_EQ(c.u8(8), 1);
  EXPECT_EQ(c.u8(9), 1);
  EXPECT_EQ(c.i16(60224), 1);
  EXPECT_EQ(c.cstr(5167, 1025), "/home/u/Documents/LigaWin32/data");
  EXPECT_EQ(c.cstr(7344 + 1025 * 6, 1025), "/home/u/Documents/LigaWin32/data");
  EXPECT_EQ(c.str(59359, 40), "Kommunikationsinst\xE4llning default");
  EXPECT_EQ(c.str(59359 + 41 * 1, 40), "Etikettinst\xE4llning01 default");
  EXPECT_EQ(c.str(59359 + 41 * 10, 40), "Etikettinst\xE4llning10 default");
  EXPECT_EQ(c.str(59769 + 41 * 3, 40), "Utskriftsinst\xE4llning03 default");
  EXPECT_EQ(c.i32(4), 0);
  EXPECT_EQ(c.i32(60236), 0);
}

TEST_F(ConfigTest, LoadReadsTheSelectedBlocks) {
  auto bytes = patterned(kConfigFileSize);
  bytes[8] = 3;  // LabelSettingsNo
  bytes[9] = 7;  // ReportSettingsNo
  WriteFile(m_file, bytes);
  Configuration config;
  ASSERT_TRUE(config.load(m_file.string(), "/data"));
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_TRUE(std::equal(config.label().data(), config.label().data() + kLabelBlockSize,
                         bytes.begin() + 60352 + 2 * 9720));
  EXPECT_TRUE(std::equal(config.report().data(), config.report().data() + kReportBlockSize,
                         bytes.begin() + 157552 + 6 * 15956));
}

TEST_F(ConfigTest, SaveWritesOnlyTheSelectedBlocks) {
  auto bytes = patterned(kConfigFileSize);
  bytes[8] = 10;
  bytes[9] = 1;
  WriteFile(m_file, bytes);
  Configuration config;
  ASSERT_TRUE(config.load(m_file.string(), "/data"));
  config.main().setCurrentCompetition(4);
  config.main().setWindowWidth(800);
  config.label().setU8(0, 0xEE);
  config.label().setU8(kLabelBlockSize - 1, 0xEF);
  config.report().setU8(17, 0xDD);
  ASSERT_TRUE(config.save());

  const auto after = ReadBytes(m_file);
  ASSERT_EQ(after.size(), kConfigFileSize);
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (after[i] != bytes[i]) changed.push_back(i);
  const std::size_t label10 = 60352 + 9 * 9720;
  const std::vector<std::size_t> expected = {
      4, 5, 6, 7, 60236, 60237, 60238, 60239, label10, label10 + 9719, 157552 + 17};
  // Bytes 4..7 and 60236..60239 may coincide with the pattern; compare as sets of must-change.
  for (std::size_t i : changed)
    EXPECT_TRUE(std::find(expected.begin(), expected.end(), i) != expected.end()) << i;
  EXPECT_EQ(after[label10], 0xEE);
  EXPECT_EQ(after[label10 + 9719], 0xEF);
  EXPECT_EQ(after[157552 + 17], 0xDD);
}

TEST_F(ConfigTest, DamagedBlockNumberNeverReachesOutsideTheSettings) {
  auto bytes = patterned(kConfigFileSize);
  bytes[8] = 0;
  bytes[9] = 200;
  WriteFile(m_file, bytes);
  Configuration config;
  ASSERT_TRUE(config.load(m_file.string(), "/data"));
  EXPECT_EQ(config.main().labelBlock(), 1);
  EXPECT_EQ(config.main().reportBlock(), 1);
  EXPECT_TRUE(std::equal(config.label().data(), config.label().data() + kLabelBlockSize,
                         bytes.begin() + 60352));
  config.report().setU8(0, 0x01);
  ASSERT_TRUE(config.save());
  EXPECT_EQ(fs::file_size(m_file), kConfigFileSize);
  EXPECT_EQ(ReadBytes(m_file)[157552], 0x01);
}

TEST_F(ConfigTest, SaveWithoutAFileWritesNothing) {
  Configuration config;
  ASSERT_FALSE(config.load(m_file.string(), "/data"));
  fs::remove(m_file);
  EXPECT_FALSE(config.save());
  EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(ConfigTest, FoldersFollowTheXdgVariables) {
  const std::string home = (m_dir / "home").string();
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DOCUMENTS_DIR");
  AppFolders f = ResolveFolders();
  EXPECT_EQ(f.configFile, home + "/.config/LigaWin32/LigaWin32.P32");
  EXPECT_EQ(f.defaultDataDir, home + "/Documents/LigaWin32/data");
  EXPECT_EQ(f.textDir, home + "/Documents/LigaWin32/text");

  fs::create_directories(home + "/cfg");
  std::ofstream(home + "/cfg/user-dirs.dirs")
      << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokument\"\n";
  setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
  f = ResolveFolders();
  EXPECT_EQ(f.configDir, home + "/cfg/LigaWin32");
  EXPECT_EQ(f.dataRoot, home + "/Dokument/LigaWin32");

  setenv("XDG_DOCUMENTS_DIR", "/srv/docs", 1);
  EXPECT_EQ(ResolveFolders().defaultDataDir, "/srv/docs/LigaWin32/data");
  unsetenv("XDG_DOCUMENTS_DIR");
  unsetenv("XDG_CONFIG_HOME");
}

TEST_F(ConfigTest, WithoutHomeThePasswdEntryIsUsedNeverTmp) {
  const char* savedHome = std::getenv("HOME");
  const std::string restore = savedHome ? savedHome : "";
  unsetenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DOCUMENTS_DIR");
  const passwd* entry = getpwuid(getuid());
  ASSERT_NE(entry, nullptr);
  const std::string home = entry->pw_dir;
  const AppFolders f = ResolveFolders();
  if (savedHome) setenv("HOME", restore.c_str(), 1);
  EXPECT_EQ(f.configDir, home + "/.config/LigaWin32");
  EXPECT_EQ(f.defaultDataDir.rfind(home + "/", 0), 0u) << f.defaultDataDir;
  EXPECT_EQ(f.configDir.rfind("/tmp/", 0), std::string::npos);
  EXPECT_TRUE(FoldersProblem().empty());
}

TEST_F(ConfigTest, AFailedSaveKeepsItsReasonAndAnUnchangedFileIsNotRewritten) {
  Configuration config;
  ASSERT_FALSE(config.load(m_file.string(), "/data"));
  const auto written = fs::last_write_time(m_file);
  fs::remove(m_file);
  fs::create_directory(m_file);  // nothing can replace a folder
  config.main().setCurrentCompetition(3);
  EXPECT_FALSE(config.save());
  EXPECT_NE(config.saveError(), 0);
  fs::remove(m_file);

  ASSERT_FALSE(config.load(m_file.string(), "/data"));
  fs::last_write_time(m_file, written - std::chrono::hours(1));
  const auto before = fs::last_write_time(m_file);
  EXPECT_TRUE(config.save());
  EXPECT_EQ(fs::last_write_time(m_file), before);
}

TEST(DataDir, TrailingSeparatorRemovedAndCut) {
  EXPECT_EQ(NormaliseDataDir("/a/b/"), "/a/b");
  EXPECT_EQ(NormaliseDataDir("/"), "/");
  EXPECT_EQ(NormaliseDataDir(std::string(2000, 'x')).size(), 1024u);
}

}  // namespace
}  // namespace liga

namespace liga {
namespace {

TEST_F(ConfigTest, LastExchangePathLivesBetweenDataDirAndTheSlots) {
  WriteFile(m_file, patterned(kConfigFileSize));
  Configuration config;
  ASSERT_TRUE(config.load(m_file.string(), "/data"));
  config.main().setLastExchangePath("/home/a/SPELDAG.LOT");
  ASSERT_TRUE(config.save());
  const auto bytes = ReadBytes(m_file);
  const std::string expected = "/home/a/SPELDAG.LOT";
  EXPECT_EQ(std::string(bytes.begin() + 6192, bytes.begin() + 6192 + expected.size()), expected);
  EXPECT_EQ(bytes[6192 + expected.size()], 0);
  // The neighbours keep their bytes.
  EXPECT_EQ(bytes[6191], static_cast<unsigned char>(6191 * 13 % 251));
  EXPECT_EQ(bytes[7220], static_cast<unsigned char>(7220 * 13 % 251));
}

}  // namespace
}  // namespace liga
