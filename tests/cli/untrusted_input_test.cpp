// `liga` against a hostile or careless user: links planted in the data directory, addresses
// that carry SMTP commands, input that is not a file, a configuration that cannot be written,
// a stale lock. Each case is judged by the exit status, what is said and what is left on disk.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

using liga::testing::ReadFile;
using liga::testing::RunResult;
using liga::testing::WriteFile;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class UntrustedInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "work");
    fs::create_directories(m_root / "data");
    ASSERT_TRUE(WriteFile(victim(), "VICTIM\n"));
  }

  std::string env() const {
    return "env XDG_CONFIG_HOME='" + (m_root / "config").string() + "' XDG_DOCUMENTS_DIR='" +
           (m_root / "docs").string() + "' ";
  }
  // `liga ARGS` in the work directory; `prefix` goes before the program (a shell command).
  RunResult liga(const std::string& args, const std::string& prefix = {}) {
    return liga::testing::RunSplit("cd '" + (m_root / "work").string() + "' && " + prefix + env() +
                                   LIGA_BINARY + " " + args);
  }
  // A configured data directory holding the demo competition, selected, and its schedule.
  void demo() {
    ASSERT_EQ(liga("datadir ../data").status, 0);
    ASSERT_EQ(liga("--quiet demo").status, 0);
    ASSERT_EQ(liga("--quiet schedule --seed 1 --out s.lot").status, 0);
  }
  fs::path data() const { return m_root / "data"; }
  fs::path work() const { return m_root / "work"; }
  fs::path victim() const { return m_root / "victim.txt"; }
  // Replaces `name` in the data directory by a symbolic link to the victim file.
  void plantLink(const std::string& name) {
    std::error_code ec;
    fs::remove(data() / name, ec);
    fs::create_symlink(victim(), data() / name);
  }

  liga::testing::TempDir m_root{"untrusted"};
};

// ---- writes never follow links ----

TEST_F(UntrustedInputTest, LockFileThatIsALinkIsRefusedAndNotWritten) {
  demo();
  plantLink("LigaWin32.lock");
  for (const char* command : {"list", "info", "rebuild"}) {
    const RunResult r = liga(std::string("--quiet ") + command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_TRUE(contains(r.err, (data() / "LigaWin32.lock").string())) << command << r.err;
    EXPECT_TRUE(contains(r.err, "symbolisk länk")) << command << r.err;
  }
  EXPECT_EQ(ReadFile(victim()), "VICTIM\n");
  EXPECT_TRUE(fs::is_symlink(data() / "LigaWin32.lock"));
}

TEST_F(UntrustedInputTest, JournalThatIsALinkIsNamedAndNotCut) {
  demo();
  plantLink("lg01.DIA");
  const RunResult r = liga("--quiet import s.lot");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out + r.err, (data() / "lg01.DIA").string() + " är en symbolisk länk"))
      << r.out << r.err;
  EXPECT_EQ(ReadFile(victim()), "VICTIM\n");
}

TEST_F(UntrustedInputTest, RestoreDoesNotWriteThroughLinksPlacedInAdvance) {
  demo();
  ASSERT_EQ(liga("--quiet backup ../bk").status, 0);
  // The files the restore will create for competition 2.
  for (const char* block : {"klass02", "lg02", "game02"}) {
    for (const char* ext : {".DAT", ".IX", ".DIA"}) plantLink(std::string(block) + ext);
  }
  const RunResult r = liga("--quiet restore ../bk");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "symbolisk länk")) << r.err;
  EXPECT_EQ(ReadFile(victim()), "VICTIM\n");
  const RunResult list = liga("--quiet list");
  EXPECT_TRUE(contains(list.out, " 2   vakant")) << list.out;
}

// ---- a configuration that cannot be written ----

TEST_F(UntrustedInputTest, DatadirAndSelectFailWhenTheConfigurationCannotBeWritten) {
  demo();
  fs::create_directories(m_root / "other");
  // A file size limit below the configuration's 317,112 bytes makes every write of it fail
  // (EFBIG), as a full disk would; the signal it raises is ignored so that write() reports it.
  const std::string limited = "trap '' XFSZ; ulimit -f 200; ";
  const RunResult dd = liga("datadir ../other", limited);
  EXPECT_EQ(dd.status, 1);
  EXPECT_FALSE(contains(dd.out, "datakatalogen är nu")) << dd.out;
  EXPECT_TRUE(contains(dd.err, "kunde inte sparas")) << dd.err;
  EXPECT_TRUE(contains(dd.err, "LigaWin32.P32")) << dd.err;
  EXPECT_EQ(liga("datadir").out, data().string() + "\n");

  // The demo file made competition 1; a second one to select.
  ASSERT_EQ(liga("--quiet backup ../bk").status, 0);
  ASSERT_EQ(liga("--quiet restore ../bk").status, 0);
  ASSERT_EQ(liga("--quiet select 1").status, 0);
  const RunResult sel = liga("--quiet select 2", limited);
  EXPECT_EQ(sel.status, 1);
  EXPECT_TRUE(contains(sel.err, "kunde inte sparas")) << sel.err;
  EXPECT_TRUE(contains(liga("--quiet info").out, "tävling  1:"));
}

TEST_F(UntrustedInputTest, ABackupThatCannotBeWrittenNamesTheFileAndWhy) {
  demo();
  // lg01.DAT of the demo is over 300 KB, more than the limit lets a file grow to.
  const RunResult r = liga("--quiet backup ../bk", "trap '' XFSZ; ulimit -f 200; ");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, ": " + (m_root / "bk" / "lg01.DAT").string() + ")")) << r.err;
  EXPECT_FALSE(fs::exists(m_root / "bk"));
}

TEST_F(UntrustedInputTest, AResetConfigurationSaysWhichDataDirectoryIsNowUsed) {
  demo();
  const fs::path config = m_root / "config" / "LigaWin32" / "LigaWin32.P32";
  ASSERT_TRUE(WriteFile(config, "damaged"));
  const RunResult r = liga("datadir");
  EXPECT_TRUE(contains(r.err, "Versionskonflikt")) << r.err;
  const std::string now = (m_root / "docs" / "LigaWin32" / "data").string();
  EXPECT_TRUE(contains(r.err, "datakatalogen är nu \"" + now + "\"")) << r.err;
}

// ---- SMTP injection ----

TEST_F(UntrustedInputTest, AddressesThatCouldCarryCommandsAreRefusedWhereEntered) {
  demo();
  for (const char* address :
       {"\"$(printf 'a@b.c>\\r\\nRCPT TO:<evil@x.example')\"", "'ingen-snabel-a'", "'a@b@c'",
        "'a b@c.se'", "\"$(printf 'a@b.se\\tx')\""}) {
    const RunResult r = liga(std::string("--quiet team contact 1 0 --email ") + address);
    EXPECT_EQ(r.status, 1) << address;
    EXPECT_TRUE(contains(r.err, "ogiltig e-postadress")) << address << r.err;
  }
  EXPECT_EQ(liga("--quiet team contact 1 0 --email a.b@exempel.se").status, 0);
}

// ---- import ----

TEST_F(UntrustedInputTest, RejectedLinesMakeTheImportFailWithTheirCount) {
  demo();
  ASSERT_TRUE(WriteFile(work() / "r.txt",
                        "*Speldag\r\n2027-09-01 10:00,PROV\r\n"
                        "*!101-102=70000-1,201-202=2-65537,103-104=32768-0,105-106=10001-3,\r\n"));
  const RunResult r = liga("--quiet --yes import r.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "4 rader avvisade, se importloggen " +
                                  (m_root / "docs" / "LigaWin32" / "text").string()))
      << r.err;
  const RunResult view = liga("--quiet view resultat --text");
  EXPECT_FALSE(contains(view.out, "9998")) << view.out;
}

TEST_F(UntrustedInputTest, ImportRefusesWhatIsNotARegularFileAndWhatIsTooLarge) {
  demo();
  ASSERT_EQ(::mkfifo((work() / "fifo").c_str(), 0600), 0);
  {
    // Sparse: 65 MiB of nothing, made at once.
    ASSERT_TRUE(WriteFile(work() / "big.txt", ""));
    fs::resize_file(work() / "big.txt", 65u << 20);
  }
  for (const char* file : {"fifo", "/dev/zero", "big.txt"}) {
    const RunResult r = liga(std::string("--quiet import ") + file, "timeout 20 ");
    EXPECT_EQ(r.status, 1) << file;  // 124 would be the time-out
    EXPECT_TRUE(contains(r.err, "inget lästes in")) << file << r.err;
  }
}

// ---- selection and read-only data ----

TEST_F(UntrustedInputTest, TheSelectionOutlivesACatalogueThatCouldNotBeOpened) {
  demo();
  fs::rename(data() / "cupfiles.DAT", m_root / "cupfiles.DAT");
  fs::create_directory(data() / "cupfiles.DAT");
  EXPECT_EQ(liga("--quiet list").status, 1);
  fs::remove(data() / "cupfiles.DAT");
  fs::rename(m_root / "cupfiles.DAT", data() / "cupfiles.DAT");
  const RunResult info = liga("--quiet info");
  EXPECT_TRUE(contains(info.out, "tävling  1: DEMOSERIEN 2027")) << info.out;
}

TEST_F(UntrustedInputTest, AReadOnlyDataDirectoryServesBackupAndView) {
  demo();
  // Permissions bind root only after giving up its privileges.
  std::string prefix;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    for (const auto& e : fs::recursive_directory_iterator(m_root)) {
      fs::permissions(e.path(),
                      e.is_directory() ? fs::perms::all : fs::perms::all & ~fs::perms::owner_exec);
    }
    fs::permissions(m_root, fs::perms::all);
  }
  const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                        fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec;
  for (const auto& e : fs::directory_iterator(data()))
    fs::permissions(e.path(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(data(), readOnly);

  const RunResult view = liga("--quiet view laglista --text", prefix);
  EXPECT_EQ(view.status, 0) << view.err;
  EXPECT_TRUE(contains(view.out, "IFK NORRBY") || contains(view.out, "Norrby")) << view.out;
  const RunResult backup = liga("--quiet backup ../bk", prefix);
  EXPECT_EQ(backup.status, 0) << backup.err;
  EXPECT_TRUE(fs::exists(m_root / "bk" / "lg01.DAT"));
  // Writing commands are still refused, and the selection survives all of it.
  EXPECT_EQ(liga("--quiet rebuild", prefix).status, 1);
  fs::permissions(data(), fs::perms::all);
  EXPECT_TRUE(contains(liga("--quiet info").out, "tävling  1: DEMOSERIEN 2027"));
}

// ---- the lock's holder ----

TEST_F(UntrustedInputTest, AHolderThatNoLongerRunsIsNotNamedAsRunning) {
  demo();
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);  // a process id that no process has now
  const fs::path lock = data() / "LigaWin32.lock";
  ASSERT_TRUE(WriteFile(lock, "liga " + std::to_string(child) + "\n"));
  // This test holds the lock, as a reader that never wrote its name would.
  const int fd = ::open(lock.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  const RunResult r = liga("--quiet rebuild");
  ::close(fd);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(contains(r.err, "används av liga, process " + std::to_string(child))) << r.err;
  EXPECT_TRUE(contains(r.err, "körs inte längre")) << r.err;
}

}  // namespace
