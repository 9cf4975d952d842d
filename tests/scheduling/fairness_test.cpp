// Fairness figures on small schedules whose answers are worked out by hand.
#include "scheduling/fairness.h"

#include <gtest/gtest.h>

#include "common/encoding.h"

namespace liga::scheduling {
namespace {

const std::string kPlaceholder = "\xC4ndrtid001";

const TeamFairness& Team(const ClassFairness& c, int number) {
  for (const TeamFairness& t : c.teams)
    if (t.team == number) return t;
  ADD_FAILURE() << "team " << number << " missing";
  static const TeamFairness none;
  return none;
}

// Three teams, six matches, one on a placeholder play time.
//   1: H 09-01, A 09-02, A 09-10, H Ändrtid   -> breaks 1, rests 1 and 8
//   2: A 09-01, H 09-05, H 09-10, A 09-12     -> breaks 1, rests 4, 5, 2
//   3: H 09-02, A 09-05, A Ändrtid, H 09-12   -> breaks 1, rest 3 (none across Ändrtid)
FairnessClassInput ThreeTeams() {
  return {"Herr A",
          {{"2024-09-01 10:00", 1, 2},
           {"2024-09-02 10:00", 3, 1},
           {"2024-09-05 18:00", 2, 3},
           {"2024-09-10 10:00", 2, 1},
           {kPlaceholder, 1, 3},
           {"2024-09-12 10:00", 3, 2}}};
}

TEST(FairnessTest, BreaksRestAndPlaceholdersPerTeam) {
  const ClassFairness c = ComputeFairness(ThreeTeams(), nullptr);
  ASSERT_EQ(c.teams.size(), 3u);
  EXPECT_EQ(c.matches, 6);
  EXPECT_EQ(c.placeholderMatches, 1);

  const TeamFairness& t1 = Team(c, 1);
  EXPECT_EQ(t1.home, 2);
  EXPECT_EQ(t1.away, 2);
  EXPECT_EQ(t1.breaks, 1);
  EXPECT_EQ(t1.restPairs, 2);
  EXPECT_EQ(t1.minRest, 1);
  EXPECT_DOUBLE_EQ(t1.meanRest, 4.5);
  EXPECT_EQ(t1.consecutiveDays, 1);
  EXPECT_EQ(t1.placeholderMatches, 1);

  const TeamFairness& t2 = Team(c, 2);
  EXPECT_EQ(t2.breaks, 1);
  EXPECT_EQ(t2.restPairs, 3);
  EXPECT_EQ(t2.minRest, 2);
  EXPECT_NEAR(t2.meanRest, 11.0 / 3, 1e-9);
  EXPECT_EQ(t2.consecutiveDays, 0);
  EXPECT_EQ(t2.placeholderMatches, 0);

  const TeamFairness& t3 = Team(c, 3);
  EXPECT_EQ(t3.restPairs, 1);  // 09-05 -> Ändrtid -> 09-12 gives no rest pair
  EXPECT_EQ(t3.minRest, 3);
  EXPECT_EQ(t3.placeholderMatches, 1);

  EXPECT_EQ(c.totalBreaks(), 3);
  EXPECT_EQ(c.shortestRest(), 1);
  EXPECT_EQ(c.consecutiveDays(), 1);
  EXPECT_EQ(c.worstBalance(), 0);
  EXPECT_EQ(c.worstHalfBalance(), 0);
}

TEST(FairnessTest, BalanceIsCountedInEachHalfOfTheClassMatches) {
  // Even: 1 plays H H | A A: balanced overall, 2 off in each half, two breaks each.
  const ClassFairness even = ComputeFairness(
      {"D",
       {{"2024-01-01", 1, 2}, {"2024-01-08", 1, 2}, {"2024-01-15", 2, 1}, {"2024-01-22", 2, 1}}},
      nullptr);
  const TeamFairness& e1 = Team(even, 1);
  EXPECT_EQ(e1.homeFirst, 2);
  EXPECT_EQ(e1.awayFirst, 0);
  EXPECT_EQ(e1.homeSecond, 0);
  EXPECT_EQ(e1.awaySecond, 2);
  EXPECT_EQ(e1.balance(), 0);
  EXPECT_EQ(even.worstHalfBalance(), 2);
  EXPECT_EQ(even.totalBreaks(), 4);
  EXPECT_EQ(even.shortestRest(), 7);

  // Odd: the first half is the first ceil(3/2) = 2 matches.
  const ClassFairness odd = ComputeFairness(
      {"D", {{"2024-01-01", 1, 2}, {"2024-01-08", 2, 1}, {"2024-01-15", 1, 2}}}, nullptr);
  const TeamFairness& o1 = Team(odd, 1);
  EXPECT_EQ(o1.homeFirst, 1);
  EXPECT_EQ(o1.awayFirst, 1);
  EXPECT_EQ(o1.homeSecond, 1);
  EXPECT_EQ(o1.awaySecond, 0);
  EXPECT_EQ(odd.worstBalance(), 1);
  EXPECT_EQ(odd.totalBreaks(), 0);
}

TEST(FairnessTest, MaskViolationsCountMatchesOnceAndTeamsEach) {
  const Mask mask = Mask::FromText("1,2024-09-01\n2,2024-09-01\n3,2024-09-1?\n");
  const ClassFairness c = ComputeFairness(ThreeTeams(), &mask);
  // Match 1 (1-2 on 09-01) is hit for both teams but is one violation; 3-2 on 09-12 is the
  // other. Team 3's match on the placeholder is never hit by a date pattern.
  EXPECT_EQ(c.maskViolations, 2);
  EXPECT_EQ(Team(c, 1).maskViolations, 1);
  EXPECT_EQ(Team(c, 2).maskViolations, 1);
  EXPECT_EQ(Team(c, 3).maskViolations, 1);

  const Mask none = Mask::FromText("9,2024-09-01\n");
  const ClassFairness clean = ComputeFairness(ThreeTeams(), &none);
  EXPECT_EQ(clean.maskViolations, 0);
  const std::vector<std::string> lines = FairnessReportLines({clean}, true);
  bool saysZero = false;
  for (const std::string& l : lines) saysZero |= l.rfind("Maskbrott: 0", 0) == 0;
  EXPECT_TRUE(saysZero);
}

TEST(FairnessTest, PlayTimeDaysAndSummaryLine) {
  EXPECT_EQ(*PlayTimeDay("2025-01-01 10:00") - *PlayTimeDay("2024-12-31 20:00"), 1);
  EXPECT_EQ(*PlayTimeDay("2024-03-01") - *PlayTimeDay("2024-02-28"), 2);  // leap year
  EXPECT_EQ(*PlayTimeDay("2023-03-01") - *PlayTimeDay("2023-02-28"), 1);
  EXPECT_FALSE(PlayTimeDay("2023-02-29 10:00"));
  EXPECT_FALSE(PlayTimeDay(kPlaceholder));
  EXPECT_FALSE(PlayTimeDay("24-09-01"));

  // A class without dated matches has no rest figure at all, not a rest of 0.
  const ClassFairness undated =
      ComputeFairness({"U", {{kPlaceholder, 1, 2}, {"\xC4ndrtid002", 2, 1}}}, nullptr);
  EXPECT_FALSE(undated.shortestRest());
  EXPECT_EQ(undated.placeholderMatches, 2);

  const ClassFairness c = ComputeFairness(ThreeTeams(), nullptr);
  EXPECT_EQ(
      FairnessSummaryLine(c, false),
      "Herr A: brott 3 (golv 0), värsta hemma/borta-skillnad 0 (per halva 0), kortaste vila 1 dag, "
      "dag efter dag 1, ändrtider 1, maskbrott ingen mask");
}

}  // namespace
}  // namespace liga::scheduling
