// The binary configuration file and the per-user folders.
//
// File layout (exactly 317,112 bytes; any other size is a version conflict):
//   offset 0                            60,352  main configuration record (MainConfig)
//   60,352 + (i - 1) * 9,720, i=1..10    9,720  label and payment-slip settings block i
//   157,552 + (i - 1) * 15,956, i=1..10 15,956  report and printer settings block i
// Only the selected label block and the selected report block are held in memory; the
// other blocks are never rewritten, so their bytes stay as they are in the file.
//
// MainConfig fields used by the shell (little-endian; char[N] is NUL-terminated):
//      4 CurrentCompetition i32        8 LabelSettingsNo u8      9 ReportSettingsNo u8
//   5167 DataDir char[1025]            6192 LastExchangePath char[1025]
//   7220 + 4k SlotCompetition[k] i32
//   7344 + 1025k SlotDataDir[k] char[1025]
//  59359 + 41i LabelSettingsName[i] string[40]   (i = 0..10; 0 is the communication entry)
//  59769 + 41i ReportSettingsName[i] string[40]  (i = 0..10)
//  60224 WindowScale i16   60228 WindowLeft i32   60232 WindowTop i32
//  60236 WindowWidth i32   60240 WindowHeight i32   60244 KonfigPage u8
// Every other byte belongs to the settings of later features and is kept as read.
// Paths are stored as the file system's bytes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/settings_blocks.h"
#include "database/fixed_record.h"

namespace liga {

inline constexpr std::size_t kConfigFileSize = 317112;
inline constexpr std::size_t kMainConfigSize = 60352;
inline constexpr std::size_t kLabelBlocksOffset = 60352;
inline constexpr std::size_t kReportBlocksOffset = 157552;
inline constexpr int kSettingsBlocks = 10;
inline constexpr int kProgramSlot = 6;  // this program's slot in the shared record
inline constexpr std::size_t kMaxDataDir = 1024;

inline constexpr std::string_view kAppFolder = "LigaWin32";

std::size_t LabelBlockOffset(int i);   // i = 1..10
std::size_t ReportBlockOffset(int i);  // i = 1..10

class MainConfig : public FixedRecord<kMainConfigSize> {
 public:
  std::int32_t currentCompetition() const { return i32(4); }
  void setCurrentCompetition(std::int32_t v) { setI32(4, v); }
  int labelSettingsNo() const { return u8(8); }
  void setLabelSettingsNo(int v) { setU8(8, static_cast<std::uint8_t>(v)); }
  int reportSettingsNo() const { return u8(9); }
  void setReportSettingsNo(int v) { setU8(9, static_cast<std::uint8_t>(v)); }
  std::string dataDir() const { return cstr(5167, 1025); }
  void setDataDir(std::string_view s) { setCstr(5167, 1025, s); }
  // The last exchange, schedule or export file chosen; its folder is where the next file
  // dialog and the next scheduling run start.
  std::string lastExchangePath() const { return cstr(6192, 1025); }
  void setLastExchangePath(std::string_view s) { setCstr(6192, 1025, s); }
  std::int32_t slotCompetition(int k) const { return i32(7220 + 4 * k); }
  void setSlotCompetition(int k, std::int32_t v) { setI32(7220 + 4 * k, v); }
  std::string slotDataDir(int k) const { return cstr(7344 + 1025 * k, 1025); }
  void setSlotDataDir(int k, std::string_view s) { setCstr(7344 + 1025 * k, 1025, s); }
  std::string labelSettingsName(int i) const { return str(59359 + 41 * i, 40); }
  void setLabelSettingsName(int i, std::string_view s) { setStr(59359 + 41 * i, 40, s); }
  std::string reportSettingsName(int i) const { return str(59769 + 41 * i, 40); }
  void setReportSettingsName(int i, std::string_view s) { setStr(59769 + 41 * i, 40, s); }
  int windowScale() const { return i16(60224); }
  void setWindowScale(int v) { setI16(60224, v); }
  std::int32_t windowLeft() const { return i32(60228); }
  void setWindowLeft(std::int32_t v) { setI32(60228, v); }
  std::int32_t windowTop() const { return i32(60232); }
  void setWindowTop(std::int32_t v) { setI32(60232, v); }
  std::int32_t windowWidth() const { return i32(60236); }
  void setWindowWidth(std::int32_t v) { setI32(60236, v); }
  std::int32_t windowHeight() const { return i32(60240); }
  void setWindowHeight(std::int32_t v) { setI32(60240, v); }
  // The page of the configuration dialog shown last (0 "rapporter", 1 "etiketter").
  int konfigPage() const { return u8(60244); }
  void setKonfigPage(int v) { setU8(60244, static_cast<std::uint8_t>(v)); }

  // The selected block numbers, read as 1 when the stored byte is outside 1..10 so that a
  // damaged record never makes the program read or write outside the settings area.
  int labelBlock() const;
  int reportBlock() const;

  static MainConfig makeDefault(std::string_view defaultDataDir);
};

// The settings blocks, their layout and their defaults are in app/settings_blocks.h.

// ---------------------------------------------------------------------------------------

// The per-user folders. The configuration folder is $XDG_CONFIG_HOME/LigaWin32 (default
// ~/.config/LigaWin32, ~ being $HOME or else the passwd entry's home directory); the data root is
// the XDG documents folder + /LigaWin32, with text/ and data/ below it. The documents folder is
// $XDG_DOCUMENTS_DIR when set, else the XDG_DOCUMENTS_DIR line of $XDG_CONFIG_HOME/user-dirs.dirs,
// else ~/Documents.
struct AppFolders {
  std::string configDir;
  std::string configFile;  // configDir + "/LigaWin32.P32"
  std::string dataRoot;
  std::string textDir;
  std::string defaultDataDir;
};
AppFolders ResolveFolders();
// Why the per-user folders cannot be found (UTF-8), empty when they can: without $HOME the
// passwd entry's home directory is used, and without either (and without both XDG
// variables) the program refuses to start rather than fall back to a shared folder.
std::string FoldersProblem();

// The data directory as it is kept: without a trailing separator, at most 1024 bytes.
std::string NormaliseDataDir(std::string_view dir);

// ---------------------------------------------------------------------------------------

// The configuration in memory: the main record and the selected settings blocks.
class Configuration {
 public:
  Configuration();

  MainConfig& main() { return *m_main; }
  const MainConfig& main() const { return *m_main; }
  LabelSettingsBlock& label() { return *m_label; }
  ReportSettingsBlock& report() { return *m_report; }
  const std::string& path() const { return m_path; }

  // Loads `path`; a file of another size gets the warning "Versionskonflikt av
  // konfigurationsfilen" and, like a missing or unreadable file, is replaced by a default
  // file (main record, then the ten label and the ten report blocks). Returns true when
  // the file was read as it was.
  bool load(const std::string& path, std::string_view defaultDataDir);

  // Writes the main record and the selected label and report blocks in place. Returns
  // false (and writes nothing) when the file cannot be opened for update or replaced;
  // saveError() is then the errno. A file these would not change is not rewritten.
  bool save();
  int saveError() const { return m_saveError; }

  // Selecting settings block i of a kind (1..10): the block is read from its place in the
  // file, or gets its defaults when the file cannot be read, and i becomes the selected
  // number. Returns true when the block came from the file.
  bool selectReportBlock(int i);
  bool selectLabelBlock(int i);
  // Writes the block in memory to its place in the file (the main record is not written).
  // Returns false, changing nothing on disk, when the file cannot be opened for update.
  bool storeReportBlock() const;
  bool storeLabelBlock() const;

  // Writes a complete default file at `path` (replacing it) and takes its defaults.
  bool writeDefaults(const std::string& path, std::string_view defaultDataDir);

 private:
  std::unique_ptr<MainConfig> m_main;
  std::unique_ptr<LabelSettingsBlock> m_label;
  std::unique_ptr<ReportSettingsBlock> m_report;
  std::string m_path;
  int m_saveError = 0;
};

}  // namespace liga
