// The bytes of a change kept and put back: undo and redo of changes over several blocks give
// back every byte of every file, an open block reads what was put back, a file changed since
// stops the undo before anything is written, and a power cut at any file call of an undo or
// a redo leaves every file as before it or every file as after it.
#include <random>

#include "../storage/storage_fixture.h"
#include "database/change_images.h"

namespace liga::storage::testing {
namespace {

constexpr std::size_t kRecLen = 64;
const std::vector<std::string> kBlocks = {"cat", "klass", "game"};
using Side = ChangeImages::Side;

class ChangeImagesTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    createFilledBlocks(kBlocks, kRecLen, 40);
    if (HasFatalFailure()) return;
    m_before = TakeSnapshot("");
    m_beforeDisk = disk();
    change();
    m_after = TakeSnapshot("");
    m_afterDisk = disk();
    ASSERT_TRUE(m_before.ok && m_after.ok);
  }

  // Two blocks change: one in a batch that adds records and keys (its files grow) and
  // deletes one, the other by single operations that reuse a freed record.
  void change() {
    open("klass");
    BeginBatch(m_h);
    for (int j = 0; j < 30; ++j) {
      const std::int32_t n = add(rec("new" + std::to_string(j), kRecLen));
      AddKey(m_h, 1, n, "n" + std::to_string(j));
    }
    PutRec(m_h, 3, rec("changed", kRecLen).data());
    DeleteKey(m_h, 1, 5, "k104");
    DeleteRec(m_h, 5);
    CommitBatch(m_h);
    ASSERT_TRUE(IsamOK);
    close();
    open("game");
    DeleteKey(m_h, 1, 7, "k106");
    DeleteRec(m_h, 7);
    add(rec("again", kRecLen));
    ASSERT_TRUE(IsamOK);
    close();
  }

  // Every file as it is now, the journals too.
  std::map<std::string, std::string> disk() const {
    std::map<std::string, std::string> files;
    for (const auto& p : m_mem.paths()) files[p] = m_mem.contents(p);
    return files;
  }
  // Puts `files` in place, durable, as they are on disk at rest.
  void restore(const std::map<std::string, std::string>& files) {
    for (const auto& p : m_mem.paths())
      if (!files.count(p)) m_mem.remove(p);
    for (const auto& [p, c] : files) m_mem.setContents(p, c);
  }

  DirSnapshot m_before, m_after;
  std::map<std::string, std::string> m_beforeDisk, m_afterDisk;
};

TEST_F(ChangeImagesTest, UndoAndRedoGiveBackEveryByteAndOpenBlocksReadIt) {
  const ChangeImages c = ChangeImages::Between("", m_before, m_after);
  ASSERT_FALSE(c.empty());
  // Only the changed parts are kept, not the files.
  std::size_t whole = 0;
  for (const auto& [p, bytes] : m_after.files) whole += bytes.size();
  EXPECT_LT(c.bytes(), whole);
  // One block stays open through the undo, as the window keeps the competition's files.
  open("klass");
  std::string error;
  ASSERT_TRUE(c.apply(Side::Before, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == m_before.files);
  EXPECT_EQ(FileLen(m_h), 41);
  EXPECT_EQ(get(3, kRecLen), rec("klass2", kRecLen));
  EXPECT_EQ(scan(1).size(), 40u);
  ASSERT_TRUE(c.apply(Side::After, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == m_after.files);
  EXPECT_EQ(get(3, kRecLen), rec("changed", kRecLen));
  EXPECT_EQ(scan(1).size(), 69u);
  // The open block goes on working from what was put back.
  add(rec("later", kRecLen));
  close();
  for (const auto& name : kBlocks) EXPECT_TRUE(check(name)) << name;
}

// A change followed by another (places a report stores after a result) kept as one set of
// images: undone in one step to the state before the first, made again to the state after the
// second; a second change that takes the first back leaves no change at all.
TEST_F(ChangeImagesTest, TwoChangesInARowComposeIntoOne) {
  ChangeImages c = ChangeImages::Between("", m_before, m_after);
  open("klass");
  BeginBatch(m_h);
  PutRec(m_h, 3, rec("again", kRecLen).data());
  for (int j = 0; j < 12; ++j) {
    const std::int32_t n = add(rec("more" + std::to_string(j), kRecLen));
    AddKey(m_h, 1, n, "m" + std::to_string(j));
  }
  CommitBatch(m_h);
  close();
  open("cat");
  PutRec(m_h, 1, rec("cat changed", kRecLen).data());
  close();
  const DirSnapshot third = TakeSnapshot("");
  ASSERT_TRUE(c.absorb(ChangeImages::Between("", m_after, third)));
  std::string error;
  ASSERT_TRUE(c.apply(Side::Before, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == m_before.files);
  ASSERT_TRUE(c.apply(Side::After, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == third.files);
  for (const auto& name : kBlocks) EXPECT_TRUE(check(name)) << name;

  ChangeImages there = ChangeImages::Between("", m_before, m_after);
  ASSERT_TRUE(there.absorb(ChangeImages::Between("", m_after, m_before)));
  EXPECT_TRUE(there.empty());
}

// A unit of several blocks leaves its journals to the engine (cut before their next use), so
// the journals' bytes differ from change to change: they are no part of the images, and a
// journal cut by a later change neither stops the undo of an earlier one nor comes back.
TEST_F(ChangeImagesTest, ChangesCommittedAsUnitsAreUndoneAndRedoneWhateverTheirJournalsHold) {
  std::vector<FileBlockPtr> handles(2, nullptr);
  OpenFileBlock(handles[0], "klass");
  OpenFileBlock(handles[1], "game");
  ASSERT_TRUE(IsamOK);
  for (FileBlockPtr h : handles) {
    BeginBatch(h);
    PutRec(h, 2, rec("in the unit", kRecLen).data());
    std::int32_t n = 0;
    AddRec(h, n, rec("added", kRecLen).data());
    AddKey(h, 1, n, "u1");
  }
  CommitBatches(handles);
  ASSERT_TRUE(IsamOK);
  for (FileBlockPtr& h : handles) CloseFileBlock(h);
  const DirSnapshot unit = TakeSnapshot("");
  ASSERT_GT(m_mem.contents("klass.DIA").size(), 1u);  // left holding the committed unit
  // The next change of one block cuts that block's journal first.
  open("klass");
  PutRec(m_h, 4, rec("alone", kRecLen).data());
  close();
  const DirSnapshot single = TakeSnapshot("");
  const ChangeImages first = ChangeImages::Between("", m_after, unit);
  const ChangeImages second = ChangeImages::Between("", unit, single);
  for (const DirSnapshot* s : {&unit, &single})
    for (const auto& [name, bytes] : s->files) EXPECT_EQ(name.find(".DIA"), std::string::npos);
  std::string error;
  ASSERT_TRUE(second.apply(Side::Before, &error)) << error;
  ASSERT_TRUE(first.apply(Side::Before, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == m_after.files);
  ASSERT_TRUE(first.apply(Side::After, &error)) << error;
  ASSERT_TRUE(second.apply(Side::After, &error)) << error;
  EXPECT_TRUE(TakeSnapshot("").files == single.files);
  for (const auto& name : kBlocks) {
    EXPECT_FALSE(BlockNeedsRecovery(name)) << name;
    EXPECT_TRUE(check(name)) << name;
  }
}

TEST_F(ChangeImagesTest, AFileChangedSinceStopsTheUndoBeforeAnythingIsWritten) {
  const ChangeImages c = ChangeImages::Between("", m_before, m_after);
  std::string changed = m_after.files.at("game.DAT");
  changed[changed.size() - 3] ^= 0x55;
  m_mem.setContents("game.DAT", changed);
  const auto now = TakeSnapshot("").files;
  std::string error;
  EXPECT_FALSE(c.apply(Side::Before, &error));
  EXPECT_NE(error.find("game.DAT"), std::string::npos) << error;
  EXPECT_EQ(error.find("klass.DAT"), std::string::npos) << error;
  EXPECT_TRUE(TakeSnapshot("").files == now);
  EXPECT_EQ(c.differences(Side::After), std::vector<std::string>({"game.DAT"}));
  // Redo is refused too: the files are not as before the change either.
  EXPECT_FALSE(c.apply(Side::After, &error));
}

TEST_F(ChangeImagesTest, PowerCutAtEveryCallOfAnUndoOrARedoLeavesOneOfTheTwoStates) {
  const ChangeImages c = ChangeImages::Between("", m_before, m_after);
  std::mt19937 rng(11);
  long cases = 0, before = 0, after = 0;
  for (const Side side : {Side::Before, Side::After}) {
    const auto& from = side == Side::Before ? m_afterDisk : m_beforeDisk;
    const DirSnapshot& to = side == Side::Before ? m_before : m_after;
    restore(from);
    m_fault.resetCounts();
    std::string error;
    ASSERT_TRUE(c.apply(side, &error)) << error;
    const long long calls = m_fault.count(FaultEnv::Kind::Any);
    for (long long n = 0; n <= calls; ++n) {
      for (int variant = 0; variant < 3; ++variant) {
        restore(from);
        m_fault.resetCounts();
        m_fault.cutAt(n);
        const bool ok = c.apply(side, &error);
        // The process dies: the engine forgets its blocks, the disk loses what it may.
        ExitIsam();
        m_mem.powerCut(variant == 0   ? MemEnv::Cut::KeepAll
                       : variant == 1 ? MemEnv::Cut::DropAll
                                      : MemEnv::Cut::Random,
                       rng);
        m_fault.disarm();
        ASSERT_TRUE(InitIsam({}, pageBuffers()));
        for (const auto& name : kBlocks) {
          open(name);
          close();
          EXPECT_FALSE(BlockNeedsRecovery(name)) << name << " cut " << n;
          EXPECT_TRUE(check(name)) << name << " cut " << n;
        }
        const auto now = TakeSnapshot("").files;
        ++cases;
        if (now == m_before.files) {
          ++before;
        } else if (now == m_after.files) {
          ++after;
        } else {
          ADD_FAILURE() << (side == Side::Before ? "undo" : "redo") << " cut at call " << n
                        << " of " << calls << " variant " << variant;
        }
        // An apply that ended is kept by a kill; a power cut may still lose the removal of
        // its super-journal (not synced, as a commit's journal cut is not), which takes the
        // whole unit back.
        if (ok && variant == 0) {
          EXPECT_TRUE(now == to.files) << "cut " << n;
        }
      }
    }
  }
  std::printf("change images: %ld cuts, %ld before, %ld after\n", cases, before, after);
  EXPECT_GT(before, 0);
  EXPECT_GT(after, 0);
}

}  // namespace
}  // namespace liga::storage::testing
