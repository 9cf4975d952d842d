#include "scheduling/sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "common/progress.h"
#include "common/recording_ui.h"
#include "fixtures.h"

namespace liga::scheduling {
namespace {

using testing::ClassShape;
using testing::MakeInput;
using testing::MakeLrec;

// A sequence of the given slots, in this order, as the generation leaves it.
Sequence SequenceOf(const std::vector<int>& slots) {
  Sequence s;
  int serial = 0;
  for (int slot : slots) s.entries.push_back({slot, 0, 0, ++serial, false});
  return s;
}

std::vector<int> SlotsOf(const Sequence& s) {
  std::vector<int> out;
  for (const auto& e : s.entries) out.push_back(e.slot);
  return out;
}

TEST(RoundHalfEvenTest, Table) {
  const std::pair<double, long> cases[] = {{2.5, 2}, {5.5, 6}, {0.5, 0}, {1.5, 2}, {-0.5, 0},
                                           {1.0, 1}, {2.4, 2}, {2.6, 3}, {7.0, 7}, {-1.5, -2}};
  for (auto [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(OrderSequenceTest, LargerClassSpreadFirstSmallerFillsTheGaps) {
  Sequence s = SequenceOf({0, 0, 0, 0, 0, 0, 1, 1, 1});
  SeededRandom random(1);
  OrderSequence(s, random);
  EXPECT_EQ(SlotsOf(s), (std::vector<int>{0, 0, 1, 0, 1, 0, 0, 0, 1}));
}

TEST(OrderSequenceTest, TwoEqualClassesAlternateStrictly) {
  for (std::uint64_t seed = 0; seed < 40; ++seed) {
    Sequence s = SequenceOf({0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1});
    SeededRandom random(seed);
    OrderSequence(s, random);
    auto slots = SlotsOf(s);
    for (std::size_t i = 1; i < slots.size(); ++i) {
      ASSERT_NE(slots[i], slots[i - 1]) << "seed " << seed;
    }
  }
}

TEST(OrderSequenceTest, IsAPermutationAndSpreadsEveryClass) {
  // Shapes with groups of equal and of different sizes.
  const std::vector<std::vector<int>> shapes = {
      {45, 45, 10, 3}, {120, 120, 120, 120, 90}, {6, 1}, {28, 28, 28, 15, 15, 6, 6, 6, 1, 1}};
  for (const auto& counts : shapes) {
    for (std::uint64_t seed = 0; seed < 25; ++seed) {
      std::vector<int> slots;
      for (std::size_t c = 0; c < counts.size(); ++c) slots.insert(slots.end(), counts[c], c);
      Sequence s = SequenceOf(slots);
      SeededRandom random(seed);
      OrderSequence(s, random);
      std::set<int> serials;
      for (const auto& e : s.entries) serials.insert(e.serial);
      ASSERT_EQ(serials.size(), slots.size());
      auto ordered = SlotsOf(s);
      std::vector<int> sorted = ordered;
      std::sort(sorted.begin(), sorted.end());
      ASSERT_EQ(sorted, slots);
      // The largest class takes evenly spread turns: in any window of G/count + 1
      // consecutive positions (cyclically, because of the rotation) it has a turn.
      const int g = static_cast<int>(ordered.size());
      const int window = g / counts[0] + 1;
      for (int start = 0; start < g; ++start) {
        bool found = false;
        for (int i = 0; i < window && !found; ++i) found = ordered[(start + i) % g] == 0;
        ASSERT_TRUE(found) << "seed " << seed << " start " << start;
      }
    }
  }
}

TEST(OrderSequenceTest, SameSeedSameOrder) {
  std::vector<int> slots;
  for (int c = 0; c < 4; ++c) slots.insert(slots.end(), 12, c);
  Sequence a = SequenceOf(slots), b = SequenceOf(slots);
  SeededRandom ra(99), rb(99);
  OrderSequence(a, ra);
  OrderSequence(b, rb);
  EXPECT_EQ(SlotsOf(a), SlotsOf(b));
}

TEST(GenerateSequenceTest, TeamIndexOneIsTheLowestNumber) {
  ScheduleInput input = MakeInput({{4, 1, 7}}, {});
  input.Classes[0].Teams = {{12, "0012"}, {7, "0007"}, {30, "0030"}, {9, "0009"}};
  Lrec lrec = MakeLrec(input, {});
  Sequence s;
  ASSERT_EQ(GenerateSequence(input, lrec, s), 6);
  EXPECT_EQ(s.SerieLnr[0][1], 7);
  EXPECT_EQ(s.SerieLnr[0][2], 9);
  EXPECT_EQ(s.SerieLnr[0][3], 12);
  EXPECT_EQ(s.SerieLnr[0][4], 30);
  EXPECT_EQ(s.entries[0].home, 7);  // 1-2
  EXPECT_EQ(s.entries[0].away, 9);
  EXPECT_EQ(s.entries[1].home, 12);  // 3-4
  EXPECT_EQ(s.entries[1].away, 30);
}

TEST(GenerateSequenceTest, ClassWithMoreTeamRecordsThanAllowedIsSkipped) {
  RecordingUi ui;
  ScopedUi scope(ui);
  ScheduleInput input = MakeInput({{16, 1, 1, "A"}, {3, 2, 101, "B"}}, {});
  input.Classes[0].Teams.push_back({17, "0017"});  // 17 records, TeamCount 16
  Lrec lrec = MakeLrec(input, {});
  Sequence s;
  EXPECT_EQ(GenerateSequence(input, lrec, s), 6);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(ui.shown[0].text, "antalet i klassen \"A\" \xF6verskrider maxantalet  16");
  for (const auto& e : s.entries) EXPECT_EQ(e.slot, 1);
  EXPECT_EQ(s.teams[0], 0);
  EXPECT_EQ(s.teams[1], 3);
}

TEST(GenerateSequenceTest, ClassesWithOneTeamOrNoneContributeNothing) {
  ScheduleInput input = MakeInput({{1, 2, 1}, {0, 2, 10}, {2, 3, 20}}, {});
  Lrec lrec = MakeLrec(input, {});
  Sequence s;
  EXPECT_EQ(GenerateSequence(input, lrec, s), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.entries[i].serial, i + 1);
}

TEST(GenerateSequenceTest, ProgressLines) {
  RecordingUi ui;
  ScopedUi scope(ui);
  ScheduleInput input = MakeInput({{2, 1, 5, "A"}}, {});
  Lrec lrec = MakeLrec(input, {});
  ASSERT_TRUE(OpenProgress("t"));
  ui.progress.clear();
  Sequence s;
  GenerateSequence(input, lrec, s);
  CloseProgress();
  std::vector<std::string> want = {"row 0 1 Klasser antal: 1 [ 1]",
                                   "row 0 2 \"0005\" Antal lag i klassen:   1 [   2]",
                                   "row 0 2 \"0006\" Antal lag i klassen:   2 [   2]",
                                   "row 0 3 Matcher i klassen antal:   1 [   1]",
                                   "row 0 4 Matcher totalt antal:   1 [   1]",
                                   "row 0 5 Matchm\xF6te: \"0005\"-\"0006",
                                   "close 0"};
  EXPECT_EQ(ui.progress, want);
}

}  // namespace
}  // namespace liga::scheduling
