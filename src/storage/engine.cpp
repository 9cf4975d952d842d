// The engine's state and lifetime, and the operations on file blocks and their records.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/engine_internal.h"

namespace liga::storage {

Engine& engine() {
  static Engine e;
  return e;
}

Status readErr(int dos) {
  return err(isam_error::kReadError, dos);
}
Status writeErr(int dos) {
  return err(isam_error::kWriteError, dos);
}

std::int32_t openErrorNumber(int e) {
  switch (e) {
    case ENOENT:
      return isam_error::kFileNotFound;
    case ENOTDIR:
      return isam_error::kPathNotFound;
    case EMFILE:
    case ENFILE:
      return isam_error::kTooManyFiles;
    case EACCES:
    case EPERM:
    case EROFS:
      return isam_error::kPathNotFound;
    default:
      return isam_error::kGeneral;
  }
}

Status doSync(File* f, bool journal) {
  if (!f) return okStatus();
  if (journal) {
    ++engine().stats.journalSyncs;
  } else {
    ++engine().stats.fileSyncs;
  }
  if (int e = f->sync()) return writeErr(e);
  return okStatus();
}

Status readExact(File* f, std::uint64_t off, void* buf, std::size_t n) {
  std::size_t got = 0;
  if (int e = f->read(off, buf, n, &got)) return readErr(e);
  if (got != n) return readErr(0);
  return okStatus();
}

Status engineInit(int pageBuffers) {
  Engine& e = engine();
  if (e.initialised) return err(isam_error::kInitTwice);
  if (pageBuffers <= 7) return err(isam_error::kTooFewPages);
  e.frames.clear();
  e.lastFrame = -1;
  e.frames.resize(static_cast<std::size_t>(pageBuffers));
  e.configuredFrames = e.frames.size();
  for (Frame& f : e.frames) f.buf.assign(kMaxPageSize, 0);
  e.map.clear();
  e.initialised = true;
  return okStatus();
}

Status engineExit() {
  Engine& e = engine();
  if (!e.initialised) return err(isam_error::kNotInitialised);
  Status result;
  while (!e.blocks.empty()) {
    Status s = closeBlock(e.blocks.back());
    if (!s.ok() && result.ok()) result = s;
  }
  e.frames.clear();
  e.lastFrame = -1;
  e.map.clear();
  e.initialised = false;
  return result;
}

bool engineInitialised() {
  return engine().initialised;
}

bool isOpenBlock(const FileBlock* fb) {
  const auto& b = engine().blocks;
  return fb && std::find(b.begin(), b.end(), fb) != b.end();
}

std::vector<FileBlock*> openBlocks() {
  return engine().blocks;
}

// ---- records ----

namespace {

Status readRecord(FileBlock& fb, std::int32_t recNo, std::uint8_t* buf) {
  auto it = fb.txn.pendingRecs.find(recNo);
  std::size_t len = static_cast<std::size_t>(fb.dh.lenRec);
  if (it != fb.txn.pendingRecs.end()) {
    std::memcpy(buf, it->second.data(), len);
    return okStatus();
  }
  return readExact(fb.data.get(),
                   static_cast<std::uint64_t>(recNo) * static_cast<std::uint64_t>(len), buf, len);
}

Status writeRecord(FileBlock& fb, std::int32_t recNo, std::string bytes) {
  Txn& t = fb.txn;
  std::size_t len = static_cast<std::size_t>(fb.dh.lenRec);
  std::uint64_t off = static_cast<std::uint64_t>(recNo) * len;
  if (recNo <= t.dh0.numRec && !t.pendingRecs.count(recNo) && !t.journaledRecs.count(recNo)) {
    Image im{journal_tag::kRecord, 0, static_cast<std::int64_t>(off), std::string(len, '\0')};
    if (Status s = readExact(fb.data.get(), off, im.bytes.data(), len); !s.ok()) return s;
    t.journaledRecs.insert(recNo);
    t.images.push_back(std::move(im));
  }
  t.opDirty = true;
  auto [it, added] = t.pendingRecs.insert_or_assign(recNo, std::move(bytes));
  if (added) t.pendingBytes += len;
  if (t.pendingBytes > kPendingLimit) return spill(fb);
  return okStatus();
}

}  // namespace

Status addRec(FileBlock& fb, std::int32_t* recNo, const void* rec) {
  txnBegin(fb);
  Status s;
  std::int32_t n = 0;
  std::size_t len = static_cast<std::size_t>(fb.dh.lenRec);
  if (fb.dh.firstFree == -1) {
    if (fb.dh.numRec >= INT32_MAX - 1) {
      s = err(isam_error::kGeneral);
    } else {
      n = fb.dh.numRec + 1;
      fb.txn.opDirty = true;
      fb.dh.numRec = n;
    }
  } else {
    std::int32_t cand = fb.dh.firstFree;
    if (cand < 1 || cand > fb.dh.numRec || fb.dh.numberFree < 1) {
      s = err(isam_error::kCorruptChain);
    } else {
      std::string cur(len, '\0');
      s = readRecord(fb, cand, reinterpret_cast<std::uint8_t*>(cur.data()));
      if (s.ok()) {
        std::int32_t link = rd32(cur.data());
        if (link == 0 || link < -1 || link > fb.dh.numRec) {
          s = err(isam_error::kCorruptChain);
        } else {
          fb.txn.opDirty = true;
          fb.dh.firstFree = link;
          fb.dh.numberFree -= 1;
          n = cand;
        }
      }
    }
  }
  if (s.ok()) {
    std::string bytes(static_cast<const char*>(rec), len);
    wr32(bytes.data(), 0);
    s = writeRecord(fb, n, std::move(bytes));
  }
  s = txnEnd(fb, s, isam_error::kAddRecRestored);
  if (s.ok()) *recNo = n;
  return s;
}

Status getRec(FileBlock& fb, std::int32_t recNo, void* buf) {
  if (recNo < 0 || recNo > fb.dh.numRec) return err(isam_error::kReadError);
  return readRecord(fb, recNo, static_cast<std::uint8_t*>(buf));
}

Status putRec(FileBlock& fb, std::int32_t recNo, const void* rec) {
  if (recNo < 1 || recNo > fb.dh.numRec) return err(isam_error::kPutRecNumber);
  txnBegin(fb);
  std::size_t len = static_cast<std::size_t>(fb.dh.lenRec);
  std::string cur(len, '\0');
  Status s = readRecord(fb, recNo, reinterpret_cast<std::uint8_t*>(cur.data()));
  if (s.ok() && rd32(cur.data()) != 0)
    s = err(isam_error::kPutRecNumber);  // a free record: it is on the chain
  if (s.ok()) {
    std::string bytes(static_cast<const char*>(rec), len);
    wr32(bytes.data(), 0);
    s = writeRecord(fb, recNo, std::move(bytes));
  }
  return txnEnd(fb, s, isam_error::kPutRecRestored);
}

Status deleteRec(FileBlock& fb, std::int32_t recNo) {
  if (recNo < 1 || recNo > fb.dh.numRec) return err(isam_error::kDeleteRecNumber);
  txnBegin(fb);
  std::size_t len = static_cast<std::size_t>(fb.dh.lenRec);
  std::string cur(len, '\0');
  Status s = readRecord(fb, recNo, reinterpret_cast<std::uint8_t*>(cur.data()));
  if (s.ok() && rd32(cur.data()) != 0) s = err(isam_error::kDeleteRecNumber);  // already free
  if (s.ok()) {
    wr32(cur.data(), fb.dh.firstFree);
    s = writeRecord(fb, recNo, std::move(cur));
    if (s.ok()) {
      fb.dh.firstFree = recNo;
      fb.dh.numberFree += 1;
    }
  }
  return txnEnd(fb, s, isam_error::kDeleteRecRestored);
}

// ---- creating, opening and closing ----

namespace {

struct BlockPaths {
  std::string data, index, journal;
};

BlockPaths pathsFor(const std::string& name) {
  std::string d, i;
  splitBlockName(name, &d, &i);
  Env* env = currentEnv();
  return {resolveCaseInsensitive(env, withExtension(d, "DAT")),
          resolveCaseInsensitive(env, withExtension(i, "IX")),
          resolveCaseInsensitive(env, withExtension(d, "DIA"))};
}

Status writeNewFile(const std::string& path, const std::string& bytes) {
  std::unique_ptr<File> f;
  if (int e = currentEnv()->open(path, OpenMode::Create, &f)) return err(openErrorNumber(e), e);
  if (int e = f->write(0, bytes.data(), bytes.size())) return writeErr(e);
  if (int e = f->sync()) return writeErr(e);
  return okStatus();
}

}  // namespace

Status createBlock(const std::string& name, std::int32_t recLen, int numKeys,
                   const std::vector<std::pair<int, bool>>& keys) {
  if (recLen < kDataHeaderSize || recLen > kMaxRecordLength)
    return err(isam_error::kBadRecordLength);
  if (numKeys < 0 || numKeys > kMaxIndexes) return err(isam_error::kTooManyKeys);
  if (static_cast<int>(keys.size()) < numKeys) return err(isam_error::kBadKeyLength);
  for (int k = 0; k < numKeys; ++k) {
    if (keys[k].first < 1 || keys[k].first > kMaxKeyLen) return err(isam_error::kBadKeyLength);
  }
  BlockPaths paths = pathsFor(name);
  for (FileBlock* b : engine().blocks) {
    if (b->dataPath == paths.data) return err(isam_error::kStillOpen);
  }
  std::string data(static_cast<std::size_t>(recLen), '\0');
  DataHeader dh;
  dh.lenRec = recLen;
  dh.numberOfKeys = numKeys;
  dh.encode(reinterpret_cast<std::uint8_t*>(data.data()));
  // The journal goes first so that no old journal can be replayed into the new files.
  if (Status s = writeNewFile(paths.journal, std::string(1, static_cast<char>(kJournalMark)));
      !s.ok())
    return s;
  if (Status s = writeNewFile(paths.data, data); !s.ok()) return s;
  if (numKeys > 0) {
    std::int64_t total = 0;
    for (int k = 0; k < numKeys; ++k) total += 6 + kMaxItems * (keys[k].first + 9);
    std::string index(static_cast<std::size_t>(total), '\0');
    std::int64_t off = 0;
    for (int k = 0; k < numKeys; ++k) {
      IndexHeader h;
      h.pageSize = 6 + kMaxItems * (keys[k].first + 9);
      h.allowDuplicates = keys[k].second ? 1 : 0;
      h.encode(reinterpret_cast<std::uint8_t*>(index.data() + off));
      off += h.pageSize;
    }
    if (Status s = writeNewFile(paths.index, index); !s.ok()) return s;
  }
  Env* env = currentEnv();
  if (int e = env->syncDirOf(paths.data)) return writeErr(e);
  if (numKeys > 0 && paths.index != paths.data) {
    if (int e = env->syncDirOf(paths.index)) return writeErr(e);
  }
  return okStatus();
}

namespace {

// An existing journal at open: a reader only checks that no unfinished change is pending
// (it may read the files unless a writer's open would change them first, rule 10); a
// writer rolls an unfinished change back, marks the journal and cuts it unless it is stale.
Status settleJournalAtOpen(FileBlock& fb) {
  if (fb.readOnly) {
    bool live = false;
    if (Status s = journalIsLive(fb.journal.get(), fb.journalPath, &live); !s.ok()) return s;
    if (live) return err(isam_error::kStillOpen);
  } else {
    if (Status s = replayJournal(fb); !s.ok()) return s;
    std::uint8_t mark = kJournalMark;
    std::uint8_t cur = 0;
    std::size_t got = 0;
    if (int e = fb.journal->read(0, &cur, 1, &got)) return readErr(e);
    if (!fb.journalStale && (got != 1 || cur != mark)) {
      if (int e = fb.journal->write(0, &mark, 1)) return writeErr(e);
    }
    if (!fb.journalStale) {
      if (Status s = cutJournal(fb); !s.ok()) return s;
    }
    removeFinishedSuperJournals(fb.journalPath);
  }
  return okStatus();
}

// The index headers of every key, one after another in the index record; a header whose
// page count reaches beyond the file is refused.
Status readIndexHeaders(FileBlock& fb) {
  if (!fb.index) return err(isam_error::kFileNotFound, ENOENT);
  std::int64_t off = 0;
  for (int k = 1; k <= fb.dh.numberOfKeys; ++k) {
    std::uint8_t ih[kIndexHeaderSize];
    if (Status s = readExact(fb.index.get(), static_cast<std::uint64_t>(off), ih, sizeof ih);
        !s.ok())
      return s;
    IndexState is;
    is.hdr.decode(ih);
    if (int e = checkIndexHeader(is.hdr, &is.keyLen)) return err(e);
    is.maxItems = is.hdr.itemsPerPage();
    is.stride = is.keyLen + 9;
    is.keyOffset = off;
    off += is.hdr.pageSize;
    fb.ix.push_back(std::move(is));
  }
  fb.ixRecLen = off;
  std::uint64_t size = 0;
  if (int e = fb.index->size(&size)) return readErr(e);
  fb.ixRecordsOnDisk = static_cast<std::int64_t>(size) / off;
  for (const auto& is : fb.ix) {
    if (is.hdr.numPages >= fb.ixRecordsOnDisk) return err(isam_error::kBadIndexHeader);
  }
  return okStatus();
}

}  // namespace

Status openBlock(const std::string& name, bool readOnly, FileBlock** out) {
  *out = nullptr;
  BlockPaths paths = pathsFor(name);
  Env* env = currentEnv();
  // Two handles on one block would each keep a journal and overwrite each other's changes.
  for (FileBlock* b : engine().blocks) {
    if (b->dataPath == paths.data) return err(isam_error::kStillOpen);
  }
  auto fb = std::make_unique<FileBlock>();
  fb->dataPath = paths.data;
  fb->indexPath = paths.index;
  fb->journalPath = paths.journal;
  fb->readOnly = readOnly;
  OpenMode rw = readOnly ? OpenMode::ReadOnly : OpenMode::Existing;
  if (int e = env->open(paths.data, rw, &fb->data)) return err(openErrorNumber(e), e);
  const bool journalExisted = env->exists(paths.journal);
  if (int e = env->open(paths.journal, readOnly ? OpenMode::ReadOnly : OpenMode::OpenOrCreate,
                        &fb->journal)) {
    if (!readOnly || e != ENOENT) return err(openErrorNumber(e), e);
  }
  if (env->exists(paths.index)) {
    if (int e = env->open(paths.index, rw, &fb->index)) return err(openErrorNumber(e), e);
  }
  // A journal created just now must survive a power cut as surely as its contents will.
  if (!readOnly && !journalExisted) {
    if (int e = env->syncDirOf(paths.journal)) return writeErr(e);
  }
  if (fb->journal) {
    if (Status s = settleJournalAtOpen(*fb); !s.ok()) return s;
  }
  std::uint8_t h[kDataHeaderSize];
  if (Status s = readExact(fb->data.get(), 0, h, sizeof h); !s.ok()) return s;
  fb->dh.decode(h);
  if (int e = checkDataHeader(fb->dh)) return err(e);
  // Records are written before the header that counts them, so a data file shorter than
  // its records is damaged; appending to it would leave a gap of unknown size.
  std::uint64_t dataSize = 0;
  if (int e = fb->data->size(&dataSize)) return readErr(e);
  if (dataSize <
      static_cast<std::uint64_t>(fb->dh.numRec + 1) * static_cast<std::uint64_t>(fb->dh.lenRec))
    return err(isam_error::kBadDataFile);
  if (fb->dh.numberOfKeys > 0) {
    if (Status s = readIndexHeaders(*fb); !s.ok()) return s;
  } else {
    fb->index.reset();
  }
  if (fb->dh.inUse == 1) return err(isam_error::kStillOpen);
  resetTxn(*fb);
  *out = fb.release();
  engine().blocks.push_back(*out);
  return okStatus();
}

Status closeBlock(FileBlock* fb) {
  Engine& e = engine();
  auto it = std::find(e.blocks.begin(), e.blocks.end(), fb);
  if (it == e.blocks.end()) return err(isam_error::kNotOpen);
  Status result;
  if (!fb->broken && fb->txn.batch) {
    fb->txn.batch = false;
    Status c = commit(*fb);
    if (!c.ok()) {
      (void)rollback(*fb);
      result = err(isam_error::kCloseFailed, c.dos);
    }
  }
  dropFramesOf(fb);
  e.blocks.erase(std::find(e.blocks.begin(), e.blocks.end(), fb));
  fb->mark = 0;
  delete fb;
  return result;
}

Status deleteBlock(const std::string& name) {
  BlockPaths paths = pathsFor(name);
  Env* env = currentEnv();
  for (FileBlock* b : engine().blocks) {
    if (b->dataPath == paths.data) return err(isam_error::kStillOpen);
  }
  if (env->exists(paths.index) && paths.index != paths.data) (void)env->remove(paths.index);
  const bool hadJournal = env->exists(paths.journal);
  if (hadJournal) (void)env->remove(paths.journal);
  if (int e = env->remove(paths.data)) return err(openErrorNumber(e), e);
  // The journal may have been the last one naming an unfinished unit's super-journal, which
  // is then of no use any more (rule 10).
  if (hadJournal) removeFinishedSuperJournals(paths.journal);
  return okStatus();
}

}  // namespace liga::storage
