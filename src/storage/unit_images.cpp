// Applying page images to several blocks as one unit: the journal protocol of engine.h
// (rules 2 to 4 and 8 to 10) with the bytes to write given by the caller instead of taken
// from the page pool.
#include "storage/unit_images.h"

#include <algorithm>

#include "storage/engine_internal.h"

namespace liga::storage {

namespace {

struct Target {
  FileBlock* fb = nullptr;
  bool opened = false;  // opened for this call, closed after it
  bool touched = false;
  const BlockImage* image = nullptr;
};

File* fileOf(FileBlock& fb, int file) {
  return file == 0 ? fb.data.get() : fb.index.get();
}

// The before-images of the unit: the bytes every piece overwrites, the tail a shorter
// length cuts off, and each file's length (kLength) so replay can cut back what grew.
Status captureCurrent(Target& t) {
  FileBlock& fb = *t.fb;
  Txn& txn = fb.txn;
  std::uint64_t len0[2] = {0, 0};
  for (std::uint8_t f = 0; f < 2; ++f) {
    if (File* file = fileOf(fb, f)) {
      if (int e = file->size(&len0[f])) return readErr(e);
    } else if (t.image->length[f] != 0) {
      return err(isam_error::kGeneral);
    }
  }
  auto capture = [&](std::uint8_t f, std::uint64_t offset, std::uint64_t end) -> Status {
    end = std::min(end, len0[f]);
    if (offset >= end) return okStatus();
    Image im{journal_tag::kRecord, f, static_cast<std::int64_t>(offset),
             std::string(static_cast<std::size_t>(end - offset), '\0')};
    if (Status s = readExact(fileOf(fb, f), offset, im.bytes.data(), im.bytes.size()); !s.ok())
      return s;
    txn.images.push_back(std::move(im));
    return okStatus();
  };
  for (const auto& p : t.image->pieces) {
    if (p.file > 1 || !fileOf(fb, p.file)) return err(isam_error::kGeneral);
    if (Status s = capture(p.file, p.offset, p.offset + p.bytes.size()); !s.ok()) return s;
  }
  for (std::uint8_t f = 0; f < 2; ++f) {
    if (!fileOf(fb, f)) continue;
    if (Status s = capture(f, t.image->length[f], len0[f]); !s.ok()) return s;
    txn.images.push_back(Image{journal_tag::kLength, f, static_cast<std::int64_t>(len0[f]), {}});
  }
  return okStatus();
}

Status writeTarget(Target& t) {
  FileBlock& fb = *t.fb;
  if (Status s = appendJournal(fb); !s.ok()) return s;
  t.touched = true;
  for (const auto& p : t.image->pieces) {
    if (int e = fileOf(fb, p.file)->write(p.offset, p.bytes.data(), p.bytes.size()))
      return writeErr(e);
  }
  for (std::uint8_t f = 0; f < 2; ++f) {
    File* file = fileOf(fb, f);
    if (!file) continue;
    if (int e = file->truncate(t.image->length[f])) return writeErr(e);
    if (Status s = doSync(file, false); !s.ok()) return s;
  }
  return okStatus();
}

// Puts back what the journal of `t` holds, as a replay would.
Status restoreTarget(Target& t) {
  FileBlock& fb = *t.fb;
  for (const Image& im : fb.txn.images) {
    if (im.tag == journal_tag::kLength) continue;
    if (fileOf(fb, im.file)
            ->write(static_cast<std::uint64_t>(im.offset), im.bytes.data(), im.bytes.size()))
      return err(isam_error::kRollbackFailed);
  }
  // Cutting back comes after the writes: kLength entries follow the images they bound.
  for (const Image& im : fb.txn.images) {
    if (im.tag != journal_tag::kLength) continue;
    if (int e = fileOf(fb, im.file)->truncate(static_cast<std::uint64_t>(im.offset)))
      return err(isam_error::kRollbackFailed, e);
  }
  for (std::uint8_t f = 0; f < 2; ++f) {
    if (File* file = fileOf(fb, f)) {
      if (!doSync(file, false).ok()) return err(isam_error::kRollbackFailed);
    }
  }
  return cutJournal(fb);
}

Status writeUnit(std::vector<Target>& targets) {
  std::vector<FileBlock*> blocks;
  for (Target& t : targets) {
    resetTxn(*t.fb);
    t.fb->txn.active = true;
    if (Status s = captureCurrent(t); !s.ok()) return s;
    blocks.push_back(t.fb);
  }
  std::string super;
  if (blocks.size() > 1) {
    if (Status s = superCreate(blocks, &super); !s.ok()) return s;
  }
  for (Target& t : targets) {
    if (Status s = writeTarget(t); !s.ok()) return s;
  }
  if (!super.empty()) {
    // The removal commits the unit (rule 9). Not yet durable, it leaves every journal of
    // the unit able to roll its block back: each is cut only before its next use, after the
    // folder is synced (appendJournal), or at the next open.
    if (Status s = superRemove(super, false); !s.ok()) return s;
    for (Target& t : targets) t.fb->journalStale = true;
    return okStatus();
  }
  return cutJournal(*targets.front().fb);
}

void invalidatePositions(FileBlock& fb) {
  for (auto& is : fb.ix) {
    is.posValid = false;
    is.path.clear();
  }
}

// After its files changed under it: the block forgets its buffers and reads its headers.
Status reload(FileBlock& fb) {
  dropFramesOf(&fb);
  invalidatePositions(fb);
  resetTxn(fb);
  std::uint8_t h[kDataHeaderSize];
  if (Status s = readExact(fb.data.get(), 0, h, sizeof h); !s.ok()) return s;
  fb.dh.decode(h);
  for (auto& is : fb.ix) {
    std::uint8_t ih[kIndexHeaderSize];
    if (Status s =
            readExact(fb.index.get(), static_cast<std::uint64_t>(is.keyOffset), ih, sizeof ih);
        !s.ok())
      return s;
    is.hdr.decode(ih);
  }
  if (fb.index && fb.ixRecLen > 0) {
    std::uint64_t size = 0;
    if (int e = fb.index->size(&size)) return readErr(e);
    fb.ixRecordsOnDisk = static_cast<std::int64_t>(size) / fb.ixRecLen;
  }
  resetTxn(fb);
  return okStatus();
}

Status openTargets(const std::vector<BlockImage>& blocks, std::vector<Target>* targets) {
  for (const BlockImage& image : blocks) {
    Target t;
    t.image = &image;
    const std::string dataPath = blockFilePath(image.name, 0);
    for (FileBlock* b : engine().blocks) {
      if (b->dataPath == dataPath) t.fb = b;
    }
    if (t.fb == nullptr) {
      if (Status s = openBlock(image.name, false, &t.fb); !s.ok()) return s;
      t.opened = true;
    }
    targets->push_back(t);
    if (t.fb->readOnly || t.fb->broken || t.fb->txn.batch || t.fb->txn.active)
      return err(isam_error::kStillOpen);
  }
  return okStatus();
}

}  // namespace

std::string blockFilePath(const std::string& name, int file) {
  std::string d, i;
  splitBlockName(name, &d, &i);
  return resolveCaseInsensitive(currentEnv(),
                                file == 0 ? withExtension(d, "DAT") : withExtension(i, "IX"));
}

Status applyBlockImages(const std::vector<BlockImage>& blocks) {
  std::vector<Target> targets;
  Status result = openTargets(blocks, &targets);
  const bool opened = result.ok();
  if (opened && !targets.empty()) result = writeUnit(targets);
  if (opened && !result.ok()) {
    // Nothing is committed until the super-journal is gone (or the one journal cut): put
    // every block back. A block that cannot be put back keeps its journal for its next open.
    std::string super;
    bool restored = true;
    for (Target& t : targets) {
      if (!t.fb->txn.superPath.empty()) super = t.fb->txn.superPath;
      if (t.touched && !restoreTarget(t).ok()) {
        restored = false;
        t.fb->broken = true;
      }
    }
    if (!super.empty() && restored && currentEnv()->exists(super)) (void)superRemove(super);
    result = restored ? err(isam_error::kBatchRestored, result.dos)
                      : err(isam_error::kRollbackFailed, result.dos);
  }
  for (Target& t : targets) {
    if (t.fb == nullptr) continue;
    if (!t.fb->broken) {
      if (Status s = reload(*t.fb); !s.ok() && result.ok()) result = s;
    }
    if (t.opened) (void)closeBlock(t.fb);
  }
  return result;
}

}  // namespace liga::storage
