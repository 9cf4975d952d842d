// The rollback journal: before-images appended and sealed, parsed, replayed and cut back.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>

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

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How a file at `path` is named from `fromFile`'s folder: its name when both share a folder,
// else its absolute path (a name with a '/').
std::string nameFrom(const std::string& fromFile, const std::string& path) {
  if (folderOf(fromFile) == folderOf(path)) return baseName(path);
  return std::filesystem::absolute(path).string();
}

// The path of a file named `name` from `fromFile`'s folder (the inverse of nameFrom).
std::string pathFrom(const std::string& fromFile, const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const std::string folder = folderOf(fromFile);
  return folder.empty() ? name : folder + "/" + name;
}

constexpr const char* kSuperTitle = "LigaWin32 super-journal";

Status readWhole(File* f, std::string* bytes) {
  std::uint64_t size = 0;
  if (int e = f->size(&size)) return readErr(e);
  if (size > (1ull << 31)) return err(isam_error::kRollbackFailed);
  bytes->assign(static_cast<std::size_t>(size), '\0');
  return readExact(f, 0, bytes->data(), bytes->size());
}

// The super-journal named by the journal at `journalPath` with contents `bytes`, when its
// sealed prefix names one; "" otherwise. `sealed` receives the sealed image count.
std::string namedSuper(const std::string& journalPath, const std::string& bytes,
                       std::vector<Image>* images, std::size_t* sealed, bool* damaged = nullptr) {
  std::string name;
  *sealed = parseJournal(bytes, images, &name, damaged);
  return name.empty() ? std::string() : pathFrom(journalPath, name);
}

// Whether the journal at `journalPath` still names `superPath` in its sealed prefix. A
// journal that cannot be read counts as naming it.
bool stillNames(const std::string& journalPath, const std::string& superPath) {
  std::unique_ptr<File> j;
  if (int e = currentEnv()->open(journalPath, OpenMode::ReadOnly, &j)) return e != ENOENT;
  std::string bytes;
  if (!readWhole(j.get(), &bytes).ok()) return true;
  std::vector<Image> images;
  std::size_t sealed = 0;
  return namedSuper(journalPath, bytes, &images, &sealed) == superPath && sealed > 0;
}

bool isSuperName(const std::string& name) {
  return name.size() > 9 && name.compare(0, 6, "super-") == 0 &&
         name.compare(name.size() - 3, 3, ".SJ") == 0;
}

bool isJournalName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".DIA";
}

// Rule 10: the super-journal goes once no journal still names it: neither one it lists nor
// any journal of its folder (a list cut short by a crash while it was written names none).
void removeSuperWhenDone(const std::string& superPath) {
  Env* env = currentEnv();
  std::unique_ptr<File> f;
  if (env->open(superPath, OpenMode::ReadOnly, &f)) return;
  std::string list;
  if (!readWhole(f.get(), &list).ok()) return;
  f.reset();
  std::vector<std::string> journals;
  for (std::size_t pos = list.find('\n'); pos != std::string::npos && pos + 1 < list.size();) {
    const std::size_t end = list.find('\n', pos + 1);
    if (end == std::string::npos) break;
    journals.push_back(pathFrom(superPath, list.substr(pos + 1, end - pos - 1)));
    pos = end;
  }
  std::vector<std::string> names;
  const std::string folder = folderOf(superPath);
  if (env->listDir(folder, &names)) return;
  for (const auto& name : names) {
    if (isJournalName(name)) journals.push_back(pathFrom(superPath, name));
  }
  for (const auto& journal : journals) {
    if (stillNames(journal, superPath)) return;
  }
  (void)superRemove(superPath);
}

}  // namespace

namespace {

// Every removal in the folder of `path` made so far is durable.
void noteFolderSynced(const std::string& path) {
  engine().unsyncedRemovals.erase(folderOf(path));
  engine().syncedFolders.insert(folderOf(path));
}

}  // namespace

Status superCreate(const std::vector<FileBlock*>& blocks, std::string* path) {
  char name[40];
  std::snprintf(name, sizeof name, "super-%016llx.SJ",
                static_cast<unsigned long long>(engine().nonceRng()));
  *path = pathFrom(blocks.front()->journalPath, name);
  std::string list = std::string(kSuperTitle) + "\n";
  // Only a journal in another folder needs the list to be found (rule 10 scans the super-
  // journal's own folder): only then is the list synced; the name is made durable with the
  // folder, which also makes an earlier removal there durable.
  bool elsewhere = false;
  for (const FileBlock* fb : blocks) {
    list += nameFrom(*path, fb->journalPath) + "\n";
    elsewhere |= folderOf(fb->journalPath) != folderOf(*path);
  }
  Env* env = currentEnv();
  std::unique_ptr<File> f;
  if (int e = env->open(*path, OpenMode::Create, &f)) return writeErr(e);
  Status s = okStatus();
  if (int e = f->write(0, list.data(), list.size())) s = writeErr(e);
  if (s.ok() && elsewhere) s = doSync(f.get(), true);
  f.reset();
  if (s.ok()) {
    ++engine().stats.journalSyncs;
    if (int e = env->syncDirOf(*path)) s = writeErr(e);
  }
  if (s.ok()) noteFolderSynced(*path);
  if (!s.ok()) {
    (void)env->remove(*path);
    return s;
  }
  for (FileBlock* fb : blocks) {
    fb->txn.superPath = *path;
    fb->txn.superInJournal = false;
  }
  return okStatus();
}

Status superRemove(const std::string& path, bool durable) {
  Env* env = currentEnv();
  if (int e = env->remove(path)) return writeErr(e);
  if (!durable) {
    engine().unsyncedRemovals.insert(folderOf(path));
    return okStatus();
  }
  ++engine().stats.journalSyncs;
  if (int e = env->syncDirOf(path)) return writeErr(e);
  noteFolderSynced(path);
  return okStatus();
}

Status syncRemovals(const std::string& journalPath, bool earlierProcesses) {
  Engine& e = engine();
  const std::string folder = folderOf(journalPath);
  const bool pending = e.unsyncedRemovals.count(folder) != 0 ||
                       (earlierProcesses && e.syncedFolders.count(folder) == 0);
  if (!pending) return okStatus();
  ++e.stats.journalSyncs;
  if (int er = currentEnv()->syncDirOf(journalPath)) return writeErr(er);
  noteFolderSynced(journalPath);
  return okStatus();
}

namespace {

// Rule 11: the block is refused, its files and its journal left as they are.
Status journalDamaged(const std::string& journalPath) {
  noteFileFailure(journalPath, EBADMSG);
  return err(isam_error::kJournalDamaged, EBADMSG);
}

}  // namespace

Status journalIsLive(File* journal, const std::string& journalPath, bool* live) {
  *live = false;
  std::uint64_t size = 0;
  if (int e = journal->size(&size)) return readErr(e);
  if (size <= 1) return okStatus();
  std::string bytes;
  if (Status s = readWhole(journal, &bytes); !s.ok()) return s;
  std::vector<Image> images;
  std::size_t sealed = 0;
  bool damaged = false;
  const std::string superPath = namedSuper(journalPath, bytes, &images, &sealed, &damaged);
  const bool superGone = !superPath.empty() && !currentEnv()->exists(superPath);
  if (damaged && !superGone) return journalDamaged(journalPath);
  *live = sealed > 0 && !superGone;
  return okStatus();
}

Status cutJournal(FileBlock& fb) {
  if (int e = fb.journal->truncate(1)) return writeErr(e);
  return okStatus();
}

Status appendJournal(FileBlock& fb) {
  Txn& t = fb.txn;
  const bool addSuper = !t.superPath.empty() && !t.superInJournal;
  if (t.imagesInJournal == t.images.size() && !addSuper) return okStatus();
  std::string buf;
  // Rule 9: a journal left holding a committed unit is cut before it is used again, and the
  // unit's removal is made durable first: otherwise a crash could bring the super-journal
  // back while this journal no longer rolls this block back with the others.
  if (!t.journalStarted && fb.journalStale) {
    if (Status s = syncRemovals(fb.journalPath, true); !s.ok()) return s;
    if (Status s = cutJournal(fb); !s.ok()) return s;
    fb.journalStale = false;
  }
  if (!t.journalStarted) {
    std::uint8_t b[10];
    wr16(b, journal_tag::kBegin);
    wr64(b + 2, engine().nonceRng());
    buf.append(reinterpret_cast<const char*>(b), sizeof b);
    t.journalEnd = 1;
    t.journalCrc = 0;
  }
  if (addSuper) {
    const std::string name = nameFrom(fb.journalPath, t.superPath);
    std::uint8_t h[4];
    wr16(h, journal_tag::kSuper);
    wr16(h + 2, static_cast<std::int16_t>(name.size()));
    buf.append(reinterpret_cast<const char*>(h), sizeof h);
    buf += name;
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
  t.superInJournal = t.superInJournal || addSuper;
  return okStatus();
}

namespace {

// Rule 11: whether bytes that do not parse as sealed entries were a seal's once. Every
// append ends with its seal, so a journal whose last entry is a whole seal that the parse
// did not reach, or a seal whose count or checksum is wrong, was damaged after it was
// written; a crash only ever cuts an append short, which leaves no seal at its end.
bool endsInSeal(const std::uint8_t* p, std::size_t size, std::size_t parsedTo) {
  return size >= 11 + 10 && parsedTo + 10 <= size &&
         static_cast<std::uint16_t>(rd16(p + size - 10)) == journal_tag::kSeal;
}

}  // namespace

std::size_t parseJournal(const std::string& j, std::vector<Image>* images, std::string* superName,
                         bool* damaged) {
  images->clear();
  if (superName) superName->clear();
  if (damaged) *damaged = false;
  std::string super;
  std::size_t size = j.size();
  const auto* p = reinterpret_cast<const std::uint8_t*>(j.data());
  if (size < 11 || static_cast<std::uint8_t>(j[0]) != kJournalMark ||
      rd16(p + 1) != journal_tag::kBegin) {
    if (damaged) *damaged = endsInSeal(p, size, 1);
    return 0;
  }
  std::size_t pos = 11;
  std::size_t sealed = 0;
  std::uint32_t crc = crc32(0, p + 1, 10);
  bool badSeal = false;
  while (pos + 2 <= size) {
    int tag = static_cast<std::uint16_t>(rd16(p + pos));
    if (tag == journal_tag::kSeal) {
      if (pos + 10 > size) break;
      auto count = static_cast<std::uint32_t>(rd32(p + pos + 2));
      auto c = static_cast<std::uint32_t>(rd32(p + pos + 6));
      if (c != crc || count != images->size()) {
        badSeal = true;
        break;
      }
      sealed = images->size();
      if (superName) *superName = super;
      crc = crc32(crc, p + pos, 10);
      pos += 10;
      continue;
    }
    if (tag == journal_tag::kSuper) {
      if (pos + 4 > size) break;
      auto len = static_cast<std::size_t>(static_cast<std::uint16_t>(rd16(p + pos + 2)));
      if (len == 0 || len > size - pos - 4) break;
      super.assign(j.data() + pos + 4, len);
      crc = crc32(crc, p + pos, 4 + len);
      pos += 4 + len;
      continue;
    }
    if (!((tag >= 1 && tag <= journal_tag::kFreePage) || tag == journal_tag::kHeader ||
          tag == journal_tag::kRecord || tag == journal_tag::kLength))
      break;
    if (pos + 15 > size) break;
    std::uint8_t file = p[pos + 2];
    auto off = static_cast<std::int64_t>(rd64(p + pos + 3));
    std::int32_t len = rd32(p + pos + 11);
    if (file > 1 || off < 0 || len < 0 || static_cast<std::uint64_t>(len) > size - pos - 15) break;
    if (tag == journal_tag::kLength && len != 0) break;
    images->push_back(Image{static_cast<std::uint16_t>(tag), file, off,
                            std::string(j.data() + pos + 15, static_cast<std::size_t>(len))});
    crc = crc32(crc, p + pos, 15 + static_cast<std::size_t>(len));
    pos += 15 + static_cast<std::size_t>(len);
  }
  if (damaged) *damaged = badSeal || (pos < size && endsInSeal(p, size, pos));
  // A damaged journal still tells which unit it belonged to when that much was read.
  if (superName && damaged && *damaged) *superName = super;
  images->resize(sealed);
  return sealed;
}

Status replayJournal(FileBlock& fb) {
  std::uint64_t size = 0;
  if (int e = fb.journal->size(&size)) return readErr(e);
  if (size <= 1) return okStatus();
  std::string j;
  if (Status s = readWhole(fb.journal.get(), &j); !s.ok()) return s;
  std::vector<Image> images;
  std::size_t sealed = 0;
  bool damaged = false;
  const std::string superPath = namedSuper(fb.journalPath, j, &images, &sealed, &damaged);
  // Rule 9: a unit whose super-journal is gone has committed; its journal is only cut, even
  // a damaged one (rule 11): nothing in it is needed any more.
  const bool superLive = !superPath.empty() && currentEnv()->exists(superPath);
  if (!superPath.empty() && !superLive) {
    // The removal that committed the unit may not be durable yet (this process's, or an
    // earlier one's): the journal is left as it is, stale, and cut before the block's next
    // append, after the folder is synced (rule 9).
    fb.journalStale = true;
    return okStatus();
  }
  if (damaged && (superPath.empty() || superLive)) return journalDamaged(fb.journalPath);
  if (sealed > 0) {
    std::uint64_t dataSize = 0, indexSize = 0;
    if (int e = fb.data->size(&dataSize)) return readErr(e);
    if (fb.index) {
      if (int e = fb.index->size(&indexSize)) return readErr(e);
    }
    // Before-images only ever describe bytes that existed and were synced, so an image
    // beyond its file means the journal does not belong to these files. A unit that cuts a
    // file short journals the length it had (kLength), and its images reach up to that.
    std::uint64_t limit[2] = {dataSize, indexSize};
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      if (im.file == 1 && !fb.index) return err(isam_error::kRollbackFailed);
      if (im.tag == journal_tag::kLength)
        limit[im.file] = std::max(limit[im.file], static_cast<std::uint64_t>(im.offset));
    }
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      if (static_cast<std::uint64_t>(im.offset) + im.bytes.size() > limit[im.file])
        return err(isam_error::kRollbackFailed);
    }
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      File* f = im.file == 0 ? fb.data.get() : fb.index.get();
      int e = im.tag == journal_tag::kLength ? 0
                                             : f->write(static_cast<std::uint64_t>(im.offset),
                                                        im.bytes.data(), im.bytes.size());
      if (e) return err(isam_error::kRollbackFailed, e);
    }
    for (std::size_t i = 0; i < sealed; ++i) {
      const Image& im = images[i];
      if (im.tag != journal_tag::kLength) continue;
      File* f = im.file == 0 ? fb.data.get() : fb.index.get();
      if (int e = f->truncate(static_cast<std::uint64_t>(im.offset)))
        return err(isam_error::kRollbackFailed, e);
    }
    if (Status s = doSync(fb.data.get(), false); !s.ok())
      return err(isam_error::kRollbackFailed, s.dos);
    if (Status s = doSync(fb.index.get(), false); !s.ok())
      return err(isam_error::kRollbackFailed, s.dos);
  }
  return cutJournal(fb);
}

void removeFinishedSuperJournals(const std::string& journalPath) {
  std::vector<std::string> names;
  if (currentEnv()->listDir(folderOf(journalPath), &names)) return;
  for (const auto& name : names) {
    if (isSuperName(name)) removeSuperWhenDone(pathFrom(journalPath, name));
  }
}

Status blockNeedsRecovery(const std::string& name, bool* needed) {
  *needed = false;
  std::string d, i;
  splitBlockName(name, &d, &i);
  Env* env = currentEnv();
  const std::string journalPath = resolveCaseInsensitive(env, withExtension(d, "DIA"));
  std::unique_ptr<File> journal;
  if (int e = env->open(journalPath, OpenMode::ReadOnly, &journal)) {
    if (e == ENOENT) return okStatus();
    return err(openErrorNumber(e), e);
  }
  return journalIsLive(journal.get(), journalPath, needed);
}

}  // namespace liga::storage
