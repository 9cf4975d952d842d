// The bytes a change made to the data directory, kept so the window can take the change
// back and make it again.
//
// A snapshot holds every file of the data directory the program writes (record files,
// index files, the tie-order files and whatever else lies there) but the storage engine's
// journals, read through the storage environment. Two snapshots give the change between them: for a
// record or index file the ranges that differ with their bytes before and after and the file's
// lengths, for any other file its whole contents before and after (or that it did not exist).
//
// Applying one side checks first that the files hold exactly the other side: a file changed
// since (by another program, by hand, by a command that was not recorded) stops it before
// anything is written. The record and index files are then written as one unit of the
// storage engine (storage/unit_images.h): a crash leaves all of them before or all after.
// Other files are replaced one by one, each atomically: files that come into being before
// the unit, files that change or go away after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace liga {

struct DirSnapshot {
  std::map<std::string, std::string> files;  // name in the data directory -> contents
  bool ok = true;                            // every file could be read
};

// Reads every regular file of `dir` except the lock file, journals, super-journals and files
// above 64 MB that are not record files (`ok` is false when a record file is that large or a
// file could not be read).
DirSnapshot TakeSnapshot(const std::string& dir);

class ChangeImages {
 public:
  enum class Side { Before, After };

  static ChangeImages Between(const std::string& dir, const DirSnapshot& before,
                              const DirSnapshot& after);

  bool empty() const { return m_files.empty(); }
  // Makes this the change from its "before" to the "after" of `next`, a change that
  // followed it: one set of images, applied as one unit. False (nothing changed) when a
  // file is a record file on one side and created or removed on the other.
  bool absorb(const ChangeImages& next);
  // Forgets every file but the record and index files: what a report or an export
  // writes beside them (an exchange file, a PDF) is the person's, not part of a change.
  void keepRecordFilesOnly();
  // The bytes kept in memory.
  std::size_t bytes() const;
  // Names of the files that do not hold `side` now (empty: all of them do).
  std::vector<std::string> differences(Side side) const;
  // Puts `side` back, after checking that the files hold the other side. False with a
  // Swedish message (code page 1252) in `*error` when they do not or a write failed.
  bool apply(Side side, std::string* error) const;

 private:
  struct Range {
    std::uint64_t offset = 0;
    std::string before, after;  // each cut to its side's length
  };
  struct FileChange {
    std::string name;
    bool ranged = false;                       // a record or index file that exists on both sides
    std::optional<std::string> before, after;  // whole contents; nullopt: no such file
    std::uint64_t lengthBefore = 0, lengthAfter = 0;
    // Of the whole file on each side: a change anywhere else in it is seen as well.
    std::uint64_t hashBefore = 0, hashAfter = 0;
    std::vector<Range> ranges;
  };
  static FileChange rangedChange(const std::string& name, const std::string& a,
                                 const std::string& b);
  static FileChange composed(const FileChange& first, const FileChange& then);
  bool holds(const FileChange& f, Side side) const;
  bool applyRanged(Side side, std::string* error) const;
  bool applyWhole(Side side, bool creations, std::string* error) const;

  std::string m_dir;
  std::vector<FileChange> m_files;
};

}  // namespace liga
