// The shared page pool: index pages of every open block in a fixed number of buffers,
// least recently used first out; a changed page leaves only after its images are journaled.
#include "storage/engine_internal.h"

#include <algorithm>
#include <tuple>

namespace liga::storage {

std::int64_t pageOffset(const FileBlock& fb, int k, std::int32_t page) {
  return static_cast<std::int64_t>(page) * fb.ixRecLen + fb.ix[k - 1].keyOffset;
}

namespace {

void dropFrame(int i) {
  Engine& e = engine();
  Frame& f = e.frames[i];
  if (f.fb) e.map.erase(FrameKey{f.fb, f.k, f.page});
  f.fb = nullptr;
  f.dirty = false;
}

}  // namespace

void dropFramesOf(FileBlock* fb) {
  Engine& e = engine();
  for (int i = 0; i < static_cast<int>(e.frames.size()); ++i) {
    if (e.frames[i].fb == fb) dropFrame(i);
  }
}

namespace {

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

}  // namespace

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
  // The file grows to whole index records in one write, so each page is written once.
  if (!dirty.empty()) {
    if (Status s = ensureIndexRecords(fb, e.frames[dirty.back()].page); !s.ok()) return s;
  }
  for (int i : dirty) {
    Frame& f = e.frames[i];
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

namespace {
std::size_t g_batchGrowth = kDefaultBatchPoolGrowth;
}  // namespace

void setBatchPoolGrowth(int factor) {
  g_batchGrowth = static_cast<std::size_t>(std::max(1, factor));
}

Status spill(FileBlock& fb) {
  ++engine().stats.spills;
  if (Status s = appendJournal(fb); !s.ok()) return s;
  return writeInPlace(fb);
}

namespace {

// The frame holding page `page` of key `k` of `fb`, or null when the pool does not hold it.
Frame* cachedFrame(FileBlock& fb, int k, std::int32_t page) {
  Engine& e = engine();
  // Sequential scans ask for the same page again and again.
  if (e.lastFrame >= 0) {
    Frame& f = e.frames[static_cast<std::size_t>(e.lastFrame)];
    if (f.fb == &fb && f.page == page && f.k == k) {
      ++e.stats.poolHits;
      f.stamp = ++e.clock;
      return &f;
    }
  }
  auto it = e.map.find(FrameKey{&fb, k, page});
  if (it == e.map.end()) return nullptr;
  ++e.stats.poolHits;
  Frame& f = e.frames[it->second];
  f.stamp = ++e.clock;
  e.lastFrame = it->second;
  return &f;
}

// A frame that may be reused for a page of `fb`: an empty one, else the least recently used
// clean one; with every frame dirty, a batch of `fb` grows the pool and otherwise the
// owner of the least recently used frame writes its changes early.
Status freeFrame(FileBlock& fb, int* out) {
  Engine& e = engine();
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
    if (victim >= 0) {
      *out = victim;
      return okStatus();
    }
    // A batch whose changed pages fill the pool gets more frames, up to a bound, rather
    // than writing its pages early: each page is then written once, at commit, instead of
    // once per spill it was changed in (and the journal synced once per spill).
    if (fb.txn.batch && e.frames.size() < e.configuredFrames * g_batchGrowth) {
      e.frames.emplace_back();
      e.frames.back().buf.assign(kMaxPageSize, 0);
      continue;
    }
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
  }
}

Status acquireFrame(FileBlock& fb, int k, std::int32_t page, Frame** out) {
  if (Frame* f = cachedFrame(fb, k, page)) {
    *out = f;
    return okStatus();
  }
  Engine& e = engine();
  ++e.stats.poolMisses;
  int victim = -1;
  if (Status s = freeFrame(fb, &victim); !s.ok()) return s;
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
  e.map[FrameKey{&fb, k, page}] = victim;
  e.lastFrame = victim;
  *out = &f;
  return okStatus();
}

}  // namespace

Status pageRead(FileBlock& fb, int k, std::int32_t page, const std::uint8_t** bytes,
                bool** verified) {
  Frame* f = nullptr;
  if (Status s = acquireFrame(fb, k, page, &f); !s.ok()) return s;
  *bytes = f->buf.data();
  if (verified) *verified = &f->verified;
  return okStatus();
}

Status pageWrite(FileBlock& fb, int k, std::int32_t page, std::uint8_t** bytes, bool** verified) {
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
    Image im{static_cast<std::uint16_t>((n >= 1 && n <= is.maxItems) ? n : journal_tag::kFreePage),
             1, pageOffset(fb, k, page),
             std::string(reinterpret_cast<const char*>(f->buf.data()), len)};
    t.images.push_back(std::move(im));
  }
  *bytes = f->buf.data();
  if (verified) *verified = &f->verified;
  return okStatus();
}

void pageMarkDirty(FileBlock& fb, int k, std::int32_t page, int writeLen) {
  Engine& e = engine();
  Frame* found = nullptr;
  // Usually the page just handed out by pageWrite.
  if (e.lastFrame >= 0) {
    Frame& f = e.frames[static_cast<std::size_t>(e.lastFrame)];
    if (f.fb == &fb && f.page == page && f.k == k) found = &f;
  }
  if (!found) {
    auto it = e.map.find(FrameKey{&fb, k, page});
    if (it == e.map.end()) return;
    found = &e.frames[it->second];
  }
  Frame& f = *found;
  f.dirty = true;
  f.writeLen = std::max(f.writeLen, writeLen);
}

EngineStats& engineStats() {
  return engine().stats;
}
int poolSize() {
  return static_cast<int>(engine().frames.size());
}

}  // namespace liga::storage
