// The storage engine behind the wrapper of isam.h: file blocks, the shared page pool, the
// rollback journal and the B-tree operations. Functions here report through a Status value;
// the wrapper copies it into the process-wide IsamOK / IsamError / IsamDosError.
//
// Journal file ("DIA"). Byte 0 is the mark byte kJournalMark; while no change is in progress
// the file is exactly 1 byte long (a longer file whose entries do not form a sealed sequence
// is also "empty", see below). Entries follow from offset 1, each starting with a u16 tag
// (the names are in journal_tag below):
//   kBegin 4000   u64 nonce (new for every transaction)
//   kSuper 5000   u16 length, that many bytes: the super-journal of the unit this journal
//                 belongs to (a file name in the journal's own folder, or an absolute path)
//   1..62 page    the before-image of an index page holding that many items
//   kFreePage 63  the before-image of a page that holds no valid item count (a free page)
//   kHeader 1000  the before-image of a data header (21 bytes) or an index header (28 bytes)
//   kRecord 3000  the before-image of a data record (or, in an applied image set, of any
//                 range of the data or index file)
//   kLength 6000  an entry without bytes whose offset is the length the file had: replay
//                 cuts the file back to it after writing the images (an applied image set,
//                 storage/unit_images.h, may lengthen or shorten the files)
//   kSeal 2000    u32 number of images since begin, u32 CRC-32 of every journal byte from
//                 offset 1 up to this tag
// An image entry is: tag, u8 file (0 data, 1 index), i64 absolute offset, u32 length, bytes.
// Offsets are absolute so a replay needs nothing from the (possibly torn) headers.
//
// Protocol, for one operation outside a batch (numbered rules, re-checked by the tests):
//  (1) Changes are made in memory only: pages in the pool, headers and records in the block.
//      The first change of a page, header or existing record captures its before-image.
//  (2) Commit appends begin + images + seal in one write and syncs the journal, before the
//      first byte is written in place.
//  (3) Then pages, records and headers are written in place and the data and index files are
//      synced (only those written).
//  (4) Then the journal is cut back to its mark byte, without a sync: a journal still
//      holding a sealed sequence after a crash only rolls back to the state before the
//      operation, which is consistent.
//  (5) Replay (at open, or after a failure part-way) writes the images of every sealed
//      prefix back, syncs the files and cuts the journal back; replaying twice gives the same
//      files. A sequence without a valid seal was never followed by an in-place write, so it
//      is ignored.
//  (6) When the page pool has to give up a changed page before commit (a batch, or a pool of
//      very few buffers), the images gathered so far are appended and sealed and the journal
//      is synced before that page is written: rule (2) holds for every in-place write.
//  (7) After a failed rollback the block is broken: every operation but close fails with
//      kRollbackFailed; the journal still holds the images, so reopening restores the block.
//
// Several blocks committed as one unit (commitBatches) add a super-journal, a small file in
// the folder of the first block's journal: a title line, then one line per block journal of
// the unit (a name in that folder, or an absolute path). A commit of one block has none.
//  (8) The super-journal is written and synced, with its folder, before any block journal
//      names it; every block journal of the unit then names it (kSuper) in the sequence that
//      is sealed before its last writes in place.
//  (9) The unit commits when its super-journal is removed, after every block of the unit was
//      written in place and synced. Like the cut of a one-block commit (rule 4) the removal
//      is not synced: lost in a crash, it rolls the whole unit back. So the journals are not
//      cut then: a journal of the unit is cut only before its block's next append or at the
//      next open, each time after the folder was synced since the removal (once). A journal
//      whose sealed prefix names a super-journal that does not exist belongs to a committed
//      unit: recovery cuts it without replaying it. The super-journal's list is synced only
//      when a journal of the unit lies in another folder (rule 10 scans its own folder).
// (10) A journal naming a super-journal that exists is replayed like any other (rule 5), so
//      every block of an unfinished unit goes back to its state before the unit, each when it
//      is next opened. The super-journal is removed once no journal it lists still names it.
//      A journal without kSuper (one block, or files of an earlier version) follows rule 5.
//      A reader never replays: a block whose journal would be replayed is refused read-only
//      (kStillOpen) until a writer has opened it.
// (11) A journal whose seal no longer checks (its count or CRC is wrong, or the file ends in
//      a whole seal the parse cannot reach) was damaged after it was sealed: it may hold the
//      only way back for in-place writes that were made. The block is refused, to readers
//      and writers alike (kJournalDamaged), and nothing is replayed or cut: it is neither
//      rolled back in part nor taken as at rest. A crash only cuts an append short, which
//      leaves no seal at its end, so a torn append is still ignored (rule 5). A damaged
//      journal that names a super-journal that is gone belonged to a committed unit and is
//      only cut (rule 9).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "storage/env.h"
#include "storage/format.h"

namespace liga::storage {

inline constexpr std::uint8_t kJournalMark = 0x4A;
inline constexpr std::uint32_t kValidityMark = 0x4C494741;  // "LIGA"

// The tags of the journal's entries. A page image's tag is its item count, 1..kMaxPageTag.
namespace journal_tag {
inline constexpr std::uint16_t kMaxPageTag = kMaxItems;
inline constexpr std::uint16_t kFreePage = 63;
inline constexpr std::uint16_t kHeader = 1000;
inline constexpr std::uint16_t kSeal = 2000;
inline constexpr std::uint16_t kRecord = 3000;
inline constexpr std::uint16_t kBegin = 4000;
inline constexpr std::uint16_t kSuper = 5000;
inline constexpr std::uint16_t kLength = 6000;
}  // namespace journal_tag

struct [[nodiscard]] Status {
  std::int32_t error = 0;
  std::int32_t dos = 0;
  bool ok() const { return error == 0; }
};
inline Status okStatus() {
  return {};
}
inline Status err(std::int32_t e, std::int32_t dos = 0) {
  return {e, dos};
}

struct PathEntry {
  std::int32_t page;
  int idx;  // 1-based item on that page; 0 = the LeftChild side / before the first item
};

struct IndexState {
  IndexHeader hdr;
  std::int64_t keyOffset = 0;
  int keyLen = 0;
  int maxItems = kMaxItems;
  int stride = 0;
  std::vector<PathEntry> path;
  bool posValid = false;
};

struct Image {
  std::uint16_t tag;
  std::uint8_t file;  // 0 data, 1 index
  std::int64_t offset;
  std::string bytes;
};

struct Txn {
  bool active = false;
  bool batch = false;
  DataHeader dh0;
  std::vector<IndexHeader> ih0;
  std::set<std::pair<int, std::int32_t>> journaledPages;
  std::set<std::int32_t> journaledRecs;
  std::vector<Image> images;
  std::size_t imagesInJournal = 0;
  std::map<std::int32_t, std::string> pendingRecs;
  std::size_t pendingBytes = 0;
  bool touchedDisk = false;  // something was written in place
  bool wroteData = false;    // ... in the data file (it needs a sync before commit ends)
  bool wroteIndex = false;
  bool opDirty = false;  // the running operation changed something
  bool journalStarted = false;
  // The super-journal of the unit being committed (rule 8), set by commitBatches only.
  std::string superPath;
  bool superInJournal = false;
  std::uint64_t journalEnd = 1;
  std::uint32_t journalCrc = 0;
};

}  // namespace liga::storage

namespace liga {
// An open file block (the handle of isam.h).
struct FileBlock {
  std::uint32_t mark = storage::kValidityMark;
  std::string dataPath, indexPath, journalPath;
  std::unique_ptr<storage::File> data, index, journal;
  storage::DataHeader dh;
  std::vector<storage::IndexState> ix;  // index k is ix[k - 1]
  std::int64_t ixRecLen = 0;
  std::int64_t ixRecordsOnDisk = 0;
  bool readOnly = false;
  bool broken = false;
  // The journal still holds the sequence of a unit that committed (its super-journal is
  // gone, rule 9); it is cut before the block's next append.
  bool journalStale = false;
  // A batch was undone by a failed operation and not yet committed or aborted: every write
  // fails with kBatchRestored until then (see isam.h, batches).
  bool batchLost = false;
  storage::Txn txn;
};
}  // namespace liga

namespace liga::storage {
using liga::FileBlock;

// Parses a journal's bytes: the images of its sealed prefix (rule 5). Returns the number of
// sealed images (0 when the journal is empty or holds no complete sealed sequence).
// `superName` (when asked for) receives the super-journal the sealed prefix names, or "".
// `damaged` (when asked for) tells that the journal held a sealed sequence that no longer
// checks (rule 11).
std::size_t parseJournal(const std::string& bytes, std::vector<Image>* images,
                         std::string* superName = nullptr, bool* damaged = nullptr);

// Whether the journal of block `name` would be replayed when a writer opens it (rules 5, 9
// and 10): it holds sealed images and names no super-journal, or one that still exists.
Status blockNeedsRecovery(const std::string& name, bool* needed);

// ---- engine lifetime ----
// A batch whose changed pages fill the page pool lets the pool grow to this many times its
// configured size before it writes pages early (rule 6); 1 keeps the pool as configured.
inline constexpr int kDefaultBatchPoolGrowth = 8;
void setBatchPoolGrowth(int factor);
Status engineInit(int pageBuffers);
Status engineExit();
bool engineInitialised();
bool isOpenBlock(const FileBlock* fb);
std::vector<FileBlock*> openBlocks();

// ---- file blocks and records ----
Status createBlock(const std::string& name, std::int32_t recLen, int numKeys,
                   const std::vector<std::pair<int, bool>>& keys);
Status openBlock(const std::string& name, bool readOnly, FileBlock** out);
Status closeBlock(FileBlock* fb);
Status deleteBlock(const std::string& name);
Status addRec(FileBlock& fb, std::int32_t* recNo, const void* rec);
Status getRec(FileBlock& fb, std::int32_t recNo, void* buf);
Status putRec(FileBlock& fb, std::int32_t recNo, const void* rec);
Status deleteRec(FileBlock& fb, std::int32_t recNo);
Status beginBatch(FileBlock& fb);
Status commitBatch(FileBlock& fb);
Status abortBatch(FileBlock& fb);
// Commits the batches of several blocks as one: either all of them or none (each restored
// as before its BeginBatch, error kBatchRestored). Blocks without a running batch are skipped.
Status commitBatches(const std::vector<FileBlock*>& blocks);

// ---- keys (index numbers are 1-based; keys already cut to 30 bytes) ----
Status addKey(FileBlock& fb, int k, std::int32_t ref, std::string_view key);
Status deleteKey(FileBlock& fb, int k, std::int32_t ref, std::string_view key);
Status findKey(FileBlock& fb, int k, std::int32_t* ref, std::string_view key);
Status searchKey(FileBlock& fb, int k, std::int32_t* ref, std::string* key);
Status nextKey(FileBlock& fb, int k, std::int32_t* ref, std::string* key);
Status clearKey(FileBlock& fb, int k);

// ---- internals shared by the engine's files ----
// Opens a transaction when none is active (a batch keeps its own open).
void txnBegin(FileBlock& fb);
// Ends the current operation: commits outside a batch; inside, keeps the batch running.
// `rollbackError` is reported when the commit fails and the block was restored.
Status txnEnd(FileBlock& fb, Status opStatus, std::int32_t rollbackError);

// Page access through the shared pool. The pointer stays valid until the next pool call.
// `*verified` (when asked for) is a flag kept with the buffer: false after the page was read
// from the file or handed out for writing, so a caller can validate a page once.
Status pageRead(FileBlock& fb, int k, std::int32_t page, const std::uint8_t** bytes,
                bool** verified = nullptr);
// Returns a writable buffer for the page after capturing its before-image; the caller must
// set the number of bytes to write back with pageMarkDirty. The page counts as not validated
// afterwards; a caller that knows its edit kept a validated page valid may set `*verified`.
Status pageWrite(FileBlock& fb, int k, std::int32_t page, std::uint8_t** bytes,
                 bool** verified = nullptr);
void pageMarkDirty(FileBlock& fb, int k, std::int32_t page, int writeLen);

// Re-asserts the numbered rules above on a block between operations, as a pager's debug
// checks do: at rest (rules 1, 3 and 4: nothing held in memory, the journal cut back, the
// headers count nothing that is not in the files) or inside a running batch (rule 1: every
// changed page or record that existed has its before-image). Returns which rule fails, empty
// when all hold. Broken and read-only blocks are not checked.
std::string checkInvariants(const FileBlock& fb);
// When on, the end of every operation and batch runs checkInvariants and aborts the process
// with its message on a violation. On by default in a debug build; the tests turn it on.
void setInvariantChecks(bool on);
void assertInvariants(const FileBlock& fb);

// Engine statistics for the tests and the benchmark.
struct EngineStats {
  long long journalSyncs = 0;
  long long fileSyncs = 0;
  long long poolHits = 0;
  long long poolMisses = 0;
  long long spills = 0;
  long long foreignSpills = 0;  // early writes of another block's batch, for a buffer
};
EngineStats& engineStats();

// Number of buffers in the page pool.
int poolSize();

}  // namespace liga::storage
