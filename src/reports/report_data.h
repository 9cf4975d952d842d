// What every report shares: reading records by number without disturbing the current
// records of the database, the display names, and the print job's settings.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database/database.h"
#include "model/team_selection.h"
#include "reports/report_settings.h"
#include "reports/report_writer.h"

namespace liga::reports {

// The text shown for a team that cannot be read.
inline constexpr const char* kMissingClub = "Felifilenkanejfinnaklubb";
inline constexpr const char* kMissingTeam = "Felifilenkanejfinnalag";

struct ReportContext {
  Database& db;
  TeamSelection& selection;
  ReportSettings settings;
  ReportClock clock;  // empty: the system clock
};

// Reads record `recNo` of a file into `out` (DOS texts converted); false when the number is
// outside the file or the record is not in use.
bool ReadClassRec(Database& db, std::int32_t recNo, DivisionRec& out);
bool ReadTeamRec(Database& db, std::int32_t recNo, TeamRec& out);
bool ReadPlayTimeRec(Database& db, std::int32_t recNo, PlayTimeRec& out);

// Record numbers of every class (by name), every team (by team number) and every play time
// (by its key), for commands run without pick lists.
std::vector<std::int32_t> AllClasses(Database& db);
std::vector<std::int32_t> AllTeams(Database& db);
std::vector<std::int32_t> AllPlayTimes(Database& db);

// What the match lists need of a team, read once per report run: a report of the largest
// competition names each team hundreds of times.
struct TeamInfo {
  bool ok = false;  // the record could be read
  std::int32_t classRecNo = 0;
  std::string key, name, display, className;
};
class TeamInfoCache {
 public:
  explicit TeamInfoCache(Database& db);
  const TeamInfo& get(std::int32_t recNo);
  // The play-time text and game leader of a play time ("" and false when unreadable).
  bool playTime(std::int32_t recNo, std::string& text, std::string& leader);

 private:
  Database& m_db;
  std::unique_ptr<TeamRec> m_team;
  std::unique_ptr<DivisionRec> m_cls;
  std::unique_ptr<PlayTimeRec> m_pt;
  std::map<std::int32_t, TeamInfo> m_teams;
  std::map<std::int32_t, std::pair<std::string, std::string>> m_playTimes;
  std::map<std::int32_t, bool> m_playTimeOk;
};

// Team and person names in their display form for the open competition.
std::string DisplayName(Database& db, const std::string& name);

// The teams of one class in the order of `kind`, through the team selection.
std::vector<std::int32_t> SelectTeams(ReportContext& ctx, std::int32_t classRecNo,
                                      std::uint8_t kind);

// The four organiser contacts that have a name or a telephone number: (name, telephone).
std::vector<std::pair<std::string, std::string>> OrganiserContacts(const CompetitionRec& comp);

// Common blocks of the printed reports (bold font):
//  * competition heading: organiser, competition name, two rules;
//  * class heading: rule, class name, at column 66 `label` + registered teams (3), rule;
//  * organiser footer: rule, organiser and competition name, the contacts, rule.
void CompetitionHeading(ReportWriter& w, const CompetitionRec& comp);
void ClassHeading(ReportWriter& w, const DivisionRec& cls, const std::string& label = "Lag:");
void OrganiserFooter(ReportWriter& w, const CompetitionRec& comp);

// A score pair "h-a", each right-aligned in 2 characters.
std::string ScoreText(int home, int away);
// The date and time for grid titles: 19 characters.
std::string GridDateText(const ReportClock& clock);

}  // namespace liga::reports
