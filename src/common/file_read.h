// Reading a whole input file the user named (an exchange file, a mask file) without hanging
// on what is not a file and without filling memory with what is too large to be one.
#pragma once

#include <cstddef>
#include <string>

namespace liga {

enum class ReadProblem {
  None,
  CannotOpen,  // missing, unreadable; `error` holds the errno
  NotRegular,  // a FIFO, a device, a socket or a directory: never read
  TooLarge,    // larger than the limit; nothing is returned
  ReadFailed,  // an I/O error part-way; `error` holds the errno
};

struct ReadOutcome {
  ReadProblem problem = ReadProblem::None;
  int error = 0;
};

// The largest input file read: far above any competition (ten classes, 3,600 teams, 4,800
// matches come to a few megabytes).
inline constexpr std::size_t kMaxInputFileBytes = 64u << 20;

// Reads all of the regular file `path` into `content`. The file is opened non-blocking, so a
// FIFO is refused at once instead of waiting for a writer; a file that grows past `limit`
// while it is read is refused too.
ReadOutcome ReadRegularFile(const std::string& path, std::string& content,
                            std::size_t limit = kMaxInputFileBytes);

// The system error `error` in words for the user (UTF-8): the common ones in Swedish.
std::string SystemErrorText(int error);

// The problem in words for a message, naming `path` (UTF-8; empty for None).
std::string ReadProblemText(const ReadOutcome& outcome, const std::string& path);

}  // namespace liga
