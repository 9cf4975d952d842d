// Test environments for the file interface: an in-memory file system with a power-cut
// model, and a fault wrapper that fails chosen calls.
//
// MemEnv keeps, per file, the durable bytes (what survives a power cut) and the list of
// writes and truncates made since the file's last sync. powerCut() decides the fate of each
// unsynced change - kept, dropped, torn (a prefix kept) or garbled (random bytes) - the way a
// disk with a write cache may, then makes the result the file's contents. Creating a file is
// durable at once; removing or renaming one only once its folder is synced (syncDirOf): a
// power cut that drops the removal brings the file back as the model leaves its bytes, one
// that drops a rename gives the file its old name again (unless that name was taken since: a
// file created there later shows the rename had reached the disk).
//
// FaultEnv forwards to another Env and counts every read, write, sync and truncate. It can
// fail the Nth call of a kind (once or from then on, a short write, a full disk) or "cut the
// power" at the Nth call: that call and every later one fails, so nothing more reaches the
// files until the test reopens them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "storage/env.h"

namespace liga::storage {

class MemEnv final : public Env {
 public:
  enum class Cut { KeepAll, DropAll, Random };

  int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override;
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  bool exists(const std::string& path) override;
  int listDir(const std::string& dir, std::vector<std::string>* names) override;
  // Makes every removal and rename in the folder of `path` durable.
  int syncDirOf(const std::string& path) override;

  // Applies the power-cut model to every file. REQUIRES: no File of this env is used again
  // (the engine's blocks were dropped or closed).
  void powerCut(Cut cut, std::mt19937& rng);
  // Makes every pending change durable (as if every file were synced).
  void syncAll();

  std::string contents(const std::string& path) const;
  // Puts a durable file in place; every removal made so far counts as durable too (a test
  // setting up the state a disk holds at rest).
  void setContents(const std::string& path, const std::string& bytes);
  std::vector<std::string> paths() const;
  std::size_t unsyncedOps() const;

  struct Op {
    bool truncate = false;
    std::uint64_t offset = 0;  // write offset, or the new size of a truncate
    std::string bytes;
  };
  struct FileState {
    std::string durable;
    std::string current;
    std::vector<Op> pending;
  };
  // What a file holds after a power cut: its durable bytes with each pending change kept,
  // dropped, torn or garbled as `cut` decides.
  static std::string afterCut(const FileState& file, Cut cut, std::mt19937& rng);

 private:
  std::map<std::string, std::shared_ptr<FileState>> m_files;
  // Files removed since their folder was last synced, as they were.
  std::map<std::string, std::shared_ptr<FileState>> m_removed;
  // Renames (from, to) since the folder was last synced, in the order made.
  std::vector<std::pair<std::string, std::string>> m_renamed;
};

// Which of the unsynced renames `renamed` (in the order made) a power cut drops: the
// latest first, each with a fair chance under Cut::Random, every one under Cut::DropAll.
// `takeBack(from, to)` puts one back when its old name is still free.
template <typename TakeBack>
void dropRenames(const std::vector<std::pair<std::string, std::string>>& renamed, MemEnv::Cut cut,
                 std::mt19937& rng, TakeBack takeBack) {
  if (cut == MemEnv::Cut::KeepAll) return;
  for (auto it = renamed.rbegin(); it != renamed.rend(); ++it) {
    if (cut == MemEnv::Cut::Random && rng() % 2 == 0) continue;
    takeBack(it->first, it->second);
  }
}

// An environment that hands every call to another; a wrapper overrides what it watches.
class ForwardingEnv : public Env {
 public:
  explicit ForwardingEnv(Env* base) : m_base(base) {}

  int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override {
    return m_base->open(path, mode, file);
  }
  int remove(const std::string& path) override { return m_base->remove(path); }
  int rename(const std::string& from, const std::string& to) override {
    return m_base->rename(from, to);
  }
  bool exists(const std::string& path) override { return m_base->exists(path); }
  int listDir(const std::string& dir, std::vector<std::string>* names) override {
    return m_base->listDir(dir, names);
  }
  int syncDirOf(const std::string& path) override { return m_base->syncDirOf(path); }

 protected:
  Env* m_base;
};

class FaultEnv final : public ForwardingEnv {
 public:
  // Dir: removing or renaming a file, or syncing a folder.
  enum class Kind { Read, Write, Sync, Truncate, Dir, Any };
  static constexpr int kKinds = 6;

  explicit FaultEnv(Env* base) : ForwardingEnv(base) {}

  int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override;
  // Removing or renaming a file and syncing a folder are calls of kind Dir: a cut or a
  // failure of any call can fall on them like on a file's calls.
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  int syncDirOf(const std::string& path) override;

  // Fails the call with index `n` (0-based, counted since resetCounts) of `kind`; with
  // `persistent` every later call of that kind fails too. `shortWrite` lets a failing write
  // put the first half of its bytes on the file before failing.
  void failAt(Kind kind, long long n, bool persistent, int error = 5, bool shortWrite = false);
  // From call `n` (any kind) on, every call fails and has no effect.
  void cutAt(long long n);
  // Writes that would make a file longer fail with ENOSPC (after writing what fits: nothing).
  void setDiskFull(bool full) { m_diskFull = full; }
  void disarm();
  void resetCounts();

  long long count(Kind kind) const { return m_count[static_cast<int>(kind)]; }
  bool cut() const { return m_cutHit; }
  bool failed() const { return m_failedOnce; }

  // Called by FaultFile: 0 to go ahead, else the errno to return. `*shortWrite` is set when
  // the failing call should write half of its bytes first.
  int before(Kind kind, bool* shortWrite);

 private:
  long long m_count[kKinds] = {};
  Kind m_failKind = Kind::Any;
  long long m_failAt = -1;
  bool m_persistent = false;
  bool m_short = false;
  int m_error = 5;
  long long m_cutAt = -1;
  bool m_cutHit = false;
  bool m_failedOnce = false;
  bool m_diskFull = false;

 public:
  bool diskFull() const { return m_diskFull; }
};

}  // namespace liga::storage
