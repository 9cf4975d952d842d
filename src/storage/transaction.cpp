// Transactions: one operation or a batch of them, committed by the journal protocol of
// engine.h or rolled back from the images it captured; batches over several blocks.
#include "storage/engine_internal.h"

namespace liga::storage {

void resetTxn(FileBlock& fb) {
  Txn& t = fb.txn;
  t = Txn{};
  t.dh0 = fb.dh;
  t.ih0.clear();
  for (const auto& is : fb.ix) t.ih0.push_back(is.hdr);
}

namespace {

void invalidatePositions(FileBlock& fb) {
  for (auto& is : fb.ix) {
    is.posValid = false;
    is.path.clear();
  }
}

}  // namespace

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

namespace {

void captureHeaderImages(FileBlock& fb) {
  Txn& t = fb.txn;
  if (!(fb.dh == t.dh0)) {
    Image im{journal_tag::kHeader, 0, 0, std::string(kDataHeaderSize, '\0')};
    t.dh0.encode(reinterpret_cast<std::uint8_t*>(im.bytes.data()));
    t.images.push_back(std::move(im));
  }
  for (std::size_t i = 0; i < fb.ix.size(); ++i) {
    if (fb.ix[i].hdr == t.ih0[i]) continue;
    Image im{journal_tag::kHeader, 1, fb.ix[i].keyOffset, std::string(kIndexHeaderSize, '\0')};
    t.ih0[i].encode(reinterpret_cast<std::uint8_t*>(im.bytes.data()));
    t.images.push_back(std::move(im));
  }
}

}  // namespace

bool hasChanges(const FileBlock& fb) {
  const Txn& t = fb.txn;
  bool changed = !(fb.dh == t.dh0);
  for (std::size_t i = 0; i < fb.ix.size(); ++i) changed |= !(fb.ix[i].hdr == t.ih0[i]);
  changed |= !t.pendingRecs.empty() || t.touchedDisk || !t.images.empty();
  for (const Frame& f : engine().frames) changed |= f.fb == &fb && f.dirty;
  return changed;
}

Status commitWrite(FileBlock& fb, bool* nothing) {
  Txn& t = fb.txn;
  *nothing = false;
  if (!hasChanges(fb)) {
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
  if (!t.batch) {
    if (Status c = commit(fb); !c.ok()) {
      Status r = rollback(fb);
      if (!r.ok()) return r;
      return err(rollbackError, c.dos);
    }
  }
  assertInvariants(fb);
  return okStatus();
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
  assertInvariants(fb);
  return okStatus();
}

Status abortBatch(FileBlock& fb) {
  fb.batchLost = false;
  if (!fb.txn.batch) return okStatus();
  return rollback(fb);
}

namespace {

// Rule 9: a unit of several blocks, its super-journal on disk, commits once every block is
// written in place, when the super-journal is removed.
Status commitUnit(const std::vector<FileBlock*>& running, std::vector<FileBlock*>* written) {
  std::vector<FileBlock*> changed;
  for (FileBlock* fb : running) {
    if (hasChanges(*fb)) changed.push_back(fb);
  }
  std::string super;
  if (changed.size() > 1) {
    if (Status s = superCreate(changed, &super); !s.ok()) return s;
  }
  for (FileBlock* fb : running) {
    bool nothing = false;
    if (Status s = commitWrite(*fb, &nothing); !s.ok()) return s;
    if (!nothing) written->push_back(fb);
  }
  if (super.empty()) {
    for (FileBlock* fb : *written) {
      if (Status s = cutJournal(*fb); !s.ok()) return s;
    }
    return okStatus();
  }
  // The removal commits the unit. It is not synced and the journals are not cut now: until
  // the removal is durable every journal of the unit must still roll its block back, and a
  // journal is cut (after a folder sync, if still needed) only before it is used again
  // (appendJournal) or at the next open (replayJournal).
  if (Status s = superRemove(super, false); !s.ok()) return s;
  for (FileBlock* fb : *written) fb->journalStale = true;
  return okStatus();
}

}  // namespace

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
  // (or, for a unit with a super-journal, until its removal) every block can still be put
  // back, and a failure anywhere puts all of them back.
  std::vector<FileBlock*> written;
  const Status failure = commitUnit(running, &written);
  if (failure.ok()) {
    for (FileBlock* fb : running) {
      resetTxn(*fb);
      assertInvariants(*fb);
    }
    return okStatus();
  }
  // The images of a block whose journal was already cut are still held in memory: writing
  // them back restores it like the others. The super-journal goes only when every block is
  // back: while one is not, its journal and the super-journal roll it back at the next open.
  Status restored = okStatus();
  std::string unitSuper;
  for (FileBlock* fb : running) {
    if (!fb->txn.superPath.empty()) unitSuper = fb->txn.superPath;
    if (Status r = rollback(*fb); !r.ok()) restored = r;
  }
  if (!unitSuper.empty() && restored.ok() && currentEnv()->exists(unitSuper))
    (void)superRemove(unitSuper);
  if (!restored.ok()) return restored;
  return err(isam_error::kBatchRestored, failure.dos);
}

}  // namespace liga::storage
