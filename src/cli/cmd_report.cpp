// liga report / liga view: the printed reports and the grid views without a window. The
// pick options take the place of the pick lists; without one, every class, team or play
// time is chosen.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "app/settings_blocks.h"
#include "cli/session.h"
#include "common/encoding.h"
#include "common/text.h"
#include "reports/grid_export.h"
#include "reports/labels.h"
#include "reports/lists.h"
#include "reports/picture.h"
#include "reports/protocols.h"
#include "reports/report_settings.h"
#include "reports/results.h"
#include "scheduling/fairness_grid.h"

#ifdef LIGA_HAVE_QT_REPORTS
#include <QGuiApplication>

#include "gui/reports/qt_surface.h"
#endif

namespace liga::cli {
namespace {

using reports::RecNos;

struct ReportOptions {
  std::string kind;
  std::vector<std::string> classes, teams, playTimes;
  std::optional<int> set, giroKind;
  std::optional<std::string> pdf, html, xml;
  bool text = false;
};

bool parseInt(const std::string& text, long lo, long hi, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= lo && value <= hi;
}

// Files are named relative to where liga was started; the program itself runs in the data
// directory.
std::string absolute(const std::string& path) {
  std::error_code ec;
  const auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.string();
}

bool parseOptions(const std::vector<std::string>& args, ReportOptions& o) {
  if (args.empty()) return false;
  o.kind = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--text") {
      o.text = true;
      continue;
    }
    if (i + 1 >= args.size()) return false;
    const std::string& v = args[++i];
    long n = 0;
    if (a == "--class") {
      o.classes.push_back(v);
    } else if (a == "--team" && parseInt(v, 0, 9999, n)) {
      o.teams.push_back(v);
    } else if (a == "--playtime") {
      o.playTimes.push_back(v);
    } else if (a == "--set" && parseInt(v, 1, 4, n)) {
      o.set = static_cast<int>(n);
    } else if (a == "--kind" && parseInt(v, 0, 3, n)) {
      o.giroKind = static_cast<int>(n);
    } else if (a == "--pdf") {
      o.pdf = absolute(v);
    } else if (a == "--html") {
      o.html = absolute(v);
    } else if (a == "--xml") {
      o.xml = absolute(v);
    } else {
      return false;
    }
  }
  return true;
}

// The chosen records in pick order; an unknown name or number is refused.
struct Picks {
  RecNos classes, teams, playTimes;
  bool allClasses = true;
};

std::optional<Picks> resolvePicks(Context& ctx, Database& db, const ReportOptions& o) {
  Picks p;
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  auto pt = std::make_unique<PlayTimeRec>();
  const RecNos allClasses = reports::AllClasses(db);
  if (o.classes.empty()) {
    p.classes = allClasses;
  } else {
    for (const std::string& name : o.classes) {
      const std::string wanted = TrimRight(UpCase(Utf8ToCp1252(name)));
      bool found = false;
      for (std::int32_t c : allClasses)
        if (reports::ReadClassRec(db, c, *cls) && TrimRight(cls->className()) == wanted) {
          p.classes.push_back(c);
          found = true;
        }
      if (!found) {
        refuse(ctx, W("klassen finns inte: ") + wanted);
        return std::nullopt;
      }
    }
    p.allClasses = p.classes.size() == allClasses.size();
  }
  const RecNos allTeams = reports::AllTeams(db);
  if (o.teams.empty()) {
    p.teams = allTeams;
  } else {
    for (const std::string& number : o.teams) {
      bool found = false;
      for (std::int32_t t : allTeams)
        if (reports::ReadTeamRec(db, t, *team) && team->teamNumber() == std::atoi(number.c_str())) {
          p.teams.push_back(t);
          found = true;
        }
      if (!found) {
        refuse(ctx, "laget finns inte: " + number);
        return std::nullopt;
      }
    }
  }
  const RecNos allPlayTimes = reports::AllPlayTimes(db);
  if (o.playTimes.empty()) {
    p.playTimes = allPlayTimes;
  } else {
    // A play time is chosen by its text or by the start of it ("2027-04-12" picks the day).
    for (const std::string& text : o.playTimes) {
      const std::string wanted = Utf8ToCp1252(text);
      bool found = false;
      for (std::int32_t r : allPlayTimes)
        if (reports::ReadPlayTimeRec(db, r, *pt) && pt->playTime().rfind(wanted, 0) == 0) {
          p.playTimes.push_back(r);
          found = true;
        }
      if (!found) {
        refuse(ctx, "speltiden finns inte: " + wanted);
        return std::nullopt;
      }
    }
  }
  return p;
}

// The grids of a view; the results view gives one per class.
std::optional<std::vector<reports::GridModel>> viewGrids(reports::ReportContext& rc,
                                                         const std::string& kind, const Picks& p) {
  if (kind == "laglista") return std::vector{reports::ViewTeamList(rc, p.classes)};
  if (kind == "lagspelprogram") return std::vector{reports::ViewTeamSchedules(rc, p.teams)};
  if (kind == "seriespelprogram")
    return std::vector{reports::ViewLeagueSchedule(rc, p.classes, p.playTimes)};
  if (kind == "haltmatcher") return std::vector{reports::ViewRemainingMatches(rc, p.classes)};
  if (kind == "resultat") return reports::ViewResults(rc, p.classes, p.playTimes);
  if (kind == "rättvisa") return scheduling::CompetitionFairnessGrids(rc.db);
  return std::nullopt;
}

int runView(Context& ctx) {
  ReportOptions o;
  const Command& self = *findCommand("view");
  if (!parseOptions(ctx.args, o)) return usageError(ctx, self);
  const int outputs = (o.pdf ? 1 : 0) + (o.html ? 1 : 0) + (o.xml ? 1 : 0) + (o.text ? 1 : 0);
  if (outputs != 1) return usageError(ctx, self);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
    const auto picks = resolvePicks(ctx, db, o);
    if (!picks) return kExitRefused;
    TeamSelection selection(db);
    reports::ReportContext rc{
        db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
    const auto grids = viewGrids(rc, o.kind, *picks);
    if (!grids) return usageError(ctx, *findCommand("view"));
    if (o.text) {
      for (const auto& g : *grids)
        ctx.out << Cp1252ToUtf8(g.title()) << "\n" << Cp1252ToUtf8(reports::GridText(g));
      return kExitOk;
    }
    const reports::GridModel grid = reports::JoinGrids(*grids);
    const reports::PublishSettings publish;
    reports::ExportOutcome done;
    if (o.html) done = reports::ExportHtml(grid, *o.html, publish);
    if (o.xml) done = reports::ExportXml(grid, *o.xml, publish);
    if (o.pdf) {
      reports::PdfOptions pdf;
      for (const auto& p : rc.settings.pictures)
        if (p.on && reports::IsJpegPath(p.path)) pdf.jpegPictures.push_back(p.path);
      done = reports::ExportPdf(grid, *o.pdf, publish, pdf);
    }
    return done.written ? kExitOk : kExitRefused;
  });
}

int runReport(Context& ctx) {
  ReportOptions o;
  const Command& self = *findCommand("report");
  if (!parseOptions(ctx.args, o) || !o.pdf || o.html || o.xml || o.text)
    return usageError(ctx, self);
  static const std::vector<std::string> kinds = {"laglista",         "lagspelprogram",
                                                 "seriespelprogram", "haltmatcher",
                                                 "resultat",         "protokoll-individuellt",
                                                 "protokoll-lag",    "protokoll-badminton",
                                                 "etiketter",        "giro"};
  if (std::find(kinds.begin(), kinds.end(), o.kind) == kinds.end()) return usageError(ctx, self);
#ifndef LIGA_HAVE_QT_REPORTS
  return refuse(ctx, "utskrift saknas i detta bygge");
#else
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "liga";
  static char* argv[] = {name, nullptr};
  // Qt's own notes (a missing runtime folder, font fallbacks) are not the command's output.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(msg));
  });
  std::unique_ptr<QGuiApplication> app;
  if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
  gui::InstallQtPictureLoader();
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
    const auto picks = resolvePicks(ctx, db, o);
    if (!picks) return kExitRefused;
    TeamSelection selection(db);
    reports::ReportContext rc{
        db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
    gui::QtReportPrinter printer(gui::QtReportPrinter::Mode::Pdf, *o.pdf, true);
    reports::ScopedPrinter scoped(printer);
    if (o.kind == "laglista") reports::PrintTeamList(rc, picks->classes);
    if (o.kind == "lagspelprogram") reports::PrintTeamSchedules(rc, picks->teams);
    if (o.kind == "seriespelprogram")
      reports::PrintLeagueSchedule(rc, picks->classes, picks->playTimes, picks->allClasses);
    if (o.kind == "haltmatcher") reports::PrintRemainingMatches(rc, picks->classes);
    if (o.kind == "resultat") reports::PrintResults(rc, picks->classes, picks->playTimes);
    if (o.kind == "protokoll-individuellt")
      reports::PrintProtocols(rc, reports::ProtocolLayout::Individual, picks->playTimes);
    if (o.kind == "protokoll-lag")
      reports::PrintProtocols(rc, reports::ProtocolLayout::Team, picks->playTimes);
    if (o.kind == "protokoll-badminton")
      reports::PrintProtocols(rc, reports::ProtocolLayout::Badminton, picks->playTimes);
    if (o.kind == "etiketter") {
      // By team when teams are named, else by class.
      const bool byClass = o.teams.empty();
      reports::PrintLabels(rc, reports::LabelSheetFrom(shell.config().label()),
                           byClass ? picks->classes : picks->teams, byClass,
                           static_cast<reports::PersonSet>(o.set.value_or(1)));
    }
    if (o.kind == "giro") {
      if (o.set.value_or(1) > 3) return usageError(ctx, self);
      std::optional<reports::GiroForm> form;
      if (o.giroKind.value_or(0) > 0) form = static_cast<reports::GiroForm>(*o.giroKind - 1);
      reports::PrintGiro(rc, picks->teams, static_cast<reports::PersonSet>(o.set.value_or(1)),
                         form);
    }
    printer.finishAll();
    if (printer.jobs() == 0) return refuse(ctx, "inget att skriva ut");
    ctx.out << "utskriftsjobb: " << printer.jobs() << "\n"
            << "pdf: " << *o.pdf << "\n";
    return kExitOk;
  });
#endif
}

const char* kPickUsage = "[--class NAMN]... [--team N]... [--playtime P]...";

const CommandRegistrar kReport{
    {"report",
     std::string(
         "laglista|lagspelprogram|seriespelprogram|haltmatcher|resultat|protokoll-individuellt|"
         "protokoll-lag|protokoll-badminton|etiketter|giro ") +
         kPickUsage + " [--set 1..4] [--kind 0..3] --pdf FIL",
     "skriver ut en rapport till en PDF-fil", runReport}};
const CommandRegistrar kView{
    {"view",
     std::string("laglista|lagspelprogram|seriespelprogram|haltmatcher|resultat|rättvisa ") +
         kPickUsage + " --html FIL | --xml FIL | --pdf FIL | --text",
     "visar en visning som text eller exporterar den", runView}};

}  // namespace
}  // namespace liga::cli
