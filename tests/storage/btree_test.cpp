// B-tree behaviour at its edges, and index files compared with bytes written by hand.
#include <algorithm>
#include <iterator>
#include <random>
#include <set>

#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

class BtreeTest : public StorageTest {};

// Little-endian byte builder for hand-made files.
struct Bytes {
  std::string s;
  Bytes& i32(std::int32_t v) {
    for (int i = 0; i < 4; ++i)
      s += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return *this;
  }
  Bytes& i16(std::int16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  Bytes& u8(int v) {
    s += static_cast<char>(v);
    return *this;
  }
  Bytes& str(const std::string& key, int capacity) {
    u8(static_cast<int>(key.size()));
    s += key;
    s.append(static_cast<std::size_t>(capacity) - key.size(), '\0');
    return *this;
  }
  Bytes& zeros(std::size_t n) {
    s.append(n, '\0');
    return *this;
  }
  Bytes& padTo(std::size_t n) {
    s.resize(n, '\0');
    return *this;
  }
  Bytes& item(std::int32_t ref, std::int32_t right, const std::string& key, int keyLen) {
    return i32(ref).i32(right).str(key, keyLen);
  }
};

std::string indexHeader(std::int32_t firstFree, std::int32_t numFree, std::int32_t numPages,
                        std::int32_t pageSize, std::int32_t root, bool dup, std::int32_t numKeys) {
  return Bytes{}
      .i32(firstFree)
      .i32(numFree)
      .i32(numPages)
      .i32(pageSize)
      .i32(root)
      .u8(dup ? 1 : 0)
      .u8(0)
      .i32(numKeys)
      .i16(62)
      .s;
}

TEST_F(BtreeTest, DuplicatesComeInRecordNumberOrder) {
  create(30, {{10, true}});
  for (std::int32_t r : {7, 3, 5}) AddKey(m_h, 1, r, "ANNA");
  AddKey(m_h, 1, 3, "ANNA");
  EXPECT_EQ(IsamError, isam_error::kKeyExists);
  auto all = scan(1);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].second, 3);
  EXPECT_EQ(all[1].second, 5);
  EXPECT_EQ(all[2].second, 7);
  std::int32_t r = 0;
  FindKey(m_h, 1, r, "ANNA");
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(r, 3);
}

TEST_F(BtreeTest, UniqueIndexRefusesASecondKey) {
  create(30, {{10, false}});
  AddKey(m_h, 1, 1, "ANNA");
  AddKey(m_h, 1, 2, "ANNA");
  EXPECT_EQ(IsamError, isam_error::kKeyExists);
  DeleteKey(m_h, 1, 2, "ANNA");  // the key alone names the entry
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(NumKeys(m_h, 1), 0);
}

TEST_F(BtreeTest, OrderIsUnsignedBytesShorterFirst) {
  create(30, {{10, false}});
  for (const char* k : {"ABC", "\x99", "A", "Z", "AB", "B"}) AddKey(m_h, 1, 1, k);
  auto all = scan(1);
  std::vector<std::string> keys;
  for (auto& e : all) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"A", "AB", "ABC", "B", "Z", "\x99"}));
}

TEST_F(BtreeTest, NextKeyWrapsAroundAfterTheEnd) {
  create(30, {{10, false}});
  for (const char* k : {"A", "K", "P"}) AddKey(m_h, 1, 1, k);
  std::string key = "K";
  std::int32_t r = 0;
  FindKey(m_h, 1, r, key);
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(key, "P");
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(IsamError, isam_error::kNoNextKey);
  NextKey(m_h, 1, r, key);
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(key, "A");
}

TEST_F(BtreeTest, SearchKeyReturnsTheNextGreaterKey) {
  create(30, {{10, false}});
  for (const char* k : {"A", "K", "P"}) AddKey(m_h, 1, 1, k);
  std::string key = "M";
  std::int32_t r = 0;
  SearchKey(m_h, 1, r, key);
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(key, "P");
  key = "Q";
  SearchKey(m_h, 1, r, key);
  EXPECT_EQ(IsamError, isam_error::kSearchNotFound);
  // After a failed FindKey the position is just before where the key would be.
  FindKey(m_h, 1, r, "B");
  EXPECT_EQ(IsamError, isam_error::kKeyNotFound);
  key.clear();
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(key, "K");
}

TEST_F(BtreeTest, KeysAreCutTo30AndCheckedAgainstKeyLength) {
  create(30, {{30, false}, {23, false}});
  std::string k35(35, 'X');
  AddKey(m_h, 1, 4, k35);
  ASSERT_TRUE(IsamOK);
  std::int32_t r = 0;
  FindKey(m_h, 1, r, std::string(30, 'X') + "YYYYY");
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(r, 4);
  auto all = scan(1);
  EXPECT_EQ(all[0].first, std::string(30, 'X'));
  AddKey(m_h, 2, 1, std::string(24, 'A'));
  EXPECT_EQ(IsamError, isam_error::kKeyTooLong);
  AddKey(m_h, 2, 1, std::string(23, 'A'));
  EXPECT_TRUE(IsamOK);
}

TEST_F(BtreeTest, PositionIsRefoundAfterAChange) {
  create(30, {{10, false}});
  for (const char* k : {"A", "C", "E"}) AddKey(m_h, 1, 1, k);
  std::string key;
  std::int32_t r = 0;
  ClearKey(m_h, 1);
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(key, "A");
  AddKey(m_h, 1, 1, "B");  // invalidates the position; NextKey searches from "A" again
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(key, "B");
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(key, "C");
}

TEST_F(BtreeTest, EmptyIndex) {
  create(30, {{10, true}});
  std::string key = "A";
  std::int32_t r = 0;
  FindKey(m_h, 1, r, key);
  EXPECT_EQ(IsamError, isam_error::kKeyNotFound);
  SearchKey(m_h, 1, r, key);
  EXPECT_EQ(IsamError, isam_error::kSearchNotFound);
  ClearKey(m_h, 1);
  NextKey(m_h, 1, r, key);
  EXPECT_EQ(IsamError, isam_error::kNoNextKey);
  DeleteKey(m_h, 1, 1, "A");
  EXPECT_EQ(IsamError, isam_error::kDeleteKeyNotFound);
}

// The files of a small case, byte for byte.
TEST_F(BtreeTest, FilesEqualBytesComputedByHand) {
  CreateFileBlock("blk", 25, 2, {{4, false}, {2, true}});
  ASSERT_TRUE(IsamOK);
  const int ps1 = 6 + 62 * 13, ps2 = 6 + 62 * 11;
  std::string dat0 = Bytes{}.i32(-1).i32(0).i32(0).i32(25).i32(2).u8(0).zeros(4).s;
  EXPECT_EQ(m_mem.contents("blk.DAT"), dat0);
  std::string ix0 = indexHeader(-1, 0, 0, ps1, 0, false, 0);
  ix0.resize(ps1, '\0');
  ix0 += indexHeader(-1, 0, 0, ps2, 0, true, 0);
  ix0.resize(ps1 + ps2, '\0');
  EXPECT_EQ(m_mem.contents("blk.IX"), ix0);
  EXPECT_EQ(m_mem.contents("blk.DIA"), std::string(1, '\x4A'));

  open();
  std::string r1 = Bytes{}.i32(0).s + "SMITH" + std::string(16, '.');
  std::int32_t n = 0;
  AddRec(m_h, n, r1.data());
  AddKey(m_h, 1, n, "AB");
  AddKey(m_h, 2, n, "Q");
  AddKey(m_h, 2, 9, "Q");
  ASSERT_TRUE(IsamOK);
  close();
  std::string dat1 = Bytes{}.i32(-1).i32(0).i32(1).i32(25).i32(2).u8(0).zeros(4).s + r1;
  EXPECT_EQ(m_mem.contents("blk.DAT"), dat1);
  Bytes ix1;
  ix1.s = indexHeader(-1, 0, 1, ps1, 1, false, 1);
  ix1.padTo(ps1).s += indexHeader(-1, 0, 1, ps2, 1, true, 2);
  ix1.padTo(ps1 + ps2);
  ix1.i16(1).i32(0).item(1, 0, "AB", 4).padTo(2 * ps1 + ps2);
  ix1.i16(2).i32(0).item(1, 0, "Q", 2).item(9, 0, "Q", 2).padTo(2 * (ps1 + ps2));
  EXPECT_EQ(m_mem.contents("blk.IX"), ix1.s);
}

// Files written by hand, with a two-level tree and a free page, open and read correctly.
TEST_F(BtreeTest, HandWrittenFilesOpenAndRead) {
  const int keyLen = 3, ps = 6 + 62 * (keyLen + 9);
  std::string dat = Bytes{}.i32(2).i32(1).i32(3).i32(24).i32(1).u8(0).zeros(3).s;
  dat += Bytes{}.i32(0).s + std::string(20, 'a');
  dat += Bytes{}.i32(-1).s + std::string(20, 'b');  // free
  dat += Bytes{}.i32(0).s + std::string(20, 'c');
  // Page 1: root with one item "M"/3; pages 2 and 3: leaves; page 4: free.
  Bytes ix;
  ix.s = indexHeader(4, 1, 4, ps, 1, false, 4);
  ix.s[26] = 0;  // a stored 0 reads as 62
  ix.padTo(ps);
  ix.i16(1).i32(2).item(3, 3, "M", keyLen).padTo(2 * ps);
  ix.i16(2).i32(0).item(1, 0, "A", keyLen).item(3, 0, "B", keyLen).padTo(3 * ps);
  ix.i16(1).i32(0).item(1, 0, "ZZZ", keyLen).padTo(4 * ps);
  ix.i32(-1).padTo(5 * ps);
  m_mem.setContents("blk.DAT", dat);
  m_mem.setContents("blk.IX", ix.s);
  // Its pages hold fewer than 31 items, which the checker reports but the engine reads.
  EXPECT_FALSE(checkBlock("blk").ok);
  open();
  EXPECT_EQ(FileLen(m_h), 4);
  EXPECT_EQ(UsedRecs(m_h), 2);
  EXPECT_EQ(get(3, 24).substr(4), std::string(20, 'c'));
  auto all = scan(1);
  std::vector<std::pair<std::string, std::int32_t>> want = {
      {"A", 1}, {"B", 3}, {"M", 3}, {"ZZZ", 1}};
  EXPECT_EQ(all, want);
  std::int32_t r = 0;
  FindKey(m_h, 1, r, "ZZZ");
  EXPECT_EQ(r, 1);
  // The free page is used first; the free record too.
  EXPECT_EQ(add(std::string(24, 'd')), 2);
  for (int i = 0; i < 200; ++i)
    AddKey(m_h, 1, 2,
           std::string{'N', static_cast<char>('a' + i / 26), static_cast<char>('a' + i % 26)});
  ASSERT_TRUE(IsamOK);
  close();
  std::string after = m_mem.contents("blk.IX");
  EXPECT_EQ(rd32(after.data()), -1);  // FirstFreePage: page 4 was taken
  std::vector<std::pair<std::string, std::int32_t>> entries;
  EXPECT_TRUE(readIndexEntries("blk", 1, &entries));
  EXPECT_EQ(entries.size(), 204u);
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
}

TEST_F(BtreeTest, SixtyThirdKeySplitsTheRootThirtyOneOneThirtyOne) {
  create(30, {{4, false}});
  char key[16];  // three digits; room for any int keeps -Wformat-truncation quiet
  for (int i = 0; i < 63; ++i) {
    std::snprintf(key, sizeof key, "%03d", i);
    AddKey(m_h, 1, i + 1, key);
  }
  close();
  std::string ix = m_mem.contents("blk.IX");
  const int ps = 6 + 62 * 13;
  EXPECT_EQ(rd32(ix.data() + 16), 3);  // new root
  EXPECT_EQ(rd32(ix.data() + 8), 3);   // three pages
  EXPECT_EQ(ix.size(), 4u * ps);       // grown by whole index records
  const char* root = ix.data() + 3 * ps;
  EXPECT_EQ(rd16(root), 1);
  EXPECT_EQ(rd32(root + 2), 1);                    // left: the old root
  EXPECT_EQ(std::string(root + 6 + 9, 3), "031");  // the 32nd key moved up
  EXPECT_EQ(rd32(root + 6 + 4), 2);
  EXPECT_EQ(rd16(ix.data() + ps), 31);
  EXPECT_EQ(rd16(ix.data() + 2 * ps), 31);
  EXPECT_TRUE(check());
  // The next keys at the low end of a full left page are passed to its right sibling.
  open();
  for (int i = 0; i < 31; ++i) {
    std::snprintf(key, sizeof key, "%03d", 100 + i);
    AddKey(m_h, 1, 1, key);
  }
  close();
  ix = m_mem.contents("blk.IX");
  EXPECT_EQ(rd32(ix.data() + 8), 3);  // no new page: redistribution
  EXPECT_EQ(rd16(ix.data() + 2 * ps), 62);
  std::snprintf(key, sizeof key, "%03d", 200);
  open();
  AddKey(m_h, 1, 1, "0A");  // left page has room: the full right page passes items left
  close();
  ix = m_mem.contents("blk.IX");
  EXPECT_EQ(rd32(ix.data() + 8), 3);
  EXPECT_EQ(rd16(ix.data() + ps) + rd16(ix.data() + 2 * ps), 94);
  EXPECT_TRUE(check());
}

TEST_F(BtreeTest, DeletingEverythingCollapsesAndFreesAllPages) {
  create(30, {{6, true}});
  BeginBatch(m_h);
  for (int i = 0; i < 3000; ++i) AddKey(m_h, 1, i % 7 + 1, std::to_string(i * 7919 % 3001));
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK);
  EXPECT_TRUE(check());
  auto all = scan(1);
  ASSERT_EQ(all.size(), 3000u);
  for (auto& [k, r] : all) {
    DeleteKey(m_h, 1, r, k);
    ASSERT_TRUE(IsamOK) << k;
  }
  close();
  std::string ix = m_mem.contents("blk.IX");
  EXPECT_EQ(rd32(ix.data() + 16), 0);                   // empty
  EXPECT_EQ(rd32(ix.data() + 4), rd32(ix.data() + 8));  // every page free
  EXPECT_TRUE(check());
}

// Walks the pages of the only index of "blk" from its root: every item's key bytes past its
// length are zero, and the entries come out in order.
void walkPages(const std::string& ix, std::int32_t page, int keyLen,
               std::vector<std::pair<std::string, std::int32_t>>* out, int depth = 0) {
  ASSERT_LT(depth, 20);
  const std::size_t pageSize = static_cast<std::size_t>(rd32(ix.data() + 12));
  const char* p = ix.data() + static_cast<std::size_t>(page) * pageSize;
  const int n = rd16(p);
  const int stride = keyLen + 9;
  if (rd32(p + 2) != 0) walkPages(ix, rd32(p + 2), keyLen, out, depth + 1);
  for (int i = 0; i < n; ++i) {
    const char* q = p + 6 + i * stride;
    const int len = static_cast<std::uint8_t>(q[8]);
    ASSERT_LE(len, keyLen);
    for (int j = len; j < keyLen; ++j)
      ASSERT_EQ(q[9 + j], 0) << "page " << page << " item " << i << " byte " << j;
    out->emplace_back(std::string(q + 9, static_cast<std::size_t>(len)), rd32(q));
    if (rd32(q + 4) != 0) walkPages(ix, rd32(q + 4), keyLen, out, depth + 1);
  }
}

// Keys of every length, shorter and longer ones side by side on a page, are moved within
// pages by insertions and removals: the moved items keep their keys intact and no page
// holds stale key bytes past a key's length (a batch, then single operations).
TEST_F(BtreeTest, ItemsMovedWithinPagesKeepExactBytes) {
  create(30, {{30, true}});
  std::mt19937 rng(5);
  std::multiset<std::pair<std::string, std::int32_t>> model;
  auto randomKey = [&rng] {
    std::string k(1 + rng() % 30, ' ');
    for (char& c : k) c = static_cast<char>('a' + rng() % 3);
    return k;
  };
  auto removeSome = [&](int count) {
    for (int i = 0; i < count && !model.empty(); ++i) {
      auto it = model.begin();
      std::advance(it, static_cast<long>(rng() % model.size()));
      DeleteKey(m_h, 1, it->second, it->first);
      ASSERT_TRUE(IsamOK) << IsamError;
      model.erase(it);
    }
  };
  BeginBatch(m_h);
  for (std::int32_t r = 1; r <= 3000; ++r) {
    std::string k = randomKey();
    AddKey(m_h, 1, r, k);
    ASSERT_TRUE(IsamOK) << IsamError;
    model.emplace(k, r);
  }
  removeSome(1500);
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK);
  for (std::int32_t r = 3001; r <= 3400; ++r) {
    std::string k = randomKey();
    AddKey(m_h, 1, r, k);
    ASSERT_TRUE(IsamOK) << IsamError;
    model.emplace(k, r);
  }
  removeSome(300);
  close();
  std::string ix = m_mem.contents("blk.IX");
  std::vector<std::pair<std::string, std::int32_t>> walked;
  walkPages(ix, rd32(ix.data() + 16), 30, &walked);
  EXPECT_EQ(walked,
            (std::vector<std::pair<std::string, std::int32_t>>(model.begin(), model.end())));
  EXPECT_TRUE(check());
}

}  // namespace
}  // namespace liga::storage::testing

namespace liga::storage::testing {
namespace {

class SmallPoolTest : public StorageTest {
 protected:
  int pageBuffers() const override { return 8; }
};

// A batch on one block holds changed pages in the shared pool; work on another block needs
// the buffers, so the batch's pages are written early (journal first). Both blocks end right.
TEST_F(SmallPoolTest, AnotherBlockCanForceABatchToWriteEarly) {
  create(30, {{8, false}}, "a");
  FileBlockPtr a = m_h;
  create(30, {{8, false}}, "b");
  FileBlockPtr b = m_h;
  long long foreign = engineStats().foreignSpills;
  BeginBatch(a);
  for (int i = 0; i < 2000; ++i) {
    AddKey(a, 1, i + 1, std::to_string(100000 + i * 7919 % 90000));
    ASSERT_TRUE(IsamOK);
    if (i % 3 == 0) {
      AddKey(b, 1, i + 1, std::to_string(500000 + i * 31 % 2000));
      ASSERT_TRUE(IsamOK);
    }
  }
  EXPECT_GT(engineStats().foreignSpills, foreign);
  CommitBatch(a);
  ASSERT_TRUE(IsamOK);
  CloseFileBlock(a);
  CloseFileBlock(b);
  m_h = nullptr;
  std::vector<std::pair<std::string, std::int32_t>> ea, eb;
  ASSERT_TRUE(readIndexEntries("a", 1, &ea));
  ASSERT_TRUE(readIndexEntries("b", 1, &eb));
  EXPECT_EQ(ea.size(), 2000u);
  EXPECT_EQ(eb.size(), 667u);
  EXPECT_TRUE(check("a"));
  EXPECT_TRUE(check("b"));
}

// A journal left sealed by a cut between its sync and the writes in place: the checker
// reports it, and the next open rolls it back.
TEST_F(SmallPoolTest, CheckerReportsAndOpenRollsBackASealedJournal) {
  create(30, {{8, false}});
  AddKey(m_h, 1, 1, "KEEP");
  m_fault.resetCounts();
  m_fault.cutAt(2);  // journal write, journal sync, then the first write in place fails
  AddKey(m_h, 1, 2, "LOST");
  EXPECT_FALSE(IsamOK);
  close();
  m_fault.disarm();
  CheckResult r = checkBlock("blk");
  EXPECT_FALSE(r.ok);
  ASSERT_FALSE(r.problems.empty());
  EXPECT_NE(r.problems[0].find("journal"), std::string::npos);
  open();
  close();
  EXPECT_TRUE(check());
  std::vector<std::pair<std::string, std::int32_t>> e;
  ASSERT_TRUE(readIndexEntries("blk", 1, &e));
  EXPECT_EQ(e, (std::vector<std::pair<std::string, std::int32_t>>{{"KEEP", 1}}));
}

}  // namespace
}  // namespace liga::storage::testing

namespace liga::storage::testing {
namespace {

class SmallPageTest : public StorageTest {
 protected:
  // Rewrites the index header of the fresh block "blk" (4-byte keys) to `m` items per page.
  void useItemsPerPage(int m) {
    close();
    std::string ix = m_mem.contents("blk.IX");
    wr32(ix.data() + 12, 6 + m * 13);
    wr16(ix.data() + 26, static_cast<std::int16_t>(m));
    m_mem.setContents("blk.IX", ix);
    open();
  }
};

// Files from elsewhere may hold few items per page: with 2 or 3 the least a page other than
// the root may keep is 1, so a removal can empty a leaf or an inner page, which is then
// refilled from a sibling or merged with it.
TEST_F(SmallPageTest, KeysComeAndGoWithTwoOrThreeItemsPerPage) {
  for (int m : {2, 3}) {
    SCOPED_TRACE(m);
    close();
    DeleteFileBlock("blk");
    create(30, {{4, false}});
    useItemsPerPage(m);
    std::mt19937 rng(static_cast<unsigned>(m));
    std::vector<int> keys(80);
    for (int i = 0; i < 80; ++i) keys[static_cast<std::size_t>(i)] = i;
    std::shuffle(keys.begin(), keys.end(), rng);
    for (int i : keys) {
      AddKey(m_h, 1, i + 1, std::to_string(1000 + i));
      ASSERT_TRUE(IsamOK) << i << " " << IsamError;
    }
    std::shuffle(keys.begin(), keys.end(), rng);
    std::set<int> left(keys.begin(), keys.end());
    for (std::size_t n = 0; n < keys.size(); ++n) {
      int i = keys[n];
      DeleteKey(m_h, 1, i + 1, std::to_string(1000 + i));
      ASSERT_TRUE(IsamOK) << i << " " << IsamError;
      left.erase(i);
      if (n == keys.size() / 2) {
        std::vector<std::pair<std::string, std::int32_t>> expected;
        for (int j : left) expected.emplace_back(std::to_string(1000 + j), j + 1);
        EXPECT_EQ(scan(1), expected);
        close();
        ASSERT_TRUE(check());
        open();
      }
    }
    EXPECT_TRUE(scan(1).empty());
    close();
    EXPECT_TRUE(check());
  }
}

}  // namespace
}  // namespace liga::storage::testing
