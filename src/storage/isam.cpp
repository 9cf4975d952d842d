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

enum class Access { kRead, kWrite };

constexpr int kNoIndex = -1000000;

// Engine entry rules, in order: initialised (10455), not busy (10446), a valid open block
// (10445), not read-only for writes (10065), index number in range (10164). A block whose
// rollback failed refuses everything but close (10180).
Status enter(FileBlock* fb, Access access, int index) {
  if (!storage::engineInitialised()) return storage::err(10455);
  if (g_busy) return storage::err(10446);
  if (!storage::isOpenBlock(fb) || fb->mark != storage::kValidityMark) return storage::err(10445);
  if (access == Access::kWrite && fb->readOnly) return storage::err(10065);
  if (index != kNoIndex && (index < 1 || index > fb->dh.numberOfKeys)) return storage::err(10164);
  if (fb->broken) return storage::err(10180);
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
  if (e == 0) return 0;
  if (e == 9903 || (e >= 10200 && e <= 10299) || e == 10410) return 1;
  switch (e) {
    case 9900:
    case 10065:
    case 10110:
    case 10306:
    case 10330:
    case 10332:
    case 10335:
    case 10355:
    case 10360:
    case 10390:
    case 10397:
    case 10399:
      return 2;
    default:
      break;
  }
  if (e >= 10001 && e <= 10009) return 3;
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
    setStatus(storage::err(10450));
    return false;
  }
  // At least 64 file handles.
  rlimit rl{};
  if (getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < 64) {
    rl.rlim_cur = rl.rlim_max < 64 ? rl.rlim_max : 64;
    if (rl.rlim_cur < 64 || setrlimit(RLIMIT_NOFILE, &rl) != 0) {
      setStatus(storage::err(10192, errno));
      return false;
    }
  }
  if (network) {
    // Shared access over a network is not offered by this engine.
    setStatus(storage::err(10310));
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
    setStatus(storage::err(10446));
    return;
  }
  setStatus(storage::engineExit());
}

bool IsamInitialised() {
  return storage::engineInitialised();
}

void CreateFileBlock(const std::string& name, std::int32_t recordLength, int numKeys,
                     const std::vector<KeyDesc>& keys) {
  if (!storage::engineInitialised()) return setStatus(storage::err(10455));
  if (g_busy) return setStatus(storage::err(10446));
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
  if (!storage::engineInitialised()) return setStatus(storage::err(10455));
  if (g_busy) return setStatus(storage::err(10446));
  g_busy = true;
  FileBlock* fb = nullptr;
  Status s = storage::openBlock(name, readOnly, &fb);
  g_busy = false;
  setStatus(s);
  if (s.ok()) handle = fb;
}

void CloseFileBlock(FileBlockPtr& handle) {
  if (!storage::engineInitialised()) return setStatus(storage::err(10455));
  if (g_busy) return setStatus(storage::err(10446));
  if (!storage::isOpenBlock(handle)) return setStatus(storage::err(10080));
  g_busy = true;
  Status s = storage::closeBlock(handle);
  g_busy = false;
  handle = nullptr;
  setStatus(s);
}

void DeleteFileBlock(const std::string& name) {
  if (!storage::engineInitialised()) return setStatus(storage::err(10455));
  if (g_busy) return setStatus(storage::err(10446));
  g_busy = true;
  Status s = storage::deleteBlock(name);
  g_busy = false;
  setStatus(s);
}

void AddRec(FileBlockPtr h, std::int32_t& recNo, const void* record) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::addRec(*h, &recNo, record); });
}

void GetRec(FileBlockPtr h, std::int32_t recNo, void* buffer) {
  run(h, Access::kRead, kNoIndex, [&] { return storage::getRec(*h, recNo, buffer); });
}

void PutRec(FileBlockPtr h, std::int32_t recNo, const void* record) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::putRec(*h, recNo, record); });
}

void DeleteRec(FileBlockPtr h, std::int32_t recNo) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::deleteRec(*h, recNo); });
}

std::int32_t FileLen(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::kRead, kNoIndex, [&] {
    v = h->dh.numRec + 1;
    return Status{};
  });
  return v;
}

std::int32_t UsedRecs(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::kRead, kNoIndex, [&] {
    v = h->dh.numRec - h->dh.numberFree;
    return Status{};
  });
  return v;
}

std::int32_t RecordLength(FileBlockPtr h) {
  std::int32_t v = 0;
  run(h, Access::kRead, kNoIndex, [&] {
    v = h->dh.lenRec;
    return Status{};
  });
  return v;
}

void AddKey(FileBlockPtr h, int index, std::int32_t recNo, const std::string& key) {
  run(h, Access::kWrite, index, [&] { return storage::addKey(*h, index, recNo, cutKey(key)); });
}

void DeleteKey(FileBlockPtr h, int index, std::int32_t recNo, const std::string& key) {
  run(h, Access::kWrite, index, [&] { return storage::deleteKey(*h, index, recNo, cutKey(key)); });
}

void FindKey(FileBlockPtr h, int index, std::int32_t& recNo, const std::string& key) {
  run(h, Access::kRead, index, [&] { return storage::findKey(*h, index, &recNo, cutKey(key)); });
}

void SearchKey(FileBlockPtr h, int index, std::int32_t& recNo, std::string& key) {
  run(h, Access::kRead, index, [&] {
    cutInPlace(key);
    return storage::searchKey(*h, index, &recNo, &key);
  });
}

void NextKey(FileBlockPtr h, int index, std::int32_t& recNo, std::string& key) {
  run(h, Access::kRead, index, [&] {
    cutInPlace(key);
    return storage::nextKey(*h, index, &recNo, &key);
  });
}

void ClearKey(FileBlockPtr h, int index) {
  run(h, Access::kRead, index, [&] { return storage::clearKey(*h, index); });
}

std::int32_t NumKeys(FileBlockPtr h, int index) {
  std::int32_t v = 0;
  run(h, Access::kRead, index, [&] {
    v = h->ix[static_cast<std::size_t>(index - 1)].hdr.numKeys;
    return Status{};
  });
  return v;
}

void BeginBatch(FileBlockPtr h) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::beginBatch(*h); });
}

void CommitBatch(FileBlockPtr h) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::commitBatch(*h); });
}

void AbortBatch(FileBlockPtr h) {
  run(h, Access::kWrite, kNoIndex, [&] { return storage::abortBatch(*h); });
}

}  // namespace liga
