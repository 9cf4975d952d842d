// The wrapper: process-wide status, engine entry rules, key cutting, start-up and shut-down.
#include "storage/isam.h"

#include <sys/resource.h>

#include <cerrno>
#include <string_view>

#include "storage/engine.h"

namespace liga {

bool IsamOK = true;
std::int32_t IsamError = 0;
std::int32_t IsamDosError = 0;

namespace {

using storage::Status;

bool g_busy = false;

void setStatus(Status s) {
  IsamOK = s.ok();
  IsamError = s.error;
  IsamDosError = s.ok() ? 0 : s.dos;
}

// BatchEnd: a write that ends a batch (commit, abort); it is let through when the batch was
// lost, so that the loss can be reported and cleared.
enum class Access { Read, Write, BatchEnd };

constexpr int kNoIndex = -1000000;

// Engine entry rules, in order: initialised (kNotInitialised), not busy (kBusy), a valid open block
// (kBadHandle), not read-only for writes (kReadOnly), index number in range (kBadIndexNumber). A
// block whose rollback failed refuses everything but close (kRollbackFailed).
Status enter(FileBlock* fb, Access access, int index) {
  if (!storage::engineInitialised()) return storage::err(isam_error::kNotInitialised);
  if (g_busy) return storage::err(isam_error::kBusy);
  if (!storage::isOpenBlock(fb) || fb->mark != storage::kValidityMark)
    return storage::err(isam_error::kBadHandle);
  if (access != Access::Read && fb->readOnly) return storage::err(isam_error::kReadOnly);
  if (index != kNoIndex && (index < 1 || index > fb->dh.numberOfKeys))
    return storage::err(isam_error::kBadIndexNumber);
  if (fb->broken) return storage::err(isam_error::kRollbackFailed);
  if (access == Access::Write && fb->batchLost) return storage::err(isam_error::kBatchRestored);
  return {};
}

// Runs `op` as one engine operation: the busy flag is held while it runs.
template <typename Op>
void run(FileBlock* fb, Access access, int index, Op op) {
  Status s = enter(fb, access, index);
  if (s.ok()) {
    g_busy = true;
    s = op();
    g_busy = false;
  }
  setStatus(s);
}

std::string_view cutKey(const std::string& key) {
  return std::string_view(key).substr(0, kMaxKeyLength);
}

void cutInPlace(std::string& key) {
  if (key.size() > static_cast<std::size_t>(kMaxKeyLength)) key.resize(kMaxKeyLength);
}

std::string rightAligned(long long v, std::size_t width) {
  std::string s = std::to_string(v);
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

}  // namespace

int IsamErrorClassOf(std::int32_t e) {
  using namespace isam_error;
  if (e == 0) return 0;
  if (e == kFileNotFound || (e >= kKeyNotFound && e <= kExpectedLast) || e == kReorgFileNotFound)
    return 1;
  if (e == kPathNotFound || e == kReadOnly) return 2;
  for (std::int32_t conflict : kAccessConflicts)
    if (e == conflict) return 2;
  if (e >= kAddRecRestored && e <= kRestoredLast) return 3;
  return 4;
}

int IsamErrorClass() {
  return IsamErrorClassOf(IsamError);
}

bool InitIsam(const std::vector<std::string>& args, int pageBuffers) {
  bool network = false;
  for (const auto& a : args) {
    std::string up = a;
    for (char& c : up) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    if (up.find("/NET") != std::string::npos) network = true;
  }
  if (storage::engineInitialised()) {
    setStatus(storage::err(isam_error::kInitTwice));
    return false;
  }
  // At least 64 file handles.
  rlimit rl{};
  if (getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < 64) {
    rl.rlim_cur = rl.rlim_max < 64 ? rl.rlim_max : 64;
    if (rl.rlim_cur < 64 || setrlimit(RLIMIT_NOFILE, &rl) != 0) {
      setStatus(storage::err(isam_error::kHandles, errno));
      return false;
    }
  }
  if (network) {
    // Shared access over a network is not offered by this engine.
    setStatus(storage::err(isam_error::kNetwork));
    return false;
  }
  Status s = storage::engineInit(pageBuffers);
  setStatus(s);
  return s.ok();
}

std::string IsamInitFailureMessage() {
  // Code page 1252: E4 = a with diaeresis, F6 = o with diaeresis.
  std::string m = "IsamDosError: " + rightAligned(IsamDosError, 3) +
                  " IsamError: " + rightAligned(IsamError, 3) +
                  " IsamErrorClass:" + rightAligned(IsamErrorClass(), 3);
  m += "Ej tillr\xE4"
       "ckligt minne vid initiering av BTREE!";
  m += "eller, Fel n\xE4tverk. Kan endast k\xF6ras lokalt!";
  const int workstation = 0;  // local mode
  m += "eller, Arbetsstationens nummer f\xF6r h\xF6gt >" + std::to_string(workstation) +
       " eller >" + std::string(1, static_cast<char>(64 + workstation));
  if (m.size() > 255) m.resize(255);
  if (m.size() > 160) m.resize(160);
  return m;
}

void ExitIsam() {
  if (g_busy) {
    setStatus(storage::err(isam_error::kBusy));
    return;
  }
  setStatus(storage::engineExit());
}

bool IsamInitialised() {
  return storage::engineInitialised();
}

void CreateFileBlock(const std::string& name, std::int32_t recordLength, int numKeys,
                     const std::vector<KeyDesc>& keys) {
  if (!storage::engineInitialised()) return setStatus(storage::err(isam_error::kNotInitialised));
  if (g_busy) return setStatus(storage::err(isam_error::kBusy));
  std::vector<std::pair<int, bool>> k;
  for (int i = 0; i < numKeys && i < static_cast<int>(keys.size()); ++i)
    k.emplace_back(keys[i].length, keys[i].allowDuplicates);
  g_busy = true;
  Status s = storage::createBlock(name.substr(0, 255), recordLength, numKeys, k);
  g_busy = false;
  setStatus(s);
}

void OpenFileBlock(FileBlockPtr& handle, const std::string& name, bool readOnly) {
  handle = nullptr;
  if (!storage::engineInitialised()) return setStatus(storage::err(isam_error::kNotInitialised));
  if (g_busy) return setStatus(storage::err(isam_error::kBusy));
  g_busy = true;
  FileBlock* fb = nullptr;
  Status s = storage::openBlock(name, readOnly, &fb);
  g_busy = false;
  setStatus(s);
  if (s.ok()) handle = fb;
}

bool BlockNeedsRecovery(const std::string& name) {
  bool needed = false;
  Status s = storage::blockNeedsRecovery(name.substr(0, 255), &needed);
  setStatus(s);
  return s.ok() && needed;
}

void CloseFileBlock(FileBlockPtr& handle) {
  if (!storage::engineInitialised()) return setStatus(storage::err(isam_error::kNotInitialised));
  if (g_busy) return setStatus(storage::err(isam_error::kBusy));
  if (!storage::isOpenBlock(handle)) return setStatus(storage::err(isam_error::kNotOpen));
  g_busy = true;
  Status s = storage::closeBlock(handle);
  g_busy = false;
  handle = nullptr;
  setStatus(s);
}

void DeleteFileBlock(const std::string& name) {
  if (!storage::engineInitialised()) return setStatus(storage::err(isam_error::kNotInitialised));
  if (g_busy) return setStatus(storage::err(isam_error::kBusy));
  g_busy = true;
  Status s = storage::deleteBlock(name);
  g_busy = false;
  setStatus(s);
}

void AddRec(FileBlockPtr h, std::int32_t& recNo, const void* record) {
  run(h, Access::Write, kNoIndex, [&] { return storage::addRec(*h, &recNo, record); });
}

void GetRec(FileBlockPtr h, std::int32_t recNo, void* buffer) {
  run(h, Access::Read, kNoIndex, [&] { return storage::getRec(*h, recNo, buffer); });
}

void PutRec(FileBlockPtr h, std::int32_t recNo, const void* record) {
  run(h, Access::Write, kNoIndex, [&] { return storage::putRec(*h, recNo, record); });
}

void DeleteRec(FileBlockPtr h, std::int32_t recNo) {
  run(h, Access::Write, kNoIndex, [&] { return storage::deleteRec(*h, recNo); });
}

std::int32_t FileLen(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::Read, kNoIndex, [&] {
    v = h->dh.numRec + 1;
    return Status{};
  });
  return v;
}

std::int32_t UsedRecs(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::Read, kNoIndex, [&] {
    v = h->dh.numRec - h->dh.numberFree;
    return Status{};
  });
  return v;
}

std::int32_t RecordLength(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::Read, kNoIndex, [&] {
    v = h->dh.lenRec;
    return Status{};
  });
  return v;
}

void AddKey(FileBlockPtr h, int index, std::int32_t recNo, const std::string& key) {
  run(h, Access::Write, index, [&] { return storage::addKey(*h, index, recNo, cutKey(key)); });
}

void DeleteKey(FileBlockPtr h, int index, std::int32_t recNo, const std::string& key) {
  run(h, Access::Write, index, [&] { return storage::deleteKey(*h, index, recNo, cutKey(key)); });
}

void FindKey(FileBlockPtr h, int index, std::int32_t& recNo, const std::string& key) {
  run(h, Access::Read, index, [&] { return storage::findKey(*h, index, &recNo, cutKey(key)); });
}

void SearchKey(FileBlockPtr h, int index, std::int32_t& recNo, std::string& key) {
  run(h, Access::Read, index, [&] {
    cutInPlace(key);
    return storage::searchKey(*h, index, &recNo, &key);
  });
}

void NextKey(FileBlockPtr h, int index, std::int32_t& recNo, std::string& key) {
  run(h, Access::Read, index, [&] {
    cutInPlace(key);
    return storage::nextKey(*h, index, &recNo, &key);
  });
}

void ClearKey(FileBlockPtr h, int index) {
  run(h, Access::Read, index, [&] { return storage::clearKey(*h, index); });
}

std::int32_t NumKeys(FileBlockPtr h, int index) {
  std::int32_t v = 0;
  run(h, Access::Read, index, [&] {
    v = h->ix[static_cast<std::size_t>(index - 1)].hdr.numKeys;
    return Status{};
  });
  return v;
}

void BeginBatch(FileBlockPtr h) {
  run(h, Access::BatchEnd, kNoIndex, [&] { return storage::beginBatch(*h); });
}

void CommitBatch(FileBlockPtr h) {
  run(h, Access::BatchEnd, kNoIndex, [&] { return storage::commitBatch(*h); });
}

void CommitBatches(const std::vector<FileBlockPtr>& handles) {
  std::vector<FileBlock*> blocks;
  for (FileBlockPtr h : handles) {
    if (h == nullptr) continue;
    if (Status s = enter(h, Access::BatchEnd, kNoIndex); !s.ok()) return setStatus(s);
    blocks.push_back(h);
  }
  g_busy = true;
  Status s = storage::commitBatches(blocks);
  g_busy = false;
  setStatus(s);
}

void AbortBatch(FileBlockPtr h) {
  run(h, Access::BatchEnd, kNoIndex, [&] { return storage::abortBatch(*h); });
}

}  // namespace liga
