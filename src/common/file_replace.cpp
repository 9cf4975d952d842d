#include "common/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace liga {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

PendingFile::PendingFile(std::string target, mode_t mode)
    : m_target(std::move(target)), m_mode(mode) {}

PendingFile::~PendingFile() { discard(); }

bool PendingFile::fail() {
  if (m_errno == 0) m_errno = errno != 0 ? errno : EIO;
  return false;
}

bool PendingFile::open() {
  discard();
  m_errno = 0;
  std::string name = m_target + ".XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return fail();
  // mkstemp makes the file 0600; the caller's mode is applied as asked, not through umask,
  // so a file that holds a password is never readable by others even for a moment.
  if (::fchmod(fd, m_mode) != 0) {
    fail();
    ::close(fd);
    ::unlink(name.c_str());
    return false;
  }
  m_fd = fd;
  m_temp = std::move(name);
  return true;
}

bool PendingFile::write(std::string_view bytes) {
  if (m_fd < 0 || m_errno != 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return fail();
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PendingFile::commit() {
  if (m_fd < 0 || m_errno != 0) {
    if (m_errno == 0) m_errno = EBADF;
    discard();
    return false;
  }
  bool ok = ::fsync(m_fd) == 0 || fail();
  if (::close(m_fd) != 0 && ok) ok = fail();
  m_fd = -1;
  if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0) ok = fail();
  if (!ok) {
    discard();
    return false;
  }
  m_temp.clear();
  // The rename is durable only once the folder that holds the name is synced.
  const int dir = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    const bool synced = ::fsync(dir) == 0;
    if (!synced) fail();
    ::close(dir);
    if (!synced) return false;
  }
  return true;
}

void PendingFile::discard() {
  const int saved = errno;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
  errno = saved;
}

bool ReplaceFile(const std::string& target, std::string_view bytes, mode_t mode) {
  PendingFile file(target, mode);
  if (!file.open() || !file.write(bytes) || !file.commit()) {
    errno = file.error();
    return false;
  }
  return true;
}

}  // namespace liga
