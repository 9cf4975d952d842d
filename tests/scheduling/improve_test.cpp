// The improvement pass, checked from the schedule file it leads to: every rule of the
// placement on random competitions, the figures it promises, and its determinism.
#include "scheduling/improve.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "schedule_checker.h"
#include "schedule_input.h"
#include "scheduling/bounds.h"
#include "scheduling/run.h"

namespace liga::scheduling {
namespace {

using liga::testing::CheckedRules;

struct Competition {
  ScheduleInput input;
  Lrec lrec;
  std::vector<std::pair<int, std::string>> mask;
  std::string maskText;
};

// A random competition: 1..4 classes of 2..16 teams playing 1..3 rounds, 5..40 dates with
// one or two play times, random options and a few mask lines.
Competition RandomCompetition(std::uint32_t seed) {
  Pcg32 r(seed);
  Competition c;
  std::vector<testing::ClassShape> shapes;
  const int classes = 1 + static_cast<int>(r.below(4));
  for (int k = 0; k < classes; ++k)
    shapes.push_back(
        {2 + static_cast<int>(r.below(15)), 1 + static_cast<int>(r.below(3)), 1 + 20 * k});
  const std::vector<std::string> times =
      r.below(2) ? std::vector<std::string>{"10:00"} : std::vector<std::string>{"10:00", "14:00"};
  c.input = testing::MakeInput(shapes, testing::MakePlayTimes(5 + r.below(36), times));
  testing::Options o;
  o.matchesPerPlayTime = 1 + static_cast<int>(r.below(6));
  o.oneMatchPerDay = r.below(4) != 0;
  o.refineSteps = static_cast<int>(r.below(4));
  o.roundOrder = 1 + static_cast<int>(r.below(2));
  o.homeAwayMode = 1 + static_cast<int>(r.below(2));
  c.lrec = testing::MakeLrec(c.input, o);
  c.lrec.Improve = 1;
  c.lrec.ImproveSeconds = 1;
  for (int i = 0, lines = static_cast<int>(r.below(8)); i < lines; ++i) {
    const int team = 1 + 20 * static_cast<int>(r.below(classes)) + static_cast<int>(r.below(16));
    const std::string pattern =
        r.below(4) ? testing::DateText(static_cast<int>(r.below(40))) : std::string("14:00");
    c.mask.push_back({team, pattern});
    c.maskText += std::to_string(team) + "," + pattern + "\r\n";
  }
  return c;
}

CheckedRules RulesOf(const Competition& c) {
  CheckedRules rules;
  for (const ClassInput& k : c.input.Classes) {
    liga::testing::CheckedClass checked;
    for (const TeamInput& t : k.Teams) checked.teams.push_back(t.TeamNumber);
    checked.rounds = k.MatchCount / (k.TeamCount * (k.TeamCount - 1) / 2);
    rules.classes.push_back(checked);
  }
  rules.perPlayTime = c.lrec.MatchesPerPlayTime;
  rules.oneMatchPerDay = c.lrec.OneMatchPerDay != 0;
  rules.alternatePairs = c.lrec.HomeAwayMode == 1;
  rules.mask = c.mask;
  for (const PlayTimeInput& p : c.input.PlayTimes) rules.playTimes.push_back(p.PlayTime);
  return rules;
}

std::string FileOf(const Competition& c, Lrec& lrec, const ScheduleResult& result) {
  return FormatScheduleFile(c.input.Organiser, c.input.CompetitionName, {2016, 10, 2}, lrec,
                            result.slots, result.matchCount, std::nullopt);
}

TEST(ImproveTest, RandomCompetitionsKeepEveryRule) {
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE("competition " + std::to_string(seed));
    const Competition c = RandomCompetition(seed);
    const Mask mask = Mask::FromText(c.maskText);
    Lrec plain = c.lrec;
    plain.Improve = 0;
    SeededRandom r1(seed), r2(seed);
    const ScheduleResult before = Schedule(c.input, plain, r1, &mask);
    Lrec improvedLrec = c.lrec;
    const ScheduleResult after = Schedule(c.input, improvedLrec, r2, &mask);
    ASSERT_TRUE(after.improved.has_value());

    const auto seedFile = liga::testing::CheckScheduleFile(FileOf(c, plain, before), {});
    const auto file = liga::testing::CheckScheduleFile(FileOf(c, improvedLrec, after), RulesOf(c));
    EXPECT_TRUE(file.faults.empty()) << file.faults.front();
    EXPECT_EQ(file.matches.size(), static_cast<std::size_t>(after.matchCount));
    EXPECT_LE(file.placeholderMatches(), seedFile.placeholderMatches());
    EXPECT_EQ(file.placeholderMatches(), after.improved->after.placeholderMatches);
    EXPECT_EQ(seedFile.placeholderMatches(), after.improved->before.placeholderMatches);
    for (const auto& [team, balance] : liga::testing::CheckerBalance(file))
      EXPECT_LE(std::abs(balance), 1) << "team " << team;
    for (std::size_t k = 0; k < c.input.Classes.size(); ++k) {
      std::vector<int> teams;
      for (const TeamInput& t : c.input.Classes[k].Teams) teams.push_back(t.TeamNumber);
      EXPECT_EQ(liga::testing::CheckerBreaks(file, teams), after.improved->after.breaks[k]);
      EXPECT_EQ(liga::testing::CheckerBreaks(seedFile, teams), after.improved->before.breaks[k]);
    }
  }
}

// The checker itself: a hand-made file breaking one rule per play time.
TEST(ImproveTest, CheckerFindsEveryKindOfFault) {
  CheckedRules rules;
  rules.classes = {{{1, 2, 3}, 2}};
  rules.perPlayTime = 2;
  rules.alternatePairs = true;
  rules.mask = {{3, "2016-09-02"}};
  const std::string file =
      "*Speldag\r\n"
      "2016-09-01 10:00,A\r\n*!1-2,3-1,\r\n"                   // team 1 twice on a date
      "2016-09-02 10:00,A\r\n*!2-3,\r\n"                       // team 3 masked
      "2016-09-03 10:00,A\r\n*!1-2,\r\n"                       // 1-2 twice at 1's home
      "\xC4ndrtid005,\xC4ndraledare005\r\n*!3-2,1-3,2-1,\r\n"  // 3 matches, misnumbered
      "*Lottad\r\n";
  const auto checked = liga::testing::CheckScheduleFile(file, rules);
  auto has = [&](const std::string& text) {
    return std::any_of(checked.faults.begin(), checked.faults.end(),
                       [&](const std::string& f) { return f.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("team 1 twice in 2016-09-01"));
  EXPECT_TRUE(has("team 3 masked at 2016-09-02"));
  EXPECT_TRUE(has("pair 1-2 does not alternate"));
  EXPECT_TRUE(has("pair 1-2 meets 3 times"));
  EXPECT_TRUE(has("too many at"));
  EXPECT_TRUE(has("placeholder \xC4ndrtid005 at 4"));
}

TEST(ImproveTest, SameSeedAndBudgetGiveTheSameSchedule) {
  const Competition c = RandomCompetition(5);
  auto run = [&](std::uint64_t seed) {
    Lrec lrec = c.lrec;
    SeededRandom random(seed);
    const ScheduleResult result = Schedule(c.input, lrec, random, nullptr);
    return FileOf(c, lrec, result);
  };
  EXPECT_EQ(run(3), run(3));
}

// A full benchmark-size competition: every placeholder the seed leaves finds a real play
// time within the default budget, and the rules hold.
TEST(ImproveTest, LargestCompetitionHalvesThePlaceholders) {
  Competition c;
  c.input = bench::MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  c.maskText = bench::MaskText(200, 160, 150);
  for (const MaskLine& line : Mask::FromText(c.maskText).lines())
    c.mask.push_back({line.team, line.pattern});
  c.lrec = testing::MakeLrec(c.input, {16, 1, 10, 1, 1});
  c.lrec.Improve = 1;
  c.lrec.ImproveSeconds = kDefaultImproveSeconds;
  const Mask mask = Mask::FromText(c.maskText);
  SeededRandom random(1);
  Lrec lrec = c.lrec;
  const ScheduleResult result = Schedule(c.input, lrec, random, &mask);
  ASSERT_TRUE(result.improved.has_value());
  const auto file = liga::testing::CheckScheduleFile(FileOf(c, lrec, result), RulesOf(c));
  EXPECT_TRUE(file.faults.empty()) << file.faults.front();
  EXPECT_GT(result.improved->before.placeholderMatches, 400);
  EXPECT_LE(file.placeholderMatches() * 2, result.improved->before.placeholderMatches);
}

TEST(BoundsTest, BreakFloors) {
  EXPECT_EQ(BreakFloor(8, 28), 6);             // single round robin, even
  EXPECT_EQ(BreakFloor(10, 90), 8);            // two rounds: still n - 2
  EXPECT_EQ(BreakFloor(7, 21), 0);             // odd: the rest absorbs every break
  EXPECT_EQ(BreakFloor(8, 27), std::nullopt);  // not a complete round robin
  EXPECT_EQ(BreakFloor(1, 0), std::nullopt);
}

TEST(BoundsTest, CapacityBoundByCountByPeriodAndByTeam) {
  CapacityInput in;
  in.playTimes = {"2016-09-01 10:00", "2016-09-01 14:00", "2016-09-02 10:00"};
  in.perPlayTime = 2;
  in.classes = {{1, 2, 3, 4}};
  for (auto [h, a] : {std::pair{1, 2}, {3, 4}, {1, 3}, {2, 4}, {1, 4}, {2, 3}})
    in.matches.push_back({h, a});
  // Two dates, four teams: at most two matches a date, so two of six go elsewhere.
  EXPECT_EQ(CapacityLowerBound(in), 2);
  // A match per play time and team only: three play times of two matches hold all six.
  in.oneMatchPerDay = false;
  EXPECT_EQ(CapacityLowerBound(in), 0);
  // Team 1 masked on the first date: that date holds one match (teams 2, 3, 4 free).
  in.oneMatchPerDay = true;
  const Mask mask = Mask::FromText("1,2016-09-01\r\n");
  in.mask = &mask;
  EXPECT_EQ(CapacityLowerBound(in), 3);
  // One match per play time: the first date holds one, the second one.
  in.perPlayTime = 1;
  EXPECT_EQ(CapacityLowerBound(in), 4);
  // The bound by team alone: team 1 has one free date for three matches.
  in.mask = nullptr;
  in.perPlayTime = 16;
  in.playTimes = {"2016-09-01 10:00", "2016-09-02 10:00", "2016-09-03 10:00"};
  const Mask onlyOne = Mask::FromText("1,2016-09-01\r\n1,2016-09-02\r\n");
  in.mask = &onlyOne;
  EXPECT_EQ(CapacityLowerBound(in), 2);
}

}  // namespace
}  // namespace liga::scheduling
