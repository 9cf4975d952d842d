// libFuzzer target: a hostile file block (data file, index file and journal from one input)
// is opened, scanned in full through every index, read record by record, and changed a
// little. Any status is fine; a crash, a sanitizer report or a hang is not.
//
// Input layout: u32 data length, u32 index length, the data file, the index file, and the
// rest is the journal.
#include <cstdint>
#include <cstring>
#include <string>

#include "storage/check.h"
#include "storage/engine.h"
#include "storage/isam.h"
#include "storage/mem_env.h"

namespace {

std::uint32_t take32(const std::uint8_t*& p, std::size_t& n) {
  if (n < 4) {
    n = 0;
    return 0;
  }
  std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  p += 4;
  n -= 4;
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace liga;
  storage::MemEnv mem;
  storage::setCurrentEnv(&mem);
  if (!IsamInitialised()) InitIsam({}, 8);
  const std::uint8_t* p = data;
  std::size_t n = size;
  std::size_t datLen = std::min<std::size_t>(take32(p, n), n);
  std::string dat(reinterpret_cast<const char*>(p), datLen);
  p += datLen;
  n -= datLen;
  std::size_t ixLen = std::min<std::size_t>(take32(p, n), n);
  std::string ix(reinterpret_cast<const char*>(p), ixLen);
  p += ixLen;
  n -= ixLen;
  mem.setContents("f.DAT", dat);
  mem.setContents("f.IX", ix);
  if (n > 0) mem.setContents("f.DIA", std::string(reinterpret_cast<const char*>(p), n));

  (void)storage::checkBlock("f");
  FileBlockPtr h = nullptr;
  OpenFileBlock(h, "f");
  if (h) {
    std::int32_t len = RecordLength(h);
    std::int32_t count = FileLen(h);
    if (len > 0 && len <= (1 << 16)) {
      std::string buf(static_cast<std::size_t>(len), '\0');
      for (std::int32_t r = 0; r < count && r < 2000; ++r) GetRec(h, r, buf.data());
    }
    int keys = h->dh.numberOfKeys;
    for (int k = 1; k <= keys; ++k) {
      ClearKey(h, k);
      std::string key;
      std::int32_t ref = 0;
      // A hostile tree may share subtrees; a bounded scan keeps the run finite.
      for (int i = 0; i < 20000; ++i) {
        NextKey(h, k, ref, key);
        if (!IsamOK) break;
      }
      FindKey(h, k, ref, "M");
      key = "B";
      SearchKey(h, k, ref, key);
      AddKey(h, k, 1, "FUZZ");
      DeleteKey(h, k, 1, "FUZZ");
      DeleteKey(h, k, ref, key);
    }
    if (len > 0 && len <= (1 << 16)) {
      std::string rec(static_cast<std::size_t>(len), 'x');
      std::int32_t r = 0;
      AddRec(h, r, rec.data());
      DeleteRec(h, 1);
      PutRec(h, count > 1 ? 1 : r, rec.data());
    }
    CloseFileBlock(h);
    // What the engine left must open again.
    OpenFileBlock(h, "f");
    if (h) CloseFileBlock(h);
  }
  storage::setCurrentEnv(nullptr);
  return 0;
}
