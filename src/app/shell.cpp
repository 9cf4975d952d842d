#include "app/shell.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/encoding.h"
#include "common/file_read.h"
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

int DirectoryEnterError(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  close(fd);
  return access(dir.c_str(), X_OK) == 0 ? 0 : errno;
}

int DirectoryWriteError(const std::string& dir) {
  return access(dir.c_str(), W_OK) == 0 ? 0 : errno;
}

std::string WindowCaption(const std::string& suffix) {
  std::string caption = "LigaWin32.2025 250228" + suffix;
  if (caption.size() > 74) caption.resize(74);
  return caption;
}

bool Shell::startup(UiPort& ui, const StartupOptions& options) {
  ScopedUi scoped(ui);
  prepareFolders(options);
  m_config.load(m_folders.configFile, m_folders.defaultDataDir);
  MainConfig& main = m_config.main();
  const std::string dataDir = enterDataDir(options);
  main.setDataDir(dataDir);

  m_savedWindow = {main.windowScale(), main.windowLeft(), main.windowTop(), main.windowWidth(),
                   main.windowHeight()};
  m_window.scale = main.windowScale();
  m_window.left = main.windowLeft();
  m_window.top = main.windowTop();
  m_window.width = main.windowWidth() == 0 ? kDesignWidth : main.windowWidth();
  m_window.height = main.windowHeight() == 0 ? kDesignHeight : main.windowHeight();

  main.setCurrentCompetition(main.slotCompetition(kProgramSlot));
  return openStorage(options, dataDir);
}

void Shell::prepareFolders(const StartupOptions& options) {
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
}

std::string Shell::enterDataDir(const StartupOptions& options) {
  MainConfig& main = m_config.main();
  std::error_code ec;
  m_configuredDataDir = main.slotDataDir(kProgramSlot);
  m_configuredCompetition = main.slotCompetition(kProgramSlot);
  m_dataDirForThisRun = false;
  std::string saved = m_configuredDataDir;
  if (!options.dataDir.empty()) {
    const std::string given =
        NormaliseDataDir(fs::absolute(options.dataDir, ec).lexically_normal().string());
    m_dataDirForThisRun = given != NormaliseDataDir(m_configuredDataDir);
    saved = given;
    main.setSlotDataDir(kProgramSlot, given);
  }

  // The saved data directory becomes the working directory. When it cannot be entered the
  // program works in the directory it was started in, and that becomes the data directory.
  // A front end keeping its working directory only checks that the directory could be
  // entered, and never falls back.
  if (options.keepWorkingDirectory) {
    m_dataDirError = DirectoryEnterError(saved);
  } else {
    m_dataDirError = chdir(saved.c_str()) == 0 ? 0 : errno;
  }
  m_dataDirEntered = m_dataDirError == 0;
  if (!m_dataDirEntered) {
    ShowMessage(1, "Kan ej byta till biblioteket \"" + Utf8ToCp1252(saved) + "\" " +
                       FormatInt(m_dataDirError, 3));
  }
  if (options.keepWorkingDirectory)
    return NormaliseDataDir(fs::absolute(saved, ec).lexically_normal().string());
  return NormaliseDataDir(currentDir());
}

bool Shell::openStorage(const StartupOptions& options, const std::string& dataDir) {
  MainConfig& main = m_config.main();
  DataDirAccess access = options.access;
  m_openedReadOnly = false;
  if (access == DataDirAccess::Write && options.readOnlyFallback && m_dataDirEntered &&
      DirectoryWriteError(dataDir) != 0) {
    access = DataDirAccess::Read;
    m_openedReadOnly = true;
    ShowMessage(201, W("Databiblioteket \"") + Utf8ToCp1252(dataDir) +
                         W("\" är skrivskyddat: tävlingarna kan läsas men inte ändras."));
  }

  const bool storage = m_db.initialise(options.args);
  m_started = true;
  m_db.setDataDir(dataDir);
  m_db.setAccess(access);
  m_db.setLockRefusalNote(options.lockRefusalNote);
  m_db.setCurrentCompetition(main.currentCompetition());
  m_db.readCatalogue();
  const int current = main.currentCompetition();
  if (m_db.catalogueAvailable() && current >= 1 && current <= m_db.catalogueFileLen()) {
    // A competition whose files would not open stays the current one (selectCompetition
    // keeps its number), so "indexbygg" can repair it; a deleted one does not.
    if (!m_db.selectCompetition(current, false) && m_db.competitionFailedToOpen()) {
      ShowMessage(201, W("Tävling ") + FormatInt(current, 2) + " kan inte " + W("öppnas: ") +
                           m_db.openFailureText());
    }
  } else {
    m_db.setCurrentCompetition(0);
  }
  main.setCurrentCompetition(m_db.currentCompetition());
  m_refusedAtStartup = m_db.lockRefused();
  m_catalogueSeen = m_db.catalogueAvailable();
  return storage;
}

StatusTexts Shell::statusTexts() const {
  const MainConfig& main = m_config.main();
  return {main.dataDir(), main.reportSettingsName(main.reportBlock()),
          main.labelSettingsName(main.labelBlock())};
}

void Shell::takeDatabaseState(const WindowGeometry& window) {
  MainConfig& main = m_config.main();
  main.setDataDir(m_db.dataDir());
  // A competition is dropped from the configuration only by a run that saw the catalogue.
  const bool sameDir = NormaliseDataDir(m_db.dataDir()) == NormaliseDataDir(m_configuredDataDir);
  main.setCurrentCompetition(!m_catalogueSeen && sameDir ? m_configuredCompetition
                                                         : m_db.currentCompetition());
  main.setSlotDataDir(kProgramSlot, main.dataDir());
  main.setSlotCompetition(kProgramSlot, main.currentCompetition());
  if (m_dataDirForThisRun) {
    // A data directory given for this run leaves the configured one and its competition
    // as they were.
    main.setDataDir(m_configuredDataDir);
    main.setCurrentCompetition(m_configuredCompetition);
    main.setSlotDataDir(kProgramSlot, m_configuredDataDir);
    main.setSlotCompetition(kProgramSlot, m_configuredCompetition);
  }
  main.setWindowScale(window.scale);
  main.setWindowLeft(window.left);
  main.setWindowTop(window.top);
  main.setWindowWidth(window.width);
  main.setWindowHeight(window.height);
}

bool Shell::saveConfiguration() {
  if (!m_started) return true;
  if (refusedDataDir()) return false;
  m_catalogueSeen = m_catalogueSeen || m_db.catalogueAvailable();
  takeDatabaseState(m_savedWindow);
  return m_config.save();
}

std::string Shell::configSaveFailureText() const {
  return Utf8ToCp1252("Inställningarna kunde inte sparas (" +
                      SystemErrorText(m_config.saveError()) + "): " + m_config.path());
}

bool Shell::shutdown(UiPort& ui, const WindowGeometry& window, bool saveConfig) {
  if (!m_started) return true;
  ScopedUi scoped(ui);
  // The program holding the data directory owns the configuration; this one's is stale.
  if (refusedDataDir()) saveConfig = false;
  m_catalogueSeen = m_catalogueSeen || m_db.catalogueAvailable();
  m_db.closeAll();
  m_db.shutdownStorage();
  m_db.releaseDataDir();
  m_window = window;
  takeDatabaseState(window);
  m_started = false;
  return !saveConfig || m_config.save();
}

}  // namespace liga
