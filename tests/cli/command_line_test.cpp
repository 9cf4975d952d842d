// `liga` as a command-line user meets it: run from a working directory that is not the
// data directory, with relative paths, and judged by its exit status and what it says.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

using liga::testing::RunResult;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Well-formed UTF-8: lead bytes followed by the right number of continuation bytes.
bool validUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int extra = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
    if (extra < 0 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

using liga::testing::ReadFile;

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "work");
    fs::create_directories(m_root / "data");
    m_work = m_root / "work";
  }

  std::string env() const {
    return "XDG_CONFIG_HOME='" + (m_root / "config").string() + "' XDG_DOCUMENTS_DIR='" +
           (m_root / "docs").string() + "' ";
  }
  // `liga ARGS` started in `dir` (the work directory by default).
  RunResult liga(const std::string& args, const fs::path& dir = {}) {
    const fs::path in = dir.empty() ? m_work : dir;
    return liga::testing::RunCommand("cd '" + in.string() + "' && " + env() + LIGA_BINARY + " " +
                                     args);
  }
  RunResult ligaSplit(const std::string& args) {
    return liga::testing::RunSplit("cd '" + m_work.string() + "' && " + env() + LIGA_BINARY + " " +
                                   args);
  }
  // A configured data directory ../data holding the demo competition, selected.
  void demo() {
    const RunResult d = liga("datadir ../data");
    ASSERT_EQ(d.status, 0) << d.out;
    const RunResult r = liga("--quiet demo");
    ASSERT_EQ(r.status, 0) << r.out;
  }

  liga::testing::TempDir m_root{"cl"};
  fs::path m_work;
};

// ---- paths are the user's ----

TEST_F(CommandLineTest, WholeSeasonWithRelativePathsOnly) {
  demo();
  const RunResult run = liga("--quiet schedule --seed 7 --out season.lot");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(contains(run.out, "schemafil: " + (m_work / "season.lot").string())) << run.out;
  ASSERT_TRUE(fs::exists(m_work / "season.lot"));
  EXPECT_FALSE(fs::exists(m_root / "data" / "season.lot"));

  const RunResult imported = liga("--verbose import season.lot");
  ASSERT_EQ(imported.status, 0) << imported.out;
  EXPECT_TRUE(contains(imported.out, "importerar \"" + (m_work / "season.lot").string() + "\""));

  const RunResult exported = liga("--quiet export spelmoten matches.lgw");
  ASSERT_EQ(exported.status, 0) << exported.out;
  EXPECT_TRUE(contains(exported.out, "rader: " + (m_work / "matches.lgw").string()));
  ASSERT_TRUE(fs::exists(m_work / "matches.lgw"));

  // Every scheduled match ends 2-1 to the home team.
  std::istringstream lines(ReadFile(m_work / "matches.lgw"));
  std::ofstream results(m_work / "results.lgw", std::ios::binary);
  std::string line;
  int matches = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("*!", 0) == 0) {
      line += "=2-1";
      ++matches;
    }
    results << line << "\r\n";
  }
  results.close();
  ASSERT_GT(matches, 90);
  const RunResult entered = liga("--quiet --yes import results.lgw");
  ASSERT_EQ(entered.status, 0) << entered.out;

  const RunResult standings = liga("--quiet standings");
  ASSERT_EQ(standings.status, 0) << standings.out;
  int played = 0, won = 0, lost = 0;
  std::istringstream table(standings.out);
  while (std::getline(table, line)) {
    std::istringstream ls(line);
    std::vector<std::string> t;
    for (std::string w; ls >> w;) t.push_back(w);
    if (t.size() < 8 || t[0].find_first_not_of("0123456789") != std::string::npos) continue;
    const std::size_t n = t.size();
    played += std::stoi(t[n - 6]);
    won += std::stoi(t[n - 5]);
    lost += std::stoi(t[n - 3]);
  }
  EXPECT_EQ(played, 2 * matches);
  EXPECT_EQ(won, matches);
  EXPECT_EQ(lost, matches);

  const RunResult final = liga("--quiet export resultat final.lgw");
  ASSERT_EQ(final.status, 0) << final.out;
  EXPECT_TRUE(contains(ReadFile(m_work / "final.lgw"), "=2-1"));
  EXPECT_FALSE(fs::exists(m_root / "data" / "final.lgw"));

  // Without --out the schedule goes beside the last exchange file, named in full.
  const RunResult next = liga("--quiet schedule --seed 7");
  ASSERT_EQ(next.status, 0) << next.out;
  EXPECT_TRUE(contains(next.out, "schemafil: " + (m_work / "SPELDAG.LOT").string() + "\n"))
      << next.out;
  EXPECT_TRUE(fs::exists(m_work / "SPELDAG.LOT"));
}

TEST_F(CommandLineTest, BackupConfigAndStorageToolsTakePathsFromTheWorkingDirectory) {
  demo();
  const RunResult backup = liga("--quiet backup copy");
  ASSERT_EQ(backup.status, 0) << backup.out;
  EXPECT_TRUE(fs::exists(m_work / "copy" / "cupfiles.DAT"));
  EXPECT_TRUE(contains(backup.out, (m_work / "copy" / "lg01.DAT").string())) << backup.out;
  EXPECT_FALSE(fs::exists(m_root / "data" / "copy"));
  // The configuration named relatively is read and written where the command started.
  ASSERT_EQ(liga("--quiet --config my.p32 datadir ../data").status, 0);
  ASSERT_EQ(liga("--quiet --config my.p32 select 1").status, 0);
  EXPECT_TRUE(contains(liga("--quiet --config my.p32 info").out, "DEMOSERIEN"));
  EXPECT_EQ(fs::file_size(m_work / "my.p32"), 317112u);
  EXPECT_FALSE(fs::exists(m_root / "data" / "my.p32"));

  const RunResult check = liga("isam-check copy/lg01.DAT");
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_TRUE(contains(check.out, (m_work / "copy" / "lg01").string())) << check.out;
  const RunResult dump = liga("isam-dump copy/klass01");
  EXPECT_EQ(dump.status, 0) << dump.out;
}

// ---- --data is for one command, datadir changes the configured directory ----

TEST_F(CommandLineTest, DataOptionAppliesToOneCommandOnly) {
  demo();
  fs::create_directories(m_root / "other");
  const RunResult other = liga("--quiet --data ../other demo");
  ASSERT_EQ(other.status, 0) << other.out;
  EXPECT_TRUE(fs::exists(m_root / "other" / "cupfiles.DAT"));

  // The next plain command works on the configured directory, with its competition.
  const RunResult info = liga("--quiet info");
  ASSERT_EQ(info.status, 0) << info.out;
  EXPECT_TRUE(contains(info.out, "datakatalog: " + (m_root / "data").string() + "\n")) << info.out;
  EXPECT_TRUE(contains(info.out, "DEMOSERIEN 2027")) << info.out;

  // A selection cannot be remembered for a directory given with --data.
  const RunResult select = liga("--quiet --data ../other select 1");
  EXPECT_EQ(select.status, 1);
  EXPECT_TRUE(contains(select.out, "liga datadir")) << select.out;

  const RunResult shown = liga("--quiet datadir");
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.substr(shown.out.rfind((m_root / "data").string())),
            (m_root / "data").string() + "\n");

  const RunResult change = liga("--quiet datadir ../other");
  ASSERT_EQ(change.status, 0) << change.out;
  EXPECT_TRUE(contains(change.out, "datakatalogen är nu " + (m_root / "other").string() +
                                       " (förut " + (m_root / "data").string() + ")"))
      << change.out;
  EXPECT_TRUE(contains(liga("--quiet info").out, "datakatalog: " + (m_root / "other").string()));
  EXPECT_EQ(liga("--quiet select 1").status, 0);
  // The same directory again: no "förut" that names it twice; one competition is singular.
  const RunResult again = liga("--quiet datadir ../other");
  EXPECT_FALSE(contains(again.out, "förut")) << again.out;
  EXPECT_TRUE(contains(again.out, "har 1 tävling;")) << again.out;

  const RunResult missing = liga("--quiet datadir ../nowhere/inner");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(contains(missing.out, "finns inte: " + (m_root / "nowhere" / "inner").string()))
      << missing.out;
  EXPECT_TRUE(contains(liga("--quiet info").out, "datakatalog: " + (m_root / "other").string()));
  EXPECT_EQ(liga("--data ../data datadir ../other").status, 2);
}

// ---- exit status 1 when the command did not do what was asked ----

TEST_F(CommandLineTest, ImportThatDidNotHappenExitsWithOne) {
  demo();
  ASSERT_EQ(liga("--quiet schedule --seed 3 --out s.lot").status, 0);
  ASSERT_EQ(liga("--quiet import s.lot").status, 0);

  // The second import would replace the schedule: declined by --no and without a terminal.
  for (const char* answer : {"--no ", ""}) {
    const RunResult declined = ligaSplit(std::string("--quiet ") + answer + "import s.lot");
    EXPECT_EQ(declined.status, 1) << answer;
    EXPECT_TRUE(contains(declined.err, (m_work / "s.lot").string() + ": den gamla"))
        << declined.err;
  }
  {
    std::ofstream bad(m_work / "bad.lgw", std::ios::binary);
    bad << "*Bas\r\nX,Y\r\n*Okand\r\n";
  }
  const RunResult failed = ligaSplit("--quiet import bad.lgw");
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(contains(failed.err, (m_work / "bad.lgw").string())) << failed.err;

  const RunResult missing = ligaSplit("--quiet import nothing.lgw");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(contains(missing.err, "finns inte: " + (m_work / "nothing.lgw").string()));
}

TEST_F(CommandLineTest, UnreadableMaskIsRefusedBeforeTheRun) {
  demo();
  const RunResult missing = ligaSplit("--quiet schedule --mask none.msk --out s.lot");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(contains(missing.err, (m_work / "none.msk").string())) << missing.err;
  EXPECT_FALSE(fs::exists(m_work / "s.lot"));

  fs::create_directories(m_work / "masks");
  const RunResult folder = ligaSplit("--quiet schedule --mask masks --out s.lot");
  EXPECT_EQ(folder.status, 1);
  EXPECT_TRUE(contains(folder.err, "katalog")) << folder.err;
  EXPECT_FALSE(fs::exists(m_work / "s.lot"));

  // A readable mask is used and logged in the schedule file.
  fs::copy_file(fs::path(LIGA_SOURCE_DIR) / "examples" / "demo.msk", m_work / "demo.msk");
  ASSERT_EQ(liga("--quiet schedule --seed 1 --mask demo.msk --out s.lot").status, 0);
  EXPECT_TRUE(contains(ReadFile(m_work / "s.lot"), "; lagens ej spelbara"));
}

TEST_F(CommandLineTest, ExportOverAnExistingFileNeedsAYes) {
  demo();
  {
    std::ofstream f(m_work / "teams.lgw");
    f << "keep me\n";
  }
  for (const char* answer : {"", "--no "}) {
    const RunResult r = ligaSplit(std::string("--quiet ") + answer + "export lag teams.lgw");
    EXPECT_EQ(r.status, 1) << answer;
    EXPECT_TRUE(contains(r.err, (m_work / "teams.lgw").string())) << r.err;
    EXPECT_EQ(ReadFile(m_work / "teams.lgw"), "keep me\n");
  }
  const RunResult yes = liga("--quiet --yes export lag teams.lgw");
  EXPECT_EQ(yes.status, 0) << yes.out;
  EXPECT_TRUE(contains(ReadFile(m_work / "teams.lgw"), "*Lag"));
}

// ---- --quiet hides status lines only ----

TEST_F(CommandLineTest, QuietStillSaysWhyACommandWasRefused) {
  const RunResult r = ligaSplit("--quiet --data ../missing info");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "finns inte: " + (m_root / "missing").string())) << r.err;
  EXPECT_FALSE(fs::exists(m_root / "missing"));

  // No competition in an empty catalogue: said, not only signalled.
  ASSERT_EQ(liga("--quiet --data ../data init").status, 0);
  const RunResult none = ligaSplit("--quiet --data ../data schedule");
  EXPECT_EQ(none.status, 1);
  EXPECT_FALSE(none.err.empty());

  // A question answered No says what was not done.
  ASSERT_EQ(liga("--quiet --data ../data import '" LIGA_SOURCE_DIR "/examples/demo.lgw'").status,
            0);
  for (const char* args :
       {"--quiet --no --data ../data delete 1", "--quiet --no --data ../data init"}) {
    const RunResult declined = ligaSplit(args);
    EXPECT_EQ(declined.status, 1) << args;
    EXPECT_TRUE(contains(declined.err, "--yes")) << args << "\n" << declined.err;
  }
  EXPECT_TRUE(fs::exists(m_root / "data" / "lg01.DAT"));

  // Status lines are shown only on request.
  EXPECT_TRUE(contains(liga("--verbose --data ../data list").out, "Filerna"));
  EXPECT_FALSE(contains(liga("--data ../data list").out, "Filerna"));
  EXPECT_FALSE(contains(liga("--quiet --data ../data list").out, "Filerna"));
}

// ---- messages that say what is wrong ----

TEST_F(CommandLineTest, UsageErrorsNameTheArgumentAndWhatIsAllowed) {
  struct Case {
    const char* args;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"select 11", {"11", "1..10"}},
      {"delete x", {"\"x\"", "1..10"}},
      {"schedule --seed abc", {"--seed", "abc"}},
      {"schedule --round-order 3", {"--round-order", "1 eller 2", "3"}},
      {"schedule --home-away 0", {"--home-away", "1 eller 2"}},
      {"schedule --playtimes 0", {"--playtimes", "1..4800"}},
      {"schedule --per-playtime 17", {"--per-playtime", "1..16"}},
      {"schedule --refine 11", {"--refine", "0..10"}},
      {"schedule --playtimes 3 --per-playtime 2", {"--playtimes", "--per-playtime"}},
      {"schedule --out", {"--out", "värde"}},
      {"export lagg x.lgw", {"lagg", "tavling, klasser, lag, spelmoten, resultat eller ical"}},
      {"--yes --no info", {"--yes", "--no"}},
      {"--loud info", {"okänd flagga: --loud"}},
      {"frobnicate", {"okänt kommando: frobnicate"}},
  };
  for (const Case& c : cases) {
    const RunResult r = liga(c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
    for (const std::string& s : c.said) EXPECT_TRUE(contains(r.out, s)) << c.args << "\n" << r.out;
  }
}

TEST_F(CommandLineTest, BackupSaysWhyItWasRefusedAndAFailedOneRecordsNothing) {
  demo();
  const RunResult self = ligaSplit("--quiet backup ../data");
  EXPECT_EQ(self.status, 1);
  EXPECT_TRUE(contains(self.err, "datakatalogen")) << self.err;

  { std::ofstream f(m_work / "afile"); }
  const RunResult file = ligaSplit("--quiet backup afile");
  EXPECT_EQ(file.status, 1);
  EXPECT_TRUE(contains(file.err, "fil")) << file.err;
  EXPECT_TRUE(contains(file.err, (m_work / "afile").string())) << file.err;

  ASSERT_EQ(liga("--quiet backup copy").status, 0);
  const RunResult again = ligaSplit("--quiet backup copy");
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(contains(again.err, "finns redan")) << again.err;

  // A folder where no file can be created: the copy fails part-way, and neither the
  // catalogue nor the folder keeps a trace of it.
  const std::string before = ReadFile(m_root / "data" / "cupfiles.DAT");
  const RunResult failed = ligaSplit("--quiet backup /proc/self");
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(contains(failed.err, "Fel vid kopiering!!")) << failed.err;
  const std::string after = ReadFile(m_root / "data" / "cupfiles.DAT");
  EXPECT_FALSE(contains(after, "/proc/self"));
  EXPECT_TRUE(contains(after, (m_work / "copy").string()));
  EXPECT_EQ(before, after);
}

TEST_F(CommandLineTest, ADirectoryWhereAFileIsExpectedIsNamedSo) {
  demo();
  fs::create_directories(m_work / "folder");
  for (const char* args : {"import folder", "export lag folder", "schedule --out folder",
                           "--config folder info", "isam-check folder"}) {
    const RunResult r = ligaSplit(std::string("--quiet ") + args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_TRUE(contains(r.err, "är en katalog")) << args << "\n" << r.err;
    EXPECT_TRUE(contains(r.err, (m_work / "folder").string())) << args << "\n" << r.err;
  }
}

TEST_F(CommandLineTest, ADemoOnAFullDiskSaysSoAndCanBeRunAgain) {
  // A small file system of its own, filled to leave 128 KiB: too little for the demo.
  const fs::path small = m_root / "small";
  fs::create_directories(small);
  if (::geteuid() != 0 ||
      liga::testing::RunCommand("mount -t tmpfs -o size=8m tmpfs '" + small.string() + "'")
              .status != 0)
    GTEST_SKIP() << "needs root to mount a small file system";
  struct Unmount {
    fs::path at;
    ~Unmount() { liga::testing::RunCommand("umount '" + at.string() + "'"); }
  } unmount{small};
  ASSERT_EQ(liga::testing::RunCommand("dd if=/dev/zero of='" + (small / "filler").string() +
                                      "' bs=1k count=$(( $(df -k --output=avail '" +
                                      small.string() + "' | tail -1) - 128 )) 2>/dev/null")
                .status,
            0);
  fs::create_directories(small / "data");
  const RunResult full = ligaSplit("--quiet --yes --data '" + (small / "data").string() + "' demo");
  EXPECT_EQ(full.status, 1);
  EXPECT_TRUE(contains(full.err, "disken är full: " + (small / "data").string())) << full.err;
  EXPECT_FALSE(contains(full.err, "msgtextanrop")) << full.err;
  fs::remove(small / "filler");
  const RunResult again =
      ligaSplit("--quiet --yes --data '" + (small / "data").string() + "' demo");
  EXPECT_EQ(again.status, 0) << again.err;
}

// Rebuild, restore and the demo on a small file system filled to leave less and less room,
// so that the disk fills at a different point of each: every run ends in the state before
// or the state after (every block checking), and a run that fails says the disk is full.
TEST_F(CommandLineTest, RebuildRestoreAndDemoOnAFullDiskEndInTheOldOrTheNewState) {
  const fs::path small = m_root / "small";
  fs::create_directories(small);
  if (::geteuid() != 0 ||
      liga::testing::RunCommand("mount -t tmpfs -o size=8m tmpfs '" + small.string() + "'")
              .status != 0)
    GTEST_SKIP() << "needs root to mount a small file system";
  struct Unmount {
    fs::path at;
    ~Unmount() { liga::testing::RunCommand("umount '" + at.string() + "'"); }
  } unmount{small};
  const fs::path data = small / "data", backup = small / "bk", filler = small / "filler";
  const std::string d = "--quiet --yes ";
  auto quiet = [&](const std::string& args) { return liga(d + args).status == 0; };
  auto checks = [&](int competition) {
    return quiet("isam-check --competition " + std::to_string(competition));
  };
  for (const std::string cmd : {"demo", "rebuild", "restore"}) {
    int rounds = 0, before = 0, after = 0, neither = 0;
    for (const int freeKiB : {0, 8, 24, 64, 128, 192, 256, 320, 352, 384, 640}) {
      SCOPED_TRACE(cmd + " with " + std::to_string(freeKiB) + " KiB free");
      fs::remove_all(data);
      fs::remove_all(backup);
      fs::create_directories(data);
      ASSERT_TRUE(quiet("datadir '" + data.string() + "'"));
      if (cmd != "demo") {
        ASSERT_TRUE(quiet("demo") && quiet("select 1") &&
                    quiet("backup '" + backup.string() + "'"));
      }
      const std::string was = liga(d + (cmd == "restore" ? "list" : "info")).out;
      ASSERT_EQ(
          liga::testing::RunCommand("dd if=/dev/zero of='" + filler.string() +
                                    "' bs=1k count=$(( $(df -k --output=avail '" + small.string() +
                                    "' | tail -1) - " + std::to_string(freeKiB) + " )) 2>/dev/null")
              .status,
          0);
      const RunResult run =
          ligaSplit(d + cmd + (cmd == "restore" ? " '" + backup.string() + "'" : ""));
      fs::remove(filler);
      if (run.status != 0) {
        EXPECT_TRUE(contains(run.err, "disken är full: " + small.string())) << run.err;
      }
      bool isOld = false, isNew = false;
      if (cmd == "demo") {
        isOld = !fs::exists(data / "cupfiles.DAT");
        isNew =
            !isOld && quiet("select 1") && contains(liga(d + "info").out, "lag: 26") && checks(1);
        // Either state takes the demo again: nothing half-made refuses it.
        if (isOld) isOld = quiet("demo");
      } else if (cmd == "rebuild") {
        // A rebuild keeps every record: before and after read alike.
        isOld = isNew = liga(d + "info").out == was && checks(1);
        (run.status == 0 ? isOld : isNew) = false;
      } else {
        const std::string now = liga(d + "list").out;
        isOld = now == was && checks(1);
        isNew = !isOld && quiet("select 2") && contains(liga(d + "info").out, "lag: 26") &&
                checks(2) && checks(1);
      }
      EXPECT_EQ(isNew, run.status == 0) << run.err;
      ++rounds;
      isOld ? ++before : isNew ? ++after : ++neither;
      EXPECT_TRUE(isOld || isNew) << "neither state\n" << run.err;
    }
    std::printf("full disk, %s: %d rounds, %d old, %d new, %d neither\n", cmd.c_str(), rounds,
                before, after, neither);
    EXPECT_GT(before, 0) << cmd;
    EXPECT_GT(after, 0) << cmd;
  }
}

TEST_F(CommandLineTest, WithoutAnyHomeDirectoryLigaRefusesToStart) {
  // A user without a passwd entry, with HOME and XDG_CONFIG_HOME unset: no folder such as
  // /tmp/.config (which any local user could make in advance) is used; liga says why.
  constexpr uid_t kNobodyKnown = 54321;
  if (::geteuid() != 0 || !fs::exists("/usr/bin/setpriv"))
    GTEST_SKIP() << "needs root and setpriv to run as a user without a passwd entry";
  if (::getpwuid(kNobodyKnown) != nullptr) GTEST_SKIP() << "uid 54321 has a passwd entry";
  const bool tmpConfigBefore = fs::exists("/tmp/.config/LigaWin32");
  const RunResult r = liga::testing::RunSplit(
      "cd / && env -u HOME -u XDG_CONFIG_HOME -u XDG_DOCUMENTS_DIR setpriv --reuid=54321 "
      "--regid=54321 --clear-groups " LIGA_BINARY " info");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(contains(r.err, "fel: hemkatalogen är okänd")) << r.err;
  EXPECT_EQ(fs::exists("/tmp/.config/LigaWin32"), tmpConfigBefore);
}

TEST_F(CommandLineTest, DataDirectoryWithoutPermissionSaysSo) {
  demo();
  // Permissions bind root only after giving up its privileges.
  std::string prefix;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (liga::testing::RunCommand(prefix + LIGA_BINARY + " version").status != 0)
      GTEST_SKIP() << "the unprivileged user cannot run " << LIGA_BINARY;
    fs::permissions(m_root, fs::perms::all);
    fs::permissions(m_work, fs::perms::all);
    fs::create_directories(m_root / "config");
    fs::create_directories(m_root / "docs");
    for (const auto& e : fs::recursive_directory_iterator(m_root)) {
      if (e.is_directory())
        fs::permissions(e.path(), fs::perms::all);
      else
        fs::permissions(e.path(), fs::perms::all & ~fs::perms::owner_exec);
    }
  }
  auto run = [&](const std::string& args) {
    return liga::testing::RunSplit("cd '" + m_work.string() + "' && " + env() + prefix +
                                   LIGA_BINARY + " " + args);
  };
  ASSERT_EQ(run("--quiet --data ../data info").status, 0);

  // A read-only directory serves reading commands and refuses writing ones, saying why.
  fs::permissions(m_root / "data", fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
  const RunResult read = run("--quiet --data ../data classes");
  EXPECT_EQ(read.status, 0) << read.err;
  const RunResult write = run("--quiet --data ../data rebuild");
  EXPECT_EQ(write.status, 1);
  EXPECT_TRUE(contains(write.err, "kan inte skrivas (åtkomst nekad)")) << write.err;
  fs::permissions(m_root / "data", fs::perms::all);

  fs::permissions(m_root / "data" / "cupfiles.DAT", fs::perms::none);
  const RunResult file = run("--quiet --data ../data list");
  EXPECT_EQ(file.status, 1);
  EXPECT_TRUE(contains(file.err, "åtkomst nekad")) << file.err;
  EXPECT_FALSE(contains(file.err, "Datafiler saknas")) << file.err;

  fs::permissions(m_root / "data", fs::perms::none);
  const RunResult dir = run("--quiet --data ../data info");
  EXPECT_EQ(dir.status, 1);
  EXPECT_TRUE(contains(dir.err, "åtkomst nekad")) << dir.err;
  EXPECT_TRUE(contains(dir.err, (m_root / "data").string())) << dir.err;
}

// ---- every text in UTF-8 ----

TEST_F(CommandLineTest, EveryTextIsPrintedInUtf8) {
  demo();
  ASSERT_EQ(liga("--quiet schedule --seed 2 --out s.lot").status, 0);
  ASSERT_EQ(liga("--quiet import s.lot").status, 0);
  // Replacing the schedule prints the status "nollställer" and writes the log.
  const RunResult replaced = liga("--verbose --yes import s.lot");
  ASSERT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_TRUE(contains(replaced.out, "nollställer")) << replaced.out;
  EXPECT_TRUE(validUtf8(replaced.out)) << replaced.out;
  EXPECT_FALSE(contains(replaced.out, "Ã")) << replaced.out;

  // A data directory with letters beyond ASCII in its name.
  const fs::path season = m_root / "Säsong";
  fs::create_directories(season);
  ASSERT_EQ(liga("--quiet --data ../Säsong demo").status, 0);
  const RunResult again = liga("--quiet --data ../Säsong demo");
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(contains(again.out, season.string())) << again.out;
  EXPECT_TRUE(validUtf8(again.out));

  // isam-check names a finding once.
  const RunResult check = liga("isam-check nothing");
  EXPECT_EQ(check.status, 1);
  const std::string path = (m_work / "nothing").string();
  const std::size_t first = check.out.find(path);
  ASSERT_NE(first, std::string::npos) << check.out;
  const std::string finding = check.out.substr(check.out.find(": unreadable: ") + 14);
  EXPECT_EQ(check.out.find(finding.substr(0, finding.find('\n'))),
            check.out.rfind(finding.substr(0, finding.find('\n'))))
      << check.out;
}

// ---- help a user can act on ----

TEST_F(CommandLineTest, HelpExplainsEachOptionOfACommand) {
  const RunResult help = liga("help schedule");
  ASSERT_EQ(help.status, 0);
  for (const char* s : {"--playtimes P", "1..4800", "--per-playtime M", "1..16", "--refine N",
                        "0..10", "--round-order 1|2", "omvänd", "upprepad", "--home-away 1|2",
                        "--any-day", "--mask FIL", "--seed N"}) {
    EXPECT_TRUE(contains(help.out, s)) << s;
  }
  EXPECT_EQ(liga("schedule --help").out, help.out);
  EXPECT_TRUE(contains(liga("help").out, "liga help KOMMANDO"));
  EXPECT_TRUE(contains(liga("help datadir").out, "--data"));
  const RunResult unknown = liga("help frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(contains(unknown.out, "frobnicate"));
}

TEST_F(CommandLineTest, StandingsHaveColumnHeadings) {
  demo();
  const RunResult r = liga("--quiet standings --class 'HERRAR DIV 4'");
  ASSERT_EQ(r.status, 0) << r.out;
  std::istringstream in(r.out);
  std::string cls, heading, row;
  std::getline(in, cls);
  std::getline(in, heading);
  std::getline(in, row);
  EXPECT_EQ(cls, "HERRAR DIV 4");
  std::istringstream words(heading);
  std::vector<std::string> w;
  for (std::string s; words >> s;) w.push_back(s);
  EXPECT_EQ(w, (std::vector<std::string>{"pl.", "lag", "sp", "v", "o", "f", "mål", "p"}))
      << heading;
  // The headings stand over their columns: "sp" ends where the played count ends.
  const std::size_t sp = heading.find(" sp ") + 3;
  EXPECT_EQ(row[sp - 1], '0') << heading << "\n" << row;
  // ... and "p" ends where the points end (columns, not bytes: the heading holds "å").
  auto columns = [](const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c >> 6) != 2;
    return n;
  };
  EXPECT_EQ(columns(heading), columns(row)) << heading << "\n" << row;
}

TEST(ReadmeTest, WalksThroughASeasonAndNamesTheFileFormat) {
  const std::string readme = ReadFile(fs::path(LIGA_SOURCE_DIR) / "README.md");
  for (const char* s : {"liga datadir", "liga demo", "liga schedule", "liga import",
                        "liga standings", "liga export", "1252", "CR LF"}) {
    EXPECT_TRUE(contains(readme, s)) << s;
  }
}

}  // namespace
