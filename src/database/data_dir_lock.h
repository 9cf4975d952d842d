// The lock that makes one program at a time the writer of a data directory.
//
// Guarantees:
//  1. The lock is an advisory flock on the file "LigaWin32.lock" in the data directory:
//     shared for a program that only reads, exclusive for one that may write. Any number of
//     readers or exactly one writer hold it at a time.
//  2. It is never waited for: a program that cannot have it is refused at once and is told
//     who holds it (program name and process id, which every holder writes into the file).
//  3. The lock file is opened without following a symbolic link and created with O_EXCL:
//     a link placed under its name is refused (NotAFile), never written through.
//  4. The kernel drops the lock when its holder ends, however it ends, so the lock of a dead
//     process never blocks. The file itself stays; its contents are only a name.
#pragma once

#include <string>

namespace liga {

inline constexpr const char* kLockFileName = "LigaWin32.lock";

enum class DataDirAccess { Read, Write };

class DataDirLock {
 public:
  DataDirLock() = default;
  ~DataDirLock() { release(); }
  DataDirLock(const DataDirLock&) = delete;
  DataDirLock& operator=(const DataDirLock&) = delete;

  enum class Result {
    Held,        // the lock is ours
    Busy,        // another process holds it; `holder` names it ("liga, process 1234")
    NoLockFile,  // the lock file can neither be created nor opened (a missing or read-only
                 // folder): there is nothing to lock, and no writer can work there either
    NotAFile,    // the lock file's name is a symbolic link (or not a regular file), which is
                 // never opened or written through; `holder` is its path
  };
  // Takes the lock of `dir` for `access` without waiting; a lock already held is released
  // first unless it is the one asked for.
  Result acquire(const std::string& dir, DataDirAccess access, std::string& holder);
  void release();
  // Converts the lock held to `access` on the same lock file, waiting up to `waitMs` for
  // other holders to let go. A reader that must finish a crashed writer's rollback takes it
  // exclusively for that moment and then shared again. False when no lock is held or it
  // could not be converted in time; the lock held before is then kept where possible.
  bool convert(DataDirAccess access, int waitMs);

  bool held() const { return m_fd >= 0; }
  const std::string& dir() const { return m_dir; }
  DataDirAccess access() const { return m_access; }

 private:
  int m_fd = -1;
  std::string m_dir;
  DataDirAccess m_access = DataDirAccess::Read;
};

// The refusal text for a lock file at `path` that is a symbolic link (code page 1252).
std::string LockFileRefusedMessage(const std::string& path);

// The refusal text shown when the lock of `dir` is held by `holder` (code page 1252).
std::string DataDirLockedMessage(const std::string& dir, const std::string& holder);

}  // namespace liga
