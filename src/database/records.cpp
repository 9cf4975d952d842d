#include "database/records.h"

#include <algorithm>
#include <cstdlib>

#include "common/encoding.h"
#include "common/text.h"

namespace liga {
namespace {

template <typename Rec>
void convertStr(Rec& rec, std::size_t off, std::size_t cap) {
  const std::string text = rec.str(off, cap);
  if (HasDosMarker(text)) rec.setStr(off, cap, DosToWin(text));
}

// A sample account and payee for a new competition, so that the payment slips of a fresh
// competition print something recognisable. "123456-6" passes the mod-10 check.
constexpr std::string_view kSamplePostgiro = "123456-6";
constexpr std::string_view kSamplePayee = "Idrottsklubb";

}  // namespace

std::string ZeroPad(long value, int width) {
  std::string digits = std::to_string(std::labs(value));
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// ---------------------------------------------------------------------------------------

CompetitionRec CompetitionRec::makeNew(int catalogueFileLen) {
  CompetitionRec r;
  r.setDefaultRounds(2);
  r.setCompetitionNumber(ZeroPad(catalogueFileLen, 2));
  r.setGiroType(0);
  r.setAmountFilled(false);
  r.setTitleCaseNames(true);
  r.setFee(600);
  r.setFeePerMatch(false);
  r.setPostgiroNumber(kSamplePostgiro);
  r.setPayee(kSamplePayee);
  return r;
}

void CompetitionRec::convertDosTexts() {
  convertStr(*this, 7, 40);
  convertStr(*this, 48, 40);
  convertStr(*this, 99, 30);
  for (int c = 0; c < kContactBlocks; ++c)
    for (int k = 0; k < kContactLines; ++k) convertStr(*this, contactOffset(c, k), 22);
  convertStr(*this, 1619, 32);
  convertStr(*this, 1652, 32);
  convertStr(*this, 1685, 32);
}

DivisionRec DivisionRec::makeNew(int classFileLen, int defaultRounds) {
  DivisionRec r;
  r.setClassName("XXX");
  r.setLeaderPoints(9999);
  r.setFirstTeamNumber(1);
  r.setClassNumber(ZeroPad(classFileLen, 2));
  r.setRounds(defaultRounds);
  r.setWinPoints(2);
  r.setDrawPoints(1);
  return r;
}

void DivisionRec::convertDosTexts() {
  convertStr(*this, 4, 2);
  convertStr(*this, 7, 22);
}

void TeamRec::setNumberAndKey(int number) {
  setTeamNumber(number);
  setTeamNumberKey(ZeroPad(number, 4));
}

TeamRec TeamRec::makeNew(int teamFileLen, int firstTeamNumber) {
  TeamRec r;
  r.setNumberAndKey(teamFileLen + firstTeamNumber - 1);
  r.setTeamName("\x99\x99\x99");
  r.setTablePoints(kNoResult);
  for (int row = 1; row < kContactRows; ++row) {
    ContactRow c = r.contactRow(row);
    c.setRowNumber(row);
    r.setContactRow(row, c);
  }
  for (int m = 0; m <= kMaxMatches; ++m) {
    TeamMatchEntry e = r.match(m);
    e.setOwnScore(kNoResult);
    e.setOpponentScore(kNoResult);
    r.setMatch(m, e);
  }
  return r;
}

void TeamRec::convertDosTexts() {
  convertStr(*this, 4, 30);
  convertStr(*this, 39, 4);
  for (int row = 0; row < kContactRows; ++row) {
    const std::size_t base = contactOffset(row);
    for (std::size_t off : {0, 23, 46, 69, 92}) convertStr(*this, base + off, 22);
    convertStr(*this, base + 115, 40);
  }
}

PlayTimeRec PlayTimeRec::makeNew(int gameFileLen, std::string_view playTime) {
  PlayTimeRec r;
  r.setPlayTimeNumber(gameFileLen);
  r.setPlayTime(playTime.substr(0, 16));
  for (int row = 0; row <= kMaxRows; ++row) {
    MatchEntry e = r.match(row);
    e.setHomeScore(kNoResult);
    e.setAwayScore(kNoResult);
    r.setMatch(row, e);
  }
  return r;
}

void PlayTimeRec::convertDosTexts() {
  convertStr(*this, 6, 16);
  convertStr(*this, 23, 32);
  convertStr(*this, 56, 56);
}

// ---------------------------------------------------------------------------------------

namespace {
std::string join(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}
}  // namespace

std::string CatalogueBlockName(std::string_view dataDir) {
  return join(dataDir, "cupfiles");
}
std::string ClassBlockName(std::string_view dataDir, int competition) {
  return join(dataDir, "klass" + ZeroPad(competition, 2));
}
std::string TeamBlockName(std::string_view dataDir, int competition) {
  return join(dataDir, "lg" + ZeroPad(competition, 2));
}
std::string PlayTimeBlockName(std::string_view dataDir, int competition) {
  return join(dataDir, "game" + ZeroPad(competition, 2));
}

// ---------------------------------------------------------------------------------------

int ClassMatchCount(int teams, int rounds) {
  return teams * (teams - 1) * rounds / 2;
}

namespace {
bool countsAsOpen(const TeamRec& team) {
  return team.tablePoints() > 10000 || team.tablePoints() == 0;
}
}  // namespace

std::string JoinClass(DivisionRec& cls, CompetitionRec& comp, const TeamRec& team, bool warn) {
  cls.setTeamCount(cls.teamCount() + 1);
  comp.setTotalTeams(comp.totalTeams() + 1);
  const int r = ClassMatchCount(cls.teamCount(), cls.rounds());
  comp.setTotalMatches(comp.totalMatches() + r - cls.matchCount());
  cls.setMatchCount(r);
  if (countsAsOpen(team)) {
    comp.setTotalOpenMatches(comp.totalOpenMatches() + r - cls.openMatches());
    cls.setOpenMatches(r);
  }
  if (!warn) return {};
  std::string text;
  if (cls.teamCount() == kMaxTeamsPerClass) {
    text += "Antalet i klassen [" + FormatInt(kMaxTeamsPerClass, 3) + "] \"" + cls.className() +
            "\"\n" + W(" för många för programmet (dags att dela klassen)");
  }
  if (comp.totalTeams() >= kTeamWarningFrom && comp.totalTeams() <= kTeamSlots) {
    if (!text.empty()) text += '\n';
    text += W("Antalet lag i tävlingen [") + FormatInt(kTeamSlots, 4) + "] \n" +
            W(" för många för programmet (dags att dela tävlingen)");
  }
  return text;
}

void LeaveClass(DivisionRec& cls, CompetitionRec& comp, const TeamRec& team) {
  cls.setTeamCount(cls.teamCount() - 1);
  comp.setTotalTeams(comp.totalTeams() - 1);
  const int r = ClassMatchCount(cls.teamCount(), cls.rounds());
  comp.setTotalMatches(comp.totalMatches() + r - cls.matchCount());
  cls.setMatchCount(r);
  if (countsAsOpen(team)) {
    comp.setTotalOpenMatches(comp.totalOpenMatches() + r - cls.openMatches());
    cls.setOpenMatches(r);
  }
}

void ResultEntered(DivisionRec& cls, CompetitionRec& comp) {
  cls.setOpenMatches(cls.openMatches() - 1);
  comp.setTotalOpenMatches(comp.totalOpenMatches() - 1);
}

void ResultRemoved(DivisionRec& cls, CompetitionRec& comp) {
  cls.setOpenMatches(cls.openMatches() + 1);
  comp.setTotalOpenMatches(comp.totalOpenMatches() + 1);
}

void ComputeTeamStatistics(TeamRec& team, const DivisionRec& cls) {
  int played = 0, won = 0, lost = 0, drawn = 0;
  int against = team.openingGoalsAgainst();
  int goalsFor = team.openingGoalsFor();
  int points = team.openingPoints();
  const int last = std::clamp<std::int32_t>(team.teamMatchCount(), 0, TeamRec::kMaxMatches);
  for (int m = 1; m <= last; ++m) {
    const TeamMatchEntry e = team.match(m);
    // A negative score is stored "no result" in older files; it never counts.
    if (e.opponentRecNo() == 0 || !ScorePresent(e.ownScore()) || !ScorePresent(e.opponentScore()))
      continue;
    ++played;
    if (e.opponentScore() < e.ownScore()) {
      ++won;
      points += cls.winPoints();
    } else if (e.ownScore() < e.opponentScore()) {
      ++lost;
    } else {
      ++drawn;
      points += cls.drawPoints();
    }
    against += e.opponentScore();
    goalsFor += e.ownScore();
  }
  team.setPlayed(played);
  team.setWonCount(won);
  team.setLostCount(lost);
  team.setDrawnCount(drawn);
  team.setGoalsAgainst(against);
  team.setGoalsFor(goalsFor);
  team.setTablePoints(points);
}

}  // namespace liga
