// The application's interface to the storage engine.
//
// A file block is one data file of fixed-length records ("NAME.DAT"), one index file holding
// all B-tree indexes of the block ("NAME.IX", absent when the block has no keys) and one
// rollback journal ("NAME.DIA"). Names are paths without extension; if the last path component
// contains a dot, the text after the last dot is replaced by the extension. A name of the form
// "data;index" gives the data file and the index file different base names (the journal uses
// the data file's). Opening looks for the exact file name first and then for a
// case-insensitive match in the same folder, so data folders copied from other installations
// open as they are.
//
// Status convention: the engine never throws. Every operation sets the process-wide status
// below, and the caller tests `IsamOK` right after the call. `IsamError` holds the error
// number of the last failed operation (0 after success), `IsamDosError` the operating
// system's errno behind an I/O failure (else 0). Error texts live in the message catalogue
// (common/messages.h); this interface only sets numbers.
//
// Durability: every modifying operation (AddRec, PutRec, DeleteRec, AddKey, DeleteKey) is
// atomic. After a crash at any instant the next OpenFileBlock shows the block as it was either
// before or after the operation. Inside a batch (BeginBatch .. CommitBatch) the whole batch is
// the unit: a crash rolls the block back to its state before BeginBatch.
//
// Keys are byte strings in code page 1252, compared as unsigned bytes (a shorter key that is a
// prefix of a longer one sorts first). The wrapper cuts every key to 30 characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/isam_error.h"

namespace liga {

// ---- engine status (process-wide) ----

extern bool IsamOK;
extern std::int32_t IsamError;
extern std::int32_t IsamDosError;

// 0 no error; 1 expected negative result (not found, end of sequence); 2 access conflict or
// unavailable path, may succeed later; 3 failed and restored from the journal
// (kAddRecRestored..kRestoredLast); 4 any other failure. Classifies the current IsamError.
int IsamErrorClass();
int IsamErrorClassOf(std::int32_t error);

// ---- handles ----

// An open file block. Opaque; a handle is "none" when it is nullptr.
struct FileBlock;
using FileBlockPtr = FileBlock*;

inline constexpr int kMaxKeys = 100;
inline constexpr int kMaxKeyLength = 30;

// One index of a file block, given at creation.
struct KeyDesc {
  int length = 0;                // 1..30
  bool allowDuplicates = false;  // duplicates are ordered by record number
};

// ---- engine start-up and shut-down ----

// Starts the engine. `args` are the program's command-line arguments: any argument that
// contains "/NET" (any case) requests network mode, which this engine refuses with kNetwork.
// `pageBuffers` is the page-buffer request (the program asks for 200; 7 or fewer fails with
// kTooFewPages). Starting twice fails with kInitTwice. Returns true when storage is usable;
// otherwise the status is set and IsamInitFailureMessage() gives the composed warning text.
bool InitIsam(const std::vector<std::string>& args, int pageBuffers = 200);

// The start-up failure text for the current status (code page 1252, at most 160 characters):
// "IsamDosError: " + IsamDosError in 3 positions + " IsamError: " + IsamError in 3 +
// " IsamErrorClass:" + the class in 3, then the memory and network hints and the workstation
// hint, cut to 160 characters.
std::string IsamInitFailureMessage();

// Flushes and releases the page buffers and closes every block still open. Fails with
// kNotInitialised when the engine is not initialised.
void ExitIsam();

bool IsamInitialised();

// ---- file blocks ----

// Creates (or replaces) the data file and, when numKeys > 0, the index file, then closes them.
// keys[0..numKeys-1] describe the indexes; entries beyond numKeys are ignored.
// Errors: kBadRecordLength recordLength < 21; kTooManyKeys numKeys outside 0..100; kBadKeyLength a
// key length outside 1..30 (or keys shorter than numKeys); I/O errors.
void CreateFileBlock(const std::string& name, std::int32_t recordLength, int numKeys,
                     const std::vector<KeyDesc>& keys);

// Opens read-write with journalling on; rolls back an unfinished change first.
// With `readOnly` the files are opened for reading only, every writing operation fails with
// kReadOnly, and a block with an unfinished change is refused with kStillOpen (only a writer may
// roll it back). On failure `handle` is nullptr.
void OpenFileBlock(FileBlockPtr& handle, const std::string& name, bool readOnly = false);

// True when block `name` holds an unfinished change that opening it for writing would roll
// back first, so a read-only open would refuse it. A missing journal is no unfinished change.
// Sets the status (a journal that cannot be read is an error and gives false).
bool BlockNeedsRecovery(const std::string& name);

// Commits an open batch, closes the files and sets `handle` to nullptr. kNotOpen when the handle
// is not an open block; kCloseFailed when writing failed.
void CloseFileBlock(FileBlockPtr& handle);

// Deletes the index file, the journal and the data file.
void DeleteFileBlock(const std::string& name);

// ---- records (numbered from 1; the record length is fixed at creation) ----

// Allocates a record number (free chain first, else the next new number) and stores the
// record there. The engine owns the first 4 bytes of every record: they are stored as 0.
void AddRec(FileBlockPtr handle, std::int32_t& recNo, const void* record);
// Reads record `recNo` (0..FileLen-1) into `buffer` (record-length bytes).
void GetRec(FileBlockPtr handle, std::int32_t recNo, void* buffer);
// Overwrites record `recNo` (must be an allocated record in use; 0 fails with kPutRecNumber).
void PutRec(FileBlockPtr handle, std::int32_t recNo, const void* record);
// Puts record `recNo` on the free chain (kDeleteRecNumber when outside 1..NumRec or already free).
void DeleteRec(FileBlockPtr handle, std::int32_t recNo);
// Highest record number ever allocated + 1 (counts the header record); 0 after a failure.
std::int32_t FileLen(FileBlockPtr handle);
// Records in use; 0 after a failure.
std::int32_t UsedRecs(FileBlockPtr handle);
// The block's record length in bytes; 0 after a failure.
std::int32_t RecordLength(FileBlockPtr handle);

// ---- keys (index numbers 1..number of keys) ----

// Inserts (key, recNo). kKeyExists when the entry already exists (in an index without duplicates:
// when the key exists); kKeyTooLong when the key is longer than the index's key length.
void AddKey(FileBlockPtr handle, int index, std::int32_t recNo, const std::string& key);
// Removes exactly (key, recNo); kDeleteKeyNotFound when absent.
void DeleteKey(FileBlockPtr handle, int index, std::int32_t recNo, const std::string& key);
// Exact search; returns the record number of the first entry with that key (the lowest record
// number among duplicates) and makes it the current position. kKeyNotFound when not found; the
// position is then just before where the key would be.
void FindKey(FileBlockPtr handle, int index, std::int32_t& recNo, const std::string& key);
// The first entry whose key is >= key; writes its key into `key`. kSearchNotFound when there is
// none.
void SearchKey(FileBlockPtr handle, int index, std::int32_t& recNo, std::string& key);
// Advances the current position by one entry and returns it. When the position is not valid
// (after opening, AddKey or DeleteKey on this index) it is first found again from the
// caller's (key, recNo). After the last entry: kNoNextKey, and the next call returns the first.
void NextKey(FileBlockPtr handle, int index, std::int32_t& recNo, std::string& key);
// Sets the position before the first entry.
void ClearKey(FileBlockPtr handle, int index);
// Number of entries in the index; 0 after a failure.
std::int32_t NumKeys(FileBlockPtr handle, int index);

// ---- batches ----

// Inside a batch every page, header and record is journalled at most once and the syncs
// happen at CommitBatch (and when the page-buffer pool must write a changed page early).
// A crash, or an I/O failure of any modifying operation inside the batch, rolls the block back
// to its state before BeginBatch (the failing operation reports its rollback error, and the
// batch ends). Until the caller then commits or aborts, every write to the block fails with
// kBatchRestored and CommitBatch reports kBatchRestored, so the rest of the caller's work never
// lands outside the batch. Operations that fail without changing anything (not found, duplicate)
// and reads leave the batch running. CloseFileBlock commits a running batch. Nested BeginBatch
// fails with kGeneral; CommitBatch without a batch is a no-op.
void BeginBatch(FileBlockPtr handle);
void CommitBatch(FileBlockPtr handle);
// Commits the running batches of several blocks as one unit: after an I/O failure every one
// of them is as it was before its BeginBatch (kBatchRestored), none is left committed beside the
// others. Null handles and blocks without a batch are skipped. Across a crash the blocks are
// each consistent, but one may show the batch and another not: the unit is kept against I/O
// failures, a crash is covered per block.
void CommitBatches(const std::vector<FileBlockPtr>& handles);
// Undoes every change since BeginBatch and ends the batch.
void AbortBatch(FileBlockPtr handle);

}  // namespace liga

namespace liga {

// Keeps the engine status of a failure across clean-up calls (closing, aborting, renaming
// back) that post their own status, so the caller sees the first failure and not the
// clean-up's. Takes IsamError and IsamDosError when constructed; when destroyed, unless
// released, puts them back as a failure (IsamOK false).
class IsamStatusGuard {
 public:
  IsamStatusGuard() noexcept : m_ok(IsamOK), m_error(IsamError), m_osError(IsamDosError) {}
  ~IsamStatusGuard() {
    if (!m_keep) return;
    IsamOK = false;
    IsamError = m_error;
    IsamDosError = m_osError;
  }
  IsamStatusGuard(const IsamStatusGuard&) = delete;
  IsamStatusGuard& operator=(const IsamStatusGuard&) = delete;

  // The clean-up's own status stands.
  void release() noexcept { m_keep = false; }
  // Only a failure (IsamError not 0) is put back; after a success the clean-up's status
  // stands.
  void keepOnlyFailure() noexcept { m_keep = m_keep && m_error != 0; }
  // Puts back exactly the status taken, success included, now.
  void restore() noexcept {
    m_keep = false;
    IsamOK = m_ok;
    IsamError = m_error;
    IsamDosError = m_osError;
  }

 private:
  bool m_ok;
  std::int32_t m_error, m_osError;
  bool m_keep = true;
};

}  // namespace liga
