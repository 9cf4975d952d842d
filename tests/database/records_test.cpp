// Records written through the accessors must equal records assembled here byte by byte
// from the offset tables of the on-disk format.
#include "database/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace liga {
namespace {

// Independent byte assembly: little-endian integers and length-prefixed strings.
class Bytes {
 public:
  explicit Bytes(std::size_t n) : m_b(n, 0) {}
  Bytes& i16(std::size_t off, int v) {
    m_b[off] = static_cast<std::uint8_t>(v & 0xFF);
    m_b[off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    return *this;
  }
  Bytes& i32(std::size_t off, std::int32_t v) {
    for (int i = 0; i < 4; ++i) m_b[off + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    return *this;
  }
  Bytes& u8(std::size_t off, int v) {
    m_b[off] = static_cast<std::uint8_t>(v);
    return *this;
  }
  Bytes& str(std::size_t off, std::string_view s) {
    m_b[off] = static_cast<std::uint8_t>(s.size());
    std::memcpy(&m_b[off + 1], s.data(), s.size());
    return *this;
  }
  Bytes& raw(std::size_t off, std::string_view s) {
    std::memcpy(&m_b[off], s.data(), s.size());
    return *this;
  }
  const std::vector<std::uint8_t>& bytes() const { return m_b; }

 private:
  std::vector<std::uint8_t> m_b;
};

template <typename Rec>
std::vector<std::uint8_t> bytesOf(const Rec& r) {
  return std::vector<std::uint8_t>(r.data(), r.data() + Rec::kSize);
}

TEST(RecordSizes, MatchTheFileFormat) {
  EXPECT_EQ(CompetitionRec::kSize, 2233u);
  EXPECT_EQ(DivisionRec::kSize, 562u);
  EXPECT_EQ(TeamRec::kSize, 11665u);
  EXPECT_EQ(PlayTimeRec::kSize, 863u);
  EXPECT_EQ(ContactRow::kSize, 189u);
  EXPECT_EQ(TeamMatchEntry::kSize, 14u);
  EXPECT_EQ(MatchEntry::kSize, 14u);
  // The match list ends where the opening values begin.
  EXPECT_EQ(TeamRec::matchOffset(TeamRec::kMaxMatches + 1), 11147u);
  EXPECT_EQ(PlayTimeRec::matchOffset(PlayTimeRec::kMaxRows + 1), 351u);
}

TEST(CompetitionRecLayout, EveryFieldAtItsOffset) {
  CompetitionRec r;
  r.setCompetitionNumber("07");
  r.setOrganiser("SK Lejon");
  r.setCompetitionName("Vintercupen");
  r.setLastMatchNumber(321);
  r.setTotalTeams(42);
  r.setDefaultRounds(3);
  r.setTotalMatches(-2);
  r.setTotalOpenMatches(0x1234);
  r.setSportType("Innebandy");
  r.setContact(0, 0, "A");
  r.setContact(3, 4, "Z");
  r.setContact(1, 2, "mid");
  r.setScheduled(true);
  r.setGiroType(4);
  r.setAmountFilled(true);
  r.setTitleCaseNames(true);
  r.setBackupDir("/tmp/backup");
  r.setPostgiroNumber("123456-6");
  r.setBankgiroNumber("5555-5555");
  r.setPayee("Kassan");
  r.setFee(750);
  r.setFeePerMatch(true);

  Bytes b(2233);
  b.str(4, "07").str(7, "SK Lejon").str(48, "Vintercupen").i16(89, 321).i16(91, 42);
  b.i16(93, 3).i16(95, -2).i16(97, 0x1234).str(99, "Innebandy");
  b.str(130, "A").str(130 + 3 * 115 + 4 * 23, "Z").str(130 + 115 + 2 * 23, "mid");
  b.u8(590, 1).u8(591, 4).u8(592, 1).u8(593, 1).raw(594, "/tmp/backup");
  b.str(1619, "123456-6").str(1652, "5555-5555").str(1685, "Kassan").i16(1718, 750);
  b.u8(1720, 1);
  EXPECT_EQ(bytesOf(r), b.bytes());
  EXPECT_EQ(r.contact(1, 2), "mid");
  EXPECT_EQ(r.backupDir(), "/tmp/backup");
}

TEST(DivisionRecLayout, EveryFieldAtItsOffset) {
  DivisionRec r;
  r.setClassNumber("03");
  r.setClassName("\xC5SA U12");
  r.setLeaderPoints(17);
  r.setLeaderTeamRecNo(70000);
  r.setFirstTeamNumber(101);
  r.setTeamCount(4);
  r.setRounds(2);
  r.setMatchCount(12);
  r.setOpenMatches(11);
  r.setWinPoints(3);
  r.setDrawPoints(1);
  Bytes b(562);
  b.str(4, "03").str(7, "\xC5SA U12").i16(30, 17).i32(32, 70000).i16(36, 101).i16(38, 4);
  b.i16(40, 2).i16(42, 12).i16(44, 11).i16(46, 3).i16(48, 1);
  EXPECT_EQ(bytesOf(r), b.bytes());
}

TEST(TeamRecLayout, EveryFieldAtItsOffset) {
  TeamRec r;
  r.setTeamName("IFK NORRBY");
  r.setDivisionRecNo(3);
  r.setNumberAndKey(12);
  r.setTeamRecNo(9);
  r.setPlace(-1);
  r.setPlayed(5);
  r.setGoalsAgainst(6);
  r.setGoalsFor(7);
  r.setWonCount(2);
  r.setLostCount(1);
  r.setDrawnCount(2);
  r.setTablePoints(8);
  r.setRanking(4);
  ContactRow leader;
  leader.setName("ANNA");
  leader.setStreet("Gatan 1");
  leader.setTown("Norrby");
  leader.setAddress4("a4");
  leader.setAddress5("a5");
  leader.setEmail("anna@example.org");
  r.setContactRow(0, leader);
  ContactRow last;
  last.setName("OLLE");
  last.setRowNumber(22);
  r.setContactRow(22, last);
  TeamMatchEntry e;
  e.setMatchNumber(77);
  e.setOpponentRecNo(-5);
  e.setPlayTimeRecNo(40000);
  e.setOwnScore(3);
  e.setOpponentScore(kNoResult);
  r.setMatch(480, e);
  r.setTeamMatchCount(480);
  r.setOpeningGoalsAgainst(10);
  r.setOpeningGoalsFor(11);
  r.setOpeningPoints(12);

  Bytes b(11665);
  b.str(4, "IFK NORRBY").i32(35, 3).str(39, "0012").i16(44, 9).i16(46, 12).i16(48, -1);
  b.i16(50, 5).i16(52, 6).i16(54, 7).i16(56, 2).i16(58, 1).i16(60, 2).i16(62, 8).i16(64, 4);
  b.str(66, "ANNA").str(66 + 23, "Gatan 1").str(66 + 46, "Norrby").str(66 + 69, "a4");
  b.str(66 + 92, "a5").str(66 + 115, "anna@example.org");
  b.str(66 + 22 * 189, "OLLE").i16(66 + 22 * 189 + 179, 22);
  const std::size_t m = 4413 + 480 * 14;
  b.i16(m, 77).i32(m + 2, -5).i32(m + 6, 40000).i16(m + 10, 3).i16(m + 12, 10001);
  b.i32(4415, 480).i16(11147, 10).i16(11149, 11).i16(11151, 12);
  EXPECT_EQ(bytesOf(r), b.bytes());
  EXPECT_EQ(r.match(480).opponentRecNo(), -5);
  EXPECT_EQ(r.contactRow(0).email(), "anna@example.org");
}

TEST(PlayTimeRecLayout, EveryFieldAtItsOffset) {
  PlayTimeRec r;
  r.setPlayTimeNumber(14);
  r.setPlayTime("2026-03-01 10:00");
  r.setPlayTimeText("Hall B");
  r.setGameLeader("Domare Berg");
  MatchEntry e;
  e.setMatchNumber(5);
  e.setHomeTeamRecNo(2);
  e.setAwayTeamRecNo(3);
  e.setHomeScore(4);
  e.setAwayScore(0);
  r.setMatch(16, e);
  r.setUsedRows(16);
  Bytes b(863);
  b.i16(4, 14).str(6, "2026-03-01 10:00").str(23, "Hall B").str(56, "Domare Berg");
  const std::size_t m = 113 + 16 * 14;
  b.i16(m, 5).i32(m + 2, 2).i32(m + 6, 3).i16(m + 10, 4).i16(m + 12, 0).i16(113, 16);
  EXPECT_EQ(bytesOf(r), b.bytes());
}

TEST(ContactRowUse, AnyOfTheFourAddressFieldsBlanksIncluded) {
  EXPECT_FALSE(ContactRow().used());
  ContactRow mailOnly;
  mailOnly.setEmail("a@example.org");
  mailOnly.setAddress5("fifth");
  mailOnly.setRowNumber(3);
  EXPECT_FALSE(mailOnly.used());
  for (int field = 0; field < 4; ++field) {
    ContactRow r;
    // A text of blanks is a text: the row was entered or imported that way.
    const std::string blanks = "  ";
    if (field == 0) r.setName(blanks);
    if (field == 1) r.setStreet(blanks);
    if (field == 2) r.setTown(blanks);
    if (field == 3) r.setAddress4(blanks);
    EXPECT_TRUE(r.used()) << "field " << field;
  }
}

TEST(StringFields, CutToCapacity) {
  DivisionRec r;
  r.setClassName(std::string(30, 'A'));
  EXPECT_EQ(r.className(), std::string(22, 'A'));
  EXPECT_EQ(r.u8(7), 22);
  r.setClassName("B");
  EXPECT_EQ(r.u8(7), 1);
  EXPECT_EQ(r.className(), "B");
  EXPECT_EQ(r.u8(30), 0);  // nothing beyond the field is touched
  r.setU8(7, 200);         // a damaged length byte reads as the capacity
  EXPECT_EQ(r.className().size(), 22u);
}

TEST(UnknownBytes, SurviveEveryAccessor) {
  TeamRec r;
  for (std::size_t i = 0; i < TeamRec::kSize; ++i) r.setU8(i, static_cast<std::uint8_t>(i * 7));
  const TeamRec original = r;
  r.setContactRow(5, r.contactRow(5));
  r.setMatch(3, r.match(3));
  r.setTeamName(r.teamName());
  r.setTablePoints(r.tablePoints());
  EXPECT_EQ(r, original);
  // Bytes past the opening values are not named by any field.
  r.setOpeningPoints(1);
  EXPECT_EQ(r.u8(11153), original.u8(11153));
  EXPECT_EQ(r.u8(11664), original.u8(11664));
}

TEST(NewRecords, Defaults) {
  const CompetitionRec c = CompetitionRec::makeNew(4);
  EXPECT_EQ(c.competitionNumber(), "04");
  EXPECT_EQ(c.defaultRounds(), 2);
  EXPECT_TRUE(c.titleCaseNames());
  EXPECT_EQ(c.fee(), 600);
  EXPECT_FALSE(c.feePerMatch());
  EXPECT_EQ(c.postgiroNumber().size(), 8u);
  EXPECT_EQ(c.payee().size(), 12u);
  EXPECT_EQ(c.backupDir(), "");

  const DivisionRec d = DivisionRec::makeNew(3, 4);
  Bytes db(562);
  db.str(4, "03").str(7, "XXX").i16(30, 9999).i16(36, 1).i16(40, 4).i16(46, 2).i16(48, 1);
  EXPECT_EQ(bytesOf(d), db.bytes());

  const TeamRec t = TeamRec::makeNew(5, 101);
  Bytes tb(11665);
  tb.str(4, "\x99\x99\x99").str(39, "0105").i16(46, 105).i16(62, 10001);
  for (int row = 1; row <= 22; ++row) tb.i16(66 + row * 189 + 179, row);
  for (int e = 0; e <= 480; ++e) tb.i16(4413 + e * 14 + 10, 10001).i16(4413 + e * 14 + 12, 10001);
  EXPECT_EQ(bytesOf(t), tb.bytes());

  const PlayTimeRec p = PlayTimeRec::makeNew(8, "2026-12-08 22:30:15");
  Bytes pb(863);
  pb.i16(4, 8).str(6, "2026-12-08 22:30");
  for (int e = 0; e <= 16; ++e) pb.i16(113 + e * 14 + 10, 10001).i16(113 + e * 14 + 12, 10001);
  EXPECT_EQ(bytesOf(p), pb.bytes());
}

TEST(DosTexts, ConvertedFieldByField) {
  TeamRec t;
  t.setTeamName("G\x94teborg");  // ö in code page 850
  ContactRow row = t.contactRow(7);
  row.setTown("V\x84xj\x94");    // Växjö
  row.setEmail("\x86sa@ex.se");  // åsa
  t.setContactRow(7, row);
  t.setTeamNumberKey("0012");
  t.setTablePoints(0x94);  // not a text: must stay
  t.convertDosTexts();
  EXPECT_EQ(t.teamName(), "G\xF6teborg");
  EXPECT_EQ(t.contactRow(7).town(), "V\xE4xj\xF6");
  EXPECT_EQ(t.contactRow(7).email(), "\xE5sa@ex.se");
  EXPECT_EQ(t.tablePoints(), 0x94);

  CompetitionRec c;
  c.setCompetitionName(
      "\x8E"
      "lvsj\x94");
  c.setContact(2, 3,
               "\x8F"
               "ke");
  c.setPayee("Windows \xF6 stays");
  c.convertDosTexts();
  EXPECT_EQ(c.competitionName(), "\xC4lvsj\xF6");
  EXPECT_EQ(c.contact(2, 3), "\xC5ke");
  EXPECT_EQ(c.payee(), "Windows \xF6 stays");

  PlayTimeRec p;
  p.setGameLeader("Bj\x94rn");
  p.convertDosTexts();
  EXPECT_EQ(p.gameLeader(), "Bj\xF6rn");
}

TEST(FileBlockNames, TwoDigitCompetitionNumber) {
  EXPECT_EQ(ClassBlockName("/d", 7), "/d/klass07");
  EXPECT_EQ(ClassBlockName("/d/", 10), "/d/klass10");
  EXPECT_EQ(TeamBlockName("/d", 3), "/d/lg03");
  EXPECT_EQ(PlayTimeBlockName("/d", 3), "/d/game03");
  EXPECT_EQ(CatalogueBlockName("/d"), "/d/cupfiles");
  EXPECT_EQ(ZeroPad(12, 4), "0012");
  EXPECT_EQ(ZeroPad(-7, 2), "07");
  EXPECT_EQ(ZeroPad(12345, 4), "12345");
}

struct JoinCase {
  int teamsBefore, rounds, tablePoints;
  int matchesAfter, openAfter;
};

TEST(TeamAccounting, JoinFollowsClassSize) {
  const JoinCase cases[] = {
      {3, 2, kNoResult, 12, 12},  // fourth team, 2 rounds: 12 matches, all open
      {0, 2, kNoResult, 0, 0},   {1, 1, kNoResult, 1, 1},
      {3, 2, 0, 12, 12},  // 0 points also counts as "not computed"
      {3, 2, 5, 12, 4},   // a team with points leaves OpenMatches alone
  };
  for (const JoinCase& c : cases) {
    DivisionRec cls = DivisionRec::makeNew(1, c.rounds);
    cls.setTeamCount(c.teamsBefore);
    cls.setMatchCount(ClassMatchCount(c.teamsBefore, c.rounds));
    cls.setOpenMatches(4);
    CompetitionRec comp;
    comp.setTotalTeams(10);
    comp.setTotalMatches(100);
    comp.setTotalOpenMatches(50);
    TeamRec team;
    team.setTablePoints(c.tablePoints);
    EXPECT_EQ(JoinClass(cls, comp, team, true), "");
    EXPECT_EQ(cls.teamCount(), c.teamsBefore + 1);
    EXPECT_EQ(comp.totalTeams(), 11);
    EXPECT_EQ(cls.matchCount(), c.matchesAfter);
    EXPECT_EQ(comp.totalMatches(), 100 + c.matchesAfter - ClassMatchCount(c.teamsBefore, c.rounds));
    EXPECT_EQ(cls.openMatches(), c.openAfter);
    EXPECT_EQ(comp.totalOpenMatches(), 50 + c.openAfter - 4);

    LeaveClass(cls, comp, team);  // leaving undoes the size change
    EXPECT_EQ(cls.teamCount(), c.teamsBefore);
    EXPECT_EQ(comp.totalTeams(), 10);
    EXPECT_EQ(cls.matchCount(), ClassMatchCount(c.teamsBefore, c.rounds));
    EXPECT_EQ(comp.totalMatches(), 100);
  }
}

TEST(TeamAccounting, SizeWarnings) {
  DivisionRec cls = DivisionRec::makeNew(1, 1);
  cls.setClassName("U12");
  cls.setTeamCount(15);
  CompetitionRec comp;
  comp.setTotalTeams(155);
  TeamRec team;
  team.setTablePoints(kNoResult);
  EXPECT_EQ(JoinClass(cls, comp, team, true),
            "Antalet i klassen [ 16] \"U12\"\n f\xF6r m\xE5nga f\xF6r programmet (dags att dela "
            "klassen)\nAntalet lag i t\xE4vlingen [ 160] \n f\xF6r m\xE5nga f\xF6r programmet "
            "(dags att dela t\xE4vlingen)");
  // The 17th team of the class gets only the competition warning; 161 teams get none.
  EXPECT_EQ(JoinClass(cls, comp, team, true).rfind("Antalet lag", 0), 0u);
  comp.setTotalTeams(160);
  EXPECT_EQ(JoinClass(cls, comp, team, true), "");
  cls.setTeamCount(15);
  comp.setTotalTeams(100);
  EXPECT_EQ(JoinClass(cls, comp, team, false), "");  // an existing team is not warned about
}

TEST(OpenMatchCounters, ResultEnteredAndRemoved) {
  DivisionRec cls;
  cls.setOpenMatches(6);
  CompetitionRec comp;
  comp.setTotalOpenMatches(9);
  ResultEntered(cls, comp);
  EXPECT_EQ(cls.openMatches(), 5);
  EXPECT_EQ(comp.totalOpenMatches(), 8);
  ResultRemoved(cls, comp);
  ResultRemoved(cls, comp);
  EXPECT_EQ(cls.openMatches(), 7);
  EXPECT_EQ(comp.totalOpenMatches(), 10);
}

TEST(TeamStatistics, CountsOnlyCompleteResults) {
  DivisionRec cls = DivisionRec::makeNew(1, 2);
  cls.setWinPoints(3);
  cls.setDrawPoints(1);
  TeamRec t = TeamRec::makeNew(1, 1);
  t.setOpeningGoalsFor(2);
  t.setOpeningGoalsAgainst(1);
  t.setOpeningPoints(4);
  struct Row {
    int opponent, own, theirs;
  };
  const Row rows[] = {
      {2, 3, 1},          // won
      {-3, 1, 1},         // drawn (away)
      {4, 0, 2},          // lost
      {5, 2, kNoResult},  // partial result: ignored
      {0, 9, 0},          // free entry: ignored
      {6, -1, 0},         // negative score: no result
      {7, 9999, 0},       // 9999 counts as not played
      {8, 5, 0},          // beyond TeamMatchCount: ignored
  };
  int m = 1;
  for (const Row& r : rows) {
    TeamMatchEntry e;
    e.setMatchNumber(m);
    e.setOpponentRecNo(r.opponent);
    e.setOwnScore(r.own);
    e.setOpponentScore(r.theirs);
    t.setMatch(m++, e);
  }
  t.setTeamMatchCount(7);
  ComputeTeamStatistics(t, cls);
  EXPECT_EQ(t.played(), 3);
  EXPECT_EQ(t.wonCount(), 1);
  EXPECT_EQ(t.drawnCount(), 1);
  EXPECT_EQ(t.lostCount(), 1);
  EXPECT_EQ(t.goalsFor(), 2 + 3 + 1 + 0);
  EXPECT_EQ(t.goalsAgainst(), 1 + 1 + 1 + 2);
  EXPECT_EQ(t.tablePoints(), 4 + 3 + 1);
}

}  // namespace
}  // namespace liga
