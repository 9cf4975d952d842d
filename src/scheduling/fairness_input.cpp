#include "scheduling/fairness_input.h"

#include <map>
#include <sstream>

#include "common/exchange_format.h"
#include "common/text.h"
#include "database/database.h"
#include "model/matches.h"
#include "scheduling/bounds.h"
#include "scheduling/improve.h"

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
  const std::int32_t teams = db.teamFileLength();
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

// The run's log lines the report uses; true when `line` was one of them.
bool ReadLogLine(const std::string& line, FairnessInput& in) {
  auto after = [&](std::string_view prefix, std::string& rest) {
    if (line.rfind(prefix, 0) != 0) return false;
    rest = line.substr(prefix.size());
    return true;
  };
  const std::string before(kImproveLogBefore);
  std::string rest;
  if (after("; Antal spel/tid ", rest)) {
    in.perPlayTime = std::atoi(rest.c_str());
  } else if (after("; endast en match per datum och lag", rest)) {
    in.oneMatchPerDay = true;
  } else if (after(before + "\xE4ndrtider ", rest)) {
    in.placeholdersBefore = std::atoi(rest.c_str());
  } else if (after(before + "brott ", rest)) {
    const std::size_t klass = rest.find(", klass ");
    if (klass == std::string::npos) return false;
    in.breaksBefore[rest.substr(klass + 8)] = std::atoi(rest.c_str());
  } else {
    return false;
  }
  return true;
}

// On when no team plays twice on one date.
bool OneMatchPerDate(const FairnessInput& in) {
  std::map<std::pair<int, std::string>, int> seen;
  for (const FairnessClassInput& c : in.classes) {
    for (const FairnessMatch& m : c.matches) {
      if (IsPlaceholderPlayTime(m.playTime)) continue;
      const std::string date = m.playTime.substr(0, 10);
      if (++seen[{m.home, date}] > 1 || ++seen[{m.away, date}] > 1) return false;
    }
  }
  return true;
}

}  // namespace

FairnessReport BuildFairnessReport(const FairnessInput& input, const Mask* mask) {
  FairnessReport report;
  CapacityInput capacity;
  capacity.playTimes = input.realPlayTimes;
  capacity.perPlayTime = input.perPlayTime;
  capacity.oneMatchPerDay = input.oneMatchPerDay ? *input.oneMatchPerDay : OneMatchPerDate(input);
  capacity.mask = mask;
  for (const FairnessClassInput& c : input.classes) {
    if (c.matches.empty()) continue;
    ClassFairness f = ComputeFairness(c, mask);
    auto before = input.breaksBefore.find(TrimRight(c.className));
    if (before != input.breaksBefore.end()) f.breaksBefore = before->second;
    report.competition.placeholderMatches += f.placeholderMatches;
    capacity.classes.emplace_back();
    for (const TeamFairness& t : f.teams) capacity.classes.back().push_back(t.team);
    for (const FairnessMatch& m : c.matches) capacity.matches.push_back({m.home, m.away});
    report.classes.push_back(std::move(f));
  }
  report.competition.placeholdersBefore = input.placeholdersBefore;
  if (input.perPlayTime > 0) report.competition.capacityBound = CapacityLowerBound(capacity);
  return report;
}

FairnessInput ReadFairnessFromDatabase(Database& db) {
  FairnessInput in;
  const CompetitionMap map = MapCompetition(db, in.classes);
  if (!db.competitionOpen()) return in;
  PlayTimeRec p;
  for (std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTimeRecord(recNo, p)) continue;
    for (const model::MatchValue& m : model::ListedMatches(p, recNo)) {
      auto home = map.byRecNo.find(m.home);
      auto away = map.byRecNo.find(m.away);
      if (home == map.byRecNo.end() || away == map.byRecNo.end()) continue;
      AddToClass(in, map, {p.playTime(), home->second.teamNumber, away->second.teamNumber});
    }
    if (!IsPlaceholderPlayTime(p.playTime())) in.realPlayTimes.push_back(p.playTime());
    in.perPlayTime = std::max(in.perPlayTime, std::min<int>(p.usedRows(), PlayTimeRec::kMaxRows));
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
    if (ReadLogLine(line, in)) continue;
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
    if (inPlayTimes) {
      playTime = exchange::Field(line, 1);
      if (!IsPlaceholderPlayTime(playTime)) in.realPlayTimes.push_back(playTime);
    }
  }
  if (!in.oneMatchPerDay) in.oneMatchPerDay = false;
  if (in.loggedMask) in.loggedMask = Mask::FromText(maskText);
  return in;
}

}  // namespace liga::scheduling
