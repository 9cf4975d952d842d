// The open competition database: the current-record buffers, the catalogue of
// competitions, and the record operations every command works through.
//
// Invariants:
//  1. At most one competition is open; while it is, its three file blocks (class, team,
//     play time) are open and `competitionOpen()` is true. The catalogue is opened only
//     for the length of one catalogue operation.
//  2. Each of the four files has one buffer holding its current record and, for the class,
//     team and play-time files, the record number of that record (0 = a new record not yet
//     stored).
//  3. Every record read through this class has had its DOS-coded texts converted to the
//     Windows code page before the caller sees it.
//  4. Storage failures leave the engine status (IsamOK, IsamError) set; operations return
//     false and do not undo the steps before the failure.
//  5. No file of the data directory is opened without its lock (data_dir_lock.h): shared
//     with Read access, exclusive with Write access. The lock is taken when the catalogue is
//     first opened or created and held until the data directory changes or the lock is
//     released at shutdown, so a command that closes and reopens its files (rebuild,
//     backup) never lets another program in between.
//  6. With Read access every block is opened read-only and nothing is written, not even the
//     competition record that a close otherwise stores back.
//  7. A block whose record length differs from the one its records have here (a foreign or
//     damaged file) is refused with kBadDataFile when it is opened; no record of it is read.
// Messages go through the message catalogue's display routine (common/messages.h) and so to
// the installed user-interface port.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "database/data_dir_lock.h"
#include "database/records.h"
#include "storage/isam.h"

namespace liga {

enum class BrowseMode {
  Find = 0,      // FindKey with the key text
  Next = 2,      // NextKey
  Search = 3,    // SearchKey with the key text
  Clear = 4,     // ClearKey; the record number becomes 0
  ByNumber = 5,  // the given record number as it is
};

struct BrowseResult {
  bool found = false;
  bool atEnd = false;
};

struct CompetitionMenuItem {
  std::string caption;  // the competition's name, "raderad" or "vakant"
  bool enabled = false;
  bool checked = false;
};

class Database {
 public:
  static constexpr int kParticipantEntries = 161;  // 6 bytes each
  static constexpr int kTypeEntries = 161;

  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // ---- state ----
  const std::string& dataDir() const { return m_dataDir; }
  void setDataDir(const std::string& dir);
  bool catalogueAvailable() const { return m_catalogueAvailable; }
  bool competitionOpen() const { return m_competitionOpen; }
  // True when the current competition's record was read but its files did not open (a
  // missing or damaged file): it stays current so that "indexbygg" can repair it.
  bool competitionFailedToOpen() const { return m_openFailed; }
  // The storage error that kept the current competition's files from opening (0 when none).
  std::int32_t openFailError() const { return m_openFailed ? m_openFailError : 0; }
  // Why the files of the current competition did not open (IsamErrorText of the failure,
  // with OpenFailureAdvice).
  const std::string& openFailureText() const { return m_openFailure; }
  int currentCompetition() const { return m_current; }
  void setCurrentCompetition(int n) { m_current = n; }
  int catalogueFileLen() const { return m_catFileLen; }
  int catalogueUsedRecs() const { return m_catUsedRecs; }

  CompetitionRec& comp() { return *m_comp; }
  DivisionRec& cls() { return *m_cls; }
  TeamRec& team() { return *m_team; }
  PlayTimeRec& playTime() { return *m_playTime; }
  std::int32_t classRecNo() const { return m_classRecNo; }
  std::int32_t teamRecNo() const { return m_teamRecNo; }
  std::int32_t playTimeRecNo() const { return m_playTimeRecNo; }
  void setClassRecNo(std::int32_t n) { m_classRecNo = n; }
  void setTeamRecNo(std::int32_t n) { m_teamRecNo = n; }
  void setPlayTimeRecNo(std::int32_t n) { m_playTimeRecNo = n; }

  FileBlockPtr classFile() const { return m_classFile; }
  FileBlockPtr teamFile() const { return m_teamFile; }
  FileBlockPtr playTimeFile() const { return m_playTimeFile; }

  // Scheduling's tables: 161 participant entries of 6 bytes and the type table (entry i
  // is i after start-up).
  std::array<std::uint8_t, 6 * kParticipantEntries>& participants() { return m_participants; }
  std::array<std::int16_t, kTypeEntries>& types() { return m_types; }

  // Set after any add, change or delete of a team record; the team selection rebuilds its
  // index when it finds the flag set and clears it.
  bool teamIndexStale() const { return m_teamIndexStale; }
  void setTeamIndexStale(bool v) { m_teamIndexStale = v; }

  // The clock behind the date text a new play time starts with (year-month-day
  // hour:minute); must outlive the database. Tests set a FakeClock.
  const Clock* clock = &SystemClock::instance();
  std::string newPlayTimeDate() const;

  // ---- the data directory's lock ----
  void setAccess(DataDirAccess access) { m_access = access; }
  // Added to the message that refuses a data directory held by another program (code page
  // 1252): what this program does next.
  void setLockRefusalNote(std::string note) { m_lockRefusalNote = std::move(note); }
  DataDirAccess access() const { return m_access; }
  // True when the last attempt to use the data directory was refused because another
  // program holds its lock; the refusal (naming the holder) was shown as an error.
  bool lockRefused() const { return m_lockRefused; }
  void releaseDataDir() { m_lock.release(); }

  // ---- start-up, catalogue, open and close ----

  // Starts the storage engine (a failure is reported as a warning with the engine's
  // composed text and the error's catalogue text) and puts new-record defaults into the
  // buffers. Returns whether storage is usable.
  bool initialise(const std::vector<std::string>& args);
  // Shuts the storage engine down if `initialise` started it.
  void shutdownStorage();

  // Opens the catalogue, takes its counts and closes it again; posts msg::kFilesOpen or
  // msg::kDataFilesMissing.
  bool readCatalogue();
  // Creates an empty catalogue (record length 2233, no keys) and reads it. With `logged` the
  // new catalogue is named in a creation log first (see createCompetition).
  bool createCatalogue(bool logged = false);
  bool selectCompetition(int n, bool allowNew);
  bool readCompetition(int n);
  // Reads catalogue record n into `rec` without touching the competition buffer; true when
  // it is a competition in use.
  bool readCompetitionRecord(int n, CompetitionRec& rec);
  bool storeCompetition(bool adding);
  // Writes the competition record back and commits the running batches of `blocks` with it
  // as one unit (CommitBatches): all of it is stored or none. When the record cannot be
  // written, the batches are aborted.
  bool commitWithCompetition(const std::vector<FileBlockPtr>& blocks);
  bool createCompetitionFiles();
  // Adds the competition buffer to the catalogue as a new competition, creates its files and
  // opens them, as one step: when any part fails the catalogue is as it was and no file of
  // the competition is left behind. Returns false (status set) then.
  // With `withContents` the record is not added yet: the competition is current and its
  // files open, and commitWithCompetition adds the record in the same unit as the first
  // contents. Until then the creation is logged (rename_log.h), so a process that dies
  // before the unit is stored leaves the data directory as before; closing or discarding
  // the competition before that deletes its files.
  bool createCompetition(bool withContents = false);
  // Removes the creation log once what it guards is stored.
  void finishCreation();
  // After a failed demo: takes back every competition and the catalogue the creation log
  // names that were not stored, as the next open would after a crash.
  bool abandonCreation();
  // Takes back a competition created by createCompetition in this session whose first
  // contents could not be stored: closes it without storing, deletes its files and its
  // catalogue record.
  void discardCompetition();
  bool openCompetitionFiles();
  // Writes the competition record back, then closes the class, play-time and team files.
  void closeCompetition();
  // Closes the competition and marks the catalogue unavailable (msg::kFilesClosed).
  void closeAll();

  // ---- catalogue commands ----
  std::array<CompetitionMenuItem, kMaxCompetitions> refreshCompetitionMenus();
  // The folder picker chooses a new data directory; false when cancelled.
  bool changeDataDirectory();
  bool createNewCatalogue();  // "skapa nya"
  bool backupCompetition();   // "säkerhetskopiera"
  bool deleteCompetition(int k);

  // ---- record maintenance ----
  BrowseResult browseClass(BrowseMode mode, std::string& key, std::int32_t& recNo);
  BrowseResult browseTeam(BrowseMode mode, std::string& key, std::int32_t& recNo);
  BrowseResult browsePlayTime(BrowseMode mode, std::string& key, std::int32_t& recNo);

  // Record numbers of the classes (by ClassName) and of the play times (by PlayTime) in key
  // order, read from the index alone; the buffers are not touched.
  std::vector<std::int32_t> classesInKeyOrder();
  std::vector<std::int32_t> playTimesInKeyOrder();

  bool storeClass(bool isNew);
  bool storeTeam(bool isNew);
  bool storePlayTime(bool isNew);

  // `recNo` 0: found by its key text. With `deleteRecord` false only the key is dropped
  // (and, for teams, the class accounting undone), so the record can be stored again under
  // a new key keeping its number.
  bool removeClass(const std::string& name, std::int32_t recNo, bool deleteRecord);
  bool removeTeam(const std::string& key, std::int32_t recNo, bool deleteRecord);
  bool removePlayTime(const std::string& key, std::int32_t recNo, bool deleteRecord);

  // Writes the buffer back at `recNo` without touching keys.
  bool rewriteClass(std::int32_t recNo);
  bool rewriteTeam(std::int32_t recNo);
  bool rewritePlayTime(std::int32_t recNo);

  // Reads a record by number into the buffer (texts converted); true when it is in use.
  bool readClass(std::int32_t recNo);
  bool readTeam(std::int32_t recNo);
  bool readPlayTime(std::int32_t recNo);

  // Reads record `recNo` into `out` and leaves the buffers alone; true when it is in use.
  // Texts in the DOS code page are converted unless `convert` is false (a record that is
  // written back keeping its stored bytes).
  bool readClassRecord(std::int32_t recNo, DivisionRec& out, bool convert = true) const;
  bool readTeamRecord(std::int32_t recNo, TeamRec& out, bool convert = true) const;
  bool readPlayTimeRecord(std::int32_t recNo, PlayTimeRec& out, bool convert = true) const;
  // Writes `rec` (Status 0) at `recNo` without touching keys or buffers. A team write
  // marks the team index stale unless `keepsOrder` (a write of its place alone, which no
  // selection's order depends on).
  bool writeClassRecord(std::int32_t recNo, const DivisionRec& rec);
  bool writeTeamRecord(std::int32_t recNo, const TeamRec& rec, bool keepsOrder = false);
  bool writePlayTimeRecord(std::int32_t recNo, const PlayTimeRec& rec);
  // The record number of the first record whose key is `key` (cut to 30 characters), 0
  // when there is none; the buffers are not touched.
  std::int32_t findClassKey(const std::string& key) const;
  std::int32_t findTeamKey(const std::string& key) const;
  std::int32_t findPlayTimeKey(const std::string& key) const;
  // Record numbers past the last record of the class, team and play-time files (their
  // lengths): a scan by record number runs from 1 below it. 0 while no file is open.
  std::int32_t classFileLength() const;
  std::int32_t teamFileLength() const;
  std::int32_t playTimeFileLength() const;
  // How many records of each file are in use (deleted ones not counted); 0 while no file
  // is open.
  std::int32_t classesInUse() const;
  std::int32_t teamsInUse() const;
  std::int32_t playTimesInUse() const;

  // Recomputes the statistics of the team in the team buffer with the class buffer's points.
  void computeTeamStatistics();
  // "radera alla lag": asks first; false when nothing was removed.
  bool removeAllTeams();

  // Resets the class and team buffers to new-record defaults.
  void resetClassBuffer();
  void resetTeamBuffer();
  void resetPlayTimeBuffer();

  // ---- rebuild ("indexbygg") ----
  bool rebuildCompetition();
  // The records the last rebuild could not carry over, one line each ("lg01.Dat post 12:
  // ..."); they were also shown as a warning.
  const std::vector<std::string>& rebuildLostRecords() const { return m_rebuildLost; }

 private:
  template <typename Rec>
  BrowseResult browse(FileBlockPtr file, Rec& buffer, std::int32_t& current, BrowseMode mode,
                      std::string& key, std::int32_t& recNo);
  bool openCatalogue(FileBlockPtr& cat);
  // Takes the data directory's lock for the access set; false (message shown) when another
  // program holds it.
  bool lockDataDir();
  bool readOnly() const { return m_access == DataDirAccess::Read; }
  void refreshCounts(FileBlockPtr cat);
  // Opens a block of this data directory for the access set. A reader that finds an
  // unfinished change (a writer that crashed) first rolls it back with the lock taken
  // exclusively for that moment, then reads the state before the crash.
  void openBlock(FileBlockPtr& handle, const std::string& name, std::int32_t recordLength);
  bool recoverForReader(const std::string& name);
  // Completes or undoes the file swaps of a rebuild that a crash stopped (rename_log.h),
  // with the lock taken exclusively for that moment.
  bool recoverRenames();
  // Runs `work` holding the data directory's lock exclusively; a reader converts its lock for
  // that moment and back. False when the lock could not be had or `work` failed.
  bool exclusively(const std::function<bool()>& work);
  // createCompetition(true): the files of a competition whose record waits for its first
  // contents (commitWithCompetition adds it).
  bool createUnstoredCompetition();
  void addPendingRecord(FileBlockPtr cat);
  void discardUnstored();
  bool copyBlock(const std::string& name, const std::string& folder, int line);
  // Copies the competition's tie-order file, when it has one, into a backup folder.
  bool copyTieOrders(const std::string& folder, int nn);

  std::string m_dataDir = ".";
  DataDirLock m_lock;
  DataDirAccess m_access = DataDirAccess::Write;
  std::string m_lockRefusalNote;
  bool m_lockRefused = false;
  bool m_storageStarted = false;
  bool m_catalogueAvailable = false;
  bool m_competitionOpen = false;
  bool m_openFailed = false;
  std::int32_t m_openFailError = 0;
  bool m_creationPending = false;  // this program's creation log is on disk
  // The current competition was made by createCompetition(true) and its record is not in
  // the catalogue yet.
  bool m_recordPending = false;
  bool m_newCatalogueLogged = false;  // the creation log also names a new catalogue
  std::vector<std::string> m_rebuildLost;
  std::string m_openFailure;
  int m_current = 0;
  int m_catFileLen = 0;
  int m_catUsedRecs = 0;
  bool m_teamIndexStale = true;

  std::unique_ptr<CompetitionRec> m_comp;
  std::unique_ptr<DivisionRec> m_cls;
  std::unique_ptr<TeamRec> m_team;
  std::unique_ptr<PlayTimeRec> m_playTime;
  std::int32_t m_classRecNo = 0;
  std::int32_t m_teamRecNo = 0;
  std::int32_t m_playTimeRecNo = 0;

  FileBlockPtr m_classFile = nullptr;
  FileBlockPtr m_teamFile = nullptr;
  FileBlockPtr m_playTimeFile = nullptr;

  std::array<std::uint8_t, 6 * kParticipantEntries> m_participants{};
  std::array<std::int16_t, kTypeEntries> m_types{};
};

// The record lengths of the memory tables as the "info" command shows them:
// "1a=2233 2=562 3a=11665 4=863 5=966 6=322 7=  9".
std::string RecordSizeLine();

// The file in `dir` whose name equals `name` exactly, else ignoring ASCII case; empty when
// there is none. Data directories copied from other systems carry other cases.
std::string FindFileNoCase(const std::string& dir, const std::string& name);

// Opens the block `name` whose records are `recordLength` bytes long. A block of another
// record length is closed again and refused with kBadDataFile, so a foreign or damaged file never
// has its records read into buffers of the wrong size or rewritten cut short.
void OpenRecordBlock(FileBlockPtr& handle, const std::string& name, std::int32_t recordLength,
                     bool readOnly = false);

// True when the last storage operation failed (IsamOK false): a command that did nothing
// tells a refusal by the person from a failure this way.
bool LastStorageFailed();

// The text of the storage error in IsamError as the user is shown it: the catalogue text,
// followed for an I/O failure by its cause and the file it happened on ("... (åtkomst
// nekad: FILE)"). A full disk (ENOSPC, EDQUOT) reads "disken är full: FILE" alone, a symbolic
// link the program refuses to write through "FILE är en symbolisk länk; ...". Code page 1252.
std::string IsamErrorText();

// What the person can do about a competition whose files did not open with storage error
// `error`, as a text to append to its message: a damaged data file is restored from a backup,
// a damaged or missing index is rebuilt; "" when the files are not at fault.
std::string OpenFailureAdvice(std::int32_t error);

}  // namespace liga
