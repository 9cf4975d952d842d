#include "gui/report_commands.h"

#include <QPrintPreviewDialog>

#include <optional>

#include "common/encoding.h"
#include "editing/pick.h"
#include "gui/reports/etikett_reg_form.h"
#include "gui/reports/grid_form.h"
#include "gui/reports/qt_surface.h"
#include "model/team_selection.h"
#include "reports/labels.h"
#include "reports/lists.h"
#include "reports/log_print.h"
#include "reports/protocols.h"
#include "reports/report_data.h"
#include "reports/report_settings.h"
#include "reports/results.h"
#include "scheduling/fairness_grid.h"

namespace liga::gui {
namespace {

using reports::RecNos;

PreviewRunner& previewRunner() {
  static PreviewRunner runner = [](QWidget* parent, const std::function<void(QPrinter&)>& print) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [&](QPrinter* p) { print(*p); });
    preview.exec();
    ReportPrintedFile(printer);
  };
  return runner;
}

GridRunner& gridRunner() {
  static GridRunner runner = [](QWidget* parent, const GridModel& grid) {
    Tgridform form(grid, reports::ReportSettings{}, reports::PublishSettings{}, parent);
    form.exec();
  };
  return runner;
}

CopiesAsker& copiesAsker() {
  static CopiesAsker asker = [](QWidget* parent) { return AskLabelCopies(parent); };
  return asker;
}

// The chosen records of a pick list in pick order; nullopt when it was cancelled or had
// nothing to offer.
template <typename Pick>
std::optional<RecNos> pick(Database& db, const char* titleUtf8) {
  Pick p(db, false, true, 0, Utf8ToCp1252(titleUtf8));
  if (!p.OkExec()) return std::nullopt;
  RecNos chosen;
  for (int i = 0; i < p.Antal(); ++i) {
    const std::int32_t recNo = p.GetPickData(i);
    if (recNo > 0) chosen.push_back(recNo);
  }
  if (chosen.empty()) return std::nullopt;
  return chosen;
}

// Prints `body` on the preview's printer with a report context over the open competition.
void preview(QWidget* parent, Shell& shell,
             const std::function<void(reports::ReportContext&)>& body) {
  Database& db = shell.db();
  paint::InstallQtPictureLoader();
  previewRunner()(parent, [&](QPrinter& printer) {
    TeamSelection selection(db);
    reports::ReportContext rc{
        db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
    QtReportPrinter target(printer);
    reports::ScopedPrinter scoped(target);
    body(rc);
    target.finishAll();
  });
}

}  // namespace

PreviewRunner SetPreviewRunner(PreviewRunner runner) {
  PreviewRunner previous = previewRunner();
  previewRunner() = std::move(runner);
  return previous;
}

CopiesAsker SetCopiesAsker(CopiesAsker asker) {
  CopiesAsker previous = copiesAsker();
  copiesAsker() = std::move(asker);
  return previous;
}

GridRunner SetGridRunner(GridRunner runner) {
  GridRunner previous = gridRunner();
  gridRunner() = std::move(runner);
  return previous;
}

void PrintReportCommand(QWidget* parent, Shell& shell, ReportKind kind) {
  Database& db = shell.db();
  if (!db.competitionOpen()) return;
  switch (kind) {
    case ReportKind::TeamList:
    case ReportKind::MatchesToPlay: {
      const auto classes = pick<TKlassPick>(db, "Välj Klass^(er)");
      if (!classes) return;
      preview(parent, shell, [&](reports::ReportContext& rc) {
        if (kind == ReportKind::TeamList) {
          reports::PrintTeamList(rc, *classes);
        } else {
          reports::PrintRemainingMatches(rc, *classes);
        }
      });
      return;
    }
    case ReportKind::TeamSchedule: {
      const auto teams = pick<TClubPick>(db, "Välj lag");
      if (!teams) return;
      preview(parent, shell,
              [&](reports::ReportContext& rc) { reports::PrintTeamSchedules(rc, *teams); });
      return;
    }
    case ReportKind::LeagueSchedule:
    case ReportKind::Results: {
      const auto classes = pick<TKlassPick>(db, "Välj Klass^(er)");
      if (!classes) return;
      const auto playTimes = pick<TGamePick>(db, "Välj speltid(er)");
      if (!playTimes) return;
      const bool allClasses = classes->size() == reports::AllClasses(db).size();
      preview(parent, shell, [&](reports::ReportContext& rc) {
        if (kind == ReportKind::Results) {
          reports::PrintResults(rc, *classes, *playTimes);
        } else {
          reports::PrintLeagueSchedule(rc, *classes, *playTimes, allClasses);
        }
      });
      return;
    }
    case ReportKind::ProtocolIndividual:
    case ReportKind::ProtocolTeam:
    case ReportKind::ProtocolBadminton: {
      const auto playTimes = pick<TGamePick>(db, "Välj speltid(er)");
      if (!playTimes) return;
      const auto layout = kind == ReportKind::ProtocolIndividual
                              ? reports::ProtocolLayout::Individual
                          : kind == ReportKind::ProtocolTeam ? reports::ProtocolLayout::Team
                                                             : reports::ProtocolLayout::Badminton;
      preview(parent, shell,
              [&](reports::ReportContext& rc) { reports::PrintProtocols(rc, layout, *playTimes); });
      return;
    }
    case ReportKind::Fairness:
      return;  // a view only; the grid window prints it
  }
}

void PrintListCommand(QWidget* parent, Shell* shell, const std::string& jobName,
                      const std::vector<std::string>& lines) {
  const reports::ReportSettings settings =
      shell ? reports::ReportSettingsFrom(shell->config().report()) : reports::ReportSettings{};
  previewRunner()(parent, [&](QPrinter& printer) {
    QtReportPrinter target(printer);
    reports::ScopedPrinter scoped(target);
    reports::PrintRegisterList(jobName, lines, settings);
    target.finishAll();
  });
}

void ShowViewCommand(QWidget* parent, Shell& shell, ReportKind kind) {
  Database& db = shell.db();
  if (!db.competitionOpen()) return;
  std::optional<RecNos> classes, teams, playTimes;
  switch (kind) {
    case ReportKind::TeamList:
      classes = pick<TKlassPick>(db, "Välj Klass(er)");
      if (!classes) return;
      break;
    case ReportKind::MatchesToPlay:
      classes = pick<TKlassPick>(db, "Välj Klass^(er)");
      if (!classes) return;
      break;
    case ReportKind::TeamSchedule:
      teams = pick<TClubPick>(db, "Välj lag");
      if (!teams) return;
      break;
    case ReportKind::LeagueSchedule:
    case ReportKind::Results:
      classes = pick<TKlassPick>(db, "Välj Klass(er)");
      if (!classes) return;
      playTimes = pick<TGamePick>(db, "Välj speltid(er)");
      if (!playTimes) return;
      break;
    case ReportKind::Fairness:
      break;  // the whole schedule, nothing to pick
    default:
      return;  // the protocols have no view
  }
  TeamSelection selection(db);
  reports::ReportContext rc{
      db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
  std::vector<GridModel> grids;
  if (kind == ReportKind::TeamList) grids.push_back(reports::ViewTeamList(rc, *classes));
  if (kind == ReportKind::MatchesToPlay)
    grids.push_back(reports::ViewRemainingMatches(rc, *classes));
  if (kind == ReportKind::TeamSchedule) grids.push_back(reports::ViewTeamSchedules(rc, *teams));
  if (kind == ReportKind::LeagueSchedule)
    grids.push_back(reports::ViewLeagueSchedule(rc, *classes, *playTimes));
  if (kind == ReportKind::Results) grids = reports::ViewResults(rc, *classes, *playTimes);
  if (kind == ReportKind::Fairness) grids = scheduling::CompetitionFairnessGrids(db);
  if (grids.empty()) return;
  gridRunner()(parent,
               JoinGrids(grids, kind == ReportKind::Results ? reports::ResultsViewTitle(grids)
                                                            : std::string()));
}

void PrintLabelsCommand(QWidget* parent, Shell& shell, bool byTeam, int set) {
  Database& db = shell.db();
  if (!db.competitionOpen() || set < 1 || set > 4) return;
  const auto chosen =
      byTeam ? pick<TClubPick>(db, "Välj lag") : pick<TKlassPick>(db, "Välj Klass^(er)");
  if (!chosen) return;
  reports::LabelSheet sheet = reports::LabelSheetFrom(shell.config().label());
  const bool ask = sheet.copies <= 0;
  if (ask) {
    const std::optional<int> copies = copiesAsker()(parent);
    if (!copies) return;
    sheet.copies = *copies;
  }
  preview(parent, shell, [&](reports::ReportContext& rc) {
    reports::PrintLabels(rc, sheet, *chosen, !byTeam, static_cast<reports::PersonSet>(set));
  });
  // A sheet that asked is one copy again for the next run.
  if (ask) shell.config().label().setCopies(1);
}

void PrintGiroCommand(QWidget* parent, Shell& shell, int set) {
  Database& db = shell.db();
  if (!db.competitionOpen() || set < 1 || set > 3) return;
  const auto teams = pick<TClubPick>(db, "Välj lag");
  if (!teams) return;
  preview(parent, shell, [&](reports::ReportContext& rc) {
    reports::PrintGiro(rc, *teams, static_cast<reports::PersonSet>(set));
  });
}

}  // namespace liga::gui
