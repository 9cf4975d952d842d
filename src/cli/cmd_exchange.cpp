// Exchange files from the command line: import, export and the demo competition.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "cli/session.h"
#include "common/messages.h"
#include "exchange/demo.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "storage/isam.h"

namespace liga::cli {
namespace {

namespace fs = std::filesystem;

int runImport(Context& ctx) {
  if (ctx.args.empty()) return usageError(ctx, *findCommand("import"));
  for (const auto& f : ctx.args) {
    if (!fs::is_regular_file(f)) {
      ctx.err << "filen finns inte: " << f << "\n";
      return kExitRefused;
    }
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.catalogueAvailable()) return refuse(ctx, MessageText(330));
    exchange::Importer importer(db, shell.folders().textDir);
    importer.importFiles(ctx.args);
    shell.config().main().setLastExchangePath(fs::absolute(ctx.args.back()).string());
    shell.config().main().setCurrentCompetition(db.currentCompetition());
    return importer.failed() ? kExitRefused : kExitOk;
  });
}

int runExport(Context& ctx) {
  static const std::pair<const char*, exchange::ExportKind> kKinds[] = {
      {"tavling", exchange::ExportKind::Competition}, {"klasser", exchange::ExportKind::Classes},
      {"lag", exchange::ExportKind::Teams},           {"spelmoten", exchange::ExportKind::Schedule},
      {"resultat", exchange::ExportKind::Results},
  };
  if (ctx.args.size() != 2) return usageError(ctx, *findCommand("export"));
  const exchange::ExportKind* kind = nullptr;
  for (const auto& [name, k] : kKinds) {
    if (ctx.args[0] == name) kind = &k;
  }
  if (!kind) return usageError(ctx, *findCommand("export"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuse(ctx, Utf8ToCp1252("<tävling ej vald/inmatad>"));
        const auto result = exchange::WriteExport(db, *kind, ctx.args[1]);
        if (!result.written) return kExitRefused;
        shell.config().main().setLastExchangePath(fs::absolute(ctx.args[1]).string());
        ctx.out << result.lines << " rader: " << ctx.args[1] << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runDemo(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("demo"));
  if (!ctx.options.dataDir.empty()) {
    std::error_code ec;
    fs::create_directories(ctx.options.dataDir, ec);
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (db.catalogueAvailable()) {
      return refuse(ctx,
                    Utf8ToCp1252("Datakatalogen har redan en tävlingskatalog: ") + db.dataDir());
    }
    if (!exchange::CreateDemoCompetition(db, shell.folders().textDir)) {
      return refuse(ctx, MessageText(IsamError));
    }
    shell.config().main().setCurrentCompetition(db.currentCompetition());
    ctx.out << Cp1252ToUtf8(db.comp().competitionName()) << "\n";
    return kExitOk;
  });
}

const CommandRegistrar kImport{{"import", "FIL...",
                                "läser in utbytesfiler och spelfördelningar (skriver importloggen)",
                                runImport}};
const CommandRegistrar kExport{{"export", "tavling|klasser|lag|spelmoten|resultat FIL",
                                "skriver en del av den öppna tävlingen som utbytesfil", runExport}};
const CommandRegistrar kDemo{
    {"demo", "", "skapar en katalog med demotävlingen i en tom datakatalog", runDemo}};

}  // namespace
}  // namespace liga::cli
