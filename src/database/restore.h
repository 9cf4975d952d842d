// Restoring a backup: the folder written by "säkerhetskopiera" (the catalogue "cupfiles" and
// the three file blocks of one competition NN) is added to the data directory as a new
// competition.
//
// Guarantees:
//  1. Nothing in the backup folder is written: its blocks are checked by reading their files
//     directly and then opened read-only.
//  2. Every block of the backup (the catalogue and the three competition blocks) passes the
//     structural checker before anything in the data directory changes.
//  3. The competition gets the next free catalogue number, never an existing competition's:
//     its catalogue record is the backup's record NN with the new number.
//  4. Record numbers are kept: record r of each restored block is record r of the backup's
//     block, free records included and in the same free-chain order, since the records refer
//     to each other by record number. Every index entry (key, record number) is copied.
//  5. All or nothing: the records, keys and the catalogue record are stored as one unit; when
//     any step fails, the new catalogue record and the new files are taken back, and the data
//     directory holds what it held before.
#pragma once

#include <string>

namespace liga {

class Database;

struct RestoreResult {
  bool ok = false;
  int number = 0;        // the new competition's number when ok
  int backupNumber = 0;  // NN of the backup's files, when a backup was found
  std::string message;   // the text shown (code page 1252)
};

// The competition number NN of the backup in `folder`: the folder holds "cupfiles" and the
// blocks "klass" + NN, "lg" + NN and "game" + NN (data files, any case). 0 when there is no
// such backup, -1 when the files of more than one competition are there.
int FindBackupCompetition(const std::string& folder);

// The command "återställ" with the folder already chosen. Needs the catalogue of the data
// directory and write access to it. On success the restored competition is open and a
// message box says so; a refusal or failure is shown as an error box, and the competition
// that was open before is open again.
RestoreResult RestoreCompetition(Database& db, const std::string& folder);

// The menu command: asks for the folder ("återställ från..."), starting at the open
// competition's BackupDir; false when cancelled.
bool RunRestore(Database& db, RestoreResult* result = nullptr);

}  // namespace liga
