// Exchange files from the command line: import, export and the demo competition.
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "cli/session.h"
#include "common/encoding.h"
#include "common/file_read.h"
#include "common/messages.h"
#include "exchange/demo.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "publish/ical.h"

namespace liga::cli {
namespace {

namespace fs = std::filesystem;

// Why the import of one file did not do what was asked, empty when it did.
std::string outcomeProblem(exchange::FileOutcome outcome) {
  switch (outcome) {
    case exchange::FileOutcome::Done:
      return {};
    case exchange::FileOutcome::NotOpened:
      return "filen kunde inte öppnas";
    case exchange::FileOutcome::NotText:
      return "är ingen textfil; inget lästes in";
    case exchange::FileOutcome::NotRegular:
      return "är ingen vanlig fil (en FIFO, en enhet eller en katalog); inget lästes in";
    case exchange::FileOutcome::TooLarge:
      return "är större än " + std::to_string(kMaxInputFileBytes >> 20) +
             " MB och kan inte vara en utbytesfil; inget lästes in";
    case exchange::FileOutcome::Declined:
      return "den gamla spelfördelningen behölls (svaret blev nej, använd --yes för att "
             "ersätta den); resten av filen lästes inte in";
    case exchange::FileOutcome::Stopped:
      return "importen avbröts";
    case exchange::FileOutcome::Failed:
      return "importen avbröts av ett fel (se importloggen)";
  }
  return {};
}

int runImport(Context& ctx) {
  const Command& self = *findCommand("import");
  if (ctx.args.empty()) return usageError(ctx, self, "ange minst en fil att läsa in");
  std::vector<std::string> files;
  for (const auto& f : ctx.args) {
    files.push_back(absolutePath(f));
    if (!checkReadableFile(ctx, files.back())) return kExitRefused;
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.catalogueAvailable()) return refuse(ctx, MessageText(330));
    exchange::Importer importer(db, shell.folders().textDir);
    importer.importFiles(files);
    shell.config().main().setLastExchangePath(files.back());
    shell.config().main().setCurrentCompetition(db.currentCompetition());
    int status = kExitOk;
    const auto& outcomes = importer.outcomes();
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::string problem =
          i < outcomes.size() ? outcomeProblem(outcomes[i]) : "filen lästes inte in";
      if (i < outcomes.size() && outcomes[i] == exchange::FileOutcome::Failed &&
          !importer.failureText().empty())
        problem = "importen avbröts: " + Cp1252ToUtf8(importer.failureText());
      if (problem.empty()) continue;
      ctx.err << "fel: " << files[i] << ": " << problem << "\n";
      status = kExitRefused;
    }
    if (importer.rejected() > 0) {
      // The log names each refused line and its reason; the count makes the failure plain.
      ctx.err << "fel: " << Cp1252ToUtf8(exchange::RejectedLinesText(importer.rejected()))
              << ", se importloggen"
              << (importer.logFile().empty() ? std::string() : " " + importer.logFile()) << "\n";
      status = kExitRefused;
    } else if (!importer.logFile().empty() && !ctx.options.quiet) {
      ctx.err << "importlogg: " << importer.logFile() << "\n";
    }
    if (status == kExitOk && importer.failed()) {
      ctx.err << "fel: importen avbröts av ett fel"
              << (importer.failureText().empty() ? std::string(" (se importloggen)")
                                                 : ": " + Cp1252ToUtf8(importer.failureText()))
              << "\n";
      status = kExitRefused;
    }
    return status;
  });
}

// "export ical FIL [--team N]... [--duration MIN]".
int runExportCalendar(Context& ctx) {
  const Command& self = *findCommand("export");
  publish::CalendarOptions options;
  std::string file;
  for (std::size_t i = 1; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if (a == "--team" || a == "--duration") {
      if (i + 1 == ctx.args.size()) return usageError(ctx, self, a + " kräver ett tal");
      long v = 0;
      const bool team = a == "--team";
      const long hi = team ? 9999 : 24 * 60;
      if (!parseInteger(ctx.args[++i], 1, hi, v))
        return usageError(ctx, self, rangeProblem(team ? "N" : "MIN", ctx.args[i], 1, hi));
      if (team) {
        options.teamNumbers.push_back(static_cast<int>(v));
      } else {
        options.durationMinutes = static_cast<int>(v);
      }
    } else if (file.empty() && !a.empty() && a[0] != '-') {
      file = a;
    } else {
      return usageError(ctx, self, "okänt argument \"" + a + "\"");
    }
  }
  if (file.empty()) return usageError(ctx, self, "ange kalenderfilen");
  const std::string target = absolutePath(file);
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
        if (!confirmOverwrite(ctx, target)) return kExitRefused;
        const auto result = publish::WriteCalendar(db, target, options, std::time(nullptr));
        for (int n : result.unknownTeams) ctx.err << "fel: laget finns inte: " << n << "\n";
        if (!result.unknownTeams.empty()) return kExitRefused;
        if (!result.written) {
          ctx.err << "fel: kalenderfilen kunde inte skrivas: " << target << "\n";
          return kExitRefused;
        }
        for (const std::string& p : result.unplaced)
          ctx.err << "obs: speltiden \"" << p << "\" är inget datum; dess matcher togs inte med\n";
        ctx.out << result.events << " matcher: " << target << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runExport(Context& ctx) {
  if (!ctx.args.empty() && ctx.args[0] == "ical") return runExportCalendar(ctx);
  static const std::pair<const char*, exchange::ExportKind> kKinds[] = {
      {"tavling", exchange::ExportKind::Competition}, {"klasser", exchange::ExportKind::Classes},
      {"lag", exchange::ExportKind::Teams},           {"spelmoten", exchange::ExportKind::Schedule},
      {"resultat", exchange::ExportKind::Results},
  };
  const Command& self = *findCommand("export");
  if (ctx.args.size() != 2)
    return usageError(ctx, self, "ange vad som ska skrivas och till vilken fil");
  const exchange::ExportKind* kind = nullptr;
  for (const auto& [name, k] : kKinds) {
    if (ctx.args[0] == name) kind = &k;
  }
  if (!kind)
    return usageError(ctx, self,
                      "okänd del \"" + ctx.args[0] +
                          "\"; välj tavling, klasser, lag, spelmoten, resultat eller ical");
  const std::string target = absolutePath(ctx.args[1]);
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
        if (!confirmOverwrite(ctx, target)) return kExitRefused;
        const auto result = exchange::WriteExport(db, *kind, target);
        if (!result.written) {
          ctx.err << "fel: exportfilen kunde inte skrivas: " << target << "\n";
          return kExitRefused;
        }
        shell.config().main().setLastExchangePath(target);
        ctx.out << result.lines << " rader: " << target << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runDemo(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("demo"), "demo tar inga argument");
  if (!ctx.options.dataDir.empty()) {
    std::error_code ec;
    fs::create_directories(ctx.options.dataDir, ec);
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (db.catalogueAvailable()) {
      ctx.err << "fel: datakatalogen har redan en tävlingskatalog: " << db.dataDir() << "\n";
      return kExitRefused;
    }
    std::string log, failure;
    if (!exchange::CreateDemoCompetition(db, shell.folders().textDir, &log, &failure)) {
      return refuse(ctx, failure.empty() ? IsamErrorText() : failure);
    }
    shell.config().main().setCurrentCompetition(db.currentCompetition());
    ctx.out << Cp1252ToUtf8(db.comp().competitionName()) << "\n";
    if (!log.empty() && !ctx.options.quiet) ctx.err << "importlogg: " << log << "\n";
    return kExitOk;
  });
}

const CommandRegistrar kImport{
    {"import", "FIL...", "läser in utbytesfiler och spelfördelningar (skriver importloggen)",
     runImport,
     "  FIL...  utbytesfiler (tävling, klasser, lag, spelmöten, resultat) eller en\n"
     "          schemafil från \"liga schedule\", i kodsida 1252 med CR LF, i den\n"
     "          ordning de står. En fil som ersätter en befintlig spelfördelning\n"
     "          frågar först: svara med --yes eller --no. Importloggen sparas i\n"
     "          textkatalogen och namnges; med --verbose visas den också.\n"
     "          Slutstatus 1 när någon fil inte lästes in helt eller när rader\n"
     "          avvisades (antalet skrivs ut; varje rad och skälet står i\n"
     "          importloggen). Bara vanliga filer upp till 64 MB läses.\n"}};
const CommandRegistrar kExport{
    {"export",
     "tavling|klasser|lag|spelmoten|resultat FIL | ical FIL [--team N]... [--duration MIN]",
     "skriver en del av den öppna tävlingen som utbytesfil", runExport,
     "  tavling    tävlingens uppgifter        klasser    klasserna\n"
     "  lag        lagen med kontaktrader      spelmoten  speltider och matcher\n"
     "  resultat   speltider, matcher och resultat\n"
     "  FIL        utbytesfilen, i kodsida 1252 med CR LF; en befintlig fil skrivs\n"
     "             över bara efter ja på frågan (--yes)\n"
     "  ical FIL   matcherna som kalender (iCalendar, UTF-8) att läsa in i telefonens\n"
     "             eller datorns kalender; samma match får samma UID vid varje export,\n"
     "             så en ny import uppdaterar händelserna i stället för att dubblera\n"
     "  --team N   bara lag N:s matcher; flera --team ger en fil för de valda lagen\n"
     "             (standard: alla matcher)\n"
     "  --duration MIN  matchens längd i minuter, 1..1440 (standard 90)\n"}};
const CommandRegistrar kDemo{
    {"demo", "", "skapar en katalog med demotävlingen i en tom datakatalog", runDemo}};

}  // namespace
}  // namespace liga::cli
