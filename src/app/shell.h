// Start-up and shutdown of the program: folders, configuration, data directory, storage,
// catalogue and the competition that was open last; and the reverse at exit.
//
// The order is fixed because each step uses what the one before produced:
//   start-up  folders -> configuration file -> working directory = saved data directory ->
//             window geometry -> current competition and data directory from program
//             slot 6 -> status texts -> storage engine and record buffers -> catalogue ->
//             last competition;
//   shutdown  close the competition -> msg::kFilesClosed -> slot 6 takes data directory
//             and competition -> storage engine shut down -> window geometry taken ->
//             main record and the selected settings blocks written in place.
#pragma once

#include <string>
#include <vector>

#include "app/config.h"
#include "common/ui_port.h"
#include "database/database.h"

namespace liga {

inline constexpr int kDesignWidth = 545;
inline constexpr int kDesignHeight = 312;

struct WindowGeometry {
  int scale = 0;  // percent; below 100 means automatic
  int left = 0;   // 0 with top 0: the window's designed position
  int top = 0;
  int width = 0;
  int height = 0;
};

struct StartupOptions {
  std::string configFile;  // empty: the per-user configuration file
  std::string dataDir;     // empty: the saved data directory; else the data directory of this
                           // run only: shutdown saves the configured one unchanged
  std::vector<std::string> args;
  // A front end whose paths come from its caller (the command line) keeps the process's
  // working directory: the data directory is checked for access instead of entered.
  bool keepWorkingDirectory = false;
  // How the data directory is locked while the program works on it: the desktop program
  // and every command that may write take it exclusive.
  DataDirAccess access = DataDirAccess::Write;
  // Added to the message that refuses a data directory another program holds.
  std::string lockRefusalNote;
  // With Write access asked: a data directory the program may not write (permissions, a
  // read-only file system) is opened with Read access instead, so that what only reads
  // (reports, backup) works there; readOnlyFallback() tells it happened.
  bool readOnlyFallback = false;
};

struct StatusTexts {
  std::string dataDir;
  std::string reportSettings;
  std::string labelSettings;
};

// What chdir() to `dir` would fail with (a system error number), without changing
// directory: 0 when the directory can be listed and entered.
int DirectoryEnterError(const std::string& dir);

// What writing into `dir` would fail with (EACCES, EROFS, ...), 0 when it may be written.
int DirectoryWriteError(const std::string& dir);

// "LigaWin32.2025 250228" followed by `suffix`, cut to 74 characters.
std::string WindowCaption(const std::string& suffix);

class Shell {
 public:
  Shell() = default;

  Configuration& config() { return m_config; }
  Database& db() { return m_db; }
  const AppFolders& folders() const { return m_folders; }

  // Start-up steps from the configuration buffers to the last open competition. Messages
  // go to `ui`. Returns whether storage is usable.
  bool startup(UiPort& ui, const StartupOptions& options);
  // Closes everything and writes the configuration back. `window` is the window as it is
  // at exit. False when the configuration could not be written (configSaveFailureText()).
  // A program refused a data directory never writes the configuration: the program holding
  // the directory owns it, and this one's copy is stale.
  bool shutdown(UiPort& ui, const WindowGeometry& window, bool saveConfig = true);
  // Shutdown keeping the window geometry as the configuration held it (the command-line
  // front end): a window that was never placed stays unplaced, so it opens at a size that
  // suits the screen.
  bool shutdown(UiPort& ui, bool saveConfig = true) {
    return shutdown(ui, m_savedWindow, saveConfig);
  }
  // Writes the configuration now, with the data directory and competition in use (as
  // shutdown would): for a command whose whole point is a setting, which must not report
  // success before the setting is on disk. False when it could not be written or this
  // program was refused the data directory.
  bool saveConfiguration();
  // "Inställningarna kunde inte sparas (reason): FILE" for the last failed write (code page
  // 1252).
  std::string configSaveFailureText() const;

  // The geometry to open the main window with: zero width and height become the design
  // size 545 x 312.
  const WindowGeometry& window() const { return m_window; }
  StatusTexts statusTexts() const;
  // False when the saved (or given) data directory could not be entered at start-up and the
  // program fell back to the directory it was started in.
  bool dataDirEntered() const { return m_dataDirEntered; }
  // The system error number that kept the data directory from being entered, 0 if none.
  int dataDirError() const { return m_dataDirError; }
  // True when StartupOptions::dataDir named another directory than the configured one.
  bool dataDirForThisRunOnly() const { return m_dataDirForThisRun; }
  // True when another program held the data directory at start-up.
  bool refusedAtStartup() const { return m_refusedAtStartup; }
  // True when the data directory was opened for reading only because it cannot be written
  // (StartupOptions::readOnlyFallback).
  bool openedReadOnly() const { return m_openedReadOnly; }

 private:
  // Puts the data directory, competition and window geometry into the main record.
  void takeDatabaseState(const WindowGeometry& window);
  // Another program held the data directory, at start-up or since.
  bool refusedDataDir() const { return m_refusedAtStartup || m_db.lockRefused(); }

  AppFolders m_folders;
  Configuration m_config;
  Database m_db;
  WindowGeometry m_window;
  WindowGeometry m_savedWindow;  // as read from the configuration, zeros included
  bool m_started = false;
  bool m_dataDirEntered = false;
  int m_dataDirError = 0;
  bool m_dataDirForThisRun = false;
  bool m_refusedAtStartup = false;
  bool m_openedReadOnly = false;
  // Whether the catalogue was open at some time in this run: a run that never got to it (an
  // I/O error, a directory it may not read) keeps the configured competition.
  bool m_catalogueSeen = false;
  std::string m_configuredDataDir;
  int m_configuredCompetition = 0;
};

}  // namespace liga
