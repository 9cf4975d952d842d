// The real file system's side of the file interface: a symbolic link among the data files is
// never written through, and the file it points at is never created, emptied or changed.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "storage/env.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga::storage {
namespace {

namespace fs = std::filesystem;
using liga::testing::ReadFile;
using liga::testing::WriteFile;

class PosixEnvTest : public ::testing::Test {
 protected:
  int open(const fs::path& p, OpenMode mode) {
    std::unique_ptr<File> f;
    return posixEnv()->open(p.string(), mode, &f);
  }
  liga::testing::TempDir m_dir{"posix_env"};
};

TEST_F(PosixEnvTest, WritingModesRefuseALinkAndNameIt) {
  const fs::path target = m_dir / "target";
  const fs::path link = m_dir / "blk.DIA";
  ASSERT_TRUE(WriteFile(target, "precious"));
  fs::create_symlink(target, link);
  for (OpenMode mode : {OpenMode::Existing, OpenMode::Create, OpenMode::OpenOrCreate}) {
    EXPECT_EQ(open(link, mode), ELOOP) << static_cast<int>(mode);
    EXPECT_EQ(lastFileFailure().path, link.string());
    EXPECT_EQ(lastFileFailure().error, ELOOP);
  }
  EXPECT_EQ(ReadFile(target), "precious");
}

TEST_F(PosixEnvTest, ALinkToNothingDoesNotCreateItsTarget) {
  const fs::path target = m_dir / "elsewhere";
  fs::create_symlink(target, m_dir / "blk.DAT");
  EXPECT_EQ(open(m_dir / "blk.DAT", OpenMode::Create), ELOOP);
  EXPECT_EQ(open(m_dir / "blk.DAT", OpenMode::OpenOrCreate), ELOOP);
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(PosixEnvTest, RegularFilesOpenAsBefore) {
  ASSERT_TRUE(WriteFile(m_dir / "old", "abc"));
  EXPECT_EQ(open(m_dir / "old", OpenMode::OpenOrCreate), 0);
  EXPECT_EQ(ReadFile(m_dir / "old"), "abc");
  EXPECT_EQ(open(m_dir / "old", OpenMode::Create), 0);
  EXPECT_EQ(ReadFile(m_dir / "old"), "");  // emptied
  EXPECT_EQ(open(m_dir / "new", OpenMode::OpenOrCreate), 0);
  EXPECT_TRUE(fs::is_regular_file(m_dir / "new"));
  EXPECT_EQ(open(m_dir / "missing", OpenMode::Existing), ENOENT);
  // Reading still follows a link: nothing is written through it.
  fs::create_symlink(m_dir / "new", m_dir / "readable");
  EXPECT_EQ(open(m_dir / "readable", OpenMode::ReadOnly), 0);
}

TEST_F(PosixEnvTest, RenameNeverReplacesAFile) {
  ASSERT_TRUE(WriteFile(m_dir / "a", "old"));
  ASSERT_TRUE(WriteFile(m_dir / "b", "kept"));
  EXPECT_EQ(posixEnv()->rename((m_dir / "a").string(), (m_dir / "b").string()), EEXIST);
  EXPECT_EQ(ReadFile(m_dir / "a"), "old");
  EXPECT_EQ(ReadFile(m_dir / "b"), "kept");
  EXPECT_EQ(posixEnv()->rename((m_dir / "a").string(), (m_dir / "c").string()), 0);
  EXPECT_FALSE(fs::exists(m_dir / "a"));
  EXPECT_EQ(ReadFile(m_dir / "c"), "old");
  EXPECT_EQ(posixEnv()->rename((m_dir / "a").string(), (m_dir / "d").string()), ENOENT);
}

}  // namespace
}  // namespace liga::storage
