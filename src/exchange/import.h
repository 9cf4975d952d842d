// The import of exchange files: competitions, classes, teams with their contact rows, and
// schedules (play times with their matches and results).
//
// Guarantees:
//  1. A faulty line never stores part of a record: every check of a line or match item is
//     made before the first write it causes; the fault becomes a line of the import log.
//  2. Each file runs inside one storage batch per file block of the open competition, so a
//     crash part-way through a file leaves those blocks as they were before the file. The
//     batches are committed together with the competition record: when storing fails, the
//     file's work is undone in all of them at once (a competition the file created is
//     taken back too), the log names the failure, and the import counts as failed.
//  3. The log ("importlogg") is shown at the end of the command and written to a file named
//     by date and time in the log folder given.
#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "database/write_unit.h"

namespace liga {
class Database;
class TeamRec;
}  // namespace liga

namespace liga::exchange {

// How the import of one file ended.
enum class FileOutcome {
  Done,        // read to its end
  NotOpened,   // "kan ej öppna"
  NotText,     // a binary file, refused before anything was read
  NotRegular,  // a FIFO, device or directory: refused without reading from it
  TooLarge,    // larger than any exchange file can be: refused before reading it
  Declined,    // No to replacing the old schedule; the rest of the file was not read
  Stopped,     // "avbryt" in the progress window
  Failed,      // a full file, an unknown section or a storage error ended it early
};

struct ImportSummary {
  int added = 0;
  int modified = 0;
  int lines = 0;
};

class Importer {
 public:
  // `logDir` is the folder the log file goes to (the data root's "text" folder); empty:
  // the log is not written to a file.
  Importer(Database& db, std::string logDir);

  // The clock behind the log file's name and the elapsed time of each file; must outlive
  // the importer. (A new play time's default date comes from the database's clock.)
  const Clock* clock = &SystemClock::instance();

  // Imports the files in order; stops early on the abort flag or a stop request.
  // Shows the log at the end.
  void importFiles(const std::vector<std::string>& paths);

  const std::vector<std::string>& log() const { return m_log; }
  const std::vector<ImportSummary>& summaries() const { return m_summaries; }
  // Path of the log file written, empty when none was.
  const std::string& logFile() const { return m_logFile; }
  bool aborted() const { return m_abort; }
  // One entry per file the command started on, in order; files after an abort have none.
  const std::vector<FileOutcome>& outcomes() const { return m_outcomes; }
  // True when some file was not imported as a whole: it could not be opened, was not a
  // text file, was declined at the replace question, stopped, or failed while storing.
  bool failed() const { return m_failed || m_abort; }
  // Why the import could not go on (code page 1252), or empty.
  const std::string& failureText() const { return m_failure; }
  // The lines (and match items) of all files that were refused or kept only in part, each
  // logged with its reason.
  int rejected() const { return m_rejected; }

 private:
  // How reading a file's lines ended: at its end (or a stop of the command or the file),
  // by "avbryt" in the progress window, or early on a line that ended the file.
  enum class FileEnd { Read, UserStop, EndedEarly };

  // One file: read whole, then its lines, then stored or undone as one unit.
  void importFile(const std::string& path);
  // The file's bytes; false (logged, outcome noted) when it cannot be read or is not text.
  bool readTextFile(const std::string& path, std::string& content);
  void startFile();
  FileEnd readLines(std::istream& text);
  void finishFile(FileEnd end, std::int64_t started);
  // Stores the classes' tie orders the file carried as comment lines, once its records
  // are stored.
  void storeTieOrders();
  void logLine(std::string line) { m_log.push_back(std::move(line)); }
  // Logs a line that says why the import could not go on; the first one is kept for the
  // front end's message.
  void failLine(std::string line) {
    if (m_failure.empty()) m_failure = line;
    logLine(std::move(line));
  }
  // Logs a line of the file that was refused and counts it.
  void reject(std::string line);

  bool startSection(int section, const std::string& line);
  void dataLine(const std::string& line);
  void baseRecord();
  // Puts new-class defaults with `name` into the class buffer; false (and the abort flag)
  // when the class file is full.
  bool newClass(const std::string& name);
  void classRecord(const std::string& line);
  void teamRecord(const std::string& line);
  bool teamClass(const std::string& line, const std::string& clsName, std::int32_t& classRecNo,
                 bool& classMissing, bool& leftOut);
  void contactLine(const std::string& line);
  void playTimeRecord(const std::string& line);
  bool matchLine(const std::string& line);
  bool clearOldSchedule();
  // Handles one match item; returns false when the rest of the line is dropped. The item
  // is checked whole first (checkMatch), then written (writeMatch).
  bool matchItem(const std::string& item);
  struct MatchPlan;
  enum class MatchCheck { Ready, Skip, Stop };  // Skip: logged, the line goes on
  MatchCheck checkMatch(const std::string& item, MatchPlan& plan);
  MatchCheck checkMatchTeams(const std::string& item, MatchPlan& plan);
  MatchCheck skipMatch(const std::string& item, std::string_view messageUtf8);
  void matchFault(const std::string& item, std::string_view messageUtf8);
  bool writeMatch(const std::string& item, MatchPlan& plan);
  bool writeTeamEntry(const MatchPlan& plan, TeamRec t, std::int32_t recNo, int entry,
                      std::int32_t opponent, int own, int other);

  void beginBatches();
  // Stores the file's work: the competition record and the batches of the three blocks, all
  // or nothing. False (status set) when nothing could be kept.
  bool commitBatches();
  void writeLogFile();

  Database& m_db;
  std::string m_logDir;
  std::vector<std::string> m_log;
  std::string m_failure;
  std::vector<ImportSummary> m_summaries;
  std::vector<FileOutcome> m_outcomes;
  std::string m_logFile;

  // Whole command.
  bool m_abort = false;
  bool m_failed = false;
  std::unique_ptr<WriteUnit> m_unit;  // the file's work since beginBatches
  int m_rejected = 0;

  // Per file.
  int m_section = -1;
  std::vector<std::string> m_record;
  bool m_lastTeamAdded = false;
  std::int32_t m_lastTeamRecNo = 0;
  bool m_playTimeRead = false;
  std::int32_t m_lastPlayTimeRecNo = 0;
  bool m_askBeforeReplace = true;
  bool m_oldScheduleCleared = false;
  std::vector<std::string> m_tieOrderLines;
  int m_createdCompetition = 0;  // the competition this file's base section created
  bool m_fileStopped = false;
  bool m_declined = false;
  ImportSummary m_counts;
  std::vector<std::string> m_comments;  // the file's comment lines, shown when it is done
};

// "N rader avvisade" (code page 1252; "1 rad avvisad").
std::string RejectedLinesText(int rejected);

// The menu command: collects files with the file dialog in the directory of
// `lastExchangePath` and imports them.
void RunImport(Database& db, std::string& lastExchangePath, const std::string& logDir);

}  // namespace liga::exchange
