#include "storage/env.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace liga::storage {
namespace {

bool g_fdatasync = true;
FileFailure g_lastFailure;

// Returns `error` after noting it against `path` (0 passes through unnoted).
int failed(const std::string& path, int error) {
  if (error != 0) noteFileFailure(path, error);
  return error;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
  ~PosixFile() override { ::close(m_fd); }

  int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) override {
    return failed(m_path, readAll(offset, buffer, n, got));
  }
  int write(std::uint64_t offset, const void* data, std::size_t n) override {
    return failed(m_path, writeAll(offset, data, n));
  }

  int sync() override {
    int r = g_fdatasync ? ::fdatasync(m_fd) : ::fsync(m_fd);
    return failed(m_path, r == 0 ? 0 : errno);
  }

  int truncate(std::uint64_t size) override {
    return failed(m_path, ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno);
  }

  int size(std::uint64_t* size) override {
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return failed(m_path, errno);
    *size = static_cast<std::uint64_t>(st.st_size);
    return 0;
  }

 private:
  int readAll(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) {
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = ::pread(m_fd, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        *got = done;
        return errno;
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    *got = done;
    return 0;
  }

  int writeAll(std::uint64_t offset, const void* data, std::size_t n) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = ::pwrite(m_fd, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (r == 0) return ENOSPC;
      done += static_cast<std::size_t>(r);
    }
    return 0;
  }

  int m_fd;
  std::string m_path;
};

// open(2) with `flags`, retried on EINTR; -1 with errno set on failure.
int openRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens for writing without following a symbolic link; a file that has to be made is
// created with O_EXCL. `create` makes a missing file, `truncate` empties an existing one.
int openForWriting(const std::string& path, bool create, bool truncate) {
  const int base = O_CLOEXEC | O_RDWR | O_NOFOLLOW;
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = openRetrying(path, base | (truncate ? O_TRUNC : 0));
    if (fd >= 0 || errno != ENOENT || !create) return fd;
    const int made = openRetrying(path, base | O_CREAT | O_EXCL);
    // EEXIST: another process made the name in between; open what it made.
    if (made >= 0 || errno != EEXIST) return made;
  }
  errno = EEXIST;
  return -1;
}

class PosixEnv final : public Env {
 public:
  int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override {
    int fd = -1;
    switch (mode) {
      case OpenMode::Existing:
        fd = openForWriting(path, false, false);
        break;
      case OpenMode::Create:
        fd = openForWriting(path, true, true);
        break;
      case OpenMode::OpenOrCreate:
        fd = openForWriting(path, true, false);
        break;
      case OpenMode::ReadOnly:
        fd = openRetrying(path, O_CLOEXEC | O_RDONLY);
        break;
    }
    if (fd < 0) return failed(path, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
      ::close(fd);
      return failed(path, EISDIR);
    }
    *file = std::make_unique<PosixFile>(fd, path);
    return 0;
  }

  int remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

  int rename(const std::string& from, const std::string& to) override {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without RENAME_NOREPLACE: link() refuses an existing target too.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) return errno;
    return 0;
  }

  bool exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  int syncDirOf(const std::string& path) override {
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int r = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return r;
  }

  int listDir(const std::string& dir, std::vector<std::string>* names) override {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return errno;
    names->clear();
    while (dirent* e = ::readdir(d)) names->emplace_back(e->d_name);
    ::closedir(d);
    return 0;
  }
};

Env* g_current = nullptr;

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const FileFailure& lastFileFailure() {
  return g_lastFailure;
}
void noteFileFailure(const std::string& path, int error) {
  g_lastFailure = {path, error};
}

Env* posixEnv() {
  static PosixEnv env;
  return &env;
}

void setPosixSyncMode(bool useFdatasync) {
  g_fdatasync = useFdatasync;
}
bool posixSyncUsesFdatasync() {
  return g_fdatasync;
}

Env* currentEnv() {
  return g_current ? g_current : posixEnv();
}
void setCurrentEnv(Env* env) {
  g_current = env;
}

std::string resolveCaseInsensitive(Env* env, const std::string& path) {
  if (env->exists(path)) return path;
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::vector<std::string> names;
  if (env->listDir(slash == 0 ? "/" : dir, &names) != 0) return path;
  for (const auto& n : names) {
    if (equalsIgnoringAsciiCase(n, base)) return slash == std::string::npos ? n : dir + "/" + n;
  }
  return path;
}

}  // namespace liga::storage
