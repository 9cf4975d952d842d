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

#include "cli/session.h"
#include "common/encoding.h"
#include "common/text.h"
#include "config/settings_blocks.h"
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

#include "paint/pdf_printer.h"
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

// The kind as written, or its ASCII spelling ("rattvisa"), as the name the program uses.
std::string kindName(const std::string& typed) {
  if (typed == "rattvisa") return "rättvisa";
  return typed;
}

// Reads the kind and the options; returns what is wrong with them, or empty.
std::string parseOptions(const std::vector<std::string>& args, ReportOptions& o) {
  if (args.empty()) return "ange vilken sort (se listan nedan)";
  o.kind = kindName(args[0]);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--text") {
      o.text = true;
      continue;
    }
    static const std::vector<std::string> kTakeValue = {"--class", "--team", "--playtime", "--set",
                                                        "--kind",  "--pdf",  "--html",     "--xml"};
    if (std::find(kTakeValue.begin(), kTakeValue.end(), a) == kTakeValue.end())
      return "okänd flagga \"" + a + "\"";
    if (i + 1 >= args.size()) return a + " kräver ett värde";
    const std::string& v = args[++i];
    long n = 0;
    if (a == "--class") {
      o.classes.push_back(v);
    } else if (a == "--team") {
      if (!parseInt(v, 0, 9999, n)) return rangeProblem("--team", v, 0, 9999);
      o.teams.push_back(v);
    } else if (a == "--playtime") {
      o.playTimes.push_back(v);
    } else if (a == "--set") {
      if (!parseInt(v, 1, 4, n)) return rangeProblem("--set", v, 1, 4);
      o.set = static_cast<int>(n);
    } else if (a == "--kind") {
      if (!parseInt(v, 0, 3, n)) return rangeProblem("--kind", v, 0, 3);
      o.giroKind = static_cast<int>(n);
    } else if (a == "--pdf") {
      o.pdf = absolute(v);
    } else if (a == "--html") {
      o.html = absolute(v);
    } else {
      o.xml = absolute(v);
    }
  }
  return {};
}

// The output file of a view or report: its folder must exist, and an existing file is
// replaced only after a Yes.
bool outputUsable(Context& ctx, const std::string& path) {
  return confirmOverwrite(ctx, path);
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
std::optional<std::vector<GridModel>> viewGrids(reports::ReportContext& rc, const std::string& kind,
                                                const Picks& p) {
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
  if (const std::string problem = parseOptions(ctx.args, o); !problem.empty())
    return usageError(ctx, self, problem);
  static const std::vector<std::string> kinds = {
      "laglista", "lagspelprogram", "seriespelprogram", "haltmatcher", "resultat", "rättvisa"};
  if (std::find(kinds.begin(), kinds.end(), o.kind) == kinds.end())
    return usageError(ctx, self, "okänd visning \"" + ctx.args[0] + "\"");
  const int outputs = (o.pdf ? 1 : 0) + (o.html ? 1 : 0) + (o.xml ? 1 : 0) + (o.text ? 1 : 0);
  if (outputs != 1)
    return usageError(ctx, self,
                      outputs == 0 ? "ange vart visningen ska: --html FIL, --xml FIL, --pdf FIL "
                                     "eller --text"
                                   : "ange bara ett av --html, --xml, --pdf och --text");
  const std::string out = o.html ? *o.html : o.xml ? *o.xml : o.pdf ? *o.pdf : std::string();
  if (!out.empty() && !outputUsable(ctx, out)) return kExitRefused;
  return withShellOrReadOnly(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
    const auto picks = resolvePicks(ctx, db, o);
    if (!picks) return kExitRefused;
    TeamSelection selection(db);
    reports::ReportContext rc{
        db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
    const auto grids = viewGrids(rc, o.kind, *picks);
    if (!grids) return usageError(ctx, self, "okänd visning \"" + o.kind + "\"");
    if (o.text) {
      for (const auto& g : *grids)
        ctx.out << Cp1252ToUtf8(g.title()) << "\n" << Cp1252ToUtf8(reports::GridText(g));
      return kExitOk;
    }
    const GridModel grid =
        JoinGrids(*grids, o.kind == "resultat" ? reports::ResultsViewTitle(*grids) : std::string());
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
    if (!done.written) return kExitRefused;
    reportWritten(ctx, out);
    return kExitOk;
  });
}

int runReport(Context& ctx) {
  ReportOptions o;
  const Command& self = *findCommand("report");
  if (const std::string problem = parseOptions(ctx.args, o); !problem.empty())
    return usageError(ctx, self, problem);
  static const std::vector<std::string> kinds = {"laglista",         "lagspelprogram",
                                                 "seriespelprogram", "haltmatcher",
                                                 "resultat",         "protokoll-individuellt",
                                                 "protokoll-lag",    "protokoll-badminton",
                                                 "etiketter",        "giro"};
  if (std::find(kinds.begin(), kinds.end(), o.kind) == kinds.end())
    return usageError(ctx, self, "okänd rapport \"" + ctx.args[0] + "\"");
  if (o.html || o.xml || o.text)
    return usageError(ctx, self, "en rapport skrivs bara som PDF: --pdf FIL");
  if (!o.pdf) return usageError(ctx, self, "ange filen rapporten skrivs till: --pdf FIL");
  if (o.kind == "giro" && o.set.value_or(1) > 3)
    return usageError(ctx, self, rangeProblem("--set", std::to_string(*o.set), 1, 3));
  if (!outputUsable(ctx, *o.pdf)) return kExitRefused;
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
  paint::InstallQtPictureLoader();
  return withShellOrReadOnly(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
    const auto picks = resolvePicks(ctx, db, o);
    if (!picks) return kExitRefused;
    TeamSelection selection(db);
    reports::ReportContext rc{
        db, selection, reports::ReportSettingsFrom(shell.config().report()), {}};
    paint::PdfReportPrinter printer(*o.pdf, true);
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
      std::optional<reports::GiroForm> form;
      if (o.giroKind.value_or(0) > 0) form = static_cast<reports::GiroForm>(*o.giroKind - 1);
      reports::PrintGiro(rc, picks->teams, static_cast<reports::PersonSet>(o.set.value_or(1)),
                         form);
    }
    printer.finishAll();
    if (printer.jobs() == 0) return refuse(ctx, "inget att skriva ut");
    ctx.out << "utskriftsjobb: " << printer.jobs() << "\n";
    reportWritten(ctx, *o.pdf);
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
     "skriver ut en rapport till en PDF-fil", runReport,
     "  SORT             laglista, lagspelprogram, seriespelprogram, haltmatcher (matcher\n"
     "                   kvar att spela), resultat, protokoll-individuellt, protokoll-lag,\n"
     "                   protokoll-badminton (matchprotokoll per speltid), etiketter, giro\n"
     "  --class NAMN     bara klassen NAMN (flera --class för flera; standard alla)\n"
     "  --team N         bara lag nummer N (lagspelprogram, etiketter, giro)\n"
     "  --playtime P     bara speltiden P, eller alla som börjar med P (\"2027-04\" ger april)\n"
     "  --set 1..4       vilka rader i lagets kontaktlista etiketter och giro tar:\n"
     "                   1 lagledaren (standard), 2 alla lagmedlemmar (1..22),\n"
     "                   3 lagmedlem 1, 4 lagmedlemmar 2..22 (bara etiketter)\n"
     "  --kind 0..3      giroblankett: 0 enligt tävlingens girotyp (standard), 1 plusgiro,\n"
     "                   2 postgiro, 3 bankgiro\n"
     "  --pdf FIL        PDF-filen som skrivs; dess mapp måste finnas, en befintlig fil\n"
     "                   skrivs över bara med --yes\n"}};
const CommandRegistrar kView{
    {"view",
     std::string("laglista|lagspelprogram|seriespelprogram|haltmatcher|resultat|rättvisa ") +
         kPickUsage + " --html FIL | --xml FIL | --pdf FIL | --text",
     "visar en visning som text eller exporterar den", runView,
     "  SORT             laglista, lagspelprogram, seriespelprogram, haltmatcher,\n"
     "                   resultat (en tabell per klass, titeln nämner alla) eller\n"
     "                   rättvisa (schemats rättvisa; också rattvisa)\n"
     "  --class NAMN, --team N, --playtime P   urval som för \"liga report\"\n"
     "  --html FIL       en HTML-sida (kodsida 1252), laddar inget från nätet\n"
     "  --xml FIL        XML med en XSL-stilmall bredvid (FIL med .xsl)\n"
     "  --pdf FIL        en PDF-fil\n"
     "  --text           cellerna som text på standard output\n"
     "Exakt en av --html, --xml, --pdf och --text. En skriven fil namnges (\"skrev FIL\");\n"
     "dess mapp måste finnas och en befintlig fil skrivs över bara med --yes.\n"}};

}  // namespace
}  // namespace liga::cli
