#include "storage/check.h"

#include <algorithm>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

#include "storage/engine.h"
#include "storage/env.h"
#include "storage/format.h"

namespace liga::storage {
namespace {

struct RawFile {
  std::unique_ptr<File> f;
  std::uint64_t size = 0;
  bool read(std::uint64_t off, void* buf, std::size_t n) const {
    std::size_t got = 0;
    return f && f->read(off, buf, n, &got) == 0 && got == n;
  }
};

bool openRaw(const std::string& path, RawFile* rf) {
  Env* env = currentEnv();
  std::string p = resolveCaseInsensitive(env, path);
  if (env->open(p, OpenMode::ReadOnly, &rf->f) != 0) return false;
  return rf->f->size(&rf->size) == 0;
}

struct IndexInfo {
  IndexHeader hdr;
  int keyLen = 0;
  int maxItems = 0;
  std::int64_t keyOffset = 0;
};

struct Block {
  std::string name;
  RawFile data, index, journal;
  DataHeader dh;
  std::vector<IndexInfo> ix;
  std::int64_t ixRecLen = 0;
};

std::string indexLabel(int k) {
  return "index " + std::to_string(k) + ": ";
}

std::string printable(const std::string& key) {
  std::string out;
  for (unsigned char c : key) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else if (c >= 0xA0) {  // code page 1252 agrees with Latin-1 here
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// Opens the files and reads the headers; false with a problem text when that fails.
bool loadBlock(const std::string& name, Block* b, std::string* problem) {
  b->name = name;
  std::string d, i;
  splitBlockName(name, &d, &i);
  if (!openRaw(withExtension(d, "DAT"), &b->data)) {
    *problem = "data file missing or unreadable";
    return false;
  }
  openRaw(withExtension(d, "DIA"), &b->journal);
  std::uint8_t h[kDataHeaderSize];
  if (!b->data.read(0, h, sizeof h)) {
    *problem = "data header truncated";
    return false;
  }
  b->dh.decode(h);
  if (checkDataHeader(b->dh) != 0) {
    *problem = "data header out of range";
    return false;
  }
  if (b->dh.numberOfKeys == 0) return true;
  if (!openRaw(withExtension(i, "IX"), &b->index)) {
    *problem = "index file missing or unreadable";
    return false;
  }
  std::int64_t off = 0;
  for (int k = 1; k <= b->dh.numberOfKeys; ++k) {
    std::uint8_t ih[kIndexHeaderSize];
    IndexInfo info;
    if (!b->index.read(static_cast<std::uint64_t>(off), ih, sizeof ih)) {
      *problem = "index header " + std::to_string(k) + " truncated";
      return false;
    }
    info.hdr.decode(ih);
    if (int e = checkIndexHeader(info.hdr, &info.keyLen)) {
      *problem = "index header " + std::to_string(k) + " invalid (" + std::to_string(e) + ")";
      return false;
    }
    info.maxItems = info.hdr.itemsPerPage();
    info.keyOffset = off;
    off += info.hdr.pageSize;
    b->ix.push_back(info);
  }
  b->ixRecLen = off;
  return true;
}

bool readPage(const Block& b, int k, std::int32_t page, std::vector<std::uint8_t>* buf) {
  const IndexInfo& info = b.ix[static_cast<std::size_t>(k - 1)];
  buf->assign(static_cast<std::size_t>(info.hdr.pageSize), 0);
  return b.index.read(static_cast<std::uint64_t>(page * b.ixRecLen + info.keyOffset), buf->data(),
                      buf->size());
}

struct TreeWalk {
  std::vector<std::pair<std::string, std::int32_t>> entries;
  std::set<std::int32_t> pages;
  int height = 0;
  std::vector<std::string> problems;
};

void walkTree(const Block& b, int k, TreeWalk* w) {
  const IndexInfo& info = b.ix[static_cast<std::size_t>(k - 1)];
  const int stride = info.keyLen + 9;
  int leafDepth = -1;
  std::function<void(std::int32_t, int, bool)> visit = [&](std::int32_t page, int depth,
                                                           bool isRoot) {
    if (w->problems.size() > 20) return;
    if (page < 1 || page > info.hdr.numPages) {
      w->problems.push_back(indexLabel(k) + "page number " + std::to_string(page) +
                            " beyond NumPages");
      return;
    }
    if (!w->pages.insert(page).second) {
      w->problems.push_back(indexLabel(k) + "page " + std::to_string(page) + " reached twice");
      return;
    }
    std::vector<std::uint8_t> buf;
    if (!readPage(b, k, page, &buf)) {
      w->problems.push_back(indexLabel(k) + "page " + std::to_string(page) +
                            " beyond the end of the file");
      return;
    }
    int n = rd16(buf.data());
    int minItems = isRoot ? 1 : info.maxItems / 2;
    if (n < minItems || n > info.maxItems) {
      w->problems.push_back(indexLabel(k) + "page " + std::to_string(page) + " holds " +
                            std::to_string(n) + " items");
      if (n < 1 || n > info.maxItems) return;
    }
    std::int32_t left = rd32(buf.data() + 2);
    bool leaf = left == 0;
    if (leaf) {
      if (leafDepth < 0) leafDepth = depth;
      if (leafDepth != depth) w->problems.push_back(indexLabel(k) + "leaves at different depths");
    }
    if (!leaf) visit(left, depth + 1, false);
    for (int i = 0; i < n; ++i) {
      const std::uint8_t* q = buf.data() + 6 + i * stride;
      int len = q[8];
      if (len > info.keyLen) {
        w->problems.push_back(indexLabel(k) + "page " + std::to_string(page) +
                              " has a key of length " + std::to_string(len));
        return;
      }
      w->entries.emplace_back(std::string(reinterpret_cast<const char*>(q + 9), len), rd32(q));
      std::int32_t right = rd32(q + 4);
      if (leaf != (right == 0)) {
        w->problems.push_back(indexLabel(k) + "page " + std::to_string(page) +
                              " mixes leaf and inner items");
        return;
      }
      if (!leaf) visit(right, depth + 1, false);
    }
  };
  if (info.hdr.rootPage != 0) visit(info.hdr.rootPage, 0, true);
  w->height = leafDepth + 1;
}

bool entryLess(const std::pair<std::string, std::int32_t>& a,
               const std::pair<std::string, std::int32_t>& b, bool dup) {
  const std::string& x = a.first;
  const std::string& y = b.first;
  int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
  if (c != 0) return c < 0;
  if (x.size() != y.size()) return x.size() < y.size();
  return dup && a.second < b.second;
}

// Problems found so far; any problem makes the block inconsistent.
struct Findings {
  CheckResult* r;
  void fail(const std::string& p) const {
    r->ok = false;
    r->problems.push_back(p);
  }
};

// The data file's length, its InUse flag, the free-record chain (in range, no cycle, as long
// as NumberFree) and that every record off the chain is marked in use.
void checkRecords(const Block& b, const Findings& f) {
  const DataHeader& dh = b.dh;
  const std::uint64_t need =
      static_cast<std::uint64_t>(dh.numRec + 1) * static_cast<std::uint64_t>(dh.lenRec);
  const bool complete = b.data.size >= need;
  if (!complete) f.fail("data file shorter than its " + std::to_string(dh.numRec) + " records");
  if (dh.inUse != 0) f.fail("data header marks the block as open (InUse = 1)");
  std::set<std::int32_t> freeRecs;
  for (std::int32_t cur = dh.firstFree; cur != -1 && complete;) {
    if (cur < 1 || cur > dh.numRec) {
      f.fail("free chain leaves the file at " + std::to_string(cur));
      break;
    }
    if (!freeRecs.insert(cur).second) {
      f.fail("free chain has a cycle at record " + std::to_string(cur));
      break;
    }
    std::uint8_t link[4];
    if (!b.data.read(static_cast<std::uint64_t>(cur) * dh.lenRec, link, 4)) break;
    cur = rd32(link);
    if (cur == 0) {
      f.fail("free chain holds a record in use");
      break;
    }
  }
  if (static_cast<std::int32_t>(freeRecs.size()) != dh.numberFree)
    f.fail("free chain holds " + std::to_string(freeRecs.size()) + " records, NumberFree is " +
           std::to_string(dh.numberFree));
  if (!complete) return;
  int stray = 0;
  for (std::int32_t n = 1; n <= dh.numRec; ++n) {
    if (freeRecs.count(n)) continue;
    std::uint8_t head[4];
    if (b.data.read(static_cast<std::uint64_t>(n) * dh.lenRec, head, 4) && rd32(head) != 0) ++stray;
  }
  if (stray) f.fail(std::to_string(stray) + " records are neither in use nor on the free chain");
}

// A sealed, unfinished change in the journal (the next open rolls it back). A journal of a
// committed unit of several blocks (its super-journal gone) is no unfinished change.
void checkJournal(const Block& b, const Findings& f) {
  if (!b.journal.f || b.journal.size <= 1) return;
  bool live = false;
  if (!blockNeedsRecovery(b.name, &live).ok() || live)
    f.fail("journal holds an unfinished change (the next open rolls it back)");
}

// Index k's free-page chain: in range, no cycle, disjoint from the tree, as long as
// NumberFreePages. Returns the pages on it.
std::set<std::int32_t> checkFreePages(const Block& b, int k, const TreeWalk& w, const Findings& f) {
  const IndexInfo& info = b.ix[static_cast<std::size_t>(k - 1)];
  std::set<std::int32_t> freePages;
  for (std::int32_t fp = info.hdr.firstFreePage; fp != -1;) {
    if (fp < 1 || fp > info.hdr.numPages) {
      f.fail(indexLabel(k) + "free page chain leaves the index at " + std::to_string(fp));
      break;
    }
    if (!freePages.insert(fp).second) {
      f.fail(indexLabel(k) + "free page chain has a cycle at " + std::to_string(fp));
      break;
    }
    if (w.pages.count(fp))
      f.fail(indexLabel(k) + "page " + std::to_string(fp) + " is both in the tree and free");
    std::uint8_t link[4];
    if (!b.index.read(static_cast<std::uint64_t>(fp * b.ixRecLen + info.keyOffset), link, 4)) {
      f.fail(indexLabel(k) + "free page beyond the end of the file");
      break;
    }
    fp = rd32(link);
  }
  if (static_cast<std::int32_t>(freePages.size()) != info.hdr.numberFreePages)
    f.fail(indexLabel(k) + "free page chain holds " + std::to_string(freePages.size()) +
           " pages, NumberFreePages is " + std::to_string(info.hdr.numberFreePages));
  return freePages;
}

// Index k: its tree (shape, order, NumKeys) and its free pages, and that every page is in
// one of the two. Appends the index's part of the summary line.
void checkIndex(const Block& b, int k, const Findings& f, std::ostream& sum) {
  const IndexInfo& info = b.ix[static_cast<std::size_t>(k - 1)];
  TreeWalk w;
  walkTree(b, k, &w);
  for (auto& p : w.problems) f.fail(p);
  const bool dup = info.hdr.allowDuplicates != 0;
  for (std::size_t i = 1; i < w.entries.size(); ++i) {
    if (!entryLess(w.entries[i - 1], w.entries[i], dup)) {
      f.fail(indexLabel(k) + "keys out of order at \"" + printable(w.entries[i].first) + "\"");
      break;
    }
  }
  if (static_cast<std::int64_t>(w.entries.size()) != info.hdr.numKeys)
    f.fail(indexLabel(k) + "NumKeys is " + std::to_string(info.hdr.numKeys) + ", the tree holds " +
           std::to_string(w.entries.size()));
  const std::set<std::int32_t> freePages = checkFreePages(b, k, w, f);
  const std::int64_t lost = info.hdr.numPages - static_cast<std::int64_t>(w.pages.size()) -
                            static_cast<std::int64_t>(freePages.size());
  if (lost > 0)
    f.fail(indexLabel(k) + std::to_string(lost) + " pages are neither in the tree nor free");
  f.r->keysPerIndex.push_back(static_cast<std::int32_t>(w.entries.size()));
  sum << "; index " << k << ": " << w.entries.size() << " keys, " << info.hdr.numPages << " pages ("
      << info.hdr.numberFreePages << " free), height " << w.height;
}

}  // namespace

CheckResult checkBlock(const std::string& name) {
  CheckResult r;
  const Findings f{&r};
  Block b;
  std::string problem;
  if (!loadBlock(name, &b, &problem)) {
    f.fail(problem);
    r.summary = name + ": unreadable: " + problem;
    return r;
  }
  const DataHeader& dh = b.dh;
  checkRecords(b, f);
  r.usedRecords = dh.numRec - dh.numberFree;
  checkJournal(b, f);
  std::ostringstream sum;
  sum << name << ": " << dh.numRec << " records (" << r.usedRecords << " in use, " << dh.numberFree
      << " free)";
  for (int k = 1; k <= dh.numberOfKeys; ++k) checkIndex(b, k, f, sum);
  sum << (r.ok ? ": OK" : ": " + std::to_string(r.problems.size()) + " problem(s)");
  r.summary = sum.str();
  return r;
}

std::string blockNameFromPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ext == "DAT" || ext == "IX" || ext == "DIA") return path.substr(0, dot);
  return path;
}

bool checkFileBlock(const std::string& name, std::ostream& out) {
  CheckResult r = checkBlock(name);
  out << r.summary << "\n";
  for (const auto& p : r.problems) out << "  " << p << "\n";
  return r.ok;
}

bool readIndexEntries(const std::string& name, int index,
                      std::vector<std::pair<std::string, std::int32_t>>* entries) {
  Block b;
  std::string problem;
  if (!loadBlock(name, &b, &problem) || index < 1 || index > b.dh.numberOfKeys) return false;
  TreeWalk w;
  walkTree(b, index, &w);
  *entries = std::move(w.entries);
  return w.problems.empty();
}

bool dumpFileBlock(const std::string& name, std::ostream& out) {
  Block b;
  std::string problem;
  if (!loadBlock(name, &b, &problem)) {
    out << name << ": unreadable: " << problem << "\n";
    return false;
  }
  const DataHeader& dh = b.dh;
  out << "data header: FirstFree=" << dh.firstFree << " NumberFree=" << dh.numberFree
      << " NumRec=" << dh.numRec << " LenRec=" << dh.lenRec << " NumberOfKeys=" << dh.numberOfKeys
      << " InUse=" << int(dh.inUse) << "\n";
  out << "free records:";
  std::set<std::int32_t> seen;
  for (std::int32_t cur = dh.firstFree; cur != -1;) {
    if (cur < 1 || cur > dh.numRec || !seen.insert(cur).second) {
      out << " " << cur << " (broken)";
      break;
    }
    out << " " << cur;
    std::uint8_t link[4];
    if (!b.data.read(static_cast<std::uint64_t>(cur) * dh.lenRec, link, 4)) break;
    cur = rd32(link);
  }
  out << "\n";
  out << "journal: " << (b.journal.f ? std::to_string(b.journal.size) + " bytes" : "missing")
      << "\n";
  for (int k = 1; k <= dh.numberOfKeys; ++k) {
    const IndexHeader& h = b.ix[static_cast<std::size_t>(k - 1)].hdr;
    out << "index " << k << ": KeyL=" << b.ix[static_cast<std::size_t>(k - 1)].keyLen
        << " PageSize=" << h.pageSize << " ItemsPerPage=" << h.itemsPerPage()
        << " AllowDuplicates=" << int(h.allowDuplicates) << " RootPage=" << h.rootPage
        << " NumPages=" << h.numPages << " FirstFreePage=" << h.firstFreePage
        << " NumberFreePages=" << h.numberFreePages << " NumKeys=" << h.numKeys << "\n";
    out << "  free pages:";
    std::set<std::int32_t> seenPages;
    for (std::int32_t fp = h.firstFreePage; fp != -1;) {
      if (fp < 1 || fp > h.numPages || !seenPages.insert(fp).second) {
        out << " " << fp << " (broken)";
        break;
      }
      out << " " << fp;
      std::uint8_t link[4];
      if (!b.index.read(static_cast<std::uint64_t>(fp * b.ixRecLen +
                                                   b.ix[static_cast<std::size_t>(k - 1)].keyOffset),
                        link, 4))
        break;
      fp = rd32(link);
    }
    out << "\n";
    TreeWalk w;
    walkTree(b, k, &w);
    for (const auto& [key, ref] : w.entries)
      out << "  \"" << printable(key) << "\" " << ref << "\n";
    for (const auto& p : w.problems) out << "  problem: " << p << "\n";
  }
  return true;
}

}  // namespace liga::storage
