// Hostile files: truncated headers, garbage, cycles, page numbers beyond the file, impossible
// key lengths and foreign journals give an error status, never a crash or a hang.
#include <random>

#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

class HostileTest : public StorageTest {
 protected:
  // A block with a two-level tree of 200 keys and a few free records.
  void build() {
    create(32, {{5, true}});
    BeginBatch(m_h);
    for (int i = 0; i < 200; ++i) {
      std::int32_t n = add(rec("r", 32));
      AddKey(m_h, 1, n, std::to_string(10000 + i));
    }
    for (int i = 1; i < 10; i += 3) DeleteRec(m_h, i);
    CommitBatch(m_h);
    close();
    m_dat = m_mem.contents("blk.DAT");
    m_ix = m_mem.contents("blk.IX");
  }
  std::int32_t openStatus() {
    FileBlockPtr h = nullptr;
    OpenFileBlock(h, "blk");
    std::int32_t e = IsamError;
    if (h) CloseFileBlock(h);
    return e;
  }
  std::int64_t pageOffset(std::int32_t page) const {
    return static_cast<std::int64_t>(page) * (6 + 62 * 14);
  }
  std::string m_dat, m_ix;
};

TEST_F(HostileTest, TruncatedOrGarbageHeadersAreRefused) {
  build();
  for (std::size_t len : {0u, 1u, 20u}) {
    m_mem.setContents("blk.DAT", m_dat.substr(0, len));
    EXPECT_EQ(openStatus(), isam_error::kReadError) << len;
  }
  m_mem.setContents("blk.DAT", m_dat.substr(0, m_dat.size() - 1));
  EXPECT_EQ(openStatus(), isam_error::kBadDataFile);  // shorter than its records
  m_mem.setContents("blk.DAT", m_dat);
  m_mem.setContents("blk.IX", m_ix.substr(0, 27));
  EXPECT_EQ(openStatus(), isam_error::kReadError);
  m_mem.setContents("blk.IX", m_ix.substr(0, m_ix.size() - 100));
  EXPECT_EQ(openStatus(), isam_error::kBadIndexHeader);  // NumPages beyond the file
  struct {
    int offset;
    std::int32_t value;
    std::int32_t error;
  } dataCases[] = {{12, 20, isam_error::kBadDataFile},  {12, -5, isam_error::kBadDataFile},
                   {8, -1, isam_error::kBadDataFile},   {4, -1, isam_error::kBadDataFile},
                   {0, 9999, isam_error::kBadDataFile}, {16, -1, isam_error::kBadDataFile}};
  for (const auto& c : dataCases) {
    std::string d = m_dat;
    wr32(d.data() + c.offset, c.value);
    m_mem.setContents("blk.DAT", d);
    m_mem.setContents("blk.IX", m_ix);
    EXPECT_EQ(openStatus(), c.error) << c.offset;
  }
  struct {
    int offset;
    std::int32_t value;
  } indexCases[] = {{0, 9999}, {4, -2}, {8, -1}, {16, 9999}, {22, -1}, {12, 5}};
  for (const auto& c : indexCases) {
    std::string i = m_ix;
    wr32(i.data() + c.offset, c.value);
    m_mem.setContents("blk.DAT", m_dat);
    m_mem.setContents("blk.IX", i);
    std::int32_t e = openStatus();
    EXPECT_TRUE(e == isam_error::kBadIndexHeader || e == isam_error::kKeyLengthRange ||
                e == isam_error::kItemsPerPage)
        << c.offset << " " << e;
  }
}

TEST_F(HostileTest, CyclicFreeRecordChainStopsWith10170) {
  build();
  std::string d = m_dat;
  wr32(d.data() + 32 * 7, 4);  // record 7 -> 4 -> 1 -> -1 becomes 7 -> 4 -> ... -> 7
  wr32(d.data() + 32 * 1, 7);
  m_mem.setContents("blk.DAT", d);
  open();
  EXPECT_FALSE(checkBlock("blk").ok);  // the checker sees the cycle too
  int refused = 0;
  for (int i = 0; i < 10; ++i) {
    std::int32_t n = 0;
    AddRec(m_h, n, rec("x", 32).data());
    if (!IsamOK) {
      EXPECT_EQ(IsamError, isam_error::kCorruptChain);
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST_F(HostileTest, DamagedPagesGiveAnErrorNotACrash) {
  build();
  std::int32_t root = rd32(m_ix.data() + 16);
  ASSERT_GT(root, 0);
  struct {
    const char* what;
    std::int64_t offset;
    std::string bytes;
  } cases[] = {
      {"root points at itself", pageOffset(root) + 2, std::string(4, '\0')},
      {"item count 0", pageOffset(root), std::string(2, '\0')},
      {"item count 300", pageOffset(root), std::string("\x2C\x01", 2)},
      {"key length 200", pageOffset(root) + 6 + 8, std::string(1, '\xC8')},
      {"child beyond NumPages", pageOffset(root) + 2, std::string("\x00\x01\x00\x00", 4)},
  };
  std::string self(4, '\0');
  wr32(self.data(), root);
  cases[0].bytes = self;
  for (const auto& c : cases) {
    std::string i = m_ix;
    i.replace(static_cast<std::size_t>(c.offset), c.bytes.size(), c.bytes);
    m_mem.setContents("blk.DAT", m_dat);
    m_mem.setContents("blk.IX", i);
    open();
    std::int32_t r = 0;
    FindKey(m_h, 1, r, "1");
    EXPECT_EQ(IsamError, isam_error::kCorruptChain) << c.what;
    AddKey(m_h, 1, 1, "1");
    EXPECT_EQ(IsamError, isam_error::kCorruptChain) << c.what;
    close();
    EXPECT_FALSE(checkBlock("blk").ok) << c.what;
  }
}

TEST_F(HostileTest, ForeignOrBrokenJournalsAreNotReplayed) {
  build();
  std::mt19937 rng(5);
  for (int i = 0; i < 200; ++i) {
    std::string j(1 + rng() % 300, '\0');
    for (char& c : j) c = static_cast<char>(rng());
    if (i % 2) j[0] = '\x4A';  // our mark, garbage after it
    m_mem.setContents("blk.DAT", m_dat);
    m_mem.setContents("blk.IX", m_ix);
    m_mem.setContents("blk.DIA", j);
    open();
    close();
    EXPECT_EQ(m_mem.contents("blk.DAT"), m_dat);
    EXPECT_EQ(m_mem.contents("blk.IX"), m_ix);
    EXPECT_EQ(m_mem.contents("blk.DIA"), std::string(1, '\x4A'));
  }
}

TEST_F(HostileTest, RandomDamageNeverCrashes) {
  build();
  std::mt19937 rng(99);
  int opened = 0, refused = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string d = m_dat, i = m_ix;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int f = 0; f < flips; ++f) {
      std::string& t = rng() % 3 ? i : d;
      t[rng() % t.size()] = static_cast<char>(rng());
    }
    m_mem.setContents("blk.DAT", d);
    m_mem.setContents("blk.IX", i);
    m_mem.setContents("blk.DIA", std::string(1, '\x4A'));
    FileBlockPtr h = nullptr;
    OpenFileBlock(h, "blk");
    if (!h) {
      ++refused;
      continue;
    }
    ++opened;
    ClearKey(h, 1);
    std::string key;
    std::int32_t r = 0;
    for (int s = 0; s < 5000; ++s) {
      NextKey(h, 1, r, key);
      if (!IsamOK) break;
    }
    AddKey(h, 1, 3, "12345");
    DeleteKey(h, 1, 3, "12345");
    std::int32_t n = 0;
    AddRec(h, n, rec("z", 32).data());
    CloseFileBlock(h);
    OpenFileBlock(h, "blk");
    EXPECT_NE(h, nullptr) << "round " << round << ": the engine left a block it cannot open";
    if (h) CloseFileBlock(h);
  }
  EXPECT_GT(opened, 100);
  EXPECT_GT(refused, 10);
}

}  // namespace
}  // namespace liga::storage::testing
