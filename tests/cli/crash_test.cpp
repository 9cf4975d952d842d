// Real processes, real kills: `liga import` of a schedule and `liga result` are killed with
// SIGKILL at random moments of their run. After every kill the next reading command (an
// export) succeeds, the competition shows exactly the state before or exactly the state after
// the command, and `liga isam-check --competition 1` (every block, every total) passes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;
using liga::testing::RunResult;

#ifndef LIGA_CRASH_ROUNDS
#define LIGA_CRASH_ROUNDS 100
#endif
constexpr int kRounds = LIGA_CRASH_ROUNDS;

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "data");
    liga::testing::WriteLigaScript(m_root);
    ASSERT_EQ(run("datadir '" + (m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(run("demo").status, 0);
    ASSERT_EQ(run("select 1").status, 0);
    const RunResult sched = run("schedule --seed 1 --out '" + schedule() + "'");
    ASSERT_EQ(sched.status, 0) << sched.out;
  }

  RunResult run(const std::string& args) {
    return RunCommand("'" + (m_root / "liga.sh").string() + "' " + args);
  }
  std::string schedule() const { return (m_root / "s.lot").string(); }

  void saveBase(const fs::path& to) {
    fs::remove_all(to);
    fs::copy(m_root / "data", to);
  }
  void restoreBase(const fs::path& from) {
    fs::remove_all(m_root / "data");
    fs::copy(from, m_root / "data");
  }

  // What the competition holds, as a reader sees it: its totals, classes, teams and matches.
  std::string state() {
    std::string all;
    for (const char* command : {"list", "info", "teams", "matches"}) {
      const RunResult r = run(command);
      EXPECT_EQ(r.status, 0) << command << ": " << r.out;
      all += r.out;
    }
    return all;
  }

  // Starts `liga ARGS` and kills it with SIGKILL after `delay`; true when it had already
  // ended by itself.
  bool runAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay) {
    const std::string script = (m_root / "liga.sh").string();
    const pid_t pid = fork();
    if (pid == 0) {
      std::vector<char*> argv{const_cast<char*>(script.c_str())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      execv(script.c_str(), argv.data());
      _exit(127);
    }
    std::this_thread::sleep_for(delay);
    int status = 0;
    const bool ended = waitpid(pid, &status, WNOHANG) == pid;
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    return ended;
  }

  std::chrono::microseconds timeOf(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    std::string line;
    for (const auto& a : args) line += "'" + a + "' ";
    EXPECT_EQ(run(line).status, 0);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  // Kills `args` at random moments of its run, `rounds` times, from the data directory in
  // `base`; `after` is the state the command leaves when it runs to its end.
  void killLoop(const std::string& label, const fs::path& base,
                const std::vector<std::string>& args, int rounds) {
    restoreBase(base);
    const std::string before = state();
    const auto duration = timeOf(args);
    const std::string after = state();
    // A rebuild changes no content (only record numbers and indexes): both states are one.
    if (std::find(args.begin(), args.end(), "rebuild") == args.end()) {
      ASSERT_NE(before, after);
    }
    std::mt19937 rng(12345);
    int inBefore = 0, inAfter = 0, other = 0, ended = 0, swapping = 0;
    for (int round = 0; round < rounds; ++round) {
      restoreBase(base);
      const auto delay =
          std::chrono::microseconds(rng() % static_cast<unsigned>(duration.count() + 1));
      ended += runAndKill(args, delay);
      swapping += fs::exists(m_root / "data" / "indexbygg.log");
      const std::string out = (m_root / "export.txt").string();
      fs::remove(out);
      const RunResult exported = run("export resultat '" + out + "'");
      EXPECT_EQ(exported.status, 0) << label << " round " << round << ": " << exported.out;
      EXPECT_TRUE(fs::exists(out)) << label << " round " << round;
      const std::string now = state();
      if (now == before) {
        ++inBefore;
      } else if (now == after) {
        ++inAfter;
      } else {
        ++other;
        ADD_FAILURE() << label << " round " << round << " ends in neither state";
      }
      const RunResult check = run("isam-check --competition 1");
      EXPECT_EQ(check.status, 0) << label << " round " << round << ": " << check.out;
      const RunResult catalogue =
          run("isam-check '" + (m_root / "data" / "cupfiles").string() + "'");
      EXPECT_EQ(catalogue.status, 0) << label << " round " << round << ": " << catalogue.out;
      for (const auto& e : fs::directory_iterator(m_root / "data")) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.rfind("filetmp", 0) != 0 && name != "indexbygg.log" &&
                    name != "ny-tavling.log")
            << label << " round " << round << " left " << name;
      }
    }
    std::printf("%s: %d kills, %d before, %d after, %d other (%d had ended, %d in file swaps)\n",
                label.c_str(), rounds, inBefore, inAfter, other, ended, swapping);
    EXPECT_EQ(other, 0);
  }

  liga::testing::TempDir m_root{"crash"};
};

TEST_F(CrashTest, KilledImportsAndResultsLeaveBeforeOrAfterAndReadersGoOn) {
  const fs::path beforeImport = m_root / "base-import";
  saveBase(beforeImport);
  killLoop("import", beforeImport, {"--yes", "import", schedule()}, kRounds);
  // A result entered on the imported schedule: match 1 gets 3-1.
  restoreBase(beforeImport);
  ASSERT_EQ(run("--yes import '" + schedule() + "'").status, 0);
  const fs::path beforeResult = m_root / "base-result";
  saveBase(beforeResult);
  killLoop("result", beforeResult, {"result", "1", "3", "1"}, kRounds / 2);
  // Its file swaps are logged: a killed rebuild is completed or undone by the next command.
  killLoop("rebuild", beforeResult, {"--yes", "rebuild"}, kRounds * 3 / 10);
}

}  // namespace
