#include "scheduling/fairness_input.h"

#include <map>
#include <sstream>

#include "database/database.h"
#include "exchange/format.h"
#include "storage/isam.h"

namespace liga::scheduling {
namespace {

// The log line that opens the mask lines of a schedule file (code page 1252).
constexpr std::string_view kMaskLogHeader = "; lagens ej spelbara speltillf\xE4llen";

struct TeamClass {
  std::int32_t classRecNo = 0;
  int teamNumber = 0;
};

// Team record number -> its class and number; class record numbers -> slot in `classes`.
struct CompetitionMap {
  std::map<std::int32_t, TeamClass> byRecNo;
  std::map<int, std::size_t> slotByTeamNumber;
  std::map<std::int32_t, std::size_t> slotByClass;
};

CompetitionMap MapCompetition(Database& db, std::vector<FairnessClassInput>& classes) {
  CompetitionMap map;
  if (!db.competitionOpen()) return map;
  for (std::int32_t recNo : db.classesInKeyOrder()) {
    if (!db.readClass(recNo)) continue;
    map.slotByClass[recNo] = classes.size();
    classes.push_back({db.cls().className(), {}});
  }
  const std::int32_t teams = FileLen(db.teamFile());
  for (std::int32_t n = 1; n < teams; ++n) {
    if (!db.readTeam(n)) continue;
    const TeamClass tc{db.team().divisionRecNo(), db.team().teamNumber()};
    map.byRecNo[n] = tc;
    auto slot = map.slotByClass.find(tc.classRecNo);
    if (slot != map.slotByClass.end()) map.slotByTeamNumber.emplace(tc.teamNumber, slot->second);
  }
  return map;
}

// The match goes to its home team's class, or to the class of its own for unknown teams.
void AddToClass(FairnessInput& in, const CompetitionMap& map, FairnessMatch m) {
  auto slot = map.slotByTeamNumber.find(m.home);
  if (slot != map.slotByTeamNumber.end()) {
    in.classes[slot->second].matches.push_back(std::move(m));
    return;
  }
  ++in.matchesWithoutClass;
  if (in.classes.empty() || in.classes.back().className != kNoClassName)
    in.classes.push_back({kNoClassName, {}});
  in.classes.back().matches.push_back(std::move(m));
}

}  // namespace

FairnessInput ReadFairnessFromDatabase(Database& db) {
  FairnessInput in;
  const CompetitionMap map = MapCompetition(db, in.classes);
  if (!db.competitionOpen()) return in;
  for (std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTime(recNo)) continue;
    const PlayTimeRec& p = db.playTime();
    const int rows = std::min<int>(p.usedRows(), PlayTimeRec::kMaxRows);
    for (int row = 1; row <= rows; ++row) {
      const MatchEntry e = p.match(row);
      auto home = map.byRecNo.find(e.homeTeamRecNo());
      auto away = map.byRecNo.find(e.awayTeamRecNo());
      if (e.homeTeamRecNo() <= 0 || home == map.byRecNo.end() || away == map.byRecNo.end())
        continue;
      AddToClass(in, map, {p.playTime(), home->second.teamNumber, away->second.teamNumber});
    }
  }
  return in;
}

FairnessInput ReadFairnessFromScheduleText(const std::string& text, Database& db) {
  FairnessInput in;
  const CompetitionMap map = MapCompetition(db, in.classes);
  std::istringstream stream(text);
  exchange::LineReader reader(stream);
  std::string line, playTime, maskText;
  bool inPlayTimes = false, inMaskLog = false;
  while (reader.next(line)) {
    if (inMaskLog) {
      if (line.rfind("; ", 0) != 0) {
        inMaskLog = false;
      } else {
        maskText += line.substr(2) + "\n";
        continue;
      }
    }
    if (line.rfind(kMaskLogHeader, 0) == 0) {
      inMaskLog = true;
      in.loggedMask.emplace();
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (exchange::SectionLineStart(line)) {
      const auto section = exchange::FindSection(line);
      if (section == exchange::Section::Matches && inPlayTimes) {
        for (const std::string& item : exchange::MatchItems(line)) {
          const exchange::MatchItem m = exchange::ParseMatchItem(item);
          if (!m.teamError.empty()) break;
          AddToClass(in, map, {playTime, static_cast<int>(m.home), static_cast<int>(m.away)});
        }
      } else {
        inPlayTimes = section == exchange::Section::PlayTimes;
      }
      continue;
    }
    if (inPlayTimes) playTime = exchange::Field(line, 1);
  }
  if (in.loggedMask) in.loggedMask = Mask::FromText(maskText);
  return in;
}

}  // namespace liga::scheduling
