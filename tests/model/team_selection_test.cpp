#include "model/team_selection.h"

#include <gtest/gtest.h>

#include "database/tie_order.h"
#include "model/sort_engine.h"
#include "support/db_fixture.h"

namespace liga {
namespace {

class TeamSelectionTest : public testing::DbFixture {
 protected:
  // Sets a team's statistics directly (as a result entry would have computed them).
  void setStats(std::int32_t recNo, int points, int goalsFor, int goalsAgainst, int place = 0) {
    ASSERT_TRUE(m_db.readTeam(recNo));
    m_db.team().setTablePoints(points);
    m_db.team().setGoalsFor(goalsFor);
    m_db.team().setGoalsAgainst(goalsAgainst);
    m_db.team().setPlace(place);
    ASSERT_TRUE(m_db.rewriteTeam(recNo));
  }
  std::vector<std::string> names(const TeamSelection& s) {
    std::vector<std::string> out;
    for (auto recNo : s.selected()) {
      EXPECT_TRUE(m_db.readTeam(recNo));
      out.push_back(m_db.team().teamName());
    }
    return out;
  }
  int place(std::int32_t recNo) {
    EXPECT_TRUE(m_db.readTeam(recNo));
    return m_db.team().place();
  }
  static SelectionRequest request(std::int16_t cls, std::uint8_t kind) {
    SelectionRequest r;
    r.classFilter = cls;
    r.kind = kind;
    return r;
  }
};

TEST_F(TeamSelectionTest, EmptyTeamFileOpensNoWindow) {
  newCompetition("Cup");
  addClass("A");
  TeamSelection s(m_db);
  m_ui.progress.clear();
  EXPECT_EQ(s.select(request(0, kSortClassNumber)), 0);
  EXPECT_TRUE(m_ui.progress.empty());
}

TEST_F(TeamSelectionTest, ClassThenNumberAcrossClasses) {
  newCompetition("Cup");
  const auto u12 = addClass("U12", 2, 1);
  const auto u1 = addClass("U1", 2, 1);
  addTeam("U12-C", u12, 30);
  addTeam("U1-B", u1, 20);
  addTeam("U12-A", u12, 3);
  addTeam("U1-A", u1, 9999);
  TeamSelection s(m_db);
  EXPECT_EQ(s.select(request(0, kSortClassNumber)), 4);
  // Padded class names keep each class together: "U1" before "U12".
  EXPECT_EQ(names(s), (std::vector<std::string>{"U1-B", "U1-A", "U12-A", "U12-C"}));
  EXPECT_EQ(s.select(request(u12, kSortClassNumber)), 2);
  EXPECT_EQ(names(s), (std::vector<std::string>{"U12-A", "U12-C"}));
  EXPECT_EQ(s.select(request(u12, 0)), 2);  // record order
  EXPECT_EQ(names(s), (std::vector<std::string>{"U12-C", "U12-A"}));
}

TEST_F(TeamSelectionTest, RememberedRequestAndStaleIndex) {
  newCompetition("Cup");
  const auto c = addClass("K");
  addTeam("B", c, 2);
  addTeam("A", c, 1);
  TeamSelection s(m_db);
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 2);
  EXPECT_EQ(s.indexBuilds(), 1);
  m_ui.progress.clear();
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 2);
  EXPECT_EQ(s.indexBuilds(), 1);  // nothing re-read
  for (const auto& p : m_ui.progress) EXPECT_EQ(p.find("SortRec"), std::string::npos) << p;

  addTeam("C", c, 0);  // number 3 from the file length
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 3);
  EXPECT_EQ(s.indexBuilds(), 2);
  // The rebuilt list is sorted again, not left in index order.
  EXPECT_EQ(names(s), (std::vector<std::string>{"A", "B", "C"}));

  s.invalidateRequest();
  m_ui.progress.clear();
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 3);
  bool sorted = false;
  for (const auto& p : m_ui.progress) sorted |= p.find("SortRec:   3") != std::string::npos;
  EXPECT_TRUE(sorted);
}

TEST_F(TeamSelectionTest, StandingsPlacesAndLeader) {
  newCompetition("Cup");
  const auto c = addClass("SERIE");
  const auto a = addTeam("A", c), b = addTeam("B", c), cc = addTeam("C", c), d = addTeam("D", c),
             e = addTeam("E", c), f = addTeam("F", c);
  setStats(a, 6, 10, 5);
  setStats(b, 8, 9, 2);
  setStats(cc, 6, 10, 5);  // equal to A: shares its place
  setStats(d, 3, 1, 1);
  setStats(e, kNoResult, 0, 0);  // not computed: unranked
  setStats(f, 7, 0, 0, -4);      // a negative place is kept
  TeamSelection s(m_db);
  EXPECT_EQ(s.select(request(c, kSortStandings)), 6);
  EXPECT_EQ(place(b), 1);
  EXPECT_EQ(place(f), -4);
  // A team with a kept negative place takes no number of its own.
  EXPECT_EQ(place(a), 2);
  EXPECT_EQ(place(cc), 2);
  EXPECT_EQ(place(d), 4);
  EXPECT_EQ(place(e), 999);
  const auto order = s.selected();
  EXPECT_EQ(order.front(), b);
  EXPECT_EQ(order.back(), e);
  ASSERT_TRUE(m_db.readClass(c));
  EXPECT_EQ(m_db.cls().leaderPoints(), 8);
  EXPECT_EQ(m_db.cls().leaderTeamRecNo(), b);
}

TEST_F(TeamSelectionTest, PlacesOneTwoTwoFour) {
  newCompetition("Cup");
  const auto c1 = addClass("A");
  const auto c2 = addClass("B");
  const auto t1 = addTeam("T1", c1), t2 = addTeam("T2", c1), t3 = addTeam("T3", c1),
             t4 = addTeam("T4", c1);
  const auto u1 = addTeam("U1", c2), u2 = addTeam("U2", c2);
  setStats(t1, 9, 5, 0);
  setStats(t2, 4, 3, 3);
  setStats(t3, 4, 4, 4);
  setStats(t4, 1, 0, 9);
  setStats(u1, 2, 0, 0);
  setStats(u2, 5, 0, 0);
  TeamSelection s(m_db);
  EXPECT_EQ(s.select(request(0, kSortStandings)), 6);
  EXPECT_EQ(place(t1), 1);
  EXPECT_EQ(place(t2), 2);
  EXPECT_EQ(place(t3), 2);
  EXPECT_EQ(place(t4), 4);
  EXPECT_EQ(place(u2), 1);  // numbering restarts in each class
  EXPECT_EQ(place(u1), 2);
  ASSERT_TRUE(m_db.readClass(c2));
  EXPECT_EQ(m_db.cls().leaderTeamRecNo(), u2);
}

TEST_F(TeamSelectionTest, SortRefusalKeepsIndexOrder) {
  newCompetition("Cup");
  const auto c = addClass("K");
  addTeam("B", c, 2);
  addTeam("A", c, 1);
  for (int i = 0; i < kMaxActiveSorts; ++i) ASSERT_TRUE(BeginSort(1));
  TeamSelection s(m_db);
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 2);
  EXPECT_EQ(m_ui.lastText(), "Minnet fullt inf\xF6r sortering..dela upp i flera baser");
  EXPECT_EQ(names(s), (std::vector<std::string>{"B", "A"}));
  for (int i = 0; i < kMaxActiveSorts; ++i) EndSort();
  // The refused request is not remembered: asking again sorts.
  EXPECT_EQ(s.select(request(c, kSortClassNumber)), 2);
  EXPECT_EQ(names(s), (std::vector<std::string>{"A", "B"}));
}

TEST(TeamSortKeys, Layout) {
  TeamRec t;
  t.setTablePoints(12);
  t.setGoalsFor(10);
  t.setGoalsAgainst(4);
  t.setTeamNumber(7);
  EXPECT_EQ(TeamSortKey(kSortStandings, t, 3, "U12"),
            std::string("U12") + std::string(19, ' ') + "0" + "09986" + "065529");
  EXPECT_EQ(TeamSortKey(kSortClassNumber, t, 3, "U12"), "U12" + std::string(33, ' ') + "0007");
  EXPECT_EQ(TeamSortKey(1, t, 3, "U12"), "0003");
  t.setTablePoints(9999);
  EXPECT_EQ(TeamSortKey(kSortStandings, t, 3, "U12").substr(22), "1" + std::string(11, '0'));
  EXPECT_LE(TeamSortKey(kSortStandings, t, 3, std::string(22, 'X')).size(), kMaxSortKey);
}

// The standings key orders as the table rule does over the whole range of the record's
// fields: negative points (a penalty in the opening points) below every positive score,
// 1000 points and more above 999, goal differences beyond 5000.
TEST(TeamSortKeys, StandingsKeysFollowTheTableRule) {
  struct Score {
    int points, goalsFor, goalsAgainst;
  };
  const std::vector<Score> scores = {{9998, 0, 0}, {1200, 0, 0},   {999, 7000, 0}, {999, 0, 0},
                                     {3, 0, 0},    {0, 30000, 0},  {0, 0, 0},      {0, 0, 30000},
                                     {-5, 0, 0},   {-32768, 0, 0}, {10001, 0, 0}};
  std::vector<std::string> keys;
  for (const Score& sc : scores) {
    TeamRec t;
    t.setTablePoints(sc.points);
    t.setGoalsFor(sc.goalsFor);
    t.setGoalsAgainst(sc.goalsAgainst);
    keys.push_back(TeamSortKey(kSortStandings, t, 1, "A"));
  }
  for (std::size_t i = 0; i + 1 < keys.size(); ++i)
    EXPECT_LT(keys[i], keys[i + 1]) << scores[i].points << " before " << scores[i + 1].points;
}

// Places come from the same rule as the order: a team with 1000 goals more on fewer
// points does not share the place of a team with more points.
TEST_F(TeamSelectionTest, PlacesFollowTheOrderForEveryScore) {
  newCompetition("Cup");
  const auto c = addClass("K");
  const auto penalised = addTeam("STRAFFAD", c, 1);
  const auto big = addTeam("STOR", c, 2);
  const auto three = addTeam("TRE", c, 3);
  auto set = [&](std::int32_t recNo, int points, int goalsFor) {
    ASSERT_TRUE(m_db.readTeam(recNo));
    m_db.team().setTablePoints(points);
    m_db.team().setGoalsFor(goalsFor);
    m_db.team().setGoalsAgainst(0);
    ASSERT_TRUE(m_db.rewriteTeam(recNo));
  };
  set(penalised, -2, 0);
  set(big, 2, 1000);  // 2 * 1000 + 499 - 1000 = 1499 = 1 * 1000 + 499 - 0
  set(three, 1, 0);
  TeamSelection s(m_db);
  ASSERT_EQ(s.select(request(c, kSortStandings)), 3);
  EXPECT_EQ(names(s), (std::vector<std::string>{"STOR", "TRE", "STRAFFAD"}));
  std::vector<int> places;
  for (const auto recNo : {big, three, penalised}) {
    ASSERT_TRUE(m_db.readTeam(recNo));
    places.push_back(m_db.team().place());
  }
  EXPECT_EQ(places, (std::vector<int>{1, 2, 3}));
}

// A class with a tie order of its own is ordered by it from the stored matches; a partial
// result (one score only) counts nowhere; the places and notes follow.
TEST_F(TeamSelectionTest, TieOrderOfAClassOrdersItsTableFromTheStoredMatches) {
  const int k = newCompetition("Cup");
  const auto cls = addClass("A");
  const auto other = addClass("B");
  const auto a = addTeam("ALFA", cls, 1), b = addTeam("BETA", cls, 2), c = addTeam("CESAR", cls, 3),
             d = addTeam("DELTA", cls, 4);
  const auto x = addTeam("XRAY", other, 11), y = addTeam("YANKEE", other, 12);
  const auto pt = addPlayTime("2027-04-10 10:00");
  addMatch(pt, a, b, 3, 0);
  addMatch(pt, c, a, 2, 1);
  addMatch(pt, b, c, 2, 0);
  addMatch(pt, c, b, 5, kNoResult);  // partial: ignored
  addMatch(pt, x, y, 1, 1);
  TieOrders orders;
  orders.set("A", *ParseTieOrder("inbördes"));
  ASSERT_TRUE(orders.save(m_db.dataDir(), k));

  TeamSelection s(m_db);
  s.select(request(0, kSortStandings));
  EXPECT_EQ(names(s),
            (std::vector<std::string>{"ALFA", "BETA", "CESAR", "DELTA", "XRAY", "YANKEE"}));
  EXPECT_EQ(place(a), 1);
  EXPECT_EQ(place(b), 2);
  EXPECT_EQ(place(c), 3);
  EXPECT_EQ(place(d), 999);
  EXPECT_EQ(place(x), 1);  // the class without a tie order shares the place as before
  EXPECT_EQ(place(y), 1);
  ASSERT_EQ(s.tieNotes().size(), 2u);
  EXPECT_EQ(s.tieNotes()[0].ahead, a);
  EXPECT_EQ(s.tieNotes()[0].reason, "inbördes möte 2–2 p, målskillnad +2 mot -1");
  EXPECT_EQ(s.tieNotes()[1].ahead, b);
  EXPECT_EQ(s.tieNotes()[1].reason, "inbördes möte 2–0 p");
}

}  // namespace
}  // namespace liga
