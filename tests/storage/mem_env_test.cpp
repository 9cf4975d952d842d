// The power-cut model of the test environments for renames: a rename reaches the disk only
// with its folder's sync, and a cut that drops it gives the file its old name back, with the
// unsynced writes made under the new name following the file.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "storage/mem_env.h"
#include "support/file_io.h"
#include "support/lossy_env.h"
#include "support/temp_dir.h"

namespace liga::storage {
namespace {

void put(Env* env, const std::string& path, const std::string& bytes, bool sync) {
  std::unique_ptr<File> f;
  ASSERT_EQ(env->open(path, OpenMode::Create, &f), 0);
  ASSERT_EQ(f->write(0, bytes.data(), bytes.size()), 0);
  if (sync) {
    ASSERT_EQ(f->sync(), 0);
  }
}

TEST(MemEnvRenameTest, ARenameIsDurableOnlyWithItsFolder) {
  std::mt19937 rng(1);
  MemEnv mem;
  mem.setContents("d/a", "old");
  ASSERT_EQ(mem.rename("d/a", "d/b"), 0);
  EXPECT_FALSE(mem.exists("d/a"));
  EXPECT_EQ(mem.contents("d/b"), "old");
  mem.powerCut(MemEnv::Cut::DropAll, rng);
  EXPECT_EQ(mem.contents("d/a"), "old");  // the rename was lost
  EXPECT_FALSE(mem.exists("d/b"));

  ASSERT_EQ(mem.rename("d/a", "d/b"), 0);
  ASSERT_EQ(mem.syncDirOf("d/b"), 0);
  mem.powerCut(MemEnv::Cut::DropAll, rng);
  EXPECT_FALSE(mem.exists("d/a"));
  EXPECT_EQ(mem.contents("d/b"), "old");
}

TEST(MemEnvRenameTest, RefusesATakenNameAndKeepsARenameANewFileDependsOn) {
  std::mt19937 rng(1);
  MemEnv mem;
  mem.setContents("d/a", "old");
  mem.setContents("d/b", "other");
  EXPECT_EQ(mem.rename("d/a", "d/b"), EEXIST);
  EXPECT_EQ(mem.rename("d/x", "d/y"), ENOENT);
  ASSERT_EQ(mem.rename("d/a", "d/t"), 0);
  put(&mem, "d/a", "new", true);  // made under the old name: the rename had reached the disk
  mem.powerCut(MemEnv::Cut::DropAll, rng);
  EXPECT_EQ(mem.contents("d/a"), "new");
  EXPECT_EQ(mem.contents("d/t"), "old");
  EXPECT_EQ(mem.contents("d/b"), "other");
}

TEST(MemEnvRenameTest, FaultEnvCountsARenameAndCanCutIt) {
  MemEnv mem;
  mem.setContents("d/a", "old");
  FaultEnv fault(&mem);
  fault.cutAt(1);
  EXPECT_EQ(fault.rename("d/a", "d/b"), 0);
  EXPECT_EQ(fault.count(FaultEnv::Kind::Dir), 1);
  EXPECT_EQ(fault.rename("d/b", "d/c"), EIO);
  EXPECT_TRUE(fault.cut());
  EXPECT_EQ(mem.contents("d/b"), "old");
  EXPECT_FALSE(mem.exists("d/c"));
}

TEST(LossyEnvRenameTest, ALostRenameTakesItsUnsyncedWritesAlong) {
  namespace fs = std::filesystem;
  liga::testing::TempDir dir{"lossy_rename"};
  const std::string a = (dir / "a").string(), b = (dir / "b").string();
  std::mt19937 rng(1);
  liga::testing::LossyEnv lossy(posixEnv());
  put(&lossy, a, "synced", true);
  ASSERT_EQ(lossy.rename(a, b), 0);
  {
    std::unique_ptr<File> f;
    ASSERT_EQ(lossy.open(b, OpenMode::Existing, &f), 0);
    ASSERT_EQ(f->write(0, "SYN", 3), 0);  // never synced
  }
  EXPECT_EQ(lossy.powerCut(MemEnv::Cut::DropAll, rng), 2);
  EXPECT_EQ(liga::testing::ReadFile(a), "synced");
  EXPECT_FALSE(fs::exists(b));

  ASSERT_EQ(lossy.rename(a, b), 0);
  ASSERT_EQ(lossy.syncDirOf(b), 0);
  EXPECT_EQ(lossy.powerCut(MemEnv::Cut::DropAll, rng), 0);
  EXPECT_EQ(liga::testing::ReadFile(b), "synced");
  EXPECT_FALSE(fs::exists(a));
}

}  // namespace
}  // namespace liga::storage
