// Several `liga` processes on one data directory at once: readers beside a rebuild, two
// reader loops beside a rebuild, two imports at once. Each process either does its whole
// work or is refused by the data directory's lock; no record is ever lost and every file
// block passes the checker afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunCommand;
using liga::testing::RunResult;

// Rounds of each reproduction; the sanitizer build runs fewer, its processes being slower.
#ifndef LIGA_CONCURRENCY_ROUNDS
#define LIGA_CONCURRENCY_ROUNDS 100
#endif
constexpr int kRounds = LIGA_CONCURRENCY_ROUNDS;

class ConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "data");
    // Written as a script so that the processes of one round really overlap.
    liga::testing::WriteLigaScript(m_root);
    // The configured data directory, so that the demo's selection lasts (--data would last
    // one command).
    const RunResult configured =
        RunCommand(liga() + " datadir '" + (m_root / "data").string() + "'");
    ASSERT_EQ(configured.status, 0) << configured.out;
  }

  std::string liga() const { return "'" + (m_root / "liga.sh").string() + "'"; }

  int teamCount() {
    const RunResult r = RunCommand(liga() + " teams");
    EXPECT_EQ(r.status, 0) << r.out;
    int lines = 0;
    for (char c : r.out) lines += c == '\n';
    return lines;
  }

  void expectBlocksPass() {
    for (const char* block : {"cupfiles", "klass01", "lg01", "game01"}) {
      const RunResult r =
          RunCommand(liga() + " isam-check '" + (m_root / "data" / block).string() + "'");
      EXPECT_EQ(r.status, 0) << block << ": " << r.out;
    }
  }

  // A round's readers run `liga classes` again and again, at least once, until the round's
  // rebuild has ended: they overlap the whole rebuild without outlasting it by much.
  std::string stopFile() const { return "'" + (m_root / "round-over").string() + "'"; }
  std::string startRound() const { return "rm -f " + stopFile() + "; "; }
  std::string readerLoop() const {
    return "(while :; do " + liga() + " classes >/dev/null 2>&1; [ -e " + stopFile() +
           " ] && break; done)";
  }
  std::string endRound() const { return "touch " + stopFile() + "; wait"; }

  // Counts the occurrences of `text` in `out`.
  static int count(const std::string& out, const std::string& text) {
    int n = 0;
    for (std::size_t p = out.find(text); p != std::string::npos; p = out.find(text, p + 1)) ++n;
    return n;
  }

  liga::testing::TempDir m_root{"conc"};
};

TEST_F(ConcurrencyTest, RebuildBesideReadersKeepsEveryTeam) {
  ASSERT_EQ(RunCommand(liga() + " demo").status, 0);
  const int teams = teamCount();
  ASSERT_EQ(teams, 26);
  // Each round: readers one after the other for as long as a rebuild runs. Every refused
  // process says who holds the directory; every other one did its whole work.
  const std::string round = startRound() + readerLoop() + " & " + liga() +
                            " rebuild >/dev/null 2>&1; echo rebuild=$?; " + endRound();
  int rebuilt = 0;
  for (int i = 0; i < kRounds; ++i) {
    const RunResult r = RunCommand(round);
    rebuilt += count(r.out, "rebuild=0");
    ASSERT_EQ(count(r.out, "rebuild=0") + count(r.out, "rebuild=1"), 1) << r.out;
  }
  EXPECT_GT(rebuilt, 0);
  EXPECT_EQ(teamCount(), teams);
  expectBlocksPass();
}

TEST_F(ConcurrencyTest, TwoReaderLoopsBesideARebuildKeepEveryTeam) {
  ASSERT_EQ(RunCommand(liga() + " demo").status, 0);
  const std::string round = startRound() + readerLoop() + " & " + readerLoop() + " & " + liga() +
                            " rebuild >/dev/null 2>&1; " + endRound();
  for (int i = 0; i < kRounds; ++i) RunCommand(round);
  EXPECT_EQ(teamCount(), 26);
  expectBlocksPass();
}

TEST_F(ConcurrencyTest, TwoImportsAtOnceNeverOverwriteEachOther) {
  ASSERT_EQ(RunCommand(liga() + " demo").status, 0);
  const int before = teamCount();
  int imported = 0;
  for (int i = 0; i < kRounds; ++i) {
    // Two files of new teams with numbers of their own in an existing class.
    for (int f = 0; f < 2; ++f) {
      std::ofstream out(m_root / ("t" + std::to_string(f) + ".lgw"), std::ios::binary);
      out << "*Lag\r\n";
      for (int t = 0; t < 2; ++t) {
        const int number = 5000 + i * 4 + f * 2 + t;
        out << number << ",LAG " << number << ",HERRAR DIV 4,0,0,0,0\r\n";
      }
    }
    if (before + imported + 4 > 159) break;  // stay below the team file's limit
    const std::string round = liga() + " import '" + (m_root / "t0.lgw").string() +
                              "' >/dev/null 2>&1; echo import=$? & " + liga() + " import '" +
                              (m_root / "t1.lgw").string() +
                              "' >/dev/null 2>&1; echo import=$?; wait";
    const RunResult r = RunCommand(round);
    ASSERT_EQ(count(r.out, "import=0") + count(r.out, "import=1"), 2) << r.out;
    imported += 2 * count(r.out, "import=0");
  }
  // Every import that said it succeeded is there; every refused one left nothing.
  EXPECT_EQ(teamCount(), before + imported);
  expectBlocksPass();
}

}  // namespace
