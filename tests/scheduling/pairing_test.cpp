#include "scheduling/pairing.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace liga::scheduling {
namespace {

std::string Matches(int teams, int first, int last, int roundOrder, int homeAway) {
  std::string out;
  for (int k = first; k <= last; ++k) {
    PairIndex p = Pairing(teams, k, roundOrder, homeAway);
    if (!out.empty()) out += ' ';
    out += std::to_string(p.home) + "-" + std::to_string(p.away);
  }
  return out;
}

class PairingTableTest : public ::testing::TestWithParam<int> {};

TEST_P(PairingTableTest, EveryUnorderedPairExactlyOnce) {
  const int n = GetParam();
  ASSERT_EQ(PairingTableSize(n), n * (n - 1) / 2);
  std::set<std::pair<int, int>> seen;
  for (int e = 1; e <= PairingTableSize(n); ++e) {
    PairIndex p = PairingTableEntry(n, e);
    ASSERT_GE(p.home, 1);
    ASSERT_LE(p.home, n);
    ASSERT_GE(p.away, 1);
    ASSERT_LE(p.away, n);
    ASSERT_NE(p.home, p.away);
    EXPECT_TRUE(seen.insert(std::minmax(p.home, p.away)).second)
        << n << " teams: " << p.home << "-" << p.away << " twice";
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(n * (n - 1) / 2));
}

TEST_P(PairingTableTest, RoundsOfHalfTheTeamsWithNoIndexTwice) {
  const int n = GetParam();
  auto rounds = PairingTableRounds(n);
  EXPECT_EQ(rounds.size(), static_cast<std::size_t>(n % 2 == 0 ? n - 1 : n));
  int entry = 1;
  for (const auto& round : rounds) {
    EXPECT_EQ(round.size(), static_cast<std::size_t>(n / 2));
    std::set<int> used;
    for (const PairIndex& p : round) {
      EXPECT_TRUE(used.insert(p.home).second) << n << " teams, index " << p.home;
      EXPECT_TRUE(used.insert(p.away).second) << n << " teams, index " << p.away;
      EXPECT_EQ(p, PairingTableEntry(n, entry++));  // rounds are consecutive entries
    }
  }
}

TEST_P(PairingTableTest, EveryCycleOptionMeetsEachPairOncePerCycle) {
  const int n = GetParam();
  const int b = PairingTableSize(n);
  for (int order : {1, 2}) {
    for (int homeAway : {1, 2}) {
      for (int cycle = 0; cycle < 4; ++cycle) {
        std::set<std::pair<int, int>> seen;
        for (int k = cycle * b + 1; k <= (cycle + 1) * b; ++k) {
          PairIndex p = Pairing(n, k, order, homeAway);
          seen.insert(std::minmax(p.home, p.away));
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(b));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllSizes, PairingTableTest, ::testing::Range(2, 17));

TEST(PairingTest, TablesAsListed) {
  // A few rows in full, so that a typing slip in a table cannot hide behind the
  // invariants (every table that satisfies them is not necessarily ours).
  EXPECT_EQ(Matches(5, 1, 10, 1, 1), "1-2 3-4 5-1 2-3 4-5 1-3 5-2 4-1 3-5 2-4");
  EXPECT_EQ(Matches(7, 19, 21, 1, 1), "4-2 6-3 7-5");
  EXPECT_EQ(Matches(12, 1, 6, 1, 1), "1-10 8-2 3-12 9-11 4-7 6-5");
  EXPECT_EQ(Matches(16, 113, 120, 1, 1), "1-2 3-15 4-14 5-13 6-12 7-11 8-10 16-9");
}

struct CycleCase {
  int teams, first, last, roundOrder, homeAway;
  const char* expected;
};

class PairingCycleTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(PairingCycleTest, Matches) {
  const CycleCase& c = GetParam();
  EXPECT_EQ(Matches(c.teams, c.first, c.last, c.roundOrder, c.homeAway), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, PairingCycleTest,
    ::testing::Values(CycleCase{4, 1, 6, 1, 1, "1-2 3-4 1-3 2-4 1-4 2-3"},
                      // The second cycle runs backwards with home and away exchanged.
                      CycleCase{4, 7, 12, 1, 1, "3-2 4-1 4-2 3-1 4-3 2-1"},
                      CycleCase{4, 7, 12, 2, 2, "1-2 3-4 1-3 2-4 1-4 2-3"},
                      CycleCase{4, 13, 18, 1, 1,
                                "1-2 3-4 1-3 2-4 1-4 2-3"},  // third cycle as listed
                      CycleCase{4, 7, 12, 2, 1, "2-1 4-3 3-1 4-2 4-1 3-2"},
                      CycleCase{4, 7, 12, 1, 2, "2-3 1-4 2-4 1-3 3-4 1-2"},
                      CycleCase{2, 1, 3, 1, 1, "1-2 2-1 1-2"},
                      CycleCase{3, 1, 6, 1, 1, "1-2 1-3 2-3 3-2 3-1 2-1"},
                      CycleCase{3, 4, 6, 1, 2, "2-3 1-3 1-2"}));

TEST(PairingTest, OutsideTheTablesGivesNoPair) {
  for (int n : {-1, 0, 1, 17, 160}) {
    EXPECT_EQ(Pairing(n, 1, 1, 1), PairIndex{}) << n;
    EXPECT_EQ(PairingTableSize(n), 0) << n;
  }
  EXPECT_EQ(Pairing(4, 0, 1, 1), PairIndex{});
  EXPECT_EQ(PairingTableEntry(4, 7), PairIndex{});
}

}  // namespace
}  // namespace liga::scheduling
