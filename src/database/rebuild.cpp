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
//     the rebuild with its rename message and stays on disk; a pass that fails after its
//     renames also keeps the temporary block, which then holds the previous contents.
//  4. Each new file block is written inside one storage batch.
#include <filesystem>
#include <map>
#include <vector>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "database/database.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTempName = "filetmp";
constexpr const char* kBlockExt[] = {"Ix", "Dat", "Dia"};
constexpr const char* kTempExt[] = {"ix", "dat", "dia"};

// Old record number -> new record number; 0 for a record that was not carried over.
using RecMap = std::vector<std::int32_t>;

std::int32_t mapped(const RecMap& map, std::int32_t old) {
  return (old > 0 && old < static_cast<std::int32_t>(map.size())) ? map[old] : 0;
}

class Rebuild {
 public:
  Rebuild(const Database& db, int nn) : m_nn(nn), m_dir(db.dataDir()) {}

  bool run() {
    return preflight() && prescanTeams() && classPass() && playTimePass() && teamPass();
  }

 private:
  std::string blockLabel(const std::string& base) const { return base + ZeroPad(m_nn, 2); }
  std::string tempBlock() const { return (fs::path(m_dir) / kTempName).string(); }

  void fail(const std::string& block) {
    const std::int32_t error = IsamError, osError = IsamDosError;
    const std::string text = W("Kan ej \"Rename\" fil ") + block + " misslyckad \"indexBuild\" ";
    ProgressLine(3, text);
    ShowMessage(1, text);
    m_failText = text;
    if (error != 0) {
      IsamOK = false;
      IsamError = error;
      IsamDosError = osError;
    }
  }

  static std::string W(std::string_view s) { return Utf8ToCp1252(s); }

  // Renames the block's files to the temporary names. Any existing temporary file stops the
  // pass before anything is renamed; a failure part-way renames the moved files back.
  bool renameToTemp(const std::string& label) {
    for (const char* ext : kTempExt) {
      if (!FindFileNoCase(m_dir, std::string(kTempName) + "." + ext).empty()) return false;
    }
    std::vector<std::pair<std::string, std::string>> moved;
    bool complete = true;
    for (int i = 0; i < 3 && complete; ++i) {
      const std::string from = FindFileNoCase(m_dir, label + "." + kBlockExt[i]);
      if (from.empty()) {
        complete = i == 2;  // a block without a journal file is complete
        continue;
      }
      const std::string to =
          (fs::path(m_dir) / (std::string(kTempName) + "." + kTempExt[i])).string();
      if (RenameNoReplace(from, to) != 0) {
        complete = false;
        continue;
      }
      moved.emplace_back(from, to);
    }
    if (!complete) {
      for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        RenameNoReplace(it->second, it->first);
    }
    return complete;
  }

  void deleteTemp() {
    DeleteFileBlock(tempBlock());
    for (const char* ext : kTempExt) {
      const std::string left = FindFileNoCase(m_dir, std::string(kTempName) + "." + ext);
      if (!left.empty()) std::remove(left.c_str());
    }
  }

  // Everything a pass needs before it renames anything: no temporary file from an earlier
  // run, and the data and index file of all three blocks. Checking all blocks first means
  // the common refusals stop the rebuild before any block is renumbered, so the blocks
  // never refer to each other by mixed old and new numbers.
  bool preflight() {
    for (const char* ext : kTempExt) {
      if (!FindFileNoCase(m_dir, std::string(kTempName) + "." + ext).empty()) {
        fail(blockLabel("klass"));
        return false;
      }
    }
    for (const char* base : {"klass", "game", "lg"}) {
      const std::string label = blockLabel(base);
      if (FindFileNoCase(m_dir, label + ".Dat").empty() ||
          FindFileNoCase(m_dir, label + ".Ix").empty()) {
        fail(label);
        return false;
      }
    }
    return true;
  }

  // Puts the block's files back under their own names after a pass failed before copying.
  void renameBack(const std::string& label, const std::string& block) {
    DeleteFileBlock(block);
    for (int i = 0; i < 3; ++i) {
      const std::string from = FindFileNoCase(m_dir, std::string(kTempName) + "." + kTempExt[i]);
      if (from.empty()) continue;
      const std::string left = FindFileNoCase(m_dir, label + "." + kBlockExt[i]);
      if (!left.empty()) std::remove(left.c_str());
      RenameNoReplace(from, (fs::path(m_dir) / (label + "." + kBlockExt[i])).string());
    }
  }

  // Opens the temporary block after the renames and creates + opens the new block. A
  // failure here puts the old files back under their names.
  bool startPass(const std::string& label, const std::string& block, int recLen, int keyLen,
                 FileBlockPtr& temp, FileBlockPtr& fresh) {
    if (!renameToTemp(label)) {
      fail(label);
      return false;
    }
    OpenFileBlock(temp, tempBlock());
    if (IsamOK) {
      CreateFileBlock(block, recLen, 1, {{keyLen, true}});
      if (IsamOK) OpenFileBlock(fresh, block);
    }
    if (!IsamOK) {
      const std::int32_t error = IsamError, osError = IsamDosError;
      if (temp != nullptr) CloseFileBlock(temp);
      renameBack(label, block);
      IsamOK = false;
      IsamError = error;
      IsamDosError = osError;
      fail(label);
      return false;
    }
    ProgressLine(2, W(" indexerar fil: ") + label + ".Dat Recs:" + FormatInt(FileLen(temp), 4));
    BeginBatch(fresh);
    return true;
  }

  // Commits the new block and removes the temporary one; on failure both stay.
  bool endPass(const std::string& label, FileBlockPtr& temp, FileBlockPtr& fresh, bool ok) {
    if (ok) CommitBatch(fresh);
    ok = ok && IsamOK;
    CloseFileBlock(fresh);
    ok = ok && IsamOK;
    CloseFileBlock(temp);
    if (!ok) {
      fail(label);
      return false;
    }
    deleteTemp();
    if (!IsamOK) {
      fail(label);
      return false;
    }
    return true;
  }

  // Reads the team file before it is rebuilt: the new team numbers are the ranks of the
  // records in use, which the play-time pass needs before the team pass runs.
  bool prescanTeams() {
    FileBlockPtr teams = nullptr;
    OpenRecordBlock(teams, TeamBlockName(m_dir, m_nn), kTeamRecLen);
    if (!IsamOK) {
      fail(blockLabel("lg"));
      return false;
    }
    const std::int32_t len = FileLen(teams);
    m_teamMap.assign(len > 0 ? len : 1, 0);
    m_teamClass.assign(len > 0 ? len : 1, 0);
    std::int32_t next = 0;
    TeamRec team;
    for (std::int32_t r = 1; r < len; ++r) {
      GetRec(teams, r, team.data());
      if (IsamOK && team.status() == 0) {
        m_teamMap[r] = ++next;
        m_teamClass[r] = team.divisionRecNo();
      }
    }
    CloseFileBlock(teams);
    return true;
  }

  bool classPass() {
    const std::string block = ClassBlockName(m_dir, m_nn);
    FileBlockPtr temp = nullptr, fresh = nullptr;
    if (!startPass(blockLabel("klass"), block, kClassRecLen, kClassKeyLen, temp, fresh))
      return false;
    const std::int32_t len = FileLen(temp);
    m_classMap.assign(len > 0 ? len : 1, 0);
    bool ok = true;
    DivisionRec cls;
    for (std::int32_t r = 1; ok && r < len; ++r) {
      GetRec(temp, r, cls.data());
      if (!IsamOK) {
        ok = false;
        break;
      }
      if (cls.status() != 0) continue;
      cls.convertDosTexts();
      cls.setTeamCount(0);
      cls.setMatchCount(0);
      cls.setOpenMatches(0);
      if (cls.className().empty()) cls.setClassName("XXX");
      std::int32_t n = 0;
      AddRec(fresh, n, cls.data());
      ok = IsamOK;
      if (!ok) break;
      cls.setClassNumber(ZeroPad(n, 2));
      PutRec(fresh, n, cls.data());
      if (IsamOK) AddKey(fresh, 1, n, cls.className());
      ok = IsamOK;
      m_classMap[r] = n;
      ProgressLine(3, FormatInt(r, 4) + " " + cls.className());
    }
    return endPass(blockLabel("klass"), temp, fresh, ok);
  }

  bool playTimePass() {
    const std::string block = PlayTimeBlockName(m_dir, m_nn);
    FileBlockPtr temp = nullptr, fresh = nullptr;
    if (!startPass(blockLabel("game"), block, kPlayTimeRecLen, kPlayTimeKeyLen, temp, fresh))
      return false;
    const std::int32_t len = FileLen(temp);
    m_playMap.assign(len > 0 ? len : 1, 0);
    bool ok = true;
    PlayTimeRec pt;
    for (std::int32_t r = 1; ok && r < len; ++r) {
      GetRec(temp, r, pt.data());
      if (!IsamOK) {
        ok = false;
        break;
      }
      if (pt.status() != 0) continue;
      pt.convertDosTexts();
      for (int row = 1; row <= PlayTimeRec::kMaxRows; ++row) {
        MatchEntry e = pt.match(row);
        const std::int32_t home = e.homeTeamRecNo();
        if (home > 0) {
          // A complete result closes a match of the home team's class.
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
      ok = IsamOK;
      m_playMap[r] = n;
      ProgressLine(3, FormatInt(r, 4) + " " + FormatInt(pt.playTimeNumber(), 4));
    }
    return endPass(blockLabel("game"), temp, fresh, ok);
  }

  bool teamPass() {
    const std::string block = TeamBlockName(m_dir, m_nn);
    FileBlockPtr temp = nullptr, fresh = nullptr;
    if (!startPass(blockLabel("lg"), block, kTeamRecLen, kTeamKeyLen, temp, fresh)) return false;
    FileBlockPtr classes = nullptr, cat = nullptr;
    OpenRecordBlock(classes, ClassBlockName(m_dir, m_nn), kClassRecLen);
    bool ok = IsamOK;
    if (ok) OpenRecordBlock(cat, CatalogueBlockName(m_dir), kCatalogueRecLen);
    ok = ok && IsamOK;
    CompetitionRec comp;
    if (ok) GetRec(cat, m_nn, comp.data());
    ok = ok && IsamOK;
    if (ok) BeginBatch(classes);
    comp.setTotalTeams(0);
    comp.setTotalMatches(0);
    comp.setTotalOpenMatches(0);

    const std::int32_t len = FileLen(temp);
    TeamRec team;
    DivisionRec cls;
    for (std::int32_t r = 1; ok && r < len; ++r) {
      GetRec(temp, r, team.data());
      if (!IsamOK) {
        ok = false;
        break;
      }
      if (team.status() != 0) continue;
      team.convertDosTexts();
      std::int32_t n = 0;
      AddRec(fresh, n, team.data());
      if (!IsamOK || n != mapped(m_teamMap, r)) {
        ok = false;  // the new numbers must be those the play times were remapped to
        break;
      }
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
      ok = IsamOK;
      ProgressLine(3, FormatInt(r, 4) + " " + team.teamNumberKey());

      const std::int32_t c = team.divisionRecNo();
      if (ok && c > 0 && c < FileLen(classes)) {
        GetRec(classes, c, cls.data());
        if (IsamOK && cls.status() == 0) {
          cls.setTeamCount(cls.teamCount() + 1);
          comp.setTotalTeams(comp.totalTeams() + 1);
          const int matches = ClassMatchCount(cls.teamCount(), cls.rounds());
          comp.setTotalMatches(comp.totalMatches() + matches - cls.matchCount());
          cls.setMatchCount(matches);
          PutRec(classes, c, cls.data());
        }
        ok = IsamOK;
      }
    }
    // Open matches from the results actually stored.
    int totalOpen = 0;
    for (std::int32_t c = 1; ok && c < FileLen(classes); ++c) {
      GetRec(classes, c, cls.data());
      if (!IsamOK) ok = false;
      if (!ok || cls.status() != 0) continue;
      const auto played = m_played.find(c);
      const int open =
          std::max(0, cls.matchCount() - (played == m_played.end() ? 0 : played->second));
      cls.setOpenMatches(open);
      totalOpen += open;
      PutRec(classes, c, cls.data());
      ok = IsamOK;
    }
    comp.setTotalOpenMatches(totalOpen);
    if (ok) CommitBatch(classes);
    ok = ok && IsamOK;
    if (ok) {
      comp.setStatus(0);
      PutRec(cat, m_nn, comp.data());
      ok = IsamOK;
    }
    if (cat != nullptr) CloseFileBlock(cat);
    if (classes != nullptr) CloseFileBlock(classes);
    return endPass(blockLabel("lg"), temp, fresh, ok);
  }

 public:
  // The message of the failure that stopped the rebuild; empty after success.
  std::string m_failText;

 private:
  int m_nn;
  std::string m_dir;
  RecMap m_classMap, m_playMap, m_teamMap;
  std::vector<std::int32_t> m_teamClass;  // old team record -> old class record
  std::map<std::int32_t, int> m_played;   // new class record -> matches with a result
};

}  // namespace

bool Database::rebuildCompetition() {
  if (!m_catalogueAvailable) {
    ShowMessage(1, Utf8ToCp1252("Databas ej vald/ datafiler saknas!"));
    return false;
  }
  OpenProgress("indexbygg", 3, false);
  const int nn = m_competitionOpen ? m_current : 0;
  closeCompetition();
  m_catalogueAvailable = false;
  bool ok = false;
  std::string failText;
  if (nn == 0) {
    ProgressLine(2, "Kan ej bygga ytterligare index om inte \"TuBas\" vald!");
  } else {
    Rebuild rebuild(*this, nn);
    ok = rebuild.run();
    failText = rebuild.m_failText;
    if (ok) ProgressLine(3, " ...klart!!");
  }
  const bool failed = !ok && nn != 0;
  const std::int32_t error = IsamError, osError = IsamDosError;
  readCatalogue();
  if (nn != 0) selectCompetition(nn, false);
  CloseProgress();
  // Reopening posts its own status; the failure is what the person has to see.
  if (!failText.empty()) ShowMessage(1, failText);
  if (failed && error != 0) {
    IsamOK = false;
    IsamError = error;
    IsamDosError = osError;
  }
  return ok;
}

}  // namespace liga
