#include "database/change_images.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/isam_error.h"
#include "database/data_dir_lock.h"
#include "database/database.h"
#include "storage/env.h"
#include "storage/isam.h"
#include "storage/unit_images.h"

namespace liga {

namespace {

using storage::currentEnv;

// Differences are kept in pieces of this size (a record or an index page is smaller than a
// few of them), so a change of a few records keeps a few kilobytes.
constexpr std::size_t kChunk = 512;
// Far above any competition's record file (a few megabytes).
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

std::string extensionOf(const std::string& name) {
  const auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return ext;
}

bool isRecordFile(const std::string& name) {
  const std::string ext = extensionOf(name);
  return ext == "DAT" || ext == "IX";
}

bool isJournalFile(const std::string& name) {
  const std::string ext = extensionOf(name);
  return ext == "DIA" || (name.rfind("super-", 0) == 0 && ext == "SJ");
}

// As the database joins its block names, so an open block is found by its path.
std::string inDir(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string blockNameOf(const std::string& dir, const std::string& name) {
  return inDir(dir, name.substr(0, name.rfind('.')));
}

// 0, or the errno of the failure; EISDIR for a folder.
int readFile(const std::string& path, std::string* bytes) {
  std::unique_ptr<storage::File> f;
  if (int e = currentEnv()->open(path, storage::OpenMode::ReadOnly, &f)) return e;
  std::uint64_t size = 0;
  if (int e = f->size(&size)) return e;
  bytes->assign(static_cast<std::size_t>(size), '\0');
  std::size_t got = 0;
  if (int e = f->read(0, bytes->data(), bytes->size(), &got)) return e;
  if (got != bytes->size()) return EIO;
  return 0;
}

// FNV-1a, 64 bits: tells whether a file still holds the bytes it held.
std::uint64_t hashOf(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::optional<std::string> currentContents(const std::string& path, bool* failed) {
  std::string bytes;
  const int e = readFile(path, &bytes);
  if (e == ENOENT) return std::nullopt;
  if (e != 0) *failed = true;
  return bytes;
}

}  // namespace

DirSnapshot TakeSnapshot(const std::string& dir) {
  DirSnapshot snap;
  std::vector<std::string> names;
  if (currentEnv()->listDir(dir, &names)) {
    snap.ok = false;
    return snap;
  }
  for (const std::string& name : names) {
    if (name == "." || name == ".." || name == kLockFileName) continue;
    // Journals and super-journals are the storage engine's: at rest they hold nothing
    // (cut) or a committed unit the engine cuts before it uses the journal again, so their
    // bytes are no part of a change, and putting old ones back behind the engine's open
    // handles would take a block's rollback away from it.
    if (isJournalFile(name)) continue;
    const std::string path = inDir(dir, name);
    // Only regular files are read (a FIFO would block the window); a file the program does
    // not write and too large to keep is left out, a record file that large stops the
    // history.
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(path, ec);
    if (!ec && st.type() != std::filesystem::file_type::regular) continue;
    if (!ec && std::filesystem::file_size(path, ec) > kMaxFileBytes && !ec) {
      if (isRecordFile(name)) snap.ok = false;
      continue;
    }
    std::string bytes;
    const int e = readFile(path, &bytes);
    if (e == EISDIR) continue;
    if (e != 0) {
      snap.ok = false;
      continue;
    }
    snap.files.emplace(name, std::move(bytes));
  }
  return snap;
}

ChangeImages::FileChange ChangeImages::rangedChange(const std::string& name, const std::string& a,
                                                    const std::string& b) {
  FileChange f;
  f.name = name;
  f.ranged = true;
  f.lengthBefore = a.size();
  f.lengthAfter = b.size();
  f.hashBefore = hashOf(a);
  f.hashAfter = hashOf(b);
  const std::size_t end = std::max(a.size(), b.size());
  auto part = [](const std::string& s, std::size_t from, std::size_t to) {
    if (from >= s.size()) return std::string();
    return s.substr(from, std::min(to, s.size()) - from);
  };
  for (std::size_t at = 0; at < end;) {
    const std::size_t stop = std::min(end, at + kChunk);
    if (part(a, at, stop) == part(b, at, stop)) {
      at = stop;
      continue;
    }
    // Adjacent differing chunks form one range.
    std::size_t last = stop;
    while (last < end) {
      const std::size_t next = std::min(end, last + kChunk);
      if (part(a, last, next) == part(b, last, next)) break;
      last = next;
    }
    f.ranges.push_back(Range{at, part(a, at, last), part(b, at, last)});
    at = last;
  }
  return f;
}

ChangeImages ChangeImages::Between(const std::string& dir, const DirSnapshot& before,
                                   const DirSnapshot& after) {
  ChangeImages c;
  c.m_dir = dir;
  std::set<std::string> names;
  for (const auto& [name, bytes] : before.files) names.insert(name);
  for (const auto& [name, bytes] : after.files) names.insert(name);
  for (const std::string& name : names) {
    const auto a = before.files.find(name);
    const auto b = after.files.find(name);
    const bool inA = a != before.files.end(), inB = b != after.files.end();
    if (inA && inB && a->second == b->second) continue;
    if (inA && inB && isRecordFile(name)) {
      c.m_files.push_back(rangedChange(name, a->second, b->second));
      continue;
    }
    FileChange f;
    f.name = name;
    if (inA) f.before = a->second;
    if (inB) f.after = b->second;
    c.m_files.push_back(std::move(f));
  }
  return c;
}

namespace {

// A ranged change cut into its chunks: chunk start -> bytes before and after.
using Chunks = std::map<std::uint64_t, std::pair<std::string, std::string>>;

template <typename FileChange>
Chunks chunksOf(const FileChange& f) {
  Chunks chunks;
  for (const auto& r : f.ranges) {
    const std::size_t extent = std::max(r.before.size(), r.after.size());
    for (std::size_t at = 0; at < extent; at += kChunk) {
      auto part = [at](const std::string& s) {
        return at >= s.size() ? std::string() : s.substr(at, kChunk);
      };
      chunks[r.offset + at] = {part(r.before), part(r.after)};
    }
  }
  return chunks;
}

}  // namespace

ChangeImages::FileChange ChangeImages::composed(const FileChange& first, const FileChange& then) {
  FileChange f = first;
  if (!first.ranged) {
    f.after = then.after;
    return f;
  }
  f.lengthAfter = then.lengthAfter;
  f.hashAfter = then.hashAfter;
  f.ranges.clear();
  // A chunk the first change left alone held the same bytes before both; one the second
  // left alone holds after both what the first put there.
  Chunks chunks = chunksOf(first);
  for (const auto& [at, bytes] : chunksOf(then)) {
    auto it = chunks.find(at);
    if (it == chunks.end()) {
      chunks.emplace(at, bytes);
    } else {
      it->second.second = bytes.second;
    }
  }
  for (const auto& [at, bytes] : chunks) {
    if (bytes.first == bytes.second) continue;
    // Chunks are whole but at the end of a side's file, so a range ends where its longer
    // side does.
    const bool adjacent =
        !f.ranges.empty() && f.ranges.back().offset + std::max(f.ranges.back().before.size(),
                                                               f.ranges.back().after.size()) ==
                                 at;
    if (adjacent) {
      f.ranges.back().before += bytes.first;
      f.ranges.back().after += bytes.second;
    } else {
      f.ranges.push_back(Range{at, bytes.first, bytes.second});
    }
  }
  return f;
}

bool ChangeImages::absorb(const ChangeImages& next) {
  std::map<std::string, const FileChange*> later;
  for (const FileChange& f : next.m_files) later[f.name] = &f;
  for (const FileChange& f : m_files) {
    const auto it = later.find(f.name);
    if (it != later.end() && it->second->ranged != f.ranged) return false;
  }
  std::vector<FileChange> files;
  for (const FileChange& f : m_files) {
    const auto it = later.find(f.name);
    files.push_back(it == later.end() ? f : composed(f, *it->second));
    if (it != later.end()) later.erase(it);
  }
  for (const auto& [name, f] : later) files.push_back(*f);
  // What the second change took back is no change at all.
  std::erase_if(files, [](const FileChange& f) {
    return f.ranged ? f.ranges.empty() && f.lengthBefore == f.lengthAfter : f.before == f.after;
  });
  m_files = std::move(files);
  return true;
}

void ChangeImages::keepRecordFilesOnly() {
  std::erase_if(m_files, [](const FileChange& f) { return !isRecordFile(f.name); });
}

std::size_t ChangeImages::bytes() const {
  std::size_t n = 0;
  for (const FileChange& f : m_files) {
    n += f.name.size() + (f.before ? f.before->size() : 0) + (f.after ? f.after->size() : 0);
    for (const Range& r : f.ranges) n += r.before.size() + r.after.size() + sizeof r;
  }
  return n;
}

bool ChangeImages::holds(const FileChange& f, Side side) const {
  const bool before = side == Side::Before;
  bool failed = false;
  const auto now = currentContents(inDir(m_dir, f.name), &failed);
  if (failed) return false;
  if (!f.ranged) return now == (before ? f.before : f.after);
  if (!now || now->size() != (before ? f.lengthBefore : f.lengthAfter)) return false;
  for (const Range& r : f.ranges) {
    const std::string& want = before ? r.before : r.after;
    if (now->compare(static_cast<std::size_t>(r.offset), want.size(), want) != 0) return false;
  }
  return hashOf(*now) == (before ? f.hashBefore : f.hashAfter);
}

std::vector<std::string> ChangeImages::differences(Side side) const {
  std::vector<std::string> names;
  for (const FileChange& f : m_files) {
    if (!holds(f, side)) names.push_back(f.name);
  }
  return names;
}

bool ChangeImages::applyRanged(Side side, std::string* error) const {
  const bool before = side == Side::Before;
  std::map<std::string, storage::BlockImage> blocks;
  std::map<std::string, std::set<int>> given;
  for (const FileChange& f : m_files) {
    if (!f.ranged) continue;
    const std::string name = blockNameOf(m_dir, f.name);
    storage::BlockImage& block = blocks[name];
    block.name = name;
    const int file = extensionOf(f.name) == "DAT" ? 0 : 1;
    given[name].insert(file);
    block.length[file] = before ? f.lengthBefore : f.lengthAfter;
    for (const Range& r : f.ranges) {
      const std::string& bytes = before ? r.before : r.after;
      if (!bytes.empty())
        block.pieces.push_back({static_cast<std::uint8_t>(file), r.offset, bytes});
    }
  }
  std::vector<storage::BlockImage> list;
  for (auto& [name, block] : blocks) {
    // The file of the block that did not change keeps its length.
    for (int file = 0; file < 2; ++file) {
      if (given[name].count(file)) continue;
      std::string bytes;
      if (readFile(storage::blockFilePath(name, file), &bytes) == 0)
        block.length[file] = bytes.size();
    }
    list.push_back(std::move(block));
  }
  if (list.empty()) return true;
  const storage::Status s = storage::applyBlockImages(list);
  if (s.ok()) return true;
  IsamOK = false;
  IsamError = s.error;
  IsamDosError = s.dos;
  *error = IsamErrorText();
  return false;
}

bool ChangeImages::applyWhole(Side side, bool creations, std::string* error) const {
  const bool before = side == Side::Before;
  for (const FileChange& f : m_files) {
    if (f.ranged) continue;
    const std::optional<std::string>& from = before ? f.after : f.before;
    const std::optional<std::string>& to = before ? f.before : f.after;
    if (creations != (to && !from)) continue;
    const std::string path = inDir(m_dir, f.name);
    const bool ok = to ? ReplaceFile(path, *to) : std::remove(path.c_str()) == 0;
    if (!ok) {
      *error = Utf8ToCp1252("Filen \"" + path + "\" kunde inte skrivas");
      return false;
    }
  }
  return true;
}

bool ChangeImages::apply(Side side, std::string* error) const {
  const std::vector<std::string> changed =
      differences(side == Side::Before ? Side::After : Side::Before);
  if (!changed.empty()) {
    std::string list;
    for (const std::string& name : changed) list += (list.empty() ? "" : ", ") + name;
    *error = Utf8ToCp1252("Datafilerna har ändrats sedan dess (" + list +
                          "), av ett annat program eller utanför fönstret");
    return false;
  }
  return applyWhole(side, true, error) && applyRanged(side, error) &&
         applyWhole(side, false, error);
}

}  // namespace liga
