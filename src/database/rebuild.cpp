// "indexbygg": every file block of the open competition is written anew from its live
// records, which rebuilds the indexes, drops deleted records and compacts record numbers.
//
// Each pass renames the block to the temporary block "filetmp" (lower-case extensions),
// creates the block afresh, copies the records in use, and deletes the temporary block.
// Guarantees beyond a plain copy:
//  1. Every record-number reference is remapped old -> new: DivisionRecNo of teams, the
//     home and away team of play-time rows, and the opponent (keeping its sign) and the
//     play time of team match entries. A reference to a record that no longer exists
//     becomes 0.
//  2. OpenMatches and TotalOpenMatches are recounted: a class's open matches are its match
//     count less the matches with a complete result in the play times.
//  3. A rename never replaces a file. A temporary block left by an interrupted rebuild stops
//     the rebuild with its rename message and stays on disk.
//  6. All or nothing: every old block waits under a temporary name of its own ("filetmp",
//     "filetmp2", "filetmp3") until all three new blocks and the recounted totals in the
//     catalogue are stored; a failure anywhere puts every old block back under its name.
//  4. Each new file block is written inside one storage batch.
//  5. The records are read through the engine when the old block opens, else straight from
//     its data file: a missing or damaged index file, which is what the rebuild exists to
//     repair, never stops it. A data file whose record length is not the block's own is
//     never read that way.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "database/database.h"
#include "database/rename_log.h"
#include "storage/env.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTempName = "filetmp";

// Old record number -> new record number; 0 for a record that was not carried over.
using RecMap = std::vector<std::int32_t>;

std::int32_t mapped(const RecMap& map, std::int32_t old) {
  return (old > 0 && old < static_cast<std::int32_t>(map.size())) ? map[old] : 0;
}

int CountOf(const std::map<std::int32_t, int>& counts, std::int32_t key) {
  const auto it = counts.find(key);
  return it == counts.end() ? 0 : it->second;
}

// What a pass's progress line names a record by.
std::string ProgressName(const DivisionRec& cls) {
  return cls.className();
}
std::string ProgressName(const PlayTimeRec& pt) {
  return FormatInt(pt.playTimeNumber(), 4);
}
std::string ProgressName(const TeamRec& team) {
  return team.teamNumberKey();
}

// The records of a block as the rebuild reads them (guarantee 5).
class RecordSource {
 public:
  RecordSource() = default;
  RecordSource(const RecordSource&) = delete;
  RecordSource& operator=(const RecordSource&) = delete;
  ~RecordSource() { close(); }

  // Opens `block` (a path without extension) whose data file is `dataFile` in `dir`. On
  // failure the status of the engine's refusal is kept.
  bool open(const std::string& block, const std::string& dir, const std::string& dataFile,
            std::int32_t recordLength) {
    close();
    OpenRecordBlock(m_block, block, recordLength);
    if (IsamOK) return true;
    IsamStatusGuard failure;
    if (!openDataFile(FindFileNoCase(dir, dataFile), recordLength)) return false;
    failure.release();
    IsamOK = true;
    IsamError = IsamDosError = 0;
    return true;
  }

  std::int32_t fileLen() { return m_block != nullptr ? FileLen(m_block) : m_fileLen; }
  // Whole records a data file read without the engine holds beyond the count in its damaged
  // header: they cannot be told from garbage, so they are reported, not carried over.
  std::int32_t beyondCount() const { return m_block != nullptr ? 0 : m_beyond; }

  // Reads record `r`; sets the engine status like GetRec.
  void get(std::int32_t r, void* buffer) {
    if (m_block != nullptr) return GetRec(m_block, r, buffer);
    m_data.seekg(static_cast<std::streamoff>(r) * m_recordLength);
    m_data.read(static_cast<char*>(buffer), m_recordLength);
    IsamOK = static_cast<bool>(m_data);
    IsamError = IsamOK ? 0 : isam_error::kReadError;
    if (!m_data) m_data.clear();
  }

  void close() {
    if (m_block != nullptr) CloseFileBlock(m_block);
    m_data.close();
    m_fileLen = 0;
  }

 private:
  // The data file alone: its header's record length must be `recordLength`, and only the
  // records the file really holds are counted.
  bool openDataFile(const std::string& path, std::int32_t recordLength) {
    if (path.empty()) return false;
    m_data.open(path, std::ios::binary);
    std::uint8_t h[16] = {};
    m_data.read(reinterpret_cast<char*>(h), sizeof h);
    if (!m_data) return false;
    const std::int32_t numRec = rd32(h + 8);
    if (rd32(h + 12) != recordLength || numRec < 0) {
      m_data.close();
      return false;
    }
    m_data.seekg(0, std::ios::end);
    const std::int64_t records = static_cast<std::int64_t>(m_data.tellg()) / recordLength;
    m_fileLen = static_cast<std::int32_t>(std::min<std::int64_t>(numRec + 1, records));
    m_beyond = static_cast<std::int32_t>(std::max<std::int64_t>(0, records - (numRec + 1)));
    m_recordLength = recordLength;
    return true;
  }

  FileBlockPtr m_block = nullptr;
  std::ifstream m_data;
  std::int32_t m_fileLen = 0;
  std::int32_t m_beyond = 0;
  std::int32_t m_recordLength = 0;
};

class Rebuild {
 public:
  Rebuild(const Database& db, int nn) : m_nn(nn), m_dir(db.dataDir()) {}

  bool run() {
    bool ok = preflight() && writeLog() && prescanTeams() && classPass() && playTimePass() &&
              teamPass() && recountClasses() && storeTotals() && commitLog();
    // A commit line that may be on disk decides: everything is in place, so the rebuild is
    // finished rather than undone.
    if (!ok && m_undecided) ok = true;
    if (ok) {
      finish();
    } else {
      restoreDone();
      // The totals may be in the catalogue already: the log's undo puts the old ones back.
      // When even that fails, the log stays and the next open undoes the rest.
      if (m_logWritten) {
        IsamStatusGuard failure;
        (void)RecoverRenameLog(m_dir);
      }
    }
    return ok;
  }

 private:
  // One pass's block: its label ("klass07"), its path without extension, and the base name
  // of the temporary block its old files wait under until the whole rebuild is done.
  struct Pass {
    std::string label, block, temp;
  };

  std::string blockLabel(const std::string& base) const { return base + ZeroPad(m_nn, 2); }
  // The temporary blocks: "filetmp" for the first pass, "filetmp2" and "filetmp3" for the
  // others, since all three old blocks are kept until the rebuild is complete.
  static std::string tempName(int pass) {
    return pass == 0 ? std::string(kTempName) : std::string(kTempName) + std::to_string(pass + 1);
  }
  std::string tempBlock(int pass) const { return (fs::path(m_dir) / tempName(pass)).string(); }

  void fail(const std::string& block) {
    IsamStatusGuard failure;
    failure.keepOnlyFailure();
    // A full disk is said as such, with the file it hit; every block is back as it was.
    const bool full = !IsamOK && (IsamDosError == ENOSPC || IsamDosError == EDQUOT);
    const std::string text =
        full ? IsamErrorText() + W(" (indexbygg av ") + block + W(" avbröts, inget ändrades)")
             : MessageText(msg::kCannotRename) + block + MessageText(msg::kIndexBuildFailed);
    ProgressLine(3, text);
    ShowMessage(1, text);
    m_failText = text;
  }

  bool anyTempFile() const {
    for (int pass = 0; pass < 3; ++pass) {
      for (const char* ext : kTempFileExt) {
        if (!FindFileNoCase(m_dir, tempName(pass) + "." + ext).empty()) return true;
      }
    }
    return false;
  }

  // Renames the block's files to the pass's temporary names (the data file last) and makes
  // the renames durable before the new block is made under the old names: a power cut can
  // then not take a rename back behind the new block. A failure part-way renames the moved
  // files back.
  bool renameToTemp(const Pass& p) {
    std::vector<std::pair<std::string, std::string>> moved;
    bool complete = true;
    for (int i = 0; i < 3 && complete; ++i) {
      const std::string from = FindFileNoCase(m_dir, p.label + "." + kBlockFileExt[i]);
      if (from.empty()) {
        complete = i != kDataFileIndex;  // only the data file is needed: the index is written anew
        continue;
      }
      const std::string to = (fs::path(m_dir) / (p.temp + "." + kTempFileExt[i])).string();
      if (storage::currentEnv()->rename(from, to) != 0) {
        complete = false;
        continue;
      }
      moved.emplace_back(from, to);
    }
    if (complete && storage::currentEnv()->syncDirOf(moved.back().second) != 0) complete = false;
    if (!complete) {
      for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        (void)storage::currentEnv()->rename(it->second, it->first);
      moved.clear();
    }
    m_moved[p.label] = moved;
    return complete;
  }

  void deleteTemp(const Pass& p) {
    DeleteFileBlock((fs::path(m_dir) / p.temp).string());
    for (const char* ext : kTempFileExt) {
      const std::string left = FindFileNoCase(m_dir, p.temp + "." + ext);
      if (!left.empty()) (void)storage::currentEnv()->remove(left);
    }
  }

  // Everything a pass needs before it renames anything: no temporary file from an earlier
  // run, and the data file of all three blocks (their index files are what the rebuild
  // writes anew). Checking all blocks first means the common refusals stop the rebuild
  // before any block is renamed.
  bool preflight() {
    if (anyTempFile()) {
      fail(blockLabel("klass"));
      return false;
    }
    for (const char* base : {"klass", "game", "lg"}) {
      const std::string label = blockLabel(base);
      if (FindFileNoCase(m_dir, label + ".Dat").empty()) {
        fail(label);
        return false;
      }
    }
    return true;
  }

  // Puts the block's old files back under the names they had, in place of a new block.
  void renameBack(const Pass& p) {
    DeleteFileBlock(p.block);
    for (const auto& [original, temp] : m_moved[p.label]) {
      (void)storage::currentEnv()->remove(original);
      (void)storage::currentEnv()->rename(temp, original);
    }
    m_moved.erase(p.label);
  }

  // Opens the temporary block after the renames and creates + opens the new block. A
  // failure here puts the old files back under their names.
  bool startPass(const Pass& p, int recLen, int keyLen, RecordSource& temp, FileBlockPtr& fresh) {
    if (!renameToTemp(p)) {
      fail(p.label);
      return false;
    }
    if (temp.open((fs::path(m_dir) / p.temp).string(), m_dir, p.temp + ".dat", recLen)) {
      CreateFileBlock(p.block, recLen, 1, {{keyLen, true}});
      if (IsamOK) OpenFileBlock(fresh, p.block);
    }
    if (!IsamOK) {
      {
        IsamStatusGuard failure;
        temp.close();
        if (fresh != nullptr) CloseFileBlock(fresh);
        renameBack(p);
      }
      fail(p.label);
      return false;
    }
    ProgressLine(
        2, MessageText(msg::kIndexingFile) + p.label + ".Dat Recs:" + FormatInt(temp.fileLen(), 4));
    BeginBatch(fresh);
    return true;
  }

  // Commits the new block. The old one stays under its temporary name until every pass and
  // the totals are stored; a failure puts this block's old files back at once.
  bool endPass(const Pass& p, RecordSource& temp, FileBlockPtr& fresh, bool ok) {
    if (ok) CommitBatch(fresh);
    ok = ok && IsamOK;
    {
      IsamStatusGuard failure;
      failure.keepOnlyFailure();
      CloseFileBlock(fresh);
      ok = ok && IsamOK;
      temp.close();
      if (ok) {
        failure.release();
      } else {
        renameBack(p);
      }
    }
    if (!ok) {
      fail(p.label);
      return false;
    }
    m_done.push_back(p);
    return true;
  }

  // After a failure: the blocks already rebuilt go back to their old files, so the blocks
  // never refer to each other by mixed old and new numbers.
  void restoreDone() {
    IsamStatusGuard status;
    for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) renameBack(*it);
    m_done.clear();
    status.restore();
  }

  void lose(const Pass& p, std::int32_t r, const char* why) {
    m_lost.push_back(p.label + ".Dat post " + std::to_string(r) + ": " + W(why));
  }

  // Rule 1 of the rename log: the swaps to come, on disk before the first of them.
  bool writeLog() {
    RenameTotals before;
    if (!ReadTotals(m_dir, m_nn, &before)) {
      fail(blockLabel("klass"));
      return false;
    }
    std::vector<RenameLogBlock> blocks;
    for (const Pass& p : {pass("klass", 0), pass("game", 1), pass("lg", 2)})
      blocks.push_back({p.label, p.temp});
    if (int e = WriteRenameLog(m_dir, m_nn, before, blocks)) return logFailed(e);
    m_logWritten = true;
    return true;
  }

  // Rule 2: the rebuild is done once its totals are in the log.
  bool commitLog() {
    if (int e = syncJournals()) return logFailed(e);
    if (int e = CommitRenameLog(m_dir, {m_totalTeams, m_totalMatches, m_totalOpen}, &m_undecided))
      return logFailed(e);
    return true;
  }

  // The engine cuts a block's journal at each commit without syncing it, so a power cut may
  // take that last commit back. The commit line must not outlive such a rollback of a new
  // block or of the totals: their journals' cuts are made durable first.
  int syncJournals() const {
    std::vector<std::string> names;
    for (const Pass& p : m_done) names.push_back(p.label + ".DIA");
    names.push_back(fs::path(CatalogueBlockName(m_dir)).filename().string() + ".DIA");
    for (const std::string& name : names) {
      const std::string path = FindFileNoCase(m_dir, name);
      if (path.empty()) continue;
      std::unique_ptr<storage::File> journal;
      if (int e = storage::currentEnv()->open(path, storage::OpenMode::Existing, &journal))
        return e;
      if (int e = journal->sync()) return e;
    }
    return 0;
  }

  bool logFailed(int error) {
    IsamOK = false;
    IsamError = isam_error::kWriteError;
    IsamDosError = error;
    fail(blockLabel("klass"));
    return false;
  }

  void finish() {
    for (const Pass& p : m_done) deleteTemp(p);
    RemoveRenameLog(m_dir);
    IsamOK = true;
    IsamError = IsamDosError = 0;
  }

  Pass pass(const char* base, int number) const {
    const std::string label = blockLabel(base);
    std::string block;
    if (std::string(base) == "klass") block = ClassBlockName(m_dir, m_nn);
    if (std::string(base) == "game") block = PlayTimeBlockName(m_dir, m_nn);
    if (std::string(base) == "lg") block = TeamBlockName(m_dir, m_nn);
    return {label, block, tempName(number)};
  }

  // The recounted totals go into the catalogue last, once every block is rebuilt.
  bool storeTotals() {
    FileBlockPtr cat = nullptr;
    OpenRecordBlock(cat, CatalogueBlockName(m_dir), kCatalogueRecLen);
    if (IsamOK) {
      CompetitionRec comp;
      GetRec(cat, m_nn, comp.data());
      if (IsamOK) {
        comp.setTotalTeams(m_totalTeams);
        comp.setTotalMatches(m_totalMatches);
        comp.setTotalOpenMatches(m_totalOpen);
        comp.setStatus(0);
        PutRec(cat, m_nn, comp.data());
      }
      IsamStatusGuard failure;
      if (IsamOK) failure.release();
      CloseFileBlock(cat);
    }
    if (!IsamOK) fail(blockLabel("lg"));
    return IsamOK;
  }

  // Reads the team file before it is rebuilt: the new team numbers are the ranks of the
  // records in use, which the play-time pass needs before the team pass runs.
  bool prescanTeams() {
    RecordSource teams;
    if (!teams.open(TeamBlockName(m_dir, m_nn), m_dir, blockLabel("lg") + ".Dat", kTeamRecLen)) {
      fail(blockLabel("lg"));
      return false;
    }
    const std::int32_t len = teams.fileLen();
    m_teamMap.assign(len > 0 ? len : 1, 0);
    m_teamClass.assign(len > 0 ? len : 1, 0);
    std::int32_t next = 0;
    TeamRec team;
    for (std::int32_t r = 1; r < len; ++r) {
      teams.get(r, team.data());
      if (IsamOK && team.status() == 0) {
        m_teamMap[r] = ++next;
        m_teamClass[r] = team.divisionRecNo();
      }
    }
    teams.close();
    return true;
  }

  // One pass: every record in use of the old block, its DOS texts converted, is handed to
  // `carry`, which adds it to the new block and returns its new number (0 when storing
  // failed); `map` receives old -> new for the passes after it.
  template <class Rec, class Carry>
  bool copyPass(const Pass& p, int recLen, int keyLen, RecMap& map, Carry carry) {
    RecordSource temp;
    FileBlockPtr fresh = nullptr;
    if (!startPass(p, recLen, keyLen, temp, fresh)) return false;
    const std::int32_t len = temp.fileLen();
    map.assign(len > 0 ? len : 1, 0);
    bool ok = true;
    Rec rec;
    for (std::int32_t r = 1; ok && r < len; ++r) {
      temp.get(r, rec.data());
      if (!IsamOK) {
        lose(p, r, "kunde inte läsas");
        IsamOK = true;
        IsamError = IsamDosError = 0;
        continue;
      }
      // A free record names the next free one (-1 ends the chain); anything else is damage.
      const std::int32_t status = rec.status();
      if (status != 0 && status != -1 && (status < 1 || status >= len))
        lose(p, r, "statusfältet är skadat");
      if (status != 0) continue;
      rec.convertDosTexts();
      const std::int32_t n = carry(rec, r, fresh);
      ok = n != 0 && IsamOK;
      map[r] = n;
      ProgressLine(3, FormatInt(r, 4) + " " + ProgressName(rec));
    }
    if (temp.beyondCount() > 0)
      m_lost.push_back(p.label + ".Dat: " + std::to_string(temp.beyondCount()) +
                       W(" poster efter det antal som huvudet anger"));
    return endPass(p, temp, fresh, ok);
  }

  // Classes start with no teams and no matches; the counters are recounted at the end.
  bool classPass() {
    return copyPass<DivisionRec>(pass("klass", 0), kClassRecLen, kClassKeyLen, m_classMap,
                                 [](DivisionRec& cls, std::int32_t, FileBlockPtr fresh) {
                                   cls.setTeamCount(0);
                                   cls.setMatchCount(0);
                                   cls.setOpenMatches(0);
                                   if (cls.className().empty()) cls.setClassName("XXX");
                                   std::int32_t n = 0;
                                   AddRec(fresh, n, cls.data());
                                   if (!IsamOK) return 0;
                                   cls.setClassNumber(ZeroPad(n, 2));
                                   PutRec(fresh, n, cls.data());
                                   if (IsamOK) AddKey(fresh, 1, n, cls.className());
                                   return n;
                                 });
  }

  // Rows name their teams by the new numbers; a complete result counts as a played match
  // of the home team's class.
  bool playTimePass() {
    return copyPass<PlayTimeRec>(
        pass("game", 1), kPlayTimeRecLen, kPlayTimeKeyLen, m_playMap,
        [this](PlayTimeRec& pt, std::int32_t, FileBlockPtr fresh) {
          for (int row = 1; row <= PlayTimeRec::kMaxRows; ++row) {
            MatchEntry e = pt.match(row);
            const std::int32_t home = e.homeTeamRecNo();
            if (home > 0) {
              if (ScorePresent(e.homeScore()) && ScorePresent(e.awayScore()) &&
                  home < static_cast<std::int32_t>(m_teamClass.size()) && m_teamMap[home] != 0)
                ++m_played[mapped(m_classMap, m_teamClass[home])];
              e.setHomeTeamRecNo(mapped(m_teamMap, home));
            }
            if (e.awayTeamRecNo() > 0) e.setAwayTeamRecNo(mapped(m_teamMap, e.awayTeamRecNo()));
            pt.setMatch(row, e);
          }
          std::int32_t n = 0;
          AddRec(fresh, n, pt.data());
          if (IsamOK) AddKey(fresh, 1, n, pt.playTime());
          return n;
        });
  }

  // Teams keep the numbers the prescan gave them (the play times were remapped to those);
  // their class, their own number and every match entry are remapped.
  bool teamPass() {
    m_teamsInClass.clear();
    RecMap teams;
    return copyPass<TeamRec>(
        pass("lg", 2), kTeamRecLen, kTeamKeyLen, teams,
        [this](TeamRec& team, std::int32_t r, FileBlockPtr fresh) {
          std::int32_t n = 0;
          AddRec(fresh, n, team.data());
          if (!IsamOK || n != mapped(m_teamMap, r)) return 0;
          team.setDivisionRecNo(mapped(m_classMap, team.divisionRecNo()));
          team.setTeamRecNo(n);
          team.setNumberAndKey(team.teamNumber());
          for (int m = 1; m <= TeamRec::kMaxMatches; ++m) {
            TeamMatchEntry e = team.match(m);
            if (e.opponentRecNo() == 0 && e.playTimeRecNo() == 0) continue;
            const std::int32_t opp = e.opponentRecNo();
            e.setOpponentRecNo(opp < 0 ? -mapped(m_teamMap, -opp) : mapped(m_teamMap, opp));
            e.setPlayTimeRecNo(mapped(m_playMap, e.playTimeRecNo()));
            team.setMatch(m, e);
          }
          PutRec(fresh, n, team.data());
          if (IsamOK) AddKey(fresh, 1, n, team.teamNumberKey());
          if (team.divisionRecNo() > 0) ++m_teamsInClass[team.divisionRecNo()];
          return n;
        });
  }

  // The class counters from what the new blocks hold: the teams of each class, the matches
  // they give, and the open matches (those without a complete result in the play times),
  // stored in one batch. A failure here undoes every pass like a failed pass does.
  bool recountClasses() {
    FileBlockPtr classes = nullptr;
    OpenRecordBlock(classes, ClassBlockName(m_dir, m_nn), kClassRecLen);
    bool ok = IsamOK;
    if (ok) BeginBatch(classes);
    m_totalTeams = m_totalMatches = m_totalOpen = 0;
    DivisionRec cls;
    for (std::int32_t c = 1; ok && c < FileLen(classes); ++c) {
      GetRec(classes, c, cls.data());
      ok = IsamOK;
      if (!ok || cls.status() != 0) continue;
      const int teams = CountOf(m_teamsInClass, c);
      const int matches = teams > 0 ? ClassMatchCount(teams, cls.rounds()) : 0;
      const int open = std::max(0, matches - CountOf(m_played, c));
      cls.setTeamCount(teams);
      cls.setMatchCount(matches);
      cls.setOpenMatches(open);
      m_totalTeams += teams;
      m_totalMatches += matches;
      m_totalOpen += open;
      PutRec(classes, c, cls.data());
      ok = IsamOK;
    }
    if (ok) CommitBatch(classes);
    ok = ok && IsamOK;
    if (classes != nullptr) {
      IsamStatusGuard failure;
      if (ok) failure.release();
      CloseFileBlock(classes);
    }
    ok = ok && IsamOK;
    if (!ok) fail(blockLabel("lg"));
    return ok;
  }

 public:
  // The message of the failure that stopped the rebuild; empty after success.
  std::string m_failText;
  // Every record of the old blocks that was not carried over, and why (code page 1252).
  std::vector<std::string> m_lost;

 private:
  int m_nn;
  std::string m_dir;
  RecMap m_classMap, m_playMap, m_teamMap;
  std::vector<Pass> m_done;  // passes whose new block is complete, in order
  // Per block label: its files as they were named before the rename, and their temporary
  // names.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> m_moved;
  int m_totalTeams = 0, m_totalMatches = 0, m_totalOpen = 0;
  bool m_logWritten = false;
  bool m_undecided = false;
  std::vector<std::int32_t> m_teamClass;       // old team record -> old class record
  std::map<std::int32_t, int> m_played;        // new class record -> matches with a result
  std::map<std::int32_t, int> m_teamsInClass;  // new class record -> its teams
};

}  // namespace

bool Database::rebuildCompetition() {
  if (!m_catalogueAvailable) {
    ShowMessage(1, MessageText(msg::kNoDatabase));
    return false;
  }
  OpenProgress("indexbygg", 3, false);
  m_rebuildLost.clear();
  // A competition whose files would not open (a missing or damaged index) is rebuilt too:
  // its catalogue record names it.
  int nn = m_competitionOpen ? m_current : 0;
  if (nn == 0 && m_openFailed) {
    const CompetitionRec saved = *m_comp;
    if (readCompetition(m_current)) {
      nn = m_current;
    } else {
      *m_comp = saved;
    }
  }
  closeCompetition();
  m_catalogueAvailable = false;
  bool ok = false;
  std::string failText;
  if (nn == 0) {
    ProgressLine(2, MessageText(msg::kIndexNeedsTuBas));
  } else {
    Rebuild rebuild(*this, nn);
    ok = rebuild.run();
    failText = rebuild.m_failText;
    if (ok) m_rebuildLost = rebuild.m_lost;
    if (ok) ProgressLine(3, MessageText(msg::kDone));
  }
  const bool failed = !ok && nn != 0;
  // Reopening posts its own status; the failure is what the person has to see.
  IsamStatusGuard failure;
  if (failed)
    failure.keepOnlyFailure();
  else
    failure.release();
  readCatalogue();
  if (nn != 0) selectCompetition(nn, false);
  CloseProgress();
  if (!failText.empty()) ShowMessage(1, failText);
  if (!m_rebuildLost.empty()) {
    std::string text = W("indexbygg kunde inte föra över ") + std::to_string(m_rebuildLost.size()) +
                       W(" poster (de kan finnas kvar i en säkerhetskopia):");
    for (const std::string& line : m_rebuildLost) text += "\n" + line;
    ShowMessage(201, text);
  }
  return ok;
}

}  // namespace liga
