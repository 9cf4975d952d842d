#include "scheduling/fairness_grid.h"

#include <cstdio>

#include "common/encoding.h"
#include "common/text.h"
#include "database/database.h"
#include "scheduling/fairness_input.h"

namespace liga::scheduling {
namespace {

std::string Pair(int a, int b) {
  return std::to_string(a) + "/" + std::to_string(b);
}

void TeamRow(reports::GridModel& g, const TeamFairness& t, bool maskKnown) {
  char mean[32] = "-";
  if (t.restPairs > 0) std::snprintf(mean, sizeof mean, "%.1f", t.meanRest);
  g.addCell(std::to_string(t.team));
  g.addCell(std::to_string(t.home));
  g.addCell(std::to_string(t.away));
  g.addCell(Pair(t.homeFirst, t.awayFirst));
  g.addCell(Pair(t.homeSecond, t.awaySecond));
  g.addCell(std::to_string(t.breaks));
  g.addCell(t.minRest ? std::to_string(*t.minRest) : "-");
  g.addCell(mean);
  g.addCell(std::to_string(t.consecutiveDays));
  g.addCell(std::to_string(t.placeholderMatches));
  g.addCell(maskKnown ? std::to_string(t.maskViolations) : "-");
  g.endRow();
}

// The class's summary under the columns it sums up, so that no long line widens the grid's
// first column: the worst balance under Hemma and Borta (over all matches) and under the
// halves, the total breaks, the shortest rest, the consecutive days, the placeholders and
// the mask violations.
void SummaryRow(reports::GridModel& g, const ClassFairness& c, bool maskKnown) {
  const std::optional<int> rest = c.shortestRest();
  const std::string balance = "\xB1" + std::to_string(c.worstBalance());
  const std::string halves = "\xB1" + std::to_string(c.worstHalfBalance());
  g.addCell(TrimRight(c.className));
  g.addCell(balance);
  g.addCell(balance);
  g.addCell(halves);
  g.addCell(halves);
  g.addCell(std::to_string(c.totalBreaks()) + " (golv " +
            (c.breakFloor ? std::to_string(*c.breakFloor) : std::string("-")) + ")");
  g.addCell(rest ? std::to_string(*rest) : "-");
  g.addCell("");
  g.addCell(std::to_string(c.consecutiveDays()));
  g.addCell(std::to_string(c.placeholderMatches));
  g.addCell(maskKnown ? std::to_string(c.maskViolations) : "-");
  g.endRow();
}

// The competition's figures under the classes, in short cells so that the team column
// keeps its width: the placeholder matches, before the improvement pass when known, and
// the capacity lower bound.
reports::GridModel CompetitionGrid(const CompetitionFigures& f, const std::string& title) {
  reports::GridModel g(title);
  for (const char* heading :
       {"T\xE4vling", "\xC4ndrtider", "F\xF6re f\xF6rb\xE4ttring", "Undre gr\xE4ns"})
    g.addCell(heading);
  g.endRow();
  auto number = [](const std::optional<int>& n) { return n ? std::to_string(*n) : "-"; };
  g.addCell("");
  g.addCell(std::to_string(f.placeholderMatches));
  g.addCell(number(f.placeholdersBefore));
  g.addCell(number(f.capacityBound));
  g.endRow();
  return g;
}

}  // namespace

std::vector<reports::GridModel> FairnessGrids(const std::vector<ClassFairness>& classes,
                                              bool maskKnown, const std::string& title) {
  std::vector<reports::GridModel> grids;
  for (const ClassFairness& c : classes) {
    reports::GridModel g(title);
    for (const char* heading : {"Lag", "Hemma", "Borta", "H1/B1", "H2/B2", "Brott", "Minvila",
                                "Medelvila", "Dag efter dag", "\xC4ndrtid", "Mask"})
      g.addCell(heading);
    g.endRow();
    for (const TeamFairness& t : c.teams) TeamRow(g, t, maskKnown);
    SummaryRow(g, c, maskKnown);
    grids.push_back(std::move(g));
  }
  return grids;
}

std::vector<ClassFairness> CompetitionFairness(Database& db) {
  return BuildFairnessReport(ReadFairnessFromDatabase(db), nullptr).classes;
}

std::vector<reports::GridModel> CompetitionFairnessGrids(Database& db) {
  if (!db.competitionOpen()) return {};
  const FairnessReport report = BuildFairnessReport(ReadFairnessFromDatabase(db), nullptr);
  const std::string title = "LigaWin32: r\xE4ttvisa: " + db.comp().competitionName();
  std::vector<reports::GridModel> grids = FairnessGrids(report.classes, false, title);
  if (!grids.empty()) grids.push_back(CompetitionGrid(report.competition, title));
  return grids;
}

std::vector<std::string> ScheduleFileSummaryLines(const std::string& path, Database& db) {
  std::vector<std::string> lines;
  const std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return lines;
  const FairnessInput input = ReadFairnessFromScheduleText(*text, db);
  const Mask* mask = input.loggedMask ? &*input.loggedMask : nullptr;
  const FairnessReport report = BuildFairnessReport(input, mask);
  for (const ClassFairness& c : report.classes)
    lines.push_back(Utf8ToCp1252(FairnessSummaryLine(c, mask)));
  if (!report.classes.empty())
    for (const std::string& l : CompetitionReportLines(report.competition))
      lines.push_back(Utf8ToCp1252(l));
  return lines;
}

}  // namespace liga::scheduling
