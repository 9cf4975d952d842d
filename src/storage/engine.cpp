// File blocks, the shared page pool, the journal and the record operations.
#include "storage/engine.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <random>
#include <tuple>
#include <unordered_map>

namespace liga::storage {

Status appendJournal(FileBlock& fb);

namespace {

// ---- engine state ----

struct Frame {
  FileBlock* fb = nullptr;
  int k = 0;
  std::int32_t page = 0;
  bool dirty = false;
  bool verified = false;
  int writeLen = 0;
  std::uint64_t stamp = 0;
  std::vector<std::uint8_t> buf;
};

struct FrameKey {
  FileBlock* fb;
  int k;
  std::int32_t page;
  bool operator==(const FrameKey&) const = default;
};
struct FrameKeyHash {
  std::size_t operator()(const FrameKey& key) const {
    auto h = std::hash<const void*>()(key.fb);
    return h ^ (static_cast<std::size_t>(key.k) * 0x9E3779B97F4A7C15ull) ^
           (static_cast<std::size_t>(key.page) << 7);
  }
};

struct Engine {
  bool initialised = false;
  std::vector<Frame> frames;
  std::unordered_map<FrameKey, int, FrameKeyHash> map;
  std::uint64_t clock = 0;
  int lastFrame = -1;
  std::vector<FileBlock*> blocks;
  EngineStats stats;
  std::mt19937_64 nonceRng{std::random_device{}()};
};

Engine& engine() {
  static Engine e;
  return e;
}

// Batches keep changed records in memory up to this many bytes before writing them early.
constexpr std::size_t kPendingLimit = 8u << 20;

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

// ---- page pool ----

std::int64_t pageOffset(const FileBlock& fb, int k, std::int32_t page) {
  return static_cast<std::int64_t>(page) * fb.ixRecLen + fb.ix[k - 1].keyOffset;
}

void dropFrame(int i) {
  Engine& e = engine();
  Frame& f = e.frames[i];
  if (f.fb) e.map.erase(FrameKey{f.fb, f.k, f.page});
  f.fb = nullptr;
  f.dirty = false;
}

void dropFramesOf(FileBlock* fb) {
  Engine& e = engine();
  for (int i = 0; i < static_cast<int>(e.frames.size()); ++i) {
    if (e.frames[i].fb == fb) dropFrame(i);
  }
}

Status ensureIndexRecords(FileBlock& fb, std::int32_t page) {
  if (page < fb.ixRecordsOnDisk) return okStatus();
  std::int64_t count = page + 1 - fb.ixRecordsOnDisk;
  std::string zeros(static_cast<std::size_t>(count * fb.ixRecLen), '\0');
  if (int e = fb.index->write(static_cast<std::uint64_t>(fb.ixRecordsOnDisk * fb.ixRecLen),
                              zeros.data(), zeros.size()))
    return writeErr(e);
  fb.ixRecordsOnDisk = page + 1;
  return okStatus();
}

// Writes the changed pages and records of `fb` in place (rule 6: after appendJournal).
Status writeInPlace(FileBlock& fb) {
  Engine& e = engine();
  std::vector<int> dirty;
  for (int i = 0; i < static_cast<int>(e.frames.size()); ++i) {
    if (e.frames[i].fb == &fb && e.frames[i].dirty) dirty.push_back(i);
  }
  std::sort(dirty.begin(), dirty.end(), [&](int a, int b) {
    return std::tie(e.frames[a].page, e.frames[a].k) < std::tie(e.frames[b].page, e.frames[b].k);
  });
  if (!dirty.empty() || !fb.txn.pendingRecs.empty()) fb.txn.touchedDisk = true;
  for (int i : dirty) {
    Frame& f = e.frames[i];
    if (Status s = ensureIndexRecords(fb, f.page); !s.ok()) return s;
    if (int er = fb.index->write(static_cast<std::uint64_t>(pageOffset(fb, f.k, f.page)),
                                 f.buf.data(), static_cast<std::size_t>(f.writeLen)))
      return writeErr(er);
    f.dirty = false;
    fb.txn.wroteIndex = true;
  }
  for (auto it = fb.txn.pendingRecs.begin(); it != fb.txn.pendingRecs.end();) {
    if (int er = fb.data->write(
            static_cast<std::uint64_t>(it->first) * static_cast<std::uint64_t>(fb.dh.lenRec),
            it->second.data(), it->second.size()))
      return writeErr(er);
    fb.txn.wroteData = true;
    it = fb.txn.pendingRecs.erase(it);
  }
  fb.txn.pendingBytes = 0;
  return okStatus();
}

// Writes early what a batch (or a tiny pool) cannot keep in memory, journal first.
Status spill(FileBlock& fb) {
  ++engine().stats.spills;
  if (Status s = appendJournal(fb); !s.ok()) return s;
  return writeInPlace(fb);
}

Status acquireFrame(FileBlock& fb, int k, std::int32_t page, Frame** out) {
  Engine& e = engine();
  // Sequential scans ask for the same page again and again.
  if (e.lastFrame >= 0) {
    Frame& f = e.frames[static_cast<std::size_t>(e.lastFrame)];
    if (f.fb == &fb && f.page == page && f.k == k) {
      ++e.stats.poolHits;
      f.stamp = ++e.clock;
      *out = &f;
      return okStatus();
    }
  }
  FrameKey key{&fb, k, page};
  auto it = e.map.find(key);
  if (it != e.map.end()) {
    ++e.stats.poolHits;
    Frame& f = e.frames[it->second];
    f.stamp = ++e.clock;
    e.lastFrame = it->second;
    *out = &f;
    return okStatus();
  }
  ++e.stats.poolMisses;
  for (;;) {
    int victim = -1;
    for (int i = 0; i < static_cast<int>(e.frames.size()); ++i) {
      const Frame& f = e.frames[i];
      if (!f.fb) {
        victim = i;
        break;
      }
      if (!f.dirty && (victim < 0 || f.stamp < e.frames[victim].stamp)) victim = i;
    }
    if (victim < 0) {
      int lru = 0;
      for (int i = 1; i < static_cast<int>(e.frames.size()); ++i) {
        if (e.frames[i].stamp < e.frames[lru].stamp) lru = i;
      }
      FileBlock* owner = e.frames[lru].fb;
      if (owner != &fb) ++e.stats.foreignSpills;
      Status s = spill(*owner);
      if (!s.ok()) {
        if (owner == &fb) return s;
        // Another block could not write its batch early: it keeps its journal, and
        // reopening it restores the state before its batch.
        owner->broken = true;
        dropFramesOf(owner);
      }
      continue;
    }
    dropFrame(victim);
    Frame& f = e.frames[victim];
    const IndexState& is = fb.ix[k - 1];
    std::size_t size = static_cast<std::size_t>(is.hdr.pageSize);
    if (page < fb.ixRecordsOnDisk) {
      if (Status s = readExact(fb.index.get(), static_cast<std::uint64_t>(pageOffset(fb, k, page)),
                               f.buf.data(), size);
          !s.ok())
        return s;
    } else {
      std::fill(f.buf.begin(), f.buf.begin() + static_cast<std::ptrdiff_t>(size), 0);
    }
    f.fb = &fb;
    f.k = k;
    f.page = page;
    f.dirty = false;
    f.verified = false;
    f.writeLen = 0;
    f.stamp = ++e.clock;
    e.map[key] = victim;
    e.lastFrame = victim;
    *out = &f;
    return okStatus();
  }
}

// ---- journal ----

void putImage(std::string& out, const Image& im) {
  std::uint8_t h[15];
  wr16(h, static_cast<std::int16_t>(im.tag));
  h[2] = im.file;
  wr64(h + 3, static_cast<std::uint64_t>(im.offset));
  wr32(h + 11, static_cast<std::int32_t>(im.bytes.size()));
  out.append(reinterpret_cast<const char*>(h), sizeof h);
  out += im.bytes;
}

Status cutJournal(FileBlock& fb) {
  if (int e = fb.journal->truncate(1)) return writeErr(e);
  return okStatus();
}

void resetTxn(FileBlock& fb) {
  Txn& t = fb.txn;
  t = Txn{};
  t.dh0 = fb.dh;
  t.ih0.clear();
  for (const auto& is : fb.ix) t.ih0.push_back(is.hdr);
}

void invalidatePositions(FileBlock& fb) {
  for (auto& is : fb.ix) {
    is.posValid = false;
    is.path.clear();
  }
}

// Restores every image that may have reached the files, then forgets the transaction.
Status rollback(FileBlock& fb) {
  Txn& t = fb.txn;
  bool failed = false;
  if (t.touchedDisk) {
    for (std::size_t i = 0; i < t.imagesInJournal; ++i) {
      const Image& im = t.images[i];
      File* f = im.file == 0 ? fb.data.get() : fb.index.get();
      if (f->write(static_cast<std::uint64_t>(im.offset), im.bytes.data(), im.bytes.size()))
        failed = true;
    }
    if (!failed && !doSync(fb.data.get(), false).ok()) failed = true;
    if (!failed && !doSync(fb.index.get(), false).ok()) failed = true;
  }
  // A journal that cannot be cut back still describes exactly the state just restored. One
  // written before anything reached the files (its sync failed) is cut too, so the block is
  // at rest at once and not only after the next open's replay.
  if (!failed && (t.touchedDisk || t.journalStarted)) (void)cutJournal(fb);
  dropFramesOf(&fb);
  fb.dh = t.dh0;
  for (std::size_t i = 0; i < fb.ix.size(); ++i) fb.ix[i].hdr = t.ih0[i];
  invalidatePositions(fb);
  if (fb.index) {
    std::uint64_t size = 0;
    if (fb.index->size(&size) == 0 && fb.ixRecLen > 0)
      fb.ixRecordsOnDisk = static_cast<std::int64_t>(size) / fb.ixRecLen;
  }
  resetTxn(fb);
  if (failed) {
    fb.broken = true;
    return err(isam_error::kRollbackFailed);
  }
  return okStatus();
}

void captureHeaderImages(FileBlock& fb) {
  Txn& t = fb.txn;
  if (!(fb.dh == t.dh0)) {
    Image im{1000, 0, 0, std::string(kDataHeaderSize, '\0')};
    t.dh0.encode(reinterpret_cast<std::uint8_t*>(im.bytes.data()));
    t.images.push_back(std::move(im));
  }
  for (std::size_t i = 0; i < fb.ix.size(); ++i) {
    if (fb.ix[i].hdr == t.ih0[i]) continue;
    Image im{1000, 1, fb.ix[i].keyOffset, std::string(kIndexHeaderSize, '\0')};
    t.ih0[i].encode(reinterpret_cast<std::uint8_t*>(im.bytes.data()));
    t.images.push_back(std::move(im));
  }
}

// Rules (2) and (3): journal, then everything in place, synced. The journal still holds the
// sealed images afterwards, so the block can be rolled back until `commitFinish`.
// `*nothing` is set when the transaction changed nothing (it is then already ended).
Status commitWrite(FileBlock& fb, bool* nothing) {
  Txn& t = fb.txn;
  *nothing = false;
  bool headersChanged = !(fb.dh == t.dh0);
  for (std::size_t i = 0; i < fb.ix.size(); ++i) headersChanged |= !(fb.ix[i].hdr == t.ih0[i]);
  bool anyDirty = !t.pendingRecs.empty() || t.touchedDisk || !t.images.empty();
  if (!anyDirty) {
    for (const Frame& f : engine().frames) anyDirty |= f.fb == &fb && f.dirty;
  }
  if (!headersChanged && !anyDirty) {
    resetTxn(fb);
    *nothing = true;
    return okStatus();
  }
  captureHeaderImages(fb);
  if (Status s = appendJournal(fb); !s.ok()) return s;
  if (Status s = writeInPlace(fb); !s.ok()) return s;
  t.touchedDisk = true;
  if (!(fb.dh == t.dh0)) {
    std::uint8_t h[kDataHeaderSize];
    fb.dh.encode(h);
    if (int e = fb.data->write(0, h, sizeof h)) return writeErr(e);
    t.wroteData = true;
  }
  for (std::size_t i = 0; i < fb.ix.size(); ++i) {
    if (fb.ix[i].hdr == t.ih0[i]) continue;
    std::uint8_t h[kIndexHeaderSize];
    fb.ix[i].hdr.encode(h);
    if (int e = fb.index->write(static_cast<std::uint64_t>(fb.ix[i].keyOffset), h, sizeof h))
      return writeErr(e);
    t.wroteIndex = true;
  }
  // Spills earlier in the batch wrote without syncing; the flags cover them too.
  if (t.wroteData) {
    if (Status s = doSync(fb.data.get(), false); !s.ok()) return s;
  }
  if (t.wroteIndex) {
    if (Status s = doSync(fb.index.get(), false); !s.ok()) return s;
  }
  return okStatus();
}

// Rule (4): the journal is cut back; the transaction ends.
Status commitFinish(FileBlock& fb) {
  if (Status s = cutJournal(fb); !s.ok()) return s;
  resetTxn(fb);
  return okStatus();
}

Status commit(FileBlock& fb) {
  bool nothing = false;
  if (Status s = commitWrite(fb, &nothing); !s.ok() || nothing) return s;
  return commitFinish(fb);
}

}  // namespace

Status appendJournal(FileBlock& fb) {
  Txn& t = fb.txn;
  if (t.imagesInJournal == t.images.size()) return okStatus();
  std::string buf;
  if (!t.journalStarted) {
    std::uint8_t b[10];
    wr16(b, 4000);
    wr64(b + 2, engine().nonceRng());
    buf.append(reinterpret_cast<const char*>(b), sizeof b);
    t.journalEnd = 1;
    t.journalCrc = 0;
  }
  for (std::size_t i = t.imagesInJournal; i < t.images.size(); ++i) putImage(buf, t.images[i]);
  std::uint32_t crc = crc32(t.journalCrc, buf.data(), buf.size());
  std::uint8_t seal[10];
  wr16(seal, 2000);
  wr32(seal + 2, static_cast<std::int32_t>(t.images.size()));
  wr32(seal + 6, static_cast<std::int32_t>(crc));
  buf.append(reinterpret_cast<const char*>(seal), sizeof seal);
  // What cannot be made durable is taken off again, so the journal holds only sealed images
  // that protect writes in place (the earlier sequence of a batch stays).
  const std::uint64_t previousEnd = t.journalStarted ? t.journalEnd : 1;
  if (int e = fb.journal->write(t.journalEnd, buf.data(), buf.size())) {
    (void)fb.journal->truncate(previousEnd);
    return writeErr(e);
  }
  if (Status s = doSync(fb.journal.get(), true); !s.ok()) {
    (void)fb.journal->truncate(previousEnd);
    return s;
  }
  t.journalCrc = crc32(crc, seal, sizeof seal);
  t.journalEnd += buf.size();
  t.journalStarted = true;
  t.imagesInJournal = t.images.size();
  return okStatus();
}

std::size_t parseJournal(const std::string& j, std::vector<Image>* images) {
  images->clear();
  std::size_t size = j.size();
  if (size < 11 || static_cast<std::uint8_t>(j[0]) != kJournalMark) return 0;
  const auto* p = reinterpret_cast<const std::uint8_t*>(j.data());
  if (rd16(p + 1) != 4000) return 0;
  std::size_t pos = 11;
  std::size_t sealed = 0;
  std::uint32_t crc = crc32(0, p + 1, 10);
  while (pos + 2 <= size) {
    int tag = static_cast<std::uint16_t>(rd16(p + pos));
    if (tag == 2000) {
      if (pos + 10 > size) break;
      auto count = static_cast<std::uint32_t>(rd32(p + pos + 2));
      auto c = static_cast<std::uint32_t>(rd32(p + pos + 6));
      if (c != crc || count != images->size()) break;
      sealed = images->size();
      crc = crc32(crc, p + pos, 10);
      pos += 10;
      continue;
    }
    if (!((tag >= 1 && tag <= 63) || tag == 1000 || tag == 3000)) break;
    if (pos + 15 > size) break;
    std::uint8_t file = p[pos + 2];
    auto off = static_cast<std::int64_t>(rd64(p + pos + 3));
    std::int32_t len = rd32(p + pos + 11);
    if (file > 1 || off < 0 || len < 0 || static_cast<std::uint64_t>(len) > size - pos - 15) break;
    images->push_back(Image{static_cast<std::uint16_t>(tag), file, off,
                            std::string(j.data() + pos + 15, static_cast<std::size_t>(len))});
    crc = crc32(crc, p + pos, 15 + static_cast<std::size_t>(len));
    pos += 15 + static_cast<std::size_t>(len);
  }
  images->resize(sealed);
  return sealed;
}

EngineStats& engineStats() {
  return engine().stats;
}
int poolSize() {
  return static_cast<int>(engine().frames.size());
}

Status engineInit(int pageBuffers) {
  Engine& e = engine();
  if (e.initialised) return err(isam_error::kInitTwice);
  if (pageBuffers <= 7) return err(isam_error::kTooFewPages);
  e.frames.clear();
  e.lastFrame = -1;
  e.frames.resize(static_cast<std::size_t>(pageBuffers));
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

// ---- transactions ----

void txnBegin(FileBlock& fb) {
  if (!fb.txn.active) {
    resetTxn(fb);
    fb.txn.active = true;
  }
  fb.txn.opDirty = false;
}

Status txnEnd(FileBlock& fb, Status op, std::int32_t rollbackError) {
  Txn& t = fb.txn;
  if (!op.ok()) {
    bool io = op.error == isam_error::kReadError || op.error == isam_error::kWriteError;
    // An operation that failed before changing anything leaves a batch running, unless the
    // failure was an I/O error: then the whole batch is undone.
    if (!t.opDirty && !(io && t.batch)) {
      if (!t.batch) resetTxn(fb);
      return op;
    }
    // A batch undone part-way stays lost until it is committed or aborted: later writes of
    // the caller's batch must not land outside it, one by one.
    if (t.batch) fb.batchLost = true;
    Status r = rollback(fb);
    if (!r.ok()) return r;
    if (io) return err(rollbackError, op.dos);
    return op;
  }
  t.opDirty = false;
  if (t.batch) return okStatus();
  Status c = commit(fb);
  if (!c.ok()) {
    Status r = rollback(fb);
    if (!r.ok()) return r;
    return err(rollbackError, c.dos);
  }
  return okStatus();
}

Status pageRead(FileBlock& fb, int k, std::int32_t page, const std::uint8_t** bytes,
                bool** verified) {
  Frame* f = nullptr;
  if (Status s = acquireFrame(fb, k, page, &f); !s.ok()) return s;
  *bytes = f->buf.data();
  if (verified) *verified = &f->verified;
  return okStatus();
}

Status pageWrite(FileBlock& fb, int k, std::int32_t page, std::uint8_t** bytes) {
  Frame* f = nullptr;
  if (Status s = acquireFrame(fb, k, page, &f); !s.ok()) return s;
  Txn& t = fb.txn;
  t.opDirty = true;
  f->verified = false;
  const IndexState& is = fb.ix[k - 1];
  if (page <= t.ih0[k - 1].numPages && t.journaledPages.insert({k, page}).second) {
    int n = rd16(f->buf.data());
    std::size_t len = (n >= 1 && n <= is.maxItems) ? static_cast<std::size_t>(6 + n * is.stride)
                                                   : static_cast<std::size_t>(is.hdr.pageSize);
    Image im{static_cast<std::uint16_t>((n >= 1 && n <= is.maxItems) ? n : 63), 1,
             pageOffset(fb, k, page),
             std::string(reinterpret_cast<const char*>(f->buf.data()), len)};
    t.images.push_back(std::move(im));
  }
  *bytes = f->buf.data();
  return okStatus();
}

void pageMarkDirty(FileBlock& fb, int k, std::int32_t page, int writeLen) {
  Engine& e = engine();
  auto it = e.map.find(FrameKey{&fb, k, page});
  if (it == e.map.end()) return;
  Frame& f = e.frames[it->second];
  f.dirty = true;
  f.writeLen = std::max(f.writeLen, writeLen);
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
    Image im{3000, 0, static_cast<std::int64_t>(off), std::string(len, '\0')};
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

Status beginBatch(FileBlock& fb) {
  if (fb.txn.batch) return err(isam_error::kGeneral);
  fb.batchLost = false;
  txnBegin(fb);
  fb.txn.batch = true;
  return okStatus();
}

Status commitBatch(FileBlock& fb) {
  if (fb.batchLost) {
    fb.batchLost = false;
    return err(isam_error::kBatchRestored);
  }
  if (!fb.txn.batch) return okStatus();
  fb.txn.batch = false;
  Status c = commit(fb);
  if (!c.ok()) {
    Status r = rollback(fb);
    if (!r.ok()) return r;
    return err(isam_error::kBatchRestored, c.dos);
  }
  return okStatus();
}

Status abortBatch(FileBlock& fb) {
  fb.batchLost = false;
  if (!fb.txn.batch) return okStatus();
  return rollback(fb);
}

Status commitBatches(const std::vector<FileBlock*>& blocks) {
  std::vector<FileBlock*> running;
  bool lost = false;
  for (FileBlock* fb : blocks) {
    lost |= fb->batchLost;
    fb->batchLost = false;
    if (fb->txn.batch) running.push_back(fb);
  }
  // One block's batch was undone by a failure: the others go back with it.
  if (lost) {
    for (FileBlock* fb : running) {
      fb->txn.batch = false;
      if (Status r = rollback(*fb); !r.ok()) return r;
    }
    return err(isam_error::kBatchRestored);
  }
  for (FileBlock* fb : running) fb->txn.batch = false;
  // Every block is written and synced before any journal is cut, so until the last cut
  // every block can still be put back, and a failure anywhere puts all of them back.
  Status failure;
  std::vector<FileBlock*> written;
  for (FileBlock* fb : running) {
    bool nothing = false;
    failure = commitWrite(*fb, &nothing);
    if (!failure.ok()) break;
    if (!nothing) written.push_back(fb);
  }
  if (failure.ok()) {
    for (FileBlock* fb : written) {
      failure = cutJournal(*fb);
      if (!failure.ok()) break;
    }
  }
  if (failure.ok()) {
    for (FileBlock* fb : written) resetTxn(*fb);
    return okStatus();
  }
  // The images of a block whose journal was already cut are still held in memory: writing
  // them back restores it like the others.
  Status restored = okStatus();
  for (FileBlock* fb : running) {
    if (Status r = rollback(*fb); !r.ok()) restored = r;
  }
  if (!restored.ok()) return restored;
  return err(isam_error::kBatchRestored, failure.dos);
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
  if (int e = currentEnv()->open(path, OpenMode::kCreate, &f)) return err(openErrorNumber(e), e);
  if (int e = f->write(0, bytes.data(), bytes.size())) return writeErr(e);
  if (int e = f->sync()) return writeErr(e);
  return okStatus();
}

// Replays the sealed prefix of the journal (rule 5).
Status replayJournal(FileBlock& fb) {
  std::uint64_t size = 0;
  if (int e = fb.journal->size(&size)) return readErr(e);
  if (size <= 1) return okStatus();
  if (size > (1ull << 31)) return err(isam_error::kRollbackFailed);
  std::string j(static_cast<std::size_t>(size), '\0');
  if (Status s = readExact(fb.journal.get(), 0, j.data(), j.size()); !s.ok()) return s;
  std::vector<Image> images;
  std::size_t sealed = parseJournal(j, &images);
  if (sealed > 0) {
    std::uint64_t dataSize = 0, indexSize = 0;
    if (int e = fb.data->size(&dataSize)) return readErr(e);
    if (fb.index) {
      if (int e = fb.index->size(&indexSize)) return readErr(e);
    }
    // Before-images only ever describe bytes that existed and were synced, so an image
    // beyond its file means the journal does not belong to these files.
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      if (im.file == 1 && !fb.index) return err(isam_error::kRollbackFailed);
      std::uint64_t limit = im.file == 0 ? dataSize : indexSize;
      if (static_cast<std::uint64_t>(im.offset) + im.bytes.size() > limit)
        return err(isam_error::kRollbackFailed);
    }
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      File* f = im.file == 0 ? fb.data.get() : fb.index.get();
      if (int e = f->write(static_cast<std::uint64_t>(im.offset), im.bytes.data(), im.bytes.size()))
        return err(isam_error::kRollbackFailed, e);
    }
    if (Status s = doSync(fb.data.get(), false); !s.ok())
      return err(isam_error::kRollbackFailed, s.dos);
    if (Status s = doSync(fb.index.get(), false); !s.ok())
      return err(isam_error::kRollbackFailed, s.dos);
  }
  return cutJournal(fb);
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
  OpenMode rw = readOnly ? OpenMode::kReadOnly : OpenMode::kExisting;
  if (int e = env->open(paths.data, rw, &fb->data)) return err(openErrorNumber(e), e);
  const bool journalExisted = env->exists(paths.journal);
  if (int e = env->open(paths.journal, readOnly ? OpenMode::kReadOnly : OpenMode::kOpenOrCreate,
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
    std::uint64_t jsize = 0;
    if (int e = fb->journal->size(&jsize)) return readErr(e);
    if (readOnly) {
      if (jsize > 1) return err(isam_error::kStillOpen);
    } else {
      if (Status s = replayJournal(*fb); !s.ok()) return s;
      std::uint8_t mark = kJournalMark;
      std::uint8_t cur = 0;
      std::size_t got = 0;
      if (int e = fb->journal->read(0, &cur, 1, &got)) return readErr(e);
      if (got != 1 || cur != mark) {
        if (int e = fb->journal->write(0, &mark, 1)) return writeErr(e);
      }
      if (Status s = cutJournal(*fb); !s.ok()) return s;
    }
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
  int numKeys = fb->dh.numberOfKeys;
  if (numKeys > 0) {
    if (!fb->index) return err(isam_error::kFileNotFound, ENOENT);
    std::int64_t off = 0;
    for (int k = 1; k <= numKeys; ++k) {
      std::uint8_t ih[kIndexHeaderSize];
      if (Status s = readExact(fb->index.get(), static_cast<std::uint64_t>(off), ih, sizeof ih);
          !s.ok())
        return s;
      IndexState is;
      is.hdr.decode(ih);
      if (int e = checkIndexHeader(is.hdr, &is.keyLen)) return err(e);
      is.maxItems = is.hdr.itemsPerPage();
      is.stride = is.keyLen + 9;
      is.keyOffset = off;
      off += is.hdr.pageSize;
      fb->ix.push_back(std::move(is));
    }
    fb->ixRecLen = off;
    std::uint64_t size = 0;
    if (int e = fb->index->size(&size)) return readErr(e);
    fb->ixRecordsOnDisk = static_cast<std::int64_t>(size) / off;
    for (const auto& is : fb->ix) {
      if (is.hdr.numPages >= fb->ixRecordsOnDisk) return err(isam_error::kBadIndexHeader);
    }
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
  if (env->exists(paths.journal)) (void)env->remove(paths.journal);
  if (int e = env->remove(paths.data)) return err(openErrorNumber(e), e);
  return okStatus();
}

}  // namespace liga::storage
