// The one way this program replaces a file: the new contents are written to a temporary
// file beside the target, synced, renamed over the target and the folder synced. A reader
// sees either the old file or the whole new one, and a failure at any step leaves the old
// file as it was and no temporary behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace liga {

// A replacement in progress. Create it, write() the contents, then commit(). Destroying it
// without a successful commit() removes the temporary and leaves the target untouched.
class PendingFile {
 public:
  // `mode` is the new file's permission bits; 0600 for a file that holds a password.
  explicit PendingFile(std::string target, mode_t mode = 0644);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the temporary beside the target. False when it cannot be made.
  bool open();
  // Appends bytes to the temporary. False once any write failed (later writes do nothing).
  bool write(std::string_view bytes);
  // Syncs, closes and renames the temporary over the target, then syncs the folder.
  // False on any failure; the target then keeps its old contents.
  bool commit();
  // Removes the temporary; the target keeps its old contents.
  void discard();

  const std::string& target() const { return m_target; }
  // The errno of the first failure, 0 when none.
  int error() const { return m_errno; }

 private:
  bool fail();

  std::string m_target;
  std::string m_temp;
  mode_t m_mode;
  int m_fd = -1;
  int m_errno = 0;
};

// Replaces `target` with `bytes` as PendingFile does. False on failure, with errno set.
bool ReplaceFile(const std::string& target, std::string_view bytes, mode_t mode = 0644);

}  // namespace liga
