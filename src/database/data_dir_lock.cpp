#include "database/data_dir_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/encoding.h"

namespace liga {
namespace {

// The holder line every process writes after taking the lock: "<program> <pid>".
std::string holderLine() {
  return std::string(program_invocation_short_name) + " " + std::to_string(getpid()) + "\n";
}

// True unless process `pid` is known not to exist (EPERM: it runs under another user).
bool processLives(const std::string& pid) {
  char* end = nullptr;
  const long n = std::strtol(pid.c_str(), &end, 10);
  if (pid.empty() || *end != '\0' || n <= 0) return true;
  return kill(static_cast<pid_t>(n), 0) == 0 || errno != ESRCH;
}

// The holder named in the lock file. The line is the last one written, which may be that of a
// reader that has ended while others still hold the lock: a process that no longer runs is
// not named as the holder.
std::string readHolder(int fd) {
  char buf[128];
  const ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
  if (n <= 0) return "ett annat program";
  std::string line(buf, static_cast<std::size_t>(n));
  if (const auto nl = line.find('\n'); nl != std::string::npos) line.resize(nl);
  const auto space = line.rfind(' ');
  if (space == std::string::npos || space == 0) return "ett annat program";
  const std::string name = line.substr(0, space) + ", process " + line.substr(space + 1);
  if (processLives(line.substr(space + 1))) return name;
  return "ett annat program (" + line.substr(0, space) + " " + line.substr(space + 1) +
         " i låsfilen körs inte längre)";
}

// Opens the lock file without following a symbolic link, creating it (O_EXCL) when it is
// missing; read-only when it cannot be written. -1 with errno set on failure.
int openLockFile(const std::string& path) {
  constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC;
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = open(path.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT) {
      fd = open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644);
      if (fd < 0 && errno == EEXIST) continue;  // made by another process in between
    }
    // flock works on a descriptor opened for reading, so an existing lock file in a folder
    // the program may not write still serves its readers.
    if (fd < 0 && (errno == EACCES || errno == EROFS))
      fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      errno = ELOOP;  // a FIFO or device in its place is refused like a link
      return -1;
    }
    return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

DataDirLock::Result DataDirLock::acquire(const std::string& dir, DataDirAccess access,
                                         std::string& holder) {
  if (held() && m_dir == dir && m_access == access) return Result::Held;
  release();
  const std::string path = (std::filesystem::path(dir) / kLockFileName).string();
  const int fd = openLockFile(path);
  if (fd < 0 && errno == ELOOP) {
    holder = path;
    return Result::NotAFile;
  }
  if (fd < 0) return Result::NoLockFile;
  const int op = access == DataDirAccess::Write ? LOCK_EX : LOCK_SH;
  if (flock(fd, op | LOCK_NB) != 0) {
    holder = errno == EWOULDBLOCK ? readHolder(fd)
                                  : std::string("låset kan inte tas: ") + std::strerror(errno);
    close(fd);
    return Result::Busy;
  }
  // A reader rewrites the line too: the holder named to a refused writer is then the most
  // recent of the readers, which is one that still holds the lock or has just let it go.
  // The name is a courtesy to the refused: when it cannot be written (a lock file opened
  // for reading only) the lock is held all the same.
  const std::string line = holderLine();
  if (ftruncate(fd, 0) == 0 && pwrite(fd, line.data(), line.size(), 0) < 0) {
    // nothing to do: see above
  }
  m_fd = fd;
  m_dir = dir;
  m_access = access;
  return Result::Held;
}

bool DataDirLock::convert(DataDirAccess access, int waitMs) {
  if (m_fd < 0) return false;
  if (m_access == access) return true;
  const int op = access == DataDirAccess::Write ? LOCK_EX : LOCK_SH;
  for (int waited = 0;; waited += 10) {
    if (flock(m_fd, op | LOCK_NB) == 0) {
      m_access = access;
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (waited >= waitMs) break;
    usleep(10000);
  }
  // flock may drop the old lock while converting; take it back.
  const int old = m_access == DataDirAccess::Write ? LOCK_EX : LOCK_SH;
  if (flock(m_fd, old | LOCK_NB) != 0) release();
  return false;
}

void DataDirLock::release() {
  if (m_fd < 0) return;
  flock(m_fd, LOCK_UN);
  close(m_fd);
  m_fd = -1;
  m_dir.clear();
}

std::string LockFileRefusedMessage(const std::string& path) {
  return Utf8ToCp1252("Låsfilen \"" + path +
                      "\" är en symbolisk länk eller ingen vanlig fil; programmet skriver "
                      "inte genom den. Ta bort den och försök igen.");
}

std::string DataDirLockedMessage(const std::string& dir, const std::string& holder) {
  return Utf8ToCp1252("Databiblioteket \"" + dir + "\" används av " + holder +
                      "; försök igen när det är klart.");
}

}  // namespace liga
