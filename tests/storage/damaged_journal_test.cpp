// A journal damaged after it was sealed (a flipped bit in its images, its seal or an entry's
// length) is the only way back for writes already made in place: the block is refused to
// writers and readers with kJournalDamaged and left untouched, never taken as at rest with
// half a change applied. A journal whose append a crash cut short is still ignored.
#include <random>

#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

constexpr std::size_t kRecLen = 48;

class DamagedJournalTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    create(kRecLen, {{10, true}});
    for (int i = 0; i < 20; ++i) {
      const std::int32_t n = add(rec("old" + std::to_string(i), kRecLen));
      AddKey(m_h, 1, n, "k" + std::to_string(100 + i));
    }
    m_keys = scan(1);
    close();
    m_mem.syncAll();
    for (const auto& p : m_mem.paths()) m_before[p] = m_mem.contents(p);

    // The power goes at the journal's cut, the last call of the commit: the journal holds
    // the sealed images and the files hold the change.
    open();
    m_fault.resetCounts();
    change();
    const long long calls = m_fault.count(FaultEnv::Kind::Any);
    ASSERT_TRUE(IsamOK);
    close();
    restoreBefore();
    open();
    m_fault.resetCounts();
    m_fault.cutAt(calls - 1);
    change();
    close();
    m_fault.disarm();
    std::mt19937 rng(1);
    m_mem.powerCut(MemEnv::Cut::KeepAll, rng);
    m_journal = m_mem.contents("blk.DIA");
    ASSERT_GT(m_journal.size(), 40u);
    ASSERT_NE(m_mem.contents("blk.DAT"), m_before.at("blk.DAT"));
  }

  void change() {
    BeginBatch(m_h);
    PutRec(m_h, 3, rec("changed", kRecLen).data());
    for (int j = 0; j < 5 && IsamOK; ++j) {
      const std::int32_t n = add(rec("new" + std::to_string(j), kRecLen));
      if (IsamOK) AddKey(m_h, 1, n, "n" + std::to_string(j));
    }
    CommitBatch(m_h);
  }

  void restoreBefore() {
    for (const auto& [p, c] : m_before) m_mem.setContents(p, c);
  }

  // The files with the change in place and `journal` as the journal.
  void withJournal(const std::string& journal) { m_mem.setContents("blk.DIA", journal); }

  std::map<std::string, std::string> m_before;
  std::vector<std::pair<std::string, std::int32_t>> m_keys;
  std::string m_journal;
};

TEST_F(DamagedJournalTest, AnIntactJournalRollsTheChangeBack) {
  open();
  ASSERT_TRUE(IsamOK);
  close();
  // Records added by the change stay on the file beyond the restored header's count.
  const std::string& dat = m_before.at("blk.DAT");
  EXPECT_EQ(m_mem.contents("blk.DAT").substr(0, dat.size()), dat);
  EXPECT_TRUE(check());
  open();
  EXPECT_EQ(scan(1), m_keys);
  close();
}

TEST_F(DamagedJournalTest, ADamagedJournalRefusesTheBlockAndTouchesNothing) {
  const std::string dat = m_mem.contents("blk.DAT");
  const std::string ix = m_mem.contents("blk.IX");
  // A byte of an image, of the seal's checksum, of an image's length field (the parse then
  // runs past the seal), and of the begin tag.
  const std::size_t size = m_journal.size();
  for (std::size_t at : {size / 2, size - 2, std::size_t{11 + 11}, std::size_t{1}}) {
    SCOPED_TRACE("byte " + std::to_string(at));
    std::string damaged = m_journal;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    withJournal(damaged);
    for (bool readOnly : {false, true}) {
      FileBlockPtr h = nullptr;
      OpenFileBlock(h, "blk", readOnly);
      EXPECT_FALSE(IsamOK);
      EXPECT_EQ(IsamError, isam_error::kJournalDamaged) << (readOnly ? "reader" : "writer");
      EXPECT_EQ(h, nullptr);
      if (h) CloseFileBlock(h);
    }
    EXPECT_EQ(m_mem.contents("blk.DIA"), damaged);
    EXPECT_EQ(m_mem.contents("blk.DAT"), dat);
    EXPECT_EQ(m_mem.contents("blk.IX"), ix);
  }
}

// A crash during an append leaves it without its seal; nothing was written in place after
// it, so the files are as before and the journal is ignored.
TEST_F(DamagedJournalTest, AnAppendCutShortIsStillIgnored) {
  restoreBefore();
  for (std::size_t keep : {m_journal.size() - 1, m_journal.size() - 10, m_journal.size() / 2}) {
    withJournal(m_journal.substr(0, keep));
    open();
    EXPECT_TRUE(IsamOK) << "kept " << keep;
    close();
    EXPECT_EQ(m_mem.contents("blk.DAT"), m_before.at("blk.DAT"));
    EXPECT_EQ(m_mem.contents("blk.DIA").size(), 1u);
  }
}

}  // namespace
}  // namespace liga::storage::testing
