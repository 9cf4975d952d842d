#include "reports/protocols.h"

#include <cmath>
#include <memory>
#include <vector>

#include "common/progress.h"
#include "common/text.h"
#include "model/matches.h"

namespace liga::reports {
namespace {

struct LayoutShape {
  int sections, rows;
};

LayoutShape shapeOf(ProtocolLayout l) {
  switch (l) {
    case ProtocolLayout::Individual:
      return {5, 7};
    case ProtocolLayout::Team:
      return {1, 32};
    case ProtocolLayout::Badminton:
      return {4, 8};
  }
  return {1, 32};
}

bool sectionHasPlayers(ProtocolLayout l, int section) {
  return l != ProtocolLayout::Individual || section <= 4;
}

std::string teamText(Database& db, bool ok, const TeamRec& t) {
  return ok ? "\"" + t.teamNumberKey() + "\" " + DisplayName(db, t.teamName())
            : std::string(kMissingClub);
}

struct ProtocolTeams {
  std::unique_ptr<TeamRec> home = std::make_unique<TeamRec>();
  std::unique_ptr<TeamRec> away = std::make_unique<TeamRec>();
  bool homeOk = false, awayOk = false;
};

// The play time, the game leader, the class and match number, and the two teams.
void printHeading(ReportWriter& w, Database& db, ProtocolLayout layout, const PlayTimeRec& pt,
                  const model::MatchValue& m, const ProtocolTeams& t, const ProtocolColumns& c) {
  const std::string when = pt.playTime();
  const bool badminton = layout == ProtocolLayout::Badminton;
  w.pushFont('B');
  w.keepTogether(when, 2);
  w.line(when);
  if (badminton) w.pushFont('N');
  w.line(pt.gameLeader());
  if (badminton) w.popFont();
  w.keepTogether(when, 1);
  const std::string number = " Matchnr:" + FormatInt(m.number, 4);
  auto cls = std::make_unique<DivisionRec>();
  if (t.homeOk && ReadClassRec(db, t.home->divisionRecNo(), *cls))
    w.line(cls->className() + number);
  else
    w.line(number);
  w.popFont();

  w.pushFont(badminton ? 'B' : 'N');
  w.keepTogether(when, 1);
  w.column(c.c1);
  w.text(" " + teamText(db, t.homeOk, *t.home));
  w.column(c.c2);
  w.text(" " + teamText(db, t.awayOk, *t.away));
  w.pushFont('N');
  w.column(c.c3 + 1);
  w.text(" Delresultat");
  w.popFont();
  w.line();
  w.popFont();
}

// Row `r` of section `s`: the section's number or kind, the partial-result mark, and the
// teams' players numbered by their contact rows.
void printRow(ReportWriter& w, Database& db, ProtocolLayout layout, const ProtocolTeams& t,
              const ProtocolColumns& c, int s, int r) {
  const bool team = layout == ProtocolLayout::Team;
  const bool badminton = layout == ProtocolLayout::Badminton;
  const bool individual = layout == ProtocolLayout::Individual;
  const bool marked =
      (individual && r == 3) || (badminton && (r == 2 || r == 6)) || (team && r == 16);
  if (individual && r == 3) {
    w.column(1);
    w.text(FormatInt(s, 2));
  }
  if (badminton && r == 4 && s <= 3) {
    w.column(1);
    w.text(s == 1 ? " Dubbel" : " Singel");
  }
  if (team && r == 16) {
    w.column(1);
    w.text("1");
  }
  if (marked) {
    w.column(c.c4 - 1);
    w.text("--");
  }
  if (r <= 22 && sectionHasPlayers(layout, s)) {
    auto player = [&](const TeamRec& team, bool ok, int from, int to) {
      if (!ok) return;
      const std::string name = TrimRight(team.contactRow(r).name());
      if (name.empty()) return;
      const std::string text = FormatInt(r, 2, '0') + " " + DisplayName(db, name);
      if (to - from - 1 > 3 && static_cast<int>(text.size()) > 3) {
        w.column(from + 1);
        w.text(text);
      }
    };
    player(*t.home, t.homeOk, c.c1, c.c2);
    player(*t.away, t.awayOk, c.c2, c.c3);
  }
  w.line();
}

// Where the table's rules go once its rows are printed.
struct TableRules {
  double top = 0, bottom = 0;
  std::vector<double> sectionLines, midLines;
};

void printResult(ReportWriter& w, const std::string& when, const model::MatchValue& m,
                 const ProtocolColumns& c) {
  w.keepTogether(when, 3);
  w.line();
  w.column(c.c2 + 2);
  w.text("Resultat");
  w.column(c.c4 - 4);
  if (m.played())
    w.text(FormatInt(m.homeScore, 2) + " -- " + FormatInt(m.awayScore, 2));
  else
    w.text("   --");
  w.line();
  w.line();
}

// The vertical rules of the table, and the short rules of the partial-result column.
void drawRules(ReportWriter& w, ProtocolLayout layout, const ProtocolColumns& c,
               const TableRules& rules) {
  const double x[] = {w.columnX(c.c1), w.columnX(c.c2), w.columnX(c.c3), w.columnX(c.c4),
                      w.columnRight()};
  const double saveX = w.currentX(), saveY = w.currentY();
  for (double vx : x) {
    w.moveTo(vx, rules.top);
    w.lineTo(vx, rules.bottom);
  }
  if (layout != ProtocolLayout::Team)
    for (double y : rules.sectionLines) {
      w.moveTo(x[2], y);
      w.lineTo(x[3], y);
    }
  if (layout == ProtocolLayout::Badminton)
    for (double y : rules.midLines) {
      w.moveTo(x[2], y);
      w.lineTo(x[4], y);
    }
  w.moveTo(saveX, saveY);
}

void printProtocol(ReportContext& ctx, ProtocolLayout layout, const PlayTimeRec& pt,
                   const model::MatchValue& m, int index, int count) {
  Database& db = ctx.db;
  ProtocolTeams t;
  t.homeOk = ReadTeamRec(db, m.home, *t.home);
  t.awayOk = ReadTeamRec(db, m.away, *t.away);
  const std::string when = pt.playTime();
  const bool team = layout == ProtocolLayout::Team;

  ReportWriter w(ctx.settings, ctx.clock);
  if (!w.openJob(team ? std::string("spelschema") : "protokoll " + when)) return;
  w.progress(index, count);
  w.status(1, (team ? "spelprotokoll: " : "spelprotokoll ") + when);
  w.title("..spelprotokoll..");
  CompetitionHeading(w, db.comp());
  const ProtocolColumns c = ProtocolColumnsFor(layout, w.charsPerLine());
  printHeading(w, db, layout, pt, m, t, c);

  TableRules rules;
  rules.top = w.rule();
  const LayoutShape shape = shapeOf(layout);
  w.pushFont('N');
  for (int s = 1; s <= shape.sections && !w.aborted(); ++s) {
    for (int r = 1; r <= shape.rows; ++r) {
      w.keepTogether(when, 1);
      printRow(w, db, layout, t, c, s, r);
      if (layout == ProtocolLayout::Badminton && r == 4) rules.midLines.push_back(w.currentY());
    }
    if (s < shape.sections) rules.sectionLines.push_back(w.rule());
  }
  w.rule();
  printResult(w, when, m, c);
  rules.bottom = w.rule();
  w.popFont();
  drawRules(w, layout, c, rules);
  w.finish();
}

}  // namespace

ProtocolColumns ProtocolColumnsFor(ProtocolLayout layout, int w) {
  auto at = [&](double f) { return static_cast<int>(std::lround(f * w)); };
  if (layout == ProtocolLayout::Badminton) return {at(0.12), at(0.45), at(0.78), at(0.89)};
  return {at(0.06), at(0.42), at(0.78), at(0.89)};
}

void PrintProtocols(ReportContext& ctx, ProtocolLayout layout, const RecNos& playTimes) {
  auto pt = std::make_unique<PlayTimeRec>();
  for (std::int32_t p : playTimes) {
    if (ProgressAborted()) break;
    if (!ReadPlayTimeRec(ctx.db, p, *pt)) continue;
    const std::vector<model::MatchValue> matches = model::ListedMatches(*pt, p);
    for (std::size_t i = 0; i < matches.size() && !ProgressAborted(); ++i)
      printProtocol(ctx, layout, *pt, matches[i], static_cast<int>(i + 1),
                    static_cast<int>(matches.size()));
  }
}

}  // namespace liga::reports
