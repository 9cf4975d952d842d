#include "common/file_replace.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace liga {
namespace {

class FileReplaceTest : public ::testing::Test {
 protected:
  std::string read(const fs::path& p) { return liga::testing::ReadFile(p); }
  // Every name in the folder; a replacement must leave no temporary behind.
  std::size_t entries() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
  }

  liga::testing::TempDir m_dir{"replace"};
};

TEST_F(FileReplaceTest, ReplacesWholeContentsWithTheAskedMode) {
  const std::string target = (m_dir / "a.txt").string();
  ASSERT_TRUE(ReplaceFile(target, "first\r\n"));
  ASSERT_TRUE(ReplaceFile(target, std::string("x\0y", 3), 0600));
  EXPECT_EQ(read(target), std::string("x\0y", 3));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplaceTest, FailureKeepsTheOldFileAndLeavesNoTemporary) {
  // A target that is a non-empty folder cannot be renamed over.
  const fs::path folder = m_dir / "busy";
  fs::create_directory(folder);
  std::ofstream(folder / "inside") << "keep";
  EXPECT_FALSE(ReplaceFile(folder.string(), "new"));
  EXPECT_NE(errno, 0);
  EXPECT_EQ(read(folder / "inside"), "keep");
  EXPECT_EQ(entries(), 1u);

  // A folder that does not exist: nothing can be made.
  EXPECT_FALSE(ReplaceFile((m_dir / "none" / "x").string(), "new"));
}

TEST_F(FileReplaceTest, UncommittedReplacementIsDiscarded) {
  const std::string target = (m_dir / "b.lgw").string();
  ASSERT_TRUE(ReplaceFile(target, "old"));
  {
    PendingFile pending(target);
    ASSERT_TRUE(pending.open());
    ASSERT_TRUE(pending.write("half of the new"));
    EXPECT_EQ(entries(), 2u);
  }
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(entries(), 1u);

  PendingFile pending(target);
  EXPECT_FALSE(pending.write("not opened"));
  EXPECT_FALSE(pending.commit());
  EXPECT_EQ(read(target), "old");
}

}  // namespace
}  // namespace liga
