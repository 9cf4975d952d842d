#include "common/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace liga {

ReadOutcome ReadRegularFile(const std::string& path, std::string& content, std::size_t limit) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {ReadProblem::CannotOpen, errno};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {ReadProblem::NotRegular, 0};
  }
  if (static_cast<std::uint64_t>(st.st_size) > limit) {
    ::close(fd);
    return {ReadProblem::TooLarge, 0};
  }
  content.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int e = errno;
      ::close(fd);
      content.clear();
      return {ReadProblem::ReadFailed, e};
    }
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > limit) {
      ::close(fd);
      content.clear();
      return {ReadProblem::TooLarge, 0};
    }
    content.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return {};
}

std::string SystemErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "åtkomst nekad";
    case ENOENT:
      return "finns inte";
    case ENOTDIR:
      return "är inte en katalog";
    case EISDIR:
      return "är en katalog";
    case EEXIST:
      return "finns redan";
    case EROFS:
      return "skrivskyddat filsystem";
    case ENOSPC:
    case EDQUOT:
      return "disken är full";
    case ELOOP:
      return "är en symbolisk länk";
    case EFBIG:
      return "filen blir större än tillåtet";
    default:
      return std::strerror(error);
  }
}

std::string ReadProblemText(const ReadOutcome& outcome, const std::string& path) {
  switch (outcome.problem) {
    case ReadProblem::None:
      return {};
    case ReadProblem::CannotOpen:
      return "kan ej öppna \"" + path + "\" (" + SystemErrorText(outcome.error) + ")";
    case ReadProblem::NotRegular:
      return "\"" + path + "\" är ingen vanlig fil (en katalog, FIFO eller enhet), inget läses";
    case ReadProblem::TooLarge:
      return "\"" + path + "\" är större än " + std::to_string(kMaxInputFileBytes >> 20) +
             " MB, inget läses";
    case ReadProblem::ReadFailed:
      return "\"" + path + "\" kunde inte läsas (" + std::strerror(outcome.error) + ")";
  }
  return {};
}

}  // namespace liga
