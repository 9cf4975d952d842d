// The records of a competition database, byte for byte as they are stored.
//
// A data directory holds one catalogue file block ("cupfiles", one CompetitionRec per
// competition, no index) and three file blocks per competition NN (the competition's
// record number as two digits): "klassNN" (DivisionRec, key ClassName), "lgNN" (TeamRec,
// key TeamNumberKey) and "gameNN" (PlayTimeRec, key PlayTime). Records refer to each other
// only by storage record number (1-based).
//
// Common layout rules:
//  * integers are little-endian (i16, i32), u8 is one unsigned byte;
//  * every record starts with 4 status bytes, 0 for a record in use; the storage engine
//    keeps its free chain there once a record is deleted;
//  * the score value 10001 means "no result"; any score of 9999 or more, or a negative
//    score, counts as not played.
// The offset tables are in the class comments below; bytes not listed are kept as read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/limits.h"
#include "database/fixed_record.h"

namespace liga {

inline constexpr int kNoResult = 10001;
inline constexpr int kUnranked = 9999;  // TablePoints at or above: not ranked
inline constexpr int kMaxScore = 9998;  // the highest real score

// True when a stored score is a real score (0..9998).
inline bool ScorePresent(int score) {
  return score >= 0 && score <= kMaxScore;
}

// The decimal digits of |value|, left-padded with '0' to `width` (a wider number is kept
// whole): 7 in width 2 is "07", 12 in width 4 is "0012".
std::string ZeroPad(long value, int width);

// ---------------------------------------------------------------------------------------
// CompetitionRec (2233 bytes)
//   0 Status 4 | 4 CompetitionNumber string[2] | 7 Organiser string[40]
//  48 CompetitionName string[40] | 89 LastMatchNumber i16 | 91 TotalTeams i16
//  93 DefaultRounds i16 | 95 TotalMatches i16 | 97 TotalOpenMatches i16
//  99 SportType string[30] | 130 + c*115 + k*23 contact line k (0..4) of block c (0..3),
//     string[22] | 590 Scheduled u8 | 591 GiroType u8 | 592 AmountFilled u8
// 593 TitleCaseNames u8 | 594 BackupDir char[1025] | 1619 PostgiroNumber string[32]
// 1652 BankgiroNumber string[32] | 1685 Payee string[32] | 1718 Fee i16 | 1720 FeePerMatch u8
class CompetitionRec : public FixedRecord<2233> {
 public:
  static constexpr int kContactBlocks = 4;
  static constexpr int kContactLines = 5;

  std::int32_t status() const { return i32(0); }
  void setStatus(std::int32_t v) { setI32(0, v); }
  std::string competitionNumber() const { return str(4, 2); }
  void setCompetitionNumber(std::string_view s) { setStr(4, 2, s); }
  std::string organiser() const { return str(7, 40); }
  void setOrganiser(std::string_view s) { setStr(7, 40, s); }
  std::string competitionName() const { return str(48, 40); }
  void setCompetitionName(std::string_view s) { setStr(48, 40, s); }
  int lastMatchNumber() const { return i16(89); }
  void setLastMatchNumber(int v) { setI16(89, v); }
  int totalTeams() const { return i16(91); }
  void setTotalTeams(int v) { setI16(91, v); }
  int defaultRounds() const { return i16(93); }
  void setDefaultRounds(int v) { setI16(93, v); }
  int totalMatches() const { return i16(95); }
  void setTotalMatches(int v) { setI16(95, v); }
  int totalOpenMatches() const { return i16(97); }
  void setTotalOpenMatches(int v) { setI16(97, v); }
  std::string sportType() const { return str(99, 30); }
  void setSportType(std::string_view s) { setStr(99, 30, s); }
  static constexpr std::size_t contactOffset(int block, int line) {
    return 130 + static_cast<std::size_t>(block) * 115 + static_cast<std::size_t>(line) * 23;
  }
  std::string contact(int block, int line) const { return str(contactOffset(block, line), 22); }
  void setContact(int block, int line, std::string_view s) {
    setStr(contactOffset(block, line), 22, s);
  }
  bool scheduled() const { return u8(590) != 0; }
  void setScheduled(bool v) { setU8(590, v ? 1 : 0); }
  int giroType() const { return u8(591); }
  void setGiroType(int v) { setU8(591, static_cast<std::uint8_t>(v)); }
  bool amountFilled() const { return u8(592) != 0; }
  void setAmountFilled(bool v) { setU8(592, v ? 1 : 0); }
  bool titleCaseNames() const { return u8(593) != 0; }
  void setTitleCaseNames(bool v) { setU8(593, v ? 1 : 0); }
  std::string backupDir() const { return cstr(594, 1025); }
  void setBackupDir(std::string_view s) { setCstr(594, 1025, s); }
  std::string postgiroNumber() const { return str(1619, 32); }
  void setPostgiroNumber(std::string_view s) { setStr(1619, 32, s); }
  std::string bankgiroNumber() const { return str(1652, 32); }
  void setBankgiroNumber(std::string_view s) { setStr(1652, 32, s); }
  std::string payee() const { return str(1685, 32); }
  void setPayee(std::string_view s) { setStr(1685, 32, s); }
  int fee() const { return i16(1718); }
  void setFee(int v) { setI16(1718, v); }
  bool feePerMatch() const { return u8(1720) != 0; }
  void setFeePerMatch(bool v) { setU8(1720, v ? 1 : 0); }

  // All bytes zero, then the defaults of a new competition; `catalogueFileLen` is the
  // catalogue's file length (its record count + 1), which becomes the competition number.
  static CompetitionRec makeNew(int catalogueFileLen);
  // Converts every text field that holds a DOS marker letter to the Windows code page.
  void convertDosTexts();
};

// ---------------------------------------------------------------------------------------
// DivisionRec (562 bytes)
//  0 Status 4 | 4 ClassNumber string[2] | 7 ClassName string[22] | 30 LeaderPoints i16
// 32 LeaderTeamRecNo i32 | 36 FirstTeamNumber i16 | 38 TeamCount i16 | 40 Rounds i16
// 42 MatchCount i16 | 44 OpenMatches i16 | 46 WinPoints i16 | 48 DrawPoints i16
class DivisionRec : public FixedRecord<562> {
 public:
  std::int32_t status() const { return i32(0); }
  void setStatus(std::int32_t v) { setI32(0, v); }
  std::string classNumber() const { return str(4, 2); }
  void setClassNumber(std::string_view s) { setStr(4, 2, s); }
  static constexpr std::size_t kClassNameCapacity = 22;
  std::string className() const { return str(7, kClassNameCapacity); }
  void setClassName(std::string_view s) { setStr(7, kClassNameCapacity, s); }
  int leaderPoints() const { return i16(30); }
  void setLeaderPoints(int v) { setI16(30, v); }
  std::int32_t leaderTeamRecNo() const { return i32(32); }
  void setLeaderTeamRecNo(std::int32_t v) { setI32(32, v); }
  // The highest number a class may give its first team (the class dialog's and the
  // exchange file's upper bound).
  static constexpr int kMaxFirstTeamNumber = 9901;
  int firstTeamNumber() const { return i16(36); }
  void setFirstTeamNumber(int v) { setI16(36, v); }
  int teamCount() const { return i16(38); }
  void setTeamCount(int v) { setI16(38, v); }
  int rounds() const { return i16(40); }
  void setRounds(int v) { setI16(40, v); }
  int matchCount() const { return i16(42); }
  void setMatchCount(int v) { setI16(42, v); }
  int openMatches() const { return i16(44); }
  void setOpenMatches(int v) { setI16(44, v); }
  int winPoints() const { return i16(46); }
  void setWinPoints(int v) { setI16(46, v); }
  int drawPoints() const { return i16(48); }
  void setDrawPoints(int v) { setI16(48, v); }

  // `classFileLen` is the class file's file length; `defaultRounds` the competition's.
  static DivisionRec makeNew(int classFileLen, int defaultRounds);
  void convertDosTexts();
};

// ---------------------------------------------------------------------------------------
// ContactRow (189 bytes, inside TeamRec)
//   0 Name string[22] | 23 Street string[22] | 46 Town string[22] | 69 Address4 string[22]
//  92 Address5 string[22] | 115 Email string[40] | 179 RowNumber i16
class ContactRow : public FixedRecord<189> {
 public:
  std::string name() const { return str(0, 22); }
  void setName(std::string_view s) { setStr(0, 22, s); }
  std::string street() const { return str(23, 22); }
  void setStreet(std::string_view s) { setStr(23, 22, s); }
  std::string town() const { return str(46, 22); }
  void setTown(std::string_view s) { setStr(46, 22, s); }
  std::string address4() const { return str(69, 22); }
  void setAddress4(std::string_view s) { setStr(69, 22, s); }
  std::string address5() const { return str(92, 22); }
  void setAddress5(std::string_view s) { setStr(92, 22, s); }
  std::string email() const { return str(115, 40); }
  void setEmail(std::string_view s) { setStr(115, 40, s); }
  int rowNumber() const { return i16(179); }
  void setRowNumber(int v) { setI16(179, v); }
  // True when the row is in use: any of name, street, town and fourth line holds a
  // character, blanks included (texts are stored as entered, never trimmed). Such a row,
  // and no other, is listed in the team list, on a team's schedule page and in the
  // exchange file. Fifth line and e-mail address do not count.
  bool used() const {
    return !name().empty() || !street().empty() || !town().empty() || !address4().empty();
  }
};

// TeamMatchEntry (14 bytes): one match seen from a team's side.
//  0 MatchNumber i16 (0 = free) | 2 OpponentRecNo i32 (> 0: opponent, this team at home;
//  < 0: the negated home team, this team away) | 6 PlayTimeRecNo i32 | 10 OwnScore i16
// 12 OpponentScore i16
class TeamMatchEntry : public FixedRecord<14> {
 public:
  int matchNumber() const { return i16(0); }
  void setMatchNumber(int v) { setI16(0, v); }
  std::int32_t opponentRecNo() const { return i32(2); }
  void setOpponentRecNo(std::int32_t v) { setI32(2, v); }
  std::int32_t playTimeRecNo() const { return i32(6); }
  void setPlayTimeRecNo(std::int32_t v) { setI32(6, v); }
  int ownScore() const { return i16(10); }
  void setOwnScore(int v) { setI16(10, v); }
  int opponentScore() const { return i16(12); }
  void setOpponentScore(int v) { setI16(12, v); }
};

// ---------------------------------------------------------------------------------------
// TeamRec (11665 bytes)
//     0 Status 4 | 4 TeamName string[30] | 35 DivisionRecNo i32 | 39 TeamNumberKey string[4]
//    44 TeamRecNo i16 | 46 TeamNumber i16 | 48 Place i16 | 50 Played i16
//    52 GoalsAgainst i16 | 54 GoalsFor i16 | 56 WonCount i16 | 58 LostCount i16
//    60 DrawnCount i16 | 62 TablePoints i16 | 64 Ranking i16
//    66 + r*189  ContactRow r = 0..22 (0 = the leader row)
//  4413 + m*14   TeamMatchEntry m = 0..480; entry 0 is a header whose i32 at its offset 2
//                (byte 4415) is TeamMatchCount, the highest entry in use
// 11147 OpeningGoalsAgainst i16 | 11149 OpeningGoalsFor i16 | 11151 OpeningPoints i16
class TeamRec : public FixedRecord<11665> {
 public:
  static constexpr int kContactRows = 23;
  static constexpr int kMaxMatches = 480;

  std::int32_t status() const { return i32(0); }
  void setStatus(std::int32_t v) { setI32(0, v); }
  std::string teamName() const { return str(4, 30); }
  void setTeamName(std::string_view s) { setStr(4, 30, s); }
  std::int32_t divisionRecNo() const { return i32(35); }
  void setDivisionRecNo(std::int32_t v) { setI32(35, v); }
  std::string teamNumberKey() const { return str(39, 4); }
  void setTeamNumberKey(std::string_view s) { setStr(39, 4, s); }
  int teamRecNo() const { return i16(44); }
  void setTeamRecNo(int v) { setI16(44, v); }
  int teamNumber() const { return i16(46); }
  void setTeamNumber(int v) { setI16(46, v); }
  int place() const { return i16(48); }
  void setPlace(int v) { setI16(48, v); }
  int played() const { return i16(50); }
  void setPlayed(int v) { setI16(50, v); }
  int goalsAgainst() const { return i16(52); }
  void setGoalsAgainst(int v) { setI16(52, v); }
  int goalsFor() const { return i16(54); }
  void setGoalsFor(int v) { setI16(54, v); }
  int wonCount() const { return i16(56); }
  void setWonCount(int v) { setI16(56, v); }
  int lostCount() const { return i16(58); }
  void setLostCount(int v) { setI16(58, v); }
  int drawnCount() const { return i16(60); }
  void setDrawnCount(int v) { setI16(60, v); }
  int tablePoints() const { return i16(62); }
  void setTablePoints(int v) { setI16(62, v); }
  int ranking() const { return i16(64); }
  void setRanking(int v) { setI16(64, v); }

  static constexpr std::size_t contactOffset(int r) {
    return 66 + static_cast<std::size_t>(r) * ContactRow::kSize;
  }
  ContactRow contactRow(int r) const { return sub<ContactRow>(contactOffset(r)); }
  void setContactRow(int r, const ContactRow& row) { setSub(contactOffset(r), row); }

  static constexpr std::size_t matchOffset(int m) {
    return 4413 + static_cast<std::size_t>(m) * TeamMatchEntry::kSize;
  }
  std::int32_t teamMatchCount() const { return i32(4415); }
  void setTeamMatchCount(std::int32_t v) { setI32(4415, v); }
  // m = 0..480; entry 0 is the header.
  TeamMatchEntry match(int m) const { return sub<TeamMatchEntry>(matchOffset(m)); }
  void setMatch(int m, const TeamMatchEntry& e) { setSub(matchOffset(m), e); }

  int openingGoalsAgainst() const { return i16(11147); }
  void setOpeningGoalsAgainst(int v) { setI16(11147, v); }
  int openingGoalsFor() const { return i16(11149); }
  void setOpeningGoalsFor(int v) { setI16(11149, v); }
  int openingPoints() const { return i16(11151); }
  void setOpeningPoints(int v) { setI16(11151, v); }

  // Sets TeamNumber and recomputes its key.
  void setNumberAndKey(int number);
  // `teamFileLen` is the team file's file length; `firstTeamNumber` the current class's.
  static TeamRec makeNew(int teamFileLen, int firstTeamNumber);
  void convertDosTexts();
};

// MatchEntry (14 bytes, inside PlayTimeRec)
//  0 MatchNumber i16 | 2 HomeTeamRecNo i32 (0 or negative: empty row) | 6 AwayTeamRecNo i32
// 10 HomeScore i16 | 12 AwayScore i16
class MatchEntry : public FixedRecord<14> {
 public:
  int matchNumber() const { return i16(0); }
  void setMatchNumber(int v) { setI16(0, v); }
  std::int32_t homeTeamRecNo() const { return i32(2); }
  void setHomeTeamRecNo(std::int32_t v) { setI32(2, v); }
  std::int32_t awayTeamRecNo() const { return i32(6); }
  void setAwayTeamRecNo(std::int32_t v) { setI32(6, v); }
  int homeScore() const { return i16(10); }
  void setHomeScore(int v) { setI16(10, v); }
  int awayScore() const { return i16(12); }
  void setAwayScore(int v) { setI16(12, v); }
};

// ---------------------------------------------------------------------------------------
// PlayTimeRec (863 bytes)
//   0 Status 4 | 4 PlayTimeNumber i16 | 6 PlayTime string[16] | 23 PlayTimeText string[32]
//  56 GameLeader string[56] | 113 + r*14 MatchEntry r = 0..16; entry 0's first word is
//  UsedRows (rows 1..UsedRows are in use)
class PlayTimeRec : public FixedRecord<863> {
 public:
  static constexpr int kMaxRows = 16;

  std::int32_t status() const { return i32(0); }
  void setStatus(std::int32_t v) { setI32(0, v); }
  int playTimeNumber() const { return i16(4); }
  void setPlayTimeNumber(int v) { setI16(4, v); }
  std::string playTime() const { return str(6, 16); }
  void setPlayTime(std::string_view s) { setStr(6, 16, s); }
  std::string playTimeText() const { return str(23, 32); }
  void setPlayTimeText(std::string_view s) { setStr(23, 32, s); }
  std::string gameLeader() const { return str(56, 56); }
  void setGameLeader(std::string_view s) { setStr(56, 56, s); }
  int usedRows() const { return i16(113); }
  void setUsedRows(int v) { setI16(113, v); }

  static constexpr std::size_t matchOffset(int r) {
    return 113 + static_cast<std::size_t>(r) * MatchEntry::kSize;
  }
  // r = 0..16; row 0 carries UsedRows.
  MatchEntry match(int r) const { return sub<MatchEntry>(matchOffset(r)); }
  void setMatch(int r, const MatchEntry& e) { setSub(matchOffset(r), e); }

  // `gameFileLen` is the play-time file's file length; `playTime` the date text shown in
  // report headers, cut to 16 characters.
  static PlayTimeRec makeNew(int gameFileLen, std::string_view playTime);
  void convertDosTexts();
};

// ---------------------------------------------------------------------------------------
// File blocks of a data directory. Names are paths without extension; the storage engine
// adds its extensions.

inline constexpr int kCatalogueRecLen = 2233;
inline constexpr int kClassRecLen = 562;
inline constexpr int kTeamRecLen = 11665;
inline constexpr int kPlayTimeRecLen = 863;
inline constexpr int kClassKeyLen = 23;
inline constexpr int kTeamKeyLen = 5;
inline constexpr int kPlayTimeKeyLen = 17;

std::string CatalogueBlockName(std::string_view dataDir);
std::string ClassBlockName(std::string_view dataDir, int competition);
std::string TeamBlockName(std::string_view dataDir, int competition);
std::string PlayTimeBlockName(std::string_view dataDir, int competition);

// ---------------------------------------------------------------------------------------
// Team accounting.

// Matches of a class of n teams meeting `rounds` times: n(n-1)rounds/2.
int ClassMatchCount(int teams, int rounds);

// A team joins `cls`: TeamCount and TotalTeams go up, MatchCount and TotalMatches follow
// the new size, and when the team has no computed points (TablePoints above 10000 or 0) the
// class's new matches count as open. Returns the size warning (empty when none); with
// `warn` false no warning is composed. The caller writes the class record back.
std::string JoinClass(DivisionRec& cls, CompetitionRec& comp, const TeamRec& team, bool warn);

// The reverse of JoinClass for a team leaving `cls`.
void LeaveClass(DivisionRec& cls, CompetitionRec& comp, const TeamRec& team);

// A result was entered on a match that had none (both counters fall by one), or removed
// from one that had one (both rise). The caller writes the class record back.
void ResultEntered(DivisionRec& cls, CompetitionRec& comp);
void ResultRemoved(DivisionRec& cls, CompetitionRec& comp);

// Recomputes Played, Won/Lost/DrawnCount, goals and TablePoints of `team` from its match
// list and opening values, with the points of its class `cls`.
void ComputeTeamStatistics(TeamRec& team, const DivisionRec& cls);

}  // namespace liga
