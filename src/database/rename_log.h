// The rename log of a rebuild: the file swaps that replace a competition's three blocks,
// made all or nothing across a crash.
//
// Protocol:
//  1. Before the first rename, the log names the competition, its totals as they are and,
//     for each block, its label ("klass07") and the temporary block its old files move to
//     ("filetmp2"); the log and its folder are synced. A block's files are renamed with its
//     data file last, and the renames are synced with their folder before the new block is
//     made under the old names.
//  2. When every new block is complete and the recounted totals are in the catalogue, and
//     the journals of those blocks and of the catalogue are synced at rest (no power cut can
//     roll them back), the totals are appended to the log as its commit line and the log is
//     synced: from then on the rebuild counts as done.
//  3. Then the temporary blocks are deleted and the log is removed.
// Recovery (before the catalogue is opened): a log without its commit line is undone (every
// block whose old files sit under their temporary names gets them back, its new files
// deleted, and the totals of rule 1 are stored again); a log with it is completed (its
// totals stored again, the temporary blocks deleted). A log cut short before its lines were
// synced named nothing that was moved.
#pragma once

#include <string>
#include <vector>

namespace liga {

inline constexpr const char* kRenameLogName = "indexbygg.log";

// The files of a block and their names under the temporary block, in the order a rebuild
// renames them: the data file last, so a block whose data file is under its temporary name
// had every file moved (and only then was its new block created).
inline constexpr const char* kBlockFileExt[] = {"DIA", "IX", "DAT"};
inline constexpr const char* kTempFileExt[] = {"dia", "ix", "dat"};
inline constexpr int kDataFileIndex = 2;

struct RenameLogBlock {
  std::string label;  // the block's base name in the data directory, e.g. "klass07"
  std::string temp;   // the temporary block its old files wait under, e.g. "filetmp2"
};

struct RenameTotals {
  int teams = 0, matches = 0, open = 0;
};

// Writes and syncs the log of rule 1. Returns 0 or an errno.
int WriteRenameLog(const std::string& dir, int competition, const RenameTotals& before,
                   const std::vector<RenameLogBlock>& blocks);
// The totals of competition `competition` as the catalogue holds them; false (status set)
// when it cannot be read.
bool ReadTotals(const std::string& dir, int competition, RenameTotals* totals);
// Appends and syncs the commit line of rule 2. Returns 0 or an errno; after a failure
// `*undecided` tells that the line could not be taken off again, so the rebuild may count as
// committed at the next open and must be finished, not undone.
int CommitRenameLog(const std::string& dir, const RenameTotals& totals, bool* undecided);
// Removes the log (rule 3, or after the rebuild undid itself) and syncs the folder.
void RemoveRenameLog(const std::string& dir);
bool RenameLogExists(const std::string& dir);
// Undoes or completes what the log of `dir` describes, then removes it. False (the storage
// status set) when that failed; the log then stays for the next try.
// `*completed` names the competition whose totals a completed log stored (0 otherwise).
bool RecoverRenameLog(const std::string& dir, int* completed = nullptr,
                      RenameTotals* totals = nullptr);

// The creation log of a competition whose first contents come with it (a restore, an
// import, the demo). The competition's catalogue record is added in the same unit as its
// first contents, so until that unit commits the record is not in the catalogue; the log
// names the files made for it meanwhile.
//  1. The log (its title, and "catalogue" when the catalogue itself is new) is written and
//     synced with its folder before the catalogue is created; "competition N" is appended
//     and synced before the files of competition N are created.
//  2. It is removed once the unit is stored, or the creation taken back.
// Recovery (before the catalogue is opened): every competition the log names whose record
// is not in use in the catalogue lost its unit, and its files are deleted; a catalogue the
// log made that holds no competition in use is deleted too. So the data directory is as
// before the command, or as after it. A line cut short by a crash names nothing.
inline constexpr const char* kCreationLogName = "ny-tavling.log";

// Starts the log (rule 1) unless it is on disk already, then names `competition` in it
// (0: none yet). Returns 0 or an errno.
int WriteCreationLog(const std::string& dir, int competition, bool newCatalogue = false);
void RemoveCreationLog(const std::string& dir);
bool CreationLogExists(const std::string& dir);
// Takes back what the log names and was not stored, then removes the log. False (status
// set) when the catalogue could not be read or a file not deleted; the log stays then.
bool RecoverCreationLog(const std::string& dir);

}  // namespace liga
