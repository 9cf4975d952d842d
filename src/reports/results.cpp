#include "reports/results.h"

#include <algorithm>
#include <map>
#include <memory>

#include "common/encoding.h"
#include "common/text.h"
#include "model/matches.h"
#include "model/standings.h"

namespace liga::reports {
namespace {

bool fits(const model::MatchValue& m, MatchMode mode) {
  const bool home = ScorePresent(m.homeScore), away = ScorePresent(m.awayScore);
  return mode == MatchMode::Played ? (home && away) : (!home && !away);
}

// " " + number text + " " + display name, cut to 29 characters.
std::string printedTeamText(const TeamInfo& t) {
  return (" " + t.key + " " + t.display).substr(0, 29);
}

const std::vector<std::pair<int, const char*>>& tableColumns() {
  static const std::vector<std::pair<int, const char*>> columns = {
      {1, "Lagnamn"}, {31, "Spe"},     {38, "Vun"},     {44, "Oav"},
      {50, "F\xf6r"}, {58, "Differ."}, {70, "Po\xe4ng"}};
  return columns;
}

std::vector<std::string> rowCells(const StandingsRow& r) {
  return {r.teamName,
          FormatInt(r.played, 2),
          FormatInt(r.won, 2),
          FormatInt(r.drawn, 2),
          FormatInt(r.lost, 2),
          FormatInt(r.goalsFor, 3) + "-" + FormatInt(r.goalsAgainst, 3),
          FormatInt(r.points, 2)};
}

// Prints the match list of one play time for one class in one mode; nothing at all when
// the play time holds no such match.
void printMatchList(ReportWriter& w, TeamInfoCache& teams, const PlayTimeRec& pt,
                    const DivisionRec& cls, std::int32_t classRecNo, MatchMode mode) {
  if (ClassMatches(teams, pt, classRecNo, mode).empty()) return;
  w.pushFont('N');
  w.keepTogether(cls.className(), 1);
  w.line(pt.playTime());
  for (const model::MatchValue& m : model::ListedMatches(pt)) {
    const TeamInfo& home = teams.get(m.home);
    const TeamInfo& away = teams.get(m.away);
    const bool homeOk = home.ok, awayOk = away.ok;
    std::string text = homeOk ? printedTeamText(home) : std::string(" ") + kMissingClub;
    if (m.away > 0) text += " <-> " + (awayOk ? printedTeamText(away) : std::string(kMissingClub));
    std::string score;
    if (m.played()) {
      static const std::string pattern = [] {
        std::string p;
        while (p.size() < 64) p += "  .";
        return p;
      }();
      if (text.size() < 64) text += pattern.substr(text.size(), 64 - text.size());
      score = " " + ScoreText(m.homeScore, m.awayScore);
    }
    const bool mine = homeOk && awayOk && away.classRecNo == classRecNo && fits(m, mode);
    if (!mine) continue;
    w.keepTogether(cls.className(), 1);
    w.column(5);
    w.text(text);
    w.column(69);
    w.line(score);
  }
  w.popFont();
}

std::string gridTeamText(const TeamInfo& t) {
  return t.ok ? t.key + " " + t.display : std::string(kMissingClub);
}

}  // namespace

std::vector<ResultMatch> ClassMatches(TeamInfoCache& teams, const PlayTimeRec& pt,
                                      std::int32_t classRecNo, MatchMode mode) {
  std::vector<ResultMatch> out;
  for (const model::MatchValue& m : model::ListedMatches(pt)) {
    if (!fits(m, mode)) continue;
    const TeamInfo& home = teams.get(m.home);
    const TeamInfo& away = teams.get(m.away);
    if (!home.ok || !away.ok || away.classRecNo != classRecNo) continue;
    ResultMatch x;
    x.matchNumber = m.number;
    x.homeText = gridTeamText(home);
    x.awayText = gridTeamText(away);
    x.played = mode == MatchMode::Played;
    x.homeScore = m.homeScore;
    x.awayScore = m.awayScore;
    out.push_back(std::move(x));
  }
  return out;
}

StandingsTable Standings(ReportContext& ctx, std::int32_t classRecNo) {
  StandingsTable out;
  for (const model::ClassTable& table : model::Standings(ctx.db, ctx.selection, classRecNo)) {
    std::map<std::int32_t, std::string> names;
    for (const model::TableRow& t : table.rows) {
      names[t.recNo] = t.teamName;
      out.rows.push_back(
          {t.teamName, t.played, t.won, t.drawn, t.lost, t.goalsFor, t.goalsAgainst, t.points});
    }
    for (const TieNote& n : table.notes) {
      const auto ahead = names.find(n.ahead), behind = names.find(n.behind);
      if (ahead == names.end() || behind == names.end()) continue;
      out.notes.push_back(
          Utf8ToCp1252(TieNoteLine(Cp1252ToUtf8(ahead->second), Cp1252ToUtf8(behind->second), n)));
    }
  }
  return out;
}

void PrintResults(ReportContext& ctx, const RecNos& classes, const RecNos& playTimes) {
  Database& db = ctx.db;
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  auto cls = std::make_unique<DivisionRec>();
  auto pt = std::make_unique<PlayTimeRec>();
  TeamInfoCache teams(db);
  bool stopped = false;
  for (std::size_t c = 0; c < classes.size() && !stopped; ++c) {
    if (!ReadClassRec(db, classes[c], *cls)) continue;
    ReportWriter w(ctx.settings, ctx.clock);
    if (!w.openJob("resultat")) continue;
    const std::string className = cls->className();
    w.progress(static_cast<int>(c + 1), static_cast<int>(classes.size()));
    w.status(1, "resultat");
    w.title("Resultattabell..");
    CompetitionHeading(w, db.comp());
    ClassHeading(w, *cls, W(" Anmälda:"));
    w.status(2, W("Klass^: ") + "\"" + className + "\"");
    w.keepTogether(className, 1);
    w.line("Spelade matcher...");
    w.rule();
    for (std::int32_t p : playTimes) {
      if (w.aborted()) break;
      if (!ReadPlayTimeRec(db, p, *pt)) continue;
      w.status(3, "Speldag: \"" + pt->playTime() + "\"");
      printMatchList(w, teams, *pt, *cls, classes[c], MatchMode::Played);
    }
    const auto table = Standings(ctx, classes[c]);
    if (!table.empty()) {
      w.keepTogether(className, 2);
      w.line();
      for (const auto& [col, heading] : tableColumns()) {
        w.column(col);
        w.text(heading);
      }
      w.line();
      for (const StandingsRow& r : table.rows) {
        if (w.aborted()) break;
        w.keepTogether(className, 1);
        const auto cells = rowCells(r);
        for (std::size_t i = 0; i < cells.size(); ++i) {
          w.column(tableColumns()[i].first);
          w.text(cells[i]);
        }
        w.line();
      }
      for (const std::string& note : table.notes) w.line(note);
    }
    w.keepTogether(className, 2);
    w.line();
    w.rule();
    w.line("Kommande/kvarvarande matcher...");
    w.rule();
    for (std::int32_t p : playTimes) {
      if (w.aborted()) break;
      if (!ReadPlayTimeRec(db, p, *pt)) continue;
      w.status(3, "Speldag: \"" + pt->playTime() + "\"");
      printMatchList(w, teams, *pt, *cls, classes[c], MatchMode::NotPlayed);
    }
    OrganiserFooter(w, db.comp());
    stopped = w.aborted();
    w.finish();
  }
}

std::string ResultsViewTitle(const std::vector<GridModel>& grids) {
  static const std::string kHead = "LigaWin32: resultattabell: ";
  if (grids.empty()) return {};
  const std::string& first = grids[0].title();
  const std::string firstClass = grids[0].rowCount() > 0 ? grids[0].text(0, 0) : std::string();
  if (first.rfind(kHead + firstClass, 0) != 0) return first;
  std::string names;
  for (const GridModel& g : grids) {
    if (g.rowCount() == 0) continue;
    names += (names.empty() ? "" : ", ") + g.text(0, 0);
  }
  return kHead + names + first.substr(kHead.size() + firstClass.size());
}

std::vector<GridModel> ViewResults(ReportContext& ctx, const RecNos& classes,
                                   const RecNos& playTimes) {
  Database& db = ctx.db;
  ctx.selection.invalidateRequest();
  db.resetClassBuffer();
  std::vector<GridModel> grids;
  auto cls = std::make_unique<DivisionRec>();
  auto pt = std::make_unique<PlayTimeRec>();
  TeamInfoCache teams(db);
  for (std::int32_t c : classes) {
    if (!ReadClassRec(db, c, *cls)) continue;
    GridModel g("LigaWin32: resultattabell: " + cls->className() + ": " +
                db.comp().competitionName() + " " + GridDateText(ctx.clock));
    g.addCell(cls->className());
    g.endRow(W("Anmälda:") + FormatInt(cls->teamCount(), 3));
    auto matchRows = [&](MatchMode mode) {
      for (std::int32_t p : playTimes) {
        if (!ReadPlayTimeRec(db, p, *pt)) continue;
        const auto matches = ClassMatches(teams, *pt, c, mode);
        if (matches.empty()) continue;
        g.addCell("");
        g.endRow(pt->playTime());
        for (const ResultMatch& m : matches) {
          g.addCell("");
          g.addCell(m.homeText);
          g.addCell(" - ");
          g.addCell(m.awayText);
          g.endRow(m.played ? ScoreText(m.homeScore, m.awayScore) : std::string());
        }
        g.endRow();
      }
    };
    g.endRow("Spelade matcher...");
    matchRows(MatchMode::Played);
    const auto table = Standings(ctx, c);
    if (!table.empty()) {
      g.endRow("--");
      g.endRow();
      for (const auto& [col, heading] : tableColumns()) g.addCell(heading);
      g.endRow();
      for (const StandingsRow& r : table.rows) {
        for (const std::string& cell : rowCells(r)) g.addCell(cell);
        g.endRow();
      }
      for (const std::string& note : table.notes) g.endRow(note);
    }
    g.endRow("--");
    g.endRow();
    g.endRow("Kvarvarande matcher...");
    matchRows(MatchMode::NotPlayed);
    g.addCell(db.comp().organiser());
    g.endRow(db.comp().competitionName());
    for (const auto& [name, phone] : OrganiserContacts(db.comp())) {
      g.addCell(name);
      g.endRow(phone.empty() ? std::string() : "Tfn: " + phone);
    }
    grids.push_back(std::move(g));
  }
  return grids;
}

}  // namespace liga::reports
