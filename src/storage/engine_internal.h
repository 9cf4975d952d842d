// What the storage engine's files share and nothing else sees: the engine state with the
// page pool, the status helpers, and the steps of the page pool, the journal and the
// transactions that the record and block operations call. engine.h holds the interface and
// the journal format; this header is included by engine.cpp, page_pool.cpp, journal.cpp and
// transaction.cpp only.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/engine.h"

namespace liga::storage {

// ---- engine state ----

struct Frame {
  FileBlock* fb = nullptr;
  int k = 0;
  std::int32_t page = 0;
  bool dirty = false;
  bool verified = false;
  int writeLen = 0;
  std::uint64_t stamp = 0;
  std::vector<std::uint8_t> buf;
};

struct FrameKey {
  FileBlock* fb;
  int k;
  std::int32_t page;
  bool operator==(const FrameKey&) const = default;
};
struct FrameKeyHash {
  std::size_t operator()(const FrameKey& key) const {
    auto h = std::hash<const void*>()(key.fb);
    return h ^ (static_cast<std::size_t>(key.k) * 0x9E3779B97F4A7C15ull) ^
           (static_cast<std::size_t>(key.page) << 7);
  }
};

struct Engine {
  bool initialised = false;
  // A deque: frames added while a batch runs (see acquireFrame) never move the others.
  std::deque<Frame> frames;
  std::size_t configuredFrames = 0;
  std::unordered_map<FrameKey, int, FrameKeyHash> map;
  std::uint64_t clock = 0;
  int lastFrame = -1;
  std::vector<FileBlock*> blocks;
  EngineStats stats;
  // Folders where a super-journal was removed and the folder not synced since (rule 9).
  std::set<std::string> unsyncedRemovals;
  // Folders synced by this process: a removal made there by an earlier process is durable.
  std::set<std::string> syncedFolders;
  std::mt19937_64 nonceRng{std::random_device{}()};
};

Engine& engine();

// Batches keep changed records in memory up to this many bytes before writing them early.
constexpr std::size_t kPendingLimit = 8u << 20;

Status readErr(int dos);
Status writeErr(int dos);
// The engine error for an errno from opening or creating a file.
std::int32_t openErrorNumber(int e);
// Syncs `f` (nothing when null), counted as a journal or a file sync.
Status doSync(File* f, bool journal);
// Reads exactly n bytes at `off`; a short read is kReadError.
Status readExact(File* f, std::uint64_t off, void* buf, std::size_t n);

// ---- page pool (page_pool.cpp) ----

std::int64_t pageOffset(const FileBlock& fb, int k, std::int32_t page);
// Forgets every buffer of `fb`, changed or not.
void dropFramesOf(FileBlock* fb);
// Writes the changed pages and records of `fb` in place (rule 6: after appendJournal).
Status writeInPlace(FileBlock& fb);
// Writes early what a batch (or a tiny pool) cannot keep in memory, journal first.
Status spill(FileBlock& fb);

// ---- journal (journal.cpp) ----

// Appends begin (for a new transaction), the images not yet in the journal and a seal, and
// syncs the journal (rules 2 and 6). On failure the journal is cut back to what it held.
Status appendJournal(FileBlock& fb);
// Cuts the journal back to its mark byte (rule 4).
Status cutJournal(FileBlock& fb);
// Recovers the block at open: replays the sealed prefix of the journal unless it belongs to
// a committed unit (rules 5, 9 and 10), cuts the journal back, and removes the unit's
// super-journal once no journal it lists still needs it.
Status replayJournal(FileBlock& fb);
// Rule 10: removes every super-journal in the folder of `journalPath` that no journal names
// any longer (the units of a crash, once each of their blocks was recovered).
void removeFinishedSuperJournals(const std::string& journalPath);
// Whether the journal's contents would be replayed by replayJournal (see blockNeedsRecovery).
Status journalIsLive(File* journal, const std::string& journalPath, bool* live);

// ---- super-journal (journal.cpp) ----

// Writes and syncs (with its folder) a new super-journal naming the journals of `blocks`,
// and makes each of them name it when next sealed (rule 8).
Status superCreate(const std::vector<FileBlock*>& blocks, std::string* path);
// Removes the super-journal and syncs its folder: the unit's commit point (rule 9).
// With `durable` the folder is synced after the removal; else it is noted in
// unsyncedRemovals for syncRemovals.
Status superRemove(const std::string& path, bool durable = true);
// Syncs the folder of `journalPath` when a super-journal removal there may not be durable:
// one of this process's, or with `earlierProcesses` one an earlier process may have made
// (the folder was not synced by this process yet).
Status syncRemovals(const std::string& journalPath, bool earlierProcesses);

// ---- transactions (transaction.cpp) ----

// Starts a fresh transaction record from the block's current headers.
void resetTxn(FileBlock& fb);
// Restores every image that may have reached the files, then forgets the transaction.
// A failure leaves the block broken (rule 7).
Status rollback(FileBlock& fb);
// Rules (2) and (3): journal, then everything in place, synced. The journal still holds the
// sealed images afterwards, so the block can be rolled back until commitFinish. `*nothing`
// is set when the transaction changed nothing (it is then already ended).
Status commitWrite(FileBlock& fb, bool* nothing);
// Whether the running transaction of `fb` changed anything that commitWrite would write.
bool hasChanges(const FileBlock& fb);
// Rule (4): the journal is cut back; the transaction ends.
Status commitFinish(FileBlock& fb);
Status commit(FileBlock& fb);

}  // namespace liga::storage
