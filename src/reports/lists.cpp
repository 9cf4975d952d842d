#include "reports/lists.h"

#include <algorithm>
#include <memory>

#include "common/encoding.h"
#include "common/progress.h"
#include "common/text.h"
#include "model/match_totals.h"
#include "model/matches.h"

namespace liga::reports {
namespace {

std::string rowLabel(int r) {
  return r == 0 ? std::string("LL") : FormatInt(r, 2);
}

void teamListColumnHeading(ReportWriter& w, const std::string& heading) {
  w.keepTogether(heading, 1);
  w.column(1);
  w.text("LgNr");
  w.column(7);
  w.line(" Lagnamn");
  w.pushFont('S');
  w.keepTogether(heading, 2);
  w.column(7);
  w.text(" Nr Namn");
  w.column(40);
  w.text(" Adress");
  w.column(64);
  w.text(" AdrOrt");
  w.column(88);
  w.line(" Telefon");
  w.line();
  w.popFont();
}

void teamBlock(ReportWriter& w, Database& db, const TeamRec& team, const std::string& heading) {
  int rows = 0;
  for (int r = 0; r < TeamRec::kContactRows; ++r) rows += team.contactRow(r).used();
  w.keepHeight(heading, w.lineHeight() + rows * w.smallLineHeight());
  w.column(1);
  w.text(FormatInt(team.teamNumber(), 4));
  w.column(7);
  w.text(" " + DisplayName(db, team.teamName()));
  if (team.ranking() != 0) {
    w.column(40);
    w.text(FormatInt(team.ranking(), 3));
  }
  w.line();
  w.pushFont('S');
  for (int r = 0; r < TeamRec::kContactRows; ++r) {
    const ContactRow row = team.contactRow(r);
    if (!row.used()) continue;
    w.column(7);
    w.text(" " + rowLabel(r) + " " + DisplayName(db, row.name()));
    w.column(40);
    w.text(" " + row.street());
    w.column(64);
    w.text(" " + row.town());
    w.column(88);
    w.line(" " + row.address4());
  }
  w.popFont();
  w.rule();
}

void scheduleColumnHeading(ReportWriter& w, const std::string& heading, bool withResult) {
  w.pushFont('S');
  w.keepTogether(heading, 2);
  w.column(1);
  w.text("mNr.");
  w.column(13);
  w.text(" Speldatumtid");
  w.column(34);
  w.text(" LgNr");
  w.column(40);
  w.text(" Lagnamn");
  w.column(72);
  w.text(" Ansv.ledare");
  if (withResult) {
    w.column(104);
    w.text(" ev.resultat");
  }
  w.line();
  w.line();
  w.popFont();
}

void scheduleLine(ReportWriter& w, const TeamMatchLine& m, const std::string& heading,
                  bool withResult) {
  w.pushFont('S');
  w.keepTogether(heading, 2);
  w.column(1);
  w.text(FormatInt(m.matchNumber, 3) + (m.home ? " H" : " B"));
  w.column(13);
  w.text(" " + m.playTime);
  w.column(34);
  w.text(" " + m.opponentKey);
  w.column(40);
  w.text(" " + m.opponentName);
  w.column(72);
  w.text(" " + m.gameLeader);
  if (withResult && m.played) {
    w.column(104);
    w.text(" " + ScoreText(m.homeScore, m.awayScore));
  }
  w.line();
  w.line();
  w.popFont();
}

std::string totalsLine(int matches, int played) {
  return model::MatchTotalsLine(matches, played, model::TotalsSpacing::Report);
}

// The printed line of one match of the league schedule.
std::string leagueMatchLine(TeamInfoCache& teams, const model::MatchValue& m,
                            const std::string& timeOfDay) {
  const TeamInfo& home = teams.get(m.home);
  const TeamInfo& away = teams.get(m.away);
  std::string s = PadRight(home.ok ? home.className : std::string(), 23) + " " + timeOfDay +
                  FormatInt(m.number, 4);
  s += home.ok ? " " + home.display : std::string(" ") + kMissingClub;
  s += away.ok ? " <-> " + away.display : std::string(" <-> ") + kMissingClub;
  s = PadRight(s, 60);
  if (m.played()) s += "  " + ScoreText(m.homeScore, m.awayScore);
  return s;
}

// The match line at column `c`; its result, which follows the 60 characters of the line,
// at column c + 60, so that results stand in one column in a proportional font too.
void printLeagueMatch(ReportWriter& w, int c, const std::string& line) {
  w.column(c);
  if (line.size() <= 60) {
    w.line(line);
    return;
  }
  w.text(TrimRight(line.substr(0, 60)));
  w.column(c + 60);
  w.line(line.substr(60));
}

std::int32_t homeClass(TeamInfoCache& teams, const model::MatchValue& m) {
  const TeamInfo& home = teams.get(m.home);
  return home.ok ? home.classRecNo : 0;
}

bool chosen(const RecNos& list, std::int32_t recNo) {
  return std::find(list.begin(), list.end(), recNo) != list.end();
}

std::string gridTitle(Database& db, const std::string& word, const ReportClock& clock) {
  return "LigaWin32: " + word + db.comp().competitionName() + " " + GridDateText(clock);
}

}  // namespace

std::vector<TeamMatchLine> ScheduleLines(TeamInfoCache& teams, const TeamRec& team) {
  std::vector<TeamMatchLine> out;
  for (const model::TeamMatch& match : model::TeamMatches(team)) {
    const TeamInfo& opponent = teams.get(match.opponent);
    TeamMatchLine m;
    if (!opponent.ok || !teams.playTime(match.playTimeRecNo, m.playTime, m.gameLeader)) continue;
    m.matchNumber = match.number;
    m.home = match.home;
    m.opponentKey = opponent.key;
    m.opponentName = opponent.display;
    m.played = match.played();
    m.homeScore = match.homeScore();
    m.awayScore = match.awayScore();
    out.push_back(std::move(m));
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Printed reports

void PrintTeamList(ReportContext& ctx, const RecNos& classes) {
  Database& db = ctx.db;
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  ReportWriter w(ctx.settings, ctx.clock);
  if (!w.openJob("laglista")) return;
  w.status(1, "Laglista klassvis");
  w.title("Laglista..");
  CompetitionHeading(w, db.comp());
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  for (std::size_t c = 0; c < classes.size() && !w.aborted(); ++c) {
    if (!ReadClassRec(db, classes[c], *cls)) continue;
    const RecNos teams = SelectTeams(ctx, classes[c], kSortClassNumber);
    if (teams.empty()) continue;
    const std::string heading = cls->className();
    w.needLines(true, 13);
    ClassHeading(w, *cls);
    teamListColumnHeading(w, heading);
    for (std::size_t t = 0; t < teams.size() && !w.aborted(); ++t) {
      if (!ReadTeamRec(db, teams[t], *team)) continue;
      teamBlock(w, db, *team, heading);
      w.status(2, W("Klass^:") + heading + " " + "Antal:" + FormatInt(t + 1, 4) +
                      " Totalt:" + FormatInt(teams.size(), 4));
    }
    w.keepTogether(heading, 2);
    w.line();
    w.line();
  }
  OrganiserFooter(w, db.comp());
  w.finish();
}

void PrintTeamSchedules(ReportContext& ctx, const RecNos& teams) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  const bool counter = OpenProgress("spelprogram", 8, true);
  auto team = std::make_unique<TeamRec>();
  auto cls = std::make_unique<DivisionRec>();
  for (std::size_t t = 0; t < teams.size() && !ProgressAborted(); ++t) {
    if (!ReadTeamRec(db, teams[t], *team)) continue;
    const std::string display = DisplayName(db, team->teamName());
    const std::string job = "spelpgm: \"" + display + "\"";
    if (counter) ProgressLine(2, job);
    ReportWriter w(ctx.settings, ctx.clock);
    if (!w.openJob(job)) continue;
    const bool haveClass = ReadClassRec(db, team->divisionRecNo(), *cls);
    w.status(1, job);
    w.title(job);
    CompetitionHeading(w, db.comp());
    if (haveClass) ClassHeading(w, *cls);
    scheduleColumnHeading(w, display, true);
    const auto matches = ScheduleLines(info, *team);
    int played = 0;
    for (const TeamMatchLine& m : matches) {
      if (w.aborted()) break;
      scheduleLine(w, m, display, true);
      played += m.played;
    }
    if (!matches.empty()) {
      w.keepTogether(display, 1);
      w.line(totalsLine(static_cast<int>(matches.size()), played));
      w.rule();
    }
    w.status(2, "Klass: " + (haveClass ? cls->className() : std::string()));
    OrganiserFooter(w, db.comp());
    w.finish();
  }
  if (counter) CloseProgress();
}

void PrintLeagueSchedule(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes,
                         bool allClasses) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  ReportWriter w(ctx.settings, ctx.clock);
  if (!w.openJob("spelschema")) return;
  w.status(1, "Spelschema");
  w.title("spelschema..");
  CompetitionHeading(w, db.comp());
  auto cls = std::make_unique<DivisionRec>();
  if (!allClasses) {
    std::string names;
    for (std::int32_t c : classes) {
      if (!ReadClassRec(db, c, *cls)) continue;
      const std::string name = TrimRight(cls->className());
      if (!names.empty() && static_cast<int>(names.size() + 1 + name.size()) > w.charsPerLine()) {
        w.keepTogether("", 1);
        w.line(names);
        names.clear();
      }
      names += (names.empty() ? "" : " ") + name;
    }
    if (!names.empty()) {
      w.keepTogether("", 1);
      w.line(names);
    }
    w.rule();
    w.rule();
  }
  auto pt = std::make_unique<PlayTimeRec>();
  std::string lastDate, lastLeader;
  bool first = true;
  for (std::size_t p = 0; p < playTimes.size() && !w.aborted(); ++p) {
    if (!ReadPlayTimeRec(db, playTimes[p], *pt)) continue;
    const std::string text = pt->playTime();
    w.progress(static_cast<int>(p + 1), static_cast<int>(playTimes.size()));
    w.status(2, "Speltid \"" + text + "\"");
    const auto matches = model::ListedMatches(*pt, playTimes[p]);
    if (allClasses) {
      w.keepTogether(text, static_cast<int>(matches.size()) + 1);
      w.text(text);
      w.column(20);
      w.line(" " + pt->gameLeader());
      w.pushFont('S');
      for (const model::MatchValue& m : matches) {
        w.column(5);
        printLeagueMatch(w, 5, leagueMatchLine(info, m, ""));
      }
      w.popFont();
      w.rule();
      continue;
    }
    const std::string date = text.substr(0, std::min<std::size_t>(10, text.size()));
    const bool changed = first || date != lastDate || pt->gameLeader() != lastLeader;
    first = false;
    lastDate = date;
    lastLeader = pt->gameLeader();
    std::vector<model::MatchValue> mine;
    for (const model::MatchValue& m : matches)
      if (chosen(classes, homeClass(info, m))) mine.push_back(m);
    if (changed) w.rule();
    if (mine.empty() && !changed) continue;
    w.keepTogether(text, static_cast<int>(mine.size()) + 1);
    if (changed) {
      w.text(date);
      w.column(20);
      w.line(" " + pt->gameLeader());
    }
    const std::string timeOfDay = PadRight(text.size() > 11 ? text.substr(11) : "", 7);
    w.pushFont('S');
    for (const model::MatchValue& m : mine) {
      w.column(3);
      printLeagueMatch(w, 3, leagueMatchLine(info, m, timeOfDay));
    }
    w.popFont();
  }
  OrganiserFooter(w, db.comp());
  w.finish();
}

void PrintRemainingMatches(ReportContext& ctx, const RecNos& classes) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  const std::string job = "\"kvar-att-spela\"";
  ReportWriter w(ctx.settings, ctx.clock);
  if (!w.openJob(job)) return;
  w.status(1, "kvar-att-spela");
  w.title("\"Kvar att spela\"");
  CompetitionHeading(w, db.comp());
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  int totalPlayed = 0, totalLeft = 0;
  for (std::size_t c = 0; c < classes.size() && !w.aborted(); ++c) {
    if (!ReadClassRec(db, classes[c], *cls)) continue;
    const std::string className = cls->className();
    w.status(2, W("Klass^: ") + "\"" + className + "\"");
    const RecNos teams = SelectTeams(ctx, classes[c], kSortClassNumber);
    if (teams.empty()) continue;
    w.needLines(true, 13);
    ClassHeading(w, *cls);
    teamListColumnHeading(w, className);
    for (std::size_t t = 0; t < teams.size() && !w.aborted(); ++t) {
      w.status(3, " Antal: " + FormatInt(t + 1, 4) + " [" + FormatInt(teams.size(), 4) + "]");
      if (!ReadTeamRec(db, teams[t], *team)) continue;
      const auto matches = ScheduleLines(info, *team);
      int played = 0;
      for (const auto& m : matches) played += m.played;
      totalPlayed += played;
      totalLeft += static_cast<int>(matches.size()) - played;
      if (played == static_cast<int>(matches.size())) continue;
      const std::string heading = className + ": " + DisplayName(db, team->teamName());
      teamBlock(w, db, *team, className);
      scheduleColumnHeading(w, heading, false);
      for (const auto& m : matches)
        if (!m.played) scheduleLine(w, m, heading, false);
      w.keepTogether(heading, 2);
      w.line(totalsLine(static_cast<int>(matches.size()), played));
      w.rule();
      w.line();
    }
    w.keepTogether(className, 2);
    w.line();
    w.line();
  }
  w.keepTogether("", 1);
  w.line("Antal spelade:" + FormatInt(totalPlayed, 4) + " kvar:" + FormatInt(totalLeft, 4));
  OrganiserFooter(w, db.comp());
  w.finish();
}

// ---------------------------------------------------------------------------------------
// Grid views

namespace {

void gridClassHeading(GridModel& g, const DivisionRec& cls) {
  g.addCell(cls.className());
  g.endRow("Lag:" + FormatInt(cls.teamCount(), 3));
}

void gridTeamBlock(GridModel& g, Database& db, const TeamRec& team) {
  g.addCell(FormatInt(team.teamNumber(), 4));
  g.addCell(DisplayName(db, team.teamName()));
  g.endRow(team.ranking() != 0 ? FormatInt(team.ranking(), 3) : std::string());
  for (int r = 0; r < TeamRec::kContactRows; ++r) {
    const ContactRow row = team.contactRow(r);
    if (!row.used()) continue;
    g.addCell("");
    g.addCell(rowLabel(r) + " " + DisplayName(db, row.name()));
    g.addCell(row.street());
    g.addCell(row.town());
    g.endRow(row.address4());
  }
}

void gridTeamListHeading(GridModel& g) {
  g.addCell("LgNr");
  g.addCell("Lagnamn");
  g.endRow();
  g.addCell("");
  g.addCell("Nr Namn");
  g.addCell("Adress");
  g.addCell("AdrOrt");
  g.endRow("Telefon");
}

void gridScheduleHeading(GridModel& g, bool withResult) {
  for (const char* h : {"mNr.", "Speldatumtid", "LgNr", "Lagnamn", "Ansv.ledare"}) g.addCell(h);
  g.endRow(withResult ? "ev.resultat" : "");
}

void gridScheduleRow(GridModel& g, const TeamMatchLine& m, bool withResult) {
  g.addCell(FormatInt(m.matchNumber, 3) + (m.home ? " H" : " B"));
  g.addCell(m.playTime);
  g.addCell(m.opponentKey);
  g.addCell(m.opponentName);
  g.addCell(m.gameLeader);
  g.endRow(withResult && m.played ? ScoreText(m.homeScore, m.awayScore) : std::string());
}

}  // namespace

GridModel ViewTeamList(ReportContext& ctx, const RecNos& classes) {
  Database& db = ctx.db;
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  GridModel g(gridTitle(db, "laglista klassvis: ", ctx.clock));
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  bool any = false;
  for (std::int32_t c : classes) {
    if (!ReadClassRec(db, c, *cls)) continue;
    const RecNos teams = SelectTeams(ctx, c, kSortClassNumber);
    if (teams.empty()) continue;
    if (any) g.endRow("--");
    any = true;
    gridClassHeading(g, *cls);
    gridTeamListHeading(g);
    for (std::int32_t t : teams)
      if (ReadTeamRec(db, t, *team)) gridTeamBlock(g, db, *team);
  }
  return g;
}

GridModel ViewTeamSchedules(ReportContext& ctx, const RecNos& teams) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  GridModel g(gridTitle(db, "spelprogram: ", ctx.clock));
  auto team = std::make_unique<TeamRec>();
  auto cls = std::make_unique<DivisionRec>();
  bool any = false;
  for (std::int32_t t : teams) {
    if (!ReadTeamRec(db, t, *team)) continue;
    if (any) g.endRow("--");
    any = true;
    g.addCell(team->teamNumberKey());
    g.addCell(DisplayName(db, team->teamName()));
    g.endRow(ReadClassRec(db, team->divisionRecNo(), *cls) ? cls->className() : std::string());
    gridScheduleHeading(g, true);
    const auto matches = ScheduleLines(info, *team);
    int played = 0;
    for (const auto& m : matches) {
      gridScheduleRow(g, m, true);
      played += m.played;
    }
    if (!matches.empty()) g.endRow(totalsLine(static_cast<int>(matches.size()), played));
  }
  return g;
}

GridModel ViewLeagueSchedule(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  GridModel g(gridTitle(db, "spelschema: ", ctx.clock));
  auto pt = std::make_unique<PlayTimeRec>();
  for (std::int32_t p : playTimes) {
    if (!ReadPlayTimeRec(db, p, *pt)) continue;
    std::vector<model::MatchValue> mine;
    for (const model::MatchValue& m : model::ListedMatches(*pt, p))
      if (chosen(classes, homeClass(info, m))) mine.push_back(m);
    if (mine.empty()) continue;
    g.addCell(pt->playTime());
    g.endRow(pt->gameLeader());
    for (const model::MatchValue& m : mine) {
      const TeamInfo& home = info.get(m.home);
      const TeamInfo& away = info.get(m.away);
      g.addCell(home.ok ? home.className : std::string());
      g.addCell(FormatInt(m.number, 4));
      g.addCell(home.ok ? home.display : kMissingTeam);
      g.addCell(" - ");
      g.addCell(away.ok ? away.display : kMissingTeam);
      g.endRow(m.played() ? ScoreText(m.homeScore, m.awayScore) : std::string());
    }
  }
  return g;
}

GridModel ViewRemainingMatches(ReportContext& ctx, const RecNos& classes) {
  Database& db = ctx.db;
  TeamInfoCache info(db);
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  GridModel g(gridTitle(db, "\"kvar-att-spela\": ", ctx.clock));
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  int totalPlayed = 0, totalLeft = 0;
  bool any = false;
  for (std::int32_t c : classes) {
    if (!ReadClassRec(db, c, *cls)) continue;
    const RecNos teams = SelectTeams(ctx, c, kSortClassNumber);
    if (teams.empty()) continue;
    if (any) g.endRow("--");
    any = true;
    gridClassHeading(g, *cls);
    for (std::int32_t t : teams) {
      if (!ReadTeamRec(db, t, *team)) continue;
      const auto matches = ScheduleLines(info, *team);
      int played = 0;
      for (const auto& m : matches) played += m.played;
      totalPlayed += played;
      totalLeft += static_cast<int>(matches.size()) - played;
      if (played == static_cast<int>(matches.size())) continue;
      gridTeamBlock(g, db, *team);
      gridScheduleHeading(g, false);
      for (const auto& m : matches)
        if (!m.played) gridScheduleRow(g, m, false);
      g.endRow(totalsLine(static_cast<int>(matches.size()), played));
    }
  }
  g.endRow("Antal spelade:" + FormatInt(totalPlayed, 4) + " kvar:" + FormatInt(totalLeft, 4));
  return g;
}

}  // namespace liga::reports
