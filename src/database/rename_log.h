// The rename log of a rebuild: the file swaps that replace a competition's three blocks,
// made all or nothing across a crash.
//
// Protocol:
//  1. Before the first rename, the log names the competition and, for each block, its label
//     ("klass07") and the temporary block its old files move to ("filetmp2"); the log and
//     its folder are synced.
//  2. When every new block is complete, the recounted totals are appended to the log as its
//     commit line and the log is synced: from then on the rebuild counts as done.
//  3. Then the totals go into the catalogue, the temporary blocks are deleted and the log
//     is removed.
// Recovery (before the catalogue is opened): a log without its commit line is undone (every
// block whose old files sit under their temporary names gets them back, its new files
// deleted); a log with it is completed (the totals stored again, the temporary blocks
// deleted). A log cut short before its first line was synced named nothing that was moved.
#pragma once

#include <string>
#include <vector>

namespace liga {

inline constexpr const char* kRenameLogName = "indexbygg.log";

struct RenameLogBlock {
  std::string label;  // the block's base name in the data directory, e.g. "klass07"
  std::string temp;   // the temporary block its old files wait under, e.g. "filetmp2"
};

struct RenameTotals {
  int teams = 0, matches = 0, open = 0;
};

// Writes and syncs the log of rule 1. Returns 0 or an errno.
int WriteRenameLog(const std::string& dir, int competition,
                   const std::vector<RenameLogBlock>& blocks);
// Appends and syncs the commit line of rule 2. Returns 0 or an errno.
int CommitRenameLog(const std::string& dir, const RenameTotals& totals);
// Removes the log (rule 3, or after the rebuild undid itself) and syncs the folder.
void RemoveRenameLog(const std::string& dir);
bool RenameLogExists(const std::string& dir);
// Undoes or completes what the log of `dir` describes, then removes it. False (the storage
// status set) when that failed; the log then stays for the next try.
bool RecoverRenameLog(const std::string& dir);

}  // namespace liga
