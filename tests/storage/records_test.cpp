// Record files, names, opening checks and the wrapper's entry rules and status.
#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

class RecordTest : public StorageTest {};

TEST_F(RecordTest, NewBlockCountsAndFirstNumber) {
  create(30, {});
  EXPECT_EQ(FileLen(m_h), 1);
  EXPECT_EQ(UsedRecs(m_h), 0);
  EXPECT_EQ(add(rec("a", 30)), 1);
  EXPECT_EQ(FileLen(m_h), 2);
  EXPECT_EQ(UsedRecs(m_h), 1);
}

TEST_F(RecordTest, FreeChainIsLastInFirstOut) {
  create(30, {});
  for (int i = 0; i < 6; ++i) add(rec("r" + std::to_string(i), 30));
  DeleteRec(m_h, 3);
  DeleteRec(m_h, 5);
  ASSERT_TRUE(IsamOK);
  EXPECT_EQ(UsedRecs(m_h), 4);
  std::string dat = m_mem.contents("blk.DAT");
  EXPECT_EQ(rd32(dat.data() + 5 * 30), 3);     // record 5 links to the previous head
  EXPECT_EQ(rd32(dat.data() + 3 * 30), -1);    // the last on the chain
  EXPECT_EQ(dat.substr(3 * 30 + 4, 2), "r2");  // the rest of a deleted record is kept
  EXPECT_EQ(rd32(dat.data()), 5);
  EXPECT_EQ(rd32(dat.data() + 4), 2);
  EXPECT_EQ(add(rec("x", 30)), 5);
  EXPECT_EQ(add(rec("y", 30)), 3);
  EXPECT_EQ(add(rec("z", 30)), 7);
  EXPECT_TRUE(check());
}

TEST_F(RecordTest, RecordNumberErrorsChangeNothing) {
  create(30, {});
  add(rec("a", 30));
  add(rec("b", 30));
  std::string before = m_mem.contents("blk.DAT");
  struct {
    std::int32_t n;
    bool put;
    std::int32_t error;
  } cases[] = {{0, false, isam_error::kDeleteRecNumber},
               {3, false, isam_error::kDeleteRecNumber},
               {-1, false, isam_error::kDeleteRecNumber},
               {0, true, isam_error::kPutRecNumber},
               {3, true, isam_error::kPutRecNumber}};
  for (const auto& c : cases) {
    if (c.put) {
      PutRec(m_h, c.n, rec("p", 30).data());
    } else {
      DeleteRec(m_h, c.n);
    }
    EXPECT_FALSE(IsamOK);
    EXPECT_EQ(IsamError, c.error) << c.n;
  }
  // A record already on the free chain can be neither deleted again nor rewritten: either
  // would break the chain.
  DeleteRec(m_h, 1);
  ASSERT_TRUE(IsamOK);
  before = m_mem.contents("blk.DAT");
  DeleteRec(m_h, 1);
  EXPECT_EQ(IsamError, isam_error::kDeleteRecNumber);
  PutRec(m_h, 1, rec("p", 30).data());
  EXPECT_EQ(IsamError, isam_error::kPutRecNumber);
  EXPECT_EQ(m_mem.contents("blk.DAT"), before);
  EXPECT_TRUE(check());
}

TEST_F(RecordTest, EngineOwnsTheFirstFourBytes) {
  create(30, {});
  std::string r(30, 'Q');
  std::int32_t n = 0;
  AddRec(m_h, n, r.data());
  EXPECT_EQ(get(n, 30), std::string(4, '\0') + std::string(26, 'Q'));
  PutRec(m_h, n, r.data());
  EXPECT_EQ(get(n, 30), std::string(4, '\0') + std::string(26, 'Q'));
}

TEST_F(RecordTest, CorruptFreeChainIsRefused) {
  create(30, {});
  add(rec("a", 30));
  add(rec("b", 30));
  DeleteRec(m_h, 2);
  close();
  std::string dat = m_mem.contents("blk.DAT");
  for (std::int32_t link : {0, 3, -7}) {
    wr32(dat.data() + 60, link);
    m_mem.setContents("blk.DAT", dat);
    open();
    std::int32_t n = 0;
    AddRec(m_h, n, rec("c", 30).data());
    EXPECT_EQ(IsamError, isam_error::kCorruptChain) << link;
    EXPECT_EQ(UsedRecs(m_h), 1);
    close();
  }
}

TEST_F(RecordTest, FileNamesAndExtensions) {
  struct {
    const char* base;
    const char* ext;
    const char* expected;
  } cases[] = {{"c/x/teams", "DAT", "c/x/teams.DAT"},
               {"c/x/teams.old", "DAT", "c/x/teams.DAT"},
               {"c/x.y/teams", "IX", "c/x.y/teams.IX"},
               {"teams.", "DIA", "teams.DIA"}};
  for (const auto& c : cases) EXPECT_EQ(withExtension(c.base, c.ext), c.expected);
  std::string d, i;
  splitBlockName("lag01;lagix", &d, &i);
  EXPECT_EQ(d, "lag01");
  EXPECT_EQ(i, "lagix");
  CreateFileBlock("dir/lag01;dir/lagix", 30, 1, {{4, false}});
  ASSERT_TRUE(IsamOK);
  EXPECT_TRUE(m_mem.exists("dir/lag01.DAT"));
  EXPECT_TRUE(m_mem.exists("dir/lagix.IX"));
  EXPECT_TRUE(m_mem.exists("dir/lag01.DIA"));
  DeleteFileBlock("dir/lag01;dir/lagix");
  ASSERT_TRUE(IsamOK);
  EXPECT_TRUE(m_mem.paths().empty());
}

TEST_F(RecordTest, OpensFilesWhoseNamesDifferInCase) {
  create(30, {{4, false}});
  add(rec("a", 30));
  AddKey(m_h, 1, 1, "A");
  close();
  for (const char* from : {"blk.DAT", "blk.IX", "blk.DIA"}) {
    std::string lower = from;
    for (char& c : lower) c = static_cast<char>(std::tolower(c));
    m_mem.setContents("dir/" + lower, m_mem.contents(from));
    m_mem.remove(from);
  }
  open("dir/BLK");
  std::int32_t r = 0;
  FindKey(m_h, 1, r, "A");
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(r, 1);
  EXPECT_FALSE(m_mem.exists("dir/BLK.DIA"));  // the existing journal was used
}

TEST_F(RecordTest, OpeningChecks) {
  create(30, {{4, false}});
  close();
  const std::string dat = m_mem.contents("blk.DAT");
  const std::string ix = m_mem.contents("blk.IX");
  struct {
    const char* what;
    int offset;  // in the data file when >= 0, else -(offset + 1) in the index file
    std::string bytes;
    std::int32_t error;
  } cases[] = {
      {"InUse set", 20, std::string(1, '\1'), isam_error::kStillOpen},
      {"101 keys", 16, std::string("\x65\0\0\0", 4), isam_error::kBadDataFile},
      {"ItemsPerPage 63", -(26 + 1), std::string("\x3F\0", 2), isam_error::kItemsPerPage},
      {"page size not whole", -(12 + 1), std::string("\x2D\x03\0\0", 4),
       isam_error::kBadIndexHeader},
      {"key length 31", -(12 + 1), std::string("\xB6\x09\0\0", 4), isam_error::kKeyLengthRange},
      {"root beyond NumPages", -(16 + 1), std::string("\x05\0\0\0", 4),
       isam_error::kBadIndexHeader},
  };
  for (const auto& c : cases) {
    std::string d = dat, i = ix;
    if (c.offset >= 0) {
      d.replace(static_cast<std::size_t>(c.offset), c.bytes.size(), c.bytes);
    } else {
      i.replace(static_cast<std::size_t>(-c.offset - 1), c.bytes.size(), c.bytes);
    }
    m_mem.setContents("blk.DAT", d);
    m_mem.setContents("blk.IX", i);
    FileBlockPtr h = nullptr;
    OpenFileBlock(h, "blk");
    EXPECT_EQ(IsamError, c.error) << c.what;
    EXPECT_EQ(h, nullptr) << c.what;
  }
  // A stored ItemsPerPage of 0 reads as 62.
  std::string i = ix;
  i[26] = 0;
  m_mem.setContents("blk.DAT", dat);
  m_mem.setContents("blk.IX", i);
  open();
  EXPECT_TRUE(IsamOK);
}

TEST_F(RecordTest, ABlockOpensOnlyOnce) {
  create(30, {});
  FileBlockPtr second = nullptr;
  OpenFileBlock(second, "blk");
  EXPECT_EQ(IsamError, isam_error::kStillOpen);
  EXPECT_EQ(second, nullptr);
  DeleteFileBlock("blk");
  EXPECT_EQ(IsamError, isam_error::kStillOpen);
  close();
  DeleteFileBlock("blk");
  EXPECT_TRUE(IsamOK);
}

TEST_F(RecordTest, CreationChecks) {
  struct {
    std::int32_t recLen;
    int numKeys;
    std::vector<KeyDesc> keys;
    std::int32_t error;
  } cases[] = {{20, 0, {}, isam_error::kBadRecordLength},
               {21, 101, std::vector<KeyDesc>(101, {4, false}), isam_error::kTooManyKeys},
               {30, 1, {{0, false}}, isam_error::kBadKeyLength},
               {30, 1, {{31, false}}, isam_error::kBadKeyLength},
               {30, 2, {{4, false}}, isam_error::kBadKeyLength}};
  for (const auto& c : cases) {
    CreateFileBlock("bad", c.recLen, c.numKeys, c.keys);
    EXPECT_EQ(IsamError, c.error);
  }
  EXPECT_TRUE(m_mem.paths().empty());
}

TEST_F(RecordTest, EntryRules) {
  create(30, {{4, false}});
  FileLen(nullptr);
  EXPECT_EQ(IsamError, isam_error::kBadHandle);
  EXPECT_EQ(FileLen(nullptr), 0);
  FileBlockPtr bogus = reinterpret_cast<FileBlockPtr>(&m_mem);
  GetRec(bogus, 1, nullptr);
  EXPECT_EQ(IsamError, isam_error::kBadHandle);
  std::int32_t r = 0;
  FindKey(m_h, 2, r, "A");
  EXPECT_EQ(IsamError, isam_error::kBadIndexNumber);
  FindKey(m_h, 0, r, "A");
  EXPECT_EQ(IsamError, isam_error::kBadIndexNumber);
  FileBlockPtr none = nullptr;
  CloseFileBlock(none);
  EXPECT_EQ(IsamError, isam_error::kNotOpen);
  close();
  ExitIsam();
  FileLen(m_h);
  EXPECT_EQ(IsamError, isam_error::kNotInitialised);
  ExitIsam();
  EXPECT_EQ(IsamError, isam_error::kNotInitialised);
  EXPECT_FALSE(InitIsam({}, 7));
  EXPECT_EQ(IsamError, isam_error::kTooFewPages);
  EXPECT_FALSE(InitIsam({"prog", "/net"}, 200));
  EXPECT_EQ(IsamError, isam_error::kNetwork);
  EXPECT_TRUE(InitIsam({"prog", "/network-free"}, 8) == false);  // contains "/NET"
  EXPECT_TRUE(InitIsam({"prog"}, 8));
  EXPECT_EQ(poolSize(), 8);
  EXPECT_FALSE(InitIsam({}, 200));
  EXPECT_EQ(IsamError, isam_error::kInitTwice);
}

// An Env whose reads call back into the engine, as a re-entrant caller would.
class ReentrantEnv final : public Env {
 public:
  explicit ReentrantEnv(Env* base) : m_base(base) {}
  class F final : public File {
   public:
    F(ReentrantEnv* env, std::unique_ptr<File> f) : m_env(env), m_f(std::move(f)) {}
    int read(std::uint64_t o, void* b, std::size_t n, std::size_t* g) override {
      if (m_env->handle) {
        FileLen(m_env->handle);
        m_env->seen = IsamError;
      }
      return m_f->read(o, b, n, g);
    }
    int write(std::uint64_t o, const void* d, std::size_t n) override {
      return m_f->write(o, d, n);
    }
    int sync() override { return m_f->sync(); }
    int truncate(std::uint64_t s) override { return m_f->truncate(s); }
    int size(std::uint64_t* s) override { return m_f->size(s); }

   private:
    ReentrantEnv* m_env;
    std::unique_ptr<File> m_f;
  };
  int open(const std::string& p, OpenMode m, std::unique_ptr<File>* f) override {
    std::unique_ptr<File> base;
    if (int e = m_base->open(p, m, &base)) return e;
    *f = std::make_unique<F>(this, std::move(base));
    return 0;
  }
  int remove(const std::string& p) override { return m_base->remove(p); }
  int rename(const std::string& f, const std::string& t) override { return m_base->rename(f, t); }
  bool exists(const std::string& p) override { return m_base->exists(p); }
  int listDir(const std::string& d, std::vector<std::string>* n) override {
    return m_base->listDir(d, n);
  }
  FileBlockPtr handle = nullptr;
  std::int32_t seen = 0;

 private:
  Env* m_base;
};

TEST_F(RecordTest, SecondOperationWhileOneRunsIsRefused) {
  ReentrantEnv env(&m_mem);
  setCurrentEnv(&env);
  create(30, {});
  add(rec("a", 30));
  env.handle = m_h;
  get(1, 30);
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(env.seen, isam_error::kBusy);
  env.handle = nullptr;
  close();
  setCurrentEnv(&m_fault);
}

TEST_F(RecordTest, ErrorClasses) {
  struct {
    std::int32_t error;
    int cls;
  } cases[] = {{0, 0},
               {isam_error::kFileNotFound, 1},
               {isam_error::kKeyNotFound, 1},
               {isam_error::kExpectedLast, 1},
               {isam_error::kReorgFileNotFound, 1},
               {isam_error::kPathNotFound, 2},
               {isam_error::kReadOnly, 2},
               {isam_error::kAccessConflicts[9], 2},
               {isam_error::kAddRecRestored, 3},
               {isam_error::kRestoredLast, 3},
               {isam_error::kStillOpen, 4},
               {isam_error::kBadHandle, 4}};
  for (const auto& c : cases) EXPECT_EQ(IsamErrorClassOf(c.error), c.cls) << c.error;
}

TEST_F(RecordTest, StartupFailureMessage) {
  ExitIsam();
  EXPECT_FALSE(InitIsam({"/NET"}, 200));
  std::string m = IsamInitFailureMessage();
  EXPECT_EQ(m.substr(0, 53), "IsamDosError:   0 IsamError: " +
                                 std::to_string(isam_error::kNetwork) + " IsamErrorClass:  4");
  // The hints follow as far as 160 characters allow (code page 1252 bytes).
  EXPECT_EQ(m.substr(53),
            "Ej tillr\xE4"
            "ckligt minne vid initiering av BTREE!"
            "eller, Fel n\xE4tverk. Kan endast k\xF6ras lokalt!"
            "eller, Arbetsstat");
  EXPECT_EQ(m.size(), 160u);
  ASSERT_TRUE(InitIsam({}, 200));
}

TEST_F(RecordTest, SyncsPerOperation) {
  create(100, {{16, true}});
  struct {
    const char* name;
    std::function<void()> op;
  } ops[] = {
      {"AddRec", [&] { add(rec("a", 100)); }},
      {"PutRec", [&] { PutRec(m_h, 1, rec("b", 100).data()); }},
      {"AddKey", [&] { AddKey(m_h, 1, 1, "KEY"); }},
      {"DeleteKey", [&] { DeleteKey(m_h, 1, 1, "KEY"); }},
      {"DeleteRec", [&] { DeleteRec(m_h, 1); }},
  };
  for (auto& o : ops) {
    m_fault.resetCounts();
    o.op();
    ASSERT_TRUE(IsamOK) << o.name;
    EXPECT_EQ(m_fault.count(FaultEnv::Kind::Sync), 2) << o.name;  // journal + one file
    EXPECT_EQ(m_mem.contents("blk.DIA").size(), 1u) << o.name;
  }
  m_fault.resetCounts();
  BeginBatch(m_h);
  for (int i = 0; i < 500; ++i) {
    std::int32_t n = add(rec("k", 100));
    AddKey(m_h, 1, n, "K" + std::to_string(i));
  }
  EXPECT_EQ(m_fault.count(FaultEnv::Kind::Sync), 0);
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK);
  EXPECT_EQ(m_fault.count(FaultEnv::Kind::Sync), 3);  // journal, data, index
  EXPECT_TRUE(check());
}

// A batch of more records than it keeps in memory writes some early (journal first); commit
// and abort both still work on the whole batch.
TEST_F(RecordTest, LargeBatchesWriteRecordsEarly) {
  create(11665, {});
  add(rec("first", 11665));
  close();
  std::string before = m_mem.contents("blk.DAT");
  open();
  long long spills = engineStats().spills;
  BeginBatch(m_h);
  for (int i = 0; i < 1000; ++i) add(rec("big" + std::to_string(i), 11665));
  DeleteRec(m_h, 1);
  EXPECT_GT(engineStats().spills, spills);
  AbortBatch(m_h);
  ASSERT_TRUE(IsamOK);
  close();
  EXPECT_EQ(m_mem.contents("blk.DAT").substr(0, before.size()), before);
  open();
  EXPECT_EQ(UsedRecs(m_h), 1);
  BeginBatch(m_h);
  for (int i = 0; i < 1000; ++i) add(rec("big" + std::to_string(i), 11665));
  CommitBatch(m_h);
  ASSERT_TRUE(IsamOK);
  EXPECT_EQ(get(777, 11665), rec("big775", 11665));
  EXPECT_TRUE(check());
}

TEST_F(RecordTest, AbortBatchUndoesEverything) {
  create(30, {{4, false}});
  add(rec("a", 30));
  AddKey(m_h, 1, 1, "A");
  close();
  std::string dat = m_mem.contents("blk.DAT"), ix = m_mem.contents("blk.IX");
  open();
  BeginBatch(m_h);
  for (int i = 0; i < 100; ++i) AddKey(m_h, 1, add(rec("b", 30)), std::to_string(i));
  DeleteRec(m_h, 1);
  AbortBatch(m_h);
  ASSERT_TRUE(IsamOK);
  EXPECT_EQ(UsedRecs(m_h), 1);
  EXPECT_EQ(NumKeys(m_h, 1), 1);
  close();
  EXPECT_EQ(m_mem.contents("blk.DAT"), dat);
  EXPECT_EQ(m_mem.contents("blk.IX"), ix);
}

// The status guard keeps a failure across a clean-up that succeeds, lets a released or
// successful status stand, and restore() puts back exactly what it took.
TEST_F(RecordTest, StatusGuardKeepsTheFirstFailure) {
  create(30, {});
  add(rec("a", 30));
  std::vector<char> buffer(30);
  auto failThenCleanUp = [&](auto&& configure) {
    DeleteRec(m_h, 0);
    ASSERT_FALSE(IsamOK);
    IsamDosError = 7;
    IsamStatusGuard failure;
    configure(failure);
    GetRec(m_h, 1, buffer.data());
    EXPECT_TRUE(IsamOK);
  };
  failThenCleanUp([](IsamStatusGuard&) {});
  EXPECT_FALSE(IsamOK);
  EXPECT_EQ(IsamError, isam_error::kDeleteRecNumber);
  EXPECT_EQ(IsamDosError, 7);

  failThenCleanUp([](IsamStatusGuard& g) { g.keepOnlyFailure(); });
  EXPECT_FALSE(IsamOK);
  EXPECT_EQ(IsamError, isam_error::kDeleteRecNumber);

  failThenCleanUp([](IsamStatusGuard& g) { g.release(); });
  EXPECT_TRUE(IsamOK);
  EXPECT_EQ(IsamError, 0);

  GetRec(m_h, 1, buffer.data());
  ASSERT_TRUE(IsamOK);
  {
    IsamStatusGuard success;
    success.keepOnlyFailure();
    DeleteRec(m_h, 0);
  }
  EXPECT_EQ(IsamError, isam_error::kDeleteRecNumber);  // the clean-up's failure stands
  {
    IsamStatusGuard failed;
    GetRec(m_h, 1, buffer.data());
    failed.restore();
    EXPECT_FALSE(IsamOK);
    EXPECT_EQ(IsamError, isam_error::kDeleteRecNumber);
    GetRec(m_h, 1, buffer.data());
  }
  EXPECT_TRUE(IsamOK);  // restore() released the guard
}

}  // namespace
}  // namespace liga::storage::testing
