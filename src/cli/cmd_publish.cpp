// publish: the open competition as a folder of static web pages (the window's
// "arkiv" -> "publicera").
#include <ctime>
#include <ostream>

#include "cli/command.h"
#include "cli/session.h"
#include "publish/site.h"

namespace liga::cli {
namespace {

int runPublish(Context& ctx) {
  const Command& self = *findCommand("publish");
  if (ctx.args.size() != 1 || ctx.args[0].empty() || ctx.args[0][0] == '-')
    return usageError(ctx, self, "ange en katalog KATALOG");
  const std::string folder = absolutePath(ctx.args[0]);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) {
      ctx.err << "fel: ingen tävling är vald (se \"liga list\" och \"liga select N\")\n";
      return kExitRefused;
    }
    const publish::PublishResult r = publish::PublishSite(db, folder, std::time(nullptr));
    if (!r.ok) {
      ctx.err << "fel: " << r.error << "\n";
      return kExitRefused;
    }
    ctx.out << "publicerat: " << r.folder << "/index.html (" << r.pages << " sidor, " << r.calendars
            << " kalendrar)\n";
    for (const std::string& name : r.removed) ctx.out << "borttagen: " << name << "\n";
    return kExitOk;
  });
}

const CommandRegistrar kPublish{
    {"publish", "KATALOG", "publicerar tävlingen som en webbplats (\"publicera\")", runPublish,
     "  KATALOG  skapas om den saknas. index.html visar tävlingen och klasserna;\n"
     "           klass-R.html per klass tabellen, kvarvarande matcher och\n"
     "           spelprogrammet; lag-NNNN.html per lag dess matcher och resultat\n"
     "           med kalendern lag-NNNN.ics; style.css. Sidorna är UTF-8, utan\n"
     "           skript och utan något från andra webbplatser: lägg upp katalogen\n"
     "           som den är. En ny publicering uppdaterar sidorna och tar bort\n"
     "           sidorna för lag och klasser som inte finns kvar; andra filer\n"
     "           i katalogen rörs inte.\n"}};

}  // namespace
}  // namespace liga::cli
