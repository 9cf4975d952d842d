#include "app/shell.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

std::string currentDir() {
  std::error_code ec;
  const fs::path p = fs::current_path(ec);
  return ec ? std::string(".") : p.string();
}

}  // namespace

std::string WindowCaption(const std::string& suffix) {
  std::string caption = "LigaWin32.2025 250228" + suffix;
  if (caption.size() > 74) caption.resize(74);
  return caption;
}

bool Shell::startup(UiPort& ui, const StartupOptions& options) {
  ScopedUi scoped(ui);
  m_folders = ResolveFolders();
  if (!options.configFile.empty()) {
    m_folders.configFile = options.configFile;
    m_folders.configDir = fs::path(options.configFile).parent_path().string();
  }

  std::error_code ec;
  if (!m_folders.configDir.empty()) {
    fs::create_directories(m_folders.configDir, ec);
    if (ec) ShowMessage(201, "kan inte skapa path \"" + Utf8ToCp1252(m_folders.configDir) + "\" ");
  }
  for (const std::string& dir : {m_folders.dataRoot, m_folders.textDir, m_folders.defaultDataDir})
    fs::create_directories(dir, ec);

  m_config.load(m_folders.configFile, m_folders.defaultDataDir);
  MainConfig& main = m_config.main();
  if (!options.dataDir.empty()) {
    fs::create_directories(options.dataDir, ec);
    main.setSlotDataDir(kProgramSlot, NormaliseDataDir(fs::absolute(options.dataDir, ec).string()));
  }

  // The saved data directory becomes the working directory. When it cannot be entered the
  // program works in the directory it was started in, and that becomes the data directory.
  const std::string saved = main.slotDataDir(kProgramSlot);
  std::string dataDir;
  m_dataDirEntered = chdir(saved.c_str()) == 0;
  if (!m_dataDirEntered) {
    const int error = errno;
    ShowMessage(
        1, "Kan ej byta till biblioteket \"" + Utf8ToCp1252(saved) + "\" " + FormatInt(error, 3));
    dataDir = NormaliseDataDir(currentDir());
  } else {
    dataDir = NormaliseDataDir(currentDir());
  }
  main.setDataDir(dataDir);

  m_window.scale = main.windowScale();
  m_window.left = main.windowLeft();
  m_window.top = main.windowTop();
  m_window.width = main.windowWidth() == 0 ? kDesignWidth : main.windowWidth();
  m_window.height = main.windowHeight() == 0 ? kDesignHeight : main.windowHeight();

  main.setCurrentCompetition(main.slotCompetition(kProgramSlot));

  const bool storage = m_db.initialise(options.args);
  m_started = true;
  m_db.setDataDir(dataDir);
  m_db.setAccess(options.access);
  m_db.setCurrentCompetition(main.currentCompetition());
  m_db.readCatalogue();
  const int current = main.currentCompetition();
  if (m_db.catalogueAvailable() && current >= 1 && current <= m_db.catalogueFileLen()) {
    if (!m_db.selectCompetition(current, false)) m_db.setCurrentCompetition(0);
  } else {
    m_db.setCurrentCompetition(0);
  }
  main.setCurrentCompetition(m_db.currentCompetition());
  return storage;
}

StatusTexts Shell::statusTexts() const {
  const MainConfig& main = m_config.main();
  return {main.dataDir(), main.reportSettingsName(main.reportBlock()),
          main.labelSettingsName(main.labelBlock())};
}

void Shell::shutdown(UiPort& ui, const WindowGeometry& window, bool saveConfig) {
  if (!m_started) return;
  ScopedUi scoped(ui);
  m_db.closeAll();
  MainConfig& main = m_config.main();
  main.setDataDir(m_db.dataDir());
  main.setCurrentCompetition(m_db.currentCompetition());
  main.setSlotDataDir(kProgramSlot, main.dataDir());
  main.setSlotCompetition(kProgramSlot, main.currentCompetition());
  m_db.shutdownStorage();
  m_db.releaseDataDir();
  main.setWindowScale(window.scale);
  main.setWindowLeft(window.left);
  main.setWindowTop(window.top);
  main.setWindowWidth(window.width);
  main.setWindowHeight(window.height);
  if (saveConfig) m_config.save();
  m_started = false;
}

}  // namespace liga
