#include "reports/report_data.h"

#include <algorithm>
#include <memory>

#include "common/text.h"

namespace liga::reports {
bool ReadClassRec(Database& db, std::int32_t recNo, DivisionRec& out) {
  return db.readClassRecord(recNo, out);
}
bool ReadTeamRec(Database& db, std::int32_t recNo, TeamRec& out) {
  return db.readTeamRecord(recNo, out);
}
bool ReadPlayTimeRec(Database& db, std::int32_t recNo, PlayTimeRec& out) {
  return db.readPlayTimeRecord(recNo, out);
}

std::vector<std::int32_t> AllClasses(Database& db) {
  return db.competitionOpen() ? db.classesInKeyOrder() : std::vector<std::int32_t>{};
}

std::vector<std::int32_t> AllPlayTimes(Database& db) {
  return db.competitionOpen() ? db.playTimesInKeyOrder() : std::vector<std::int32_t>{};
}

std::vector<std::int32_t> AllTeams(Database& db) {
  std::vector<std::int32_t> out;
  if (!db.competitionOpen()) return out;
  auto team = std::make_unique<TeamRec>();
  std::vector<std::pair<int, std::int32_t>> numbered;
  for (std::int32_t r = 1; r < db.teamFileLength(); ++r)
    if (ReadTeamRec(db, r, *team)) numbered.emplace_back(team->teamNumber(), r);
  std::sort(numbered.begin(), numbered.end());
  for (const auto& [n, r] : numbered) out.push_back(r);
  return out;
}

TeamInfoCache::TeamInfoCache(Database& db)
    : m_db(db),
      m_team(std::make_unique<TeamRec>()),
      m_cls(std::make_unique<DivisionRec>()),
      m_pt(std::make_unique<PlayTimeRec>()) {}

const TeamInfo& TeamInfoCache::get(std::int32_t recNo) {
  auto it = m_teams.find(recNo);
  if (it != m_teams.end()) return it->second;
  TeamInfo info;
  if (ReadTeamRec(m_db, recNo, *m_team)) {
    info.ok = true;
    info.classRecNo = m_team->divisionRecNo();
    info.key = m_team->teamNumberKey();
    info.name = m_team->teamName();
    info.display = DisplayName(m_db, info.name);
    if (ReadClassRec(m_db, info.classRecNo, *m_cls)) info.className = m_cls->className();
  }
  return m_teams.emplace(recNo, std::move(info)).first->second;
}

bool TeamInfoCache::playTime(std::int32_t recNo, std::string& text, std::string& leader) {
  auto ok = m_playTimeOk.find(recNo);
  if (ok == m_playTimeOk.end()) {
    const bool read = ReadPlayTimeRec(m_db, recNo, *m_pt);
    ok = m_playTimeOk.emplace(recNo, read).first;
    if (read) m_playTimes[recNo] = {m_pt->playTime(), m_pt->gameLeader()};
  }
  if (!ok->second) return false;
  text = m_playTimes[recNo].first;
  leader = m_playTimes[recNo].second;
  return true;
}

std::string DisplayName(Database& db, const std::string& name) {
  return TeamDisplayName(name, false, db.comp().titleCaseNames());
}

std::vector<std::int32_t> SelectTeams(ReportContext& ctx, std::int32_t classRecNo,
                                      std::uint8_t kind) {
  SelectionRequest request;
  request.classFilter = static_cast<std::int16_t>(classRecNo);
  request.kind = kind;
  const int n = ctx.selection.select(request);
  const auto& list = ctx.selection.selected();
  return std::vector<std::int32_t>(list.begin(),
                                   list.begin() + std::min<std::size_t>(n, list.size()));
}

std::vector<std::pair<std::string, std::string>> OrganiserContacts(const CompetitionRec& comp) {
  std::vector<std::pair<std::string, std::string>> out;
  for (int c = 0; c < CompetitionRec::kContactBlocks; ++c) {
    const std::string name = TrimRight(comp.contact(c, 0));
    const std::string phone = TrimRight(comp.contact(c, 3));
    if (!name.empty() || !phone.empty()) out.emplace_back(name, phone);
  }
  return out;
}

void CompetitionHeading(ReportWriter& w, const CompetitionRec& comp) {
  w.pushFont('B');
  w.keepTogether("", 2);
  w.line(comp.organiser());
  w.line(comp.competitionName());
  w.rule();
  w.rule();
  w.popFont();
}

void ClassHeading(ReportWriter& w, const DivisionRec& cls, const std::string& label) {
  w.pushFont('B');
  w.keepTogether(cls.className(), 1);
  w.rule();
  w.text(cls.className());
  w.column(66);
  w.line(label + FormatInt(cls.teamCount(), 3));
  w.rule();
  w.popFont();
}

void OrganiserFooter(ReportWriter& w, const CompetitionRec& comp) {
  const auto contacts = OrganiserContacts(comp);
  w.pushFont('B');
  w.keepTogether("", static_cast<int>(contacts.size()) + 1);
  w.rule();
  w.line(comp.organiser() + " " + comp.competitionName());
  for (const auto& [name, phone] : contacts)
    w.line(phone.empty() ? name : name + "  Tfn: " + phone);
  w.rule();
  w.popFont();
}

std::string ScoreText(int home, int away) {
  return FormatInt(home, 2) + "-" + FormatInt(away, 2);
}

std::string GridDateText(const ReportClock& clock) {
  return PadRight(clock ? clock() : NowText(), 19).substr(0, 19);
}

}  // namespace liga::reports
