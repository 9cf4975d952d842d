// The numbered rules of the journal protocol (storage/engine.h), each shown on the order of
// the calls the engine makes to its files, and checkInvariants shown to catch a violation.
#include <algorithm>

#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

enum class Call { Write, Sync, Truncate };

struct Event {
  std::string file;  // "DAT", "IX" or "DIA"
  Call call;
  std::uint64_t offset = 0;  // a write's offset, a truncate's new size
  std::size_t bytes = 0;
  // For a write in place over bytes the file held when the transaction began: whether a
  // sealed before-image in the journal at that moment covers it.
  bool covered = true;
};

// Forwards to another environment and records every write, sync and truncate in order.
class TraceEnv final : public ForwardingEnv {
 public:
  TraceEnv(Env* base, MemEnv* mem) : ForwardingEnv(base), m_mem(mem) {}

  int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override;

  void record(const std::string& path, Call call, std::uint64_t offset, std::size_t bytes) {
    const std::string ext = path.substr(path.rfind('.') + 1);
    Event e{ext, call, offset, bytes};
    if (call == Call::Write && ext != "DIA") e.covered = coveredByJournal(path, offset, bytes);
    events.push_back(e);
    if (call == Call::Truncate && ext == "DIA") markTransactionStart();
  }
  // Sizes of the data and index files at the start of the next transaction.
  void markTransactionStart() {
    m_startSize.clear();
    for (const auto& p : m_mem->paths()) m_startSize[p] = m_mem->contents(p).size();
  }
  void clear() {
    events.clear();
    markTransactionStart();
  }

  std::vector<Event> events;

 private:
  // Pages, records and headers are each written whole at their own offset, and a page's
  // image holds only its valid items, so a write is covered when an image of the same file
  // begins where it begins.
  bool coveredByJournal(const std::string& path, std::uint64_t offset, std::size_t bytes) {
    const std::uint64_t old = m_startSize.count(path) ? m_startSize[path] : 0;
    if (offset >= old || bytes == 0) return true;  // only bytes the file did not hold yet
    std::vector<Image> images;
    parseJournal(m_mem->contents(path.substr(0, path.rfind('.')) + ".DIA"), &images);
    const std::uint8_t file = path.substr(path.rfind('.') + 1) == "DAT" ? 0 : 1;
    return std::any_of(images.begin(), images.end(), [&](const Image& im) {
      return im.file == file && static_cast<std::uint64_t>(im.offset) == offset;
    });
  }

  MemEnv* m_mem;
  std::map<std::string, std::uint64_t> m_startSize;
};

class TraceFile final : public File {
 public:
  TraceFile(TraceEnv* env, std::string path, std::unique_ptr<File> base)
      : m_env(env), m_path(std::move(path)), m_base(std::move(base)) {}
  int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) override {
    return m_base->read(offset, buffer, n, got);
  }
  int write(std::uint64_t offset, const void* data, std::size_t n) override {
    m_env->record(m_path, Call::Write, offset, n);
    return m_base->write(offset, data, n);
  }
  int sync() override {
    m_env->record(m_path, Call::Sync, 0, 0);
    return m_base->sync();
  }
  int truncate(std::uint64_t size) override {
    int e = m_base->truncate(size);
    m_env->record(m_path, Call::Truncate, size, 0);
    return e;
  }
  int size(std::uint64_t* size) override { return m_base->size(size); }

 private:
  TraceEnv* m_env;
  std::string m_path;
  std::unique_ptr<File> m_base;
};

int TraceEnv::open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) {
  std::unique_ptr<File> base;
  if (int e = m_base->open(path, mode, &base)) return e;
  *file = std::make_unique<TraceFile>(this, path, std::move(base));
  return 0;
}

constexpr std::size_t kRecLen = 48;

class EngineRulesTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    setCurrentEnv(&m_trace);
    create(kRecLen, {{10, false}});
    for (int i = 0; i < 40; ++i) addWithKey(i);
    m_trace.clear();
  }
  void addWithKey(int i) {
    const std::int32_t n = add(rec("r" + std::to_string(i), kRecLen));
    AddKey(m_h, 1, n, "k" + std::to_string(1000 + i));
    ASSERT_TRUE(IsamOK) << IsamError;
  }
  // Index of the first event matching, or -1.
  int first(const std::string& file, Call call, int from = 0) const {
    const auto& ev = m_trace.events;
    for (int i = from; i < static_cast<int>(ev.size()); ++i)
      if (ev[i].file == file && ev[i].call == call) return i;
    return -1;
  }
  int last(const std::string& file, Call call) const {
    const auto& ev = m_trace.events;
    for (int i = static_cast<int>(ev.size()) - 1; i >= 0; --i)
      if (ev[i].file == file && ev[i].call == call) return i;
    return -1;
  }
  void expectEveryWriteInPlaceCovered() const {
    for (const Event& e : m_trace.events)
      EXPECT_TRUE(e.covered) << e.file << " write at " << e.offset << " of " << e.bytes;
  }

  TraceEnv m_trace{&m_fault, &m_mem};
};

TEST_F(EngineRulesTest, Rule1ChangesStayInMemoryUntilTheBatchCommits) {
  BeginBatch(m_h);
  for (int i = 40; i < 60; ++i) addWithKey(i);
  PutRec(m_h, 3, rec("changed", kRecLen).data());
  EXPECT_TRUE(m_trace.events.empty()) << m_trace.events.size() << " calls inside the batch";
  EXPECT_EQ(checkInvariants(*m_h), "");
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK);
  EXPECT_GE(first("DAT", Call::Write), 0);
  EXPECT_GE(first("IX", Call::Write), 0);
}

TEST_F(EngineRulesTest, Rule2JournalIsSyncedBeforeTheFirstWriteInPlace) {
  PutRec(m_h, 5, rec("changed", kRecLen).data());
  ASSERT_TRUE(IsamOK);
  const int journalWrite = first("DIA", Call::Write);
  const int journalSync = first("DIA", Call::Sync);
  const int inPlace = first("DAT", Call::Write);
  ASSERT_GE(journalWrite, 0);
  ASSERT_GE(inPlace, 0);
  EXPECT_LT(journalWrite, journalSync);
  EXPECT_LT(journalSync, inPlace);
  // One write for begin, images and seal.
  EXPECT_EQ(std::count_if(m_trace.events.begin(), m_trace.events.end(),
                          [](const Event& e) { return e.file == "DIA" && e.call == Call::Write; }),
            1);
  expectEveryWriteInPlaceCovered();
}

TEST_F(EngineRulesTest, Rule3FilesAreSyncedBeforeTheJournalIsCut) {
  DeleteKey(m_h, 1, 7, "k1006");
  ASSERT_TRUE(IsamOK);
  const int cut = last("DIA", Call::Truncate);
  ASSERT_GE(cut, 0);
  EXPECT_LT(last("IX", Call::Write), last("IX", Call::Sync));
  EXPECT_LT(last("IX", Call::Sync), cut);
  EXPECT_EQ(first("DAT", Call::Sync), -1) << "the data file was not written";
}

TEST_F(EngineRulesTest, Rule4JournalIsCutBackToItsMarkWithoutASync) {
  AddRec(m_h, *std::make_unique<std::int32_t>(), rec("new", kRecLen).data());
  ASSERT_TRUE(IsamOK);
  const int cut = last("DIA", Call::Truncate);
  ASSERT_EQ(cut, static_cast<int>(m_trace.events.size()) - 1) << "the cut is the last call";
  EXPECT_EQ(m_trace.events[static_cast<std::size_t>(cut)].offset, 1u);
  EXPECT_EQ(m_mem.contents("blk.DIA"), std::string(1, static_cast<char>(kJournalMark)));
}

TEST_F(EngineRulesTest, Rule5ReplayingASealedJournalTwiceGivesTheSameFiles) {
  const std::string before = m_mem.contents("blk.DAT") + m_mem.contents("blk.IX");
  // Stop at the journal cut, so the sealed journal and the new contents stay on the files.
  m_fault.resetCounts();
  m_fault.failAt(FaultEnv::Kind::Truncate, 0, true);
  PutRec(m_h, 9, rec("lost", kRecLen).data());
  m_fault.disarm();
  FileBlockPtr dropped = m_h;
  m_h = nullptr;
  (void)dropped;  // the handle is given up as at a crash; the files are what matters
  ExitIsam();
  ASSERT_TRUE(InitIsam({}, 200));
  const std::string journal = m_mem.contents("blk.DIA");
  ASSERT_GT(journal.size(), 1u);
  open();
  EXPECT_EQ(m_mem.contents("blk.DAT") + m_mem.contents("blk.IX"), before);
  close();
  m_mem.setContents("blk.DIA", journal);
  open();
  EXPECT_EQ(m_mem.contents("blk.DAT") + m_mem.contents("blk.IX"), before);
  EXPECT_TRUE(check());
}

TEST_F(EngineRulesTest, Rule6PagesWrittenEarlyAreJournaledFirst) {
  // A batch larger than the pool (which it may not grow here) must give up changed pages
  // before it commits.
  close();
  ExitIsam();
  ASSERT_TRUE(InitIsam({}, 8));
  setBatchPoolGrowth(1);
  struct Reset {
    ~Reset() { setBatchPoolGrowth(kDefaultBatchPoolGrowth); }
  } reset;
  open();
  m_trace.clear();
  BeginBatch(m_h);
  for (int i = 40; i < 1500; ++i) addWithKey(i);
  for (int i = 0; i < 40; i += 3) DeleteKey(m_h, 1, i + 1, "k" + std::to_string(1000 + i));
  ASSERT_TRUE(IsamOK) << IsamError;
  const int earlyWrite = first("IX", Call::Write);
  ASSERT_GE(earlyWrite, 0) << "the small pool wrote nothing before commit";
  EXPECT_LT(first("DIA", Call::Sync), earlyWrite);
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK) << IsamError;
  expectEveryWriteInPlaceCovered();
  EXPECT_TRUE(check());
}

TEST_F(EngineRulesTest, Rule7FailedRollbackBreaksTheBlockUntilItIsReopened) {
  const std::string before = get(4, kRecLen);
  // Every write after the journal's fails: the write in place and the rollback's writes.
  m_fault.resetCounts();
  m_fault.failAt(FaultEnv::Kind::Write, 1, true);
  PutRec(m_h, 4, rec("never", kRecLen).data());
  EXPECT_EQ(IsamError, isam_error::kRollbackFailed);
  std::int32_t ref = 0;
  FindKey(m_h, 1, ref, "k1003");
  EXPECT_EQ(IsamError, isam_error::kRollbackFailed) << "a broken block refuses reads too";
  m_fault.disarm();
  CloseFileBlock(m_h);
  EXPECT_TRUE(IsamOK);
  open();
  EXPECT_EQ(get(4, kRecLen), before);
  EXPECT_TRUE(check());
}

TEST_F(EngineRulesTest, CheckInvariantsReportsAJournalLeftUncut) {
  EXPECT_EQ(checkInvariants(*m_h), "");
  const char extra = 1;
  ASSERT_EQ(m_h->journal->write(1, &extra, 1), 0);
  EXPECT_NE(checkInvariants(*m_h).find("rule 4"), std::string::npos);
}

}  // namespace
}  // namespace liga::storage::testing
