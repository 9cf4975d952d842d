// Tie orders: the words an organiser writes, the file that keeps them, and the standard
// hard cases of head-to-head, each with its table worked out by hand.
#include "model/standings_order.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "database/tie_order.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

using R = TieRule;

TieOrder orderOf(std::string_view list) {
  std::string error;
  const auto order = ParseTieOrder(list, &error);
  EXPECT_TRUE(order.has_value()) << list << ": " << error;
  return order.value_or(TieOrder{});
}

std::string parseError(std::string_view list) {
  std::string error;
  EXPECT_FALSE(ParseTieOrder(list, &error).has_value()) << list;
  return error;
}

TEST(TieOrderTest, WordsInEitherSpellingAndPointsAlwaysFirst) {
  EXPECT_EQ(orderOf("poäng,målskillnad").rules, (std::vector{R::Points, R::GoalDifference}));
  EXPECT_TRUE(orderOf("poäng,målskillnad").isDefault());
  EXPECT_EQ(orderOf("poang, inbordes ,bortamal,lagnummer").rules,
            (std::vector{R::Points, R::HeadToHead, R::AwayGoals, R::TeamNumber}));
  // The same words as the window's code page writes them.
  EXPECT_EQ(orderOf("po\xE4ng,m\xE5lskillnad,inb\xF6rdes").rules,
            (std::vector{R::Points, R::GoalDifference, R::HeadToHead}));
  EXPECT_EQ(orderOf("inbördes,gjorda,vunna,lottning").rules,
            (std::vector{R::Points, R::HeadToHead, R::GoalsFor, R::Wins, R::Draw}));
  EXPECT_EQ(TieOrderText(orderOf("INBÖRDES,lottning")), "poäng,inbördes,lottning");
}

TEST(TieOrderTest, FaultyListsAreRefusedWithTheReason) {
  EXPECT_NE(parseError("poäng,måltal").find("okänt ord 'måltal'"), std::string::npos);
  EXPECT_NE(parseError("inbördes,inbördes").find("två gånger"), std::string::npos);
  EXPECT_NE(parseError("lottning,gjorda").find("lottning kan bara stå sist"), std::string::npos);
  EXPECT_NE(parseError("lagnummer,lottning").find("sist"), std::string::npos);
  EXPECT_NE(parseError("gjorda,poäng").find("först"), std::string::npos);
  EXPECT_NE(parseError("poäng,,gjorda").find("tom plats"), std::string::npos);
  EXPECT_NE(parseError("").find("tom plats"), std::string::npos);
}

TEST(TieOrderTest, FileKeepsNonDefaultOrdersByClassInTheWindowsCodePage) {
  testing::TempDir dir("tie_order");
  TieOrders orders;
  orders.set("HERRAR=DIV 4", orderOf("inbördes,lottning"));
  orders.set("DAMER", TieOrder{});
  ASSERT_TRUE(orders.save(dir.path().string(), 3));
  const std::string file = (dir.path() / "ordning03.TXT").string();
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, "HERRAR=DIV 4=po\xE4ng,inb\xF6rdes,lottning\r\n");

  const TieOrders back = TieOrders::Load(dir.path().string(), 3);
  EXPECT_EQ(back.get("HERRAR=DIV 4").rules, (std::vector{R::Points, R::HeadToHead, R::Draw}));
  EXPECT_TRUE(back.get("DAMER").isDefault());
  EXPECT_TRUE(TieOrders::Load(dir.path().string(), 4).empty());

  TieOrders moved = back;
  moved.rename("HERRAR=DIV 4", "HERRAR");
  EXPECT_EQ(moved.get("HERRAR").rules, (std::vector{R::Points, R::HeadToHead, R::Draw}));
  moved.remove("HERRAR");
  ASSERT_TRUE(moved.save(dir.path().string(), 3));
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(TieOrderTest, ExportCommentLinesReadBack) {
  TieOrders orders;
  orders.set("A-KLASS", orderOf("gjorda,lagnummer"));
  const auto lines = orders.commentLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "; tabellordning A-KLASS=po\xE4ng,gjorda,lagnummer");
  TieOrders back;
  EXPECT_FALSE(back.readCommentLine("; DEMOSERIEN 2027-01-01 10:00:00"));
  EXPECT_TRUE(back.readCommentLine(lines[0]));
  EXPECT_EQ(back.get("A-KLASS"), orders.get("A-KLASS"));
}

// A class of teams numbered 1.. with their overall figures and the matches between them.
class RankTest : public ::testing::Test {
 protected:
  void team(int number, int points, int goalsFor, int goalsAgainst, int wins = 0,
            int awayGoals = 0) {
    m_in.teams.push_back({number * 10, number, points, goalsFor, goalsAgainst, wins, awayGoals});
  }
  void match(int home, int away, int homeScore, int awayScore) {
    m_in.matches.push_back({home * 10, away * 10, homeScore, awayScore});
  }
  // The team numbers in table order, and "place:number" pairs.
  std::vector<int> rank(std::string_view order) {
    m_in.order = orderOf(order);
    m_result = RankStandings(m_in);
    std::vector<int> numbers;
    for (std::int32_t rec : m_result.order) numbers.push_back(rec / 10);
    return numbers;
  }
  std::vector<std::string> notes() const {
    std::vector<std::string> out;
    for (const TieNote& n : m_result.notes)
      out.push_back(TieNoteLine(std::to_string(n.ahead / 10), std::to_string(n.behind / 10), n));
    return out;
  }

  StandingsInput m_in;
  RankedStandings m_result;
};

TEST_F(RankTest, DefaultOrderSharesPlacesOnEqualPointsAndGoalDifference) {
  team(1, 4, 5, 5);
  team(2, 6, 3, 1);
  team(3, 4, 4, 4);
  team(4, 2, 1, 3);
  EXPECT_EQ(rank("poäng,målskillnad"), (std::vector{2, 1, 3, 4}));
  EXPECT_EQ(m_result.places, (std::vector{1, 2, 2, 4}));
  EXPECT_TRUE(m_result.notes.empty());
}

TEST_F(RankTest, CircleOfWinsIsNotSplitByHeadToHeadAndGoesOnToTheNextRule) {
  team(1, 2, 1, 1);
  team(2, 2, 1, 1);
  team(3, 2, 1, 1);
  match(1, 2, 1, 0);
  match(2, 3, 1, 0);
  match(3, 1, 1, 0);
  EXPECT_EQ(rank("poäng,inbördes,lagnummer"), (std::vector{1, 2, 3}));
  EXPECT_EQ(m_result.places, (std::vector{1, 2, 3}));
  EXPECT_EQ(notes(),
            (std::vector<std::string>{"1 före 2: lagnummer 1–2", "2 före 3: lagnummer 2–3"}));
  // Without a rule for the full tie the three share first place.
  EXPECT_EQ(rank("poäng,inbördes"), (std::vector{1, 2, 3}));
  EXPECT_EQ(m_result.places, (std::vector{1, 1, 1}));
}

TEST_F(RankTest, ThreeWayTieSplitIntoOneAndAPairThatIsComparedAgain) {
  // Among the three: 1-2 3-0, 3-1 2-1, 2-3 2-0. Each has 2 points; team 1 has goal
  // difference +2, teams 2 and 3 have -1 with 2 goals each, so the three-team table puts 1
  // first and leaves 2 and 3 level. Their own match (2-0) then puts 2 before 3.
  team(1, 2, 4, 2);
  team(2, 2, 2, 3);
  team(3, 2, 2, 3);
  team(4, 0, 0, 0);
  match(1, 2, 3, 0);
  match(3, 1, 2, 1);
  match(2, 3, 2, 0);
  EXPECT_EQ(rank("poäng,inbördes"), (std::vector{1, 2, 3, 4}));
  EXPECT_EQ(m_result.places, (std::vector{1, 2, 3, 4}));
  EXPECT_EQ(notes(), (std::vector<std::string>{
                         "1 före 2: inbördes möte 2–2 p, målskillnad +2 mot -1",
                         "2 före 3: inbördes möte 2–0 p",
                     }));
  // Goal difference first decides 1 alone, and head-to-head the pair.
  EXPECT_EQ(rank("poäng,målskillnad,inbördes"), (std::vector{1, 2, 3, 4}));
  EXPECT_EQ(notes(), (std::vector<std::string>{"2 före 3: inbördes möte 2–0 p"}));
}

TEST_F(RankTest, TeamsThatHaveNotMetGoOnToTheNextRule) {
  team(1, 3, 3, 3, 1);
  team(2, 3, 5, 5, 1);
  match(1, 9, 2, 0);  // a match against a team outside the tie does not count
  EXPECT_EQ(rank("poäng,inbördes,gjorda"), (std::vector{2, 1}));
  EXPECT_EQ(notes(), (std::vector<std::string>{"2 före 1: gjorda mål 5–3"}));
}

TEST_F(RankTest, ValueRulesAndTheSeededDraw) {
  team(1, 4, 6, 6, 1, 2);
  team(2, 4, 6, 6, 2, 1);
  team(3, 4, 6, 6, 2, 3);
  EXPECT_EQ(rank("poäng,vunna,bortamål"), (std::vector{3, 2, 1}));
  EXPECT_EQ(notes(),
            (std::vector<std::string>{"3 före 2: bortamål 3–1", "2 före 1: vunna matcher 2–1"}));
  m_in.drawSeed = "DEMOSERIEN/HERRAR";
  const std::vector<int> drawn = rank("poäng,lottning");
  EXPECT_EQ(rank("poäng,lottning"), drawn);  // the same draw every time
  EXPECT_EQ(m_result.places, (std::vector{1, 2, 3}));
  EXPECT_EQ(notes().size(), 2u);
  EXPECT_NE(notes()[0].find(": lottning"), std::string::npos);
}

TEST_F(RankTest, UnrankedTeamsComeLastWithPlace999) {
  team(1, 10001, 0, 0);
  team(2, 2, 1, 0);
  team(3, 2, 1, 0);
  EXPECT_EQ(rank("poäng,lagnummer"), (std::vector{2, 3, 1}));
  EXPECT_EQ(m_result.places, (std::vector{1, 2, 999}));
}

}  // namespace
}  // namespace liga
