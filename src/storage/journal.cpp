// The rollback journal: before-images appended and sealed, parsed, replayed and cut back.
#include "storage/engine_internal.h"

namespace liga::storage {

namespace {

void putImage(std::string& out, const Image& im) {
  std::uint8_t h[15];
  wr16(h, static_cast<std::int16_t>(im.tag));
  h[2] = im.file;
  wr64(h + 3, static_cast<std::uint64_t>(im.offset));
  wr32(h + 11, static_cast<std::int32_t>(im.bytes.size()));
  out.append(reinterpret_cast<const char*>(h), sizeof h);
  out += im.bytes;
}

}  // namespace

Status cutJournal(FileBlock& fb) {
  if (int e = fb.journal->truncate(1)) return writeErr(e);
  return okStatus();
}

Status appendJournal(FileBlock& fb) {
  Txn& t = fb.txn;
  if (t.imagesInJournal == t.images.size()) return okStatus();
  std::string buf;
  if (!t.journalStarted) {
    std::uint8_t b[10];
    wr16(b, journal_tag::kBegin);
    wr64(b + 2, engine().nonceRng());
    buf.append(reinterpret_cast<const char*>(b), sizeof b);
    t.journalEnd = 1;
    t.journalCrc = 0;
  }
  for (std::size_t i = t.imagesInJournal; i < t.images.size(); ++i) putImage(buf, t.images[i]);
  std::uint32_t crc = crc32(t.journalCrc, buf.data(), buf.size());
  std::uint8_t seal[10];
  wr16(seal, journal_tag::kSeal);
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
  if (rd16(p + 1) != journal_tag::kBegin) return 0;
  std::size_t pos = 11;
  std::size_t sealed = 0;
  std::uint32_t crc = crc32(0, p + 1, 10);
  while (pos + 2 <= size) {
    int tag = static_cast<std::uint16_t>(rd16(p + pos));
    if (tag == journal_tag::kSeal) {
      if (pos + 10 > size) break;
      auto count = static_cast<std::uint32_t>(rd32(p + pos + 2));
      auto c = static_cast<std::uint32_t>(rd32(p + pos + 6));
      if (c != crc || count != images->size()) break;
      sealed = images->size();
      crc = crc32(crc, p + pos, 10);
      pos += 10;
      continue;
    }
    if (!((tag >= 1 && tag <= journal_tag::kFreePage) || tag == journal_tag::kHeader ||
          tag == journal_tag::kRecord))
      break;
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

}  // namespace liga::storage
