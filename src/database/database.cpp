#include "database/database.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "common/encoding.h"
#include "common/file_read.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/text.h"
#include "database/rename_log.h"
#include "database/tie_order.h"
#include "storage/env.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

void status(const std::string& text) {
  ShowMessage(1, text);
}

std::string quoted(const std::string& s) {
  return "\"" + s + "\"";
}

std::string dateTextAt(std::time_t t) {
  const std::tm tm = LocalFields(t);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
  return buf;
}

std::string cut30(const std::string& key) {
  return key.substr(0, kMaxKeyLength);
}

void setStorageError(std::int32_t error, int osError) {
  IsamOK = false;
  IsamError = error;
  IsamDosError = osError;
}

}  // namespace

std::string FindFileNoCase(const std::string& dir, const std::string& name) {
  storage::Env* env = storage::currentEnv();
  const std::string path = storage::resolveCaseInsensitive(env, (fs::path(dir) / name).string());
  return env->exists(path) ? path : std::string();
}

std::string RecordSizeLine() {
  // 9 is the size of a team selection request.
  return "1a=" + FormatInt(CompetitionRec::kSize, 3) + " 2=" + FormatInt(DivisionRec::kSize, 3) +
         " 3a=" + FormatInt(TeamRec::kSize, 3) + " 4=" + FormatInt(PlayTimeRec::kSize, 3) +
         " 5=" + FormatInt(6 * Database::kParticipantEntries, 3) +
         " 6=" + FormatInt(2 * Database::kTypeEntries, 3) + " 7=" + FormatInt(9, 3);
}

void OpenRecordBlock(FileBlockPtr& handle, const std::string& name, std::int32_t recordLength,
                     bool readOnly) {
  OpenFileBlock(handle, name, readOnly);
  if (!IsamOK || RecordLength(handle) == recordLength) return;
  CloseFileBlock(handle);
  setStorageError(isam_error::kBadDataFile, 0);
}

bool LastStorageFailed() {
  return !IsamOK;
}

std::string IsamErrorText() {
  const storage::FileFailure& f = storage::lastFileFailure();
  if (!IsamOK && IsamDosError != 0 && f.error == IsamDosError && !f.path.empty()) {
    const std::string file = Utf8ToCp1252(f.path);
    if (f.error == ENOSPC || f.error == EDQUOT) return W("disken är full: ") + file;
    if (IsamError == isam_error::kJournalDamaged)
      return W("journalfilen ") + file +
             W(" är skadad (kontrollsumman stämmer inte): den avbrutna ändringen kan inte rullas "
               "tillbaka och blocket öppnas inte; återställ tävlingen från en säkerhetskopia");
    if (f.error == ELOOP)
      return file + W(" är en symbolisk länk; programmet skriver inte genom länkar i "
                      "datakatalogen");
    return MessageText(IsamError) + " (" + Utf8ToCp1252(SystemErrorText(f.error)) + ": " + file +
           ")";
  }
  return MessageText(IsamError);
}

std::string OpenFailureAdvice(std::int32_t error) {
  switch (error) {
    case isam_error::kBadDataFile:
    case isam_error::kBadRecordLength:
      return W(
          " (datafilen är skadad: återställ tävlingen från en säkerhetskopia; indexbygg "
          "för över de poster som går att läsa och räknar upp dem som inte gick)");
    case isam_error::kBadIndexHeader:
    case isam_error::kItemsPerPage:
    case isam_error::kKeyLengthRange:
    case isam_error::kFileNotFound:
      return " (indexbygg reparerar index)";
    default:
      // A damaged journal's text already says what to do; other failures (a full disk, a
      // lock, access rights) are not the files' fault.
      return {};
  }
}

// ---------------------------------------------------------------------------------------

Database::Database()
    : m_comp(std::make_unique<CompetitionRec>(CompetitionRec::makeNew(0))),
      m_cls(std::make_unique<DivisionRec>(DivisionRec::makeNew(0, 2))),
      m_team(std::make_unique<TeamRec>(TeamRec::makeNew(0, 1))),
      m_playTime(std::make_unique<PlayTimeRec>(PlayTimeRec::makeNew(0, ""))) {
  for (int i = 0; i < kTypeEntries; ++i) m_types[i] = static_cast<std::int16_t>(i);
}

std::string Database::newPlayTimeDate() const {
  return dateTextAt(clock->now());
}

Database::~Database() {
  if (m_competitionOpen) {
    CloseFileBlock(m_classFile);
    CloseFileBlock(m_playTimeFile);
    CloseFileBlock(m_teamFile);
  }
}

void Database::setDataDir(const std::string& dir) {
  m_dataDir = NormaliseFolder(dir);
  if (m_lock.held() && m_lock.dir() != m_dataDir) m_lock.release();
}

bool Database::lockDataDir() {
  std::string holder;
  const DataDirLock::Result r = m_lock.acquire(m_dataDir, m_access, holder);
  m_lockRefused = r == DataDirLock::Result::Busy || r == DataDirLock::Result::NotAFile;
  if (r == DataDirLock::Result::Busy) {
    ShowMessage(401, DataDirLockedMessage(m_dataDir, holder) + m_lockRefusalNote);
    setStorageError(isam_error::kBusy, EWOULDBLOCK);
  } else if (r == DataDirLock::Result::NotAFile) {
    ShowMessage(401, LockFileRefusedMessage(holder));
    setStorageError(isam_error::kPathNotFound, ELOOP);
  }
  return !m_lockRefused;
}

bool Database::initialise(const std::vector<std::string>& args) {
  if (!IsamInitialised()) {
    if (!InitIsam(args, 200)) {
      ShowMessage(201, IsamInitFailureMessage());
      ShowMessage(201, MessageText(IsamError));
    } else {
      m_storageStarted = true;
    }
  }
  *m_comp = CompetitionRec::makeNew(0);
  *m_cls = DivisionRec::makeNew(0, m_comp->defaultRounds());
  *m_team = TeamRec::makeNew(0, 1);
  *m_playTime = PlayTimeRec::makeNew(0, newPlayTimeDate());
  for (int i = 0; i < kTypeEntries; ++i) m_types[i] = static_cast<std::int16_t>(i);
  return IsamInitialised();
}

void Database::shutdownStorage() {
  if (m_storageStarted) ExitIsam();
  m_storageStarted = false;
}

// ---------------------------------------------------------------------------------------
// Catalogue

bool Database::openCatalogue(FileBlockPtr& cat) {
  if (!lockDataDir()) return false;
  if (RenameLogExists(m_dataDir) && !recoverRenames()) return false;
  // This program's own creation in progress is no leftover of a crash.
  if (!m_creationPending && CreationLogExists(m_dataDir) &&
      !exclusively([this] { return RecoverCreationLog(m_dataDir); }))
    return false;
  openBlock(cat, CatalogueBlockName(m_dataDir), kCatalogueRecLen);
  return IsamOK;
}

bool Database::recoverRenames() {
  int completed = 0;
  RenameTotals totals;
  if (!exclusively([&] { return RecoverRenameLog(m_dataDir, &completed, &totals); })) return false;
  // The record held in memory is written back at close: it takes the totals just stored.
  if (completed != 0 && completed == m_current) {
    m_comp->setTotalTeams(totals.teams);
    m_comp->setTotalMatches(totals.matches);
    m_comp->setTotalOpenMatches(totals.open);
  }
  return true;
}

bool Database::exclusively(const std::function<bool()>& work) {
  // Other readers let go within moments; a writer would have done the work itself.
  constexpr int kWaitMs = 10000;
  if (readOnly() && (!m_lock.held() || !m_lock.convert(DataDirAccess::Write, kWaitMs))) {
    if (!m_lock.held()) lockDataDir();
    setStorageError(isam_error::kStillOpen, EWOULDBLOCK);
    return false;
  }
  const bool ok = work();
  IsamStatusGuard failure;
  if (ok) failure.release();
  if (readOnly() && !m_lock.convert(DataDirAccess::Read, kWaitMs)) lockDataDir();
  return ok && IsamOK;
}

void Database::openBlock(FileBlockPtr& handle, const std::string& name, std::int32_t recordLength) {
  if (readOnly() && BlockNeedsRecovery(name) && !recoverForReader(name)) return;
  OpenRecordBlock(handle, name, recordLength, readOnly());
}

bool Database::recoverForReader(const std::string& name) {
  return exclusively([&name] {
    FileBlockPtr block = nullptr;
    OpenFileBlock(block, name, false);
    if (!IsamOK) return false;
    CloseFileBlock(block);
    return IsamOK;
  });
}

void Database::refreshCounts(FileBlockPtr cat) {
  m_catFileLen = FileLen(cat);
  m_catUsedRecs = UsedRecs(cat);
}

bool Database::readCatalogue() {
  FileBlockPtr cat = nullptr;
  m_catalogueAvailable = openCatalogue(cat);
  if (m_catalogueAvailable) {
    refreshCounts(cat);
    CloseFileBlock(cat);
  } else {
    m_catFileLen = 0;
    m_catUsedRecs = 0;
  }
  if (!m_lockRefused) {
    status(MessageText(m_catalogueAvailable ? msg::kFilesOpen : msg::kDataFilesMissing));
  }
  *m_comp = CompetitionRec::makeNew(m_catFileLen);
  return m_catalogueAvailable;
}

bool Database::createCatalogue(bool logged) {
  if (!lockDataDir()) return false;
  if (logged) {
    if (int e = WriteCreationLog(m_dataDir, 0, true)) {
      setStorageError(isam_error::kWriteError, e);
      return false;
    }
    m_creationPending = m_newCatalogueLogged = true;
  }
  CreateFileBlock(CatalogueBlockName(m_dataDir), kCatalogueRecLen, 0, {});
  if (!IsamOK) return false;
  return readCatalogue();
}

bool Database::readCompetition(int n) {
  FileBlockPtr cat = nullptr;
  if (!openCatalogue(cat)) return false;
  bool found = false;
  if (n > 0 && n <= FileLen(cat) - 1) {
    CompetitionRec rec;
    GetRec(cat, n, rec.data());
    if (IsamOK) {
      rec.convertDosTexts();
      *m_comp = rec;
      found = rec.status() == 0;
    }
  }
  refreshCounts(cat);
  CloseFileBlock(cat);
  return found;
}

bool Database::readCompetitionRecord(int n, CompetitionRec& rec) {
  const CompetitionRec saved = *m_comp;
  const bool found = readCompetition(n);
  rec = *m_comp;
  *m_comp = saved;
  return found;
}

bool Database::storeCompetition(bool adding) {
  FileBlockPtr cat = nullptr;
  if (!openCatalogue(cat)) return false;
  std::int32_t recNo = m_current;
  bool ok = true;
  if (adding) {
    m_comp->setStatus(0);
    AddRec(cat, recNo, m_comp->data());
    ok = IsamOK;
    if (ok) m_comp->setCompetitionNumber(ZeroPad(recNo, 2));
  }
  if (ok && recNo > 0) {
    m_comp->setStatus(0);
    PutRec(cat, recNo, m_comp->data());
    ok = IsamOK;
    m_comp->convertDosTexts();
  }
  refreshCounts(cat);
  CloseFileBlock(cat);
  if (ok && recNo > 0) m_current = recNo;
  return ok && recNo > 0;
}

bool Database::commitWithCompetition(const std::vector<FileBlockPtr>& blocks) {
  FileBlockPtr cat = nullptr;
  bool ok = m_current > 0 && openCatalogue(cat);
  if (ok) {
    BeginBatch(cat);
    m_comp->setStatus(0);
    if (IsamOK && m_recordPending) addPendingRecord(cat);
    if (IsamOK) PutRec(cat, m_current, m_comp->data());
    ok = IsamOK;
  }
  if (ok) {
    std::vector<FileBlockPtr> all = blocks;
    all.push_back(cat);
    CommitBatches(all);
    ok = IsamOK;
  }
  if (ok && m_recordPending) {
    m_recordPending = false;
    finishCreation();
  }
  IsamStatusGuard failure;
  if (ok) failure.release();
  if (!ok) {
    for (FileBlockPtr b : blocks) AbortBatch(b);
  }
  if (cat != nullptr) {
    if (!ok) AbortBatch(cat);
    refreshCounts(cat);
    CloseFileBlock(cat);
  }
  return ok;
}

bool Database::selectCompetition(int n, bool allowNew) {
  if (!m_catalogueAvailable) {
    m_current = 0;
    return false;
  }
  if (n == 0 && m_catFileLen > kMaxCompetitions) {
    ShowMessage(401, MessageText(msg::kMaxCompetitionsReached));
    return false;
  }
  closeCompetition();
  m_openFailed = false;
  if (n > 0) {
    m_current = 0;
    if (readCompetition(n)) {
      m_current = n;
      return openCompetitionFiles();
    }
    return false;
  }
  m_current = 0;
  if (allowNew) *m_comp = CompetitionRec::makeNew(m_catFileLen);
  return true;
}

bool Database::createCompetitionFiles() {
  if (!m_catalogueAvailable || m_current == 0) return false;
  CreateFileBlock(ClassBlockName(m_dataDir, m_current), kClassRecLen, 1, {{kClassKeyLen, true}});
  if (IsamOK)
    CreateFileBlock(PlayTimeBlockName(m_dataDir, m_current), kPlayTimeRecLen, 1,
                    {{kPlayTimeKeyLen, true}});
  if (IsamOK)
    CreateFileBlock(TeamBlockName(m_dataDir, m_current), kTeamRecLen, 1, {{kTeamKeyLen, true}});
  if (!IsamOK) return false;
  return openCompetitionFiles();
}

void Database::addPendingRecord(FileBlockPtr cat) {
  std::int32_t recNo = 0;
  AddRec(cat, recNo, m_comp->data());
  // The record number was taken when the files were made; nothing else adds records while
  // the data directory is held for writing.
  if (IsamOK && recNo != m_current) setStorageError(isam_error::kGeneral, 0);
}

bool Database::createUnstoredCompetition() {
  FileBlockPtr cat = nullptr;
  if (!openCatalogue(cat)) return false;
  // The number the record will get: added in a batch that is then undone.
  std::int32_t recNo = 0;
  m_comp->setStatus(0);
  BeginBatch(cat);
  if (IsamOK) AddRec(cat, recNo, m_comp->data());
  bool ok = IsamOK;
  {
    IsamStatusGuard failure;
    if (ok) failure.release();
    AbortBatch(cat);
    refreshCounts(cat);
    CloseFileBlock(cat);
  }
  ok = ok && IsamOK;
  if (ok) {
    if (int e = WriteCreationLog(m_dataDir, recNo)) {
      setStorageError(isam_error::kWriteError, e);
      ok = false;
    } else {
      m_creationPending = true;
    }
  }
  if (ok) {
    m_current = recNo;
    m_recordPending = true;
    m_comp->setCompetitionNumber(ZeroPad(recNo, 2));
    m_comp->convertDosTexts();
    ok = createCompetitionFiles();
  }
  if (ok) return true;
  IsamStatusGuard failure;
  if (m_recordPending) {
    discardCompetition();
  } else if (!m_newCatalogueLogged) {
    finishCreation();
  }
  return false;
}

bool Database::createCompetition(bool withContents) {
  if (!m_catalogueAvailable) return false;
  if (withContents) return createUnstoredCompetition();
  FileBlockPtr cat = nullptr;
  if (!openCatalogue(cat)) return false;
  BeginBatch(cat);
  std::int32_t recNo = 0;
  m_comp->setStatus(0);
  if (IsamOK) AddRec(cat, recNo, m_comp->data());
  if (IsamOK) {
    m_comp->setCompetitionNumber(ZeroPad(recNo, 2));
    PutRec(cat, recNo, m_comp->data());
  }
  const std::string blocks[] = {ClassBlockName(m_dataDir, recNo),
                                PlayTimeBlockName(m_dataDir, recNo),
                                TeamBlockName(m_dataDir, recNo)};
  if (IsamOK) CreateFileBlock(blocks[0], kClassRecLen, 1, {{kClassKeyLen, true}});
  if (IsamOK) CreateFileBlock(blocks[1], kPlayTimeRecLen, 1, {{kPlayTimeKeyLen, true}});
  if (IsamOK) CreateFileBlock(blocks[2], kTeamRecLen, 1, {{kTeamKeyLen, true}});
  if (IsamOK) CommitBatch(cat);
  const bool ok = IsamOK;
  {
    IsamStatusGuard failure;
    if (ok) failure.release();
    if (!ok) {
      AbortBatch(cat);
      if (recNo > 0) {
        for (const auto& b : blocks) DeleteFileBlock(b);
      }
    }
    refreshCounts(cat);
    CloseFileBlock(cat);
  }
  if (!ok) return false;
  m_current = recNo;
  m_comp->convertDosTexts();
  if (openCompetitionFiles()) return true;
  IsamStatusGuard failure;
  discardCompetition();
  return false;
}

void Database::discardCompetition() {
  const int n = m_current;
  if (n <= 0) return;
  if (m_competitionOpen) {
    CloseFileBlock(m_classFile);
    CloseFileBlock(m_playTimeFile);
    CloseFileBlock(m_teamFile);
    m_competitionOpen = false;
  }
  if (m_recordPending) {
    discardUnstored();
    return;
  }
  // The catalogue record goes first: when it cannot be taken back (a full disk), the files
  // stay and the competition stays whole and empty, never listed without its files.
  FileBlockPtr cat = nullptr;
  bool removed = false;
  if (openCatalogue(cat)) {
    DeleteRec(cat, n);
    removed = IsamOK;
    refreshCounts(cat);
    CloseFileBlock(cat);
  }
  if (removed) {
    DeleteFileBlock(ClassBlockName(m_dataDir, n));
    DeleteFileBlock(PlayTimeBlockName(m_dataDir, n));
    DeleteFileBlock(TeamBlockName(m_dataDir, n));
  }
  m_current = 0;
  m_openFailed = false;
  *m_comp = CompetitionRec::makeNew(m_catFileLen);
}

// A competition whose record never reached the catalogue: its files go, and with them the
// creation log unless it still guards a new catalogue (abandonCreation takes that back).
void Database::discardUnstored() {
  const int n = m_current;
  m_recordPending = false;
  DeleteFileBlock(ClassBlockName(m_dataDir, n));
  DeleteFileBlock(PlayTimeBlockName(m_dataDir, n));
  DeleteFileBlock(TeamBlockName(m_dataDir, n));
  if (!m_newCatalogueLogged) finishCreation();
  m_current = 0;
  m_openFailed = false;
  *m_comp = CompetitionRec::makeNew(m_catFileLen);
}

void Database::finishCreation() {
  if (!m_creationPending) return;
  RemoveCreationLog(m_dataDir);
  m_creationPending = m_newCatalogueLogged = false;
}

bool Database::abandonCreation() {
  if (m_recordPending) discardCompetition();
  closeAll();
  if (!m_creationPending) return true;
  m_creationPending = m_newCatalogueLogged = false;
  return RecoverCreationLog(m_dataDir);
}

bool Database::openCompetitionFiles() {
  if (!m_catalogueAvailable || m_current == 0) return false;
  if (m_competitionOpen) return true;
  openBlock(m_classFile, ClassBlockName(m_dataDir, m_current), kClassRecLen);
  if (IsamOK) openBlock(m_playTimeFile, PlayTimeBlockName(m_dataDir, m_current), kPlayTimeRecLen);
  if (IsamOK) openBlock(m_teamFile, TeamBlockName(m_dataDir, m_current), kTeamRecLen);
  m_competitionOpen = IsamOK;
  m_openFailed = !m_competitionOpen;
  m_openFailError = IsamError;
  if (!m_competitionOpen) {
    m_openFailure = IsamErrorText() + OpenFailureAdvice(IsamError);
    // Blocks opened before the failure are closed again so that no handle outlives the
    // attempt; the failure's status is kept for the caller.
    IsamStatusGuard failure;
    if (m_classFile != nullptr) CloseFileBlock(m_classFile);
    if (m_playTimeFile != nullptr) CloseFileBlock(m_playTimeFile);
    if (m_teamFile != nullptr) CloseFileBlock(m_teamFile);
    return false;
  }
  m_teamIndexStale = true;
  m_classRecNo = m_teamRecNo = m_playTimeRecNo = 0;
  resetClassBuffer();
  resetTeamBuffer();
  return true;
}

void Database::closeCompetition() {
  if (!m_competitionOpen) return;
  // A competition whose record was never stored is no competition: its files go.
  if (m_recordPending) return discardCompetition();
  if (!readOnly()) storeCompetition(false);
  CloseFileBlock(m_classFile);
  CloseFileBlock(m_playTimeFile);
  CloseFileBlock(m_teamFile);
  m_competitionOpen = false;
  m_teamIndexStale = true;
}

void Database::closeAll() {
  closeCompetition();
  if (m_catalogueAvailable) status(MessageText(msg::kFilesClosed));
  m_catalogueAvailable = false;
}

void Database::resetClassBuffer() {
  const int len = m_classFile != nullptr ? FileLen(m_classFile) : 0;
  *m_cls = DivisionRec::makeNew(len, m_comp->defaultRounds());
}

void Database::resetTeamBuffer() {
  const int len = m_teamFile != nullptr ? FileLen(m_teamFile) : 0;
  *m_team = TeamRec::makeNew(len, m_cls->firstTeamNumber());
}

void Database::resetPlayTimeBuffer() {
  const int len = m_playTimeFile != nullptr ? FileLen(m_playTimeFile) : 0;
  *m_playTime = PlayTimeRec::makeNew(len, newPlayTimeDate());
}

// ---------------------------------------------------------------------------------------
// Catalogue commands

std::array<CompetitionMenuItem, kMaxCompetitions> Database::refreshCompetitionMenus() {
  std::array<CompetitionMenuItem, kMaxCompetitions> items;
  for (auto& item : items) item.caption = "vakant";
  if (!m_catalogueAvailable) return items;
  FileBlockPtr cat = nullptr;
  if (!openCatalogue(cat)) return items;
  refreshCounts(cat);
  if (m_current > 0 && m_competitionOpen && !readOnly()) {
    m_comp->setStatus(0);
    PutRec(cat, m_current, m_comp->data());
  }
  bool currentDeleted = false;
  for (int k = 0; k < kMaxCompetitions; ++k) {
    const int n = k + 1;
    if (n >= m_catFileLen) continue;
    CompetitionRec rec;
    GetRec(cat, n, rec.data());
    if (!IsamOK) continue;
    if (rec.status() != 0) {
      items[k].caption = "raderad";
      if (n == m_current) currentDeleted = true;
    } else {
      rec.convertDosTexts();
      items[k].caption = rec.competitionName().substr(0, 80);
      items[k].enabled = true;
    }
    items[k].checked = n == m_current;
  }
  if (currentDeleted) m_current = 0;
  CloseFileBlock(cat);
  return items;
}

bool Database::changeDataDirectory() {
  closeAll();
  const auto picked = Ui().pickFolder(W("välj bibliotek"), m_dataDir);
  if (picked && !picked->empty()) {
    std::string dir = NormaliseFolder(*picked);
    if (dir.size() > 1024) dir.resize(1024);
    setDataDir(dir);
  }
  readCatalogue();
  return picked.has_value() && !picked->empty();
}

bool Database::createNewCatalogue() {
  if (m_catalogueAvailable && m_catUsedRecs > 0) {
    if (ShowMessage(101, MessageText(msg::kDestroyExisting)) != Answer::Yes) return false;
  }
  closeAll();
  m_current = 0;
  return createCatalogue();
}

bool Database::copyBlock(const std::string& name, const std::string& folder, int line) {
  for (const char* ext : {".IX", ".DIA", ".DAT"}) {
    const std::string source = FindFileNoCase(m_dataDir, name + ext);
    if (source.empty()) continue;
    const std::string target = (fs::path(folder) / fs::path(source).filename()).string();
    std::error_code ec;
    // copy_options::none refuses an existing target: a backup never overwrites.
    const bool ok = fs::copy_file(source, target, fs::copy_options::none, ec) && !ec;
    ProgressLine(line,
                 quoted(W(source)) + " --> " + quoted(W(target)) + (ok ? " ..klart" : " ..error"));
    if (!ok) {
      storage::noteFileFailure(target, ec.value());
      setStorageError(isam_error::kWriteError, ec.value());
      return false;
    }
  }
  return true;
}

bool Database::copyTieOrders(const std::string& folder, int nn) {
  const std::string source = TieOrders::FileName(m_dataDir, nn);
  if (!fs::exists(source)) return true;  // every class has the default order
  const std::string target = (fs::path(folder) / fs::path(source).filename()).string();
  std::error_code ec;
  if (fs::copy_file(source, target, fs::copy_options::none, ec) && !ec) return true;
  setStorageError(isam_error::kWriteError, ec.value());
  return false;
}

bool Database::backupCompetition() {
  if (!m_catalogueAvailable || m_current == 0) return false;
  const auto picked = Ui().pickFolder("kopiera till...", m_comp->backupDir());
  if (!picked || picked->empty()) return false;
  const std::string folder = NormaliseFolder(*picked);
  const int nn = m_current;
  m_comp->setBackupDir(folder);
  OpenProgress(W("säkerhetskopiera"), 6, false);
  closeAll();
  m_current = nn;

  const std::string num = ZeroPad(nn, 2);
  bool ok = copyBlock("cupfiles", folder, 1) && copyBlock("klass" + num, folder, 2) &&
            copyBlock("lg" + num, folder, 3) && copyBlock("game" + num, folder, 4) &&
            copyTieOrders(folder, nn);
  std::string text;
  if (ok) {
    text = MessageText(msg::kTuDataBas) + " nr." + num + MessageText(msg::kCopiedTo) + W(folder) +
           MessageText(msg::kCopySucceeded);
  } else {
    text = MessageText(msg::kCopyFailed) + IsamErrorText();
  }
  ShowMessage(201, text);
  CloseProgress();
  IsamStatusGuard failure;
  if (ok) failure.release();
  readCatalogue();
  selectCompetition(nn, false);
  return ok;
}

bool Database::deleteCompetition(int k) {
  const int previous = m_current;
  closeCompetition();
  if (!m_catalogueAvailable || m_competitionOpen || k <= 0 || k >= m_catFileLen) return false;
  const CompetitionRec saved = *m_comp;
  if (!readCompetition(k)) {
    *m_comp = saved;
    return false;
  }
  if (ShowMessage(101, "LGDataBas: " + m_comp->competitionName() + " raderas ") != Answer::Yes) {
    *m_comp = saved;
    return false;
  }
  const std::string num = ZeroPad(k, 2);
  std::string result;
  const std::pair<std::string, std::string> blocks[] = {
      {"klass" + num, ClassBlockName(m_dataDir, k)},
      {"lg" + num, TeamBlockName(m_dataDir, k)},
      {"game" + num, PlayTimeBlockName(m_dataDir, k)},
  };
  std::error_code ignored;
  fs::remove(TieOrders::FileName(m_dataDir, k), ignored);
  for (const auto& [label, path] : blocks) {
    DeleteFileBlock(path);
    if (IsamOK) {
      result += quoted(label) + " ";
    } else {
      status("Filerna " + quoted(label) + " kunde inta raderas!");
    }
  }
  status(result);
  FileBlockPtr cat = nullptr;
  bool ok = false;
  if (openCatalogue(cat)) {
    DeleteRec(cat, k);
    ok = IsamOK;
    refreshCounts(cat);
    CloseFileBlock(cat);
  }
  m_current = 0;
  if (previous != 0 && previous != k) {
    selectCompetition(previous, false);
  } else {
    *m_comp = CompetitionRec::makeNew(m_catFileLen);
  }
  return ok;
}

// ---------------------------------------------------------------------------------------
// Record maintenance

template <typename Rec>
BrowseResult Database::browse(FileBlockPtr file, Rec& buffer, std::int32_t& current,
                              BrowseMode mode, std::string& key, std::int32_t& recNo) {
  BrowseResult r;
  key = cut30(key);
  bool stepOk = true;
  switch (mode) {
    case BrowseMode::Find:
      FindKey(file, 1, recNo, key);
      stepOk = IsamOK;
      break;
    case BrowseMode::Next:
      NextKey(file, 1, recNo, key);
      stepOk = IsamOK;
      r.atEnd = !IsamOK;
      break;
    case BrowseMode::Search:
      SearchKey(file, 1, recNo, key);
      stepOk = IsamOK;
      break;
    case BrowseMode::Clear:
      ClearKey(file, 1);
      stepOk = IsamOK;
      recNo = 0;
      break;
    case BrowseMode::ByNumber:
      break;
  }
  if (recNo > FileLen(file) - 1) r.atEnd = true;
  if (!r.atEnd && stepOk && recNo != 0) {
    Rec rec;
    GetRec(file, recNo, rec.data());
    if (IsamOK) {
      rec.convertDosTexts();
      buffer = rec;
      r.found = rec.status() == 0;
      if (r.found) current = recNo;
    }
  }
  return r;
}

BrowseResult Database::browseClass(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return browse(m_classFile, *m_cls, m_classRecNo, mode, key, recNo);
}
BrowseResult Database::browseTeam(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return browse(m_teamFile, *m_team, m_teamRecNo, mode, key, recNo);
}
BrowseResult Database::browsePlayTime(BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return browse(m_playTimeFile, *m_playTime, m_playTimeRecNo, mode, key, recNo);
}

namespace {
std::vector<std::int32_t> keyOrder(FileBlockPtr file) {
  std::vector<std::int32_t> out;
  if (file == nullptr) return out;
  ClearKey(file, 1);
  std::string key;
  std::int32_t recNo = 0;
  for (;;) {
    NextKey(file, 1, recNo, key);
    if (!IsamOK) break;
    out.push_back(recNo);
  }
  return out;
}
}  // namespace

std::vector<std::int32_t> Database::classesInKeyOrder() {
  return keyOrder(m_classFile);
}
std::vector<std::int32_t> Database::playTimesInKeyOrder() {
  return keyOrder(m_playTimeFile);
}

namespace {
template <typename Rec>
bool readInto(FileBlockPtr file, std::int32_t recNo, Rec& buffer, bool convert = true) {
  if (file == nullptr || recNo <= 0 || recNo >= FileLen(file)) return false;
  Rec rec;
  GetRec(file, recNo, rec.data());
  if (!IsamOK) return false;
  if (convert) rec.convertDosTexts();
  buffer = rec;
  return rec.status() == 0;
}

template <typename Rec>
bool writeFrom(FileBlockPtr file, std::int32_t recNo, const Rec& rec) {
  if (file == nullptr || recNo <= 0) return false;
  Rec stored = rec;
  stored.setStatus(0);
  PutRec(file, recNo, stored.data());
  return IsamOK;
}
}  // namespace

bool Database::readClassRecord(std::int32_t recNo, DivisionRec& out, bool convert) const {
  return readInto(m_classFile, recNo, out, convert);
}
bool Database::readTeamRecord(std::int32_t recNo, TeamRec& out, bool convert) const {
  return readInto(m_teamFile, recNo, out, convert);
}
bool Database::readPlayTimeRecord(std::int32_t recNo, PlayTimeRec& out, bool convert) const {
  return readInto(m_playTimeFile, recNo, out, convert);
}
bool Database::writeClassRecord(std::int32_t recNo, const DivisionRec& rec) {
  return writeFrom(m_classFile, recNo, rec);
}
bool Database::writeTeamRecord(std::int32_t recNo, const TeamRec& rec, bool keepsOrder) {
  if (!keepsOrder) m_teamIndexStale = true;
  return writeFrom(m_teamFile, recNo, rec);
}
bool Database::writePlayTimeRecord(std::int32_t recNo, const PlayTimeRec& rec) {
  return writeFrom(m_playTimeFile, recNo, rec);
}
namespace {
std::int32_t findKey(FileBlockPtr file, const std::string& key) {
  if (file == nullptr) return 0;
  std::int32_t recNo = 0;
  FindKey(file, 1, recNo, cut30(key));
  return IsamOK ? recNo : 0;
}
}  // namespace

std::int32_t Database::findClassKey(const std::string& key) const {
  return findKey(m_classFile, key);
}
std::int32_t Database::findTeamKey(const std::string& key) const {
  return findKey(m_teamFile, key);
}
std::int32_t Database::findPlayTimeKey(const std::string& key) const {
  return findKey(m_playTimeFile, key);
}
std::int32_t Database::classFileLength() const {
  return m_classFile == nullptr ? 0 : FileLen(m_classFile);
}
std::int32_t Database::teamFileLength() const {
  return m_teamFile == nullptr ? 0 : FileLen(m_teamFile);
}
std::int32_t Database::playTimeFileLength() const {
  return m_playTimeFile == nullptr ? 0 : FileLen(m_playTimeFile);
}
std::int32_t Database::classesInUse() const {
  return m_classFile == nullptr ? 0 : UsedRecs(m_classFile);
}
std::int32_t Database::teamsInUse() const {
  return m_teamFile == nullptr ? 0 : UsedRecs(m_teamFile);
}
std::int32_t Database::playTimesInUse() const {
  return m_playTimeFile == nullptr ? 0 : UsedRecs(m_playTimeFile);
}

bool Database::readClass(std::int32_t recNo) {
  const bool ok = readInto(m_classFile, recNo, *m_cls);
  if (ok) m_classRecNo = recNo;
  return ok;
}
bool Database::readTeam(std::int32_t recNo) {
  const bool ok = readInto(m_teamFile, recNo, *m_team);
  if (ok) m_teamRecNo = recNo;
  return ok;
}
bool Database::readPlayTime(std::int32_t recNo) {
  const bool ok = readInto(m_playTimeFile, recNo, *m_playTime);
  if (ok) m_playTimeRecNo = recNo;
  return ok;
}

bool Database::storeClass(bool isNew) {
  if (!m_competitionOpen) return false;
  std::int32_t recNo = m_classRecNo;
  if (isNew) {
    m_cls->setStatus(0);
    AddRec(m_classFile, recNo, m_cls->data());
    if (!IsamOK) return false;
    m_cls->setClassNumber(ZeroPad(recNo, 2));
  }
  if (m_cls->className().empty()) m_cls->setClassName("XXX");
  PutRec(m_classFile, recNo, m_cls->data());
  if (!IsamOK) return false;
  AddKey(m_classFile, 1, recNo, m_cls->className());
  const bool ok = IsamOK;
  m_cls->convertDosTexts();
  m_classRecNo = recNo;
  return ok;
}

bool Database::storeTeam(bool isNew) {
  if (!m_competitionOpen) return false;
  std::int32_t recNo = m_teamRecNo;
  m_teamIndexStale = true;
  if (isNew) {
    m_team->setStatus(0);
    AddRec(m_teamFile, recNo, m_team->data());
    if (!IsamOK) return false;
    m_team->setTeamRecNo(recNo);
  }
  PutRec(m_teamFile, recNo, m_team->data());
  if (!IsamOK) return false;
  AddKey(m_teamFile, 1, recNo, m_team->teamNumberKey());
  if (!IsamOK) return false;
  m_teamRecNo = recNo;
  std::string warning;
  if (readClass(m_team->divisionRecNo())) {
    warning = JoinClass(*m_cls, *m_comp, *m_team, isNew);
    rewriteClass(m_classRecNo);
  }
  m_team->convertDosTexts();
  if (!warning.empty()) ShowMessage(201, warning);
  return IsamOK;
}

bool Database::storePlayTime(bool isNew) {
  if (!m_competitionOpen) return false;
  std::int32_t recNo = m_playTimeRecNo;
  if (isNew) {
    m_playTime->setStatus(0);
    AddRec(m_playTimeFile, recNo, m_playTime->data());
    if (!IsamOK) return false;
  }
  PutRec(m_playTimeFile, recNo, m_playTime->data());
  if (!IsamOK) return false;
  AddKey(m_playTimeFile, 1, recNo, m_playTime->playTime());
  const bool ok = IsamOK;
  m_playTime->convertDosTexts();
  m_playTimeRecNo = recNo;
  return ok;
}

bool Database::rewriteClass(std::int32_t recNo) {
  if (m_classFile == nullptr || recNo <= 0) return false;
  m_cls->setStatus(0);
  PutRec(m_classFile, recNo, m_cls->data());
  return IsamOK;
}
bool Database::rewriteTeam(std::int32_t recNo) {
  if (m_teamFile == nullptr || recNo <= 0) return false;
  m_teamIndexStale = true;
  m_team->setStatus(0);
  PutRec(m_teamFile, recNo, m_team->data());
  return IsamOK;
}
bool Database::rewritePlayTime(std::int32_t recNo) {
  if (m_playTimeFile == nullptr || recNo <= 0) return false;
  m_playTime->setStatus(0);
  PutRec(m_playTimeFile, recNo, m_playTime->data());
  return IsamOK;
}

namespace {
// The record a remove operation works on: `recNo`, or when that is 0 the first record whose
// key is `key`. Reads it unconverted (its key is the stored text) into `rec`; false when
// there is no such record or it cannot be read.
template <typename Rec>
bool locateForRemove(FileBlockPtr file, const std::string& key, std::int32_t& recNo, Rec& rec) {
  if (recNo == 0) {
    FindKey(file, 1, recNo, cut30(key));
    if (!IsamOK) recNo = 0;
  }
  if (recNo < 1 || recNo > FileLen(file) - 1) return false;
  GetRec(file, recNo, rec.data());
  return IsamOK;
}
}  // namespace

bool Database::removeClass(const std::string& name, std::int32_t recNo, bool deleteRecord) {
  DivisionRec rec;
  if (!m_competitionOpen || !locateForRemove(m_classFile, name, recNo, rec)) return false;
  *m_cls = rec;
  if (rec.teamCount() != 0 && deleteRecord) {
    m_cls->convertDosTexts();
    status("Klassen " + quoted(m_cls->className()) + W(" är inte utan deltagare!"));
    return false;
  }
  // The key is the name as stored, before any code-page conversion.
  DeleteKey(m_classFile, 1, recNo, rec.className());
  bool ok = IsamOK;
  m_cls->convertDosTexts();
  m_classRecNo = recNo;
  if (deleteRecord) {
    DeleteRec(m_classFile, recNo);
    ok = ok && IsamOK;
    m_classRecNo = 0;
    status("KlassRecord " + quoted(m_cls->className()) + ", raderad...");
  }
  return ok;
}

bool Database::removeTeam(const std::string& key, std::int32_t recNo, bool deleteRecord) {
  TeamRec rec;
  if (!m_competitionOpen || !locateForRemove(m_teamFile, key, recNo, rec)) return false;
  m_teamIndexStale = true;
  *m_team = rec;
  DeleteKey(m_teamFile, 1, recNo, rec.teamNumberKey());
  bool ok = IsamOK;
  m_team->convertDosTexts();
  m_teamRecNo = recNo;
  if (deleteRecord) {
    DeleteRec(m_teamFile, recNo);
    ok = ok && IsamOK;
    m_teamRecNo = 0;
    status("StNummer " + quoted(m_team->teamNumberKey()) + ", raderad...");
  }
  if (readClass(m_team->divisionRecNo())) {
    LeaveClass(*m_cls, *m_comp, *m_team);
    ok = rewriteClass(m_classRecNo) && ok;
  }
  return ok;
}

bool Database::removePlayTime(const std::string& key, std::int32_t recNo, bool deleteRecord) {
  PlayTimeRec rec;
  if (!m_competitionOpen || !locateForRemove(m_playTimeFile, key, recNo, rec)) return false;
  *m_playTime = rec;
  if (rec.usedRows() != 0 && deleteRecord) {
    m_playTime->convertDosTexts();
    status("Speldagen " + quoted(m_playTime->playTime()) + W(" är inte utan spelmöten!"));
    return false;
  }
  DeleteKey(m_playTimeFile, 1, recNo, rec.playTime());
  bool ok = IsamOK;
  m_playTime->convertDosTexts();
  m_playTimeRecNo = recNo;
  if (deleteRecord) {
    DeleteRec(m_playTimeFile, recNo);
    ok = ok && IsamOK;
    m_playTimeRecNo = 0;
    status("Speltiden" + quoted(m_playTime->playTime()) + ", raderad...");
  }
  return ok;
}

void Database::computeTeamStatistics() {
  ComputeTeamStatistics(*m_team, *m_cls);
}

bool Database::removeAllTeams() {
  if (!m_competitionOpen || UsedRecs(m_teamFile) == 0) return false;
  if (ShowMessage(101, "Alla LagData kommer att raderas Ok!") != Answer::Yes) return false;
  OpenProgress("Skapar nya personfiler", kProgressRows, false);
  m_teamIndexStale = true;
  CloseFileBlock(m_teamFile);
  const std::string teamName = TeamBlockName(m_dataDir, m_current);
  CreateFileBlock(teamName, kTeamRecLen, 1, {{kTeamKeyLen, true}});
  bool ok = IsamOK;
  OpenRecordBlock(m_teamFile, teamName, kTeamRecLen);
  ok = ok && IsamOK;
  if (!ok) {
    // Without a team file the competition cannot stay open.
    IsamStatusGuard failure;
    closeCompetition();
    CloseProgress();
    return false;
  }
  m_comp->setTotalTeams(0);
  m_comp->setTotalOpenMatches(0);
  m_comp->setTotalMatches(0);
  m_comp->setScheduled(false);
  storeCompetition(false);

  // All class rewrites form one batch: one commit instead of one per class.
  BeginBatch(m_classFile);
  std::string key;
  std::int32_t recNo = 0;
  ClearKey(m_classFile, 1);
  int line = 2;
  for (;;) {
    NextKey(m_classFile, 1, recNo, key);
    if (!IsamOK) break;
    if (!readClass(recNo)) continue;
    m_cls->setTeamCount(0);
    m_cls->setOpenMatches(0);
    m_cls->setMatchCount(0);
    m_cls->setLeaderPoints(kNoResult);
    m_cls->setLeaderTeamRecNo(0);
    ok = rewriteClass(recNo) && ok;
    ProgressLine(line++, W("Nollställer Klass^:") + m_cls->className());
  }
  CommitBatch(m_classFile);
  ok = ok && IsamOK;
  for (int i = 0; i < 12; ++i) m_participants[i] = 0;
  m_types[0] = 0;
  m_teamRecNo = 0;
  resetClassBuffer();
  resetTeamBuffer();
  CloseProgress();
  return ok;
}

}  // namespace liga
