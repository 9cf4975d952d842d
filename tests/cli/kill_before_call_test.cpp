// Kills before a write call: `liga rebuild`, `liga restore` and `liga demo` are run under
// strace, which kills the process with SIGKILL just before its Nth call of one kind (write,
// pwrite64, the renames, ftruncate). The next command then finds the data directory exactly
// as before the command or exactly as after it: every competition listed opens and passes
// `isam-check --competition N`, none is left "raderad", no temporary block or log remains,
// and a demo killed part-way can be run again.
//
// The calls are sampled (a fixed seed) to keep the normal build quick; LIGA_KILL_EVERY_CALL=1
// in the environment tries every one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;
using liga::testing::RunResult;

// The calls a kill falls before: every call that changes a file or a folder.
const char* const kCalls[] = {"write", "pwrite64", "rename", "renameat2", "ftruncate"};

struct KillPoint {
  std::string call;
  int n;
};

class KillBeforeCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunCommand("command -v strace").status != 0) GTEST_SKIP() << "strace is not installed";
    // strace needs ptrace; a container may refuse it.
    if (RunCommand("strace -f -qq -o /dev/null true").status != 0)
      GTEST_SKIP() << "strace cannot trace here";
    fs::create_directories(m_root / "data");
    std::ofstream s(m_root / "liga.sh");
    // LeakSanitizer cannot work under ptrace (strace): in a sanitizer build these runs leave
    // the leak check to the rest of the suite.
    s << "#!/bin/sh\nASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\"\n"
      << "export ASAN_OPTIONS\nexec env XDG_CONFIG_HOME='" << (m_root / "config").string()
      << "' XDG_DOCUMENTS_DIR='" << (m_root / "docs").string() << "' '" << LIGA_BINARY
      << "' --quiet \"$@\"\n";
    s.close();
    fs::permissions(m_root / "liga.sh", fs::perms::owner_all);
    ASSERT_EQ(run("datadir '" + data().string() + "'").status, 0);
  }

  fs::path data() const { return m_root / "data"; }
  std::string script() const { return "'" + (m_root / "liga.sh").string() + "'"; }
  RunResult run(const std::string& args) { return RunCommand(script() + " " + args); }

  // Saves the data directory and the configuration (the selected competition).
  fs::path save() {
    const fs::path to = m_saved / "base";
    fs::remove_all(to);
    for (const char* part : {"data", "config"}) {
      fs::create_directories(to / part);
      if (fs::exists(m_root / part))
        fs::copy(m_root / part, to / part, fs::copy_options::recursive);
    }
    return to;
  }
  void load(const fs::path& from) {
    for (const char* part : {"data", "config"}) {
      fs::remove_all(m_root / part);
      fs::copy(from / part, m_root / part, fs::copy_options::recursive);
    }
  }

  // What the data directory holds as the next program sees it: the catalogue's list, and
  // for every competition listed the check of its blocks and totals. Which competition is
  // selected (the list's "*") is the configuration's, saved after the command's work: a
  // kill just before that finds the data directory complete.
  std::string state() {
    RunResult list = run("list");
    for (std::size_t at = 0; at < list.out.size(); at = list.out.find('\n', at) + 1) {
      if (at + 3 < list.out.size() && list.out[at + 3] == '*') list.out[at + 3] = ' ';
      if (list.out.find('\n', at) == std::string::npos) break;
    }
    std::string all = "list " + std::to_string(list.status) + "\n" + list.out;
    if (list.status != 0) return all;
    std::istringstream lines(list.out);
    std::string line;
    while (std::getline(lines, line)) {
      int n = 0;
      char name[16] = {};
      if (std::sscanf(line.c_str(), " %d %15s", &n, name) != 2) continue;
      if (std::string(name) == "vakant") continue;
      const RunResult check = run("isam-check --competition " + std::to_string(n));
      all += "check " + std::to_string(n) + " " + std::to_string(check.status) + "\n";
    }
    return all;
  }

  // Every (call, N) the command makes, by running it once under strace.
  std::vector<KillPoint> callsOf(const std::string& args) {
    const fs::path trace = m_root / "trace.txt";
    std::string calls;
    for (const char* c : kCalls) calls += std::string(calls.empty() ? "" : ",") + c;
    const RunResult r = RunCommand("strace -f -qq -o '" + trace.string() + "' -e trace=" + calls +
                                   " " + script() + " " + args);
    EXPECT_EQ(r.status, 0) << args << ": " << r.out;
    std::map<std::string, int> counts;
    std::ifstream in(trace);
    std::string line;
    while (std::getline(in, line)) {
      for (const char* c : kCalls) {
        if (line.find(std::string(" ") + c + "(") != std::string::npos) ++counts[c];
      }
    }
    std::vector<KillPoint> points;
    for (const auto& [call, count] : counts) {
      for (int n = 1; n <= count; ++n) points.push_back({call, n});
    }
    return points;
  }

  // At most `budget` of `points`, chosen with a fixed seed, unless every call is asked for.
  static std::vector<KillPoint> sample(std::vector<KillPoint> points, std::size_t budget) {
    const char* every = std::getenv("LIGA_KILL_EVERY_CALL");
    if ((every != nullptr && std::string(every) == "1") || points.size() <= budget) return points;
    std::mt19937 rng(20261210);
    std::shuffle(points.begin(), points.end(), rng);
    points.resize(budget);
    return points;
  }

  // Runs `args` killed before each sampled call, each time from the saved `base`. A demo
  // found as before is run again, which must work.
  void killLoop(const std::string& label, const fs::path& base, const std::string& args,
                std::size_t budget) {
    load(base);
    const std::string before = state();
    const std::vector<KillPoint> all = callsOf(args);
    const std::string after = state();
    ASSERT_FALSE(all.empty()) << label;
    if (label != "rebuild") {
      ASSERT_NE(before, after) << label;
    }
    int inBefore = 0, inAfter = 0, other = 0;
    for (const KillPoint& p : sample(all, budget)) {
      load(base);
      const std::string where = label + " killed before " + p.call + " " + std::to_string(p.n);
      RunCommand("strace -f -qq -o /dev/null -e inject=" + p.call +
                 ":signal=KILL:when=" + std::to_string(p.n) + " " + script() + " " + args);
      const std::string now = state();
      if (now == before) {
        ++inBefore;
        if (label == "demo") {
          EXPECT_EQ(run("demo").status, 0) << where << ": a retry is refused";
        }
      } else if (now == after) {
        ++inAfter;
      } else {
        ++other;
        ADD_FAILURE() << where << " ends in neither state:\n" << now;
      }
      for (const auto& e : fs::directory_iterator(data())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.rfind("filetmp", 0) != 0 && name != "indexbygg.log" &&
                    name != "ny-tavling.log" && name.rfind("super-", 0) != 0)
            << where << " left " << name;
      }
    }
    std::printf("%s: %zu write calls, %d killed: %d before, %d after, %d neither\n", label.c_str(),
                all.size(), inBefore + inAfter + other, inBefore, inAfter, other);
    EXPECT_EQ(other, 0);
  }

  liga::testing::TempDir m_root{"killcall"};
  liga::testing::TempDir m_saved{"killcall_base"};
};

TEST_F(KillBeforeCallTest, RebuildEndsOldOrNew) {
  ASSERT_EQ(run("demo").status, 0);
  ASSERT_EQ(run("select 1").status, 0);
  const fs::path sched = m_root / "s.lot";
  ASSERT_EQ(run("schedule --seed 1 --out '" + sched.string() + "'").status, 0);
  ASSERT_EQ(run("--yes import '" + sched.string() + "'").status, 0);
  const fs::path base = save();
  killLoop("rebuild", base, "--yes rebuild", 14);
}

TEST_F(KillBeforeCallTest, RestoreAddsTheWholeCompetitionOrNothing) {
  ASSERT_EQ(run("demo").status, 0);
  ASSERT_EQ(run("select 1").status, 0);
  const fs::path backup = m_root / "bk";
  ASSERT_EQ(run("backup '" + backup.string() + "'").status, 0);
  const fs::path base = save();
  killLoop("restore", base, "restore '" + backup.string() + "'", 14);
}

TEST_F(KillBeforeCallTest, DemoCreatesEverythingOrNothing) {
  const fs::path base = save();
  killLoop("demo", base, "demo", 14);
}

}  // namespace
