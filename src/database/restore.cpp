#include "database/restore.h"

#include <strings.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <vector>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "database/tie_order.h"
#include "storage/check.h"
#include "storage/format.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

// The three blocks of a competition, in the order they are restored.
struct BlockKind {
  const char* prefix;
  std::int32_t recordLength;
};
constexpr BlockKind kBlocks[] = {
    {"klass", kClassRecLen}, {"lg", kTeamRecLen}, {"game", kPlayTimeRecLen}};

bool hasDataFile(const std::string& folder, const std::string& name) {
  return !FindFileNoCase(folder, name + ".DAT").empty();
}

// The block name (path without extension) of `name` in `folder`, spelled as on disk.
std::string backupBlock(const std::string& folder, const std::string& name) {
  return storage::blockNameFromPath(FindFileNoCase(folder, name + ".DAT"));
}

RestoreResult refuse(RestoreResult r, std::string text) {
  r.ok = false;
  r.message = std::move(text);
  ShowMessage(401, r.message);
  return r;
}

// Checks every block of the backup; the first problem found, empty when all are sound.
std::string checkBackup(const std::string& folder, int nn) {
  std::vector<std::string> names = {"cupfiles"};
  for (const BlockKind& b : kBlocks) names.push_back(b.prefix + ZeroPad(nn, 2));
  int line = 1;
  for (const std::string& name : names) {
    const storage::CheckResult check = storage::checkBlock(backupBlock(folder, name));
    ProgressLine(line++, "\"" + W(name) + "\"" + (check.ok ? " ..ok" : " ..fel"));
    if (!check.ok) {
      const std::string problem = check.problems.empty() ? check.summary : check.problems.front();
      return W("Säkerhetskopian är skadad, inget återställdes: ") + name + ": " + W(problem);
    }
  }
  return {};
}

// Record 1..FileLen-1 of `from` becomes the same record of the empty block `to`. Free
// records are added with their bytes and freed again afterwards, last of the free chain
// first, so the chain comes out in the same order.
bool copyRecords(FileBlockPtr from, FileBlockPtr to) {
  const std::int32_t len = FileLen(from);
  std::vector<std::uint8_t> rec(static_cast<std::size_t>(RecordLength(from)));
  std::vector<std::int32_t> next(static_cast<std::size_t>(len), 0);  // 0 = in use
  for (std::int32_t r = 1; r < len; ++r) {
    GetRec(from, r, rec.data());
    if (!IsamOK) return false;
    next[r] = rd32(rec.data());
    std::int32_t got = 0;
    AddRec(to, got, rec.data());
    if (!IsamOK) return false;
    if (got != r) {
      IsamOK = false;
      IsamError = isam_error::kGeneral;
      return false;
    }
  }
  // The head of the chain is the free record no other free record points at.
  std::set<std::int32_t> pointedAt, freeRecs;
  for (std::int32_t r = 1; r < len; ++r) {
    if (next[r] == 0) continue;
    freeRecs.insert(r);
    pointedAt.insert(next[r]);
  }
  std::vector<std::int32_t> chain;
  for (std::int32_t r : freeRecs) {
    if (pointedAt.count(r) != 0) continue;
    for (std::int32_t f = r; f > 0 && f < len && next[f] != 0 && freeRecs.erase(f) == 1;
         f = next[f])
      chain.push_back(f);
    break;
  }
  chain.insert(chain.end(), freeRecs.begin(), freeRecs.end());  // never for a checked block
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    DeleteRec(to, *it);
    if (!IsamOK) return false;
  }
  return true;
}

bool copyKeys(FileBlockPtr from, FileBlockPtr to) {
  const std::int32_t count = NumKeys(from, 1);
  ClearKey(from, 1);
  std::int32_t recNo = 0;
  std::string key;
  for (std::int32_t i = 0; i < count; ++i) {
    NextKey(from, 1, recNo, key);
    if (!IsamOK) return false;
    AddKey(to, 1, recNo, key);
    if (!IsamOK) return false;
  }
  return true;
}

// Copies the three blocks of backup NN into the open (new, empty) competition of `db`.
bool copyCompetition(Database& db, const std::string& folder, int nn) {
  const FileBlockPtr targets[] = {db.classFile(), db.teamFile(), db.playTimeFile()};
  int line = 5;
  for (int i = 0; i < 3; ++i) {
    const std::string name = kBlocks[i].prefix + ZeroPad(nn, 2);
    FileBlockPtr from = nullptr;
    OpenRecordBlock(from, backupBlock(folder, name), kBlocks[i].recordLength, true);
    if (!IsamOK) return false;
    const bool ok = copyRecords(from, targets[i]) && copyKeys(from, targets[i]);
    const std::int32_t error = IsamError, osError = IsamDosError;
    CloseFileBlock(from);
    ProgressLine(line++, "\"" + W(name) + "\"" + (ok ? " ..klart" : " ..error"));
    if (!ok) {
      IsamOK = false;
      IsamError = error;
      IsamDosError = osError;
      return false;
    }
  }
  return true;
}

bool readBackupRecord(const std::string& folder, int nn, CompetitionRec& rec) {
  FileBlockPtr cat = nullptr;
  OpenRecordBlock(cat, backupBlock(folder, "cupfiles"), kCatalogueRecLen, true);
  if (!IsamOK) return false;
  const bool inRange = nn < FileLen(cat);
  if (inRange) GetRec(cat, nn, rec.data());
  const bool found = inRange && IsamOK && rec.status() == 0;
  CloseFileBlock(cat);
  return found;
}

// The backup's tie orders become the new competition's, before its records are committed;
// a backup without them leaves the new competition with none (a stale file is removed).
bool restoreTieOrders(const Database& db, const std::string& folder, int backupNumber) {
  return TieOrders::Load(folder, backupNumber).save(db.dataDir(), db.currentCompetition());
}

// The steps after the backup was found and checked: a new competition from the backup's
// record, its blocks filled and stored as one unit with the record.
RestoreResult addRestored(Database& db, const std::string& folder, RestoreResult r) {
  CompetitionRec rec;
  if (!readBackupRecord(folder, r.backupNumber, rec))
    return refuse(r, W("Säkerhetskopian saknar tävlingsposten nr.") + ZeroPad(r.backupNumber, 2));
  const int previous = db.currentCompetition();
  db.closeCompetition();
  db.comp() = rec;
  bool created = db.createCompetition(true);
  if (created && db.currentCompetition() > kMaxCompetitions) {
    db.discardCompetition();
    created = false;
    IsamOK = true;
  }
  bool ok = created;
  bool tieOrdersStored = true;
  if (ok) {
    for (FileBlockPtr b : {db.classFile(), db.teamFile(), db.playTimeFile()}) BeginBatch(b);
    ok = copyCompetition(db, folder, r.backupNumber) &&
         (tieOrdersStored = restoreTieOrders(db, folder, r.backupNumber)) &&
         db.commitWithCompetition({db.classFile(), db.teamFile(), db.playTimeFile()});
  }
  if (ok) {
    db.finishCreation();
    r.ok = true;
    r.number = db.currentCompetition();
    r.message = W("Tävling nr.") + ZeroPad(r.backupNumber, 2) + W(" från ") + W(folder) +
                W(" återställd som nr.") + ZeroPad(r.number, 2) + W(" ..lyckad återställning!!");
    ShowMessage(201, r.message);
    return r;
  }
  const bool storageFailed = !IsamOK;
  const std::int32_t error = IsamError, osError = IsamDosError;
  if (created) {
    for (FileBlockPtr b : {db.classFile(), db.teamFile(), db.playTimeFile()}) AbortBatch(b);
    std::error_code ignored;
    fs::remove(TieOrders::FileName(db.dataDir(), db.currentCompetition()), ignored);
    db.discardCompetition();
  }
  if (previous > 0) db.selectCompetition(previous, false);
  IsamOK = !storageFailed;
  IsamError = error;
  IsamDosError = osError;
  if (!tieOrdersStored)
    return refuse(r, W("Fel vid återställning!! Tabellordningarna kunde inte sparas i ") +
                         W(TieOrders::FileName(db.dataDir(), db.currentCompetition())));
  return refuse(r,
                storageFailed ? W("Fel vid återställning!!") + IsamErrorText() : MessageText(526));
}

}  // namespace

int FindBackupCompetition(const std::string& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec) || !hasDataFile(folder, "cupfiles")) return 0;
  int found = 0;
  for (int nn = 1; nn <= kMaxCompetitions; ++nn) {
    bool all = true;
    for (const BlockKind& b : kBlocks) all = all && hasDataFile(folder, b.prefix + ZeroPad(nn, 2));
    if (!all) continue;
    if (found != 0) return -1;
    found = nn;
  }
  return found;
}

RestoreResult RestoreCompetition(Database& db, const std::string& folder) {
  RestoreResult r;
  if (!db.catalogueAvailable()) return refuse(r, MessageText(330));
  std::error_code ec;
  if (fs::equivalent(folder, db.dataDir(), ec))
    return refuse(r, W("Kan ej återställa från datakatalogen själv: ") + W(folder));
  r.backupNumber = FindBackupCompetition(folder);
  if (r.backupNumber == 0)
    return refuse(r, W("Ingen säkerhetskopia i ") + W(folder) +
                         W(" (cupfiles och en tävlings klass-, lg- och game-filer saknas)"));
  if (r.backupNumber < 0)
    return refuse(r, W("Flera tävlingars filer i ") + W(folder) +
                         W(", kan ej välja vilken som ska återställas"));
  // The catalogue's counts are fresh after this; ten competitions in use refuse at once.
  db.refreshCompetitionMenus();
  if (db.catalogueUsedRecs() >= kMaxCompetitions) return refuse(r, MessageText(526));
  OpenProgress(W("återställ"), 8, false);
  const std::string problem = checkBackup(folder, r.backupNumber);
  if (!problem.empty()) {
    CloseProgress();
    return refuse(r, problem);
  }
  r = addRestored(db, folder, r);
  CloseProgress();
  return r;
}

bool RunRestore(Database& db, RestoreResult* result) {
  if (!db.catalogueAvailable()) return false;
  const auto picked = Ui().pickFolder(W("återställ från..."), db.comp().backupDir());
  if (!picked || picked->empty()) return false;
  std::string folder = *picked;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const RestoreResult r = RestoreCompetition(db, folder);
  if (result != nullptr) *result = r;
  return true;
}

}  // namespace liga
