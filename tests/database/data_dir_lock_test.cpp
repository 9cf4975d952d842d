// One writer or many readers per data directory, refused at once with the holder's name.
#include "database/data_dir_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/encoding.h"
#include "common/recording_ui.h"
#include "support/db_fixture.h"

namespace liga {
namespace {

namespace fs = std::filesystem;
using Result = DataDirLock::Result;

std::string pidText() {
  return std::to_string(getpid());
}

class DataDirLockTest : public testing::DbFixture {};

TEST_F(DataDirLockTest, OneWriterOrManyReaders) {
  DataDirLock writer, other;
  std::string holder;
  ASSERT_EQ(writer.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::Held);
  EXPECT_EQ(other.acquire(m_dir.string(), DataDirAccess::Read, holder), Result::Busy);
  EXPECT_NE(holder.find(", process " + pidText()), std::string::npos) << holder;
  EXPECT_FALSE(other.held());

  writer.release();
  DataDirLock reader1, reader2;
  EXPECT_EQ(reader1.acquire(m_dir.string(), DataDirAccess::Read, holder), Result::Held);
  EXPECT_EQ(reader2.acquire(m_dir.string(), DataDirAccess::Read, holder), Result::Held);
  EXPECT_EQ(writer.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::Busy);
  reader1.release();
  EXPECT_EQ(writer.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::Busy);
  reader2.release();
  EXPECT_EQ(writer.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::Held);
}

TEST_F(DataDirLockTest, AMissingFolderHasNothingToLock) {
  DataDirLock lock;
  std::string holder;
  EXPECT_EQ(lock.acquire((m_dir / "none").string(), DataDirAccess::Write, holder),
            Result::NoLockFile);
  EXPECT_FALSE(lock.held());
}

TEST_F(DataDirLockTest, ALockFileThatIsALinkIsRefusedNotWrittenThrough) {
  const fs::path target = m_dir / "precious";
  std::ofstream(target) << "precious\n";
  fs::create_symlink(target, m_dir / kLockFileName);
  DataDirLock lock;
  std::string holder;
  EXPECT_EQ(lock.acquire(m_dir.string(), DataDirAccess::Read, holder), Result::NotAFile);
  EXPECT_EQ(holder, (m_dir / kLockFileName).string());
  EXPECT_FALSE(lock.held());
  std::ifstream in(target);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "precious");

  // A dangling link does not get its target created either.
  fs::remove(m_dir / kLockFileName);
  fs::create_symlink(m_dir / "made", m_dir / kLockFileName);
  EXPECT_EQ(lock.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::NotAFile);
  EXPECT_FALSE(fs::exists(m_dir / "made"));
}

TEST_F(DataDirLockTest, AHolderThatHasEndedIsNotNamedAsTheHolder) {
  DataDirLock held;
  std::string holder;
  ASSERT_EQ(held.acquire(m_dir.string(), DataDirAccess::Read, holder), Result::Held);
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  // The line a reader that has ended left behind.
  std::ofstream(m_dir / kLockFileName, std::ios::trunc) << "liga " << child << "\n";
  DataDirLock writer;
  ASSERT_EQ(writer.acquire(m_dir.string(), DataDirAccess::Write, holder), Result::Busy);
  EXPECT_EQ(holder,
            "ett annat program (liga " + std::to_string(child) + " i låsfilen körs inte längre)");
}

TEST_F(DataDirLockTest, ASecondProgramOnTheDirectoryIsRefusedAndTouchesNothing) {
  newCompetition("Cup");
  addClass("A");
  RecordingUi ui;
  ScopedUi scoped(ui);
  Database second;
  second.setDataDir(m_dir.string());
  EXPECT_FALSE(second.readCatalogue());
  EXPECT_TRUE(second.lockRefused());
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown.back().kind, MessageKind::Error);
  const std::string text = Cp1252ToUtf8(ui.shown.back().text);
  EXPECT_NE(text.find("används av"), std::string::npos) << text;
  EXPECT_NE(text.find(pidText()), std::string::npos) << text;
  // The refused program posts no "files missing" status on top of the refusal.
  EXPECT_TRUE(ui.statuses.empty());
}

TEST_F(DataDirLockTest, ReadAccessOpensEverythingReadOnlyAndWritesNothing) {
  newCompetition("Cup");
  const auto c = addClass("A");
  m_db.closeAll();
  m_db.releaseDataDir();
  const auto before = fs::last_write_time(m_dir / "cupfiles.DAT");
  const auto sizeBefore = fs::file_size(m_dir / "klass01.DAT");

  Database reader;
  reader.setDataDir(m_dir.string());
  reader.setAccess(DataDirAccess::Read);
  ASSERT_TRUE(reader.readCatalogue());
  ASSERT_TRUE(reader.selectCompetition(1, false));
  ASSERT_TRUE(reader.readClass(c));
  EXPECT_FALSE(reader.storeClass(true));
  EXPECT_EQ(IsamError, isam_error::kReadOnly);
  reader.refreshCompetitionMenus();
  reader.closeAll();
  EXPECT_EQ(fs::last_write_time(m_dir / "cupfiles.DAT"), before);
  EXPECT_EQ(fs::file_size(m_dir / "klass01.DAT"), sizeBefore);

  // Readers share the directory; the writer waits for none of them but is refused.
  Database reader2;
  reader2.setDataDir(m_dir.string());
  reader2.setAccess(DataDirAccess::Read);
  EXPECT_TRUE(reader2.readCatalogue());
  RecordingUi ui;
  ScopedUi scoped(ui);
  EXPECT_FALSE(m_db.readCatalogue());
  EXPECT_TRUE(m_db.lockRefused());
}

}  // namespace
}  // namespace liga
